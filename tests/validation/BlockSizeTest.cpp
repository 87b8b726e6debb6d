// Block sizes and buffer layouts a host may choose: the output must not depend on
// how the host cuts the signal into blocks, whether the blocks exceed the size
// announced with effSetBlockSize, or whether the outputs are the input arrays.
#include "ValidationHost.h"

#include <limits>

using namespace validation;

namespace {

struct Stereo {
    std::vector<double> left, right;
};

Stereo testSignal(size_t n)
{
    Stereo s{bursts(n, 44100.0, 0.7), noise(n, 0.2, 3)};
    std::vector<double> extra = noise(n, 0.05, 4);
    for (size_t i = 0; i < n; ++i)
        s.left[i] += extra[i];
    return s;
}

// The host's cuts: the listed sizes, zero-length calls between them, and random
// sizes up to 2048; several of them larger than the announced block size.
std::vector<int32_t> hostCuts(size_t total, uint32_t seed)
{
    std::vector<int32_t> cuts = {0, 1, 17, 0, 137, 2027, 8192, 0, 16384};
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> size(1, 2048);
    size_t used = 0;
    for (int32_t c : cuts)
        used += static_cast<size_t>(c);
    while (used < total) {
        int32_t c = std::min<int32_t>(size(rng), static_cast<int32_t>(total - used));
        cuts.push_back(c);
        used += static_cast<size_t>(c);
        if (rng() % 7 == 0)
            cuts.push_back(0);
    }
    return cuts;
}

void prepared(Plugin& plug, float cabinet, float rate = 44100.f)
{
    plug.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    plug.dispatch(effSetBlockSize, 0, 512);
    plug.resume();
    if (cabinet == kCabExt) {
        EXPECT_TRUE(loadExternal(plug, cabinetWav()));
    }
    plug.set(kCabinet, cabinet);
    plug.set(kGain, 0.8f);
    plug.set(kMode, 1.f);
}

template <typename T>
std::vector<T> runCut(Plugin& plug, const Stereo& x, const std::vector<int32_t>& cuts)
{
    std::vector<T> in0 = convert<T>(x.left), in1 = convert<T>(x.right);
    // Pre-filled, so a zero-length call that writes anything shows.
    const T untouched = static_cast<T>(12345.0);
    std::vector<T> out0(in0.size(), untouched), out1(in0.size(), untouched);
    size_t pos = 0;
    for (int32_t n : cuts) {
        T* ins[2] = {in0.data() + pos, in1.data() + pos};
        T* outs[2] = {out0.data() + pos, out1.data() + pos};
        plug.process(ins, outs, n);
        if (n == 0 && pos < out0.size()) {
            EXPECT_EQ(out0[pos], untouched) << "a zero-length call wrote output";
            // Negative counts are processed as nothing, too.
            plug.process(ins, outs, -1);
            plug.process(ins, outs, std::numeric_limits<int32_t>::min());
            EXPECT_EQ(out0[pos], untouched) << "a negative count wrote output";
        }
        pos += static_cast<size_t>(n);
    }
    EXPECT_EQ(pos, in0.size());
    EXPECT_EQ(out0, out1);
    return out0;
}

const char* cabinetName(float cabinet)
{
    return cabinet == kCabInt ? "INT" : cabinet == kCabExt ? "EXT" : "OFF";
}

} // namespace

using BlockCase = std::tuple<float, float>; // cabinet, rate
class BlockSize : public ValidationTestP<BlockCase> {};

// At 44100 Hz the cabinets run their short layouts, at 96000 Hz the long ones.
TEST_P(BlockSize, OutputDoesNotDependOnTheCuts)
{
    const float cabinet = std::get<0>(GetParam()), rate = std::get<1>(GetParam());
    const size_t total = 60000;
    const Stereo x = testSignal(total);
    const std::vector<int32_t> cuts = hostCuts(total, 21);

    Plugin whole, pieces;
    prepared(whole, cabinet, rate);
    prepared(pieces, cabinet, rate);
    const std::vector<double> reference = runCut<double>(whole, x, {static_cast<int32_t>(total)});
    const std::vector<double> cut = runCut<double>(pieces, x, cuts);
    EXPECT_EQ(firstDifference(reference, cut), -1);
    EXPECT_EQ(scan(reference).firstNonFinite, Scan::none);
}

