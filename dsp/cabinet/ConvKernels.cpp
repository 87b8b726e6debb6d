#include "dsp/cabinet/ConvKernels.h"

#include <initializer_list>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZORVAN_X86 1
#endif

namespace {

constexpr int kParts = 7;

#if ZORVAN_X86
bool detectAvx()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
}
#else
bool detectAvx()
{
    return false;
}
#endif

// Per-bin work shared by every path, for the scalar tails.
inline void productsAndSumBin(const double* X, const double* const* H, double* const* W, const double* const* R,
                              double* S, int half, int b)
{
    const double xr = X[b];
    const double xi = X[half + b];
    for (int k = 0; k < kParts; ++k) {
        const double hr = H[k][b];
        const double hi = H[k][half + b];
        W[k][b] = xr * hr - xi * hi;
        W[k][half + b] = xr * hi + xi * hr;
    }
    double sr = 0.0;
    double si = 0.0;
    for (int t = 0; t < kParts; ++t) {
        sr = sr + R[t][b];
        si = si + R[t][half + b];
    }
    S[b] = sr;
    S[half + b] = si;
}

inline void realBins(const double* X, const double* const* H, double* const* W, const double* const* R, double* S,
                     int half)
{
    for (int e : {0, half}) {
        for (int k = 0; k < kParts; ++k)
            W[k][e] = X[e] * H[k][e];
        double s = 0.0;
        for (int t = 0; t < kParts; ++t)
            s = s + R[t][e];
        S[e] = s;
    }
}

void productsAndSumBaseline(const double* X, const double* const* H, double* const* W, const double* const* R,
                            double* S, int half)
{
    realBins(X, H, W, R, S, half);
    int b = 1;
#if defined(__SSE2__)
    for (; b + 2 <= half; b += 2) {
        const __m128d xr = _mm_loadu_pd(X + b);
        const __m128d xi = _mm_loadu_pd(X + half + b);
        for (int k = 0; k < kParts; ++k) {
            const __m128d hr = _mm_loadu_pd(H[k] + b);
            const __m128d hi = _mm_loadu_pd(H[k] + half + b);
            _mm_storeu_pd(W[k] + b, _mm_sub_pd(_mm_mul_pd(xr, hr), _mm_mul_pd(xi, hi)));
            _mm_storeu_pd(W[k] + half + b, _mm_add_pd(_mm_mul_pd(xr, hi), _mm_mul_pd(xi, hr)));
        }
        __m128d sr = _mm_setzero_pd();
        __m128d si = _mm_setzero_pd();
        for (int t = 0; t < kParts; ++t) {
            sr = _mm_add_pd(sr, _mm_loadu_pd(R[t] + b));
            si = _mm_add_pd(si, _mm_loadu_pd(R[t] + half + b));
        }
        _mm_storeu_pd(S + b, sr);
        _mm_storeu_pd(S + half + b, si);
    }
#endif
    for (; b < half; ++b)
        productsAndSumBin(X, H, W, R, S, half, b);
}

void productInPlaceBaseline(double* X, const double* H, int half)
{
    X[0] = X[0] * H[0];
    X[half] = X[half] * H[half];
    int b = 1;
#if defined(__SSE2__)
    for (; b + 2 <= half; b += 2) {
        const __m128d xr = _mm_loadu_pd(X + b);
        const __m128d xi = _mm_loadu_pd(X + half + b);
        const __m128d hr = _mm_loadu_pd(H + b);
        const __m128d hi = _mm_loadu_pd(H + half + b);
        _mm_storeu_pd(X + b, _mm_sub_pd(_mm_mul_pd(xr, hr), _mm_mul_pd(xi, hi)));
        _mm_storeu_pd(X + half + b, _mm_add_pd(_mm_mul_pd(xr, hi), _mm_mul_pd(xi, hr)));
    }
#endif
    for (; b < half; ++b) {
        const double xr = X[b];
        const double xi = X[half + b];
        X[b] = xr * H[b] - xi * H[half + b];
        X[half + b] = xr * H[half + b] + xi * H[b];
    }
}

