#include "tools/render/RenderOptions.h"

#include "tools/render/OutputFormat.h"
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
    {"--input", kInput},   {"--gain", kGain},         {"--bass", kBass},     {"--middle", kMid},
    {"--treble", kTreble}, {"--presence", kPresence}, {"--volume", kMaster},
};

// Options that switch something on, with their short forms.
struct FlagOption {
    const char* name;
    const char* shortName; // or null
    bool RenderOptions::*field;
};
constexpr FlagOption kFlags[] = {
    {"--help", "-h", &RenderOptions::help},
    {"--demo", nullptr, &RenderOptions::demo},
    {"--overwrite", "-y", &RenderOptions::overwrite},
    {"--allow-silence", nullptr, &RenderOptions::allowSilence},
    {"--list", nullptr, &RenderOptions::list},
    {"--double", nullptr, &RenderOptions::useDouble},
    {"--float", nullptr, &RenderOptions::floatOutput},
    {"--mono-left", nullptr, &RenderOptions::monoLeft},
};

bool parseDouble(const std::string& text, double& out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

bool parseInt(const std::string& text, long lo, long hi, long& out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

} // namespace

std::optional<RenderOptions> parseOptions(const std::vector<std::string>& args, std::string& error)
{
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
            if (arg != k.name)
                continue;
            handled = true;
            if (!value(v))
                return std::nullopt;
            double knob = 0;
            if (!parseDouble(v, knob) || knob < 0 || knob > 10) {
                error = "value of " + arg + " must be a number from 0 to 10, not '" + v + "'";
                return std::nullopt;
            }
            o.controls.push_back({k.index, static_cast<float>(knob / 10.0)});
        }
        if (handled)
            continue;

        for (const FlagOption& f : kFlags) {
            if (arg != f.name && !(f.shortName && arg == f.shortName))
                continue;
            handled = true;
            if (!flag(o.*f.field))
                return std::nullopt;
        }
        if (handled)
            continue;

        if (arg == "--format") {
            if (!value(o.format))
                return std::nullopt;
        } else if (arg == "--name") {
            if (!value(v))
                return std::nullopt;
            if (v.size() > kProgramNameChars) {
                error = "value of --name has " + std::to_string(v.size()) + " bytes; a program name holds at most " +
                    std::to_string(kProgramNameChars);
                return std::nullopt;
            }
            o.programName = v;
        } else if (arg == "--channel") {
            if (!value(v))
                return std::nullopt;
            float mode;
            if (v == "clean")
                mode = kModeClean;
            else if (v == "rhythm")
                mode = kModeRhythm;
            else if (v == "lead")
                mode = kModeLead;
            else {
                error = "value of --channel must be clean, rhythm or lead, not '" + v + "'";
                return std::nullopt;
            }
            o.controls.push_back({kMode, mode});
        } else if (arg == "--cab") {
            if (!value(v))
                return std::nullopt;
            float cab;
            if (v == "int")
                cab = kCabInternal;
            else if (v == "off")
                cab = kCabOff;
            else if (v == "ext")
                cab = kCabExternal;
            else {
                error = "value of --cab must be int, off or ext, not '" + v + "'";
                return std::nullopt;
            }
            o.controls.push_back({kCabinet, cab});
            o.cabinetGiven = true;
        } else if (arg == "--program") {
            if (!value(v))
                return std::nullopt;
            long n = 0;
            if (!parseInt(v, 0, kNumPrograms - 1, n)) {
                error = "value of --program must be 0, 1, 2 or 3, not '" + v + "'";
                return std::nullopt;
            }
            o.program = static_cast<int>(n);
        } else if (arg == "--block") {
            if (!value(v))
                return std::nullopt;
            long n = 0;
            if (!parseInt(v, 1, 65536, n)) {
                error = "value of --block must be a whole number from 1 to 65536, not '" + v + "'";
                return std::nullopt;
            }
            o.blockSize = static_cast<int>(n);
        } else if (arg == "--tail") {
            if (!value(v))
                return std::nullopt;
            double t = 0;
            if (!parseDouble(v, t) || t < 0 || t > 600) {
                error = "value of --tail must be a number of seconds from 0 to 600, not '" + v + "'";
                return std::nullopt;
            }
            o.tailSeconds = t;
        } else if (arg == "--plugin" || arg == "--ir" || arg == "--fxp" || arg == "--fxb" || arg == "--save-fxp" ||
                   arg == "--save-fxb") {
            if (!value(v))
                return std::nullopt;
            if (v.empty()) {
                error = "option " + arg + " needs a file name";
                return std::nullopt;
            }
            if (arg == "--plugin")
                o.pluginPath = v;
            else if (arg == "--ir")
                o.irPath = v;
            else if (arg == "--fxp")
                o.fxpIn = v;
            else if (arg == "--fxb")
                o.fxbIn = v;
            else if (arg == "--save-fxp")
                o.fxpOut = v;
            else
                o.fxbOut = v;
        } else {
            error = "unknown option '" + arg + "' (see --help)";
            return std::nullopt;
        }
    }

    if (o.help)
        return o;
    const bool savesOnly = o.list || !o.fxpOut.empty() || !o.fxbOut.empty();
    if (o.demo) {
        if (positional.size() != 1) {
            error = positional.empty() ? "--demo needs an OUTPUT file (or - for standard output)"
                                       : "--demo renders the built-in riff: give only OUTPUT, no INPUT";
            return std::nullopt;
        }
        o.outputPath = positional[0];
    } else if (positional.size() == 2) {
        o.inputPath = positional[0];
        o.outputPath = positional[1];
    } else if (positional.size() == 1) {
        error = "only one file name given (" + positional[0] +
            "): give INPUT and OUTPUT, or --demo OUTPUT to render the built-in riff";
        return std::nullopt;
    } else if (positional.size() > 2) {
        error = "too many file names: give INPUT and OUTPUT (quote names with spaces; one input per run)";
        return std::nullopt;
    } else if (!savesOnly) {
        error = "no files given: give INPUT and OUTPUT, or --demo OUTPUT (see --help)";
        return std::nullopt;
    }
    if (o.inputPath == "-") {
        error = "the input cannot be standard output or input: name a file";
        return std::nullopt;
    }
    // A folder ("out/") is left to the output rules, which say so.
    if (!o.outputPath.empty() && o.outputPath.back() != '/') {
        std::string formatError;
        if (!chooseOutputFormat(o.outputPath, o.format, o.floatOutput, formatError)) {
            error = formatError;
            return std::nullopt;
        }
    }
    if (!o.irPath.empty() && !o.cabinetGiven)
        o.controls.push_back({kCabinet, kCabExternal});
    return o;
}

