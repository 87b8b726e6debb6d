#include "dsp/cabinet/BlockConvolver.h"

#include "dsp/cabinet/AlignedArray.h"
#include "dsp/cabinet/ConvKernels.h"

#include <cstring>



BlockConvolver::BlockConvolver(int transformLength)
    : N_(transformLength), B_(transformLength / 2), irPartition_{nullptr, nullptr}, irSpectrum_{nullptr, nullptr},
      ring_(transformLength / 2), inputSpectrum_(nullptr), engine_(nullptr), prepareEngine_(nullptr), bank_(0)
{
    try
    {
        const size_t n = static_cast<size_t>(N_);
        for (int b = 0; b < 2; ++b)
        {
            irPartition_[b] = allocAligned(n);
            irSpectrum_[b] = allocAligned(n);
        }
        inputSpectrum_ = allocAligned(n);
        engine_ = new ffft::FFTReal<double>(N_);
        // A second engine instead of a temporary one per preparation: the numbers
        // are the same, and a rebuild then neither allocates nor plans.
        prepareEngine_ = new ffft::FFTReal<double>(N_);
    }
    catch (...)
    {
        // Allocation failure propagates to the owner; free what exists.
        release();
        throw;
    }
}

BlockConvolver::~BlockConvolver()
{
    release();
}

void BlockConvolver::release()
{
    delete engine_;
    delete prepareEngine_;
    engine_ = prepareEngine_ = nullptr;
    for (int b = 0; b < 2; ++b)
    {
        freeAligned(irPartition_[b]);
        freeAligned(irSpectrum_[b]);
        irPartition_[b] = irSpectrum_[b] = nullptr;
    }
    freeAligned(inputSpectrum_);
    inputSpectrum_ = nullptr;
}

void BlockConvolver::zeroPartitions(int bank)
{
    const size_t bytes = sizeof(double) * static_cast<size_t>(N_);
    std::memset(irPartition_[bank], 0, bytes);
    std::memset(irSpectrum_[bank], 0, bytes);
}

void BlockConvolver::prepare(const double* ir, int bank)
{
    zeroPartitions(bank);
    std::memcpy(irPartition_[bank], ir + B_, sizeof(double) * static_cast<size_t>(B_));
    prepareEngine_->forward(irPartition_[bank], irSpectrum_[bank]);
}

void BlockConvolver::clearState()
{
    const size_t bytes = sizeof(double) * static_cast<size_t>(N_);
    ring_.clear();
    std::memset(inputSpectrum_, 0, bytes);
}

void BlockConvolver::blockEvent()
{
    engine_->forward(ring_.block(), inputSpectrum_);

    const int half = B_;
    double* X = inputSpectrum_;
    const double* H = irSpectrum_[bank_];
    convProductInPlace(X, H, half);

    engine_->inverse(X, ring_.result());
    ring_.finishEvent(1.0 / static_cast<double>(N_));
}

double BlockConvolver::process(double x)
{
    return ring_.process(x, [this] { blockEvent(); });
}

void BlockConvolver::processBlock(const double* in, double* out, int n)
{
    ring_.processBlock(in, out, n, [this] { blockEvent(); });
}