void directRunBaseline(const double* taps, const double* first, int quarter, const double* a, const double* b,
                       double* out, int m)
{
    int i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= m; i += 4) {
        __m128d lo[4], hi[4];
        for (int l = 0; l < 4; ++l)
            lo[l] = hi[l] = _mm_setzero_pd();
        for (int jj = 0; jj < quarter; ++jj) {
            for (int l = 0; l < 4; ++l) {
                const int j = l * quarter + jj;
                const __m128d h = _mm_set1_pd(taps[j]);
                lo[l] = _mm_add_pd(lo[l], _mm_mul_pd(h, _mm_loadu_pd(first + i - j)));
                hi[l] = _mm_add_pd(hi[l], _mm_mul_pd(h, _mm_loadu_pd(first + i + 2 - j)));
            }
        }
        const __m128d abLo = _mm_add_pd(_mm_loadu_pd(a + i), _mm_loadu_pd(b + i));
        const __m128d abHi = _mm_add_pd(_mm_loadu_pd(a + i + 2), _mm_loadu_pd(b + i + 2));
        _mm_storeu_pd(out + i, _mm_add_pd(_mm_add_pd(_mm_add_pd(_mm_add_pd(lo[0], abLo), lo[1]), lo[2]), lo[3]));
        _mm_storeu_pd(out + i + 2, _mm_add_pd(_mm_add_pd(_mm_add_pd(_mm_add_pd(hi[0], abHi), hi[1]), hi[2]), hi[3]));
    }
#endif
    for (; i < m; ++i)
        out[i] = convDirectSum(taps, first + i, quarter, a[i] + b[i]);
}

