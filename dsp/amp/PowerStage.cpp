#include "dsp/amp/PowerStage.h"

PentodeModel makePentodeModel()
{
    PentodeModel m{};
    m.screenVoltage = 260.0;
    m.kp = 48.0;
    m.mu = 8.7;
    m.ex = 1.35;
    m.kg1 = 1460.0;
    m.kvb = 12.0;
    m.eg2OverKp = m.screenVoltage / m.kp;
    m.invMu = 1.0 / m.mu;
    m.plateFactor = std::atan(m.screenVoltage / m.kvb);
    m.restCurrent = pentodePlateCurrent(m, 0.0);
    return m;
}

PowerStage::PowerStage() : model(makePentodeModel()) {}

double PowerStage::process(double x, const AntiAliasCoeffs& k, int oversampleFactor)
{
    upsampleBuffer[0] = x;
    const double n = oversampleFactor;
    double y = 0.0;
    for (int i = oversampleFactor - 1; i >= 0; --i) {
        double v = n * upsampleBuffer[i];
        v = stepAntiAliasFilter(k, interp1, v);
        v = stepAntiAliasFilter(k, interp2, v);
        const double s = pentodeShaper(model, v);
        y = stepAntiAliasFilter(k, decim1, s);
        y = stepAntiAliasFilter(k, decim2, y);
    }
    return y;
}

void PowerStage::reset()
{
    interp1 = interp2 = decim1 = decim2 = AntiAliasHistory{};
    upsampleBuffer[0] = upsampleBuffer[1] = 0.0;
}
