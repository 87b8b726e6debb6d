// A NaN or an infinity, in the audio or in a parameter, must not silence the
// plug-in for good. A sample that is not finite gives 0.0 out of the amplifier
// and resets the amplifier's histories; it never reaches the cabinets, whose
// rings carry on with the tail of the earlier finite audio and whose loaded
// responses stay. Once input and parameters are finite again the output is
// exactly what a fresh instance gives for the same finite signal from the reset
// point on, plus that cabinet tail.
#include "ValidationHost.h"

#include <limits>

using namespace validation;

namespace {

constexpr float kRate = 44100.f;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Samples after a reset point within which the cabinets still carry the old
// tail at this rate: the longest response (EXT., 4096) plus its largest block.
constexpr size_t kCabinetTail = 4096 + 1024;

const char* cabinetName(float cabinet)
{
    return cabinet == kCabInt ? "INT" : cabinet == kCabExt ? "EXT" : "OFF";
}

const float kSettings[kParams] = {0.6f, 1.f, 0.8f, 0.5f, 0.6f, 0.7f, 0.5f, 0.6f, 0.f};

void prepare(Plugin& plug, float cabinet)
{
    plug.setRate(kRate);
    if (cabinet == kCabExt) {
        ASSERT_TRUE(loadExternal(plug, cabinetWav()));
    }
    float values[kParams];
    std::copy(std::begin(kSettings), std::end(kSettings), values);
    values[kCabinet] = cabinet;
    plug.setAll(values);
}

template <typename T>
std::string where(const std::vector<T>& a, const std::vector<T>& b, long at)
{
    if (at < 0)
        return "identical";
    return "first difference at sample " + std::to_string(at) + ": " + std::to_string(a[at]) + " vs " +
           std::to_string(b[at]);
}

template <typename T>
std::vector<T> silencedUpTo(const std::vector<T>& x, size_t end)
{
    std::vector<T> y(x);
    std::fill(y.begin(), y.begin() + static_cast<long>(end), T(0));
    return y;
}

// Checks a run that met a bad sample at `at`: the amplifier's output there is
// 0.0 (so is the plug-in's with the cabinet off), and from the reset point on
// the output is the fresh instance's, exactly once the cabinet's tail is over.
template <typename T>
void expectRecovery(const std::vector<T>& y, const std::vector<T>& reference, size_t at, size_t until,
                    float cabinet)
{
    if (cabinet == kCabOff) {
        EXPECT_EQ(y[at], T(0)) << "the bad sample itself";
        const long diff = firstDifference(std::vector<T>(y.begin(), y.begin() + until),
                                          std::vector<T>(reference.begin(), reference.begin() + until), at + 1);
        EXPECT_EQ(diff, -1) << where(y, reference, diff);
    } else {
        const long diff =
            firstDifference(std::vector<T>(y.begin(), y.begin() + until),
                            std::vector<T>(reference.begin(), reference.begin() + until), at + kCabinetTail);
        EXPECT_EQ(diff, -1) << where(y, reference, diff);
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Non-finite audio

using AudioCase = std::tuple<float, int>;

struct BadSample {
    const char* name;
    double left, right;
};

const BadSample kBadSamples[] = {{"nan_left", kNaN, 0.1},      {"nan_right", 0.1, kNaN},
                                 {"inf", kInf, 0.0},           {"minus_inf", -kInf, 0.0},
                                 {"inf_minus_inf", kInf, -kInf}, {"nan_both", kNaN, kNaN}};

class NonFiniteAudio : public ValidationTestP<AudioCase> {};

TEST_P(NonFiniteAudio, ZeroOutThenExactRecovery)
{
    const float cabinet = std::get<0>(GetParam());
    const BadSample& b = kBadSamples[std::get<1>(GetParam())];
    const size_t at = 3 * 2048 - 1, n = at + 1 + kCabinetTail + 8000;
    std::vector<double> left = noise(n, 0.8, 31), right = noise(n, 0.2, 32);
    left[at] = b.left;
    right[at] = b.right;

    Plugin hit, fresh;
    prepare(hit, cabinet);
    prepare(fresh, cabinet);
    const std::vector<double> y = hit.run(left, right, 100);
    Scan s = scan(y, 1e6);
    EXPECT_EQ(s.firstNonFinite, Scan::none) << "non-finite output at " << s.firstNonFinite;

    // The fresh instance hears silence up to the reset point, then the same tail.
    const std::vector<double> reference = fresh.run(silencedUpTo(left, at + 1), silencedUpTo(right, at + 1), 100);
    expectRecovery(y, reference, at, n, cabinet);

    if (cabinet == kCabExt) {
        // The difference within the tail is exactly the loaded response ringing on
        // the amplifier's output from before the bad sample.
        Plugin off;
        prepare(off, kCabOff);
        const std::vector<double> u = off.run(left, right, 100);
        const std::vector<double> ring = externalCabinet(loadedResponse(cabinetWavBytes(), 4096), u, 0, at);
        std::vector<double> expected(reference);
        for (size_t i = at; i < n; ++i)
            expected[i] += ring[i];
        EXPECT_LT(maxDifference(y, expected, at, n), 1e-9) << "the cabinet's rings or response were touched";
    }
}

std::string audioCaseName(const ::testing::TestParamInfo<AudioCase>& info)
{
    return std::string(cabinetName(std::get<0>(info.param))) + "_" + kBadSamples[std::get<1>(info.param)].name;
}

INSTANTIATE_TEST_SUITE_P(Cases, NonFiniteAudio,
                         ::testing::Combine(::testing::Values(kCabInt, kCabOff, kCabExt), ::testing::Range(0, 6)),
                         audioCaseName);

class NonFiniteFloat : public ValidationTestP<float> {};

// Two loud but finite floats whose single-precision sum overflows, then a plain NaN.
TEST_P(NonFiniteFloat, OverflowingSumAndNaNRecover)
{
    const float cabinet = GetParam();
    const size_t first = 2048 - 1, second = first + 3 * 4096, n = second + 1 + kCabinetTail + 4000;
    std::vector<float> left = convert<float>(noise(n, 0.5, 3)), right = convert<float>(noise(n, 0.5, 4));
    left[first] = 3e38f;
    right[first] = 3e38f;
    left[second] = std::numeric_limits<float>::quiet_NaN();

    Plugin hit, fresh1, fresh2;
    prepare(hit, cabinet);
    prepare(fresh1, cabinet);
    prepare(fresh2, cabinet);
    const std::vector<float> y = hit.run(left, right, 64);
    EXPECT_EQ(scan(y, 1e6).firstNonFinite, Scan::none);
    {
        SCOPED_TRACE("overflowing sum");
        expectRecovery(y, fresh1.run(silencedUpTo(left, first + 1), silencedUpTo(right, first + 1), 64), first,
                       second, cabinet);
    }
    {
        SCOPED_TRACE("NaN");
        expectRecovery(y, fresh2.run(silencedUpTo(left, second + 1), silencedUpTo(right, second + 1), 64), second,
                       n, cabinet);
    }
}

INSTANTIATE_TEST_SUITE_P(Cabinets, NonFiniteFloat, ::testing::Values(kCabInt, kCabOff, kCabExt),
                         [](const ::testing::TestParamInfo<float>& info) { return cabinetName(info.param); });

// A response whose convolution overflows (32-bit float samples near the top of
// the range) blows up inside the cabinet itself: the output must stay finite.
TEST(NonFiniteCabinet, OverflowingResponseStaysFinite)
{
    std::vector<uint8_t> wav = {'R', 'I', 'F', 'F'};
    const int frames = 256;
    testhost::putLe(wav, 36 + 4 * frames, 4);
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    testhost::putLe(wav, 16, 4);
    testhost::putLe(wav, 3, 2); // IEEE float
    testhost::putLe(wav, 1, 2);
    testhost::putLe(wav, 48000, 4);
    testhost::putLe(wav, 48000 * 4, 4);
    testhost::putLe(wav, 4, 2);
    testhost::putLe(wav, 32, 2);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    testhost::putLe(wav, 4 * frames, 4);
    for (int i = 0; i < frames; ++i) {
        const float v = (i % 2 ? -3e38f : 3e38f);
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        testhost::putLe(wav, bits, 4);
    }
    const std::string path = TempDir::shared().file("overflow.wav");
    ASSERT_TRUE(testhost::writeFile(path, wav));

    Plugin plug;
    ASSERT_TRUE(loadExternal(plug, path));
    const std::vector<double> y = plug.run(noise(20000, 0.7, 5), 100);
    Scan s = scan(y, std::numeric_limits<double>::max());
    EXPECT_EQ(s.firstNonFinite, Scan::none) << "non-finite output at " << s.firstNonFinite;
    expectRealtimeClean();
}

// ---------------------------------------------------------------------------
// Non-finite parameters, from the host or from a chunk

namespace {

float badValue(int i)
{
    const float values[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()};
    return values[i];
}

void apply(Plugin& plug, int index, float value, bool viaChunk)
{
    if (!viaChunk) {
        plug.set(index, value);
        return;
    }
    Bytes preset = plug.chunk(true);
    ASSERT_EQ(preset.size(), static_cast<size_t>(kRecordSize));
    setRecordValue(preset, 0, index, value);
    ASSERT_EQ(plug.setChunk(preset, true), 1);
}

} // namespace

// Every parameter but the channel switch, which only classifies its value.
const int kNumericParams[] = {kInput, kGain, kBass, kMid, kTreble, kPresence, kMaster};

using ParamCase = std::tuple<int, int, bool>; // parameter, bad value, through a chunk

class NonFiniteParameter : public ValidationTestP<ParamCase> {};

// Bad value while the signal plays, then silence, then the finite value again:
// the output never leaves the finite range, and once everything is finite the
// plug-in plays exactly like a fresh instance that heard the same.
TEST_P(NonFiniteParameter, RecoversExactlyOnceFinite)
{
    const int index = std::get<0>(GetParam());
    const float value = badValue(std::get<1>(GetParam()));
    const bool viaChunk = std::get<2>(GetParam());
    const size_t lead = 4096, bad = 4096, quiet = 22050, tail = 8192;

    for (float cabinet : {kCabInt, kCabExt}) {
        SCOPED_TRACE(cabinetName(cabinet));
        Plugin hit, fresh;
        prepare(hit, cabinet);
        prepare(fresh, cabinet);
        hit.run(noise(lead, 0.7, 1), 64);
        apply(hit, index, value, viaChunk);
        EXPECT_TRUE(std::isnan(hit.get(index)) || hit.get(index) == value);
        const std::vector<double> during = hit.run(noise(bad, 0.7, 2), 64);
        for (size_t i = 0; i < during.size(); ++i)
            ASSERT_TRUE(std::isfinite(during[i])) << "sample " << i << " while the value is bad";
        // With the bad value every frame resets the amplifier and the cabinet's
        // tail runs out in the silence, so nothing of the past is left.
        const std::vector<double> hush = hit.run(std::vector<double>(quiet, 0.0), 64);
        EXPECT_EQ(scan(hush).firstNonFinite, Scan::none);
        apply(hit, index, kSettings[index], viaChunk);
        const std::vector<double> x = noise(tail, 0.7, 3);
        const std::vector<double> after = hit.run(x, 64);

        fresh.run(std::vector<double>(lead + bad + quiet, 0.0), 64);
        const std::vector<double> reference = fresh.run(x, 64);
        const long diff = firstDifference(after, reference);
        EXPECT_EQ(diff, -1) << where(after, reference, diff);
    }
}

// The bad value taken back with the signal still playing: the output is finite
// throughout and settles onto a never-disturbed instance's. The amplifier has a
// long memory (its lowest poles), hence half a second and a loose bound.
TEST_P(NonFiniteParameter, RecoversWhilePlaying)
{
    const int index = std::get<0>(GetParam());
    const float value = badValue(std::get<1>(GetParam()));
    const bool viaChunk = std::get<2>(GetParam());
    Plugin hit, steady;
    prepare(hit, kCabExt);
    prepare(steady, kCabExt);
    const size_t part = 4096, tail = 44100;
    const std::vector<double> x = noise(2 * part + tail, 0.7, 9);
    const std::vector<double> first(x.begin(), x.begin() + part), second(x.begin() + part, x.begin() + 2 * part),
        third(x.begin() + 2 * part, x.end());
    hit.run(first, 64);
    apply(hit, index, value, viaChunk);
    EXPECT_EQ(scan(hit.run(second, 64)).firstNonFinite, Scan::none);
    apply(hit, index, kSettings[index], viaChunk);
    const std::vector<double> after = hit.run(third, 64);
    steady.run(first, 64);
    steady.run(second, 64);
    const std::vector<double> reference = steady.run(third, 64);
    EXPECT_EQ(scan(after).firstNonFinite, Scan::none);
    const double late = maxDifference(after, reference, tail / 2, tail);
    EXPECT_LT(late, 1e-6) << "still off by " << late << " half a second after recovery";
}

std::string paramCaseName(const ::testing::TestParamInfo<ParamCase>& info)
{
    static const char* params[] = {"Input", "mode", "gain", "bass", "mid", "treble", "presence", "master"};
    static const char* values[] = {"nan", "inf", "minus_inf"};
    return std::string(params[std::get<0>(info.param)]) + "_" + values[std::get<1>(info.param)] +
           (std::get<2>(info.param) ? "_chunk" : "_host");
}

INSTANTIATE_TEST_SUITE_P(Values, NonFiniteParameter,
                         ::testing::Combine(::testing::ValuesIn(kNumericParams), ::testing::Range(0, 3),
                                            ::testing::Bool()),
                         paramCaseName);

// The channel switch classifies its value: NaN and +inf are LEAD (not below
// either threshold), -inf is CLEAN, and each plays exactly as that channel.
TEST(NonFiniteMode, PlaysAsTheChannelItClassifiesTo)
{
    const std::vector<double> x = noise(6000, 0.7, 4);
    struct Case {
        float bad, same;
    } cases[] = {{std::numeric_limits<float>::quiet_NaN(), 1.f},
                 {std::numeric_limits<float>::infinity(), 1.f},
                 {-std::numeric_limits<float>::infinity(), 0.f}};
    for (const Case& c : cases) {
        for (bool viaChunk : {false, true}) {
            Plugin odd, plain;
            prepare(odd, kCabInt);
            prepare(plain, kCabInt);
            apply(odd, kMode, c.bad, viaChunk);
            apply(plain, kMode, c.same, viaChunk);
            const std::vector<double> a = odd.run(x), b = plain.run(x);
            EXPECT_EQ(firstDifference(a, b), -1) << "mode " << c.bad << (viaChunk ? " from a chunk" : "");
            EXPECT_EQ(scan(a).firstNonFinite, Scan::none);
        }
    }
    expectRealtimeClean();
}
