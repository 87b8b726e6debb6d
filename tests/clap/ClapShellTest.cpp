// The built .clap driven through its entry and factory as a host would,
// checking what strict validators check, against the VST 2.4 library: both
// must render the same samples for the same input, settings, rate and block
// splits.
#include "ClapTestHost.h"
#include "support/SignalCompare.h"
#include "support/VstHost.h"

#include "plugin/Identity.h"
#include "plugin/Parameters.h"
#include "plugin/ZorvanProgram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace chost;

namespace {

using testhost::firstDifference;
using testhost::signal;

const float kSettings[kNumParams] = {0.6f, 0.5f, 0.8f, 0.3f, 0.7f, 0.4f, 0.6f, 0.45f, 0.0f};

bool isSwitch(int index)
{
    return kParameterInfo[index].kind == ParameterKind::Switch;
}

// The plain value a CLAP host sends for an engine value (see ZorvanClap.h).
double plain(int index, float value)
{
    return isSwitch(index) ? switchPosition(index, value) : static_cast<double>(value) * kKnobScale;
}

// A parameter change at a frame of a block, as both hosts hand it over.
struct Point {
    uint32_t time;
    int index;
    float value;
};

// The CLAP instance and the VST 2.4 reference side by side, fed the same
// input, with the same changes at the same frames.
template <typename Sample>
struct Pair {
    explicit Pair(double rate) : in0(signal<Sample>(kLength, 1)), in1(signal<Sample>(kLength, 2))
    {
        EXPECT_TRUE(clap.activate(rate));
        vst.setRate(static_cast<float>(rate));
    }
    // One block from frame `at` of the input; the reference splits at the points.
    void block(size_t at, uint32_t frames, const std::vector<Point>& points)
    {
        InEvents events;
        for (const Point& p : points)
            events.add(static_cast<clap_id>(p.index), p.time, plain(p.index, p.value));
        std::vector<Sample> a(in0.begin() + at, in0.begin() + at + frames);
        std::vector<Sample> b(in1.begin() + at, in1.begin() + at + frames);
        std::vector<Sample> x(frames), y(frames);
        ASSERT_EQ(clap.process(a.data(), b.data(), x.data(), y.data(), frames, &events), CLAP_PROCESS_CONTINUE);
        out0.insert(out0.end(), x.begin(), x.end());
        out1.insert(out1.end(), y.begin(), y.end());

        uint32_t pos = 0;
        for (const Point& p : points) {
            const uint32_t t = std::min(std::max(p.time, pos), frames);
            reference(at + pos, t - pos);
            pos = t;
            vst.set(p.index, p.value);
        }
        reference(at + pos, frames - pos);
    }
    void reference(size_t at, uint32_t frames)
    {
        Sample* ins[2] = {in0.data() + at, in1.data() + at};
        std::vector<Sample> x(frames), y(frames);
        Sample* outs[2] = {x.data(), y.data()};
        vst.process(ins, outs, static_cast<int32_t>(frames));
        ref.insert(ref.end(), x.begin(), x.end());
    }
    void expectSame(const char* what)
    {
        EXPECT_EQ(firstDifference(out0, ref), -1) << what;
        EXPECT_EQ(firstDifference(out1, ref), -1) << what;
        double energy = 0;
        for (Sample s : out0) {
            ASSERT_TRUE(std::isfinite(static_cast<double>(s))) << what;
            energy += static_cast<double>(s) * s;
        }
        EXPECT_GT(energy, 0.0) << what;
    }

    static constexpr size_t kLength = 1 << 15;
    Instance clap;
    testhost::Plugin vst;
    std::vector<Sample> in0, in1, out0, out1, ref;
};

std::vector<Point> settingsAtStart()
{
    std::vector<Point> points;
    for (int i = 0; i < kNumParams; ++i)
        points.push_back({0, i, kSettings[i]});
    return points;
}

std::string valueText(Instance& p, clap_id id, double value)
{
    char text[CLAP_NAME_SIZE] = {};
    return p.params->value_to_text(p.plugin, id, value, text, sizeof(text)) ? text : "<none>";
}

bool textValue(Instance& p, clap_id id, const char* text, double& value)
{
    return p.params->text_to_value(p.plugin, id, text, &value);
}

} // namespace

