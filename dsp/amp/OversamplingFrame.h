#pragma once

#include "dsp/amp/AntiAliasFilter.h"

// The frame both tube stages run their shaper in: the stage input goes into
// slot 0 of the upsample buffer (slot 1 holds the inserted zero), each of the
// factor passes interpolates, shapes and decimates, and the last pass is kept.
// Thread contract: owned by the audio thread; the coefficients and the factor
// are passed in per call from the published set.
struct OversamplingFrame {
    AntiAliasHistory interp1, interp2;      // interpolation sections
    AntiAliasHistory decim1, decim2;        // decimation sections
    double upsampleBuffer[2] = {0.0, 0.0};  // [0] stage input, [1] the inserted zero

    // One base-rate sample at oversampleFactor 1 or 2; shape maps one
    // oversampled value to the stage's non-linear output.
    template <class Shape>
    double run(double x, const AntiAliasCoeffs& k, int oversampleFactor, Shape shape)
    {
        upsampleBuffer[0] = x;
        const double n = oversampleFactor;
        double y = 0.0;
        for (int i = oversampleFactor - 1; i >= 0; --i) {
            double v = n * upsampleBuffer[i];
            v = stepAntiAliasFilter(k, interp1, v);
            v = stepAntiAliasFilter(k, interp2, v);
            y = stepAntiAliasFilter(k, decim1, shape(v));
            y = stepAntiAliasFilter(k, decim2, y);
        }
        return y;
    }

    void reset()
    {
        interp1 = interp2 = decim1 = decim2 = AntiAliasHistory{};
        upsampleBuffer[0] = upsampleBuffer[1] = 0.0;
    }
};
