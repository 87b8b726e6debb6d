// The VST3 bundle driven through its factory as a host would, against the
// VST 2.4 library: both must render the same samples for the same input,
// settings, rate and block splits.
#include "Vst3TestHost.h"
#include "support/SignalCompare.h"
#include "support/VstHost.h"

#include "plugin/Identity.h"
#include "plugin/Parameters.h"
#include "plugin/ZorvanProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

using namespace v3host;

namespace {

using testhost::firstDifference;
using testhost::signal;

constexpr ParamID kBypass = 100;
const float kSettings[kNumParams] = {0.6f, 0.5f, 0.8f, 0.3f, 0.7f, 0.4f, 0.6f, 0.45f, 0.0f};

// The VST 2.4 instance, switched on at a rate as a host does.
struct Reference {
    explicit Reference(float rate = 44100.f) : instance(testhost::plainCallback)
    {
        instance.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        instance.dispatch(effMainsChanged, 0, 1);
    }
    void run(float* in0, float* in1, float* out0, float* out1, int32_t n)
    {
        float* ins[2] = {in0, in1};
        float* outs[2] = {out0, out1};
        instance.effect->processReplacing(instance.effect, ins, outs, n);
    }
    void run(double* in0, double* in1, double* out0, double* out1, int32_t n)
    {
        double* ins[2] = {in0, in1};
        double* outs[2] = {out0, out1};
        instance.effect->processDoubleReplacing(instance.effect, ins, outs, n);
    }
    testhost::Plugin instance;
};

template <typename Sample>
int32_t sampleSizeOf()
{
    return sizeof(Sample) == sizeof(double) ? kSample64 : kSample32;
}

Changes settingsChanges(const float (&values)[kNumParams])
{
    Changes c;
    for (int i = 0; i < kNumParams; ++i)
        c.add(static_cast<ParamID>(i), 0, values[i]);
    return c;
}

std::string text(IEditController* controller, ParamID id, double value)
{
    String128 t{};
    if (controller->getParamStringByValue(id, value, t) != kResultOk)
        return "<none>";
    std::string out;
    for (int i = 0; t[i]; ++i)
        out += static_cast<char>(t[i]);
    return out;
}

} // namespace

TEST(Vst3Factory, OneClassWithTheVendorsIdentity)
{
    IPluginFactory* factory = Module::shared().factory;
    PFactoryInfo info{};
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, zorvan::kVendorString);
    EXPECT_STREQ(info.url, zorvan::kWebAddress);
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
    ASSERT_EQ(factory->countClasses(), 1);

    auto* factory2 = queryAs<IPluginFactory2>(factory);
    ASSERT_NE(factory2, nullptr);
    PClassInfo2 c{};
    ASSERT_EQ(factory2->getClassInfo2(0, &c), kResultOk);
    EXPECT_STREQ(c.category, "Audio Module Class");
    EXPECT_STREQ(c.name, zorvan::kEffectName);
    EXPECT_STREQ(c.subCategories, "Fx|Distortion");
    EXPECT_STREQ(c.version, zorvan::kVersionString);
    EXPECT_EQ(c.classFlags, 0u);
    // The class ID is fixed for good: projects store it. Windows hosts read
    // its first three fields as a COM GUID's, in little-endian order.
#if defined(_WIN32)
    const unsigned char expected[16] = {0xB2, 0x6D, 0xED, 0x9D, 0x67, 0x6E, 0xAA, 0x52,
                                        0x88, 0x94, 0x6F, 0xBF, 0xF9, 0x4E, 0x26, 0xCB};
#else
    const unsigned char expected[16] = {0x9D, 0xED, 0x6D, 0xB2, 0x6E, 0x67, 0x52, 0xAA,
                                        0x88, 0x94, 0x6F, 0xBF, 0xF9, 0x4E, 0x26, 0xCB};
