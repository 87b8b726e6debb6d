#pragma once

// Two anti-aliasing sections in series (the input pair, the interpolation and
// decimation pairs of each shaper stage, the output pair) run side by side in
// the two lanes of one vector: lane "first" is the first section at frame a,
// lane "second" the second section two frames behind, at a - 2. The second
// section's input at a - 2 is the first section's output of two steps
// earlier, so the two lanes of a step do not depend on each other and the
// step costs about as much as one scalar section step. Each lane performs the
// exact operations of stepAntiAliasFilter in the same order (the vector
// instructions round every lane exactly as the scalar ones), so the results
// are identical bit for bit.
//
// Lanes X (inputs) and Y (outputs) are indexed by the first section's frame
// and hold six frames of history in front of index 0. A block of `end` frames
// takes steps a = 0 .. end + 1: the second lane of steps 0 and 1 recomputes
// frames of the previous block (its result is replaced by the stored
// history), the first lane of steps end and end + 1 works on a dummy input
// and is never stored.
//
// Audio-thread helper; no state of its own beyond the block.

#include "dsp/amp/AntiAliasFilter.h"

#if defined(__SSE2__) && !defined(ZORVAN_NO_SIMD)
#include <emmintrin.h>
#endif

struct alignas(16) AntiAliasPairSample {
    double first;  // first section
    double second; // second section, two frames behind
};

class AntiAliasPairRun {
public:
    // Loads the coefficients into both lanes and the two histories into the
    // lane fronts.
    void begin(const AntiAliasCoeffs& k, const AntiAliasHistory& first, const AntiAliasHistory& second,
               AntiAliasPairSample* X, AntiAliasPairSample* Y)
    {
        const double b[7] = {k.b0, k.b1, k.b2, k.b3, k.b4, k.b5, k.b6};
        const double c[7] = {0.0, k.c1, k.c2, k.c3, k.c4, k.c5, k.c6};
        for (int i = 0; i < 7; ++i) {
            b_[i] = {b[i], b[i]};
            c_[i] = {c[i], c[i]};
        }
        X_ = X;
        Y_ = Y;
        const double fx[6] = {first.x1, first.x2, first.x3, first.x4, first.x5, first.x6};
        const double fy[6] = {first.y1, first.y2, first.y3, first.y4, first.y5, first.y6};
        const double sx[6] = {second.x1, second.x2, second.x3, second.x4, second.x5, second.x6};
        const double sy[6] = {second.y1, second.y2, second.y3, second.y4, second.y5, second.y6};
        for (int i = 1; i <= 6; ++i) {
            X[-i].first = fx[i - 1];
            Y[-i].first = fy[i - 1];
            // Second lane at index -i holds frame -i - 2; the two oldest are
            // only read by the discarded recomputations of steps 0 and 1.
            X[-i].second = i <= 4 ? sx[i + 1] : 0.0;
            Y[-i].second = i <= 4 ? sy[i + 1] : 0.0;
        }
        held_[0] = second.y2;
        held_[1] = second.y1;
    }

