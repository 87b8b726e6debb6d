// Cost per sample of the amplifier (each channel, with and without
// oversampling) and of the two cabinets, and cost per call of the tube stages'
// exp, log and pow beside the C library's own, in nanoseconds. Built the same
// way on every system; prints one "name value" line per figure for
// scripts/bench-platforms.sh to set side by side. Each figure is the fastest
// of many short runs (a millisecond or two each), so that other processes on a
// shared machine rarely land inside the one that counts.
//
//   bench_platform [runs (default 201)]
#include "dsp/amp/AmpModel.h"
#include "dsp/amp/TubeMath.h"
#include "dsp/cabinet/ExtCabinet.h"
#include "dsp/cabinet/IntCabinet.h"
#include "tests/support/WavWriter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBlock = 64;
constexpr int kFrames = 4096; // per run

// The fastest of runs timings of work, in ns per unit of work.
double fastest(int runs, double units, const std::function<void()>& work)
{
    double best = 1e300;
    for (int r = 0; r < runs; ++r) {
        const auto start = Clock::now();
        work();
        const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
        best = std::min(best, ns / units);
    }
    return best;
}

// Deterministic noise in [-1, 1).
struct Lcg {
    uint64_t state;
    double next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) / 4503599627370496.0 - 1.0;
    }
};

std::vector<double> guitar(float rate)
{
    std::vector<double> x(kFrames);
    Lcg noise{1};
    for (int i = 0; i < kFrames; ++i) {
        const double t = i / static_cast<double>(rate);
        x[i] = 0.3 * std::sin(2 * M_PI * 110 * t) + 0.2 * std::sin(2 * M_PI * 277 * t) + 1e-3 * noise.next();
    }
    return x;
}

double ampFigure(int runs, float rate, float mode)
{
    auto m = std::make_unique<AmpModel>();
    m->setSampleRate(rate);
    m->setInputLevel(0.5f);
    m->setMode(mode);
    m->setGain(0.6f);
    m->setBassSquared(0.25f);
    m->setMid(0.5f);
    m->setTreble(0.5f);
    m->setPresence(0.5f);
    m->setMaster(0.5f);
    const std::vector<double> x = guitar(rate);
    std::vector<double> y(kFrames);
    volatile double sink = 0;
    return fastest(runs, kFrames, [&] {
        for (int pos = 0; pos < kFrames; pos += kBlock) {
            const int n = std::min(kBlock, kFrames - pos);
            m->process(x.data() + pos, x.data() + pos, y.data() + pos, n);
        }
        sink = sink + y[kFrames - 1];
    });
}

template <typename Cabinet>
double cabinetFigure(int runs, Cabinet& cabinet)
{
    const std::vector<double> x = guitar(44100.f);
    std::vector<double> io(kFrames);
    volatile double sink = 0;
    return fastest(runs, kFrames, [&] {
        io = x;
        for (int pos = 0; pos < kFrames; pos += kBlock)
            cabinet.process(io.data() + pos, std::min(kBlock, kFrames - pos));
        sink = sink + io[kFrames - 1];
    });
}

// A mono 16-bit response of taps samples, decaying noise.
std::string writeResponse(int taps)
{
    const std::string path = (std::filesystem::temp_directory_path() / "zorvan-bench-response.wav").string();
    Lcg noise{static_cast<uint64_t>(taps)};
    std::vector<int16_t> samples(static_cast<size_t>(taps));
    for (int i = 0; i < taps; ++i)
        samples[static_cast<size_t>(i)] = static_cast<int16_t>(30000.0 * noise.next() * std::exp(-3.0 * i / taps));
    testhost::writeFile(path, testhost::wav16(samples, 1));
    return path;
}

// ns per call of f over arguments spread like the tube stages' own.
double mathFigure(int runs, const std::function<double(double)>& f, double from, double to)
{
    constexpr int kCalls = 1 << 14;
    std::vector<double> args(kCalls);
    Lcg noise{3};
    for (double& a : args)
        a = from + (to - from) * 0.5 * (noise.next() + 1.0);
    volatile double sink = 0;
    return fastest(runs, kCalls, [&] {
        double sum = 0;
        for (double a : args)
            sum += f(a);
        sink = sink + sum;
    });
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 201;
    const char* channels[] = {"clean", "rhythm", "lead"};
    const float modes[] = {0.f, 0.5f, 1.f};
    for (float rate : {44100.f, 96000.f})
        for (int c = 0; c < 3; ++c)
            std::printf("amp.%s.%d %.2f\n", channels[c], static_cast<int>(rate), ampFigure(runs, rate, modes[c]));

    auto internal = std::make_unique<IntCabinet>();
    internal->prepare(44100.f);
    internal->rebuildImpulse();
    std::printf("cabinet.int.2048 %.2f\n", cabinetFigure(runs, *internal));
    auto external = std::make_unique<ExtCabinet>();
    for (float rate : {44100.f, 96000.f}) {
        external->setSampleRate(rate);
        const int taps = external->maxIrLength();
        const std::string wav = writeResponse(taps);
        if (!external->loadImpulse(wav.c_str()))
            std::fprintf(stderr, "bench_platform: could not load %s\n", wav.c_str());
        std::printf("cabinet.ext.%d %.2f\n", taps, cabinetFigure(runs, *external));
        std::remove(wav.c_str());
    }

    // The tube stages' arguments: exp of a non-positive offset, log of 1 + that,
    // pow of the plate term to the Koren exponent.
    std::printf("math.exp.tube %.2f\n", mathFigure(runs, tubeExp, -30.0, 0.0));
    std::printf("math.exp.libc %.2f\n",
                mathFigure(
                    runs, [](double x) { return std::exp(x); }, -30.0, 0.0));
    std::printf("math.log.tube %.2f\n", mathFigure(runs, tubeLog, 1.0, 2.0));
    std::printf("math.log.libc %.2f\n",
                mathFigure(
                    runs, [](double x) { return std::log(x); }, 1.0, 2.0));
    std::printf("math.pow.tube %.2f\n",
                mathFigure(
                    runs, [](double x) { return tubePow(x, 1.4); }, 0.01, 300.0));
    std::printf("math.pow.libc %.2f\n",
                mathFigure(
                    runs, [](double x) { return std::pow(x, 1.4); }, 0.01, 300.0));
    return 0;
}
