#pragma once

#include "dsp/amp/SecondOrderSection.h"

struct InterstageCoeffs {
    BiquadCoeffs section;    // runs on the tone stack output * toneGain
    double driveGain = 120.0; // drive into the power stage
};

struct InterstageDesign {
    double Ca, Cb, Ra, Rb; // coupling cap, stray cap (farads); grid and load resistors (ohms)
    double A0, A1, A2, B0, B1, B2;
    InterstageCoeffs coeffs;
};

// Coupling network between the tone stack and the power stage, a band-pass
// H(s) = Ca Ra s / (1 + (Ca Ra + Ca Rb + Cb Ra) s + Ca Rb Cb Ra s^2);
// RHYTHM uses the smaller coupling capacitor.
InterstageDesign designInterstageFilter(float sampleRate, float mode);

// Control-side object: copies and current design.
class InterstageFilter {
public:
    float sampleRate = 44100.0f; // Hz
    float mode = 0.0f;           // mode parameter value
    InterstageDesign design{};

    InterstageFilter() { updateInterstageFilter(); }
    void updateInterstageFilter() { design = designInterstageFilter(sampleRate, mode); }
    const InterstageCoeffs& coeffs() const { return design.coeffs; }
};
