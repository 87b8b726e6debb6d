#include "tools/render/RenderOptions.h"

#include "tools/render/ZorvanFacts.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace zrender {
namespace {

// Panel knobs: printed 0 to 10, the parameter is value / 10.
struct KnobOption {
    const char* name;
    int index;
};
constexpr KnobOption kKnobs[] = {
    {"--input", kInput},       {"--gain", kGain},         {"--bass", kBass},
    {"--middle", kMid},        {"--treble", kTreble},     {"--presence", kPresence},
    {"--volume", kMaster},
};

bool parseDouble(const std::string& text, double& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool parseInt(const std::string& text, long lo, long hi, long& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}

} // namespace

std::optional<RenderOptions> parseOptions(const std::vector<std::string>& args, std::string& error) {
    RenderOptions o;
    std::vector<std::string> positional;
    bool optionsEnded = false;

    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // Accept both "--opt value" and "--opt=value".
        std::optional<std::string> inlineValue;
        const auto eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        auto value = [&](std::string& out) -> bool {
            if (inlineValue) {
                out = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto flag = [&](bool& target) -> bool {
            if (inlineValue) {
                error = "option " + arg + " takes no value";
                return false;
            }
            target = true;
            return true;
        };

        std::string v;
        bool handled = false;
        for (const KnobOption& k : kKnobs) {
            if (arg != k.name) continue;
            handled = true;
            if (!value(v)) return std::nullopt;
            double knob = 0;
            if (!parseDouble(v, knob) || knob < 0 || knob > 10) {
                error = "value of " + arg + " must be a number from 0 to 10, not '" + v + "'";
                return std::nullopt;
            }
            o.controls.push_back({k.index, static_cast<float>(knob / 10.0)});
        }
        if (handled) continue;

        if (arg == "--help" || arg == "-h") {
            if (!flag(o.help)) return std::nullopt;
        } else if (arg == "--list") {
            if (!flag(o.list)) return std::nullopt;
        } else if (arg == "--double") {
            if (!flag(o.useDouble)) return std::nullopt;
        } else if (arg == "--float") {
            if (!flag(o.floatOutput)) return std::nullopt;
        } else if (arg == "--mono-left") {
            if (!flag(o.monoLeft)) return std::nullopt;
        } else if (arg == "--channel") {
            if (!value(v)) return std::nullopt;
            float mode;
            if (v == "clean") mode = kModeClean;
            else if (v == "rhythm") mode = kModeRhythm;
            else if (v == "lead") mode = kModeLead;
            else {
                error = "value of --channel must be clean, rhythm or lead, not '" + v + "'";
                return std::nullopt;
            }
            o.controls.push_back({kMode, mode});
        } else if (arg == "--cab") {
            if (!value(v)) return std::nullopt;
            float cab;
            if (v == "int") cab = kCabInternal;
            else if (v == "off") cab = kCabOff;
            else if (v == "ext") cab = kCabExternal;
            else {
                error = "value of --cab must be int, off or ext, not '" + v + "'";
                return std::nullopt;
            }
            o.controls.push_back({kCabinet, cab});
            o.cabinetGiven = true;
        } else if (arg == "--program") {
            if (!value(v)) return std::nullopt;
            long n = 0;
            if (!parseInt(v, 0, kNumPrograms - 1, n)) {
                error = "value of --program must be 0, 1, 2 or 3, not '" + v + "'";
                return std::nullopt;
            }
            o.program = static_cast<int>(n);
        } else if (arg == "--block") {
            if (!value(v)) return std::nullopt;
            long n = 0;
            if (!parseInt(v, 1, 65536, n)) {
                error = "value of --block must be a whole number from 1 to 65536, not '" + v + "'";
                return std::nullopt;
            }
            o.blockSize = static_cast<int>(n);
        } else if (arg == "--tail") {
            if (!value(v)) return std::nullopt;
            double t = 0;
            if (!parseDouble(v, t) || t < 0 || t > 600) {
                error = "value of --tail must be a number of seconds from 0 to 600, not '" + v + "'";
                return std::nullopt;
            }
            o.tailSeconds = t;
        } else if (arg == "--plugin" || arg == "--ir" || arg == "--fxp" || arg == "--fxb" ||
                   arg == "--save-fxp" || arg == "--save-fxb") {
            if (!value(v)) return std::nullopt;
            if (v.empty()) {
                error = "option " + arg + " needs a file name";
                return std::nullopt;
            }
            if (arg == "--plugin") o.pluginPath = v;
            else if (arg == "--ir") o.irPath = v;
            else if (arg == "--fxp") o.fxpIn = v;
            else if (arg == "--fxb") o.fxbIn = v;
            else if (arg == "--save-fxp") o.fxpOut = v;
            else o.fxbOut = v;
        } else {
            error = "unknown option '" + arg + "' (see --help)";
            return std::nullopt;
        }
    }

    if (o.help) return o;
    if (positional.size() > 2) {
        error = "too many file names: give at most INPUT.wav and OUTPUT.wav";
        return std::nullopt;
    }
    if (positional.size() == 2) {
        o.inputPath = positional[0];
        o.outputPath = positional[1];
    } else if (positional.size() == 1) {
        o.outputPath = positional[0];
    } else if (!o.list && o.fxpOut.empty() && o.fxbOut.empty()) {
        error = "no output file given (see --help)";
        return std::nullopt;
    }
    if (!o.irPath.empty() && !o.cabinetGiven) o.controls.push_back({kCabinet, kCabExternal});
    return o;
}

std::string helpText() {
    return R"(Usage: zorvan-render [options] [INPUT.wav] OUTPUT.wav

Renders audio through the Zorvan Ferroharmonic Lite plug-in, loaded as a VST 2.4
host loads it. Without INPUT.wav a built-in guitar riff (44100 Hz, a few seconds)
is rendered. The input may be any format libsndfile reads; mono feeds both plug-in
inputs, more than two channels use the first two. The output is a stereo WAV at
the input's sample rate, 24-bit unless --float is given.

Amplifier (knobs 0 to 10 as printed on the panel):
  --channel clean|rhythm|lead   channel switch
  --input N     input level             --gain N      preamp gain
  --bass N      tone stack bass         --middle N    tone stack middle
  --treble N    tone stack treble       --presence N  presence
  --volume N    master volume

Cabinet:
  --cab int|off|ext   built-in cabinet, none, or the external impulse response
  --ir FILE.wav       external impulse response (WAV). Stored in the current
                      program, so it is saved with --save-fxp/--save-fxb.
                      Selects --cab ext unless --cab is given too.

State:
  --program N         select program 0 to 3
  --fxp FILE          load a preset file into the current program
  --fxb FILE          load a bank file (all four programs and the current one)
  --save-fxp FILE     save the current program as a preset file
  --save-fxb FILE     save all programs as a bank file
  Applied in this order: preset files (bank first), --program, the controls
  above, then --ir. Saved files hold the state after all of them.

Rendering:
  --plugin PATH       the plug-in module (default: ZorvanFerroharmonicLite.so
                      next to this program)
  --block N           frames per processing call, 1 to 65536 (default 512)
  --double            process in 64-bit (processDoubleReplacing)
  --float             write 32-bit float samples instead of 24-bit
  --mono-left         feed a mono input to the left plug-in input only
                      (the plug-in sums its inputs, so this is 6 dB quieter)
  --tail SECONDS      silence appended to let the cabinet ring out (default 1)

Other:
  --list              print the parameters with their values and the programs
  --help              this text

OUTPUT.wav may be left out with --list, --save-fxp or --save-fxb; nothing is
rendered then. The output is written to a temporary file beside it and renamed
only when complete. Exit status: 0 on success, 1 on an error, 2 on a usage error.
)";
}

} // namespace zrender
