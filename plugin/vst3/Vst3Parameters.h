// The VST3 face of the parameter table: the nine parameters under their
// VST 2.4 indices as IDs, plus the host bypass. Everything is read from the
// one table in plugin/Parameters.h; nothing here decides what a value does.
//
// Knobs show the VST 2.4 display text of the raw value. Switches are step
// lists (0, 0.5, 1) named by their positions, and a value between the steps
// is named by the position the engine plays for it.
//
// Threads: pure functions, any thread.
#pragma once

#include "plugin/Parameters.h"
#include "plugin/vst3/Vst3Controller.h"

namespace zv3 {

constexpr vst3::ParamID kBypassId = 100;            // outside the range of the nine
constexpr int32_t kParameterCount = kNumParams + 1; // the nine, then bypass

// True for the nine and bypass.
bool isKnownParameter(vst3::ParamID id);
// Index of a parameter (0 to 9) for its description; false outside.
bool describeParameter(int32_t index, vst3::ParameterInfo& info);
// The text a host shows for a value; false for an unknown ID.
bool parameterText(vst3::ParamID id, double value, vst3::String128 text);
// The value for a text typed by the user: a number from 0 to 1 for knobs,
// a position name (any case) or its number for switches and bypass.
bool parameterValue(vst3::ParamID id, const vst3::TChar* text, double& value);
// Plain values: the knobs' normalised value itself, the position (0 to 2) of
// a switch, 0 or 1 for bypass.
double toPlain(vst3::ParamID id, double value);
double toNormalized(vst3::ParamID id, double plain);

// UTF-16 text fields from ASCII and back (false for text that is not ASCII
// or does not fit).
void copyToString128(vst3::String128 out, const char* text);
bool copyFromUtf16(char* out, size_t outSize, const vst3::TChar* text);

} // namespace zv3
