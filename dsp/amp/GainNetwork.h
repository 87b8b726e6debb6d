#pragma once

#include "dsp/amp/SecondOrderSection.h"

// Everything the chain needs from the gain network: the section and the gains
// on either side of it.
struct GainNetworkCoeffs {
    BiquadCoeffs section;  // runs on x * preGain
    double preGain = 5.0;  // channel drive into the network
    double postGain = 1.0; // channel make-up after it
};

// Component values and s-domain polynomial of one design, kept for tests and
// inspection.
struct GainNetworkDesign {
    double Ru, Rl, R1;     // gain pot upper and lower part, grid resistor (ohms)
    double C1, C2, C3;     // coupling and bright capacitors (farads)
    double A0, A1, A2;     // s-domain denominator
    double B0, B1, B2;     // s-domain numerator
    GainNetworkCoeffs coeffs;
};

// Gain pot with its bright capacitors between two fixed gains:
// H(s) = (B1 s + B2 s^2) / (1 + A1 s + A2 s^2), the pot split into Ru (wiper
// to input) and Rl (wiper to ground) after the channel's pot law, loaded by
// R1. LEAD drops the bright capacitors.
GainNetworkDesign designGainNetwork(float sampleRate, float mode, float gain);

// The section's own copies of what it depends on, and its current design.
// Control-side object: written only under the amplifier model's writer lock.
class GainNetwork {
public:
    float sampleRate = 44100.0f; // Hz, copied in by the rate update
    float mode = 0.0f;           // mode parameter value
    float gain = 0.5f;           // gain parameter value
    GainNetworkDesign design{};  // result of the last update

    GainNetwork() { updateGainNetwork(); }
    void updateGainNetwork() { design = designGainNetwork(sampleRate, mode, gain); }
    const GainNetworkCoeffs& coeffs() const { return design.coeffs; }
};
