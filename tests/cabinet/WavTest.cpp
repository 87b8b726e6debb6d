#include "dsp/cabinet/ExtCabinet.h"
#include "dsp/cabinet/WavReader.h"

#include "CabinetTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <limits>

namespace {

// Loads bytes as a file into a fresh cabinet at rate; returns the response.
struct Loaded {
    bool ok;
    std::vector<double> ir;
};

Loaded loadBytes(TempDir& dir, const std::vector<uint8_t>& bytes, float rate = 44100.0f)
{
    static int counter = 0;
    const std::string path = dir.file("f" + std::to_string(counter++) + ".wav");
    writeFile(path, bytes);
    ExtCabinet cab;
    cab.clear();
    cab.setSampleRate(rate);
    Loaded r;
    r.ok = cab.loadImpulse(path.c_str());
    r.ir.assign(cab.impulseResponse(), cab.impulseResponse() + ExtCabinet::kMaxIrLength);
    return r;
}

bool readBytes(TempDir& dir, const std::vector<uint8_t>& bytes, WavReader& wav)
{
    static int counter = 0;
    const std::string path = dir.file("r" + std::to_string(counter++) + ".wav");
    writeFile(path, bytes);
    return wav.readWav(path.c_str());
}

// The extensible layout: a 40-byte fmt chunk whose subformat GUID carries the
// plain format code.
std::vector<uint8_t> makeExtensibleWav(uint16_t subFormat, uint16_t channels, uint16_t bits, uint16_t validBits,
                                       const std::vector<uint8_t>& data, uint16_t cbSize = 22)
{
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    Bytes b;
    b.tag("RIFF").u32(static_cast<uint32_t>(60 + data.size())).tag("WAVE");
    b.tag("fmt ").u32(40).u16(0xFFFE).u16(channels).u32(48000).u32(48000u * align).u16(align).u16(bits);
    b.u16(cbSize).u16(validBits).u32(channels == 1 ? 0x4 : 0x3);
    b.u16(subFormat).raw({0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    b.tag("data").u32(static_cast<uint32_t>(data.size())).raw(data);
    return b.v;
}

void expectSilent(const Loaded& r, const char* what)
{
    EXPECT_FALSE(r.ok) << what;
    for (size_t i = 0; i < r.ir.size(); ++i)
        ASSERT_EQ(r.ir[i], 0.0) << what << " at " << i;
}

TEST(WavDecodeTest, SixteenBitScalesAsymmetrically)
{
    TempDir dir;
    WavReader wav;
    ASSERT_TRUE(readBytes(dir, makeWav(1, 1, 16, pcm16({-32768, 32767, 8192, -1, 0})), wav));
    ASSERT_EQ(wav.sampleCount, 5);
    EXPECT_EQ(wav.samples[0], -1.0);
    EXPECT_EQ(wav.samples[1], 1.0);
    EXPECT_EQ(wav.samples[2], 8192.0 / 32767.0);
    EXPECT_EQ(wav.samples[3], -1.0 / 32768.0);
    EXPECT_EQ(wav.samples[4], 0.0);
}

TEST(WavDecodeTest, TwentyFourBitNegativesFoldOntoThePositiveScale)
{
    TempDir dir;
    WavReader wav;
    Bytes d;
    d.u24(0x7FFFFF).u24(0x800000).u24(0xFFFFFF).u24(0).u24(0x400000);
    ASSERT_TRUE(readBytes(dir, makeWav(1, 1, 24, d.v), wav));
    EXPECT_EQ(wav.samples[0], 1.0);
    EXPECT_NEAR(wav.samples[1], -0.99999988, 1e-8);
    EXPECT_NE(wav.samples[1], -1.0);
    EXPECT_GT(wav.samples[2], 0.0); // a small positive value, not a small negative one
    EXPECT_NEAR(wav.samples[2], 1.19e-7, 1e-9);
    EXPECT_EQ(wav.samples[3], 0.0);
    EXPECT_EQ(wav.samples[4], 4194304.0 / 8388607.0);
}

TEST(WavDecodeTest, ThirtyTwoBitIntegerAndFloat)
{
    TempDir dir;
    WavReader wav;
    Bytes ints;
    ints.u32(0x7FFFFFFF).u32(0x80000000u).u32(0x3F000000u);
    ASSERT_TRUE(readBytes(dir, makeWav(1, 1, 32, ints.v), wav));
    EXPECT_EQ(wav.samples[0], 1.0);
    EXPECT_EQ(wav.samples[1], -1.0);
    EXPECT_EQ(wav.samples[2], 1056964608.0 / 2147483647.0); // the bits of 0.5f, read as an integer
    // The same bits as floats: 0x7FFFFFFF is a NaN, and a file with one is refused.
    EXPECT_FALSE(readBytes(dir, makeWav(3, 1, 32, ints.v), wav));
    Bytes floats;
    floats.f32(0.5f).f32(-2.5f).f32(1e-3f);
    ASSERT_TRUE(readBytes(dir, makeWav(3, 1, 32, floats.v), wav));
    EXPECT_EQ(wav.samples[0], 0.5);
    EXPECT_EQ(wav.samples[1], -2.5); // unscaled, not clipped
    EXPECT_EQ(wav.samples[2], static_cast<double>(1e-3f));
}

TEST(WavDecodeTest, FormatThreeOnlyChangesThirtyTwoBitData)
{
    TempDir dir;
    WavReader a, b;
    ASSERT_TRUE(readBytes(dir, makeWav(1, 1, 16, pcm16({1000, -1000})), a));
    ASSERT_TRUE(readBytes(dir, makeWav(3, 1, 16, pcm16({1000, -1000})), b));
    EXPECT_EQ(a.samples, b.samples);
}

TEST(WavDecodeTest, ExtensibleLayoutReadsAsItsPlainFormat)
{
    TempDir dir;
    Bytes i24, i32;
    i24.u24(0x7FFFFF).u24(0x800000).u24(0x123456).u24(0);
    i32.u32(0x7FFFFFFF).u32(0x80000000u).u32(0x12345678).u32(0);
    struct Case {
        uint16_t code, channels, bits;
        std::vector<uint8_t> data;
    };
    const Case cases[] = {{1, 2, 16, pcm16({-32768, 32767, 8192, -1})},
                          {1, 1, 24, i24.v},
                          {1, 1, 32, i32.v},
                          {3, 2, 32, floatSamples({0.5f, -2.5f, 1e-3f, 0.0f})}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        WavReader plain, ext;
        ASSERT_TRUE(readBytes(dir, makeWav(c.code, c.channels, c.bits, c.data), plain));
        ASSERT_TRUE(readBytes(dir, makeExtensibleWav(c.code, c.channels, c.bits, c.bits, c.data), ext));
        EXPECT_EQ(ext.samples, plain.samples);
        EXPECT_EQ(ext.sampleCount, plain.sampleCount);
        EXPECT_EQ(ext.audioFormat, 0xFFFE);
        EXPECT_EQ(ext.subFormat, c.code);
    }
}

TEST(WavRefusalTest, ExtensibleLayoutsThatAreNotPlainPcmOrFloat)
{
    TempDir dir;
    const std::vector<uint8_t> d = pcm16({1000, 2000, 3000, 4000});
    expectSilent(loadBytes(dir, makeExtensibleWav(1, 1, 32, 24, d)), "24 valid bits in 32");
    expectSilent(loadBytes(dir, makeExtensibleWav(1, 1, 24, 20, {1, 2, 3, 4, 5, 6})), "20 valid bits in 24");
    expectSilent(loadBytes(dir, makeExtensibleWav(1, 1, 16, 0, d)), "no valid bits");
    expectSilent(loadBytes(dir, makeExtensibleWav(2, 1, 16, 16, d)), "ADPCM subformat");
    expectSilent(loadBytes(dir, makeExtensibleWav(3, 1, 16, 16, d)), "16-bit float");
    expectSilent(loadBytes(dir, makeExtensibleWav(1, 1, 8, 8, d)), "8-bit");
    expectSilent(loadBytes(dir, makeExtensibleWav(1, 1, 16, 16, d, 0)), "extension size 0");
    std::vector<uint8_t> otherGuid = makeExtensibleWav(1, 1, 16, 16, d);
    otherGuid[20 + 24 + 10] ^= 0x01; // a GUID of another family with the same first bytes
    expectSilent(loadBytes(dir, otherGuid), "foreign GUID");
}

// Header reads go through the reader's read function; this one counts them.
int gReadCalls = 0;
ssize_t countingRead(int fd, void* buf, size_t count, off_t offset)
{
    ++gReadCalls;
    return ::pread(fd, buf, count, offset);
}

TEST(WavRefusalTest, AChunkListOfZerosCostsAFewReads)
{
    TempDir dir;
    WavReader wav;
    wav.readFunction = countingRead;
    // RIFF/WAVE, then 16 MB of zeros: a chunk list of empty chunks that never ends.
    Bytes zeros;
    zeros.tag("RIFF").u32(16u << 20).tag("WAVE");
    zeros.v.resize(16u << 20, 0);
    gReadCalls = 0;
    EXPECT_FALSE(readBytes(dir, zeros.v, wav));
    EXPECT_LE(gReadCalls, 8);
    // The same zeros before a real header: past the header region, not found.
    Bytes late = zeros;
    late.raw(makeWav(1, 1, 16, pcm16({1000})));
    EXPECT_FALSE(readBytes(dir, late.v, wav));
    // An ordinary file comes in with one read, samples and all.
    gReadCalls = 0;
    ASSERT_TRUE(readBytes(dir, makeWav(1, 2, 24, std::vector<uint8_t>(6 * 4096, 0x11)), wav));
    EXPECT_EQ(gReadCalls, 1);
    // Samples used reaching past the first block: one more read for them.
    gReadCalls = 0;
    ASSERT_TRUE(readBytes(dir, makeWav(3, 2, 32, std::vector<uint8_t>(1 << 20, 0)), wav));
    EXPECT_EQ(gReadCalls, 2);
}

TEST(WavWindowTest, ThreeSampleExample)
{
    TempDir dir;
    const Loaded r = loadBytes(dir, makeWav(1, 1, 16, pcm16({8192, 32767, 8192})));
    ASSERT_TRUE(r.ok);
    const double s = 8192.0 / 32767.0;
    EXPECT_NEAR(r.ir[0], s * 0.08, 1e-15);
    EXPECT_EQ(r.ir[1], 1.0);
    EXPECT_NEAR(r.ir[2], s * 0.08, 1e-15);
    EXPECT_NEAR(r.ir[0], 0.0200006, 1e-7);
    for (size_t i = 3; i < r.ir.size(); ++i)
        ASSERT_EQ(r.ir[i], 0.0);
}

TEST(WavWindowTest, PeakFirstFadesOverTheWholeLength)
{
    TempDir dir;
    const Loaded r = loadBytes(dir, makeWav(3, 1, 32, floatSamples({1.0f, 1.0f, 1.0f, 1.0f})));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.ir[0], 1.0);
    EXPECT_NEAR(r.ir[1], 0.77, 1e-12);
    EXPECT_NEAR(r.ir[2], 0.31, 1e-12);
    EXPECT_NEAR(r.ir[3], 0.08, 1e-12);
}

TEST(WavWindowTest, PeakOnTheLastSampleLeavesTheResponseUnwindowed)
{
    TempDir dir;
    Loaded r = loadBytes(dir, makeWav(3, 1, 32, floatSamples({0.25f, -0.5f, 0.75f})));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.ir[0], 0.25);
    EXPECT_EQ(r.ir[1], -0.5);
    EXPECT_EQ(r.ir[2], 0.75);
    r = loadBytes(dir, makeWav(3, 1, 32, floatSamples({-0.5f})));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.ir[0], -0.5);
    // Cut at 4096 with the loudest sample exactly at the cut.
    std::vector<float> ramp(5000, 0.001f);
    ramp[4095] = 0.9f;
    r = loadBytes(dir, makeWav(3, 1, 32, floatSamples(ramp)), 48000.0f);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.ir[4095], static_cast<double>(0.9f));
    EXPECT_EQ(r.ir[4096], 0.0);
}

