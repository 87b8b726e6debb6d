#include "dsp/amp/AntiAliasFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>

namespace {

const float kRates[] = {44100.0f, 48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f};

// The reference b0 values carry 15 significant digits, and at the two highest
// rates they differ from an exact design in the 14th; 1e-13 relative accepts
// both while still catching a wrong cutoff, order or warping.
void expectRel(double expected, double actual, const char* what)
{
    EXPECT_NEAR(actual, expected, std::fabs(expected) * 1e-13) << what;
}

std::complex<double> response(const AntiAliasCoeffs& k, double f, double fs)
{
    const std::complex<double> z1 = std::polar(1.0, -2.0 * M_PI * f / fs);
    const double b[7] = {k.b0, k.b1, k.b2, k.b3, k.b4, k.b5, k.b6};
    const double c[7] = {0.0, k.c1, k.c2, k.c3, k.c4, k.c5, k.c6};
    std::complex<double> num = 0.0, den = 1.0, zk = 1.0;
    for (int i = 0; i < 7; ++i) {
        num += b[i] * zk;
        if (i > 0) den -= c[i] * zk;
        zk *= z1;
    }
    return num / den;
}

TEST(AntiAliasFilter, TableMatchesReferenceValues)
{
    const double b0[] = {0.567334434144287, 0.35826595662825, 0.0186798658857746,
                         0.012515570545493, 0.000644643368216681, 0.000419489393017489};
    for (int i = 0; i < 6; ++i) {
        AntiAliasCoeffs k{};
        ASSERT_TRUE(designAntiAliasFilter(kRates[i], k));
        expectRel(b0[i], k.b0, "b0");
        // Binomial numerator of the bilinear-transformed all-pole low-pass.
        EXPECT_EQ(k.b0, k.b6);
        EXPECT_EQ(k.b1, k.b5);
        EXPECT_EQ(k.b2, k.b4);
        expectRel(6 * b0[i], k.b1, "b1");
        expectRel(20 * b0[i], k.b3, "b3");
    }

    AntiAliasCoeffs k{};
    ASSERT_TRUE(designAntiAliasFilter(44100.0f, k));
    expectRel(3.40400660486572, k.b1, "b1");
    expectRel(8.5100165121643, k.b2, "b2");
    expectRel(11.3466886828857, k.b3, "b3");
    expectRel(-4.87227599010569, k.c1, "c1");
    expectRel(-9.97981273425932, k.c2, "c2");
    expectRel(-10.9880532424332, k.c3, "c3");
    expectRel(-6.85320462001487, k.c4, "c4");
    expectRel(-2.29418883822245, k.c5, "c5");
    expectRel(-0.321868360198817, k.c6, "c6");
}

// A pre-warped Butterworth keeps the analog magnitude law in the warped
// frequency: |H|^2 = 1 / (1 + (tan(pi f / fs) / tan(pi fc / fs))^12).
// Rounding of 13 coefficients near the unit circle leaves about 1e-10.
TEST(AntiAliasFilter, MagnitudeFollowsWarpedButterworthLaw)
{
    for (float rate : kRates) {
        AntiAliasCoeffs k{};
        ASSERT_TRUE(designAntiAliasFilter(rate, k));
        const double fs = rate;
        for (double f : {0.0, 1000.0, 10000.0, 19000.0, 20000.0, 21000.0}) {
            const double r = std::tan(M_PI * f / fs) / std::tan(M_PI * 20000.0 / fs);
            const double expected = 1.0 / std::sqrt(1.0 + std::pow(r, 12));
            EXPECT_NEAR(std::abs(response(k, f, fs)), expected, 1e-9) << rate << " Hz at " << f;
        }
        EXPECT_NEAR(20.0 * std::log10(std::abs(response(k, 20000.0, fs))), -3.0103, 1e-3);
    }
}

TEST(AntiAliasFilter, ConstantInputSettlesToItself)
{
    for (float rate : kRates) {
        AntiAliasFilter f;
        f.sampleRate = rate;
        ASSERT_TRUE(f.designAntiAliasFilter());
        double y = 0.0;
        for (int i = 0; i < 4000; ++i) y = f.processAntiAliasFilter(0.75);
        EXPECT_NEAR(y, 0.75, 1e-12) << rate;
    }
}

TEST(AntiAliasFilter, UnsupportedRateKeepsPreviousSetAndHistory)
{
    AntiAliasFilter f;
    f.sampleRate = 96000.0f;
    ASSERT_TRUE(f.designAntiAliasFilter());
    f.processAntiAliasFilter(1.0);
    const AntiAliasCoeffs before = f.coeffs;
    const double y1 = f.history.y1;

    for (float rate : {22050.0f, 44099.996f, 62000.0f, 0.0f, -44100.0f, NAN, INFINITY}) {
        f.sampleRate = rate;
        EXPECT_FALSE(f.designAntiAliasFilter()) << rate;
        EXPECT_EQ(0, std::memcmp(&before, &f.coeffs, sizeof before)) << rate;
    }
    EXPECT_EQ(y1, f.history.y1);
    EXPECT_EQ(1.0, f.history.x1);
}

TEST(AntiAliasFilter, DifferenceEquationOrderAndGuard)
{
    // Reference written out term by term in the documented order.
    AntiAliasFilter f;
    f.sampleRate = 88200.0f;
    ASSERT_TRUE(f.designAntiAliasFilter());
    const AntiAliasCoeffs& k = f.coeffs;
    double x[7] = {0}, y[7] = {0};
    for (int n = 0; n < 200; ++n) {
        const double in = std::sin(0.37 * n) * (n % 5 == 0 ? 3.0 : 0.5);
        double r = k.b1 * x[1] + k.b0 * in;
        r = r + k.b2 * x[2]; r = r + k.b3 * x[3]; r = r + k.b4 * x[4];
        r = r + k.b5 * x[5]; r = r + k.b6 * x[6];
        r = r + k.c1 * y[1]; r = r + k.c2 * y[2]; r = r + k.c3 * y[3];
        r = r + k.c4 * y[4]; r = r + k.c5 * y[5]; r = r + k.c6 * y[6];
        r = (r + 1e-20) - 1e-20;
        for (int i = 6; i > 1; --i) { x[i] = x[i - 1]; y[i] = y[i - 1]; }
        x[1] = in; y[1] = r;
        ASSERT_EQ(r, f.processAntiAliasFilter(in)) << n;
    }
    // Decay from an impulse settles on the guard's grid (multiples of the
    // spacing of doubles near 1e-20) and never reaches denormals.
    f.reset();
    f.processAntiAliasFilter(1e-3);
    double last = 1.0;
    for (int i = 0; i < 20000; ++i) {
        last = f.processAntiAliasFilter(0.0);
        ASSERT_FALSE(std::fpclassify(last) == FP_SUBNORMAL);
    }
    EXPECT_LT(std::fabs(last), 1e-30);
}

} // namespace
