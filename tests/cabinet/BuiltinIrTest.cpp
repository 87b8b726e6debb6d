#include "dsp/amp/AntiAliasFilter.h"
#include "dsp/cabinet/BuiltinIr.h"
#include "dsp/cabinet/ExtCabinet.h"
#include "dsp/cabinet/IntCabinet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

namespace {

const double kPi = 3.14159265358979323846;

struct CabinetFigures
{
    const char* name;
    const double* table;
    double rate;
    int firstNonZero;
    int peakIndex;
    double sum;
    int energy99;
};

double magnitudeDb(const double* h, double hz, double rate)
{
    std::complex<double> H = 0.0;
    for (int n = 0; n < kBuiltinIrLength; ++n)
        H += h[n] * std::polar(1.0, -2.0 * kPi * hz * n / rate);
    return 20.0 * std::log10(std::abs(H));
}

const double kHz[] = {63, 125, 250, 500, 1000, 2000, 4000, 6000, 8000, 10000, 16000, 20000};
const double kDb[] = {10.0, 29.8, 24.1, 20.5, 13.6, 14.8, 20.6, 9.0, -9.6, -15.1, -20.4, -46.9};

TEST(BuiltinIrTest, TablesHaveTheCabinetsTellingValues)
{
    const CabinetFigures all[] = {
        {"88200", builtinIr88, 88200.0, 3, 38, 0.647, 1140},
        {"96000", builtinIr96, 96000.0, 0, 42, 0.684, 1230},
    };
    for (const CabinetFigures& t : all)
    {
        SCOPED_TRACE(t.name);
        int first = -1, peak = 0;
        double sum = 0.0, energy = 0.0;
        for (int n = 0; n < kBuiltinIrLength; ++n)
        {
            ASSERT_TRUE(std::isfinite(t.table[n]));
            if (first < 0 && t.table[n] != 0.0)
                first = n;
            if (std::fabs(t.table[n]) > std::fabs(t.table[peak]))
                peak = n;
            sum += t.table[n];
            energy += t.table[n] * t.table[n];
        }
        EXPECT_EQ(first, t.firstNonZero);
        EXPECT_EQ(peak, t.peakIndex);
        EXPECT_NEAR(t.table[peak], -0.966, 0.005);
        EXPECT_NEAR(sum, t.sum, 0.002);
        double acc = 0.0;
        int e99 = 0;
        while ((acc += t.table[e99] * t.table[e99]) < 0.99 * energy)
            ++e99;
        EXPECT_NEAR(e99, t.energy99, 0.03 * t.energy99);
        for (int n = kBuiltinIrLength - 48; n < kBuiltinIrLength; ++n)
            EXPECT_LT(std::fabs(t.table[n]), 0.0002) << n;
        for (int i = 0; i < 12; ++i)
            EXPECT_NEAR(magnitudeDb(t.table, kHz[i], t.rate), kDb[i], 1.5) << kHz[i] << " Hz";
    }
    for (int i = 0; i < 12; ++i)
        EXPECT_NEAR(magnitudeDb(builtinIr96, kHz[i], 96000.0), magnitudeDb(builtinIr88, kHz[i], 88200.0), 1.0)
            << kHz[i] << " Hz";
}

TEST(BuiltinIrTest, At44100TheCabinetHoldsTheDecimated88200Table)
{
    IntCabinet cab;
    cab.clear();
    cab.prepare(44100.0f);
    EXPECT_TRUE(cab.shortLayout());
    // Reference: the same two sections, designed for 88200 Hz from rest,
    // element k holds the filtered table index 2k+1.
    AntiAliasFilter a, b;
    a.sampleRate = b.sampleRate = 88200.0f;
    a.designAntiAliasFilter();
    b.designAntiAliasFilter();
    const double* ir = cab.impulseResponse();
    for (int i = 0; i < kBuiltinIrLength; ++i)
    {
        const double y = b.processAntiAliasFilter(a.processAntiAliasFilter(2.0 * builtinIr88[i]));
        if (i % 2 == 1)
        {
            ASSERT_EQ(ir[i / 2], y) << i;
        }
    }
    for (int k = 1024; k < IntCabinet::kMaxIrLength; ++k)
        ASSERT_EQ(ir[k], 0.0) << k;
}

TEST(BuiltinIrTest, RateBandsPickTableAndLayout)
{
    struct Case
    {
        float rate;
        bool shortLayout;
        const double* copied;  // table copied unchanged, or null when decimated
    };
    const Case cases[] = {{32000.0f, true, nullptr},       {48000.0f, true, nullptr},
                          {68000.0f, false, builtinIr88},  {88200.0f, false, builtinIr88},
                          {96000.0f, false, builtinIr96},  {192000.0f, false, builtinIr96}};
    for (const Case& c : cases)
    {
        IntCabinet cab;
        cab.clear();
        cab.prepare(c.rate);
        EXPECT_EQ(cab.shortLayout(), c.shortLayout) << c.rate;
        if (c.copied == nullptr)
            continue;
        for (int i = 0; i < kBuiltinIrLength; ++i)
            ASSERT_EQ(cab.impulseResponse()[i], c.copied[i]) << c.rate << " at " << i;
    }
    // 48000 Hz decimates the 96000 Hz table, 44100 Hz the 88200 Hz one.
    IntCabinet a, b;
    a.prepare(48000.0f);
    b.prepare(44100.0f);
    EXPECT_NE(a.impulseResponse()[20], b.impulseResponse()[20]);
}

TEST(BuiltinIrTest, At68000TheCabinetsSplitTheirLayouts)
{
    IntCabinet in;
    ExtCabinet ext;
    in.prepare(68000.0f);
    ext.setSampleRate(68000.0f);
    EXPECT_FALSE(in.shortLayout());
    EXPECT_TRUE(ext.shortLayout());
    EXPECT_EQ(ext.maxIrLength(), 4096);
    ext.setSampleRate(68000.5f);
    EXPECT_FALSE(ext.shortLayout());
    EXPECT_EQ(ext.maxIrLength(), 8192);
}

TEST(BuiltinIrTest, RebuildFiltersCarryTheirHistoryAcrossRebuilds)
{
    IntCabinet cab;
    cab.prepare(44100.0f);
    const double first = cab.impulseResponse()[0];
    cab.rebuildImpulse();
    // The sections' histories continue from the end of the previous table,
    // which is quiet but not silent.
    EXPECT_NE(cab.impulseResponse()[0], first);
    EXPECT_NEAR(cab.impulseResponse()[0], first, 1e-3);
}

} // namespace
