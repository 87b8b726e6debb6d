// The built-in test signal: a few seconds of synthesised guitar DI (plucked strings
// by the Karplus-Strong method) playing power chords, palm-muted chugs and a
// single-note lick, so the amplifier can be heard without a recording at hand.
#pragma once

#include <vector>

namespace zrender {

constexpr double kDemoSampleRate = 44100.0;
constexpr double kDemoPeak = 0.5;   // -6 dBFS, like a hot pickup into a DI box

// Mono samples at kDemoSampleRate; the same on every run and every machine.
std::vector<float> makeDemoRiff();

} // namespace zrender
