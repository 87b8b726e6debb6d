// What the render host knows about the plug-in it drives: its published identity,
// parameter indices and chunk layout. Only these facts and the interface header are
// shared with the plug-in; everything else is learnt through the interface.
#pragma once

#include "plugin/vst/aeffect.h"

#include <cstddef>
#include <cstdint>

namespace zrender {

constexpr int32_t kZorvanUniqueId = ZORVAN_FOURCC('Z', 'R', 'F', 'L');
constexpr const char* kZorvanEffectName = "Zorvan Ferroharmonic Lite";
constexpr const char* kZorvanModuleName = "ZorvanFerroharmonicLite.so";

constexpr int kNumParams = 9;
constexpr int kNumPrograms = 4;
enum ParamIndex { kInput = 0, kMode, kGain, kBass, kMid, kTreble, kPresence, kMaster, kCabinet };

// Program record: name[24], float values[9], irPath[260].
constexpr int kPresetChunkBytes = 320;
constexpr int kBankChunkBytes = kPresetChunkBytes * kNumPrograms;
constexpr int kRecordValuesOffset = 24;
constexpr int kRecordIrPathOffset = 60;
constexpr int kIrPathBytes = 260;        // NUL included
constexpr size_t kProgramNameChars = 23; // name[24] without its NUL

// Switch positions as the panel sends them.
constexpr float kModeClean = 0.f, kModeRhythm = 0.5f, kModeLead = 1.f;
constexpr float kCabInternal = 0.f, kCabOff = 0.5f, kCabExternal = 1.f;

} // namespace zrender