std::string helpText()
{
    return R"(Usage: zorvan-render [options] INPUT OUTPUT
       zorvan-render [options] --demo OUTPUT
       zorvan-render [options] --list | --save-fxp FILE | --save-fxb FILE

Renders audio through the Zorvan Ferroharmonic Lite plug-in, loaded as a VST 2.4
host loads it, at the input's sample rate. The input may be any file libsndfile
reads; mono feeds both plug-in inputs, more than two channels use the first two.
The plug-in sums its inputs to mono and gives the same signal on both outputs.

Files:
  --demo              render the built-in guitar riff (44100 Hz, a few seconds)
                      instead of an INPUT
  OUTPUT              .wav, .flac, .aiff or .ogg, as the extension says; - writes
                      WAV to standard output (for pipes)
  --format F          wav, flac, aiff or ogg, whatever the extension
  --float             32-bit float samples (WAV, AIFF) instead of 24-bit
  -y, --overwrite     replace an OUTPUT, preset or bank file that exists
  An output is never the input or any other file the run reads, never a device,
  FIFO or folder, and never a read-only file. Outputs are written beside their
  destination and moved into place only when complete.

Amplifier (knobs 0 to 10 as printed on the panel):
  --channel clean|rhythm|lead   channel switch
  --input N     input level             --gain N      preamp gain
  --bass N      tone stack bass         --middle N    tone stack middle
  --treble N    tone stack treble       --presence N  presence
  --volume N    master volume

Cabinet:
  --cab int|off|ext   built-in cabinet, none, or the external impulse response
  --ir FILE.wav       external impulse response (WAV). Stored in the current
                      program with its full path, so it is saved with
                      --save-fxp/--save-fxb. Selects --cab ext unless --cab is
                      given too.
  --allow-silence     render even when the EXT. cabinet will be silent (no
                      response set, its file missing, or a file the plug-in
                      cannot use); otherwise that is an error

State:
  --fxb FILE          load a bank file (all four programs and the current one)
  --program N         select program 0 to 3
  --fxp FILE          load a preset file into the current program
  --name TEXT         name the current program (at most 23 characters)
  --save-fxp FILE     save the current program as a preset file
  --save-fxb FILE     save all programs as a bank file
  Applied in this order: the bank, --program, the preset, the controls above,
  --ir, --name. So --fxp FILE --program 2 puts the preset into program 2 and
  renders it. Saved files hold the state after all of them.

Rendering:
  --plugin PATH       the plug-in module (default: ZorvanFerroharmonicLite.so
                      next to this program, else in ~/.lxvst, ~/.vst,
                      /usr/local/lib/lxvst, /usr/local/lib/vst, /usr/lib/lxvst
                      or /usr/lib/vst)
  --block N           frames per processing call, 1 to 65536 (default 512)
  --double            process in 64-bit (processDoubleReplacing)
  --mono-left         feed a mono input to the left plug-in input only
                      (the plug-in sums its inputs, so this is 6 dB quieter)
  --tail SECONDS      silence appended to let the cabinet ring out (default 1)

Other:
  --list              print the parameters with their values and the programs
  --help              this text

Warnings (the render still completes): an impulse response at another sample
rate than the render (the plug-in does not convert it), an input shorter than
its header says, a clipped or silent output. Messages go to standard error;
the summary goes to standard output, or to standard error when the audio does.
Exit status: 0 on success, 1 on an error, 2 on a usage error.
)";
}

} // namespace zrender
