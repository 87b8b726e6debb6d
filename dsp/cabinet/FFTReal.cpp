#include "dsp/cabinet/FFTReal.h"

#include <fftw3.h>

#include <cstring>
#include <mutex>
#include <new>
#include <type_traits>

namespace ffft {

namespace {

// FFTW's planner (and the plan/wisdom tables behind it) is not thread-safe;
// hosts construct plug-in instances on several threads at once. FFTW is linked
// into the plug-in privately, so this mutex covers every planning call made in
// our copy of it.
// At namespace scope, made when the library is loaded: a function-local static
// would take the C++ runtime's once-lock at first use, which on Windows
// registers the calling thread with winpthreads and leaves its handles behind
// at every unload of the DLL. No FFT is planned during static initialisation.
std::mutex gPlannerMutex;

std::mutex& plannerMutex()
{
    return gPlannerMutex;
}

// Plans are made with FFTW_ESTIMATE: planning stays in the microsecond range
// while a host scans plug-ins, and the chosen algorithm (and so every rounding)
// is the same from run to run.
constexpr unsigned kPlanFlags = FFTW_ESTIMATE;

} // namespace

template <class DT>
FFTReal<DT>::FFTReal(long length)
    : length_(length), forwardPlan_(nullptr), inversePlan_(nullptr), timeBuf_(nullptr), freqBuf_(nullptr)
{
    static_assert(std::is_same<DT, double>::value, "FFTReal is provided for double only");
    if (length_ < 8)
        return; // closed formulas, no tables

    std::lock_guard<std::mutex> lock(plannerMutex());
    timeBuf_ = fftw_alloc_real(static_cast<size_t>(length_));
    fftw_complex* bins = fftw_alloc_complex(static_cast<size_t>(length_ / 2 + 1));
    freqBuf_ = reinterpret_cast<double*>(bins);
    if (timeBuf_ == nullptr || bins == nullptr) {
        fftw_free(timeBuf_);
        fftw_free(bins);
        throw std::bad_alloc();
    }
    const int n = static_cast<int>(length_);
    forwardPlan_ = fftw_plan_dft_r2c_1d(n, timeBuf_, bins, kPlanFlags);
    inversePlan_ = fftw_plan_dft_c2r_1d(n, bins, timeBuf_, kPlanFlags);
    if (forwardPlan_ == nullptr || inversePlan_ == nullptr) {
        if (forwardPlan_ != nullptr)
            fftw_destroy_plan(static_cast<fftw_plan>(forwardPlan_));
        if (inversePlan_ != nullptr)
            fftw_destroy_plan(static_cast<fftw_plan>(inversePlan_));
        fftw_free(timeBuf_);
        fftw_free(bins);
        throw std::bad_alloc();
    }
    std::memset(timeBuf_, 0, sizeof(double) * static_cast<size_t>(length_));
    std::memset(freqBuf_, 0, sizeof(double) * static_cast<size_t>(length_ + 2));
}

template <class DT>
FFTReal<DT>::~FFTReal()
{
    if (length_ < 8)
        return;
    std::lock_guard<std::mutex> lock(plannerMutex());
    fftw_destroy_plan(static_cast<fftw_plan>(forwardPlan_));
    fftw_destroy_plan(static_cast<fftw_plan>(inversePlan_));
    fftw_free(timeBuf_);
    fftw_free(freqBuf_);
}

template <class DT>
void FFTReal<DT>::forward(const DataType* x, DataType* f)
{
    const long n = length_;
    if (n == 1) {
        f[0] = x[0];
        return;
    }
    if (n == 2) {
        f[0] = x[0] + x[1];
        f[1] = x[0] - x[1];
        return;
    }
    if (n == 4) {
        f[0] = x[0] + x[1] + x[2] + x[3];
        f[1] = x[0] - x[2];
        f[2] = x[0] - x[1] + x[2] - x[3];
        f[3] = x[1] - x[3];
        return;
    }

    // New-array execution keeps the plan shared-nothing; the caller's array is
    // used in place when its alignment matches the planning buffer (r2c out of
    // place preserves its input).
    double* in = timeBuf_;
    if (fftw_alignment_of(const_cast<double*>(x)) == fftw_alignment_of(timeBuf_))
        in = const_cast<double*>(x);
    else
        std::memcpy(timeBuf_, x, sizeof(double) * static_cast<size_t>(n));
    fftw_complex* bins = reinterpret_cast<fftw_complex*>(freqBuf_);
    fftw_execute_dft_r2c(static_cast<fftw_plan>(forwardPlan_), in, bins);

    const long half = n / 2;
    const double* c = freqBuf_;
    f[0] = c[0];
    f[half] = c[2 * half];
    for (long k = 1; k < half; ++k) {
        f[k] = c[2 * k];
        f[half + k] = -c[2 * k + 1];
    }
}

template <class DT>
void FFTReal<DT>::inverse(const DataType* f, DataType* x)
{
    const long n = length_;
    if (n == 1) {
        x[0] = f[0];
        return;
    }
    if (n == 2) {
        x[0] = f[0] + f[1];
        x[1] = f[0] - f[1];
        return;
    }
    if (n == 4) {
        x[0] = f[0] + f[2] + 2.0 * f[1];
        x[1] = f[0] - f[2] + 2.0 * f[3];
        x[2] = f[0] + f[2] - 2.0 * f[1];
        x[3] = f[0] - f[2] - 2.0 * f[3];
        return;
    }

    const long half = n / 2;
    double* c = freqBuf_;
    c[0] = f[0];
    c[1] = 0.0;
    c[2 * half] = f[half];
    c[2 * half + 1] = 0.0;
    for (long k = 1; k < half; ++k) {
        c[2 * k] = f[k];
        c[2 * k + 1] = -f[half + k];
    }
    // c2r overwrites its input, which is our own bin buffer.
    fftw_complex* bins = reinterpret_cast<fftw_complex*>(freqBuf_);
    if (fftw_alignment_of(x) == fftw_alignment_of(timeBuf_)) {
        fftw_execute_dft_c2r(static_cast<fftw_plan>(inversePlan_), bins, x);
    } else {
        fftw_execute_dft_c2r(static_cast<fftw_plan>(inversePlan_), bins, timeBuf_);
        std::memcpy(x, timeBuf_, sizeof(double) * static_cast<size_t>(n));
    }
}

template <class DT>
void FFTReal<DT>::scaleInverse(DataType* x) const
{
    const double s = 1.0 / static_cast<double>(length_);
    for (long i = 0; i < length_; ++i)
        x[i] *= s;
}

template class FFTReal<double>;

} // namespace ffft
