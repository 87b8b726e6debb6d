// Figures a validator reports beside its pass/fail list, measured on the built
// library through its entry point as a host drives it:
//  1. zipper noise: energy above 10 kHz when gain and volume are automated in
//     steps every 32 samples, beside the same automation applied every sample
//     and beside fixed settings;
//  2. block timing: median, 99th percentile and worst time of a 64-sample block
//     at 48000 and 96000 Hz, as a share of the block's real-time budget;
//  3. the cost per sample of noise, digital silence and subnormal input;
//  4. how long a parameter request takes on the audio thread while another
//     thread restores presets that name a response file (an ordinary one, and
//     16 MB of zeros behind a WAV header), beside how long such a restore takes.
//
//   build/bench_validation [seconds-of-audio-for-timing]
// ZORVAN_PLUGIN=<library> measures another build of the plug-in.
#include "plugin/vst/aeffect.h"

#include <dlfcn.h>
#include <fftw3.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

enum { kInput = 0, kMode, kGain, kBass, kMid, kTreble, kPresence, kMaster, kCabinet };

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : (opcode == audioMasterAutomate ? 1 : 0);
}

typedef AEffect* (*EntryProc)(audioMasterCallback);

EntryProc loadEntry()
{
    const char* chosen = std::getenv("ZORVAN_PLUGIN");
    const char* path = chosen && *chosen ? chosen : ZORVAN_PLUGIN_PATH;
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        std::exit(1);
    }
    auto entry = reinterpret_cast<EntryProc>(dlsym(handle, "VSTPluginMain"));
    if (!entry) {
        std::fprintf(stderr, "no VSTPluginMain in %s\n", path);
        std::exit(1);
    }
    std::printf("plug-in: %s\n", path);
    return entry;
}

class Plugin {
public:
    explicit Plugin(EntryProc entry, float rate, float cabinet) : e(entry(hostCallback))
    {
        if (!e) {
            std::fprintf(stderr, "the entry point returned no instance\n");
            std::exit(1);
        }
        dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        dispatch(effSetBlockSize, 0, 64);
        dispatch(effMainsChanged, 0, 1);
        set(kCabinet, cabinet);
    }
    ~Plugin() { dispatch(effClose); }
    intptr_t dispatch(int32_t op, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f)
    {
        return e->dispatcher(e, op, index, value, ptr, opt);
    }
    void set(int32_t index, float v) { e->setParameter(e, index, v); }
    // Restores the current program as a preset naming `path` with the cabinet on EXT.
    void loadResponse(const std::string& path)
    {
        void* data = nullptr;
        const intptr_t size = dispatch(effGetChunk, 1, 0, &data);
        if (size != 320 || !data || path.size() >= 260)
            return;
        std::vector<unsigned char> preset(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + 320);
        std::fill(preset.begin() + 60, preset.end(), 0);
        std::copy(path.begin(), path.end(), preset.begin() + 60);
        const float ext = 1.f;
        std::memcpy(preset.data() + 24 + 4 * kCabinet, &ext, 4);
        dispatch(effSetChunk, 1, 320, preset.data());
    }
    void process(double* in0, double* in1, double* out0, double* out1, int32_t n)
    {
        double* ins[2] = {in0, in1};
        double* outs[2] = {out0, out1};
        e->processDoubleReplacing(e, ins, outs, n);
    }

private:
    AEffect* e;
};

// bytes in a new file under /tmp; its path, or empty when it could not be written.
std::string writeTempFile(const std::vector<unsigned char>& bytes)
{
    char name[] = "/tmp/zorvan-bench-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0)
        return {};
    const bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(fd);
    if (written)
        return name;
    std::remove(name);
    return {};
}

