// Silence in, silence out: a fresh instance answers digital silence with exact
// zeros, a loud signal dies away once the input stops without leaving subnormal
// numbers behind, and subnormal input does not make processing crawl.
#include "ValidationHost.h"

#include <algorithm>
#include <chrono>
#include <limits>

using namespace validation;

namespace {

const char* cabinetName(float cabinet)
{
    return cabinet == kCabInt ? "INT" : cabinet == kCabExt ? "EXT" : "OFF";
}

void prepare(Plugin& plug, float rate, float cabinet)
{
    plug.setRate(rate);
    if (cabinet == kCabExt) {
        ASSERT_TRUE(loadExternal(plug, cabinetWav()));
    }
    plug.set(kCabinet, cabinet);
}

} // namespace

using SilenceCase = std::tuple<float, float>;
class Silence : public ValidationTestP<SilenceCase> {};

TEST_P(Silence, FreshInstanceGivesExactZeros)
{
    const float rate = std::get<0>(GetParam());
    const float cabinet = std::get<1>(GetParam());
    for (float mode : {0.f, 0.5f, 1.f}) {
        Plugin plug;
        prepare(plug, rate, cabinet);
        plug.set(kMode, mode);
        plug.set(kGain, 1.f);
        plug.set(kInput, 1.f);
        const size_t n = static_cast<size_t>(rate / 4);
        std::vector<double> y = plug.run(std::vector<double>(n, 0.0), 97);
        std::vector<float> yf = plug.run(std::vector<float>(n, 0.f), 64);
        for (size_t i = 0; i < n; ++i) {
            ASSERT_EQ(y[i], 0.0) << "double entry, mode " << mode << ", sample " << i;
            ASSERT_EQ(yf[i], 0.f) << "float entry, mode " << mode << ", sample " << i;
        }
    }
}

TEST_P(Silence, LoudSignalDiesAwayWithinOneSecond)
{
    const float rate = std::get<0>(GetParam());
    const float cabinet = std::get<1>(GetParam());
    const size_t second = static_cast<size_t>(rate);
    for (float mode : {0.f, 0.5f, 1.f}) {
        Plugin plug;
        prepare(plug, rate, cabinet);
        const float hot[kParams] = {1.f, mode, 1.f, 1.f, 1.f, 1.f, 1.f, 1.f, cabinet};
        plug.setAll(hot);
        plug.run(noise(second / 2, 1.0, 17), 256);
        plug.run(bursts(second / 2, rate, 1.0), 256);

        // Two seconds of silence through both entries, in turn.
        const bool useFloat = mode == 0.5f;
        std::vector<double> tail;
        if (useFloat) {
            std::vector<float> yf = plug.run(std::vector<float>(2 * second, 0.f), 256);
            tail.assign(yf.begin(), yf.end());
            Scan s = scan(yf);
            EXPECT_EQ(s.firstSubnormal, Scan::none) << "float entry, mode " << mode << ": subnormal at "
                                                    << s.firstSubnormal;
        } else {
            tail = plug.run(std::vector<double>(2 * second, 0.0), 256);
            Scan s = scan(tail);
            EXPECT_EQ(s.firstSubnormal, Scan::none) << "double entry, mode " << mode << ": subnormal at "
                                                    << s.firstSubnormal;
        }
        double late = 0.0;
        size_t lateAt = 0;
        for (size_t i = second; i < tail.size(); ++i)
            if (std::fabs(tail[i]) > late) {
                late = std::fabs(tail[i]);
                lateAt = i;
            }
        EXPECT_LT(late, 1.3e-4) << "mode " << mode << ": still " << late << " at " << lateAt
                                << " samples into the silence";
        EXPECT_EQ(scan(tail).firstNonFinite, Scan::none);
    }
}

INSTANTIATE_TEST_SUITE_P(RatesAndCabinets, Silence,
                         ::testing::Combine(::testing::Values(44100.f, 96000.f),
                                            ::testing::Values(kCabInt, kCabOff, kCabExt)),
                         [](const ::testing::TestParamInfo<SilenceCase>& info) {
                             return "r" + std::to_string(static_cast<long>(std::get<0>(info.param))) + "_" +
                                    cabinetName(std::get<1>(info.param));
                         });

// ---------------------------------------------------------------------------
// Subnormal input must not cost more than twice what ordinary noise costs.
// CPU timing: the sanitizer builds skip it.

namespace {

template <typename T>
double bestSeconds(Plugin& plug, const std::vector<T>& x, int repeats)
{
    std::vector<T> in0(x), in1(x.size(), T(0)), out0(x.size()), out1(x.size());
    double best = 1e30;
    for (int r = 0; r < repeats; ++r) {
        const auto start = std::chrono::steady_clock::now();
        for (size_t pos = 0; pos < x.size(); pos += 256) {
            T* ins[2] = {in0.data() + pos, in1.data() + pos};
            T* outs[2] = {out0.data() + pos, out1.data() + pos};
            plug.process(ins, outs, static_cast<int32_t>(std::min<size_t>(256, x.size() - pos)));
        }
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

template <typename T>
std::vector<T> subnormalNoise(size_t n, uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(0.1, 1.0);
    std::vector<T> x(n);
    for (size_t i = 0; i < n; ++i) {
        T v = std::numeric_limits<T>::denorm_min() * static_cast<T>(1 + (rng() % 1000000));
        v = std::min(v, std::numeric_limits<T>::min() * static_cast<T>(u(rng)));
        x[i] = (rng() & 1) ? v : -v;
    }
    return x;
}

template <typename T>
void expectSubnormalCostBounded(float cabinet)
{
    Plugin normal, tiny;
    for (Plugin* p : {&normal, &tiny}) {
        p->setRate(44100.f);
        if (cabinet == kCabExt) {
            ASSERT_TRUE(loadExternal(*p, cabinetWav()));
        }
        p->set(kCabinet, cabinet);
    }
    const size_t n = 11025;
    const std::vector<T> noiseIn = convert<T>(noise(n, 0.5, 5));
    const std::vector<T> tinyIn = subnormalNoise<T>(n, 6);
    ASSERT_TRUE(std::all_of(tinyIn.begin(), tinyIn.end(), [](T v) { return isSubnormal(v); }));
    // Warm up both, then take the best of interleaved runs.
    bestSeconds(normal, noiseIn, 1);
    bestSeconds(tiny, tinyIn, 1);
    double tNormal = 1e30, tTiny = 1e30;
    for (int round = 0; round < 9; ++round) {
        tNormal = std::min(tNormal, bestSeconds(normal, noiseIn, 1));
        tTiny = std::min(tTiny, bestSeconds(tiny, tinyIn, 1));
    }
    const double ratio = tTiny / tNormal;
    ::testing::Test::RecordProperty("subnormal_cost_ratio", std::to_string(ratio));
    EXPECT_LE(ratio, 2.0) << "subnormal input " << tTiny * 1e3 << " ms, noise " << tNormal * 1e3 << " ms";
}

} // namespace

class NosanSubnormalCost : public ValidationTestP<float> {};

TEST_P(NosanSubnormalCost, DoubleEntryAtMostTwiceNoise)
{
    expectSubnormalCostBounded<double>(GetParam());
}

TEST_P(NosanSubnormalCost, FloatEntryAtMostTwiceNoise)
{
    expectSubnormalCostBounded<float>(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cabinets, NosanSubnormalCost, ::testing::Values(kCabInt, kCabOff, kCabExt),
                         [](const ::testing::TestParamInfo<float>& info) { return cabinetName(info.param); });