TEST(ClapEntry, OneDescriptorUnderTheVendorsAddress)
{
    Module& m = Module::shared();
    EXPECT_TRUE(clap_version_is_compatible(m.entry->clap_version));
    EXPECT_EQ(m.entry->get_factory("clap.preset-discovery-factory"), nullptr);
    // Hosts may call init again; each one has its deinit.
    EXPECT_TRUE(m.entry->init(ZORVAN_CLAP_PATH));
    m.entry->deinit();

    const clap_plugin_factory_t* f = m.factory;
    ASSERT_EQ(f->get_plugin_count(f), 1u);
    EXPECT_EQ(f->get_plugin_descriptor(f, 1), nullptr);
    const clap_plugin_descriptor_t* d = f->get_plugin_descriptor(f, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(clap_version_is_compatible(d->clap_version));
    EXPECT_STREQ(d->id, "example.zorvan.ferroharmonic-lite");
    EXPECT_STREQ(d->name, zorvan::kEffectName);
    EXPECT_STREQ(d->vendor, zorvan::kVendorString);
    EXPECT_STREQ(d->url, zorvan::kWebAddress);
    EXPECT_STREQ(d->version, zorvan::kVersionString);
    std::vector<std::string> features;
    for (const char* const* p = d->features; *p; ++p)
        features.push_back(*p);
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "distortion", "stereo"}));

    Host host;
    EXPECT_EQ(f->create_plugin(f, &host.host, "example.zorvan.other"), nullptr);
    EXPECT_EQ(f->create_plugin(f, nullptr, d->id), nullptr);
    Host old;
    old.host.clap_version = {0, 9, 0};
    EXPECT_EQ(f->create_plugin(f, &old.host, d->id), nullptr);

    Instance p;
    EXPECT_EQ(p.plugin->desc, d);
    EXPECT_EQ(p.plugin->get_extension(p.plugin, "clap.unknown"), nullptr);
    for (const char* id : {CLAP_EXT_AUDIO_PORTS, CLAP_EXT_PARAMS, CLAP_EXT_STATE, CLAP_EXT_LATENCY, CLAP_EXT_TAIL,
                           CLAP_EXT_GUI, CLAP_EXT_TIMER_SUPPORT}) {
        EXPECT_NE(p.plugin->get_extension(p.plugin, id), nullptr) << id;
    }
    // File descriptors wake the X11 panel; a Windows panel has none.
#if defined(_WIN32)
    EXPECT_EQ(p.plugin->get_extension(p.plugin, CLAP_EXT_POSIX_FD_SUPPORT), nullptr);
#else
    EXPECT_NE(p.plugin->get_extension(p.plugin, CLAP_EXT_POSIX_FD_SUPPORT), nullptr);
#endif
}

TEST(ClapPorts, OneStereoPairInPlaceNoLatencyAndTheCabinetsTail)
{
    Instance p;
    for (bool input : {true, false}) {
        ASSERT_EQ(p.ports->count(p.plugin, input), 1u);
        clap_audio_port_info_t info{};
        ASSERT_TRUE(p.ports->get(p.plugin, 0, input, &info));
        EXPECT_EQ(info.channel_count, 2u);
        EXPECT_STREQ(info.port_type, CLAP_PORT_STEREO);
        EXPECT_NE(info.flags & CLAP_AUDIO_PORT_IS_MAIN, 0u);
        EXPECT_NE(info.flags & CLAP_AUDIO_PORT_SUPPORTS_64BITS, 0u);
        clap_audio_port_info_t other{};
        ASSERT_TRUE(p.ports->get(p.plugin, 0, !input, &other));
        EXPECT_EQ(info.in_place_pair, other.id);
        EXPECT_FALSE(p.ports->get(p.plugin, 1, input, &info));
    }
    EXPECT_EQ(p.ext<clap_plugin_latency_t>(CLAP_EXT_LATENCY)->get(p.plugin), 0u);

    // The tail is the selected cabinet's response: none with the cabinet off.
    const auto* tail = p.ext<clap_plugin_tail_t>(CLAP_EXT_TAIL);
    ASSERT_TRUE(p.activate(44100));
    EXPECT_GT(tail->get(p.plugin), 0u);
    InEvents off, ext;
    off.add(kCabinet, 0, 1.0);
    ext.add(kCabinet, 0, 2.0);
    p.params->flush(p.plugin, off.list(), OutEvents().list());
    EXPECT_EQ(tail->get(p.plugin), 0u);
    p.params->flush(p.plugin, ext.list(), OutEvents().list());
    EXPECT_EQ(tail->get(p.plugin), 4096u);
}

