// The LV2 face of the plug-in that the DSP library, the UI library and the
// TTL generator share: the URIs, the port layout, and the translation between
// a control port's value and the engine's normalised parameter value.
//
// Control ports show what the panel prints: knobs 0 to 10, the two switches
// as enumerations of their three positions (0, 1, 2, top to bottom).
#pragma once

#include "plugin/Identity.h"
#include "plugin/Parameters.h"

#include <cstdint>

namespace zorvan::lv2 {

// The plug-in lives under the vendor's web address.
constexpr char kPluginUri[] = "https://www.zorvan.example/plugins/ferroharmonic-lite";
constexpr char kUiUri[] = "https://www.zorvan.example/plugins/ferroharmonic-lite#ui";
// The impulse-response file: a patch:writable property and the state key.
constexpr char kIrPropertyUri[] = "https://www.zorvan.example/plugins/ferroharmonic-lite#ir";
// Preset n (1 to 4) is kPresetUriPrefix followed by n.
constexpr char kPresetUriPrefix[] = "https://www.zorvan.example/plugins/ferroharmonic-lite#program";

constexpr bool startsWith(const char* text, const char* prefix)
{
    return *prefix == '\0' || (*text == *prefix && startsWith(text + 1, prefix + 1));
}
static_assert(startsWith(kPluginUri, kWebAddress), "the plug-in URI is under the vendor's address");
static_assert(startsWith(kUiUri, kPluginUri) && startsWith(kIrPropertyUri, kPluginUri) &&
                  startsWith(kPresetUriPrefix, kPluginUri),
              "every URI is under the plug-in's");

// Port indices: audio, the nine parameters in parameter order, then the
// atom ports that carry patch messages in and notifications out.
enum PortIndex : uint32_t {
    kPortInLeft = 0,
    kPortInRight,
    kPortOutLeft,
    kPortOutRight,
    kFirstParameterPort,
    kPortControl = kFirstParameterPort + kNumParams,
    kPortNotify,
    kNumPorts
};

constexpr uint32_t parameterPort(int32_t index)
{
    return kFirstParameterPort + static_cast<uint32_t>(index);
}
// The parameter index of a port, or -1 for a port that is no parameter.
constexpr int32_t portParameter(uint32_t port)
{
    return port >= kFirstParameterPort && port < kPortControl ? static_cast<int32_t>(port - kFirstParameterPort) : -1;
}

// Longest impulse-response path the shell carries in a message, NUL included.
// The engine's own limit (the program record's 260 bytes) applies when loading.
constexpr uint32_t kMaxPathBytes = 1024;

// Port range and default of parameter index (default: program 0's value).
float portMinimum(int32_t index);
float portMaximum(int32_t index);
float portDefault(int32_t index);

// Knobs: value = port / 10 and port = value x 10, both in single precision,
// as the panel prints its figures. Switches: a port value is rounded to the
// nearest position (NaN and below-range to the top one, above-range to the
// bottom one) and sent as the panel's switch sends it (0, 0.5, 1); a value is
// shown at the position the panel shows it.
float portToValue(int32_t index, float port);
float valueToPort(int32_t index, float value);

} // namespace zorvan::lv2
