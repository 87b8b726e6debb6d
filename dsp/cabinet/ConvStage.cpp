#include "dsp/cabinet/ConvStage.h"

#include "dsp/cabinet/AlignedArray.h"
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
      ring_(blockLength), inputSpectrum_(nullptr), sumSpectrum_(nullptr), partitionTime_{nullptr, nullptr},
      partitionSpectra_{nullptr, nullptr}, productSlots_(nullptr), processEngine_(nullptr), prepareEngine_(nullptr),
      slotCounter_(0), bank_(0)
{
    try
    {
        const size_t n = static_cast<size_t>(N_);
        inputSpectrum_ = allocAligned(n);
        sumSpectrum_ = allocAligned(n);
        for (int b = 0; b < 2; ++b)
        {
            partitionTime_[b] = allocAligned(kPartitions * n);
            partitionSpectra_[b] = allocAligned(kPartitions * static_cast<size_t>(spectraStride_));
        }
        productSlots_ = allocAligned(kSlots * static_cast<size_t>(slotStride_));
        processEngine_ = new ffft::FFTReal<double>(N_);
        prepareEngine_ = new ffft::FFTReal<double>(N_);
    }
    catch (...)
    {
        // Allocation failure propagates to the owner; free what exists.
        release();
        throw;
    }
}

ConvStage::~ConvStage()
{
    release();
}

void ConvStage::release()
{
    delete processEngine_;
    delete prepareEngine_;
    processEngine_ = prepareEngine_ = nullptr;
    freeAligned(inputSpectrum_);
    freeAligned(sumSpectrum_);
    for (int b = 0; b < 2; ++b)
    {
        freeAligned(partitionTime_[b]);
        freeAligned(partitionSpectra_[b]);
        partitionTime_[b] = partitionSpectra_[b] = nullptr;
    }
    freeAligned(productSlots_);
    inputSpectrum_ = sumSpectrum_ = productSlots_ = nullptr;
}

void ConvStage::zeroPartitions(int bank)
{
    std::memset(partitionTime_[bank], 0, sizeof(double) * kPartitions * static_cast<size_t>(N_));
    std::memset(partitionSpectra_[bank], 0, sizeof(double) * kPartitions * static_cast<size_t>(spectraStride_));
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
    const size_t bytes = sizeof(double) * static_cast<size_t>(N_);
    ring_.clear();
    std::memset(inputSpectrum_, 0, bytes);
    std::memset(sumSpectrum_, 0, bytes);
    std::memset(productSlots_, 0, sizeof(double) * kSlots * static_cast<size_t>(slotStride_));
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
