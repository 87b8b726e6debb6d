#include "dsp/cabinet/ConvStage.h"

#include "dsp/cabinet/ConvKernels.h"

#include <cstring>
#include <initializer_list>



namespace {

// Slot offsets, from the current block's slot: where partition k+1's product
// is written, and which slots hold the products due at this event. Written at
// k(k+1)/2 - 1, read back k-1 events later at k(k-1)/2.
constexpr int kWriteOffset[ConvStage::kPartitions] = {0, 2, 5, 9, 14, 20, 27};
constexpr int kReadOffset[ConvStage::kPartitions] = {0, 1, 3, 6, 10, 15, 21};

} // namespace

ConvStage::ConvStage(int blockLength)
    : B_(blockLength), N_(2 * blockLength), spectraStride_(2 * blockLength + 24), slotStride_(2 * blockLength + 8),
      ring_(blockLength), inputSpectrum_(static_cast<size_t>(N_)), sumSpectrum_(static_cast<size_t>(N_)),
      partitionTime_{AlignedBuffer(kPartitions * static_cast<size_t>(N_)),
                     AlignedBuffer(kPartitions * static_cast<size_t>(N_))},
      partitionSpectra_{AlignedBuffer(kPartitions * static_cast<size_t>(spectraStride_)),
                        AlignedBuffer(kPartitions * static_cast<size_t>(spectraStride_))},
      productSlots_(kSlots * static_cast<size_t>(slotStride_)),
      processEngine_(std::make_unique<ffft::FFTReal<double>>(N_)),
      prepareEngine_(std::make_unique<ffft::FFTReal<double>>(N_)), slotCounter_(0), bank_(0)
{
}

void ConvStage::zeroPartitions(int bank)
{
    partitionTime_[bank].zero();
    partitionSpectra_[bank].zero();
}

void ConvStage::prepare(const double* ir, int bank)
{
    zeroPartitions(bank);
    for (int k = 0; k < kPartitions; ++k)
    {
        double* row = partitionTime_[bank] + static_cast<size_t>(k) * N_;
        std::memcpy(row, ir + B_ + k * B_, sizeof(double) * static_cast<size_t>(B_));
        prepareEngine_->forward(row, partitionSpectra_[bank] + static_cast<size_t>(k) * spectraStride_);
    }
}

void ConvStage::clearState()
{
    ring_.clear();
    inputSpectrum_.zero();
    sumSpectrum_.zero();
    productSlots_.zero();
}

void ConvStage::blockEvent()
{
    slotCounter_ &= kSlots - 1;
    processEngine_->forward(ring_.block(), inputSpectrum_);

    const int n = N_;
    const int half = B_;
    const double* X = inputSpectrum_;
    const double* H[kPartitions];
    double* W[kPartitions];
    const double* R[kPartitions];
    for (int k = 0; k < kPartitions; ++k)
    {
        H[k] = partitionSpectra_[bank_] + static_cast<size_t>(k) * spectraStride_;
        W[k] = productSlots_ + static_cast<size_t>((slotCounter_ + kWriteOffset[k]) & (kSlots - 1)) * slotStride_;
        R[k] = productSlots_ + static_cast<size_t>((slotCounter_ + kReadOffset[k]) & (kSlots - 1)) * slotStride_;
    }
    double* S = sumSpectrum_;

    // One pass over the bins: the seven products of the new block go to their
    // slots, then the due slots are summed in their fixed order. The written
    // and the summed slots are disjoint except for offset 0, which is written
    // first, so the pass equals "all products, then the sum".
    convProductsAndSum(X, H, W, R, S, half);

    processEngine_->inverse(S, ring_.result());
    ring_.finishEvent(1.0 / static_cast<double>(n));
    ++slotCounter_;
}

double ConvStage::process(double x)
{
    return ring_.process(x, [this] { blockEvent(); });
}

void ConvStage::processBlock(const double* in, double* out, int n)
{
    ring_.processBlock(in, out, n, [this] { blockEvent(); });
}
