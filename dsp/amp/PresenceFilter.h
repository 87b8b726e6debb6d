#pragma once

#include "dsp/amp/SecondOrderSection.h"

struct PresenceCoeffs {
    BiquadCoeffs section;   // runs on the power stage output
    double outputGain = 2.0; // master volume, applied before the output high-pass
};

struct PresenceDesign {
    double Rp1, Rp2;       // presence pot parts (ohms)
    double R1, R2, C1, C2; // feedback network
    double A0, A1, A2, B0, B1, B2;
    PresenceCoeffs coeffs;
};

// Presence control in the power amplifier's feedback loop, modelled as the
// shelf H(s) = (B1 s + B2 s^2) / (1 + A1 s + A2 s^2); the pot follows the
// square root of the knob. The master sets outputGain (halved in LEAD).
PresenceDesign designPresenceFilter(float sampleRate, float mode, float presence, float master);

// Control-side object: copies and current design.
class PresenceFilter {
public:
    float sampleRate = 44100.0f; // Hz
    float mode = 0.0f;           // mode parameter value
    float presence = 0.5f;       // presence parameter value
    float master = 0.5f;         // master parameter value
    PresenceDesign design{};

    PresenceFilter() { updatePresenceFilter(); }
    void updatePresenceFilter() { design = designPresenceFilter(sampleRate, mode, presence, master); }
    const PresenceCoeffs& coeffs() const { return design.coeffs; }
};
