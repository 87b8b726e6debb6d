// The render host's pure parts: preset/bank file bytes, option parsing, demo riff.
#include "tools/render/DemoRiff.h"
#include "tools/render/OutputFormat.h"
#include "tools/render/PresetFile.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/RenderSession.h"
#include "tools/render/ZorvanFacts.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

using namespace zrender;

namespace {

int32_t be(const std::vector<uint8_t>& b, size_t at)
{
    return int32_t((uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3]);
}

std::vector<uint8_t> sampleChunk(size_t n)
{
    std::vector<uint8_t> c(n);
    for (size_t i = 0; i < n; ++i)
        c[i] = uint8_t(i * 7 + 3);
    return c;
}

} // namespace

TEST(PresetFile, PresetHeaderIsTheStandardBigEndianLayout)
{
    PresetFile p;
    p.fxId = kZorvanUniqueId;
    p.fxVersion = 1;
    p.numParams = 9;
    p.name = "a name longer than the twenty-seven bytes of the field";
    p.chunk = sampleChunk(320);
    const std::vector<uint8_t> b = encodePreset(p);
    ASSERT_EQ(b.size(), 60u + 320u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "CcnK");
    EXPECT_EQ(be(b, 4), int32_t(b.size() - 8));
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "FPCh");
    EXPECT_EQ(be(b, 12), 1);
    EXPECT_EQ(std::string(b.begin() + 16, b.begin() + 20), "ZRFL");
    EXPECT_EQ(be(b, 20), 1);
    EXPECT_EQ(be(b, 24), 9);
    EXPECT_EQ(b[28 + 27], 0) << "the name field stays NUL-terminated";
    EXPECT_EQ(be(b, 56), 320);
    EXPECT_TRUE(std::equal(p.chunk.begin(), p.chunk.end(), b.begin() + 60));

    const PresetFile back = decodePreset(b);
    EXPECT_EQ(back.fxId, p.fxId);
    EXPECT_EQ(back.name, p.name.substr(0, 27));
    EXPECT_EQ(back.chunk, p.chunk);
}

TEST(PresetFile, BankCarriesTheCurrentProgram)
{
    BankFile bank;
    bank.fxId = kZorvanUniqueId;
    bank.fxVersion = 1;
    bank.numPrograms = 4;
    bank.currentProgram = 2;
    bank.chunk = sampleChunk(1280);
    const std::vector<uint8_t> b = encodeBank(bank);
    ASSERT_EQ(b.size(), 160u + 1280u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "FBCh");
    EXPECT_EQ(be(b, 4), int32_t(b.size() - 8));
    EXPECT_EQ(be(b, 24), 4);
    EXPECT_EQ(be(b, 28), 2);
    for (size_t i = 32; i < 156; ++i)
        ASSERT_EQ(b[i], 0) << "reserved byte " << i;
    EXPECT_EQ(be(b, 156), 1280);

    const BankFile back = decodeBank(b);
    EXPECT_EQ(back.currentProgram, 2);
    EXPECT_EQ(back.chunk, bank.chunk);

    // A version 1 bank has no current program: its field is reserved space.
    std::vector<uint8_t> v1 = b;
    v1[15] = 1;
    EXPECT_EQ(decodeBank(v1).currentProgram, 0);
}

