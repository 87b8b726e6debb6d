#pragma once

#include "dsp/cabinet/AlignedBuffer.h"

#include <cstdint>
#include <cstring>

// The time-domain side of an FFT stage with block length B and transform
// length N = 2B: the block of input being collected (zero-padded to N), the
// inverse transform of the stage's sum, and the overlap-add ring read one
// sample per call. blockCount and readPos start together and advance together,
// so every block event falls on a call with readPos equal to 0 or B.
//
// Thread contract: audio thread only, like the stage that owns it. It
// allocates in its constructor and nowhere else.
class OverlapAddRing
{
public:
    explicit OverlapAddRing(int blockLength);

    // The completed block (N samples, the last B zero), for the forward transform.
    const double* block() const { return inputBlock_; }
    // Where the event's inverse transform goes (N samples).
    double* result() { return resultBlock_; }
    // Ends a block event: overlap-adds result x scale into the ring from readPos
    // and starts collecting a new block.
    void finishEvent(double scale);
    // Zeroes block, result and ring; the counters keep running.
    void clear();
    // Calls left before the next block event (0: it fires at the next call).
    int samplesToEvent() const { return B_ - blockCount_; }

    // One sample in, one out; event() runs the stage's block event when due.
    template <class Event>
    double process(double x, Event&& event)
    {
        if (readPos_ >= N_)
            readPos_ = 0;
        if (blockCount_ >= B_)
            event();
        inputBlock_[blockCount_++] = x;
        return outputRing_[readPos_++];
    }

    // Same results as n calls of process(); in and out may alias.
    template <class Event>
    void processBlock(const double* in, double* out, int n, Event&& event)
    {
        while (n > 0) {
            if (readPos_ >= N_)
                readPos_ = 0;
            if (blockCount_ >= B_)
                event();
            // readPos is blockCount or blockCount + B, so neither wraps nor fires inside this run.
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

private:
    const int32_t B_;      // block length
    const int32_t N_;      // transform length, 2B
    AlignedBuffer inputBlock_;   // N: block being collected, zero-padded
    AlignedBuffer resultBlock_;  // N: inverse transform of the event's spectrum
    AlignedBuffer outputRing_;   // N: overlap-add ring, one sample read per call
    int32_t blockCount_;   // samples now in inputBlock, 0..B
    int32_t readPos_;      // read position in outputRing, 0..N
};