TEST(WavMixTest, StereoIsAveragedAndOppositeChannelsCancel)
{
    TempDir dir;
    std::vector<float> lr;
    for (int i = 0; i < 100; ++i) {
        lr.push_back(0.5f);
        lr.push_back(-0.5f);
    }
    Loaded r = loadBytes(dir, makeWav(3, 2, 32, floatSamples(lr)));
    ASSERT_TRUE(r.ok);
    for (double v : r.ir)
        ASSERT_EQ(v, 0.0);
    r = loadBytes(dir, makeWav(3, 2, 32, floatSamples({0.25f, 0.75f, 0.0f, 0.0f})));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.ir[0], 0.5); // peak first: window 1.0
    EXPECT_EQ(r.ir[1], 0.0);
}

TEST(WavMixTest, ResponsesAreCutToTheLayoutLength)
{
    TempDir dir;
    std::vector<float> flat(10000, 0.0f);
    for (int i = 0; i < 10000; ++i)
        flat[i] = 0.5f + 0.25f * static_cast<float>(i == 0);
    for (float rate : {48000.0f, 96000.0f}) {
        const Loaded r = loadBytes(dir, makeWav(3, 1, 32, floatSamples(flat)), rate);
        const int len = rate < 68000.0f ? 4096 : 8192;
        ASSERT_TRUE(r.ok);
        EXPECT_NEAR(r.ir[len - 1], 0.5 * 0.08, 1e-12) << rate; // the fade ends at the cut
        EXPECT_NE(r.ir[len - 2], 0.0);
        for (int i = len; i < ExtCabinet::kMaxIrLength; ++i)
            ASSERT_EQ(r.ir[i], 0.0) << rate << " at " << i;
    }
}

