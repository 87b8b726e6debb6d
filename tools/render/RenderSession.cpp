#include "tools/render/RenderSession.h"

#include "tools/render/AudioIo.h"
#include "tools/render/OutputRules.h"
#include "tools/render/PendingFile.h"
#include "tools/render/PluginHost.h"
#include "tools/render/PresetFile.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/ResponseProbe.h"
#include "tools/render/ZorvanFacts.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

namespace zrender {
namespace {

constexpr size_t kMaxStateFileBytes = 1 << 20;

// The module next to the running executable, as the build lays them out; else
// where `make install` and the hosts put plug-ins.
std::string defaultPluginPath()
{
    char self[PATH_MAX + 1] = {};
    const ssize_t n = readlink("/proc/self/exe", self, PATH_MAX);
    std::vector<std::string> folders;
    if (n > 0) {
        const std::string exe(self, static_cast<size_t>(n));
        folders.push_back(exe.substr(0, exe.rfind('/')));
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        folders.push_back(std::string(home) + "/.lxvst");
        folders.push_back(std::string(home) + "/.vst");
    }
    for (const char* f : {"/usr/local/lib/lxvst", "/usr/local/lib/vst", "/usr/lib/lxvst", "/usr/lib/vst"})
        folders.push_back(f);
    for (const std::string& f : folders) {
        const std::string path = f + "/" + kZorvanModuleName;
        if (access(path.c_str(), R_OK) == 0)
            return path;
    }
    throw RenderError(std::string("cannot find ") + kZorvanModuleName +
                      " next to this program or in ~/.lxvst, ~/.vst, /usr/local/lib or /usr/lib (lxvst, vst): "
                      "give --plugin PATH");
}

void warn(const std::string& message)
{
    std::fflush(stdout);
    std::fprintf(stderr, "zorvan-render: warning: %s\n", message.c_str());
}

void checkFxId(int32_t fxId, const std::string& path)
{
    if (fxId != kZorvanUniqueId)
        throw RenderError(path + " belongs to plug-in " + fourCharText(fxId) + ", not " +
                          fourCharText(kZorvanUniqueId));
}

void loadBank(PluginHost& host, const std::string& path)
{
    BankFile bank;
    try {
        bank = decodeBank(readWholeFile(path, kMaxStateFileBytes));
    } catch (const PresetFormatError& e) {
        throw RenderError("cannot load bank " + path + ": " + e.what());
    }
    checkFxId(bank.fxId, path);
    if (!host.setChunk(bank.chunk, false))
        throw RenderError("cannot load bank " + path + ": the plug-in refused its " +
                          std::to_string(bank.chunk.size()) + "-byte chunk");
    // The chunk does not carry the current program; the bank header does.
    if (bank.currentProgram >= 0 && bank.currentProgram < kNumPrograms)
        host.setProgram(bank.currentProgram);
}

void loadPreset(PluginHost& host, const std::string& path)
{
    PresetFile preset;
    try {
        preset = decodePreset(readWholeFile(path, kMaxStateFileBytes));
    } catch (const PresetFormatError& e) {
        throw RenderError("cannot load preset " + path + ": " + e.what());
    }
    checkFxId(preset.fxId, path);
    if (!host.setChunk(preset.chunk, true))
        throw RenderError("cannot load preset " + path + ": the plug-in refused its " +
                          std::to_string(preset.chunk.size()) + "-byte chunk");
}

// The response travels as a path inside the current program: write it there and
// hand the record back, which makes the plug-in read the file. Whether the
// plug-in can use it is asked afterwards (externalCabinetProblem).
void loadImpulseResponse(PluginHost& host, const std::string& path)
{
    char resolved[PATH_MAX + 1] = {};
    if (!realpath(path.c_str(), resolved))
        throw RenderError("cannot read impulse response " + path + ": " + std::strerror(errno));
    const size_t len = std::strlen(resolved);
    if (len >= static_cast<size_t>(kIrPathBytes))
        throw RenderError("cannot use impulse response " + path + ": its full path is " + std::to_string(len) +
                          " bytes, the plug-in stores at most " + std::to_string(kIrPathBytes - 1));

    std::vector<uint8_t> record = host.getChunk(true);
    if (record.size() != static_cast<size_t>(kPresetChunkBytes))
        throw RenderError("cannot set impulse response: the plug-in's program record is " +
                          std::to_string(record.size()) + " bytes, expected " + std::to_string(kPresetChunkBytes));
    std::memset(record.data() + kRecordIrPathOffset, 0, kIrPathBytes);
    std::memcpy(record.data() + kRecordIrPathOffset, resolved, len);
    if (!host.setChunk(record, true))
        throw RenderError("cannot set impulse response: the plug-in refused it");
}

// The current program's response path as the plug-in keeps it ("empty": none).
std::string currentResponsePath(PluginHost& host)
{
    const std::vector<uint8_t> record = host.getChunk(true);
    if (record.size() != static_cast<size_t>(kPresetChunkBytes))
        return "";
    const char* ir = reinterpret_cast<const char*>(record.data() + kRecordIrPathOffset);
    return std::string(ir, strnlen(ir, kIrPathBytes));
}

// Why the EXT. cabinet would be silent with the current program, or empty.
std::string externalCabinetProblem(PluginHost& host, const std::string& irPath, double rate, int blockSize)
{
    const std::string program = "program " + std::to_string(host.program());
    if (irPath.empty() || irPath == "empty")
        return "the cabinet is on EXT. but " + program + " has no impulse response: give --ir FILE";
    struct stat st;
    if (stat(irPath.c_str(), &st) != 0)
        return "the impulse response of " + program + ", " + irPath + ", cannot be read: " + std::strerror(errno);
    if (externalCabinetIsSilent(host, rate, blockSize))
        return "the plug-in gives silence with the impulse response " + irPath +
            ": it takes RIFF/WAVE files of 16, 24 or 32-bit integer or 32-bit float samples with sound in "
            "their first 4096 frames (8192 above 68 kHz)";
    return "";
}

// The plug-in plays a response at the render's rate, whatever its own: say so
// when they differ. libsndfile reads the rate only.
void warnAboutResponseRate(const std::string& irPath, double rate)
{
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SNDFILE* f = sf_open(irPath.c_str(), SFM_READ, &info);
    if (!f)
        return;
    sf_close(f);
    const long renderRate = std::lround(rate);
    if (info.samplerate <= 0 || info.samplerate == renderRate)
        return;
    char factor[32];
    std::snprintf(factor, sizeof factor, "%.3g", double(renderRate) / info.samplerate);
    warn("the impulse response " + irPath + " is at " + std::to_string(info.samplerate) + " Hz, the render at " +
         std::to_string(renderRate) + " Hz: the plug-in does not convert it, so the cabinet's resonances move by " +
         factor + " times their frequency");
}

// Human terms for a parameter's value, next to the plug-in's own display.
std::string panelReading(int index, float v)
{
    char buf[48];
    if (index == kMode) {
        return v < 0.33f ? "clean" : v < 0.66f ? "rhythm" : "lead";
    }
    if (index == kCabinet) {
        return v == 0.f ? "int" : v == 1.f ? "ext" : "off";
    }
    std::snprintf(buf, sizeof buf, "%.2f", v * 10.0);
    return buf;
}

const char* optionFor(int index)
{
    static const char* const names[kNumParams] = {"--input",  "--channel",  "--gain",   "--bass", "--middle",
                                                  "--treble", "--presence", "--volume", "--cab"};
    return names[index];
}

void printList(PluginHost& host, FILE* out)
{
    std::fprintf(out, "Parameters:\n");
    for (int i = 0; i < kNumParams; ++i) {
        const float v = host.getParameter(i);
        std::fprintf(out, "  %d  %-10s %-10s %-11s %s\n", i, host.parameterName(i).c_str(),
                     host.parameterDisplay(i).c_str(), optionFor(i), panelReading(i, v).c_str());
    }
    const int current = host.program();
    std::fprintf(out, "Programs (current %d):\n", current);
    for (int p = 0; p < kNumPrograms; ++p)
        std::fprintf(out, "  %d%s %s\n", p, p == current ? "*" : " ", host.programName(p).c_str());
    std::fprintf(out, "Impulse response of the current program: %s\n", currentResponsePath(host).c_str());
    std::fflush(out);
}

// A bar on standard error, redrawn at most ten times a second.
class ProgressBar {
public:
    ProgressBar(bool enabled, int64_t total) : enabled_(enabled && total > 0), total_(total) {}
    void update(int64_t done)
    {
        if (!enabled_)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (shown_ && now - last_ < std::chrono::milliseconds(100) && done < total_)
            return;
        last_ = now;
        shown_ = true;
        const int width = 40;
        const double f = std::min(1.0, double(done) / double(total_));
        const int filled = static_cast<int>(f * width);
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                     std::string(width - filled, '-').c_str(), static_cast<int>(f * 100.0));
        std::fflush(stderr);
    }
    void finish()
    {
        if (enabled_ && shown_)
            std::fprintf(stderr, "\r%*s\r", 48, "");
        shown_ = false;
    }
    ~ProgressBar() { finish(); }

private:
    bool enabled_;
    int64_t total_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_;
};

struct RenderStats {
    int64_t frames = 0;
    double seconds = 0.0; // wall-clock time of the render loop
    OutputMeter meter;
};

// Blocks of input (then silence for the tail) through the plug-in into the file.
template <typename Sample>
RenderStats renderBlocks(PluginHost& host, InputSource& input, OutputFile& output, int blockSize, int64_t tailFrames,
                         bool showProgress)
{
    const size_t block = static_cast<size_t>(blockSize);
    std::vector<double> inL(block), inR(block), outL(block), outR(block);
    std::vector<Sample> pinL(block), pinR(block), poutL(block), poutR(block);
    Sample* ins[2] = {pinL.data(), pinR.data()};
    Sample* outs[2] = {poutL.data(), poutR.data()};

    RenderStats stats;
    const int64_t expected = input.frames() + tailFrames;
    ProgressBar bar(showProgress && expected > input.sampleRate(), expected);
    const auto t0 = std::chrono::steady_clock::now();
    bool inputDone = false;
    int64_t tailLeft = tailFrames;
    for (;;) {
        size_t n = 0;
        if (!inputDone) {
            n = input.read(inL.data(), inR.data(), block);
            if (n == 0)
                inputDone = true;
        }
        if (inputDone) {
            if (tailLeft <= 0)
                break;
            n = static_cast<size_t>(std::min<int64_t>(tailLeft, static_cast<int64_t>(block)));
            std::fill(inL.begin(), inL.begin() + n, 0.0);
            std::fill(inR.begin(), inR.begin() + n, 0.0);
            tailLeft -= static_cast<int64_t>(n);
        }
        for (size_t i = 0; i < n; ++i) {
            pinL[i] = static_cast<Sample>(inL[i]);
            pinR[i] = static_cast<Sample>(inR[i]);
        }
        host.process(ins, outs, static_cast<int>(n));
        for (size_t i = 0; i < n; ++i) {
            outL[i] = poutL[i];
            outR[i] = poutR[i];
            stats.meter.add(outL[i]);
            stats.meter.add(outR[i]);
        }
        output.write(outL.data(), outR.data(), n);
        stats.frames += static_cast<int64_t>(n);
        bar.update(stats.frames);
    }
    bar.finish();
    stats.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return stats;
}

std::string dbText(double db)
{
    if (std::isinf(db))
        return "-inf dBFS";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f dBFS", db);
    return buf;
}

void printSummary(const RenderStats& s, double rate, const RenderOptions& o, const OutputFile& output, FILE* out)
{
    const double duration = double(s.frames) / rate;
    std::fprintf(out, "Rendered %.2f s (%lld frames at %g Hz, %s processing, blocks of %d) to %s (%s)\n", duration,
                 static_cast<long long>(s.frames), rate, o.useDouble ? "64-bit" : "32-bit", o.blockSize,
                 output.name().c_str(), output.format().description.c_str());
    const double rtf = s.seconds > 0 ? duration / s.seconds : std::numeric_limits<double>::infinity();
    std::fprintf(out, "Peak %s, RMS %s, %.1fx real time\n", dbText(s.meter.peakDb()).c_str(),
                 dbText(s.meter.rmsDb()).c_str(), rtf);
    const bool integer = output.format().integerSamples;
    if (s.meter.clipped)
        std::fprintf(out, "CLIPPED: %llu samples beyond full scale (|x| > 1)%s\n",
                     static_cast<unsigned long long>(s.meter.clipped),
                     integer ? " (saturated in the file)" : " (kept in the float file)");
    if (s.meter.nonFinite)
        std::fprintf(out, "NOT FINITE: %llu samples are NaN or infinite%s\n",
                     static_cast<unsigned long long>(s.meter.nonFinite), integer ? " (written as 0)" : "");
    if (!s.meter.clipped && !s.meter.nonFinite)
        std::fprintf(out, "No clipping, all samples finite\n");
    std::fflush(out);
}

// What the tool can see went wrong in a completed render, one line each.
void warnAfterRender(const RenderStats& s, const InputSource& input, const OutputFile& output)
{
    if (!input.damage().empty())
        warn("the input " + input.description() + " is cut short: " + input.damage() + "; the render ends there");
    else if (input.framesRead() < input.frames())
        warn("the input " + input.description() + " ended after " + std::to_string(input.framesRead()) + " of its " +
             std::to_string(input.frames()) + " frames; the render ends there");
    if (s.meter.clipped)
        warn(std::to_string(s.meter.clipped) + " samples clipped, peak " + dbText(s.meter.peakDb()) +
             (output.format().integerSamples ? ", saturated in the file" : ", kept in the float file") +
             ": lower --volume or --input");
    if (s.meter.nonFinite)
        warn(std::to_string(s.meter.nonFinite) + " samples are NaN or infinite");
    if (s.meter.peak == 0.0 && s.meter.nonFinite == 0)
        warn("the output is silent");
}

int runOrThrow(const RenderOptions& o)
{
    // With the audio on standard output, everything else goes to standard error.
    const bool toStdout = o.outputPath == "-";
    FILE* info = toStdout ? stderr : stdout;

    // Everything that can be checked before loading the plug-in is checked first.
    std::optional<InputSource> input;
    if (!o.outputPath.empty())
        input.emplace(o.demo ? InputSource::demo(o.monoLeft) : InputSource::openFile(o.inputPath, o.monoLeft));
    const double rate = input ? input->sampleRate() : 44100.0;
    const std::string pluginPath = o.pluginPath.empty() ? defaultPluginPath() : o.pluginPath;

    // Every output passes the rules and exists as a temporary file before any work.
    const std::vector<ReadFile> reads = {{"the input", o.inputPath},
                                         {"the impulse response", o.irPath},
                                         {"the preset read", o.fxpIn},
                                         {"the bank read", o.fxbIn},
                                         {"the plug-in", pluginPath}};
    std::vector<OutputTarget> targets;
    auto pending = [&](const std::string& named) {
        targets.push_back(planOutput(named, reads, o.overwrite));
        checkDistinct(targets);
        return std::make_unique<PendingFile>(targets.back(), o.overwrite);
    };
    std::optional<OutputFile> output;
    if (toStdout && isatty(STDOUT_FILENO))
        throw RenderError("refusing to write audio to a terminal: redirect standard output, or name an OUTPUT file");
    if (input) {
        std::string formatError;
        const OutputFormat format = *chooseOutputFormat(o.outputPath, o.format, o.floatOutput, formatError);
        output.emplace(toStdout ? nullptr : pending(o.outputPath), format);
    }
    std::unique_ptr<PendingFile> fxpFile = o.fxpOut.empty() ? nullptr : pending(o.fxpOut);
    std::unique_ptr<PendingFile> fxbFile = o.fxbOut.empty() ? nullptr : pending(o.fxbOut);

    PluginHost host(pluginPath);
    const PluginIdentity& id = host.identity();
    std::fprintf(info, "Plug-in: %s by %s, %s, version %d (vendor version %d), ID %s\n", id.effectName.c_str(),
                 id.vendor.c_str(), id.product.c_str(), id.version, id.vendorVersion,
                 fourCharText(id.uniqueId).c_str());
    std::fflush(info);
    if (o.useDouble && !host.canDoubleReplacing())
        throw RenderError("the plug-in cannot process 64-bit samples (--double)");

    host.setMainsOn(false);
    host.setSampleRate(rate);
    host.setBlockSize(o.blockSize);
    if (!o.fxbIn.empty())
        loadBank(host, o.fxbIn);
    if (o.program)
        host.setProgram(*o.program);
    if (!o.fxpIn.empty())
        loadPreset(host, o.fxpIn);
    for (const ControlSetting& c : o.controls)
        host.setParameter(c.index, c.value);
    if (!o.irPath.empty())
        loadImpulseResponse(host, o.irPath);
    if (o.programName) {
        host.setProgramName(*o.programName);
        if (host.currentProgramName() != *o.programName)
            throw RenderError("the plug-in did not take the program name '" + *o.programName + "'");
    }

    // A response that came with a bank or preset is read too, so it is no output.
    const std::string irPath = currentResponsePath(host);
    if (irPath != "empty")
        checkNotAnOutput({"the impulse response of the current program", irPath}, targets);
    const bool usesExternal = output && host.getParameter(kCabinet) == kCabExternal;
    if (usesExternal || !o.irPath.empty()) {
        const std::string problem = externalCabinetProblem(host, irPath, rate, o.blockSize);
        if (!problem.empty() && !o.allowSilence)
            throw RenderError(problem + " (or give --allow-silence)");
        if (!problem.empty())
            warn(problem);
        else if (usesExternal)
            warnAboutResponseRate(irPath, rate);
    }

    if (o.list)
        printList(host, info);

    // State files hold the state as set up, before any audio ran.
    if (fxpFile) {
        PresetFile p;
        p.fxId = id.uniqueId;
        p.fxVersion = id.version;
        p.numParams = kNumParams;
        p.name = host.currentProgramName();
        p.chunk = host.getChunk(true);
        fxpFile->write(encodePreset(p));
    }
    if (fxbFile) {
        BankFile b;
        b.fxId = id.uniqueId;
        b.fxVersion = id.version;
        b.numPrograms = kNumPrograms;
        b.currentProgram = host.program();
        b.chunk = host.getChunk(false);
        fxbFile->write(encodeBank(b));
    }

    std::optional<RenderStats> stats;
    if (output) {
        const int64_t tailFrames = static_cast<int64_t>(std::llround(o.tailSeconds * rate));
        output->open(rate);
        host.setMainsOn(true);
        host.startProcess();
        const bool tty = isatty(STDERR_FILENO) != 0;
        stats = o.useDouble ? renderBlocks<double>(host, *input, *output, o.blockSize, tailFrames, tty)
                            : renderBlocks<float>(host, *input, *output, o.blockSize, tailFrames, tty);
        host.stopProcess();
        host.setMainsOn(false);
        output->commit();
    }
    if (fxpFile)
        fxpFile->commit();
    if (fxbFile)
        fxbFile->commit();
    if (stats)
        printSummary(*stats, rate, o, *output, info);
    if (fxpFile)
        std::fprintf(info, "Saved preset %s\n", o.fxpOut.c_str());
    if (fxbFile)
        std::fprintf(info, "Saved bank %s\n", o.fxbOut.c_str());
    std::fflush(info);
    if (stats)
        warnAfterRender(*stats, *input, *output);
    return 0;
}

} // namespace

void OutputMeter::add(double x)
{
    ++samples;
    if (!std::isfinite(x)) {
        ++nonFinite;
        return;
    }
    const double a = std::fabs(x);
    if (a > peak)
        peak = a;
    if (a > 1.0)
        ++clipped;
    sumSquares += x * x;
}

double OutputMeter::peakDb() const
{
    return peak > 0 ? 20.0 * std::log10(peak) : -std::numeric_limits<double>::infinity();
}

double OutputMeter::rmsDb() const
{
    const uint64_t finite = samples - nonFinite;
    if (finite == 0 || sumSquares <= 0)
        return -std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(sumSquares / double(finite));
}

int runRender(const std::vector<std::string>& args)
{
    std::string error;
    const std::optional<RenderOptions> options = parseOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "zorvan-render: %s\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }
    try {
        return runOrThrow(*options);
    } catch (const RenderError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "zorvan-render: %s\n", e.what());
        return e.code;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "zorvan-render: %s\n", e.what());
        return 1;
    }
}

} // namespace zrender
