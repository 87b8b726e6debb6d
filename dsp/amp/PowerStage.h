#pragma once

#include "dsp/amp/OversamplingFrame.h"

#include <cmath>

// Koren-style power pentode. Constants only, read-only after construction.
struct PentodeModel {
    double screenVoltage; // Eg2, also the plate voltage (volts)
    double kp;            // Koren kp
    double mu;            // amplification factor
    double ex;            // plate current exponent
    double kg1;           // Koren kg1
    double kvb;           // Koren kvb
    double eg2OverKp;     // Eg2 / kp
    double invMu;         // 1 / mu
    double plateFactor;   // atan(Ep / kvb), the plate-voltage knee at Ep = Eg2
    double restCurrent;   // Ip0, plate current at g = 0
};

inline double pentodePlateCurrent(const PentodeModel& m, double g)
{
    const double t = (g / m.screenVoltage + m.invMu) * m.kp;
    const double E = std::log(std::exp(t) + 1.0) * m.eg2OverKp;
    const double sgn = E >= 0.0 ? 1.0 : -1.0;
    return (std::pow(E, m.ex) / m.kg1) * (sgn + 1.0) * m.plateFactor;
}

// The constants of the pentode, derived fields in dependency order.
PentodeModel initPentodeModel();

// Normalised plate current, odd in v around a bias of 0; 0 maps to -0.0.
inline double pentodeShaper(const PentodeModel& m, double v)
{
    if (v >= 0.0) {
        const double g = -0.0 - v;
        return -((pentodePlateCurrent(m, g) - m.restCurrent) / m.restCurrent);
    }
    return (pentodePlateCurrent(m, v) - m.restCurrent) / m.restCurrent;
}

// Oversampled power stage: per-sample state of the plain path.
// Thread contract: owned by the audio thread; coefficients and factor are
// passed in per call from the published set.
class PowerStage : public OversamplingFrame {
public:
    PentodeModel model;                         // constants

    PowerStage();

    // One base-rate sample through the stage at oversampleFactor 1 or 2.
    double process(double x, const AntiAliasCoeffs& k, int oversampleFactor)
    {
        return run(x, k, oversampleFactor, [this](double v) { return pentodeShaper(model, v); });
    }
};
