#include "plugin/Parameters.h"

const char* const kParameterNames[kNumParams] = {
    "Input", "mode", "gain", "bass", "mid", "treble", "presence", "master", "cabinet",
};

const float kDefaultValues[kNumPrograms][kNumParams] = {
    {0.2f, 0.f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.f},
    {0.2f, 0.f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.f},
    {0.2f, 0.f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.f},
    {0.2f, 0.f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.f},
};

CabinetSelection cabinetSelectionFor(float value)
{
    if (value == 0.0f)
        return CabinetSelection::Internal;
    if (value == 1.0f)
        return CabinetSelection::External;
    return CabinetSelection::Off;
}