#if ZORVAN_X86
__attribute__((target("avx"))) void productsAndSumAvx(const double* X, const double* const* H, double* const* W,
                                                      const double* const* R, double* S, int half)
{
    realBins(X, H, W, R, S, half);
    const double* h[kParts];
    double* w[kParts];
    const double* r[kParts];
    for (int k = 0; k < kParts; ++k) {
        h[k] = H[k];
        w[k] = W[k];
        r[k] = R[k];
    }
    int b = 1;
    // Two groups of four bins per pass, so that two sum chains overlap.
    for (; b + 8 <= half; b += 8) {
        const __m256d xr0 = _mm256_loadu_pd(X + b);
        const __m256d xi0 = _mm256_loadu_pd(X + half + b);
        const __m256d xr1 = _mm256_loadu_pd(X + b + 4);
        const __m256d xi1 = _mm256_loadu_pd(X + half + b + 4);
#pragma GCC unroll 7
        for (int k = 0; k < kParts; ++k) {
            const __m256d hr0 = _mm256_loadu_pd(h[k] + b);
            const __m256d hi0 = _mm256_loadu_pd(h[k] + half + b);
            const __m256d hr1 = _mm256_loadu_pd(h[k] + b + 4);
            const __m256d hi1 = _mm256_loadu_pd(h[k] + half + b + 4);
            _mm256_storeu_pd(w[k] + b, _mm256_sub_pd(_mm256_mul_pd(xr0, hr0), _mm256_mul_pd(xi0, hi0)));
            _mm256_storeu_pd(w[k] + half + b, _mm256_add_pd(_mm256_mul_pd(xr0, hi0), _mm256_mul_pd(xi0, hr0)));
            _mm256_storeu_pd(w[k] + b + 4, _mm256_sub_pd(_mm256_mul_pd(xr1, hr1), _mm256_mul_pd(xi1, hi1)));
            _mm256_storeu_pd(w[k] + half + b + 4, _mm256_add_pd(_mm256_mul_pd(xr1, hi1), _mm256_mul_pd(xi1, hr1)));
        }
        __m256d sr0 = _mm256_setzero_pd(), si0 = _mm256_setzero_pd();
        __m256d sr1 = _mm256_setzero_pd(), si1 = _mm256_setzero_pd();
#pragma GCC unroll 7
        for (int t = 0; t < kParts; ++t) {
            sr0 = _mm256_add_pd(sr0, _mm256_loadu_pd(r[t] + b));
            si0 = _mm256_add_pd(si0, _mm256_loadu_pd(r[t] + half + b));
            sr1 = _mm256_add_pd(sr1, _mm256_loadu_pd(r[t] + b + 4));
            si1 = _mm256_add_pd(si1, _mm256_loadu_pd(r[t] + half + b + 4));
        }
        _mm256_storeu_pd(S + b, sr0);
        _mm256_storeu_pd(S + half + b, si0);
        _mm256_storeu_pd(S + b + 4, sr1);
        _mm256_storeu_pd(S + half + b + 4, si1);
    }
    for (; b + 4 <= half; b += 4) {
        const __m256d xr = _mm256_loadu_pd(X + b);
        const __m256d xi = _mm256_loadu_pd(X + half + b);
#pragma GCC unroll 7
        for (int k = 0; k < kParts; ++k) {
            const __m256d hr = _mm256_loadu_pd(h[k] + b);
            const __m256d hi = _mm256_loadu_pd(h[k] + half + b);
            _mm256_storeu_pd(w[k] + b, _mm256_sub_pd(_mm256_mul_pd(xr, hr), _mm256_mul_pd(xi, hi)));
            _mm256_storeu_pd(w[k] + half + b, _mm256_add_pd(_mm256_mul_pd(xr, hi), _mm256_mul_pd(xi, hr)));
        }
        __m256d sr = _mm256_setzero_pd(), si = _mm256_setzero_pd();
#pragma GCC unroll 7
        for (int t = 0; t < kParts; ++t) {
            sr = _mm256_add_pd(sr, _mm256_loadu_pd(r[t] + b));
            si = _mm256_add_pd(si, _mm256_loadu_pd(r[t] + half + b));
        }
        _mm256_storeu_pd(S + b, sr);
        _mm256_storeu_pd(S + half + b, si);
    }
    for (; b < half; ++b)
        productsAndSumBin(X, H, W, R, S, half, b);
}

__attribute__((target("avx"))) void productInPlaceAvx(double* X, const double* H, int half)
{
    X[0] = X[0] * H[0];
    X[half] = X[half] * H[half];
    int b = 1;
    for (; b + 4 <= half; b += 4) {
        const __m256d xr = _mm256_loadu_pd(X + b);
        const __m256d xi = _mm256_loadu_pd(X + half + b);
        const __m256d hr = _mm256_loadu_pd(H + b);
        const __m256d hi = _mm256_loadu_pd(H + half + b);
        _mm256_storeu_pd(X + b, _mm256_sub_pd(_mm256_mul_pd(xr, hr), _mm256_mul_pd(xi, hi)));
        _mm256_storeu_pd(X + half + b, _mm256_add_pd(_mm256_mul_pd(xr, hi), _mm256_mul_pd(xi, hr)));
    }
    for (; b < half; ++b) {
        const double xr = X[b];
        const double xi = X[half + b];
        X[b] = xr * H[b] - xi * H[half + b];
        X[half + b] = xr * H[half + b] + xi * H[b];
    }
}