TEST(ClapParams, TheNineWithThePanelsRangesAndTheVst2Texts)
{
    Instance p;
    testhost::Plugin vst;
    ASSERT_EQ(p.params->count(p.plugin), static_cast<uint32_t>(kNumParams));
    for (int i = 0; i < kNumParams; ++i) {
        clap_param_info_t info{};
        ASSERT_TRUE(p.params->get_info(p.plugin, i, &info));
        EXPECT_EQ(info.id, static_cast<clap_id>(i));
        EXPECT_EQ(info.name, vst.text(effGetParamName, i));
        EXPECT_STREQ(info.module, "");
        EXPECT_NE(info.flags & CLAP_PARAM_IS_AUTOMATABLE, 0u);
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_STEPPED) != 0, isSwitch(i));
        EXPECT_EQ(info.min_value, 0.0);
        EXPECT_EQ(info.max_value, isSwitch(i) ? 2.0 : 10.0);
        EXPECT_EQ(info.default_value, plain(i, kDefaultValues[0][i]));
        EXPECT_EQ(p.value(i), info.default_value);
    }
    clap_param_info_t info{};
    EXPECT_FALSE(p.params->get_info(p.plugin, kNumParams, &info));
    double v = 0;
    EXPECT_FALSE(p.params->get_value(p.plugin, kNumParams, &v));
    EXPECT_EQ(p.value(kInput), 10.0 * 0.2f); // the panel's figure of the float 0.2

    // Knobs show the VST 2.4 display of the engine's value (panel figure / 10).
    for (float value : {0.f, 0.2f, 0.5f, 0.7f, 0.123456f, 0.9999f, 1.f}) {
        vst.set(kGain, value);
        EXPECT_EQ(valueText(p, kGain, plain(kGain, value)), vst.text(effGetParamDisplay, kGain)) << value;
    }
    // Switches show their positions' names.
    EXPECT_EQ(valueText(p, kMode, 1.0), "RHYTHM");
    EXPECT_EQ(valueText(p, kCabinet, 0.0), "INT.");
    EXPECT_EQ(valueText(p, kCabinet, 2.0), "EXT.");
    EXPECT_EQ(valueText(p, kCabinet, 1.9), "OFF"); // stepped: the whole part
    EXPECT_EQ(valueText(p, kGain, std::nan("")), "<none>");
    EXPECT_EQ(valueText(p, kNumParams, 0.0), "<none>");

    EXPECT_TRUE(textValue(p, kCabinet, "ext.", v));
    EXPECT_EQ(v, 2.0);
    EXPECT_TRUE(textValue(p, kMode, "1", v));
    EXPECT_EQ(v, 1.0);
    EXPECT_TRUE(textValue(p, kGain, "0.25", v));
    EXPECT_EQ(v, 2.5);
    for (const char* bad : {"1.5", "-0.1", "loud", "", "0.5x"})
        EXPECT_FALSE(textValue(p, kGain, bad, v)) << bad;
    for (const char* bad : {"1.5", "3", "LEADER", ""})
        EXPECT_FALSE(textValue(p, kMode, bad, v)) << bad;

    // Text to value to text is stable everywhere in every range, as
    // validators check (the display truncates: 0.7 shows 0.699999).
    for (int i = 0; i < kNumParams; ++i) {
        const double top = isSwitch(i) ? 2.0 : 10.0;
        for (int step = 0; step <= 200; ++step) {
            const std::string text = valueText(p, i, top * step / 200);
            double value = -1, again = -1;
            ASSERT_TRUE(textValue(p, i, text.c_str(), value)) << text;
            EXPECT_EQ(valueText(p, i, value), text);
            ASSERT_TRUE(textValue(p, i, valueText(p, i, value).c_str(), again));
            EXPECT_EQ(again, value) << text;
        }
    }
}

