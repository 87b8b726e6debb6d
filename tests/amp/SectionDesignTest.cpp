#include "dsp/amp/ChannelMode.h"
#include "dsp/amp/GainNetwork.h"
#include "dsp/amp/InterstageFilter.h"
#include "dsp/amp/OutputHighPass.h"
#include "dsp/amp/PresenceFilter.h"
#include "dsp/amp/ToneStack.h"
#include "tests/amp/TestUtil.h"

#include <gtest/gtest.h>

#include <complex>

namespace {

using cplx = std::complex<double>;

// Digital response of a second-order section at frequency f.
cplx biquadResponse(const BiquadCoeffs& k, double f, double fs)
{
    const cplx z1 = std::polar(1.0, -2.0 * M_PI * f / fs);
    return (k.b0 + k.b1 * z1 + k.b2 * z1 * z1) / (1.0 + k.a1 * z1 + k.a2 * z1 * z1);
}

cplx thirdOrderResponse(const ThirdOrderCoeffs& k, double f, double fs)
{
    const cplx z1 = std::polar(1.0, -2.0 * M_PI * f / fs);
    return (k.b0 + z1 * (k.b1 + z1 * (k.b2 + z1 * k.b3))) / (1.0 + z1 * (k.a1 + z1 * (k.a2 + z1 * k.a3)));
}

// The bilinear transform maps f to the analog frequency w = 2 fs tan(pi f / fs)
// exactly, so the digital section must equal H(jw) there up to the rounding of
// its coefficients: the relative error is a few hundred ulp of the
// coefficients amplified by the pole radius, well below 1e-9.
template <typename Design>
void expectMatchesAnalog(const Design& d, const BiquadCoeffs& k, double fs)
{
    for (double f : {20.0, 100.0, 440.0, 1000.0, 3000.0, 10000.0, 20000.0}) {
        const cplx s(0.0, 2.0 * fs * std::tan(M_PI * f / fs));
        const cplx h = (d.B0 + d.B1 * s + d.B2 * s * s) / (d.A0 + d.A1 * s + d.A2 * s * s);
        const cplx got = biquadResponse(k, f, fs);
        EXPECT_NEAR(std::abs(got - h), 0.0, 1e-9 * std::max(1.0, std::abs(h))) << f << " Hz";
    }
}

TEST(ChannelMode, Thresholds)
{
    EXPECT_EQ(ChannelMode::Clean, classifyChannel(0.0f));
    EXPECT_EQ(ChannelMode::Clean, classifyChannel(0.32999998f));
    EXPECT_EQ(ChannelMode::Rhythm, classifyChannel(0.33f));
    EXPECT_EQ(ChannelMode::Rhythm, classifyChannel(0.5f));
    EXPECT_EQ(ChannelMode::Rhythm, classifyChannel(0.65999997f));
    EXPECT_EQ(ChannelMode::Lead, classifyChannel(0.66f));
    EXPECT_EQ(ChannelMode::Lead, classifyChannel(1.0f));
}

// Most reference coefficients are reproduced bit for bit by the written
// operation order; a few come out one or two ulp away (the reference digits
// were produced with a slightly different evaluation order), hence 2 ulp.
TEST(GainNetwork, CheckValuesAt44100)
{
    const GainNetworkDesign clean = designGainNetwork(44100.0f, 0.0f, 0.5f);
    EXPECT_EQ(5.0, clean.coeffs.preGain);
    EXPECT_EQ(1.0, clean.coeffs.postGain);
    EXPECT_ULP(-1.6820526104960503, clean.coeffs.section.a1, 2);
    EXPECT_ULP(0.6945982791371039, clean.coeffs.section.a2, 2);
    EXPECT_ULP(0.4638141098542017, clean.coeffs.section.b0, 2);
    EXPECT_ULP(-0.840950195067364, clean.coeffs.section.b1, 2);
    EXPECT_ULP(0.37713608521316233, clean.coeffs.section.b2, 2);

    const GainNetworkDesign rhythm = designGainNetwork(44100.0f, 0.5f, 0.5f);
    EXPECT_EQ(100.0, rhythm.coeffs.preGain);
    EXPECT_EQ(10.0, rhythm.coeffs.postGain);
    EXPECT_ULP(-1.4355704849138438, rhythm.coeffs.section.a1, 2);
    EXPECT_ULP(0.4539748299605135, rhythm.coeffs.section.a2, 2);
    EXPECT_ULP(0.38101121881091754, rhythm.coeffs.section.b0, 2);
    EXPECT_ULP(-0.7196372309793546, rhythm.coeffs.section.b1, 2);
    EXPECT_ULP(0.33862601216843713, rhythm.coeffs.section.b2, 2);

    const GainNetworkDesign lead = designGainNetwork(44100.0f, 1.0f, 0.5f);
    EXPECT_EQ(200.0, lead.coeffs.preGain);
    EXPECT_EQ(30.0, lead.coeffs.postGain);
    EXPECT_ULP(0.04775748747858374, lead.coeffs.section.a1, 2);
    EXPECT_ULP(-0.9522425125214162, lead.coeffs.section.a2, 2);
    EXPECT_ULP(0.10998549366317838, lead.coeffs.section.b0, 2);
    EXPECT_EQ(0.0, lead.coeffs.section.b1);
    EXPECT_ULP(-0.10998549366317838, lead.coeffs.section.b2, 2);
}

TEST(GainNetwork, EdgeSettings)
{
    for (float mode : {0.0f, 0.5f, 1.0f}) {
        // gain 0: the wiper sits at ground, nothing passes.
        const GainNetworkDesign off = designGainNetwork(44100.0f, mode, 0.0f);
        EXPECT_EQ(0.0, off.Ru);
        EXPECT_EQ(0.0, off.B1);
        EXPECT_EQ(0.0, off.B2);
        EXPECT_EQ(0.0, off.coeffs.section.b0);
        EXPECT_EQ(0.0, off.coeffs.section.b1);
        EXPECT_EQ(0.0, off.coeffs.section.b2);
        // gain 1: Rl = 0, the network is first order.
        const GainNetworkDesign full = designGainNetwork(44100.0f, mode, 1.0f);
        EXPECT_EQ(0.0, full.Rl);
        EXPECT_EQ(0.0, full.A2);
        EXPECT_EQ(0.0, full.B2);
    }
    // LEAD drops the bright capacitors for every gain: b1 = 0, b2 = -b0.
    for (float gain : {0.1f, 0.37f, 0.9f}) {
        const GainNetworkDesign lead = designGainNetwork(48000.0f, 0.8f, gain);
        EXPECT_EQ(0.0, lead.A2);
        EXPECT_EQ(0.0, lead.B2);
        EXPECT_EQ(0.0, lead.coeffs.section.b1);
        EXPECT_EQ(-lead.coeffs.section.b0, lead.coeffs.section.b2);
    }
    // RHYTHM and LEAD follow the cube of the knob (formed in single precision).
    const float g = 0.3f;
    EXPECT_EQ(static_cast<double>(g * g * g * 1000000.0f), designGainNetwork(44100.0f, 0.5f, g).Ru);
    EXPECT_EQ(static_cast<double>(g * 1000000.0f), designGainNetwork(44100.0f, 0.0f, g).Ru);
}

TEST(GainNetwork, MatchesAnalogPrototype)
{
    for (float fs : {44100.0f, 96000.0f})
        for (float mode : {0.0f, 0.5f, 1.0f})
            for (float gain : {0.2f, 0.5f, 0.8f}) {
                const GainNetworkDesign d = designGainNetwork(fs, mode, gain);
                expectMatchesAnalog(d, d.coeffs.section, fs);
            }
}

TEST(InterstageFilter, CheckValuesAt44100)
{
    for (float mode : {0.0f, 1.0f}) {
        const InterstageDesign d = designInterstageFilter(44100.0f, mode);
        EXPECT_ULP(-0.6258412112117555, d.coeffs.section.a1, 2);
        EXPECT_ULP(-0.3712164470467389, d.coeffs.section.a2, 2);
        EXPECT_ULP(0.21409949682065563, d.coeffs.section.b0, 2);
        EXPECT_EQ(0.0, d.coeffs.section.b1);
        EXPECT_EQ(-d.coeffs.section.b0, d.coeffs.section.b2);
    }
    EXPECT_EQ(120.0, designInterstageFilter(44100.0f, 0.0f).coeffs.driveGain);
    EXPECT_EQ(100.0, designInterstageFilter(44100.0f, 1.0f).coeffs.driveGain);

    const InterstageDesign rhythm = designInterstageFilter(44100.0f, 0.5f);
    EXPECT_EQ(50.0, rhythm.coeffs.driveGain);
    EXPECT_ULP(-0.6124637669576982, rhythm.coeffs.section.a1, 2);
    EXPECT_ULP(-0.3670285555298232, rhythm.coeffs.section.a2, 2);
    EXPECT_ULP(0.21253131590057123, rhythm.coeffs.section.b0, 2);
    EXPECT_ULP(-0.21253131590057123, rhythm.coeffs.section.b2, 2);

    for (float mode : {0.0f, 0.5f})
        expectMatchesAnalog(designInterstageFilter(88200.0f, mode),
                            designInterstageFilter(88200.0f, mode).coeffs.section, 88200.0);
}

TEST(PresenceFilter, CheckValuesAt44100)
{
    for (float mode : {0.0f, 0.5f, 1.0f}) {
        const PresenceDesign d = designPresenceFilter(44100.0f, mode, 0.5f, 0.5f);
        EXPECT_ULP(-1.9618379583364702, d.coeffs.section.a1, 2);
        EXPECT_ULP(0.9620689716119342, d.coeffs.section.a2, 2);
        EXPECT_ULP(0.7724021610771183, d.coeffs.section.b0, 2);
        EXPECT_ULP(-1.514546895876349, d.coeffs.section.b1, 2);
        EXPECT_ULP(0.7421447347992308, d.coeffs.section.b2, 2);
        EXPECT_EQ(mode < 0.66f ? 2.0 : 1.0, d.coeffs.outputGain);
        expectMatchesAnalog(d, d.coeffs.section, 44100.0);
    }
}

TEST(PresenceFilter, EdgeSettings)
{
    const PresenceDesign zero = designPresenceFilter(44100.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(0.0, zero.Rp1);
    EXPECT_EQ(25000.0, zero.Rp2);
    EXPECT_EQ(0.0, zero.coeffs.outputGain);
    const PresenceDesign one = designPresenceFilter(44100.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_EQ(25000.0, one.Rp1);
    EXPECT_EQ(0.0, one.Rp2);
    EXPECT_EQ(4.0, one.coeffs.outputGain);
    for (const PresenceDesign* d : {&zero, &one}) {
        EXPECT_TRUE(std::isfinite(d->coeffs.section.b0));
        EXPECT_TRUE(std::isfinite(d->coeffs.section.a1));
        expectMatchesAnalog(*d, d->coeffs.section, 44100.0);
    }
}

TEST(OutputHighPass, CheckValuesAndShape)
{
    const BiquadCoeffs k = designOutputHighPass(44100.0f);
    EXPECT_ULP(-1.977333042598625, k.a1, 2);
    EXPECT_ULP(0.9774614903380843, k.a2, 2);
    EXPECT_ULP(0.9886986332341774, k.b0, 2);
    EXPECT_ULP(-1.9773972664683548, k.b1, 2);
    EXPECT_EQ(k.b0, k.b2);

    // Two coincident poles at w: |H(jw)| = 1/2 at the corner, 0 at DC.
    const double fs = 44100.0;
    const double w = 2.0 * M_PI * 80.0;
    const double fDigital = fs / M_PI * std::atan(w / (2.0 * fs)); // where the transform puts 80 Hz
    EXPECT_NEAR(std::abs(biquadResponse(k, fDigital, fs)), 0.5, 1e-12);
    EXPECT_EQ(0.0, std::abs(k.b0 + k.b1 + k.b2));
}

TEST(ToneStack, CheckValuesAt44100)
{
    const ToneStackDesign d = designToneStack(44100.0f, 0.0f, 0.25f, 0.5f, 0.5f);
    EXPECT_ULP(0.03156725, d.A1, 2);
    EXPECT_ULP(3.2541114499999995e-05, d.A2, 2);
    EXPECT_ULP(3.0179874999999994e-09, d.A3, 2);
    EXPECT_ULP(0.025781549999999997, d.B1, 2);
    EXPECT_ULP(6.3946667e-06, d.B2, 2);
    EXPECT_ULP(1.6815424999999997e-09, d.B3, 2);
    const ThirdOrderCoeffs& k = d.coeffs.section;
    EXPECT_ULP(0.5182429352940607, k.b0, 2);
    EXPECT_ULP(-1.5080580114626418, k.b1, 2);
    EXPECT_ULP(1.4652965697941913, k.b2, 2);
    EXPECT_ULP(-0.47548149362561015, k.b3, 2);
    EXPECT_ULP(-2.7776067741267454, k.a1, 2);
    EXPECT_ULP(2.5600053659220885, k.a2, 2);
    EXPECT_ULP(-0.7823951533886271, k.a3, 2);
    EXPECT_EQ(1.5, d.coeffs.toneGain);
    EXPECT_EQ(1.5 * 0.7, designToneStack(44100.0f, 0.5f, 0.25f, 0.5f, 0.5f).coeffs.toneGain);
    EXPECT_EQ(1.5 * 0.7, designToneStack(44100.0f, 1.0f, 0.25f, 0.5f, 0.5f).coeffs.toneGain);
}

TEST(ToneStack, EdgeSettingsAndAnalogMatch)
{
    const ToneStackDesign silent = designToneStack(44100.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(0.0, silent.B1);
    EXPECT_EQ(0.0, silent.B2);
    EXPECT_EQ(0.0, silent.B3);
    EXPECT_EQ(0.0, silent.coeffs.section.b0);

    const ToneStackDesign noBass = designToneStack(44100.0f, 0.0f, 0.0f, 0.7f, 0.3f);
    EXPECT_EQ(0.0, noBass.A3);
    EXPECT_EQ(0.0, noBass.B3);
    EXPECT_TRUE(std::isfinite(noBass.coeffs.section.a3));
    EXPECT_TRUE(std::isfinite(noBass.coeffs.section.b3));

    for (float fs : {44100.0f, 192000.0f})
        for (float bass : {0.0f, 0.25f, 1.0f})
            for (float mid : {0.0f, 0.5f, 1.0f})
                for (float treble : {0.0f, 0.5f, 1.0f}) {
                    const ToneStackDesign d = designToneStack(fs, 0.0f, bass, mid, treble);
                    const ThirdOrderCoeffs& k = d.coeffs.section;
                    // No gain at 0 Hz for any setting: the numerator vanishes at
                    // z = 1 up to the rounding of its terms.
                    const double sumB = k.b0 + k.b1 + k.b2 + k.b3;
                    const double scale = std::fabs(k.b0) + std::fabs(k.b1) + std::fabs(k.b2) + std::fabs(k.b3);
                    EXPECT_LE(std::fabs(sumB), 1e-14 * scale);
                    for (double f : {50.0, 500.0, 5000.0}) {
                        const cplx s(0.0, 2.0 * fs * std::tan(M_PI * f / fs));
                        const cplx h = (d.B0 + s * (d.B1 + s * (d.B2 + s * d.B3)))
                                     / (d.A0 + s * (d.A1 + s * (d.A2 + s * d.A3)));
                        EXPECT_NEAR(std::abs(thirdOrderResponse(k, f, fs) - h), 0.0, 1e-8)
                            << fs << " " << bass << " " << mid << " " << treble << " " << f;
                    }
                }
}

} // namespace
