#include "tools/render/RenderSession.h"

#include "tools/render/AudioIo.h"
#include "tools/render/PluginHost.h"
#include "tools/render/PresetFile.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/ZorvanFacts.h"

#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

namespace zrender {
namespace {

constexpr size_t kMaxStateFileBytes = 1 << 20;

// The module next to the running executable, as the build lays them out.
std::string defaultPluginPath() {
    char self[PATH_MAX + 1] = {};
    const ssize_t n = readlink("/proc/self/exe", self, PATH_MAX);
    std::string dir = ".";
    if (n > 0) {
        std::string exe(self, static_cast<size_t>(n));
        const auto slash = exe.rfind('/');
        if (slash != std::string::npos) dir = exe.substr(0, slash);
    }
    return dir + "/" + kZorvanModuleName;
}

void checkFxId(int32_t fxId, const std::string& path) {
    if (fxId != kZorvanUniqueId)
        throw RenderError(path + " belongs to plug-in " + fourCharText(fxId) + ", not " + fourCharText(kZorvanUniqueId));
}

void loadBank(PluginHost& host, const std::string& path) {
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
    if (bank.currentProgram >= 0 && bank.currentProgram < kNumPrograms) host.setProgram(bank.currentProgram);
}

void loadPreset(PluginHost& host, const std::string& path) {
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
// hand the record back, which makes the plug-in read the file.
void loadImpulseResponse(PluginHost& host, const std::string& path) {
    char resolved[PATH_MAX + 1] = {};
    if (!realpath(path.c_str(), resolved))
        throw RenderError("cannot read impulse response " + path + ": " + std::strerror(errno));
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SNDFILE* probe = sf_open(resolved, SFM_READ, &info);
    if (!probe) throw RenderError("cannot read impulse response " + path + ": " + sf_strerror(nullptr));
    sf_close(probe);
    // Refuse here what the plug-in would quietly turn into silence: it reads plain
    // RIFF/WAVE, 16/24/32-bit integer or 32-bit float, mono or stereo.
    const int type = info.format & SF_FORMAT_TYPEMASK, subtype = info.format & SF_FORMAT_SUBMASK;
    const bool sampleFormatOk = subtype == SF_FORMAT_PCM_16 || subtype == SF_FORMAT_PCM_24 ||
                                subtype == SF_FORMAT_PCM_32 || subtype == SF_FORMAT_FLOAT;
    if (type != SF_FORMAT_WAV || !sampleFormatOk || info.channels < 1 || info.channels > 2)
        throw RenderError("cannot use impulse response " + path +
                          ": the plug-in reads mono or stereo WAV files of 16, 24 or 32-bit integer or "
                          "32-bit float samples");
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
    if (!host.setChunk(record, true)) throw RenderError("cannot set impulse response: the plug-in refused it");
}

// Human terms for a parameter's value, next to the plug-in's own display.
std::string panelReading(int index, float v) {
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

const char* optionFor(int index) {
    static const char* const names[kNumParams] = {"--input",  "--channel",  "--gain",   "--bass", "--middle",
                                                  "--treble", "--presence", "--volume", "--cab"};
    return names[index];
}

void printList(PluginHost& host) {
    std::printf("Parameters:\n");
    for (int i = 0; i < kNumParams; ++i) {
        const float v = host.getParameter(i);
        std::printf("  %d  %-10s %-10s %-11s %s\n", i, host.parameterName(i).c_str(),
                    host.parameterDisplay(i).c_str(), optionFor(i), panelReading(i, v).c_str());
    }
    const int current = host.program();
    std::printf("Programs (current %d):\n", current);
    for (int p = 0; p < kNumPrograms; ++p)
        std::printf("  %d%s %s\n", p, p == current ? "*" : " ", host.programName(p).c_str());
    std::vector<uint8_t> record = host.getChunk(true);
    if (record.size() == static_cast<size_t>(kPresetChunkBytes)) {
        const char* ir = reinterpret_cast<const char*>(record.data() + kRecordIrPathOffset);
        std::printf("Impulse response of the current program: %s\n",
                    std::string(ir, strnlen(ir, kIrPathBytes)).c_str());
    }
    std::fflush(stdout);
}

// A bar on standard error, redrawn at most ten times a second.
class ProgressBar {
public:
    ProgressBar(bool enabled, int64_t total) : enabled_(enabled && total > 0), total_(total) {}
    void update(int64_t done) {
        if (!enabled_) return;
        const auto now = std::chrono::steady_clock::now();
        if (shown_ && now - last_ < std::chrono::milliseconds(100) && done < total_) return;
        last_ = now;
        shown_ = true;
        const int width = 40;
        const double f = std::min(1.0, double(done) / double(total_));
        const int filled = static_cast<int>(f * width);
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                     std::string(width - filled, '-').c_str(), static_cast<int>(f * 100.0));
        std::fflush(stderr);
    }
    void finish() {
        if (enabled_ && shown_) std::fprintf(stderr, "\r%*s\r", 48, "");
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
    double seconds = 0.0;   // wall-clock time of the render loop
    OutputMeter meter;
};

// Blocks of input (then silence for the tail) through the plug-in into the file.
template <typename Sample>
RenderStats renderBlocks(PluginHost& host, InputSource& input, OutputFile& output, int blockSize,
                         int64_t tailFrames, bool showProgress) {
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
            if (n == 0) inputDone = true;
        }
        if (inputDone) {
            if (tailLeft <= 0) break;
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

std::string dbText(double db) {
    if (std::isinf(db)) return "-inf dBFS";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f dBFS", db);
    return buf;
}

void printSummary(const RenderStats& s, double rate, const RenderOptions& o) {
    const double duration = double(s.frames) / rate;
    std::printf("Rendered %.2f s (%lld frames at %g Hz, %s processing, blocks of %d) to %s (%s WAV)\n", duration,
                static_cast<long long>(s.frames), rate, o.useDouble ? "64-bit" : "32-bit", o.blockSize,
                o.outputPath.c_str(), o.floatOutput ? "32-bit float" : "24-bit");
    const double rtf = s.seconds > 0 ? duration / s.seconds : std::numeric_limits<double>::infinity();
    std::printf("Peak %s, RMS %s, %.1fx real time\n", dbText(s.meter.peakDb()).c_str(), dbText(s.meter.rmsDb()).c_str(),
                rtf);
    if (s.meter.clipped)
        std::printf("CLIPPED: %llu samples beyond full scale (|x| > 1)%s\n",
                    static_cast<unsigned long long>(s.meter.clipped),
                    o.floatOutput ? " (kept in the float file)" : " (saturated in the 24-bit file)");
    if (s.meter.nonFinite)
        std::printf("NOT FINITE: %llu samples are NaN or infinite%s\n",
                    static_cast<unsigned long long>(s.meter.nonFinite),
                    o.floatOutput ? "" : " (written as 0 in the 24-bit file)");
    if (!s.meter.clipped && !s.meter.nonFinite) std::printf("No clipping, all samples finite\n");
}

int runOrThrow(const RenderOptions& o) {
    // Everything that can be checked before loading the plug-in is checked first.
    std::optional<InputSource> input;
    std::optional<OutputFile> output;
    if (!o.outputPath.empty()) {
        input.emplace(o.inputPath.empty() ? InputSource::demo(o.monoLeft) : InputSource::openFile(o.inputPath, o.monoLeft));
        output.emplace(o.outputPath);
    }
    const double rate = input ? input->sampleRate() : 44100.0;

    PluginHost host(o.pluginPath.empty() ? defaultPluginPath() : o.pluginPath);
    const PluginIdentity& id = host.identity();
    std::printf("Plug-in: %s by %s, %s, version %d (vendor version %d), ID %s\n", id.effectName.c_str(),
                id.vendor.c_str(), id.product.c_str(), id.version, id.vendorVersion, fourCharText(id.uniqueId).c_str());
    std::fflush(stdout);
    if (o.useDouble && !host.canDoubleReplacing())
        throw RenderError("the plug-in cannot process 64-bit samples (--double)");

    host.setMainsOn(false);
    host.setSampleRate(rate);
    host.setBlockSize(o.blockSize);
    if (!o.fxbIn.empty()) loadBank(host, o.fxbIn);
    if (!o.fxpIn.empty()) loadPreset(host, o.fxpIn);
    if (o.program) host.setProgram(*o.program);
    for (const ControlSetting& c : o.controls) host.setParameter(c.index, c.value);
    if (!o.irPath.empty()) loadImpulseResponse(host, o.irPath);

    if (o.list) printList(host);

    // State files hold the state as set up, before any audio ran.
    std::vector<uint8_t> fxpBytes, fxbBytes;
    if (!o.fxpOut.empty()) {
        PresetFile p;
        p.fxId = id.uniqueId;
        p.fxVersion = id.version;
        p.numParams = kNumParams;
        p.name = host.currentProgramName();
        p.chunk = host.getChunk(true);
        fxpBytes = encodePreset(p);
    }
    if (!o.fxbOut.empty()) {
        BankFile b;
        b.fxId = id.uniqueId;
        b.fxVersion = id.version;
        b.numPrograms = kNumPrograms;
        b.currentProgram = host.program();
        b.chunk = host.getChunk(false);
        fxbBytes = encodeBank(b);
    }

    if (output) {
        const int64_t tailFrames = static_cast<int64_t>(std::llround(o.tailSeconds * rate));
        output->open(rate, o.floatOutput);
        host.setMainsOn(true);
        host.startProcess();
        const bool tty = isatty(STDERR_FILENO) != 0;
        const RenderStats stats =
            o.useDouble ? renderBlocks<double>(host, *input, *output, o.blockSize, tailFrames, tty)
                        : renderBlocks<float>(host, *input, *output, o.blockSize, tailFrames, tty);
        host.stopProcess();
        host.setMainsOn(false);
        if (!o.fxpOut.empty()) writeFileAtomically(o.fxpOut, fxpBytes);
        if (!o.fxbOut.empty()) writeFileAtomically(o.fxbOut, fxbBytes);
        output->commit();
        printSummary(stats, rate, o);
    } else {
        if (!o.fxpOut.empty()) writeFileAtomically(o.fxpOut, fxpBytes);
        if (!o.fxbOut.empty()) writeFileAtomically(o.fxbOut, fxbBytes);
    }
    if (!o.fxpOut.empty()) std::printf("Saved preset %s\n", o.fxpOut.c_str());
    if (!o.fxbOut.empty()) std::printf("Saved bank %s\n", o.fxbOut.c_str());
    return 0;
}

} // namespace

void OutputMeter::add(double x) {
    ++samples;
    if (!std::isfinite(x)) {
        ++nonFinite;
        return;
    }
    const double a = std::fabs(x);
    if (a > peak) peak = a;
    if (a > 1.0) ++clipped;
    sumSquares += x * x;
}

double OutputMeter::peakDb() const {
    return peak > 0 ? 20.0 * std::log10(peak) : -std::numeric_limits<double>::infinity();
}

double OutputMeter::rmsDb() const {
    const uint64_t finite = samples - nonFinite;
    if (finite == 0 || sumSquares <= 0) return -std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(sumSquares / double(finite));
}

int runRender(const std::vector<std::string>& args) {
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
