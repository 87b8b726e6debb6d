// zorvan-render driving the real plug-in: every control is audible, the cabinet
// choices and an external response work, saved state renders bit-identically,
// and each input renders at its own rate.
#include "../cabinet/CabinetTestSupport.h"
#include "RenderTestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <fstream>

using namespace rendertest;

namespace {

struct Level {
    double peak = 0;
    double rms = 0;
    size_t nonFinite = 0;
};

Level levelOf(const Audio& a)
{
    Level l;
    double sum = 0;
    for (double s : a.samples) {
        if (!std::isfinite(s)) {
            ++l.nonFinite;
            continue;
        }
        l.peak = std::max(l.peak, std::fabs(s));
        sum += s * s;
    }
    l.rms = a.samples.empty() ? 0 : std::sqrt(sum / double(a.samples.size()));
    return l;
}

// A decaying noise burst, the shape of a cabinet response.
Audio impulseResponse()
{
    Audio ir;
    ir.rate = 44100;
    ir.channels = 1;
    uint32_t state = 12345;
    for (int i = 0; i < 2048; ++i) {
        state = state * 1664525u + 1013904223u;
        const double noise = (state >> 8) * (2.0 / 16777216.0) - 1.0;
        ir.samples.push_back(noise * std::exp(-i / 300.0) * 0.8);
    }
    return ir;
}

class RenderPlugin : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string in, ir;
    void SetUp() override
    {
        in = dir.path("in.wav");
        writeWav(in, testTone(44100, 2, 0.3));
        ir = dir.path("cab.wav");
        writeWav(ir, impulseResponse(), true);
    }
    RunResult run(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--plugin", ZORVAN_PLUGIN_MODULE, "--float", "--tail", "0.2"});
        return runRender(args);
    }
    Audio render(std::vector<std::string> args, const std::string& name)
    {
        args.push_back(in);
        args.push_back(dir.path(name));
        const RunResult r = run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return readSound(dir.path(name));
    }
};

} // namespace

TEST_F(RenderPlugin, EveryControlReachesItsParameterAndIsHeard)
{
    const Audio base = render({}, "base.wav");
    ASSERT_GT(levelOf(base).peak, 1e-4) << "the default sound is not silent";
    struct Move {
        std::vector<std::string> args;
        int index;
        const char* display; // the plug-in's display of the new value
    };
    const std::vector<Move> moves = {
        {{"--input", "6"}, 0, "0.600000"},     {{"--channel", "lead"}, 1, "1.000000"},
        {{"--gain", "9"}, 2, "0.899999"},      {{"--bass", "10"}, 3, "1.000000"},
        {{"--middle", "0"}, 4, "0.000000"},    {{"--treble", "10"}, 5, "1.000000"},
        {{"--presence", "10"}, 6, "1.000000"}, {{"--volume", "9"}, 7, "0.899999"},
        {{"--cab", "off"}, 8, "0.500000"},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(m.args[0]);
        std::vector<std::string> args = m.args;
        args.insert(args.end(), {"--list", "-y", in, dir.path("moved.wav")});
        const RunResult r = run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string shownAs = "  " + std::to_string(m.index) + "  ";
        const size_t line = r.out.find(shownAs);
        ASSERT_NE(line, std::string::npos) << r.out;
        EXPECT_NE(r.out.substr(line, r.out.find('\n', line) - line).find(m.display), std::string::npos) << r.out;
        const Audio moved = readSound(dir.path("moved.wav"));
        ASSERT_EQ(moved.samples.size(), base.samples.size());
        EXPECT_NE(moved.samples, base.samples) << "no audible change";
        EXPECT_EQ(levelOf(moved).nonFinite, 0u);
    }
}

