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
