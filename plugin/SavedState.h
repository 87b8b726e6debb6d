// The bytes a plug-in format saves for an instance: a small header of our own
// in front of the current program's 320-byte record (the VST 2.4 preset
// chunk), so that a later layout can be told from this one:
//
//   offset 0   4 bytes   tag of the format that wrote it
//   offset 4   uint32    layout version, little-endian
//   offset 8   uint32    flags of the format, little-endian (0 when unused)
//   offset 12  320 bytes the program record
//
// A reader refuses another tag, another version or another size rather than
// guess; the record itself follows the preset chunk's rules.
//
// Threads: pure functions, any thread.
#pragma once

#include "plugin/ZorvanProgram.h"

#include <cstddef>
#include <cstdint>

constexpr int32_t kSavedStateHeaderSize = 12;
constexpr int32_t kSavedStateSize = kSavedStateHeaderSize + kPresetChunkSize;

struct SavedStateFormat {
    char tag[4];      // names the format that wrote the bytes
    uint32_t version; // of the layout
};

struct SavedState {
    ZorvanProgram record; // the current program
    uint32_t flags;       // the format's own switches (bypass...)
};

void encodeSavedState(const SavedStateFormat& format, const SavedState& state, unsigned char (&out)[kSavedStateSize]);
// False (state untouched) unless bytes hold exactly kSavedStateSize bytes
// with the format's tag and version.
bool decodeSavedState(const SavedStateFormat& format, const unsigned char* bytes, size_t size, SavedState& state);