TEST(WavRefusalTest, UnsupportedFormatsGiveSilence)
{
    TempDir dir;
    std::vector<uint8_t> eight(100, 0x90);
    expectSilent(loadBytes(dir, makeWav(1, 1, 8, eight)), "8-bit");
    expectSilent(loadBytes(dir, makeWav(0xFFFE, 1, 16, pcm16({1000, 2000}))), "extensible without its extension");
    expectSilent(loadBytes(dir, makeWav(2, 1, 16, pcm16({1000, 2000}))), "format 2");
    expectSilent(loadBytes(dir, makeWav(1, 1, 16, {})), "empty data chunk");
    std::vector<uint8_t> notRiff = makeWav(1, 1, 16, pcm16({1000}));
    notRiff[0] = 'X';
    expectSilent(loadBytes(dir, notRiff), "wrong RIFF");
    std::vector<uint8_t> notWave = makeWav(1, 1, 16, pcm16({1000}));
    notWave[9] = 'X';
    expectSilent(loadBytes(dir, notWave), "wrong WAVE");
    expectSilent(loadBytes(dir, {}), "empty file");
    expectSilent(loadBytes(dir, {'R', 'I', 'F', 'F'}), "4 bytes");
}

TEST(WavRefusalTest, HeaderCountsThatCannotBeTrusted)
{
    TempDir dir;
    const std::vector<uint8_t> d = pcm16({1000, 2000, 3000, 4000});
    expectSilent(loadBytes(dir, makeWav(1, 1, 16, d, -1, 0)), "blockAlign 0");
    expectSilent(loadBytes(dir, makeWav(1, 0, 16, d)), "no channels");
    expectSilent(loadBytes(dir, makeWav(1, 1, 16, d, 0x80000000LL)), "2 GiB data size is negative");
    expectSilent(loadBytes(dir, makeWav(1, 1, 16, d, 0xFFFFFFF0LL)), "negative data size");
    expectSilent(loadBytes(dir, makeWav(1, 0xFFFF, 16, d, 0x7FFFFFFF, 1)), "count overflows 32 bits");
    expectSilent(loadBytes(dir, makeWav(1, 4, 16, d, 1, 2)), "count rounds to zero");
    std::vector<float> bad = {0.5f, std::numeric_limits<float>::quiet_NaN(), 0.25f};
    expectSilent(loadBytes(dir, makeWav(3, 1, 32, floatSamples(bad))), "NaN sample");
    bad[1] = std::numeric_limits<float>::infinity();
    expectSilent(loadBytes(dir, makeWav(3, 1, 32, floatSamples(bad))), "infinite sample");
}

