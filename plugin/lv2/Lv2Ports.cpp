#include "plugin/lv2/Lv2Ports.h"

namespace zorvan::lv2 {

namespace {

bool isKnob(int32_t index)
{
    return kParameterInfo[index].kind == ParameterKind::Knob;
}

int roundedPosition(float port)
{
    if (!(port >= 0.5f))
        return 0;
    if (port < 1.5f)
        return 1;
    return kSwitchPositions - 1;
}

} // namespace

float portMinimum(int32_t)
{
    return 0.0f;
}

float portMaximum(int32_t index)
{
    return isKnob(index) ? kKnobScale : static_cast<float>(kSwitchPositions - 1);
}

float portDefault(int32_t index)
{
    return valueToPort(index, kDefaultValues[0][index]);
}

float portToValue(int32_t index, float port)
{
    if (isKnob(index))
        return port / kKnobScale;
    return switchPositionValue(roundedPosition(port));
}

float valueToPort(int32_t index, float value)
{
    if (isKnob(index))
        return value * kKnobScale;
    return static_cast<float>(switchPosition(index, value));
}

} // namespace zorvan::lv2
