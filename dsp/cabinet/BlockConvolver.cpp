#include "dsp/cabinet/BlockConvolver.h"

#include "dsp/cabinet/ConvKernels.h"

#include <cstring>



BlockConvolver::BlockConvolver(int transformLength)
    : N_(transformLength), B_(transformLength / 2),
      irPartition_{AlignedBuffer(static_cast<size_t>(N_)), AlignedBuffer(static_cast<size_t>(N_))},
      irSpectrum_{AlignedBuffer(static_cast<size_t>(N_)), AlignedBuffer(static_cast<size_t>(N_))},
      ring_(transformLength / 2), inputSpectrum_(static_cast<size_t>(N_)),
      engine_(std::make_unique<ffft::FFTReal<double>>(N_)),
      prepareEngine_(std::make_unique<ffft::FFTReal<double>>(N_)), bank_(0)
{
}

void BlockConvolver::zeroPartitions(int bank)
{
    irPartition_[bank].zero();
    irSpectrum_[bank].zero();
}

void BlockConvolver::prepare(const double* ir, int bank)
{
    zeroPartitions(bank);
    std::memcpy(irPartition_[bank], ir + B_, sizeof(double) * static_cast<size_t>(B_));
    prepareEngine_->forward(irPartition_[bank], irSpectrum_[bank]);
}

void BlockConvolver::clearState()
{
    ring_.clear();
    inputSpectrum_.zero();
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
