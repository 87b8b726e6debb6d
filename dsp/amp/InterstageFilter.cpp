#include "dsp/amp/InterstageFilter.h"

#include "dsp/amp/ChannelMode.h"

InterstageDesign designInterstageFilter(float sampleRate, float mode)
{
    InterstageDesign d{};
    switch (classifyChannel(mode)) {
    case ChannelMode::Clean:
        d.coeffs.driveGain = 120.0;
        d.Ca = 3.3e-9;
        break;
    case ChannelMode::Rhythm:
        d.coeffs.driveGain = 50.0;
        d.Ca = 4.7e-10;
        break;
    case ChannelMode::Lead:
        d.coeffs.driveGain = 100.0;
        d.Ca = 3.3e-9;
        break;
    }
    d.Cb = 7.55e-12;
    d.Ra = 1000000.0;
    d.Rb = 2200000.0;
    const double Ca = d.Ca, Cb = d.Cb, Ra = d.Ra, Rb = d.Rb;
    d.A0 = 1.0;
    d.A1 = Ca * Ra + Ca * Rb + Cb * Ra;
    d.A2 = Ca * Rb * Cb * Ra;
    d.B0 = 0.0;
    d.B1 = Ca * Ra;
    d.B2 = 0.0;
    d.coeffs.section = bilinearSecondOrder(sampleRate, d.A0, d.A1, d.A2, d.B0, d.B1, d.B2);
    return d;
}
