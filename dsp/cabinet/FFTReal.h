#pragma once

// Real FFT engine of the cabinet convolvers.
//
// Thread contract: one engine serves one transform length, fixed at
// construction, and owns its working buffers, so one engine must not run two
// transforms at once; distinct engines may run on different threads at the
// same time. Construction and destruction may happen on any thread (the
// planner behind them is serialised process-wide); forward, inverse and
// scaleInverse allocate nothing and never lock.
//
// Packed spectrum of N doubles for a real block x[0..N-1]:
//   F[0]         = Re X_0
//   F[k]         = Re X_k       k = 1 .. N/2-1
//   F[N/2]       = Re X_(N/2)
//   F[N/2 + k]   = -Im X_k      k = 1 .. N/2-1
// inverse() is unscaled (inverse(forward(x)) = N x); scaleInverse() applies 1/N.

namespace ffft {

template <class DT>
class FFTReal
{
public:
    typedef DT DataType;

    explicit FFTReal(long length);
    virtual ~FFTReal();

    FFTReal(const FFTReal&) = delete;
    FFTReal& operator=(const FFTReal&) = delete;

    long get_length() const { return length_; }

    // x: N time samples (unchanged); f: packed spectrum. x and f are distinct.
    void forward(const DataType* x, DataType* f);
    // f: packed spectrum (unchanged); x: N time samples, unscaled.
    void inverse(const DataType* f, DataType* x);
    // Multiplies the N samples of x by 1/N.
    void scaleInverse(DataType* x) const;

private:
    long length_;        // transform length N, a power of two
    void* forwardPlan_;  // r2c plan (N >= 8), null for the closed-form lengths
    void* inversePlan_;  // c2r plan (N >= 8)
    DataType* timeBuf_;  // aligned N reals: transform input/output
    DataType* freqBuf_;  // aligned N/2+1 interleaved complex bins
};

extern template class FFTReal<double>;

} // namespace ffft