TEST(WavRefusalTest, TagsMustBothBePresentAndTheirFieldsInsideTheFile)
{
    TempDir dir;
    // Two "fmt " tags and no "data".
    Bytes twoFmt;
    twoFmt.tag("RIFF").u32(60).tag("WAVE");
    for (int i = 0; i < 2; ++i)
        twoFmt.tag("fmt ").u32(16).u16(1).u16(1).u32(48000).u32(96000).u16(2).u16(16);
    twoFmt.raw(pcm16({1000, 2000}));
    expectSilent(loadBytes(dir, twoFmt.v), "two fmt, no data");
    // A data tag whose size field runs past the end.
    Bytes cutData;
    cutData.tag("RIFF").u32(40).tag("WAVE").tag("fmt ").u32(16).u16(1).u16(1).u32(48000).u32(96000).u16(2).u16(16);
    cutData.tag("data").u16(8);
    expectSilent(loadBytes(dir, cutData.v), "data size past the end");
    // A fmt tag at the very end: its fields would lie past the end.
    Bytes cutFmt;
    cutFmt.tag("RIFF").u32(40).tag("WAVE").tag("data").u32(4).u16(1000).u16(2000).tag("fmt ").u32(16).u16(1);
    expectSilent(loadBytes(dir, cutFmt.v), "fmt fields past the end");
}

