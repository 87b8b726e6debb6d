// The bytes of the plug-in's VST3 state: a small header of our own in front
// of the current program's 320-byte record (the VST 2.4 preset chunk):
//
//   offset 0   4 bytes   "ZRV3"
//   offset 4   uint32    format version, little-endian: 1
//   offset 8   uint32    flags, little-endian: bit 0 = bypass on; others 0
//   offset 12  320 bytes the program record
//
// A later version may append fields; a reader of version 1 refuses any other
// version rather than guess.
//
// Threads: pure functions over the host's stream, any non-audio thread.
#pragma once

#include "plugin/ZorvanProgram.h"
#include "plugin/vst3/Vst3Base.h"

namespace zv3 {

constexpr char kStateMagic[4] = {'Z', 'R', 'V', '3'};
constexpr uint32_t kStateVersion = 1;
constexpr uint32_t kStateBypass = 1u << 0;
constexpr int32_t kStateHeaderSize = 12;
constexpr int32_t kStateSize = kStateHeaderSize + kPresetChunkSize;

struct PluginState {
    ZorvanProgram record; // the current program
    bool bypass;          // the host bypass
};

// Writes the whole state; false when the stream took less.
bool writeState(vst3::IBStream* stream, const PluginState& state);
// Reads exactly kStateSize bytes and checks the header; false (state
// untouched) for a short stream, another magic or another version.
bool readState(vst3::IBStream* stream, PluginState& state);

} // namespace zv3
