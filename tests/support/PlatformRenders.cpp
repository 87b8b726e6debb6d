#include "support/PlatformRenders.h"

#include "plugin/vst/aeffect.h"
#include "support/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace testhost {

namespace {

intptr_t plainHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

typedef AEffect* (*EntryProc)(audioMasterCallback);

// Chunk layout of one program record, as a preset librarian edits it.
constexpr size_t kRecordSize = 320;
constexpr size_t kValuesOffset = 24;
constexpr size_t kPathOffset = 60;
constexpr size_t kPathSize = 260;

// Deterministic uniform noise in [-1, 1) from integers only.
struct Lcg {
    uint64_t state;
    double next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) / 4503599627370496.0 - 1.0;
    }
};

} // namespace

const std::vector<PlatformRenderCase>& platformRenderCases()
{
    static const std::vector<PlatformRenderCase> cases = [] {
        std::vector<PlatformRenderCase> list;
        const char* channels[] = {"clean", "rhythm", "lead"};
        const float modes[] = {0.f, 0.5f, 1.f};
        const char* cabinets[] = {"int", "off", "ext"};
        const float cabinetValues[] = {0.f, 0.5f, 1.f};
        for (float rate : {44100.f, 96000.f})
            for (int m = 0; m < 3; ++m)
                for (int c = 0; c < 3; ++c)
                    list.push_back({std::string(channels[m]) + "-" + cabinets[c] + "-" +
                                        std::to_string(static_cast<int>(rate)) + "-double",
                                    rate, modes[m], cabinetValues[c], false});
        list.push_back({"lead-int-48000-float", 48000.f, 1.f, 0.f, true});
        list.push_back({"clean-ext-48000-float", 48000.f, 0.f, 1.f, true});
        return list;
    }();
    return cases;
}

std::vector<double> platformInput(float rate)
{
    const size_t n = static_cast<size_t>(rate);
    std::vector<double> x(n);
    Lcg noise{12345};
    const size_t period = n / 4;
    for (size_t i = 0; i < n; ++i) {
        const size_t k = i % period;
        const double t = static_cast<double>(k) / rate;
        const double env = 0.8 * std::exp(-t * 12.0);
        x[i] = env * (0.6 * std::sin(2 * M_PI * 82.4 * t) + 0.3 * std::sin(2 * M_PI * 164.8 * t)) + 1e-3 * noise.next();
    }
    return x;
}

std::vector<uint8_t> platformCabinetWav()
{
    Lcg noise{7};
    std::vector<int16_t> samples;
    for (int i = 0; i < 10000; ++i) {
        const double t = i / 48000.0;
        const double body = std::exp(-t * 90.0) * (0.6 * noise.next() + 0.4 * std::sin(2 * M_PI * 120.0 * t));
        samples.push_back(static_cast<int16_t>(std::lround((i == 20 ? 0.95 : body) * 32000.0)));
        samples.push_back(static_cast<int16_t>(std::lround((i == 20 ? 0.9 : body * 0.8) * 32000.0)));
    }
    return wav16(samples, 2);
}

std::vector<double> renderPlatformCase(const ModuleLoader& module, const PlatformRenderCase& c,
                                       const std::vector<double>& input, const std::string& wavPath)
{
    auto entry = reinterpret_cast<EntryProc>(module.symbol("VSTPluginMain"));
    AEffect* e = entry ? entry(plainHost) : nullptr;
    if (!e)
        return {};
    auto dispatch = [e](int32_t op, int32_t index, intptr_t value, void* ptr, float opt) {
        return e->dispatcher(e, op, index, value, ptr, opt);
    };
    dispatch(effMainsChanged, 0, 0, nullptr, 0.f);
    dispatch(effSetSampleRate, 0, 0, nullptr, c.rate);
    dispatch(effSetBlockSize, 0, 64, nullptr, 0.f);
    const float values[9] = {0.5f, c.mode, 0.7f, 0.5f, 0.5f, 0.6f, 0.5f, 0.5f, c.cabinet};
    if (c.cabinet == 1.f) {
        // The response arrives as a host restores a preset: path and values in the record.
        void* data = nullptr;
        const intptr_t size = dispatch(effGetChunk, 1, 0, &data, 0.f);
        if (size != static_cast<intptr_t>(kRecordSize) || !data || wavPath.size() >= kPathSize) {
            dispatch(effClose, 0, 0, nullptr, 0.f);
            return {};
        }
        std::vector<uint8_t> preset(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        std::memcpy(preset.data() + kValuesOffset, values, sizeof values);
        std::memset(preset.data() + kPathOffset, 0, kPathSize);
        std::memcpy(preset.data() + kPathOffset, wavPath.data(), wavPath.size());
        dispatch(effSetChunk, 1, size, preset.data(), 0.f);
    }
    for (int i = 0; i < 9; ++i)
        e->setParameter(e, i, values[i]);
    dispatch(effMainsChanged, 0, 1, nullptr, 0.f);

    std::vector<double> out(input.size());
    for (size_t pos = 0; pos < input.size(); pos += 64) {
        const int32_t n = static_cast<int32_t>(std::min<size_t>(64, input.size() - pos));
        if (c.floatEntry) {
            std::vector<float> in0(input.begin() + pos, input.begin() + pos + n), in1(in0), o0(n), o1(n);
            float* ins[2] = {in0.data(), in1.data()};
            float* outs[2] = {o0.data(), o1.data()};
            e->processReplacing(e, ins, outs, n);
            std::copy(o0.begin(), o0.end(), out.begin() + pos);
        } else {
            std::vector<double> in0(input.begin() + pos, input.begin() + pos + n), in1(in0), o0(n), o1(n);
            double* ins[2] = {in0.data(), in1.data()};
            double* outs[2] = {o0.data(), o1.data()};
            e->processDoubleReplacing(e, ins, outs, n);
            std::copy(o0.begin(), o0.end(), out.begin() + pos);
        }
    }
    dispatch(effClose, 0, 0, nullptr, 0.f);
    return out;
}

bool writeSamples(const std::string& path, const std::vector<double>& samples)
{
    std::vector<uint8_t> bytes(samples.size() * sizeof(double));
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return writeFile(path, bytes);
}

std::vector<double> readSamples(const std::string& path)
{
    std::vector<double> samples;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return samples;
    double block[4096];
    size_t n;
    while ((n = std::fread(block, sizeof(double), 4096, f)) > 0)
        samples.insert(samples.end(), block, block + n);
    std::fclose(f);
    return samples;
}

} // namespace testhost
