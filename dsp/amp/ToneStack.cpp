#include "dsp/amp/ToneStack.h"

#include "dsp/amp/ChannelMode.h"

void toneStackAnalog(ToneStackDesign& d)
{
    const double R4 = 47000.0, C1 = 4.7e-10, C2 = 1e-7, C3 = 2.2e-8;
    const double RT1 = d.RT1, RT2 = d.RT2, RB = d.RB, RM = d.RM;
    d.A0 = 1.0;
    d.B0 = 0.0;
    d.A1 = C1 * (RT1 + RT2 + RB + RM) + C2 * (R4 + RB + RM) + C3 * (R4 + RM);
    d.A2 = C1 * C2 * (RT1 * RB + RT1 * RM + RT1 * R4 + RM * R4 + RB * R4 + RT2 * RM + RT2 * RB + RT2 * R4)
         + C1 * C3 * (RB * RM + RT1 * RM + RT1 * R4 + RT2 * R4 + R4 * RM + R4 * RB + RT2 * RM)
         + C2 * C3 * (R4 * RB + RB * RM);
    d.A3 = C1 * C2 * C3 * RB * (R4 * RT1 + R4 * RM + RT2 * RM + RT2 * R4 + RT1 * RM);
    d.B1 = C1 * (RT1 + RB + RM) + C2 * (RB + RM) + C3 * RM;
    d.B2 = C1 * C2 * (RT1 * RB + RT1 * RM + RT1 * R4 + RM * R4 + RB * R4 + RT2 * RM + RT2 * RB)
         + C1 * C3 * (RB * RM + RT1 * RM + RT1 * R4 + R4 * RM + R4 * RB + RT2 * RM)
         + C2 * C3 * RB * RM;
    d.B3 = C1 * C2 * C3 * RB * (RT1 * RM + R4 * RT1 + R4 * RM + RT2 * RM);
}

ThirdOrderCoeffs bilinearThirdOrder(float sampleRate, double A0, double A1, double A2, double A3,
                                    double B0, double B1, double B2, double B3)
{
    const double c = static_cast<float>(2.0f * sampleRate);
    const double c2 = c * c;
    const double c3 = c2 * c;
    const double D = A0 + c * A1 + c2 * A2 + c3 * A3;
    ThirdOrderCoeffs k;
    k.a1 = (3.0 * A0 + c * A1 - c2 * A2 - 3.0 * c3 * A3) / D;
    k.a2 = (3.0 * A0 - c * A1 - c2 * A2 + 3.0 * c3 * A3) / D;
    k.a3 = (A0 - c * A1 + c2 * A2 - c3 * A3) / D;
    k.b0 = (B0 + c * B1 + c2 * B2 + c3 * B3) / D;
    k.b1 = (3.0 * B0 + c * B1 - c2 * B2 - 3.0 * c3 * B3) / D;
    k.b2 = (3.0 * B0 - c * B1 - c2 * B2 + 3.0 * c3 * B3) / D;
    k.b3 = (B0 - c * B1 + c2 * B2 - c3 * B3) / D;
    return k;
}

ToneStackDesign designToneStack(float sampleRate, float mode, float bassSquared, float mid, float treble)
{
    ToneStackDesign d{};
    d.RT2 = (1.0f - treble) * 220000.0f;
    d.RT1 = treble * 220000.0f;
    d.RB = bassSquared * 1000000.0f;
    d.RM = mid * 10000.0f;
    toneStackAnalog(d);
    d.coeffs.toneGain = classifyChannel(mode) == ChannelMode::Clean ? 1.5 : 1.5 * 0.7;
    d.coeffs.section = bilinearThirdOrder(sampleRate, d.A0, d.A1, d.A2, d.A3, d.B0, d.B1, d.B2, d.B3);
    return d;
}
