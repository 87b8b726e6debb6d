#include "dsp/amp/TriodeStage.h"

TriodeModel initTriodeModel(float plateSupplyFraction)
{
    TriodeModel m{};
    m.plateVoltage = static_cast<double>(plateSupplyFraction) * 350.0;
    m.kp = 746.0;
    m.mu = 100.2;
    m.kvb = 153.0;
    m.ex = 1.443;
    m.kg1 = 1694.3;
    m.epOverKp = m.plateVoltage / m.kp;
    m.invMu = 1.0 / m.mu;
    m.gridScale = std::sqrt(m.plateVoltage * m.plateVoltage + m.kvb);
    m.restCurrent = triodePlateCurrent(m, 0.5);
    return m;
}

TriodeStage::TriodeStage() : model(initTriodeModel(0.62f)) {}

double TriodeStage::process(double x, const AntiAliasCoeffs& k, int oversampleFactor)
{
    upsampleBuffer[0] = x;
    const double n = oversampleFactor;
    double y = 0.0;
    for (int i = oversampleFactor - 1; i >= 0; --i) {
        double v = n * upsampleBuffer[i];
        v = stepAntiAliasFilter(k, interp1, v);
        v = stepAntiAliasFilter(k, interp2, v);
        const double w = triodePolynomial(triodeShaper(model, v));
        y = stepAntiAliasFilter(k, decim1, w);
        y = stepAntiAliasFilter(k, decim2, y);
    }
    return y;
}

void TriodeStage::reset()
{
    interp1 = interp2 = decim1 = decim2 = AntiAliasHistory{};
    upsampleBuffer[0] = upsampleBuffer[1] = 0.0;
}
