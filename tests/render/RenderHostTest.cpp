// zorvan-render end to end against the stand-in module: option plumbing, state
// files, sample rates, channel handling and every refusal.
#include "RenderTestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

using namespace rendertest;

namespace {

std::string standin(const std::string& variant)
{
    return std::string(STANDIN_DIR) + "/zorvan_standin_" + variant + ".so";
}

// "  3  bass       0.400000   --bass      4.00" -> index 3: "0.400000"
std::map<int, std::string> listedDisplays(const std::string& out)
{
    std::map<int, std::string> shown;
    std::istringstream lines(out);
    std::string line;
    bool inParams = false;
    while (std::getline(lines, line)) {
        if (line == "Parameters:") {
            inParams = true;
            continue;
        }
        if (line.rfind("Programs", 0) == 0)
            inParams = false;
        if (!inParams)
            continue;
        std::istringstream fields(line);
        int index;
        std::string name, display;
        if (fields >> index >> name >> display)
            shown[index] = display;
    }
    return shown;
}

class RenderHost : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string input()
    {
        const std::string p = dir.path("in.wav");
        if (!fileExists(p))
            writeWav(p, testTone(44100, 2, 0.25));
        return p;
    }
    RunResult run(std::vector<std::string> args, const std::string& variant = "ok")
    {
        args.insert(args.begin(), {"--plugin", standin(variant)});
        return runRender(args);
    }
};

} // namespace

