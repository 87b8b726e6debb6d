#pragma once

#include "dsp/amp/OversamplingFrame.h"
#include "dsp/amp/TubeMath.h"

#include <cmath>

// Koren-style preamplifier triode. Written once at construction, read-only
// afterwards, so any thread may read it.
struct TriodeModel {
    double plateVoltage; // Ep, plate supply (volts)
    double kp;           // Koren kp
    double mu;           // amplification factor
    double kvb;          // Koren kvb
    double ex;           // plate current exponent
    double kg1;          // Koren kg1
    double epOverKp;     // Ep / kp
    double invMu;        // 1 / mu
    double gridScale;    // sqrt(Ep^2 + kvb)
    double restCurrent;  // Ip0, plate current at the bias point
};

// Plate current of the triode model at grid value g (library exp, log, pow).
inline double triodePlateCurrent(const TriodeModel& m, double g)
{
    const double t = (g / m.gridScale + m.invMu) * m.kp;
    const double E = tubeLog(tubeExp(t) + 1.0) * m.epOverKp;
    const double sgn = E >= 0.0 ? 1.0 : -1.0;
    return (tubePow(E, m.ex) / m.kg1) * (sgn + 1.0);
}

// Sets Ep = fraction * 350 (the fraction is widened first), the Koren
// constants and then the derived fields in dependency order.
TriodeModel initTriodeModel(float plateSupplyFraction);

// Normalised plate current around a bias of 0.5, odd in v; 0 maps to -0.0.
// Each branch only feeds a non-positive offset from the bias, so exp never
// overflows; a NaN fails v >= 0 and stays NaN.
inline double triodeShaper(const TriodeModel& m, double v)
{
    if (v >= 0.0) {
        const double g = (-0.0 - v) + 0.5;
        return -((triodePlateCurrent(m, g) - m.restCurrent) / m.restCurrent);
    }
    const double g = v + 0.5;
    return (triodePlateCurrent(m, g) - m.restCurrent) / m.restCurrent;
}

// Fixed cubic after the triode: the asymmetric clipping of the stage.
inline double triodePolynomial(double s)
{
    return ((s * 0.445770802765903 - 0.262760944760536) * s - 1.08150605597883) * s;
}

// Oversampled triode stage: per-sample state of the plain path.
// Thread contract: owned by the audio thread; the coefficients and the factor
// are passed in per call from the published set.
class TriodeStage : public OversamplingFrame {
public:
    TriodeModel model; // constants, 0.62 plate supply

    TriodeStage();

    // One base-rate sample through the stage at oversampleFactor 1 or 2.
    double process(double x, const AntiAliasCoeffs& k, int oversampleFactor)
    {
        return run(x, k, oversampleFactor, [this](double v) { return triodePolynomial(triodeShaper(model, v)); });
    }
};
