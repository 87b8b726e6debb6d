#include "dsp/cabinet/BlockConvolver.h"

#include "dsp/cabinet/AlignedArray.h"
#include "dsp/cabinet/ConvKernels.h"

#include <cstring>



BlockConvolver::BlockConvolver(int transformLength)
    : N_(transformLength), B_(transformLength / 2), irPartition_{nullptr, nullptr}, irSpectrum_{nullptr, nullptr},
      inputBlock_(nullptr), outputRing_(nullptr), inputSpectrum_(nullptr), resultBlock_(nullptr), engine_(nullptr),
      prepareEngine_(nullptr), blockCount_(0), readPos_(0), bank_(0)
{
    try
    {
        const size_t n = static_cast<size_t>(N_);
        for (int b = 0; b < 2; ++b)
        {
            irPartition_[b] = allocAligned(n);
            irSpectrum_[b] = allocAligned(n);
        }
        inputBlock_ = allocAligned(n);
        outputRing_ = allocAligned(n);
        inputSpectrum_ = allocAligned(n);
        resultBlock_ = allocAligned(n);
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
    freeAligned(inputBlock_);
    freeAligned(outputRing_);
    freeAligned(inputSpectrum_);
    freeAligned(resultBlock_);
    inputBlock_ = outputRing_ = inputSpectrum_ = resultBlock_ = nullptr;
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
    std::memset(inputBlock_, 0, bytes);
    std::memset(outputRing_, 0, bytes);
    std::memset(inputSpectrum_, 0, bytes);
    std::memset(resultBlock_, 0, bytes);
}

void BlockConvolver::blockEvent()
{
    engine_->forward(inputBlock_, inputSpectrum_);

    const int half = B_;
    double* X = inputSpectrum_;
    const double* H = irSpectrum_[bank_];
    convProductInPlace(X, H, half);

    engine_->inverse(X, resultBlock_);

    const double scale = 1.0 / static_cast<double>(N_);
    const int mask = N_ - 1;
    for (int i = 0; i < half; ++i)
        outputRing_[(readPos_ + i) & mask] += resultBlock_[i] * scale;
    for (int i = half; i < N_; ++i)
        outputRing_[(readPos_ + i) & mask] = 0.0 + resultBlock_[i] * scale;

    blockCount_ = 0;
}

double BlockConvolver::process(double x)
{
    if (readPos_ >= N_)
        readPos_ = 0;
    if (blockCount_ >= B_)
        blockEvent();
    inputBlock_[blockCount_++] = x;
    return outputRing_[readPos_++];
}

void BlockConvolver::processBlock(const double* in, double* out, int n)
{
    while (n > 0)
    {
        if (readPos_ >= N_)
            readPos_ = 0;
        if (blockCount_ >= B_)
            blockEvent();
        int m = B_ - blockCount_;
        if (m > n)
            m = n;
        std::memmove(inputBlock_ + blockCount_, in, sizeof(double) * static_cast<size_t>(m));
        std::memmove(out, outputRing_ + readPos_, sizeof(double) * static_cast<size_t>(m));
        blockCount_ += m;
        readPos_ += m;
        in += m;
        out += m;
        n -= m;
    }
}

