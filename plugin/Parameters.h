// The nine automatable parameters: the one table every shell, the panel and the
// engine read (names, defaults, how each is shown and stepped), and the rules
// that turn a stored value into what it selects.
#pragma once

#include <cstdint>

enum ParameterIndex : int32_t {
    kInput = 0,
    kMode,
    kGain,
    kBass,
    kMid,
    kTreble,
    kPresence,
    kMaster,
    kCabinet,
    kNumParams
};

constexpr int32_t kNumPrograms = 4;

// Knobs are printed 0 to 10 on the panel; switches have three positions,
// sent as 0, 0.5 and 1 from top to bottom.
enum class ParameterKind { Knob, Switch };
constexpr float kKnobScale = 10.0f; // panel figure = value x 10
constexpr int kSwitchPositions = 3;

struct ParameterInfo {
    const char* name;        // host name (getParameterName)
    const char* displayName; // the panel legend, for hosts that show a long name
    const char* symbol;      // identifier for formats that need one
    ParameterKind kind;
    const char* const* positionNames; // switches: the positions' names, top to bottom
};

extern const ParameterInfo kParameterInfo[kNumParams];

// Host-visible names, index order.
extern const char* const kParameterNames[kNumParams];

// Default values of every program; one row per program so that programs could differ.
extern const float kDefaultValues[kNumPrograms][kNumParams];

// Position of the cabinet switch. Only an exact 0 (either sign) is INT. and only
// an exact 1 is EXT.; anything else, NaN included, is OFF.
enum class CabinetSelection : int32_t { Internal, Off, External };
CabinetSelection cabinetSelectionFor(float value);

// The value a switch sends for position 0, 1 or 2.
float switchPositionValue(int position);
// The position a switch shows for a stored value: the channel as the amplifier
// classifies it, the cabinet as cabinetSelectionFor reads it.
int switchPosition(int32_t index, float value);