#endif
    EXPECT_EQ(std::memcmp(c.cid, expected, 16), 0);
    EXPECT_EQ(factory2->getClassInfo2(1, &c), kInvalidArgument);

    TUID other = {1, 2, 3};
    void* obj = reinterpret_cast<void*>(1);
    EXPECT_NE(factory->createInstance(other, IComponent::iid.bytes, &obj), kResultOk);
    EXPECT_EQ(obj, nullptr);
    EXPECT_NE(factory->createInstance(c.cid, IPlugView::iid.bytes, &obj), kResultOk);
    EXPECT_EQ(obj, nullptr);
}

TEST(Vst3Component, AnswersForProcessorAndController)
{
    Plugin p;
    TUID cid{};
    EXPECT_EQ(p.component->getControllerClassId(cid), kNotImplemented);
    auto* requirements = queryAs<IProcessContextRequirements>(p.component);
    ASSERT_NE(requirements, nullptr);
    EXPECT_EQ(requirements->getProcessContextRequirements(), 0u);
    requirements->release();
    EXPECT_EQ(queryAs<IPlugView>(p.component), nullptr);
    // A host that initialises the controller too finds it ready.
    EXPECT_EQ(p.controller->initialize(nullptr), kResultOk);
    EXPECT_EQ(p.processor->getLatencySamples(), 0u);
    EXPECT_EQ(p.processor->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(p.processor->canProcessSampleSize(kSample64), kResultTrue);
    EXPECT_EQ(p.processor->canProcessSampleSize(7), kResultFalse);
    // The built-in cabinet's tail at the default settings; none with the cabinet off.
    EXPECT_GT(p.processor->getTailSamples(), 0u);
    Changes off;
    off.add(kCabinet, 0, 0.5);
    p.flush(off);
    EXPECT_EQ(p.processor->getTailSamples(), 0u);
}

TEST(Vst3Component, StereoAndMonoBusesAcceptedOthersRefused)
{
    Plugin p;
    EXPECT_EQ(p.component->getBusCount(kAudio, vst3::kInput), 1);
    EXPECT_EQ(p.component->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(p.component->getBusCount(kEvent, vst3::kInput), 0);
    BusInfo bus{};
    ASSERT_EQ(p.component->getBusInfo(kAudio, kOutput, 0, bus), kResultOk);
    EXPECT_EQ(bus.channelCount, 2);
    EXPECT_EQ(bus.busType, kMain);
    EXPECT_EQ(p.component->getBusInfo(kAudio, kOutput, 1, bus), kInvalidArgument);
    EXPECT_EQ(p.component->getBusInfo(kEvent, vst3::kInput, 0, bus), kInvalidArgument);

    SpeakerArrangement surround = 0x3F, stereo = kArrStereo, mono = kArrMono, arr = 0;
    EXPECT_EQ(p.processor->setBusArrangements(&surround, 1, &stereo, 1), kResultFalse);
    EXPECT_EQ(p.processor->setBusArrangements(&stereo, 1, &surround, 1), kResultFalse);
    SpeakerArrangement two[2] = {stereo, stereo};
    EXPECT_EQ(p.processor->setBusArrangements(two, 2, &stereo, 1), kResultFalse);
    ASSERT_EQ(p.processor->getBusArrangement(vst3::kInput, 0, arr), kResultTrue);
    EXPECT_EQ(arr, kArrStereo);

    ASSERT_EQ(p.processor->setBusArrangements(&mono, 1, &stereo, 1), kResultTrue);
    ASSERT_EQ(p.component->getBusInfo(kAudio, vst3::kInput, 0, bus), kResultOk);
    EXPECT_EQ(bus.channelCount, 1);

    // A mono input drives the amplifier as the VST 2.4 library fed on one input.
    ASSERT_EQ(p.setup(44100, kSample32), kResultOk);
    p.activate(true);
    Reference ref;
    auto in = signal<float>(1000, 3);
    std::vector<float> silent(1000, 0.f), l(1000), r(1000), rl(1000), rr(1000);
    ASSERT_EQ(p.process<float>({&in}, {&l, &r}, 1000), kResultOk);
    ref.run(in.data(), silent.data(), rl.data(), rr.data(), 1000);
    EXPECT_EQ(firstDifference(l, rl), -1);
    EXPECT_EQ(firstDifference(r, rr), -1);

    // Arrangements are fixed while the processor is active.
    EXPECT_EQ(p.processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultFalse);
}

TEST(Vst3Parameters, TheNineAndBypassWithTheVst2Texts)
{
    Plugin p;
    Reference ref;
    ASSERT_EQ(p.controller->getParameterCount(), kNumParams + 1);
    for (int i = 0; i <= kNumParams; ++i) {
        vst3::ParameterInfo info{};
        ASSERT_EQ(p.controller->getParameterInfo(i, info), kResultOk);
        if (i == kNumParams) {
            EXPECT_EQ(info.id, kBypass);
            EXPECT_EQ(info.flags & vst3::ParameterInfo::kIsBypass, vst3::ParameterInfo::kIsBypass);
            EXPECT_EQ(info.stepCount, 1);
            continue;
        }
        EXPECT_EQ(info.id, static_cast<ParamID>(i));
        std::string title;
        for (int k = 0; info.title[k]; ++k)
            title += static_cast<char>(info.title[k]);
        EXPECT_EQ(title, ref.instance.text(effGetParamName, i));
        EXPECT_EQ(info.units[0], 0);
        EXPECT_FLOAT_EQ(static_cast<float>(info.defaultNormalizedValue), kDefaultValues[0][i]);
        const bool isSwitch = kParameterInfo[i].kind == ParameterKind::Switch;
        EXPECT_EQ(info.stepCount, isSwitch ? 2 : 0);
        EXPECT_EQ((info.flags & vst3::ParameterInfo::kIsList) != 0, isSwitch);
        EXPECT_NE(info.flags & vst3::ParameterInfo::kCanAutomate, 0);
    }
    vst3::ParameterInfo info{};
    EXPECT_EQ(p.controller->getParameterInfo(kNumParams + 1, info), kInvalidArgument);

    // Knobs: the VST 2.4 display of the raw value.
    for (float v : {0.f, 0.2f, 0.5f, 0.123456f, 1.f}) {
        ref.instance.setParameter(kGain, v);
        EXPECT_EQ(text(p.controller, kGain, v), ref.instance.text(effGetParamDisplay, kGain)) << v;
    }
    // Switches: the position the engine plays; 0.9999 is no EXT. cabinet.
    EXPECT_EQ(text(p.controller, kMode, 0.5), "RHYTHM");
    EXPECT_EQ(text(p.controller, kMode, 0.7), "LEAD");
    EXPECT_EQ(text(p.controller, kCabinet, 1.0), "EXT.");
    EXPECT_EQ(text(p.controller, kCabinet, 0.9999), "OFF");
    EXPECT_EQ(text(p.controller, kBypass, 1.0), "On");
    EXPECT_EQ(text(p.controller, 55, 0.0), "<none>");
    EXPECT_DOUBLE_EQ(p.controller->normalizedParamToPlain(kCabinet, 1.0), 2.0);
    EXPECT_DOUBLE_EQ(p.controller->plainParamToNormalized(kMode, 1.0), 0.5);
    EXPECT_DOUBLE_EQ(p.controller->normalizedParamToPlain(kGain, 0.25), 0.25);

    auto parse = [&](ParamID id, const char* s, double& v) {
        std::u16string u(s, s + std::strlen(s));
        return p.controller->getParamValueByString(id, &u[0], v);
    };
    double v = -1;
    EXPECT_EQ(parse(kCabinet, "ext.", v), kResultOk);
    EXPECT_DOUBLE_EQ(v, 1.0);
    EXPECT_EQ(parse(kMode, "1", v), kResultOk);
    EXPECT_DOUBLE_EQ(v, 0.5);
    EXPECT_EQ(parse(kGain, "0.25", v), kResultOk);
    EXPECT_DOUBLE_EQ(v, 0.25);
    EXPECT_EQ(parse(kGain, "1.5", v), kResultFalse);
    EXPECT_EQ(parse(kGain, "loud", v), kResultFalse);
}

// Blocks of 0, 1, 64 and 4096 frames, in both sample sizes, against the VST 2.4 library.
template <typename Sample>
void expectSameAsVst2(const std::vector<int32_t>& blocks)
{
    Plugin p;
    ASSERT_EQ(p.setup(44100, sampleSizeOf<Sample>()), kResultOk);
    p.activate(true);
    Reference ref;
    Changes settings = settingsChanges(kSettings);
    for (int i = 0; i < kNumParams; ++i)
        ref.instance.setParameter(i, kSettings[i]);

    size_t total = 0;
    for (int32_t b : blocks)
        total += static_cast<size_t>(b);
    auto in0 = signal<Sample>(total, 1), in1 = signal<Sample>(total, 2);
    std::vector<Sample> o0(total + 1), o1(total + 1), r0(total + 1), r1(total + 1);
    size_t at = 0;
    bool first = true;
    for (int32_t b : blocks) {
        std::vector<Sample> a(in0.begin() + at, in0.begin() + at + b), c(in1.begin() + at, in1.begin() + at + b);
        std::vector<Sample> x(b + 1), y(b + 1);
        ASSERT_EQ(p.process<Sample>({&a, &c}, {&x, &y}, b, first ? &settings : nullptr), kResultOk);
        first = false;
        std::copy(x.begin(), x.begin() + b, o0.begin() + at);
        std::copy(y.begin(), y.begin() + b, o1.begin() + at);
        ref.run(in0.data() + at, in1.data() + at, r0.data() + at, r1.data() + at, b);
        at += static_cast<size_t>(b);
    }
    EXPECT_EQ(firstDifference(o0, r0), -1);
    EXPECT_EQ(firstDifference(o1, r1), -1);
    double energy = 0;
    for (Sample s : o0)
        energy += static_cast<double>(s) * s;
    EXPECT_GT(energy, 0.0);
}

TEST(Vst3Processing, BlocksOfEverySizeMatchTheVst2Library32)
{
    expectSameAsVst2<float>({0, 1, 64, 4096, 0, 1, 64, 4096, 777});
}

TEST(Vst3Processing, BlocksOfEverySizeMatchTheVst2Library64)
{
    expectSameAsVst2<double>({0, 1, 64, 4096, 0, 1, 64, 4096, 777});
}

TEST(Vst3Processing, InPlaceBuffersAreFine)
{
    Plugin p;
    ASSERT_EQ(p.setup(44100, kSample32), kResultOk);
    p.activate(true);
    Reference ref;
    auto a = signal<float>(2048, 5), b = signal<float>(2048, 6);
    std::vector<float> r0(2048), r1(2048);
    ref.run(a.data(), b.data(), r0.data(), r1.data(), 2048);
    ASSERT_EQ(p.process<float>({&a, &b}, {&a, &b}, 2048), kResultOk);
    EXPECT_EQ(firstDifference(a, r0), -1);
    EXPECT_EQ(firstDifference(b, r1), -1);
}

// Several points per queue and per block, at equal and out-of-block offsets,
// and a flush: the reference gets the same values between the same splits.
template <typename Sample>
void expectQueuesSplitBlocks()
{
    Plugin p;
    ASSERT_EQ(p.setup(48000, sampleSizeOf<Sample>()), kResultOk);
    p.activate(true);
    Reference ref(48000.f);

    struct Point {
        int32_t offset;
        int32_t index;
        double value;
    };
    // Block 1 (1024 frames): in queue order per offset, as the shell applies them.
    const std::vector<Point> block1 = {
        {0, kGain, 0.3},   {0, ::kInput, 0.5}, {100, kGain, 0.8},    {100, kGain, 0.9},  {300, kCabinet, 0.5},
        {512, kMode, 1.0}, {700, kGain, 0.1},  {900, kCabinet, 0.0}, {900, kBass, 0.05}, {1500, kTreble, 0.9}};
    const std::vector<Point> flushPoints = {{0, kPresence, 0.2}, {0, kMaster, 0.8}};
    const std::vector<Point> block2 = {{-5, kMid, 0.1}, {1, kMid, 0.2}, {2, kMid, 0.3}, {511, kMode, 0.0}};

    auto in0 = signal<Sample>(2048, 7), in1 = signal<Sample>(2048, 8);
    std::vector<Sample> o0(2048), o1(2048), r0(2048), r1(2048);
    auto runBlock = [&](const std::vector<Point>& points, size_t at, int32_t frames) {
        Changes c;
        for (const Point& pt : points)
            c.add(static_cast<ParamID>(pt.index), pt.offset, pt.value);
        std::vector<Sample> a(in0.begin() + at, in0.begin() + at + frames);
        std::vector<Sample> b(in1.begin() + at, in1.begin() + at + frames);
        std::vector<Sample> x(frames), y(frames);
        ASSERT_EQ(p.process<Sample>({&a, &b}, {&x, &y}, frames, &c), kResultOk);
        std::copy(x.begin(), x.end(), o0.begin() + at);
        std::copy(y.begin(), y.end(), o1.begin() + at);

        // The reference: points sorted by their place in the block, split there.
        std::vector<Point> sorted = points;
        for (Point& pt : sorted)
            pt.offset = std::max(0, std::min(pt.offset, frames));
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const Point& l, const Point& r) { return l.offset < r.offset; });
        int32_t pos = 0;
        for (const Point& pt : sorted) {
            ref.run(in0.data() + at + pos, in1.data() + at + pos, r0.data() + at + pos, r1.data() + at + pos,
                    pt.offset - pos);
            pos = pt.offset;
            ref.instance.setParameter(pt.index, static_cast<float>(pt.value));
        }
        ref.run(in0.data() + at + pos, in1.data() + at + pos, r0.data() + at + pos, r1.data() + at + pos, frames - pos);
    };
    runBlock(block1, 0, 1024);
    Changes flush;
    for (const Point& pt : flushPoints) {
        flush.add(static_cast<ParamID>(pt.index), 0, pt.value);
        ref.instance.setParameter(pt.index, static_cast<float>(pt.value));
    }
    ASSERT_EQ(p.flush(flush), kResultOk);
    runBlock(block2, 1024, 1024);

    EXPECT_EQ(firstDifference(o0, r0), -1);
    EXPECT_EQ(firstDifference(o1, r1), -1);
    // The controller follows what was played.
    EXPECT_FLOAT_EQ(static_cast<float>(p.controller->getParamNormalized(kTreble)), 0.9f);
    EXPECT_FLOAT_EQ(static_cast<float>(p.controller->getParamNormalized(kMaster)), 0.8f);
}

