// The bytes of the plug-in's VST3 state: the saved-state layout of
// plugin/SavedState.h under the tag "ZRV3", version 1, with flag bit 0 for
// the host bypass, in front of the current program's 320-byte record (the
// VST 2.4 preset chunk).
//
// Threads: pure functions over the host's stream, any non-audio thread.
#pragma once

#include "plugin/SavedState.h"
#include "plugin/vst3/Vst3Base.h"

namespace zv3 {

constexpr SavedStateFormat kStateFormat = {{'Z', 'R', 'V', '3'}, 1};
constexpr uint32_t kStateBypass = 1u << 0;
constexpr int32_t kStateHeaderSize = kSavedStateHeaderSize;
constexpr int32_t kStateSize = kSavedStateSize;

struct PluginState {
    ZorvanProgram record; // the current program
    bool bypass;          // the host bypass
};

// Writes the whole state; false when the stream took less.
bool writeState(vst3::IBStream* stream, const PluginState& state);
// Reads exactly kStateSize bytes and checks the header; false (state
// untouched) for a short stream, another tag or another version.
bool readState(vst3::IBStream* stream, PluginState& state);

} // namespace zv3
