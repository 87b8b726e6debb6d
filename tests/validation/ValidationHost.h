// The validation suite's helpers around the tests' host (support/VstHost.h):
// the parameters and chunk layout as a host sees them, the suite's response
// files and signals, comparisons, and the base fixture that checks after each
// test that no processing call allocated, opened, read or locked.
#pragma once

#include "support/VstHost.h"
#include "support/WavWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace validation {

// The parameters as a host numbers them.
enum Param { kInput = 0, kMode, kGain, kBass, kMid, kTreble, kPresence, kMaster, kCabinet, kParams };

// One program record of the chunk, as a host that edits saved state sees it.
constexpr int kRecordSize = 320;
constexpr int kBankSize = 4 * kRecordSize;
constexpr int kNameSize = 24;
constexpr int kValuesOffset = 24;
constexpr int kPathOffset = 60;
constexpr int kPathSize = 260;

// Cabinet switch positions.
constexpr float kCabInt = 0.f;
constexpr float kCabOff = 0.5f;
constexpr float kCabExt = 1.f;

// Every rate the suite plays at, including odd ones that no filter table covers.
inline const std::vector<float>& allRates()
{
    static const std::vector<float> rates = {8000.f,  11025.f, 22050.f,  44100.f,  48000.f,  62000.f,
                                             68000.f, 96000.f, 192000.f, 384000.f, 768000.f, 1234.5678f};
    return rates;
}

// ---------------------------------------------------------------------------
// Host side

using testhost::Bytes;
using testhost::EntryProc;
using testhost::Library;
using testhost::Plugin;
constexpr audioMasterCallback hostCallback = testhost::plainCallback;

// ---------------------------------------------------------------------------
// Chunk editing, as a preset librarian does it

inline float recordValue(const Bytes& chunk, int record, int index)
{
    float v;
    std::memcpy(&v, chunk.data() + record * kRecordSize + kValuesOffset + 4 * index, 4);
    return v;
}

inline void setRecordValue(Bytes& chunk, int record, int index, float v)
{
    std::memcpy(chunk.data() + record * kRecordSize + kValuesOffset + 4 * index, &v, 4);
}

// Writes a string field NUL-terminated and zero-filled after the NUL.
inline void setRecordText(Bytes& chunk, int record, int offset, int size, const std::string& text)
{
    uint8_t* field = chunk.data() + record * kRecordSize + offset;
    std::memset(field, 0, static_cast<size_t>(size));
    std::memcpy(field, text.data(), std::min(text.size(), static_cast<size_t>(size - 1)));
}

inline void setRecordPath(Bytes& chunk, int record, const std::string& path)
{
    setRecordText(chunk, record, kPathOffset, kPathSize, path);
}

// Loads an external response the way a host restores a preset: the current
// program's record with the path and the cabinet switch on EXT.
inline bool loadExternal(Plugin& plug, const std::string& path)
{
    Bytes preset = plug.chunk(true);
    if (preset.size() != kRecordSize)
        return false;
    setRecordPath(preset, 0, path);
    setRecordValue(preset, 0, kCabinet, kCabExt);
    return plug.setChunk(preset, true) == 1;
}

// ---------------------------------------------------------------------------
// Files

// A private directory for the suite's WAV files, removed at exit.
class TempDir {
public:
    static TempDir& shared()
    {
        static TempDir dir;
        return dir;
    }
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zorvan-validation-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    std::string file(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

// A cabinet-like response: decaying noise with a low resonance, 10000 stereo
// frames of 16-bit PCM, so it is cut to 4096 or 8192 samples by the loader.
inline Bytes cabinetWavBytes(uint32_t seed = 7, int frames = 10000)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<int16_t> samples;
    for (int i = 0; i < frames; ++i) {
        const double t = i / 48000.0;
        const double body = std::exp(-t * 90.0) * (0.6 * u(rng) + 0.4 * std::sin(2 * M_PI * 120.0 * t));
        const double left = (i == 20 ? 0.95 : body);
        const double right = (i == 20 ? 0.9 : body * 0.8);
        samples.push_back(static_cast<int16_t>(std::lround(left * 32000.0)));
        samples.push_back(static_cast<int16_t>(std::lround(right * 32000.0)));
    }
    return testhost::wav16(samples, 2);
}

inline const std::string& cabinetWav()
{
    static const std::string path = [] {
        std::string p = TempDir::shared().file("cabinet.wav");
        testhost::writeFile(p, cabinetWavBytes());
        return p;
    }();
    return path;
}

// A second response, for hosts that switch between two.
inline const std::string& otherCabinetWav()
{
    static const std::string path = [] {
        std::string p = TempDir::shared().file("other.wav");
        testhost::writeFile(p, cabinetWavBytes(99, 3000));
        return p;
    }();
    return path;
}

// ---------------------------------------------------------------------------
// Signals

inline std::vector<double> noise(size_t n, double amplitude, uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-amplitude, amplitude);
    std::vector<double> x(n);
    for (double& v : x)
        v = u(rng);
    return x;
}