// Blocks of 1 to 4096 frames at the three common rates, settings sent as
// events at the first frame, against the VST 2.4 library; no allocation,
// lock or file access while processing.
template <typename Sample>
void expectSameAsVst2AtEveryRate()
{
    const uint32_t blocks[] = {1, 2, 3, 64, 100, 255, 256, 257, 1000, 4096, 4096, 17};
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        Pair<Sample> pair(rate);
        rtprobe::take();
        size_t at = 0;
        bool first = true;
        for (uint32_t n : blocks) {
            pair.block(at, n, first ? settingsAtStart() : std::vector<Point>());
            first = false;
            at += n;
        }
        if (rtprobe::active()) {
            EXPECT_EQ(rtprobe::take().describe(), rtprobe::Counts().describe());
        }
        pair.expectSame(rate == 44100 ? "44.1 kHz" : rate == 48000 ? "48 kHz" : "96 kHz");
    }
}

TEST(ClapProcessing, BlocksOfOneTo4096FramesMatchTheVst2LibraryAtEveryRate32)
{
    expectSameAsVst2AtEveryRate<float>();
}

TEST(ClapProcessing, BlocksOfOneTo4096FramesMatchTheVst2LibraryAtEveryRate64)
{
    expectSameAsVst2AtEveryRate<double>();
}

// Several events per block, at equal offsets, late, beyond the block and out
// of range, and a flush between blocks: the reference gets the same values
// between the same splits.
template <typename Sample>
void expectEventsSplitBlocks()
{
    Pair<Sample> pair(48000);
    pair.block(0, 1024,
               {{0, kGain, 0.3f},
                {0, kInput, 0.5f},
                {100, kGain, 0.8f},
                {100, kGain, 0.9f},
                {300, kCabinet, 0.5f},
                {512, kMode, 1.0f},
                {700, kGain, 0.1f},
                {900, kCabinet, 0.0f},
                {900, kBass, 0.05f},
                {1500, kTreble, 0.9f}});
    InEvents flush;
    flush.add(kPresence, 0, plain(kPresence, 0.2f));
    flush.add(kMaster, 0, plain(kMaster, 0.8f));
    pair.clap.params->flush(pair.clap.plugin, flush.list(), OutEvents().list());
    pair.vst.set(kPresence, 0.2f);
    pair.vst.set(kMaster, 0.8f);
    pair.block(1024, 1024, {{1, kMid, 0.1f}, {2, kMid, 0.2f}, {2, kMid, 0.3f}, {511, kMode, 0.0f}});

    // Ignored: another event space, an unknown id, not a number. Held at the
    // range's ends: values beyond it.
    InEvents odd;
    odd.add(kGain, 5, 9.0, 1);
    odd.add(kNumParams, 6, 1.0);
    odd.add(kGain, 7, std::nan(""));
    odd.add(kBass, 8, 12.0);
    odd.add(kCabinet, 9, -3.0);
    std::vector<Sample> a(pair.in0.begin() + 2048, pair.in0.begin() + 3072);
    std::vector<Sample> b(pair.in1.begin() + 2048, pair.in1.begin() + 3072);
    std::vector<Sample> x(1024), y(1024);
    ASSERT_EQ(pair.clap.process(a.data(), b.data(), x.data(), y.data(), 1024, &odd), CLAP_PROCESS_CONTINUE);
    pair.out0.insert(pair.out0.end(), x.begin(), x.end());
    pair.out1.insert(pair.out1.end(), y.begin(), y.end());
    pair.reference(2048, 8);
    pair.vst.set(kBass, 1.0f);
    pair.reference(2056, 1);
    pair.vst.set(kCabinet, 0.0f);
    pair.reference(2057, 1024 - 9);
    pair.expectSame("events");
    EXPECT_EQ(pair.clap.value(kGain), plain(kGain, 0.1f));
    EXPECT_EQ(pair.clap.value(kTreble), plain(kTreble, 0.9f));
}