TEST(WavRefusalTest, TagsAreFoundWhereverTheyStand)
{
    TempDir dir;
    // A LIST chunk before fmt, and data before... after an odd-sized pad.
    Bytes b;
    b.tag("RIFF").u32(0).tag("WAVE").tag("LIST").u32(5).tag("abcd").raw({0, 0});
    b.tag("fmt ").u32(18).u16(1).u16(1).u32(48000).u32(96000).u16(2).u16(16).u16(0);
    b.tag("data").u32(4).raw(pcm16({32767, 0}));
    const Loaded r = loadBytes(dir, b.v);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.ir[0], 1.0);
}

TEST(WavRefusalTest, TagWordsInsideTextChunksAreNotTakenForChunks)
{
    TempDir dir;
    // An INFO comment that mentions "data" and "fmt " before the real chunks.
    Bytes b;
    b.tag("RIFF").u32(0).tag("WAVE").tag("LIST").u32(16).tag("INFO").tag("data").tag("fmt ").u32(0);
    b.tag("fmt ").u32(16).u16(1).u16(1).u32(48000).u32(96000).u16(2).u16(16);
    b.tag("data").u32(4).raw(pcm16({16384, 32767}));
    const Loaded r = loadBytes(dir, b.v);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.ir[1], 1.0);
    EXPECT_EQ(r.ir[0], 16384.0 / 32767.0); // peak on the last sample: no window
    // Broken chunk sizes still load through the byte scan.
    Bytes broken;
    broken.tag("RIFF").u32(0).tag("WAVE").tag("JUNK").u32(0x7FFFFFF0).raw({1, 2, 3});
    broken.tag("fmt ").u32(16).u16(1).u16(1).u32(48000).u32(96000).u16(2).u16(16);
    broken.tag("data").u32(2).raw(pcm16({32767}));
    const Loaded q = loadBytes(dir, broken.v);
    ASSERT_TRUE(q.ok);
    EXPECT_EQ(q.ir[0], 1.0);
}

