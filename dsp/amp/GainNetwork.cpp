#include "dsp/amp/GainNetwork.h"

#include "dsp/amp/ChannelMode.h"

GainNetworkDesign designGainNetwork(float sampleRate, float mode, float gain)
{
    GainNetworkDesign d{};
    float law = gain; // pot law g'
    d.C2 = 2.2e-10;
    d.C3 = 1.51e-10;
    switch (classifyChannel(mode)) {
    case ChannelMode::Clean:
        d.coeffs.preGain = 5.0;
        d.coeffs.postGain = 1.0;
        break;
    case ChannelMode::Rhythm:
        d.coeffs.preGain = 100.0;
        d.coeffs.postGain = 10.0;
        law = gain * gain * gain;
        break;
    case ChannelMode::Lead:
        d.coeffs.preGain = 200.0;
        d.coeffs.postGain = 30.0;
        law = gain * gain * gain;
        d.C2 = 0.0;
        d.C3 = 0.0;
        break;
    }
    d.Rl = (1.0f - law) * 1000000.0f;
    d.Ru = law * 1000000.0f;
    d.R1 = 1000000.0;
    d.C1 = 4.7e-10;

    const double Ru = d.Ru, Rl = d.Rl, R1 = d.R1, C1 = d.C1, C2 = d.C2, C3 = d.C3;
    const double S = Ru + R1;
    d.A0 = 1.0;
    d.B0 = 0.0;
    d.A1 = (Ru * Rl * C1 + Rl * R1 * C1 + Ru * R1 * C1 + Ru * Rl * C2 + Rl * R1 * C2 + Ru * R1 * C3) / S;
    d.A2 = Ru * Rl * R1 * (C1 * C3 + C1 * C2 + C2 * C3) / S;
    d.B1 = Ru * R1 * C1 / S;
    d.B2 = Rl * Ru * R1 * C1 * C2 / S;
    d.coeffs.section = bilinearSecondOrder(sampleRate, d.A0, d.A1, d.A2, d.B0, d.B1, d.B2);
    return d;
}