TEST_F(RenderHost, EachControlReachesItsParameter)
{
    const RunResult r = run({"--input", "1", "--channel", "rhythm", "--gain", "3", "--bass", "4", "--middle", "5.5",
                             "--treble", "6", "--presence", "7", "--volume", "8", "--cab", "off", "--list"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::map<int, std::string> want = {{0, "0.100000"}, {1, "0.500000"}, {2, "0.300000"},
                                             {3, "0.400000"}, {4, "0.550000"}, {5, "0.600000"},
                                             {6, "0.700000"}, {7, "0.800000"}, {8, "0.500000"}};
    EXPECT_EQ(listedDisplays(r.out), want) << r.out;
    EXPECT_NE(r.out.find("Programs (current 0)"), std::string::npos);
    EXPECT_NE(r.out.find("Plug-in: Zorvan Ferroharmonic Lite by Zorvan, Inc."), std::string::npos);

    // And through the audio: each control alone moves the stand-in's output.
    ASSERT_EQ(run({"--tail", "0", input(), dir.path("base.wav")}).exitCode, 0);
    const Audio base = readSound(dir.path("base.wav"));
    const std::vector<std::vector<std::string>> moves = {{"--input", "5"},
                                                         {"--channel", "lead"},
                                                         {"--gain", "9"},
                                                         {"--bass", "1"},
                                                         {"--middle", "1"},
                                                         {"--treble", "1"},
                                                         {"--presence", "1"},
                                                         {"--volume", "10"},
                                                         {"--cab", "ext", "--allow-silence"},
                                                         {"--program", "1", "--gain", "1"}};
    for (const auto& m : moves) {
        std::vector<std::string> args = m;
        args.insert(args.end(), {"-y", "--tail", "0", input(), dir.path("moved.wav")});
        ASSERT_EQ(run(args).exitCode, 0) << m[0];
        EXPECT_NE(readSound(dir.path("moved.wav")).samples, base.samples) << m[0] << " changed nothing";
    }
}

TEST_F(RenderHost, PresetAndBankFilesRoundTripToIdenticalRenders)
{
    const std::string in = input();
    ASSERT_EQ(run({"--program", "2", "--gain", "8", "--channel", "lead", "--save-fxb", dir.path("s.fxb"), "--save-fxp",
                   dir.path("s.fxp"), in, dir.path("a.wav")})
                  .exitCode,
              0);
    const RunResult b = run({"--fxb", dir.path("s.fxb"), "--list", in, dir.path("b.wav")});
    ASSERT_EQ(b.exitCode, 0) << b.err;
    EXPECT_NE(b.out.find("Programs (current 2)"), std::string::npos) << "the bank restores the current program";
    EXPECT_TRUE(sameBytes(dir.path("a.wav"), dir.path("b.wav")));
    // A preset file is loaded into the current program (0 here), before any --program.
    ASSERT_EQ(run({"--fxp", dir.path("s.fxp"), in, dir.path("c.wav")}).exitCode, 0);
    EXPECT_TRUE(sameBytes(dir.path("a.wav"), dir.path("c.wav")));
    // Without the state the render differs, so the comparison above means something.
    ASSERT_EQ(run({in, dir.path("d.wav")}).exitCode, 0);
    EXPECT_FALSE(sameBytes(dir.path("a.wav"), dir.path("d.wav")));

    // Saving alone, without rendering, gives the same bank.
    ASSERT_EQ(run({"--program", "2", "--gain", "8", "--channel", "lead", "--save-fxb", dir.path("t.fxb")}).exitCode, 0);
    EXPECT_TRUE(sameBytes(dir.path("s.fxb"), dir.path("t.fxb")));
}

TEST_F(RenderHost, RendersAtTheInputsOwnRate)
{
    for (int rate : {44100, 96000}) {
        SCOPED_TRACE(rate);
        const std::string in = dir.path("silence.wav");
        Audio silence;
        silence.rate = rate;
        silence.channels = 2;
        silence.samples.assign(size_t(rate / 10) * 2, 0.0);
        writeWav(in, silence);
        const RunResult r = run({"-y", "--float", "--tail", "0.5", in, dir.path("out.wav")});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const Audio out = readSound(dir.path("out.wav"));
        EXPECT_EQ(out.rate, rate);
        EXPECT_EQ(out.channels, 2);
        EXPECT_EQ(out.frames(), rate / 10 + rate / 2);
        // The stand-in adds rate x 1e-9 to its output: the plug-in was told this rate.
        const double defaultsOffset = 1e-3 * (2 * 0.5 + 3 * 0.5 + 4 * 0.5 + 5 * 0.5 + 6 * 0.5);
        EXPECT_NEAR(out.samples[0], defaultsOffset + rate * 1e-9, 1e-9);
    }
}

TEST_F(RenderHost, MonoFeedsBothInputsUnlessLeftOnlyAndExtraChannelsAreIgnored)
{
    Audio mono = testTone(44100, 1, 0.2);
    writeWav(dir.path("mono.wav"), mono, true);
    ASSERT_EQ(run({"--float", "--tail", "0", "--cab", "off", dir.path("mono.wav"), dir.path("both.wav")}).exitCode, 0);
    ASSERT_EQ(run({"--float", "--tail", "0", "--cab", "off", "--mono-left", dir.path("mono.wav"), dir.path("left.wav")})
                  .exitCode,
              0);
    const Audio both = readSound(dir.path("both.wav")), left = readSound(dir.path("left.wav"));
    ASSERT_EQ(both.samples.size(), left.samples.size());
    const double offset = both.samples[0] - 2 * mono.samples[0] * 0.2 * 2 * 0.5 * 2; // the stand-in's DC
    size_t checked = 0;
    for (size_t i = 0; i < both.samples.size(); i += 97, ++checked)
        ASSERT_NEAR(both.samples[i] - offset, 2 * (left.samples[i] - offset), 1e-6) << i;
    EXPECT_GT(checked, 50u);

    // Three channels: the first two are used, the third is ignored.
    Audio stereo = testTone(44100, 2, 0.2), three;
    three.rate = 44100;
    three.channels = 3;
    for (int64_t i = 0; i < stereo.frames(); ++i)
        three.samples.insert(three.samples.end(),
                             {stereo.samples[size_t(2 * i)], 0.5 * stereo.samples[size_t(2 * i + 1)], 0.9});
    for (size_t i = 1; i < stereo.samples.size(); i += 2)
        stereo.samples[i] *= 0.5;
    writeWav(dir.path("two.wav"), stereo, true);
    writeWav(dir.path("three.wav"), three, true);
    ASSERT_EQ(run({"--float", dir.path("two.wav"), dir.path("two-out.wav")}).exitCode, 0);
    ASSERT_EQ(run({"--float", dir.path("three.wav"), dir.path("three-out.wav")}).exitCode, 0);
    EXPECT_EQ(readSound(dir.path("two-out.wav")).samples, readSound(dir.path("three-out.wav")).samples);
}

TEST_F(RenderHost, DoubleAndBlockSizeGiveTheSameRender)
{
    const std::string in = input();
    ASSERT_EQ(run({"--float", in, dir.path("a.wav")}).exitCode, 0);
    ASSERT_EQ(run({"--float", "--block", "1", in, dir.path("b.wav")}).exitCode, 0);
    ASSERT_EQ(run({"--float", "--block", "4097", in, dir.path("c.wav")}).exitCode, 0);
    EXPECT_TRUE(sameBytes(dir.path("a.wav"), dir.path("b.wav")));
    EXPECT_TRUE(sameBytes(dir.path("a.wav"), dir.path("c.wav")));
    // Nothing time-dependent goes into the file (float WAVs may carry a dated PEAK chunk).
    usleep(1100 * 1000);
    ASSERT_EQ(run({"--float", in, dir.path("later.wav")}).exitCode, 0);
    EXPECT_TRUE(sameBytes(dir.path("a.wav"), dir.path("later.wav")));
    const RunResult d = run({"--float", "--double", in, dir.path("d.wav")});
    ASSERT_EQ(d.exitCode, 0) << d.err;
    const Audio a = readSound(dir.path("a.wav")), dd = readSound(dir.path("d.wav"));
    ASSERT_EQ(a.samples.size(), dd.samples.size());
    for (size_t i = 0; i < a.samples.size(); i += 101)
        ASSERT_NEAR(a.samples[i], dd.samples[i], 1e-6);
    EXPECT_NE(d.out.find("64-bit processing"), std::string::npos);
}

TEST_F(RenderHost, SummaryReportsLevelsAndClipping)
{
    const RunResult quiet = run({"--float", input(), dir.path("q.wav")});
    ASSERT_EQ(quiet.exitCode, 0);
    EXPECT_NE(quiet.out.find("Peak "), std::string::npos);
    EXPECT_NE(quiet.out.find("RMS "), std::string::npos);
    EXPECT_NE(quiet.out.find("real time"), std::string::npos);
    EXPECT_NE(quiet.out.find("No clipping"), std::string::npos) << quiet.out;
    EXPECT_TRUE(quiet.err.empty()) << "no progress bar when standard error is not a terminal: " << quiet.err;

    const RunResult hot = run({"--float", "--input", "10", "--volume", "10", input(), dir.path("h.wav")});
    ASSERT_EQ(hot.exitCode, 0);
    EXPECT_NE(hot.out.find("CLIPPED"), std::string::npos) << hot.out;
    double peak = 0;
    for (double s : readSound(dir.path("h.wav")).samples)
        peak = std::max(peak, std::fabs(s));
    EXPECT_GT(peak, 1.0) << "float output keeps overs";
}

// Every refusal: non-zero exit, a one-line message, and no output file or
// leftover temporary file in the destination folder.
TEST_F(RenderHost, ErrorsLeaveNoOutput)
{
    const std::string in = input();
    writeBytes(dir.path("text.wav"), {'h', 'e', 'l', 'l', 'o'});
    // A bank from another plug-in: change the ID bytes of a real one.
    ASSERT_EQ(run({"--save-fxb", dir.path("good.fxb"), "--save-fxp", dir.path("good.fxp")}).exitCode, 0);
    std::vector<uint8_t> foreign = readBytes(dir.path("good.fxb"));
    foreign[19] = 'X';
    writeBytes(dir.path("foreign.fxb"), foreign);
    std::vector<uint8_t> shortChunk = readBytes(dir.path("good.fxp"));
    shortChunk.resize(shortChunk.size() - 4);
    shortChunk[59] -= 4; // chunkSize 316
    shortChunk[7] -= 4;  // byteSize
    writeBytes(dir.path("short.fxp"), shortChunk);
    // An impulse-response path the program record cannot hold.
    std::string deep = dir.dir();
    while (deep.size() < 300) {
        deep += "/" + std::string(60, 'd');
        mkdir(deep.c_str(), 0755);
    }
    writeWav(deep + "/ir.wav", testTone(44100, 1, 0.01));
    mkdir(dir.path("folder.wav").c_str(), 0755);

    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string variant;
        const char* says; // expected in the message
    };
    const std::string out = dir.path("out.wav");
    const std::vector<Case> cases = {
        {"missing input", {dir.path("nope.wav"), out}, "ok", "cannot read input"},
        {"unreadable input", {dir.path("text.wav"), out}, "ok", "cannot read input"},
        {"missing plug-in", {"--plugin", dir.path("nope.so"), in, out}, "ok", "cannot load plug-in"},
        {"plug-in not a library", {"--plugin", dir.path("text.wav"), in, out}, "ok", "cannot load plug-in"},
        {"other unique ID", {in, out}, "wrongid", "unique ID"},
        {"other name", {in, out}, "wrongname", "Some Other Amp"},
        {"null effect", {in, out}, "null", "no effect"},
        {"bad magic", {in, out}, "badmagic", "magic"},
        {"no entry point", {in, out}, "noentry", "VSTPluginMain"},
        {"unknown option", {"--fuzz", "3", in, out}, "ok", "unknown option"},
        {"knob out of range", {"--treble", "10.5", in, out}, "ok", "0 to 10"},
        {"program out of range", {"--program", "7", in, out}, "ok", "--program"},
        {"output folder missing", {in, dir.path("no/such/dir/out.wav")}, "ok", "cannot write"},
        {"output is a folder", {in, dir.path("folder.wav")}, "ok", "it is a folder"},
        {"missing bank", {"--fxb", dir.path("nope.fxb"), in, out}, "ok", "cannot read"},
        {"bank of another plug-in", {"--fxb", dir.path("foreign.fxb"), in, out}, "ok", "'ZRFX'"},
        {"bank given as preset", {"--fxp", dir.path("good.fxb"), in, out}, "ok", "bank file"},
        {"input given as bank", {"--fxb", in, in, out}, "ok", "not a VST bank"},
        {"chunk refused by size", {"--fxp", dir.path("short.fxp"), in, out}, "ok", "refused"},
        {"chunk refused", {"--fxb", dir.path("good.fxb"), in, out}, "refuses", "refused"},
        {"missing impulse response", {"--ir", dir.path("nope.wav"), in, out}, "ok", "impulse response"},
        {"impulse response path too long", {"--ir", deep + "/ir.wav", in, out}, "ok", "at most 259"},
        {"preset cannot be saved", {"--save-fxp", dir.path("no/such.fxp"), in, out}, "ok", "cannot write"},
    };
    const std::vector<std::string> before = dir.entries();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RunResult r = run(c.args, c.variant);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_NE(r.exitCode, -1) << "crashed";
        EXPECT_EQ(lineCount(r.err), 1) << r.err;
        EXPECT_EQ(r.err.rfind("zorvan-render: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_FALSE(fileExists(out));
        EXPECT_EQ(dir.entries(), before) << "a temporary file was left behind";
    }
}

// Findings 1-4 and 8: no command line replaces a file the user did not clearly
// name as the output, and an output that cannot be written stops the run
// before any work. After each refusal every file is as it was, byte for byte,
// mode and link, with no temporary file left.
TEST_F(RenderHost, FilesNotNamedAsTheOutputAreNeverReplaced)
{
    const std::string di = input();
    writeWav(dir.path("take1.wav"), testTone(44100, 1, 0.1));
    writeWav(dir.path("take2.wav"), testTone(44100, 1, 0.2));
    writeWav(dir.path("locked.wav"), testTone(44100, 1, 0.1));
    chmod(dir.path("locked.wav").c_str(), 0444);
    writeWav(dir.path("cab.wav"), testTone(44100, 1, 0.01));
    ASSERT_EQ(symlink("in.wav", dir.path("link-to-in.wav").c_str()), 0);
    ASSERT_EQ(link(di.c_str(), dir.path("hard-in.wav").c_str()), 0);
    ASSERT_EQ(symlink("gone.wav", dir.path("dangling.wav").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.path("fifo.wav").c_str(), 0644), 0);
    ASSERT_EQ(run({"--ir", dir.path("cab.wav"), "--save-fxb", dir.path("with-cab.fxb")}).exitCode, 0);

    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* says;
    };
    const std::string respelled = dir.dir() + "/./in.wav";
    const std::vector<Case> cases = {
        {{"--channel", "lead", di}, 2, "only one file name"},
        {{"--list", di}, 2, "only one file name"},
        {{"--save-fxp", dir.path("lead.fxp"), di}, 2, "only one file name"},
        {{"--channel", "lead", dir.path("take1.wav"), dir.path("take2.wav")}, 1, "it exists (give --overwrite or -y"},
        {{"-y", di, di}, 1, "it is the input"},
        {{"-y", di, respelled}, 1, "it is the input"},
        {{"-y", di, dir.path("link-to-in.wav")}, 1, "it is the input"},
        {{"-y", di, dir.path("hard-in.wav")}, 1, "it is the input"},
        {{"-y", "--ir", dir.path("cab.wav"), di, dir.path("cab.wav")}, 1, "it is the impulse response"},
        {{"-y", "--fxb", dir.path("with-cab.fxb"), di, dir.path("cab.wav")},
         1,
         "impulse response of the current program"},
        {{"-y", "--save-fxp", dir.path("with-cab.fxb"), "--fxb", dir.path("with-cab.fxb")}, 1, "it is the bank read"},
        {{"-y", "--save-fxp", dir.path("x.wav"), di, dir.path("x.wav")}, 1, "also the output"},
        {{"-y", di, dir.path("locked.wav")}, 1, "read-only"},
        {{"-y", "--format", "wav", di, "/dev/null"}, 1, "a character device"},
        {{"-y", di, dir.path("fifo.wav")}, 1, "a FIFO"},
        {{"-y", di, dir.path("dangling.wav")}, 1, "a link to a missing file"},
        {{"--save-fxb", dir.path("nodir/x.fxb"), di, dir.path("out.wav")}, 1, "cannot write"},
    };
    const std::map<std::string, std::string> before = dir.snapshot();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const RunResult r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(lineCount(r.err), 1) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("Rendered"), std::string::npos) << "no render before the refusal";
        EXPECT_TRUE(dir.snapshot() == before) << "a file changed, appeared or vanished";
    }
}

