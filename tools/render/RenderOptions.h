// Command line of zorvan-render: what the user asked for, parsed and range-checked
// before anything is loaded, so a typo never costs a render.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zrender {

// One panel control given on the command line, already normalised to 0..1.
struct ControlSetting {
    int index;      // parameter index of the plug-in
    float value;    // normalised value handed to setParameter
};

struct RenderOptions {
    std::string pluginPath;             // empty: the module next to the executable
    std::string inputPath;              // empty: the built-in demo riff
    std::string outputPath;             // empty: nothing is rendered (--list / --save-* only)
    int blockSize = 512;                // frames per processing call
    double tailSeconds = 1.0;           // silence appended so the cabinet rings out
    bool useDouble = false;             // processDoubleReplacing instead of processReplacing
    bool floatOutput = false;           // 32-bit float WAV instead of 24-bit PCM
    bool monoLeft = false;              // a mono input feeds only the left input
    bool list = false;                  // print parameters and programs
    bool help = false;
    std::optional<int> program;         // --program N, applied after the preset files
    std::vector<ControlSetting> controls; // in the order given; later ones win
    bool cabinetGiven = false;          // --cab was given explicitly
    std::string irPath;                 // --ir FILE, as typed
    std::string fxpIn, fxbIn;           // state files to load
    std::string fxpOut, fxbOut;         // state files to save
};

// Parse argv (without argv[0]). On a usage error returns nullopt and sets `error`
// to a one-line message.
std::optional<RenderOptions> parseOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
std::string helpText();

} // namespace zrender
