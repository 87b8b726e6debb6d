#include "dsp/amp/PresenceFilter.h"

#include "dsp/amp/ChannelMode.h"

#include <cmath>

PresenceDesign designPresenceFilter(float sampleRate, float mode, float presence, float master)
{
    PresenceDesign d{};
    const float p = std::sqrt(presence); // float overload: sqrtf
    d.Rp1 = p * 25000.0f;
    d.Rp2 = (1.0f - p) * 25000.0f;
    d.R1 = 68000.0;
    d.R2 = 4700.0;
    d.C1 = 1e-8;
    d.C2 = 1e-7;
    const double Rp1 = d.Rp1, Rp2 = d.Rp2, R1 = d.R1, R2 = d.R2, C1 = d.C1, C2 = d.C2;
    d.A0 = 1.0;
    d.B0 = 0.0;
    d.A1 = Rp2 * C1 + C1 * R1 + Rp2 * C2 + Rp1 * C2 + R2 * C2;
    d.A2 = C1 * C2 * R1 * (Rp2 + Rp1 + R2) + C1 * C2 * Rp2 * (Rp1 + R2);
    d.B1 = (Rp2 + Rp1 + R2) * C2;
    d.B2 = (R2 * C1 * R1 + Rp1 * C1 * R1 + Rp2 * C1 * Rp1 + Rp2 * C1 * R2) * C2;
    d.coeffs.section = bilinearSecondOrder(sampleRate, d.A0, d.A1, d.A2, d.B0, d.B1, d.B2);
    const float factor = classifyChannel(mode) == ChannelMode::Lead ? 2.0f : 4.0f;
    d.coeffs.outputGain = master * factor;
    return d;
}
