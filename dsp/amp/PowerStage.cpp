#include "dsp/amp/PowerStage.h"

PentodeModel initPentodeModel()
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

PowerStage::PowerStage() : model(initPentodeModel()) {}