TEST(Vst3Processing, QueuesSplitTheBlockAtTheirPoints32)
{
    expectQueuesSplitBlocks<float>();
}

TEST(Vst3Processing, QueuesSplitTheBlockAtTheirPoints64)
{
    expectQueuesSplitBlocks<double>();
}

TEST(Vst3Processing, ActivationCyclesAreSuspendAndResume)
{
    Plugin p;
    Reference ref;
    auto in0 = signal<double>(512, 9), in1 = signal<double>(512, 10);
    std::vector<double> o0(512), o1(512), r0(512), r1(512);
    for (int cycle = 0; cycle < 3; ++cycle) {
        const double rate = cycle == 1 ? 96000 : 44100;
        ASSERT_EQ(p.setup(rate, kSample64), kResultOk);
        p.activate(true);
        ref.instance.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
        ref.instance.dispatch(effMainsChanged, 0, 1);
        ASSERT_EQ(p.process<double>({&in0, &in1}, {&o0, &o1}, 512), kResultOk);
        ref.run(in0.data(), in1.data(), r0.data(), r1.data(), 512);
        EXPECT_EQ(firstDifference(o0, r0), -1) << "cycle " << cycle;
        p.activate(false);
        ref.instance.dispatch(effMainsChanged, 0, 0);
    }
    // Setup is refused while active, and for a rate the engine cannot run at.
    p.activate(true);
    EXPECT_EQ(p.setup(48000, kSample32), kResultFalse);
    p.activate(false);
    EXPECT_EQ(p.setup(10.0, kSample32), kResultFalse);
    EXPECT_EQ(p.setup(std::nan(""), kSample32), kResultFalse);
    EXPECT_EQ(p.setup(48000, 5), kResultFalse);
}

