// Following the host's sample rate: oversampling, cabinet layouts and when a new rate takes effect.
#include "plugin/Zorvan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::vector<double> render(Zorvan& z, int frames, int block = 256)
{
    std::vector<double> in0(frames), in1(frames), out0(frames), out1(frames);
    for (int i = 0; i < frames; ++i)
        in0[i] = 0.4 * std::sin(0.02 * i) + 0.1 * std::sin(0.37 * i);
    for (int at = 0; at < frames; at += block) {
        int n = std::min(block, frames - at);
        double* ins[2] = {in0.data() + at, in1.data() + at};
        double* outs[2] = {out0.data() + at, out1.data() + at};
        z.processDoubleReplacing(ins, outs, n);
    }
    return out0;
}

} // namespace

TEST(Rates, OversamplingAndLayoutsFollowTheRate)
{
    struct Case {
        float rate;
        int factor;
        int extLength;
        bool intShort;
    } cases[] = {
        {44100, 2, 4096, true},  {48000, 2, 4096, true},  {62000, 1, 4096, true},   {68000, 1, 4096, false},
        {88200, 1, 8192, false}, {96000, 1, 8192, false}, {192000, 1, 8192, false}, {32000, 2, 4096, true},
        {61999, 2, 4096, true},  {68001, 1, 8192, false},
    };
    Zorvan z(nullptr);
    EXPECT_EQ(z.oversampleFactor(), 2) << "constructed at 44100 Hz";
    for (const Case& c : cases) {
        z.setSampleRate(c.rate);
        z.resume();
        EXPECT_EQ(z.oversampleFactor(), c.factor) << c.rate;
        EXPECT_EQ(z.externalIrLength(), c.extLength) << c.rate;
        EXPECT_EQ(z.externalShortLayout(), c.extLength == 4096) << c.rate;
        EXPECT_EQ(z.internalShortLayout(), c.intShort) << c.rate;
    }
}

TEST(Rates, ANewRateWaitsForResumeOrSuspend)
{
    Zorvan reference(nullptr), changed(nullptr);
    changed.setSampleRate(96000);
    changed.setBlockSize(17);
    EXPECT_EQ(render(reference, 3000), render(changed, 3000));
    EXPECT_EQ(changed.oversampleFactor(), 2);

    changed.suspend();
    EXPECT_EQ(changed.oversampleFactor(), 1);
    reference.suspend();
    EXPECT_NE(render(reference, 3000), render(changed, 3000));
}

TEST(Rates, UnusableRatesAreRefused)
{
    Zorvan z(nullptr);
    for (float bad : {0.f, -48000.f, NAN, INFINITY}) {
        z.setSampleRate(bad);
        EXPECT_EQ(z.getSampleRate(), 44100.f) << bad;
    }
}

TEST(Rates, EveryRateProcessesFinite)
{
    Zorvan z(nullptr);
    z.setParameter(kMode, 1.f);
    z.setParameter(kGain, 1.f);
    for (float rate : {8000.f, 22050.f, 44100.f, 62000.f, 68000.f, 96000.f, 192000.f, 1234.5678f}) {
        z.setSampleRate(rate);
        z.suspend();
        for (double v : render(z, 2048))
            ASSERT_TRUE(std::isfinite(v)) << rate;
    }
}

TEST(Rates, RatesBelowAnyHostsAreRefused)
{
    Zorvan z(nullptr);
    for (float tiny : {1e-30f, 1.f, 999.f}) {
        z.setSampleRate(tiny);
        EXPECT_EQ(z.getSampleRate(), 44100.f) << tiny;
    }
    z.setSampleRate(1000.f);
    EXPECT_EQ(z.getSampleRate(), 1000.f);
}
