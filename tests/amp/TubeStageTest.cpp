#include "dsp/amp/PowerStage.h"
#include "dsp/amp/TriodeStage.h"
#include "tests/amp/TestUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(TubeModels, Constants)
{
    const TriodeModel t = initTriodeModel(0.62f);
    EXPECT_EQ(217.00000166893005, t.plateVoltage);
    EXPECT_EQ(t.plateVoltage / 746.0, t.epOverKp);
    EXPECT_EQ(1.0 / 100.2, t.invMu);
    EXPECT_EQ(std::sqrt(t.plateVoltage * t.plateVoltage + 153.0), t.gridScale);
    EXPECT_NEAR(t.restCurrent, 0.00485617848609403, 1e-17);

    const PentodeModel p = initPentodeModel();
    EXPECT_EQ(5.416666666666667, p.eg2OverKp);
    EXPECT_EQ(0.1149425287356322, p.invMu);
    EXPECT_EQ(1.5246752107803854, p.plateFactor);
    EXPECT_EQ(0.20518393822769618, p.restCurrent);
}

// Reference values to nine decimals, for the shapers alone (no sections
// around them): the triode output after its polynomial, the pentode output.
TEST(TubeModels, ShaperCheckValues)
{
    const TriodeModel t = initTriodeModel(0.62f);
    const PentodeModel p = initPentodeModel();
    const struct { double v, triode, pentode; } rows[] = {
        {-10.0, 0.372974308, -0.418269039}, {-1.0, 0.415235235, -0.044678274},
        {-0.1, 0.057147700, -0.004493179},  {0.1, -0.058657638, 0.004493179},
        {1.0, -0.542267711, 0.044678274},   {10.0, -0.898496198, 0.418269039},
    };
    for (const auto& r : rows) {
        EXPECT_NEAR(triodePolynomial(triodeShaper(t, r.v)), r.triode, 5e-10) << r.v;
        EXPECT_NEAR(pentodeShaper(p, r.v), r.pentode, 5e-10) << r.v;
    }
    // Saturation limits: the polynomial at s = -1 and s = 1.
    EXPECT_NEAR(triodePolynomial(triodeShaper(t, -1e6)), triodePolynomial(-1.0), 1e-9);
    EXPECT_NEAR(triodePolynomial(triodeShaper(t, 1e6)), triodePolynomial(1.0), 1e-9);
}

TEST(TubeModels, ZeroAndSymmetry)
{
    const TriodeModel t = initTriodeModel(0.62f);
    const PentodeModel p = initPentodeModel();
    EXPECT_EQ(0.0, triodeShaper(t, 0.0));
    EXPECT_TRUE(std::signbit(triodeShaper(t, 0.0)));
    EXPECT_TRUE(std::signbit(pentodeShaper(p, 0.0)));
    EXPECT_EQ(0.0, triodePolynomial(triodeShaper(t, 0.0)));
    for (double v = 1e-6; v < 50.0; v *= 1.7) {
        EXPECT_EQ(triodeShaper(t, v), -triodeShaper(t, -v)) << v;
        EXPECT_EQ(pentodeShaper(p, v), -pentodeShaper(p, -v)) << v;
    }
    EXPECT_TRUE(std::isnan(triodeShaper(t, NAN)));
    EXPECT_TRUE(std::isnan(pentodeShaper(p, NAN)));
}

TEST(TubeStages, OversampledStageSettlesLikeUnoversampled)
{
    AntiAliasCoeffs k44{}, k88{};
    ASSERT_TRUE(designAntiAliasFilter(44100.0f, k44));
    ASSERT_TRUE(designAntiAliasFilter(88200.0f, k88));
    for (double x : {-0.8, -0.05, 0.05, 0.8}) {
        TriodeStage a, b;
        PowerStage c, d;
        double ya = 0, yb = 0, yc = 0, yd = 0;
        for (int i = 0; i < 3000; ++i) {
            ya = a.process(x, k88, 2);
            yb = b.process(x, k44, 1);
            yc = c.process(x, k88, 2);
            yd = d.process(x, k44, 1);
        }
        // The inserted zeros leave a small residue at half the oversampled
        // rate, below 1e-4 of full scale after the 20 kHz sections.
        EXPECT_NEAR(ya, yb, 1e-4) << x;
        EXPECT_NEAR(yc, yd, 1e-4) << x;
        EXPECT_NEAR(ya, triodePolynomial(triodeShaper(a.model, x)), 1e-4) << x;
    }
}

TEST(TubeStages, FirstOutputIsZeroThenTwiceTheInput)
{
    // A fresh factor-2 stage first pushes the inserted zero, then 2x: its
    // first output equals four sections fed (0, 2x) by hand.
    AntiAliasCoeffs k{};
    ASSERT_TRUE(designAntiAliasFilter(96000.0f, k));
    TriodeStage stage;
    const double x = 0.3;
    AntiAliasHistory h[4];
    double y = 0;
    for (double v : {0.0, 2.0 * x}) {
        v = stepAntiAliasFilter(k, h[1], stepAntiAliasFilter(k, h[0], v));
        y = stepAntiAliasFilter(k, h[3], stepAntiAliasFilter(k, h[2], triodePolynomial(triodeShaper(stage.model, v))));
    }
    EXPECT_EQ(y, stage.process(x, k, 2));
    EXPECT_EQ(0.0, stage.upsampleBuffer[1]);
}

} // namespace
