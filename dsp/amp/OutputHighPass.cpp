#include "dsp/amp/OutputHighPass.h"

BiquadCoeffs designOutputHighPass(float sampleRate)
{
    // 2w, w^2 and 2w^2 for w = 2 pi 80 rad/s.
    const double twoW = 1005.3096491487338;
    const double wSquared = 252661.87266788757;
    const double twoWSquared = 505323.74533577514;
    const double c = static_cast<float>(2.0f * sampleRate);
    const double c2 = c * c;
    const double D = c * twoW + wSquared + c2;
    BiquadCoeffs k;
    k.a1 = (twoWSquared - 2.0 * c2) / D;
    k.a2 = (wSquared - c * twoW + c2) / D;
    k.b0 = c2 / D;
    k.b1 = -2.0 * c2 / D;
    k.b2 = c2 / D;
    return k;
}
