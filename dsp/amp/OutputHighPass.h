#pragma once

#include "dsp/amp/SecondOrderSection.h"

// Fixed 80 Hz high-pass at the end of the amplifier, two coincident poles:
// H(s) = s^2 / (s^2 + 2 w s + w^2), w = 2 pi 80, bilinear transform without
// pre-warping. Depends on the sample rate only.
BiquadCoeffs designOutputHighPass(float sampleRate);

// Control-side object: rate copy and current set.
class OutputHighPass {
public:
    float sampleRate = 44100.0f; // Hz
    BiquadCoeffs coeffs;

    OutputHighPass() { update(); }
    void update() { coeffs = designOutputHighPass(sampleRate); }
};
