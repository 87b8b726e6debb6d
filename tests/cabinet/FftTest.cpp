#include "dsp/cabinet/FFTReal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;

class FftLengths : public ::testing::TestWithParam<long>
{
};

TEST_P(FftLengths, UnitImpulseIsFlatAndReal)
{
    const long n = GetParam();
    ffft::FFTReal<double> fft(n);
    std::vector<double> x(n, 0.0), f(n, -7.0);
    x[0] = 1.0;
    fft.forward(x.data(), f.data());
    for (long k = 0; k <= n / 2; ++k)
        EXPECT_NEAR(f[k], 1.0, 1e-15) << "bin " << k;
    for (long k = n / 2 + 1; k < n; ++k)
        EXPECT_NEAR(f[k], 0.0, 1e-15) << "slot " << k;
}

TEST_P(FftLengths, CosineAndSineLandInTheirSlotsWithTheNegatedImaginarySign)
{
    const long n = GetParam();
    ffft::FFTReal<double> fft(n);
    std::vector<double> c(n), s(n), f(n);
    for (long i = 0; i < n; ++i)
    {
        c[i] = std::cos(2.0 * kPi * i / n);
        s[i] = std::sin(2.0 * kPi * i / n);
    }
    const double tol = 1e-12 * n;
    fft.forward(c.data(), f.data());
    for (long k = 0; k < n; ++k)
        EXPECT_NEAR(f[k], k == 1 ? n / 2.0 : 0.0, tol) << "cos, slot " << k;
    fft.forward(s.data(), f.data());
    // X_1 of sin is -i N/2, so the stored -Im is +N/2.
    for (long k = 0; k < n; ++k)
        EXPECT_NEAR(f[k], k == n / 2 + 1 ? n / 2.0 : 0.0, tol) << "sin, slot " << k;
}

TEST_P(FftLengths, InverseIsUnscaledAndScaleInverseRestoresTheInput)
{
    const long n = GetParam();
    ffft::FFTReal<double> fft(n);
    std::mt19937 rng(static_cast<unsigned>(n));
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> x(n), keep, f(n), y(n);
    for (auto& v : x)
        v = dist(rng);
    keep = x;
    fft.forward(x.data(), f.data());
    EXPECT_EQ(x, keep) << "forward must not modify its input";
    const std::vector<double> fKeep = f;
    fft.inverse(f.data(), y.data());
    EXPECT_EQ(f, fKeep) << "inverse must not modify its input";
    for (long i = 0; i < n; ++i)
        ASSERT_NEAR(y[i], n * x[i], 1e-12 * n) << i;
    fft.scaleInverse(y.data());
    for (long i = 0; i < n; ++i)
        ASSERT_NEAR(y[i], x[i], 1e-14) << i;
}

TEST_P(FftLengths, PackedProductIsCircularConvolution)
{
    const long n = GetParam();
    ffft::FFTReal<double> fft(n);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> a(n, 0.0), b(n, 0.0), fa(n), fb(n), y(n), out(n);
    for (long i = 0; i < n / 2; ++i)
    {
        a[i] = dist(rng);
        b[i] = dist(rng);
    }
    fft.forward(a.data(), fa.data());
    fft.forward(b.data(), fb.data());
    const long h = n / 2;
    y[0] = fa[0] * fb[0];
    y[h] = fa[h] * fb[h];
    for (long k = 1; k < h; ++k)
    {
        y[k] = fa[k] * fb[k] - fa[h + k] * fb[h + k];
        y[h + k] = fa[k] * fb[h + k] + fa[h + k] * fb[k];
    }
    fft.inverse(y.data(), out.data());
    fft.scaleInverse(out.data());
    for (long i = 0; i < n; ++i)
    {
        double ref = 0.0;
        for (long j = 0; j <= i; ++j)
            ref += a[j] * b[i - j];
        ASSERT_NEAR(out[i], ref, 1e-12) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(UsedLengths, FftLengths, ::testing::Values(128L, 256L, 1024L, 2048L));

TEST(FftSmall, LengthFourFollowsTheClosedFormulasExactly)
{
    ffft::FFTReal<double> fft(4);
    const double x[4] = {3.0, -5.0, 7.0, 11.0};
    double f[4], y[4];
    fft.forward(x, f);
    EXPECT_EQ(f[0], 16.0);
    EXPECT_EQ(f[1], -4.0);   // x0 - x2
    EXPECT_EQ(f[2], 4.0);    // x0 - x1 + x2 - x3
    EXPECT_EQ(f[3], -16.0);  // x1 - x3
    fft.inverse(f, y);
    EXPECT_EQ(y[0], 12.0);
    EXPECT_EQ(y[1], -20.0);
    EXPECT_EQ(y[2], 28.0);
    EXPECT_EQ(y[3], 44.0);
    fft.scaleInverse(y);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(y[i], x[i]);
}

TEST(FftSmall, LengthsOneAndTwo)
{
    ffft::FFTReal<double> one(1), two(2);
    double x1 = 2.5, f1, y1;
    one.forward(&x1, &f1);
    one.inverse(&f1, &y1);
    EXPECT_EQ(f1, 2.5);
    EXPECT_EQ(y1, 2.5);
    const double x2[2] = {1.0, 4.0};
    double f2[2], y2[2];
    two.forward(x2, f2);
    EXPECT_EQ(f2[0], 5.0);
    EXPECT_EQ(f2[1], -3.0);
    two.inverse(f2, y2);
    EXPECT_EQ(y2[0], 2.0);
    EXPECT_EQ(y2[1], 8.0);
}

TEST(FftSmall, UnalignedArraysGiveTheSameNumbers)
{
    const long n = 256;
    ffft::FFTReal<double> fft(n);
    std::vector<double> x(n + 1), f(n + 1), g(n), back(n + 1);
    for (long i = 0; i < n; ++i)
        x[i + 1] = std::sin(0.1 * i * i);
    fft.forward(x.data() + 1, f.data() + 1);
    std::vector<double> aligned(x.begin() + 1, x.end());
    fft.forward(aligned.data(), g.data());
    for (long k = 0; k < n; ++k)
        ASSERT_EQ(f[k + 1], g[k]);
    fft.inverse(f.data() + 1, back.data() + 1);
    fft.scaleInverse(back.data() + 1);
    for (long i = 0; i < n; ++i)
        ASSERT_NEAR(back[i + 1], x[i + 1], 1e-14);
}

} // namespace