TEST(ClapProcessing, EventsSplitTheBlockAtTheirOffsets32)
{
    expectEventsSplitBlocks<float>();
}

TEST(ClapProcessing, EventsSplitTheBlockAtTheirOffsets64)
{
    expectEventsSplitBlocks<double>();
}

TEST(ClapProcessing, InPlaceBuffersAndMissingOutputs)
{
    Pair<float> pair(44100);
    std::vector<float> a(pair.in0.begin(), pair.in0.begin() + 2048), b(pair.in1.begin(), pair.in1.begin() + 2048);
    ASSERT_EQ(pair.clap.process(a.data(), b.data(), a.data(), b.data(), 2048), CLAP_PROCESS_CONTINUE);
    pair.out0 = a;
    pair.out1 = b;
    pair.reference(0, 2048);
    pair.expectSame("in place");

    // A call without output buffers is refused; an empty one is fine.
    clap_process_t p{};
    p.frames_count = 64;
    EXPECT_EQ(pair.clap.plugin->process(pair.clap.plugin, &p), CLAP_PROCESS_ERROR);
    p.frames_count = 0;
    EXPECT_EQ(pair.clap.plugin->process(pair.clap.plugin, &p), CLAP_PROCESS_CONTINUE);
}

TEST(ClapProcessing, FlushWithoutAudioAppliesTheValues)
{
    Instance p;
    InEvents events;
    for (const Point& pt : settingsAtStart())
        events.add(static_cast<clap_id>(pt.index), 0, plain(pt.index, pt.value));
    p.params->flush(p.plugin, events.list(), OutEvents().list());
    for (int i = 0; i < kNumParams; ++i)
        EXPECT_EQ(p.value(i), plain(i, kSettings[i])) << i;

    // Activated afterwards, it plays those settings.
    ASSERT_TRUE(p.activate(44100));
    testhost::Plugin vst;
    for (int i = 0; i < kNumParams; ++i)
        vst.set(i, kSettings[i]);
    vst.setRate(44100);
    auto in0 = signal<float>(4096, 3), in1 = signal<float>(4096, 4);
    std::vector<float> o0(4096), o1(4096);
    ASSERT_EQ(p.process(in0.data(), in1.data(), o0.data(), o1.data(), 4096), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(firstDifference(o0, vst.run(in0, in1, 4096)), -1);
}

TEST(ClapActivation, RepeatedCyclesAreTheVst2SwitchOffAndOn)
{
    Instance p;
    testhost::Plugin vst;
    auto in0 = signal<double>(1024, 9), in1 = signal<double>(1024, 10);
    std::vector<double> o0(1024), o1(1024);
    const double rates[] = {44100, 96000, 48000, 48000, 44100};
    for (double rate : rates) {
        ASSERT_TRUE(p.activate(rate));
        EXPECT_FALSE(p.plugin->activate(p.plugin, rate, 1, 4096)); // already active
        vst.setRate(static_cast<float>(rate));
        ASSERT_EQ(p.process(in0.data(), in1.data(), o0.data(), o1.data(), 1024), CLAP_PROCESS_CONTINUE);
        EXPECT_EQ(firstDifference(o0, vst.run(in0, in1, 1024)), -1) << rate;
        p.deactivate();
    }
    for (double rate : {0.0, 500.0, 5e6, std::nan(""), -44100.0})
        EXPECT_FALSE(p.activate(rate)) << rate;
    EXPECT_TRUE(p.activate(44100));
}

TEST(ClapState, SavedLoadedIntoAFreshInstanceResavedByteForByte)
{
    Instance a;
    InEvents events;
    for (const Point& pt : settingsAtStart())
        events.add(static_cast<clap_id>(pt.index), 0, plain(pt.index, pt.value));
    events.add(kCabinet, 0, 2.0);
    a.params->flush(a.plugin, events.list(), OutEvents().list());
    const Bytes saved = a.save(7); // a stream that takes 7 bytes per call
    ASSERT_EQ(saved.size(), 332u);
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 4), "ZRCL");
    EXPECT_EQ(saved[4], 1);

    // The record is the VST 2.4 preset chunk for the same settings.
    testhost::Plugin vst;
    for (int i = 0; i < kNumParams; ++i)
        vst.set(i, kSettings[i]);
    vst.set(kCabinet, 1.0f);
    EXPECT_EQ(Bytes(saved.begin() + 12, saved.end()), vst.chunk(true));

    Instance b;
    ASSERT_TRUE(b.load(saved, 1)); // a stream that hands out one byte per call
    EXPECT_EQ(b.host.rescans, 1);
    for (int i = 0; i < kNumParams; ++i)
        EXPECT_EQ(b.value(i), a.value(i)) << i;
    EXPECT_EQ(b.save(), saved);

    // Both play alike.
    ASSERT_TRUE(a.activate(48000));
    ASSERT_TRUE(b.activate(48000));
    auto in0 = signal<float>(2048, 5), in1 = signal<float>(2048, 6);
    std::vector<float> x(2048), y(2048), u(2048), w(2048);
    a.process(in0.data(), in1.data(), x.data(), y.data(), 2048);
    b.process(in0.data(), in1.data(), u.data(), w.data(), 2048);
    EXPECT_EQ(firstDifference(x, u), -1);
}