// Plucked-string-like bursts: a few harmonics of a low note, each burst with a
// sharp attack and an exponential decay, four bursts a second, silence between.
inline std::vector<double> bursts(size_t n, double rate, double amplitude = 0.8)
{
    std::vector<double> x(n, 0.0);
    const size_t period = static_cast<size_t>(rate / 4.0) + 1;
    for (size_t i = 0; i < n; ++i) {
        const size_t k = i % period;
        if (k > period * 3 / 4)
            continue;
        const double t = k / rate;
        const double env = amplitude * std::exp(-t * 12.0);
        x[i] = env *
            (0.6 * std::sin(2 * M_PI * 82.4 * t) + 0.3 * std::sin(2 * M_PI * 164.8 * t) +
             0.1 * std::sin(2 * M_PI * 329.6 * t + 0.3));
    }
    return x;
}

template <typename To, typename From>
std::vector<To> convert(const std::vector<From>& x)
{
    return std::vector<To>(x.begin(), x.end());
}

// ---------------------------------------------------------------------------
// Reference arithmetic

// The external response as the loader makes it from cabinetWavBytes(): 16-bit
// stereo averaged to mono, cut to `length`, Hamming window centred on the peak.
inline std::vector<double> loadedResponse(const Bytes& wav, size_t length)
{
    const size_t frames = (wav.size() - 44) / 4;
    const size_t n = std::min(length, frames);
    auto sample = [&](size_t index) {
        const uint8_t* b = wav.data() + 44 + 2 * index;
        const int16_t v = static_cast<int16_t>(b[0] | (b[1] << 8));
        return v > 0 ? v / 32767.0 : v * (1.0 / 32768.0);
    };
    std::vector<double> h(n);
    size_t peak = 0;
    double peakValue = 0.0;
    for (size_t j = 0; j < n; ++j) {
        h[j] = (sample(2 * j + 1) + sample(2 * j)) * 0.5;
        if (std::fabs(h[j]) > peakValue) {
            peakValue = std::fabs(h[j]);
            peak = j;
        }
    }
    const double p = static_cast<double>(peak), len = static_cast<double>(n);
    for (size_t i = 0; i < n; ++i) {
        const double numerator = static_cast<double>(static_cast<long>(i) + static_cast<long>(n) -
                                                     2 * static_cast<long>(peak) - 1);
        h[i] *= 0.54 - 0.46 * std::cos(6.283185307179586 * numerator / (2 * len - 2 * p - 2));
    }
    return h;
}

// 0.25 * sum h[t] u[k - t], with u taken as zero outside [from, to).
inline std::vector<double> externalCabinet(const std::vector<double>& h, const std::vector<double>& u, size_t from = 0,
                                           size_t to = static_cast<size_t>(-1))
{
    std::vector<double> y(u.size(), 0.0);
    for (size_t k = 0; k < u.size(); ++k) {
        double sum = 0.0;
        for (size_t t = 0; t < h.size() && t <= k; ++t)
            if (k - t >= from && k - t < to)
                sum += h[t] * u[k - t];
        y[k] = 0.25 * sum;
    }
    return y;
}

inline double maxDifference(const std::vector<double>& a, const std::vector<double>& b, size_t from, size_t to)
{
    double d = 0.0;
    for (size_t i = from; i < to && i < a.size() && i < b.size(); ++i)
        d = std::max(d, std::fabs(a[i] - b[i]));
    return d;
}

// ---------------------------------------------------------------------------
// Checks

template <typename T>
bool isSubnormal(T v)
{
    return std::fpclassify(v) == FP_SUBNORMAL;
}

struct Scan {
    static constexpr size_t none = static_cast<size_t>(-1);
    size_t firstNonFinite = none;
    size_t firstSubnormal = none;
    size_t firstOverBound = none;
    double maxAbs = 0.0;
};

template <typename T>
Scan scan(const std::vector<T>& y, double bound = 100.0)
{
    Scan s;
    for (size_t i = 0; i < y.size(); ++i) {
        const double v = static_cast<double>(y[i]);
        if (!std::isfinite(v)) {
            if (s.firstNonFinite == Scan::none)
                s.firstNonFinite = i;
            continue;
        }
        if (isSubnormal(y[i]) && s.firstSubnormal == Scan::none)
            s.firstSubnormal = i;
        if (std::fabs(v) >= bound && s.firstOverBound == Scan::none)
            s.firstOverBound = i;
        s.maxAbs = std::max(s.maxAbs, std::fabs(v));
    }
    return s;
}

// Index of the first sample whose bits differ, or -1.
template <typename T>
long firstDifference(const std::vector<T>& a, const std::vector<T>& b, size_t from = 0)
{
    if (a.size() != b.size())
        return 0;
    for (size_t i = from; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(T)) != 0)
            return static_cast<long>(i);
    return -1;
}

inline void expectRealtimeClean()
{
    if (!rtprobe::active())
        return;
    const rtprobe::Counts counts = rtprobe::take();
    EXPECT_EQ(counts.total(), 0u) << "calls made inside a processing entry: " << counts.describe();
}

// Base of every test that processes audio: in probe builds each test ends by
// checking that no processing call allocated, opened, read or locked.
class ValidationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Library::shared().entry) << Library::shared().error;
        rtprobe::take();
    }
    void TearDown() override { expectRealtimeClean(); }
};

// Tests that drive the plug-in from several threads at once (label threads).
class Threads : public ValidationTest {};

template <typename P>
class ValidationTestP : public ValidationTest, public ::testing::WithParamInterface<P> {
};

} // namespace validation