// A 10000-frame 16-bit mono response (decaying noise), written once.
std::string responseFile()
{
    static const std::string path = [] {
        const uint32_t frames = 10000, dataSize = 2 * frames;
        std::vector<unsigned char> b;
        auto put = [&b](uint32_t v, int bytes) {
            for (int i = 0; i < bytes; ++i)
                b.push_back(static_cast<unsigned char>(v >> (8 * i)));
        };
        const char* riff = "RIFF";
        b.insert(b.end(), riff, riff + 4);
        put(36 + dataSize, 4);
        const char* wavefmt = "WAVEfmt ";
        b.insert(b.end(), wavefmt, wavefmt + 8);
        put(16, 4);
        put(1, 2);
        put(1, 2);
        put(48000, 4);
        put(96000, 4);
        put(2, 2);
        put(16, 2);
        const char* data = "data";
        b.insert(b.end(), data, data + 4);
        put(dataSize, 4);
        std::mt19937 rng(3);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        for (uint32_t i = 0; i < frames; ++i)
            put(static_cast<uint16_t>(static_cast<int16_t>(std::lround(30000.0 * std::exp(-i / 600.0) * u(rng)))), 2);
        return writeTempFile(b);
    }();
    return path;
}

std::vector<double> guitar(size_t n, double rate)
{
    // A sustained low chord, loud enough to drive the preamp into distortion.
    std::vector<double> x(n);
    for (size_t i = 0; i < n; ++i) {
        const double t = i / rate;
        x[i] = 0.25 * std::sin(2 * M_PI * 110.0 * t) + 0.15 * std::sin(2 * M_PI * 164.8 * t) +
            0.1 * std::sin(2 * M_PI * 220.0 * t + 0.5);
    }
    return x;
}

// Energy per sample above `cutoff` Hz, from a Hann-windowed FFT of the whole signal.
double energyAbove(const std::vector<double>& y, double rate, double cutoff)
{
    const int n = static_cast<int>(y.size());
    std::vector<double> in(y.size());
    for (int i = 0; i < n; ++i)
        in[i] = y[i] * (0.5 - 0.5 * std::cos(2 * M_PI * i / n));
    fftw_complex* out = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * (n / 2 + 1)));
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, in.data(), out, FFTW_ESTIMATE);
    fftw_execute(plan);
    double sum = 0.0;
    for (int k = 0; k <= n / 2; ++k)
        if (k * rate / n > cutoff)
            sum += out[k][0] * out[k][0] + out[k][1] * out[k][1];
    fftw_destroy_plan(plan);
    fftw_free(out);
    // Parseval with the Hann window's mean square of 3/8.
    return 2.0 * sum / (static_cast<double>(n) * n * 0.375);
}

double dB(double energy)
{
    return 10.0 * std::log10(std::max(energy, 1e-300));
}

// The automation: gain and volume sweep from low to high and back over the
// run; `every` is how many samples pass between two parameter updates
// (0 keeps them fixed at the middle of the sweep).
std::vector<double> automated(EntryProc entry, double rate, float cabinet, const std::vector<double>& x, int every,
                              bool alternate)
{
    Plugin plug(entry, static_cast<float>(rate), cabinet);
    plug.set(kInput, 0.5f);
    plug.set(kMode, 0.5f);
    std::vector<double> in1(x.size(), 0.0), in0(x), y(x.size()), y1(x.size());
    const size_t n = x.size();
    const size_t step = every > 0 ? static_cast<size_t>(every) : n;
    for (size_t pos = 0; pos < n; pos += step) {
        float gain = 0.5f, master = 0.5f;
        if (every > 0) {
            const double phase = static_cast<double>(pos) / n; // 0..1 over the run
            const double sweep = phase < 0.5 ? 2 * phase : 2 - 2 * phase;
            gain = static_cast<float>(0.2 + 0.6 * sweep);
            master = static_cast<float>(0.7 - 0.4 * sweep);
            if (alternate) {
                const bool odd = (pos / step) % 2;
                gain = odd ? 0.4f : 0.6f;
                master = odd ? 0.45f : 0.55f;
            }
        }
        plug.set(kGain, gain);
        plug.set(kMaster, master);
        const int32_t len = static_cast<int32_t>(std::min(step, n - pos));
        plug.process(in0.data() + pos, in1.data() + pos, y.data() + pos, y1.data() + pos, len);
    }
    // The first 100 ms hold the start-up transient.
    return std::vector<double>(y.begin() + static_cast<long>(rate / 10), y.end());
}

