// The Windows DLL under Wine renders the Linux build's inputs (the same files)
// for every channel and cabinet and is compared with the Linux build's output.
// The two C libraries' exp, log and pow may differ in the last bit, so the
// comparison allows a difference far below anything audible (1e-9 of full
// scale, about -180 dB) instead of asking for equal bits.
#include "support/PlatformRenders.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace testhost;

TEST(RenderCompare, EveryChannelAndCabinetMatchesTheLinuxBuild)
{
    const std::string dir = ZORVAN_LINUX_RENDERS;
    const std::string wav = dir + "\\cabinet.wav";
    ModuleLoader module(ZORVAN_PLUGIN_PATH);
    ASSERT_TRUE(module.loaded()) << module.error();
    double largest = 0.0;
    std::string where;
    for (const PlatformRenderCase& c : platformRenderCases()) {
        const std::vector<double> input = readSamples(dir + "\\input-" + std::to_string(static_cast<int>(c.rate)) +
                                                      ".f64");
        const std::vector<double> expected = readSamples(dir + "\\" + c.name + ".f64");
        ASSERT_EQ(input.size(), static_cast<size_t>(c.rate))
            << "no Linux renders in " << dir << ": run the Linux build's tests first";
        ASSERT_EQ(expected.size(), input.size()) << c.name;
        const std::vector<double> y = renderPlatformCase(module, c, input, wav);
        ASSERT_EQ(y.size(), expected.size()) << c.name;
        double peak = 0.0, diff = 0.0;
        size_t at = 0;
        for (size_t i = 0; i < y.size(); ++i) {
            peak = std::max(peak, std::fabs(expected[i]));
            const double d = std::fabs(y[i] - expected[i]);
            if (!(d <= diff)) {
                diff = d;
                at = i;
            }
        }
        EXPECT_GT(peak, 1e-3) << c.name << ": silent render";
        EXPECT_LT(diff, 1e-9) << c.name << ": sample " << at << " is " << y[at] << ", Linux " << expected[at];
        if (diff > largest) {
            largest = diff;
            where = c.name;
        }
    }
    std::printf("largest difference from the Linux build: %.3g (%s)\n", largest, where.c_str());
    RecordProperty("largest_difference", std::to_string(largest));
}