TEST(ClapState, EmptyGarbageAndTruncatedStateRefusedWithoutChange)
{
    Instance p;
    InEvents events;
    events.add(kGain, 0, 8.0);
    events.add(kMode, 0, 2.0);
    p.params->flush(p.plugin, events.list(), OutEvents().list());
    const Bytes good = p.save();
    ASSERT_EQ(good.size(), 332u);

    Bytes otherTag = good, otherVersion = good, longer = good;
    otherTag[0] = 'X';
    otherVersion[4] = 2;
    longer.push_back(0);
    std::mt19937 rng(3);
    Bytes garbage(332);
    for (uint8_t& byte : garbage)
        byte = static_cast<uint8_t>(rng());
    const Bytes refused[] = {{},
                             Bytes(good.begin(), good.begin() + 12),
                             Bytes(good.begin(), good.end() - 1),
                             otherTag,
                             otherVersion,
                             longer,
                             garbage};
    for (const Bytes& bytes : refused) {
        EXPECT_FALSE(p.load(bytes)) << bytes.size();
        EXPECT_EQ(p.save(), good);
    }
    InStream failing(good, 50);
    failing.failAt = 100;
    EXPECT_FALSE(p.state->load(p.plugin, failing.stream()));
    EXPECT_EQ(p.value(kGain), plain(kGain, 0.8f));
    EXPECT_EQ(p.value(kMode), 2.0);
    EXPECT_EQ(p.host.rescans, 0);

    // A stream that takes nothing fails the save.
    EXPECT_TRUE(p.save(0).empty());
}

TEST(ClapThreads, MainThreadRequestsFromElsewhereAreRefused)
{
    Instance p;
    bool saved = true, activated = true;
    std::thread other([&] {
        OutStream out;
        saved = p.state->save(p.plugin, out.stream());
        activated = p.plugin->activate(p.plugin, 48000, 1, 512);
    });
    other.join();
    EXPECT_FALSE(saved);
    EXPECT_FALSE(activated);
    EXPECT_FALSE(p.save().empty());
}
