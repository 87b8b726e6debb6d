#include "dsp/amp/SecondOrderSection.h"

BiquadCoeffs bilinearSecondOrder(float sampleRate, double A0, double A1, double A2,
                                 double B0, double B1, double B2)
{
    const double c = static_cast<float>(2.0f * sampleRate);
    const double c2 = c * c;
    const double D = A0 + c * A1 + c2 * A2;
    BiquadCoeffs k;
    k.a1 = (2.0 * A0 - 2.0 * A2 * c2) / D;
    k.a2 = (A0 - c * A1 + c2 * A2) / D;
    k.b0 = (B0 + c * B1 + c2 * B2) / D;
    k.b1 = (2.0 * B0 - 2.0 * B2 * c2) / D;
    k.b2 = (B0 - c * B1 + c2 * B2) / D;
    return k;
}