TEST(Vst3Bypass, FadesToTheDryInputAndBackIntoTheWarmChain)
{
    Plugin p;
    ASSERT_EQ(p.setup(44100, kSample32), kResultOk);
    p.activate(true);
    Reference ref;
    const int32_t n = 2048;
    auto in0 = signal<float>(3 * n, 11), in1 = signal<float>(3 * n, 12);
    std::vector<float> r0(3 * n), r1(3 * n);
    ref.run(in0.data(), in1.data(), r0.data(), r1.data(), 3 * n);

    std::vector<float> o0(3 * n), o1(3 * n);
    for (int b = 0; b < 3; ++b) {
        Changes c;
        if (b == 0)
            c.add(kBypass, 100, 1.0);
        if (b == 1)
            c.add(kBypass, 1000, 0.0);
        std::vector<float> a(in0.begin() + b * n, in0.begin() + (b + 1) * n);
        std::vector<float> d(in1.begin() + b * n, in1.begin() + (b + 1) * n);
        std::vector<float> x(n), y(n);
        ASSERT_EQ(p.process<float>({&a, &d}, {&x, &y}, n, &c), kResultOk);
        std::copy(x.begin(), x.end(), o0.begin() + b * n);
        std::copy(y.begin(), y.end(), o1.begin() + b * n);
        if (b == 0) {
            EXPECT_DOUBLE_EQ(p.controller->getParamNormalized(kBypass), 1.0);
        }
    }
    const int fade = 441; // 10 ms at 44100 Hz
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(o0[i], r0[i]);
    // Fully bypassed: each channel's own input.
    for (int i = 100 + fade; i < n + 1000; ++i) {
        ASSERT_EQ(o0[i], in0[i]) << i;
        ASSERT_EQ(o1[i], in1[i]) << i;
    }
    // Along the fade: the linear mix of the two, one step per frame.
    for (int k = 0; k < fade; k += 40) {
        const double g = (k + 1) / 441.0;
        EXPECT_NEAR(o0[100 + k], r0[100 + k] * (1 - g) + in0[100 + k] * g, 1e-5) << k;
        EXPECT_NEAR(o1[100 + k], r1[100 + k] * (1 - g) + in1[100 + k] * g, 1e-5) << k;
    }
    // No step larger than the two signals' own (plus the fade's share).
    double bound = 0;
    for (int i = 1; i < 3 * n; ++i)
        bound = std::max({bound, std::fabs(double(in0[i]) - in0[i - 1]), std::fabs(double(r0[i]) - r0[i - 1])});
    for (int i = 1; i < 3 * n; ++i)
        ASSERT_LE(std::fabs(double(o0[i]) - o0[i - 1]), bound + 0.01) << i;
    // Back: the engine ran on, so the output is the VST 2.4 output again.
    for (int i = n + 1000 + fade; i < 3 * n; ++i)
        ASSERT_EQ(o0[i], r0[i]) << i;

    // Bypass is part of the state.
    auto bytes = p.state();
    EXPECT_EQ(bytes[8] & 1, 0);
}