TEST(PresetFile, RefusesFilesThatAreNotWhatTheyClaim)
{
    PresetFile p;
    p.fxId = kZorvanUniqueId;
    p.chunk = sampleChunk(320);
    const std::vector<uint8_t> preset = encodePreset(p);
    BankFile bk;
    bk.fxId = kZorvanUniqueId;
    bk.chunk = sampleChunk(1280);
    const std::vector<uint8_t> bank = encodeBank(bk);

    auto presetError = [](const std::vector<uint8_t>& b) -> std::string {
        try {
            decodePreset(b);
        } catch (const PresetFormatError& e) {
            return e.what();
        }
        return "";
    };
    EXPECT_NE(presetError(bank).find("bank"), std::string::npos);
    EXPECT_NE(presetError({}).find("not a VST"), std::string::npos);
    EXPECT_NE(presetError(std::vector<uint8_t>(preset.begin(), preset.begin() + 40)).find("truncated"),
              std::string::npos);
    EXPECT_NE(presetError(std::vector<uint8_t>(preset.begin(), preset.end() - 1)).find("truncated"), std::string::npos);
    std::vector<uint8_t> bigChunk = preset;
    bigChunk[58] = 0x10; // chunkSize far beyond the file
    EXPECT_NE(presetError(bigChunk).find("chunk size"), std::string::npos);
    std::vector<uint8_t> paramForm = preset;
    paramForm[9] = 'x';
    paramForm[10] = 'C';
    paramForm[11] = 'k'; // "FxCk": a parameter-list preset
    EXPECT_NE(presetError(paramForm), "");
    EXPECT_THROW(decodeBank(preset), PresetFormatError);
    EXPECT_EQ(fourCharText(kZorvanUniqueId), "'ZRFL'");
    EXPECT_EQ(fourCharText(0x01020304), "0x01020304");
}

TEST(RenderOptions, KnobsAreTenthsAndSwitchesArePanelPositions)
{
    std::string error;
    auto o = parseOptions({"--input", "10", "--gain=7.5", "--bass", "0", "--middle", "2", "--treble", "3", "--presence",
                           "4", "--volume", "5", "--channel", "rhythm", "--cab", "off", "--demo", "out.wav"},
                          error);
    ASSERT_TRUE(o) << error;
    const std::vector<std::pair<int, float>> want = {{kInput, 1.f},   {kGain, 0.75f},       {kBass, 0.f},
                                                     {kMid, 0.2f},    {kTreble, 0.3f},      {kPresence, 0.4f},
                                                     {kMaster, 0.5f}, {kMode, kModeRhythm}, {kCabinet, kCabOff}};
    ASSERT_EQ(o->controls.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(o->controls[i].index, want[i].first);
        EXPECT_FLOAT_EQ(o->controls[i].value, want[i].second);
    }
    EXPECT_EQ(o->outputPath, "out.wav");
    EXPECT_TRUE(o->inputPath.empty());
}

TEST(RenderOptions, ImpulseResponseSelectsExtUnlessCabGiven)
{
    std::string error;
    auto implied = parseOptions({"--ir", "cab.wav", "in.wav", "out.wav"}, error);
    ASSERT_TRUE(implied);
    ASSERT_EQ(implied->controls.size(), 1u);
    EXPECT_EQ(implied->controls[0].index, kCabinet);
    EXPECT_EQ(implied->controls[0].value, kCabExternal);
    EXPECT_EQ(implied->inputPath, "in.wav");

    auto explicitInt = parseOptions({"--cab", "int", "--ir", "cab.wav", "--demo", "out.wav"}, error);
    ASSERT_TRUE(explicitInt);
    ASSERT_EQ(explicitInt->controls.size(), 1u);
    EXPECT_EQ(explicitInt->controls[0].value, kCabInternal);
}

TEST(RenderOptions, UsageErrorsAreOneLine)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--gain", "11"},
        {"--gain", "-0.1"},
        {"--gain", "nan"},
        {"--gain", "5x"},
        {"--gain"},
        {"--channel", "metal"},
        {"--cab", "ext2"},
        {"--program", "4"},
        {"--program", "-1"},
        {"--block", "0"},
        {"--tail", "-1"},
        {"--frobnicate"},
        {"--list=yes"},
        {"--plugin", ""},
        {"--format", "mp3"},
        {"--name", std::string(24, 'n')},
        {"--float", "--format", "flac"},
    };
    for (auto args : bad) {
        args.insert(args.end(), {"--demo", "o.wav"});
        std::string error;
        EXPECT_FALSE(parseOptions(args, error)) << args[0];
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
    std::string error;
    EXPECT_TRUE(parseOptions({"--list"}, error)) << "--list alone needs no output";
    EXPECT_TRUE(parseOptions({"--save-fxb", "x.fxb"}, error));
    EXPECT_TRUE(parseOptions({"--help"}, error));
    EXPECT_TRUE(parseOptions({"--name", std::string(23, 'n'), "--demo", "o.wav"}, error)) << error;
}