    // Step a of the first section with input x (any finite value once a is
    // past the block).
    inline void step(int a, double x)
    {
        AntiAliasPairSample* const X = X_;
        AntiAliasPairSample* const Y = Y_;
#if defined(__SSE2__) && !defined(ZORVAN_NO_SIMD)
        const __m128d x0 = _mm_unpacklo_pd(_mm_set_sd(x), _mm_load_pd(&Y[a - 2].first));
        __m128d r = _mm_add_pd(_mm_mul_pd(ld(b_[1]), ld(X[a - 1])), _mm_mul_pd(ld(b_[0]), x0));
        r = _mm_add_pd(r, _mm_mul_pd(ld(b_[2]), ld(X[a - 2])));
        r = _mm_add_pd(r, _mm_mul_pd(ld(b_[3]), ld(X[a - 3])));
        r = _mm_add_pd(r, _mm_mul_pd(ld(b_[4]), ld(X[a - 4])));
        r = _mm_add_pd(r, _mm_mul_pd(ld(b_[5]), ld(X[a - 5])));
        r = _mm_add_pd(r, _mm_mul_pd(ld(b_[6]), ld(X[a - 6])));
        r = _mm_add_pd(r, _mm_mul_pd(ld(c_[1]), ld(Y[a - 1])));
        r = _mm_add_pd(r, _mm_mul_pd(ld(c_[2]), ld(Y[a - 2])));
        r = _mm_add_pd(r, _mm_mul_pd(ld(c_[3]), ld(Y[a - 3])));
        r = _mm_add_pd(r, _mm_mul_pd(ld(c_[4]), ld(Y[a - 4])));
        r = _mm_add_pd(r, _mm_mul_pd(ld(c_[5]), ld(Y[a - 5])));
        r = _mm_add_pd(r, _mm_mul_pd(ld(c_[6]), ld(Y[a - 6])));
        const __m128d guard = _mm_set1_pd(1e-20);
        r = _mm_sub_pd(_mm_add_pd(r, guard), guard);
        _mm_store_pd(&X[a].first, x0);
        _mm_store_pd(&Y[a].first, r);
#else
        X[a].first = x;
        X[a].second = Y[a - 2].first;
        Y[a].first = lane(X, Y, a, &AntiAliasPairSample::first);
        Y[a].second = lane(X, Y, a, &AntiAliasPairSample::second);
#endif
        if (a < 2) Y[a].second = held_[a];
    }

    // Output of the second section at its frame m (valid once step m + 2 ran).
    double second(int m) const { return Y_[m + 2].second; }

    // Writes both histories back after a block of `end` frames.
    void end(AntiAliasHistory& first, AntiAliasHistory& second, int end) const
    {
        const AntiAliasPairSample* X = X_;
        const AntiAliasPairSample* Y = Y_;
        first.x1 = X[end - 1].first; first.x2 = X[end - 2].first; first.x3 = X[end - 3].first;
        first.x4 = X[end - 4].first; first.x5 = X[end - 5].first; first.x6 = X[end - 6].first;
        first.y1 = Y[end - 1].first; first.y2 = Y[end - 2].first; first.y3 = Y[end - 3].first;
        first.y4 = Y[end - 4].first; first.y5 = Y[end - 5].first; first.y6 = Y[end - 6].first;
        second.x1 = X[end + 1].second; second.x2 = X[end].second; second.x3 = X[end - 1].second;
        second.x4 = X[end - 2].second; second.x5 = X[end - 3].second; second.x6 = X[end - 4].second;
        second.y1 = Y[end + 1].second; second.y2 = Y[end].second; second.y3 = Y[end - 1].second;
        second.y4 = Y[end - 2].second; second.y5 = Y[end - 3].second; second.y6 = Y[end - 4].second;
    }

private:
#if defined(__SSE2__) && !defined(ZORVAN_NO_SIMD)
    static __m128d ld(const AntiAliasPairSample& s) { return _mm_load_pd(&s.first); }
#else
    double lane(const AntiAliasPairSample* X, const AntiAliasPairSample* Y, int a,
                double AntiAliasPairSample::*m) const
    {
        double r = b_[1].*m * X[a - 1].*m + b_[0].*m * X[a].*m;
        for (int i = 2; i <= 6; ++i) r += b_[i].*m * X[a - i].*m;
        for (int i = 1; i <= 6; ++i) r += c_[i].*m * Y[a - i].*m;
        return (r + 1e-20) - 1e-20;
    }
#endif

    AntiAliasPairSample b_[7];    // feed-forward coefficients, both lanes
    AntiAliasPairSample c_[7];    // feedback coefficients (c_[0] unused), both lanes
    AntiAliasPairSample* X_ = nullptr;
    AntiAliasPairSample* Y_ = nullptr;
    double held_[2] = {0.0, 0.0}; // second section's y2, y1 at block start
};