TEST(WavRefusalTest, ShortDataChunkStopsAtTheEndOfTheFile)
{
    TempDir dir;
    WavReader wav;
    // Claims 1000 samples, holds 3 and a half.
    std::vector<uint8_t> d = pcm16({32767, -32768, 16384});
    d.push_back(0x12);
    ASSERT_TRUE(readBytes(dir, makeWav(1, 1, 16, d, 2000), wav));
    EXPECT_EQ(wav.sampleCount, 1000);
    EXPECT_EQ(wav.samples[0], 1.0);
    EXPECT_EQ(wav.samples[1], -1.0);
    EXPECT_EQ(wav.samples[2], 16384.0 / 32767.0);
    for (size_t i = 3; i < wav.samples.size(); ++i)
        ASSERT_EQ(wav.samples[i], 0.0);
}

TEST(WavRefusalTest, HugeClaimsCostNoMemory)
{
    TempDir dir;
    WavReader wav;
    // 2 GiB - 2 of 16-bit stereo claimed, a few bytes present.
    ASSERT_TRUE(readBytes(dir, makeWav(1, 2, 16, pcm16({100, 300, 500, 700}), 0x7FFFFFFE), wav));
    EXPECT_EQ(wav.sampleCount, 0x7FFFFFFE / 4 * 2);
    EXPECT_LE(wav.samples.size(), static_cast<size_t>(2 * WavReader::kDefaultMaxFrames));
    const Loaded r = loadBytes(dir, makeWav(1, 2, 16, pcm16({100, 300, 500, 700}), 0x7FFFFFFE), 96000.0f);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.ir[1], (700.0 / 32767.0 + 500.0 / 32767.0) * 0.5); // the peak, window 1.0
    EXPECT_EQ(r.ir[2], 0.0);
}

TEST(WavRefusalTest, OnlyRegularFilesAreOpened)
{
    TempDir dir;
    ExtCabinet cab;
    cab.clear();
    EXPECT_FALSE(cab.loadImpulse(dir.path().c_str()));   // a directory
    EXPECT_FALSE(cab.loadImpulse("/dev/null"));          // a device
    EXPECT_FALSE(cab.loadImpulse("/nonexistent/x.wav")); // missing
    EXPECT_FALSE(cab.loadImpulse(nullptr));
    const std::string fifo = dir.file("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(cab.loadImpulse(fifo.c_str())); // must return at once, not block on the writer
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(cab.process(1.0), 0.0);
}

TEST(WavRefusalTest, ARefusalReplacesAPreviousResponseWithSilence)
{
    TempDir dir;
    const std::string good = dir.file("good.wav");
    const std::string bad = dir.file("bad.wav");
    writeFile(good, makeWav(1, 1, 16, pcm16({32767, 1000})));
    writeFile(bad, makeWav(1, 1, 8, {1, 2, 3}));
    ExtCabinet cab;
    cab.clear();
    ASSERT_TRUE(cab.loadImpulse(good.c_str()));
    EXPECT_EQ(cab.process(1.0), 1.0);
    EXPECT_FALSE(cab.loadImpulse(bad.c_str()));
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(cab.process(i == 0 ? 1.0 : 0.0), i == 0 ? 0.0 : cab.process(0.0) * 0.0) << i;
}

} // namespace