void zipperReport(EntryProc entry)
{
    const double rate = 48000.0;
    const std::vector<double> x = guitar(static_cast<size_t>(2.1 * rate), rate);
    std::printf(
        "1. Zipper noise: power above 10 kHz, dB of mean square (a full-scale sine is -3 dB); 48000 Hz, 2 s, RHYTHM\n");
    std::printf("   %-4s %10s %13s %10s %9s %14s %10s %13s\n", "cab", "fixed", "sweep/sample", "sweep/32", "32 vs 1",
                "steps' residue", "toggle/32", "toggle-fixed");
    for (float cabinet : {0.5f, 0.f}) {
        const std::vector<double> smoothY = automated(entry, rate, cabinet, x, 1, false);
        const std::vector<double> steppedY = automated(entry, rate, cabinet, x, 32, false);
        std::vector<double> residue(smoothY.size());
        for (size_t i = 0; i < residue.size(); ++i)
            residue[i] = steppedY[i] - smoothY[i];
        const double fixed = energyAbove(automated(entry, rate, cabinet, x, 0, false), rate, 10000.0);
        const double smooth = energyAbove(smoothY, rate, 10000.0);
        const double stepped = energyAbove(steppedY, rate, 10000.0);
        const double steps = energyAbove(residue, rate, 10000.0);
        const double toggled = energyAbove(automated(entry, rate, cabinet, x, 32, true), rate, 10000.0);
        std::printf("   %-4s %7.1f dB %10.1f dB %7.1f dB %+6.2f dB %11.1f dB %7.1f dB %+10.1f dB\n",
                    cabinet == 0.f ? "INT" : "OFF", dB(fixed), dB(smooth), dB(stepped), dB(stepped) - dB(smooth),
                    dB(steps), dB(toggled), dB(toggled) - dB(fixed));
    }
    std::printf("   sweep: gain 0.2->0.8->0.2 and volume 0.7->0.3->0.7 over the run, updated every sample or\n"
                "   every 32; steps' residue: the part of the 32-sample version that the per-sample one lacks.\n"
                "   toggle: gain 0.4/0.6 and volume 0.45/0.55 swapped every 32 samples, against both at 0.5.\n\n");
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5));
    return v[i];
}

void timingReport(EntryProc entry, double seconds)
{
    std::printf("2. 64-sample block time as a share of its real-time budget (%.0f s of audio each, double entry)\n",
                seconds);
    std::printf("   %-7s %-4s %10s %10s %10s %10s\n", "rate", "cab", "budget", "median", "p99", "worst");
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> u(-0.5, 0.5);
    for (double rate : {48000.0, 96000.0}) {
        for (float cabinet : {0.5f, 0.f, 1.f}) {
            Plugin plug(entry, static_cast<float>(rate), cabinet);
            if (cabinet == 1.f)
                plug.loadResponse(responseFile());
            const size_t n = static_cast<size_t>(seconds * rate) / 64 * 64;
            std::vector<double> x = guitar(n, rate);
            for (double& v : x)
                v += 0.05 * u(rng);
            std::vector<double> in1(64, 0.0), y0(64), y1(64);
            std::vector<double> times;
            times.reserve(n / 64);
            for (size_t pos = 0; pos < n; pos += 64) {
                const auto t0 = std::chrono::steady_clock::now();
                plug.process(x.data() + pos, in1.data(), y0.data(), y1.data(), 64);
                times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
            }
            const double budget = 64.0 / rate;
            std::printf("   %-7.0f %-4s %7.3f ms %9.2f%% %9.2f%% %9.2f%%\n", rate,
                        cabinet == 0.f       ? "INT"
                            : cabinet == 1.f ? "EXT"
                                             : "OFF",
                        budget * 1e3, 100 * percentile(times, 0.5) / budget, 100 * percentile(times, 0.99) / budget,
                        100 * *std::max_element(times.begin(), times.end()) / budget);
        }
    }
    std::printf("\n");
}

