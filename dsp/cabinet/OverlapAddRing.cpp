#include "dsp/cabinet/OverlapAddRing.h"

#include "dsp/cabinet/AlignedArray.h"

OverlapAddRing::OverlapAddRing(int blockLength)
    : B_(blockLength), N_(2 * blockLength), inputBlock_(nullptr), resultBlock_(nullptr), outputRing_(nullptr),
      blockCount_(0), readPos_(0)
{
    const size_t n = static_cast<size_t>(N_);
    try {
        inputBlock_ = allocAligned(n);
        resultBlock_ = allocAligned(n);
        outputRing_ = allocAligned(n);
    } catch (...) {
        freeAligned(inputBlock_);
        freeAligned(resultBlock_);
        throw;
    }
}

OverlapAddRing::~OverlapAddRing()
{
    freeAligned(inputBlock_);
    freeAligned(resultBlock_);
    freeAligned(outputRing_);
}

void OverlapAddRing::clear()
{
    const size_t bytes = sizeof(double) * static_cast<size_t>(N_);
    std::memset(inputBlock_, 0, bytes);
    std::memset(resultBlock_, 0, bytes);
    std::memset(outputRing_, 0, bytes);
}

void OverlapAddRing::finishEvent(double scale)
{
    // The first B samples add to what the ring holds; the last B land on the
    // positions read since the previous event, which count as zero. The 1/N
    // scaling is applied per sample as scaleInverse does. The input block is
    // not re-zeroed: its first B samples are all overwritten before the next
    // event and its last B are never written.
    const int mask = N_ - 1;
    for (int i = 0; i < B_; ++i) {
        const int p = (readPos_ + i) & mask;
        outputRing_[p] += resultBlock_[i] * scale;
    }
    for (int i = B_; i < N_; ++i) {
        const int p = (readPos_ + i) & mask;
        outputRing_[p] = 0.0 + resultBlock_[i] * scale;
    }
    blockCount_ = 0;
}