TEST(Vst3State, TheVst2PresetChunkBehindAVersionedHeader)
{
    Plugin a;
    Changes settings = settingsChanges(kSettings);
    settings.add(kBypass, 0, 1.0);
    a.flush(settings);
    const std::vector<char> bytes = a.state();
    ASSERT_EQ(bytes.size(), 12u + kPresetChunkSize);
    EXPECT_EQ(std::string(bytes.data(), 4), "ZRV3");
    EXPECT_EQ(bytes[4], 1);
    EXPECT_EQ(bytes[8], 1);

    Reference ref;
    for (int i = 0; i < kNumParams; ++i)
        ref.instance.setParameter(i, kSettings[i]);
    void* chunk = nullptr;
    ASSERT_EQ(ref.instance.dispatch(effGetChunk, 1, 0, &chunk), kPresetChunkSize);
    EXPECT_EQ(std::memcmp(bytes.data() + 12, chunk, kPresetChunkSize), 0);

    // Into a fresh instance: the same bytes back out, the same output.
    Plugin b;
    a.controller->setState(nullptr); // a host passing nothing gets a refusal, not a crash
    ASSERT_EQ(b.setState(bytes), kResultOk);
    EXPECT_EQ(b.state(), bytes);
    EXPECT_DOUBLE_EQ(b.controller->getParamNormalized(kGain), kSettings[kGain]);
    EXPECT_DOUBLE_EQ(b.controller->getParamNormalized(kBypass), 1.0);

    Changes unbypass;
    unbypass.add(kBypass, 0, 0.0);
    for (Plugin* p : {&a, &b}) {
        p->flush(unbypass);
        ASSERT_EQ(p->setup(44100, kSample32), kResultOk);
        p->activate(true);
    }
    auto in0 = signal<float>(4096, 13), in1 = signal<float>(4096, 14);
    std::vector<float> a0(4096), a1(4096), b0(4096), b1(4096);
    a.process<float>({&in0, &in1}, {&a0, &a1}, 4096);
    b.process<float>({&in0, &in1}, {&b0, &b1}, 4096);
    EXPECT_EQ(firstDifference(a0, b0), -1);
}

