// The nine automatable parameters: indices, names and the defaults every program starts with.
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

// Host-visible names, index order.
extern const char* const kParameterNames[kNumParams];

// Default values of every program; one row per program so that programs could differ.
extern const float kDefaultValues[kNumPrograms][kNumParams];

// Position of the cabinet switch. Only an exact 0 (either sign) is INT. and only
// an exact 1 is EXT.; anything else, NaN included, is OFF.
enum class CabinetSelection : int32_t { Internal, Off, External };
CabinetSelection cabinetSelectionFor(float value);