double bestPerSample(Plugin& plug, std::vector<double>& x)
{
    std::vector<double> in1(x.size(), 0.0), y0(x.size()), y1(x.size());
    double best = 1e30;
    for (int r = 0; r < 15; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        for (size_t pos = 0; pos < x.size(); pos += 256)
            plug.process(x.data() + pos, in1.data() + pos, y0.data() + pos, y1.data() + pos,
                         static_cast<int32_t>(std::min<size_t>(256, x.size() - pos)));
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best / x.size();
}

void inputCostReport(EntryProc entry)
{
    std::printf("3. Cost per sample by kind of input (44100 Hz, cabinet OFF, double entry, best of 15)\n");
    const size_t n = 22016;
    std::mt19937_64 rng(2);
    std::uniform_real_distribution<double> u(-0.5, 0.5);
    std::vector<double> noise(n), silence(n, 0.0), subnormal(n);
    for (size_t i = 0; i < n; ++i) {
        noise[i] = u(rng);
        subnormal[i] = std::numeric_limits<double>::denorm_min() * static_cast<double>(1 + rng() % 1000000) *
            ((i & 1) ? -1 : 1);
    }
    Plugin a(entry, 44100.f, 0.5f), b(entry, 44100.f, 0.5f), c(entry, 44100.f, 0.5f);
    const double tNoise = bestPerSample(a, noise), tSilence = bestPerSample(b, silence),
                 tSub = bestPerSample(c, subnormal);
    std::printf("   noise %.0f ns   silence %.0f ns   subnormal %.0f ns   subnormal/noise %.2f\n\n", tNoise * 1e9,
                tSilence * 1e9, tSub * 1e9, tSub / tNoise);
}

// A WAV header whose chunk list runs into 16 MB of zeros, written once.
std::string zeroFilledFile()
{
    static const std::string path = [] {
        const uint32_t size = 16u << 20;
        std::vector<unsigned char> b(size, 0);
        std::memcpy(b.data(), "RIFF", 4);
        const uint32_t riffSize = size - 8;
        std::memcpy(b.data() + 4, &riffSize, 4);
        std::memcpy(b.data() + 8, "WAVE", 4);
        return writeTempFile(b);
    }();
    return path;
}

void parameterWaitReport(EntryProc entry)
{
    std::printf("4. setParameter on the audio thread while another thread restores presets naming a response\n");
    for (const std::string& file : {responseFile(), zeroFilledFile()}) {
        if (file.empty())
            continue;
        Plugin plug(entry, 48000.f, 1.f);
        std::atomic<bool> stop{false};
        std::vector<double> restores;
        std::thread restorer([&] {
            while (!stop.load() && restores.size() < 20) {
                const auto t0 = std::chrono::steady_clock::now();
                plug.loadResponse(file);
                restores.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
            }
        });
        std::vector<double> calls;
        const auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < std::chrono::seconds(3) && restores.size() < 20) {
            const auto t0 = std::chrono::steady_clock::now();
            plug.set(kGain, static_cast<float>(calls.size() % 100) / 100.f);
            calls.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        }
        stop = true;
        restorer.join();
        std::printf("   %-22s restore median %8.3f ms | setParameter: %zu calls, median %6.3f us, 99.9%% %8.3f us, "
                    "worst %9.3f us\n",
                    file == responseFile() ? "ordinary response" : "16 MB of zeros",
                    restores.empty() ? 0.0 : percentile(restores, 0.5) * 1e3, calls.size(),
                    percentile(calls, 0.5) * 1e6, percentile(calls, 0.999) * 1e6,
                    *std::max_element(calls.begin(), calls.end()) * 1e6);
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 10.0;
    EntryProc entry = loadEntry();
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) > 0)
        std::printf("load average %.2f (figures are single-threaded; other work on the machine inflates them)\n\n",
                    load[0]);
    zipperReport(entry);
    timingReport(entry, seconds);
    inputCostReport(entry);
    parameterWaitReport(entry);
    if (!responseFile().empty())
        std::remove(responseFile().c_str());
    if (!zeroFilledFile().empty())
        std::remove(zeroFilledFile().c_str());
    return 0;
}