TEST(Vst3State, GarbageAndTruncatedStateRefusedWithoutChange)
{
    Plugin a;
    Changes settings = settingsChanges(kSettings);
    a.flush(settings);
    const std::vector<char> good = a.state();

    Plugin p;
    const std::vector<char> before = p.state();
    std::vector<std::vector<char>> bad;
    bad.emplace_back();                                // empty
    bad.emplace_back(good.begin(), good.begin() + 10); // inside the header
    bad.emplace_back(good.begin(), good.end() - 1);    // one byte short
    std::vector<char> garbage(good.size());
    std::mt19937 rng(1);
    for (char& c : garbage)
        c = static_cast<char>(rng());
    bad.push_back(garbage);
    std::vector<char> version = good;
    version[4] = 2;
    bad.push_back(version);
    std::vector<char> preset(good.begin() + 12, good.end()); // a bare VST 2.4 preset chunk
    bad.push_back(preset);
    for (const auto& bytes : bad) {
        EXPECT_EQ(p.setState(bytes), kResultFalse) << bytes.size();
        EXPECT_EQ(p.state(), before);
    }
    EXPECT_EQ(p.component->setState(nullptr), kResultFalse);

    // A stream that hands out a few bytes per read still delivers the state.
    MemoryStream trickle(good);
    trickle.readLimit = 7;
    EXPECT_EQ(p.component->setState(&trickle), kResultOk);
    EXPECT_EQ(p.state(), good);
}