// Four outputs per vector, eight per pass. With the quarter known at compile
// time the tap loop unrolls, and the load for outputs i+4.. at tap j (the
// same address as outputs i.. at tap j-4) is shared by the compiler.
template <int Q>
__attribute__((target("avx"))) void directRunAvxQ(const double* taps, const double* first, const double* a,
                                                  const double* b, double* out, int m, int& done)
{
    int i = 0;
    for (; i + 8 <= m; i += 8) {
        __m256d lo[4], hi[4];
        for (int l = 0; l < 4; ++l)
            lo[l] = hi[l] = _mm256_setzero_pd();
#pragma GCC unroll 32
        for (int jj = 0; jj < Q; ++jj) {
            for (int l = 0; l < 4; ++l) {
                const int j = l * Q + jj;
                const __m256d h = _mm256_broadcast_sd(taps + j);
                lo[l] = _mm256_add_pd(lo[l], _mm256_mul_pd(h, _mm256_loadu_pd(first + i - j)));
                hi[l] = _mm256_add_pd(hi[l], _mm256_mul_pd(h, _mm256_loadu_pd(first + i + 4 - j)));
            }
        }
        const __m256d abLo = _mm256_add_pd(_mm256_loadu_pd(a + i), _mm256_loadu_pd(b + i));
        const __m256d abHi = _mm256_add_pd(_mm256_loadu_pd(a + i + 4), _mm256_loadu_pd(b + i + 4));
        _mm256_storeu_pd(out + i,
                         _mm256_add_pd(_mm256_add_pd(_mm256_add_pd(_mm256_add_pd(lo[0], abLo), lo[1]), lo[2]), lo[3]));
        _mm256_storeu_pd(out + i + 4,
                         _mm256_add_pd(_mm256_add_pd(_mm256_add_pd(_mm256_add_pd(hi[0], abHi), hi[1]), hi[2]), hi[3]));
    }
    done = i;
}

__attribute__((target("avx"))) void directRunAvx(const double* taps, const double* first, int quarter, const double* a,
                                                 const double* b, double* out, int m)
{
    int i = 0;
    if (quarter == 16)
        directRunAvxQ<16>(taps, first, a, b, out, m, i);
    else if (quarter == 32)
        directRunAvxQ<32>(taps, first, a, b, out, m, i);
    if (i < m)
        directRunBaseline(taps, first + i, quarter, a + i, b + i, out + i, m - i);
}
#endif

// Decided once, when the library is loaded: a function-local static would
// take the C++ runtime's once-lock at first use, which on Windows registers
// the calling thread with winpthreads and leaves its handles behind at every
// unload of the DLL.
bool gUseAvx = detectAvx();

} // namespace

bool& convKernelsUseAvx()
{
    return gUseAvx;
}

void convProductsAndSum(const double* X, const double* const* H, double* const* W, const double* const* R, double* S,
                        int half)
{
#if ZORVAN_X86
    if (convKernelsUseAvx()) {
        productsAndSumAvx(X, H, W, R, S, half);
        return;
    }
#endif
    productsAndSumBaseline(X, H, W, R, S, half);
}

void convProductInPlace(double* X, const double* H, int half)
{
#if ZORVAN_X86
    if (convKernelsUseAvx()) {
        productInPlaceAvx(X, H, half);
        return;
    }
#endif
    productInPlaceBaseline(X, H, half);
}

double convDirectSum(const double* taps, const double* newest, int quarter, double ab)
{
    double p0 = 0.0, p1 = 0.0, p2 = 0.0, p3 = 0.0;
    const double* h1 = taps + quarter;
    const double* h2 = taps + 2 * quarter;
    const double* h3 = taps + 3 * quarter;
    const double* x1 = newest - quarter;
    const double* x2 = newest - 2 * quarter;
    const double* x3 = newest - 3 * quarter;
    for (int j = 0; j < quarter; ++j) {
        p0 = p0 + taps[j] * newest[-j];
        p1 = p1 + h1[j] * x1[-j];
        p2 = p2 + h2[j] * x2[-j];
        p3 = p3 + h3[j] * x3[-j];
    }
    return (((p0 + ab) + p1) + p2) + p3;
}

void convDirectRun(const double* taps, const double* first, int quarter, const double* a, const double* b, double* out,
                   int m)
{
#if ZORVAN_X86
    if (convKernelsUseAvx()) {
        directRunAvx(taps, first, quarter, a, b, out, m);
        return;
    }
#endif
    directRunBaseline(taps, first, quarter, a, b, out, m);
}
