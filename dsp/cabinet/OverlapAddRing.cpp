#include "dsp/cabinet/OverlapAddRing.h"


OverlapAddRing::OverlapAddRing(int blockLength)
    : B_(blockLength), N_(2 * blockLength), inputBlock_(static_cast<size_t>(N_)),
      resultBlock_(static_cast<size_t>(N_)), outputRing_(static_cast<size_t>(N_)), blockCount_(0), readPos_(0)
{
}

void OverlapAddRing::clear()
{
    inputBlock_.zero();
    resultBlock_.zero();
    outputRing_.zero();
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