TEST_P(BlockSize, SingleOneSampleCallsMatchTheFloatEntryToo)
{
    const size_t total = 6000;
    const Stereo x = testSignal(total);
    const float cabinet = std::get<0>(GetParam()), rate = std::get<1>(GetParam());
    Plugin whole, pieces;
    prepared(whole, cabinet, rate);
    prepared(pieces, cabinet, rate);
    const std::vector<float> reference = runCut<float>(whole, x, {static_cast<int32_t>(total)});
    const std::vector<float> cut = runCut<float>(pieces, x, std::vector<int32_t>(total, 1));
    EXPECT_EQ(firstDifference(reference, cut), -1);
}

std::string blockCaseName(const ::testing::TestParamInfo<BlockCase>& info)
{
    return std::string(cabinetName(std::get<0>(info.param))) + "_" +
           std::to_string(static_cast<long>(std::get<1>(info.param)));
}

INSTANTIATE_TEST_SUITE_P(Cabinets, BlockSize,
                         ::testing::Combine(::testing::Values(kCabInt, kCabOff, kCabExt),
                                            ::testing::Values(44100.f, 96000.f)),
                         blockCaseName);

// ---------------------------------------------------------------------------
// Buffers

namespace {

// One run with a chosen aliasing of inputs and outputs.
enum class Layout { OutOfPlace, InPlace, Crossed };

template <typename T>
std::vector<T> runLayout(Plugin& plug, const Stereo& x, Layout layout, bool* inputsKept = nullptr)
{
    std::vector<T> in0 = convert<T>(x.left), in1 = convert<T>(x.right);
    const std::vector<T> original0 = in0, original1 = in1;
    std::vector<T> out0(in0.size()), out1(in0.size());
    const size_t block = 300;
    for (size_t pos = 0; pos < in0.size(); pos += block) {
        const int32_t n = static_cast<int32_t>(std::min(block, in0.size() - pos));
        T* ins[2] = {in0.data() + pos, in1.data() + pos};
        T* outs[2] = {out0.data() + pos, out1.data() + pos};
        if (layout == Layout::InPlace) {
            outs[0] = ins[0];
            outs[1] = ins[1];
        } else if (layout == Layout::Crossed) {
            outs[0] = ins[1];
            outs[1] = ins[0];
        }
        plug.process(ins, outs, n);
    }
    if (inputsKept)
        *inputsKept = in0 == original0 && in1 == original1;
    switch (layout) {
    case Layout::OutOfPlace:
        return out0;
    case Layout::InPlace:
        EXPECT_EQ(in0, in1);
        return in0;
    case Layout::Crossed:
        EXPECT_EQ(in0, in1);
        return in1;
    }
    return {};
}

template <typename T>
void checkLayouts(float cabinet)
{
    const Stereo x = testSignal(5000);
    Plugin a, b, c;
    prepared(a, cabinet);
    prepared(b, cabinet);
    prepared(c, cabinet);
    bool kept = false;
    const std::vector<T> outOfPlace = runLayout<T>(a, x, Layout::OutOfPlace, &kept);
    EXPECT_TRUE(kept) << "processing out of place changed the inputs";
    EXPECT_EQ(firstDifference(outOfPlace, runLayout<T>(b, x, Layout::InPlace)), -1) << "in place";
    EXPECT_EQ(firstDifference(outOfPlace, runLayout<T>(c, x, Layout::Crossed)), -1) << "crossed in place";
}

} // namespace

class Buffers : public ValidationTestP<float> {};

TEST_P(Buffers, InPlaceMatchesOutOfPlaceDouble)
{
    checkLayouts<double>(GetParam());
}

TEST_P(Buffers, InPlaceMatchesOutOfPlaceFloat)
{
    checkLayouts<float>(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cabinets, Buffers, ::testing::Values(kCabInt, kCabOff, kCabExt),
                         [](const ::testing::TestParamInfo<float>& info) { return cabinetName(info.param); });
