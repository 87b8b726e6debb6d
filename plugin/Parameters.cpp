#include "plugin/Parameters.h"

#include "dsp/amp/ChannelMode.h"

namespace {

const char* const kChannelNames[kSwitchPositions] = {"CLEAN", "RHYTHM", "LEAD"};
const char* const kCabinetNames[kSwitchPositions] = {"INT.", "OFF", "EXT."};

} // namespace

const ParameterInfo kParameterInfo[kNumParams] = {
    {"Input", "INPUT", "input", ParameterKind::Knob, nullptr},
    {"mode", "CHANNEL", "channel", ParameterKind::Switch, kChannelNames},
    {"gain", "GAIN", "gain", ParameterKind::Knob, nullptr},
    {"bass", "BASS", "bass", ParameterKind::Knob, nullptr},
    {"mid", "MIDDLE", "middle", ParameterKind::Knob, nullptr},
    {"treble", "TREBLE", "treble", ParameterKind::Knob, nullptr},
    {"presence", "PRESENCE", "presence", ParameterKind::Knob, nullptr},
    {"master", "VOLUME", "volume", ParameterKind::Knob, nullptr},
    {"cabinet", "CABINET", "cabinet", ParameterKind::Switch, kCabinetNames},
};

const char* const kParameterNames[kNumParams] = {
    kParameterInfo[0].name, kParameterInfo[1].name, kParameterInfo[2].name,
    kParameterInfo[3].name, kParameterInfo[4].name, kParameterInfo[5].name,
    kParameterInfo[6].name, kParameterInfo[7].name, kParameterInfo[8].name,
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

float switchPositionValue(int position)
{
    return position <= 0 ? 0.0f : position == 1 ? 0.5f : 1.0f;
}

int switchPosition(int32_t index, float value)
{
    if (index == kCabinet) {
        switch (cabinetSelectionFor(value)) {
        case CabinetSelection::Internal:
            return 0;
        case CabinetSelection::Off:
            return 1;
        case CabinetSelection::External:
            return 2;
        }
    }
    switch (classifyChannel(value)) {
    case ChannelMode::Clean:
        return 0;
    case ChannelMode::Rhythm:
        return 1;
    case ChannelMode::Lead:
        break;
    }
    return 2;
}