// One file name is never taken as an output: the demo needs --demo.
TEST(RenderOptions, FileNamesNeedTheirRoleSpelledOut)
{
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{"di.wav"}, "--demo OUTPUT"},
        {{"--list", "di.wav"}, "only one file name"},
        {{"--save-fxp", "a.fxp", "di.wav"}, "only one file name"},
        {{"--demo"}, "needs an OUTPUT"},
        {{"--demo", "in.wav", "out.wav"}, "no INPUT"},
        {{"a.wav", "b.wav", "c.wav"}, "too many"},
        {{}, "no files"},
        {{"-", "out.wav"}, "name a file"},
        {{"in.wav", "out.mp3"}, "extension '.mp3'"},
        {{"in.wav", "out"}, "from its name"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(parseOptions(c.args, error)) << c.says;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
    std::string error;
    const auto demo = parseOptions({"--demo", "-"}, error);
    ASSERT_TRUE(demo) << error;
    EXPECT_TRUE(demo->demo);
    EXPECT_EQ(demo->outputPath, "-");
}

TEST(OutputFormat, ExtensionOrForcedNameDecides)
{
    std::string error;
    struct Case {
        std::string path, forced;
        bool floatSamples;
        int format;
    };
    const std::vector<Case> cases = {
        {"a.wav", "", false, SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {"A.WAV", "", true, SF_FORMAT_WAV | SF_FORMAT_FLOAT},
        {"a.flac", "", false, SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        {"a.aif", "", true, SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
        {"a.ogg", "", false, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        {"-", "", false, SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {"take.raw", "flac", false, SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
    };
    for (const Case& c : cases) {
        const auto f = chooseOutputFormat(c.path, c.forced, c.floatSamples, error);
        ASSERT_TRUE(f) << c.path << ": " << error;
        EXPECT_EQ(f->sndfileFormat, c.format) << c.path;
        EXPECT_EQ(f->integerSamples, !c.floatSamples) << c.path;
    }
    EXPECT_FALSE(chooseOutputFormat("dir.wav/take", "", false, error)) << "a dot in a folder is no extension";
    EXPECT_FALSE(chooseOutputFormat("a.ogg", "", true, error));
}

TEST(DemoRiff, IsAFewSecondsOfRepeatableDiAtMinusSixDbfs)
{
    const std::vector<float> a = makeDemoRiff();
    const std::vector<float> b = makeDemoRiff();
    ASSERT_EQ(a, b);
    const double seconds = double(a.size()) / kDemoSampleRate;
    EXPECT_GT(seconds, 2.0);
    EXPECT_LT(seconds, 10.0);
    OutputMeter m;
    for (float s : a)
        m.add(s);
    EXPECT_NEAR(m.peakDb(), -6.02, 0.05);
    EXPECT_LT(m.rmsDb(), -12.0) << "a plucked riff is far from a square wave";
    EXPECT_GT(m.rmsDb(), -40.0);
    EXPECT_EQ(m.nonFinite, 0u);
}

TEST(OutputMeter, CountsClipsAndNonFiniteSeparately)
{
    OutputMeter m;
    for (double x : {0.5, -1.5, 1.0, std::nan(""), double(INFINITY), -0.25})
        m.add(x);
    EXPECT_EQ(m.samples, 6u);
    EXPECT_EQ(m.clipped, 1u);
    EXPECT_EQ(m.nonFinite, 2u);
    EXPECT_NEAR(m.peakDb(), 20 * std::log10(1.5), 1e-12);
    OutputMeter silent;
    silent.add(0.0);
    EXPECT_TRUE(std::isinf(silent.peakDb()));
}
