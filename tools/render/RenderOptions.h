// Command line of zorvan-render: what the user asked for, parsed and range-checked
// before anything is loaded, so a typo never costs a render.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zrender {

// One panel control given on the command line, already normalised to 0..1.
struct ControlSetting {
    int index;   // parameter index of the plug-in
    float value; // normalised value handed to setParameter
};

struct RenderOptions {
    std::string pluginPath;   // empty: looked for next to the executable, then in the VST folders
    std::string inputPath;    // empty with demo: the built-in riff
    std::string outputPath;   // "-": standard output; empty: nothing is rendered (--list / --save-* only)
    bool demo = false;        // --demo: render the built-in riff
    int blockSize = 512;      // frames per processing call
    double tailSeconds = 1.0; // silence appended so the cabinet rings out
    bool useDouble = false;   // processDoubleReplacing instead of processReplacing
    bool floatOutput = false; // 32-bit float samples instead of 24-bit PCM
    std::string format;       // --format: wav, flac, aiff or ogg; empty: from the extension
    bool monoLeft = false;    // a mono input feeds only the left input
    bool list = false;        // print parameters and programs
    bool help = false;
    bool overwrite = false;                 // --overwrite / -y: existing outputs may be replaced
    bool allowSilence = false;              // render even when the tool can see the result will be silent
    std::optional<int> program;             // --program N, applied after a bank and before a preset
    std::vector<ControlSetting> controls;   // in the order given; later ones win
    bool cabinetGiven = false;              // --cab was given explicitly
    std::string irPath;                     // --ir FILE, as typed
    std::optional<std::string> programName; // --name TEXT for the current program
    std::string fxpIn, fxbIn;               // state files to load
    std::string fxpOut, fxbOut;             // state files to save
};

// Parse argv (without argv[0]). On a usage error returns nullopt and sets `error`
// to a one-line message.
std::optional<RenderOptions> parseOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
std::string helpText();

} // namespace zrender
