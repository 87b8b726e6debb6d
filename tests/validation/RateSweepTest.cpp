// Every rate a host may run at, times the three channels, times the three cabinet
// positions: one second of plucked bursts (double entry, panel defaults) and one
// of loud noise (float entry, every control at its top) must come out finite,
// bounded and free of subnormal numbers.
#include "ValidationHost.h"

#include <tuple>

using namespace validation;

namespace {

#ifdef ZORVAN_SANITIZED
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

const char* cabinetName(float cabinet)
{
    return cabinet == kCabInt ? "INT" : cabinet == kCabExt ? "EXT" : "OFF";
}

std::string rateName(float rate)
{
    std::string s = std::to_string(static_cast<long>(rate));
    if (rate != std::floor(rate))
        s += "_fraction";
    return s;
}

template <typename T>
void expectClean(const std::vector<T>& y, const std::string& what)
{
    Scan s = scan(y, 100.0);
    EXPECT_EQ(s.firstNonFinite, Scan::none) << what << ": non-finite output at sample " << s.firstNonFinite;
    EXPECT_EQ(s.firstOverBound, Scan::none) << what << ": |y| >= 100 at sample " << s.firstOverBound
                                            << " (peak " << s.maxAbs << ")";
    EXPECT_EQ(s.firstSubnormal, Scan::none) << what << ": subnormal output at sample " << s.firstSubnormal;
}

} // namespace

using RateCase = std::tuple<float, float>;
class RateSweep : public ValidationTestP<RateCase> {};

// Each combination on a fresh instance: a switch of every control at once
// while playing leaves a transient behind (the histories run on), which is the
// parameter fuzz's business, not this sweep's.
TEST_P(RateSweep, FiniteBoundedAndNormal)
{
    const float rate = std::get<0>(GetParam());
    const float cabinet = std::get<1>(GetParam());
    // The sanitizer builds look for memory and undefined-behaviour faults, which
    // a quarter second finds as well as a whole one at the highest rates.
    const double seconds = (kSanitized && rate >= 192000.f) ? 0.25 : 1.0;
    const size_t n = static_cast<size_t>(std::ceil(rate * seconds));
    const std::vector<double> plucks = bursts(n, rate);
    const std::vector<float> hiss = convert<float>(noise(n, 0.9, 11));
    for (float mode : {0.f, 0.5f, 1.f}) {
        const std::string what = std::string(cabinetName(cabinet)) + " mode " + std::to_string(mode);
        for (bool hot : {false, true}) {
            Plugin plug;
            ASSERT_TRUE(plug.valid());
            plug.setRate(rate);
            if (cabinet == kCabExt) {
                ASSERT_TRUE(loadExternal(plug, cabinetWav()));
            }
            if (!hot) {
                const float defaults[kParams] = {0.2f, mode, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, cabinet};
                plug.setAll(defaults);
                expectClean(plug.run(plucks, plucks, 128), what + ", bursts, defaults");
            } else {
                const float up[kParams] = {1.f, mode, 1.f, 1.f, 1.f, 1.f, 1.f, 1.f, cabinet};
                plug.setAll(up);
                expectClean(plug.run(hiss, 256), what + ", noise, all controls up");
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllRates, RateSweep,
                         ::testing::Combine(::testing::ValuesIn(allRates()),
                                            ::testing::Values(kCabInt, kCabOff, kCabExt)),
                         [](const ::testing::TestParamInfo<RateCase>& info) {
                             return "r" + rateName(std::get<0>(info.param)) + "_" +
                                    cabinetName(std::get<1>(info.param));
                         });
