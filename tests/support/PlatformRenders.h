// The same renders on every system the plug-in is built for: the Linux suite
// writes its input signals, its impulse-response file and its outputs into a
// folder, and the Windows suite (under Wine) renders the same inputs through
// the DLL and compares. Inputs travel as files, so that no C library's sin or
// exp on either side changes what goes in.
#pragma once

#include "support/ModuleLoader.h"

#include <string>
#include <vector>

namespace testhost {

struct PlatformRenderCase {
    std::string name; // file name stem, e.g. "lead-ext-44100-double"
    float rate;       // sample rate in Hz
    float mode;       // channel switch value
    float cabinet;    // cabinet switch value
    bool floatEntry;  // processReplacing rather than processDoubleReplacing
};

// Every channel with every cabinet at an oversampled and a plain rate through
// the double entry, and a few through the float entry.
const std::vector<PlatformRenderCase>& platformRenderCases();

// One second of guitar-like bursts over low noise at rate (written by Linux).
std::vector<double> platformInput(float rate);
// The cabinet response file the EXT. cases load: 16-bit stereo, 10000 frames.
std::vector<uint8_t> platformCabinetWav();

// Renders input through a new instance of the loaded module with the case's
// settings (EXT. loads wavPath); the first output channel. Empty on failure.
std::vector<double> renderPlatformCase(const ModuleLoader& module, const PlatformRenderCase& c,
                                       const std::vector<double>& input, const std::string& wavPath);

// Raw little-endian doubles.
bool writeSamples(const std::string& path, const std::vector<double>& samples);
std::vector<double> readSamples(const std::string& path);

} // namespace testhost