// What the user did name as the output is replaced as asked, keeping its mode
// and links; "-" streams a WAV to standard output.
TEST_F(RenderHost, NamedOutputsAreReplacedInPlaceOrStreamed)
{
    const std::string in = input();
    writeWav(dir.path("old.wav"), testTone(44100, 1, 0.1));
    chmod(dir.path("old.wav").c_str(), 0640);
    ASSERT_EQ(symlink("old.wav", dir.path("link.wav").c_str()), 0);
    ASSERT_EQ(run({"--tail", "0", in, dir.path("new.wav")}).exitCode, 0);
    ASSERT_EQ(run({"-y", "--tail", "0", in, dir.path("link.wav")}).exitCode, 0);
    struct stat st;
    ASSERT_EQ(lstat(dir.path("link.wav").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
    ASSERT_EQ(stat(dir.path("old.wav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_TRUE(sameBytes(dir.path("old.wav"), dir.path("new.wav")));

    const RunResult piped = run({"--tail", "0", in, "-"});
    ASSERT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_NE(piped.err.find("Rendered"), std::string::npos) << "the summary moves to standard error";
    writeBytes(dir.path("piped.wav"), std::vector<uint8_t>(piped.out.begin(), piped.out.end()));
    EXPECT_TRUE(sameBytes(dir.path("piped.wav"), dir.path("new.wav")));
}

// Finding 9 and --name: a preset given with --program goes into that program,
// and a program name given on the command line is saved.
TEST_F(RenderHost, PresetGoesIntoTheSelectedProgramAndNamesAreSaved)
{
    const std::string in = input();
    ASSERT_EQ(run({"--gain", "9", "--channel", "lead", "--name", "Lead 9", "--save-fxp", dir.path("lead.fxp"), in,
                   dir.path("p0.wav")})
                  .exitCode,
              0);
    const RunResult r = run({"--fxp", dir.path("lead.fxp"), "--program", "2", "--list", "--save-fxb", dir.path("b.fxb"),
                             in, dir.path("p2.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(sameBytes(dir.path("p0.wav"), dir.path("p2.wav"))) << "program 2 renders the preset's values";
    EXPECT_NE(r.out.find("  2* Lead 9"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  0  init"), std::string::npos) << "program 0 is untouched: " << r.out;
    const std::vector<uint8_t> fxp = readBytes(dir.path("lead.fxp"));
    ASSERT_GT(fxp.size(), 40u);
    EXPECT_EQ(std::string(fxp.begin() + 28, fxp.begin() + 34), "Lead 9");
}

// Finding 10: the format follows the extension, a folder is no input, and
// what shortens or shifts a render is said.
TEST_F(RenderHost, FormatsFoldersCutInputsAndResponseRates)
{
    const std::string in = input();
    int format = 0;
    ASSERT_EQ(run({"--tail", "0", in, dir.path("out.flac")}).exitCode, 0);
    const Audio flac = readSound(dir.path("out.flac"), &format);
    EXPECT_EQ(format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
    ASSERT_EQ(run({"--tail", "0", "--format", "aiff", in, dir.path("out.snd")}).exitCode, 0);
    readSound(dir.path("out.snd"), &format);
    EXPECT_EQ(format & SF_FORMAT_TYPEMASK, SF_FORMAT_AIFF);
    EXPECT_EQ(flac.frames(), testTone(44100, 2, 0.25).frames());

    const RunResult unknown = run({in, dir.path("out.mp4")});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("'.mp4'"), std::string::npos) << unknown.err;
    mkdir(dir.path("takes.wav").c_str(), 0755);
    const RunResult folder = run({dir.path("takes.wav"), dir.path("out.wav")});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_NE(folder.err.find("cannot read input " + dir.path("takes.wav") + ": it is a folder"), std::string::npos);
    EXPECT_FALSE(fileExists(dir.path("out.wav")));

    // A download cut in half: rendered as far as it goes, with a word.
    std::vector<uint8_t> bytes = readBytes(in);
    bytes.resize(bytes.size() / 2);
    writeBytes(dir.path("cut.wav"), bytes);
    const RunResult cut = run({"--tail", "0", dir.path("cut.wav"), dir.path("cut-out.wav")});
    ASSERT_EQ(cut.exitCode, 0) << cut.err;
    EXPECT_NE(cut.err.find("warning: the input " + dir.path("cut.wav") + " is cut short"), std::string::npos)
        << cut.err;
    EXPECT_LT(readSound(dir.path("cut-out.wav")).frames(), flac.frames());

    // A response at another rate than the render plays shifted: said, rendered.
    Audio ir = testTone(96000, 1, 0.01);
    writeWav(dir.path("cab96.wav"), ir);
    const RunResult shifted = run({"--ir", dir.path("cab96.wav"), in, dir.path("ext.wav")});
    ASSERT_EQ(shifted.exitCode, 0) << shifted.err;
    EXPECT_NE(shifted.err.find("is at 96000 Hz, the render at 44100 Hz"), std::string::npos) << shifted.err;
    EXPECT_EQ(lineCount(shifted.err), 1);
    EXPECT_NE(shifted.out.find("Peak "), std::string::npos) << "the summary keeps its figures";
}