TEST_F(RenderPlugin, ExternalResponseIsLoadedThroughTheProgram)
{
    const RunResult listed = run({"--ir", ir, "--list"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find("Impulse response of the current program: /"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("cab.wav"), std::string::npos);

    const Audio implied = render({"--ir", ir}, "implied.wav");
    const Audio ext = render({"--cab", "ext", "--ir", ir}, "ext.wav");
    const Audio internal = render({"--cab", "int"}, "int.wav");
    const Audio off = render({"--cab", "off"}, "off.wav");
    const Audio extEmpty = render({"--cab", "ext", "--allow-silence"}, "ext-empty.wav");
    EXPECT_EQ(implied.samples, ext.samples) << "--ir selects the external cabinet";
    EXPECT_GT(levelOf(ext).peak, 1e-4);
    EXPECT_NE(ext.samples, internal.samples);
    EXPECT_NE(ext.samples, off.samples);
    EXPECT_NE(internal.samples, off.samples);
    EXPECT_EQ(levelOf(extEmpty).peak, 0.0) << "EXT. without a response is silent";
}

TEST_F(RenderPlugin, SavedStateRendersBitIdentically)
{
    const RunResult a = run({"--program", "2", "--channel", "lead", "--gain", "7", "--bass", "3", "--presence", "8",
                             "--ir", ir, "--save-fxb", dir.path("s.fxb"), "--save-fxp", dir.path("s.fxp"), in,
                             dir.path("a.wav")});
    ASSERT_EQ(a.exitCode, 0) << a.err;
    const RunResult b = run({"--fxb", dir.path("s.fxb"), in, dir.path("b.wav")});
    ASSERT_EQ(b.exitCode, 0) << b.err;
    EXPECT_TRUE(sameBytes(dir.path("a.wav"), dir.path("b.wav")));
    const RunResult c = run({"--fxp", dir.path("s.fxp"), in, dir.path("c.wav")});
    ASSERT_EQ(c.exitCode, 0) << c.err;
    EXPECT_TRUE(sameBytes(dir.path("a.wav"), dir.path("c.wav")));
    const RunResult d = run({"--program", "2", in, dir.path("d.wav")});
    ASSERT_EQ(d.exitCode, 0) << d.err;
    EXPECT_FALSE(sameBytes(dir.path("a.wav"), dir.path("d.wav"))) << "the state made a difference";

    // 64-bit processing round-trips too.
    ASSERT_EQ(run({"--double", "--fxb", dir.path("s.fxb"), in, dir.path("e.wav")}).exitCode, 0);
    ASSERT_EQ(run({"--double", "--fxp", dir.path("s.fxp"), in, dir.path("f.wav")}).exitCode, 0);
    EXPECT_TRUE(sameBytes(dir.path("e.wav"), dir.path("f.wav")));
}

TEST_F(RenderPlugin, EachInputRendersAtItsOwnRate)
{
    for (int rate : {44100, 96000}) {
        SCOPED_TRACE(rate);
        const std::string file = dir.path("in" + std::to_string(rate) + ".wav");
        writeWav(file, testTone(rate, 1, 0.3));
        const RunResult r = run({"-y", file, dir.path("out.wav")});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("at " + std::to_string(rate) + " Hz"), std::string::npos) << r.out;
        const Audio out = readSound(dir.path("out.wav"));
        EXPECT_EQ(out.rate, rate);
        EXPECT_EQ(out.channels, 2);
        EXPECT_EQ(out.frames(), int64_t(0.3 * rate) + int64_t(0.2 * rate));
        const Level l = levelOf(out);
        EXPECT_GT(l.peak, 1e-4);
        EXPECT_EQ(l.nonFinite, 0u);
    }
}

TEST_F(RenderPlugin, DemoRiffRendersWithASummary)
{
    const RunResult r = runRender({"--plugin", ZORVAN_PLUGIN_MODULE, "--demo", "--cab", "int", dir.path("demo.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Plug-in: Zorvan Ferroharmonic Lite by Zorvan, Inc., Zorvan Ferroharmonic Lite Ver.1.1.3"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Peak "), std::string::npos);
    EXPECT_NE(r.out.find("real time"), std::string::npos);
    const Audio demo = readSound(dir.path("demo.wav"));
    EXPECT_EQ(demo.rate, 44100);
    EXPECT_GT(demo.frames(), 3 * 44100);
    const Level l = levelOf(demo);
    EXPECT_GT(l.rms, 1e-3);
    EXPECT_EQ(l.nonFinite, 0u);

    // 64-bit processing of the same riff sounds the same to within float rounding.
    ASSERT_EQ(runRender({"--plugin", ZORVAN_PLUGIN_MODULE, "--demo", "--cab", "int", "--double", "--float",
                         dir.path("d64.wav")})
                  .exitCode,
              0);
    ASSERT_EQ(runRender({"--plugin", ZORVAN_PLUGIN_MODULE, "--demo", "--cab", "int", "--float", dir.path("d32.wav")})
                  .exitCode,
              0);
    const Audio d64 = readSound(dir.path("d64.wav")), d32 = readSound(dir.path("d32.wav"));
    ASSERT_EQ(d64.samples.size(), d32.samples.size());
    double maxDiff = 0;
    for (size_t i = 0; i < d64.samples.size(); ++i)
        maxDiff = std::max(maxDiff, std::fabs(d64.samples[i] - d32.samples[i]));
    EXPECT_LT(maxDiff, 1e-3 * std::max(1.0, levelOf(d64).peak));
}

namespace {

// The sh blocks of the README's section on the render host, in order.
std::vector<std::string> readmeRenderExamples()
{
    std::ifstream f(ZORVAN_README);
    std::vector<std::string> blocks;
    std::string line;
    bool inSection = false, inBlock = false;
    while (std::getline(f, line)) {
        if (line.rfind("## ", 0) == 0)
            inSection = line == "## Rendering from the command line";
        if (!inSection)
            continue;
        if (line == "```sh") {
            inBlock = true;
            blocks.emplace_back();
        } else if (line == "```") {
            inBlock = false;
        } else if (inBlock) {
            blocks.back() += line + "\n";
        }
    }
    return blocks;
}

} // namespace

// Finding 7: the README's examples run as printed, do not clip a DI that
// peaks near full scale, and its folder loop fails when a file fails.
TEST_F(RenderPlugin, ReadmeExamplesRunCleanAndTheLoopReportsFailures)
{
    const std::vector<std::string> blocks = readmeRenderExamples();
    ASSERT_EQ(blocks.size(), 2u) << "the examples, then the folder loop";
    ASSERT_EQ(mkdir(dir.path("bin").c_str(), 0755), 0);
    ASSERT_EQ(symlink(ZORVAN_RENDER_EXE, dir.path("bin/zorvan-render").c_str()), 0);
    const Audio di = testTone(44100, 1, 2.0, 0.98);
    writeWav(dir.path("di-track.wav"), di);
    writeWav(dir.path("other-take.wav"), di);
    writeWav(dir.path("my-cab.wav"), impulseResponse(), true);
    mkdir(dir.path("di").c_str(), 0755);
    writeWav(dir.path("di/a.wav"), di);
    writeWav(dir.path("di/b.wav"), testTone(44100, 2, 1.0, 0.98));

    const RunResult examples = runBash("set -e\n" + blocks[0], dir.dir(), dir.path("bin"));
    ASSERT_EQ(examples.exitCode, 0) << blocks[0] << examples.err;
    EXPECT_EQ(examples.err.find("warning"), std::string::npos) << examples.err;
    EXPECT_EQ(examples.out.find("CLIPPED"), std::string::npos) << examples.out;
    EXPECT_GT(levelOf(readSound(dir.path("reamped.wav"))).peak, 0.1);
    int format = 0;
    readSound(dir.path("other-crunch.flac"), &format);
    EXPECT_EQ(format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);

    const RunResult loop = runBash(blocks[1], dir.dir(), dir.path("bin"));
    EXPECT_EQ(loop.exitCode, 0) << loop.err;
    EXPECT_TRUE(fileExists(dir.path("reamped/a.wav")) && fileExists(dir.path("reamped/b.wav")));
    writeBytes(dir.path("di/broken.wav"), {'n', 'o', 'p', 'e'});
    const RunResult again = runBash(blocks[1], dir.dir(), dir.path("bin"));
    EXPECT_NE(again.exitCode, 0) << "a failure leaves a non-zero status";
    EXPECT_NE(again.out.find("3 failed"), std::string::npos) << again.out << again.err;
    EXPECT_NE(again.err.find("give --overwrite or -y"), std::string::npos) << "the takes rendered before stay";
}

// Finding 5: a render the tool can see would be silent is refused with its
// reason, leaves nothing behind, and goes ahead only when asked to.
TEST_F(RenderPlugin, SilentCabinetsAreRefusedWithTheirReason)
{
    // WAV files the plug-in gives silence with.
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> unusable = {
        {"empty.wav", makeWav(1, 1, 16, {})},
        {"huge.wav", makeWav(1, 1, 16, pcm16({1000, 2000}), 0x80000000LL)},
        {"align0.wav", makeWav(1, 1, 16, pcm16({1000, 2000}), -1, 0)},
        {"nan.wav", makeWav(3, 1, 32, floatSamples({0.5f, std::nanf(""), 0.25f}))},
        {"zeros.wav", makeWav(1, 1, 16, pcm16({0, 0, 0, 0}))},
        {"eight.wav", makeWav(1, 1, 8, {0x90, 0x70, 0x80})},
        {"text.wav", {'h', 'e', 'l', 'l', 'o'}},
    };
    for (const auto& u : unusable)
        writeBytes(dir.path(u.first), u.second);
    writeWav(dir.path("moved.wav"), impulseResponse(), true);
    ASSERT_EQ(run({"--ir", dir.path("moved.wav"), "--save-fxb", dir.path("bank.fxb")}).exitCode, 0);
    ASSERT_EQ(rename(dir.path("moved.wav").c_str(), dir.path("elsewhere.wav").c_str()), 0);

    std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--cab", "ext"}, "has no impulse response"},
        {{"--fxb", dir.path("bank.fxb")}, dir.path("moved.wav") + ", cannot be read"},
    };
    for (const auto& u : unusable)
        cases.push_back({{"--ir", dir.path(u.first)}, "gives silence with"});
    const auto before = dir.snapshot();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first.back());
        std::vector<std::string> args = c.first;
        args.insert(args.end(), {in, dir.path("out.wav")});
        const RunResult r = run(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(lineCount(r.err), 1) << r.err;
        EXPECT_NE(r.err.find(c.second), std::string::npos) << r.err;
        EXPECT_TRUE(dir.snapshot() == before) << "no output, no temporary file";
    }
    const RunResult allowed = run({"--allow-silence", "--ir", dir.path("zeros.wav"), in, dir.path("out.wav")});
    ASSERT_EQ(allowed.exitCode, 0) << allowed.err;
    EXPECT_NE(allowed.err.find("warning: the plug-in gives silence"), std::string::npos) << allowed.err;
    EXPECT_EQ(levelOf(readSound(dir.path("out.wav"))).peak, 0.0);
}

// Finding 6: a response in the extensible layout (as most tools write 24-bit
// files) sounds exactly like the same samples in the plain layout.
TEST_F(RenderPlugin, ExtensibleResponsesSoundLikeTheirPlainTwins)
{
    for (int sampleType : {SF_FORMAT_PCM_24, SF_FORMAT_PCM_16, SF_FORMAT_PCM_32, SF_FORMAT_FLOAT}) {
        SCOPED_TRACE(sampleType);
        writeSound(dir.path("plain.wav"), impulseResponse(), SF_FORMAT_WAV | sampleType);
        writeSound(dir.path("ext.wav"), impulseResponse(), SF_FORMAT_WAVEX | sampleType);
        const std::vector<uint8_t> header = readBytes(dir.path("ext.wav"));
        ASSERT_GT(header.size(), 22u);
        ASSERT_EQ(header[20] | (header[21] << 8), 0xFFFE) << "libsndfile wrote the extensible layout";
        const Audio plain = render({"-y", "--ir", dir.path("plain.wav")}, "plain-out.wav");
        const Audio ext = render({"-y", "--ir", dir.path("ext.wav")}, "ext-out.wav");
        EXPECT_GT(levelOf(ext).peak, 1e-3);
        EXPECT_EQ(ext.samples, plain.samples);
    }
}
