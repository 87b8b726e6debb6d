#include "dsp/amp/AmpModel.h"
#include "tests/amp/PlainChain.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace {

// A guitar-like test signal: decaying partials plus a little noise, loud
// enough to drive both shapers into saturation in RHYTHM and LEAD.
std::vector<double> testSignal(int n, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> noise(-0.01, 0.01);
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i) {
        const double t = i / 44100.0;
        x[i] = 0.4 * std::exp(-3.0 * std::fmod(t, 0.5)) *
                   (std::sin(2 * M_PI * 110 * t) + 0.5 * std::sin(2 * M_PI * 330 * t + 1.0)) +
               noise(rng);
    }
    return x;
}

struct Settings {
    float rate, input, mode, gain, bass, mid, treble, presence, master;
};

void apply(AmpModel& m, const Settings& s)
{
    m.setSampleRate(s.rate);
    m.setInputLevel(s.input);
    m.setMode(s.mode);
    m.setGain(s.gain);
    m.setBassSquared(s.bass * s.bass);
    m.setMid(s.mid);
    m.setTreble(s.treble);
    m.setPresence(s.presence);
    m.setMaster(s.master);
}

std::vector<double> run(AmpModel& m, const std::vector<double>& in, int block)
{
    std::vector<double> out(in.size()), zero(in.size(), 0.0);
    for (size_t i = 0; i < in.size(); i += block) {
        const int n = static_cast<int>(std::min<size_t>(block, in.size() - i));
        m.process(in.data() + i, zero.data() + i, out.data() + i, n);
    }
    return out;
}

// Reports the first differing index, bit for bit (so -0.0 versus 0.0 and
// NaN payloads count too).
void expectIdentical(const std::vector<double>& want, const std::vector<double>& got, const char* what)
{
    ASSERT_EQ(want.size(), got.size());
    for (size_t i = 0; i < want.size(); ++i) {
        if (std::memcmp(&want[i], &got[i], sizeof(double)) != 0) {
            ADD_FAILURE() << what << ": first difference at " << i << ": " << want[i] << " vs " << got[i];
            return;
        }
    }
}

const Settings kSettings[] = {
    {44100.0f, 0.2f, 0.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f},
    {44100.0f, 0.7f, 0.5f, 0.8f, 0.3f, 0.9f, 0.2f, 1.0f, 0.7f},
    {48000.0f, 0.5f, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f},
    {88200.0f, 0.3f, 0.5f, 0.35f, 0.6f, 0.4f, 0.8f, 0.25f, 0.6f},
    {96000.0f, 0.9f, 1.0f, 0.6f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f},
    {192000.0f, 0.4f, 0.0f, 0.9f, 0.1f, 0.7f, 0.3f, 0.8f, 0.4f},
    {50000.0f, 0.4f, 0.5f, 0.9f, 0.1f, 0.7f, 0.3f, 0.8f, 0.4f}, // outside the table
};

TEST(AmpChain, MatchesPlainReferenceBitForBit)
{
    const std::vector<double> in = testSignal(6000);
    for (const Settings& s : kSettings) {
        auto model = std::make_unique<AmpModel>();
        apply(*model, s);
        auto reference = std::make_unique<plain::Chain>(model->coefficients());
        std::vector<double> want(in.size());
        for (size_t i = 0; i < in.size(); ++i) want[i] = reference->step(in[i] + 0.0);
        expectIdentical(want, run(*model, in, 64), "64-frame blocks");

        // Ragged blocks: every length from 1 up, some longer than the
        // internal block, so the section pairs meet every block edge.
        auto ragged = std::make_unique<AmpModel>();
        apply(*ragged, s);
        std::vector<double> got(in.size()), zero(in.size(), 0.0);
        size_t pos = 0;
        for (int len = 1; pos < in.size(); len = len % 97 + 1) {
            const int n = static_cast<int>(std::min<size_t>(len, in.size() - pos));
            ragged->process(in.data() + pos, zero.data() + pos, got.data() + pos, n);
            pos += n;
        }
        expectIdentical(want, got, "ragged blocks");
    }
}

TEST(AmpChain, SubnormalInputIsDroppedWithoutChangingTheOutput)
{
    // The reference keeps subnormal inputs in its histories; the model takes
    // them as zero. The guards must make that invisible in every output bit.
    std::vector<double> in = testSignal(6000);
    for (size_t i = 0; i < in.size(); ++i) {
        if (i % 7 == 0 || (i > 2000 && i < 3000)) in[i] = (i % 2 ? 1 : -1) * 4.9e-324 * double(i % 1000 + 1);
    }
    for (const Settings& s : kSettings) {
        auto model = std::make_unique<AmpModel>();
        apply(*model, s);
        auto reference = std::make_unique<plain::Chain>(model->coefficients());
        std::vector<double> want(in.size());
        for (size_t i = 0; i < in.size(); ++i) want[i] = reference->step(in[i] + 0.0);
        expectIdentical(want, run(*model, in, 64), "subnormal-laced input");
    }
}

TEST(AmpChain, ParameterChangesBetweenBlocksMatchReference)
{
    const std::vector<double> in = testSignal(4000);
    auto model = std::make_unique<AmpModel>();
    apply(*model, kSettings[0]);
    auto reference = std::make_unique<plain::Chain>(model->coefficients());
    std::vector<double> want(in.size()), got(in.size()), zero(in.size(), 0.0);
    int changes = 0;
    for (size_t i = 0; i < in.size(); i += 100) {
        switch (changes++ % 5) {
        case 0: model->setMode(changes % 3 * 0.5f); break;
        case 1: model->setGain(0.1f * (changes % 10)); break;
        case 2: model->setTreble(0.05f * (changes % 20)); break;
        case 3: model->setSampleRate(changes % 2 ? 48000.0f : 96000.0f); break;
        case 4: model->setMaster(0.3f); model->setInputLevel(0.6f); break;
        }
        reference->setCoeffs(model->coefficients());
        for (size_t j = i; j < i + 100; ++j) want[j] = reference->step(in[j]);
        model->process(in.data() + i, zero.data() + i, got.data() + i, 100);
    }
    expectIdentical(want, got, "changes between blocks");
}

TEST(AmpChain, BlockSizeDoesNotChangeOutput)
{
    const std::vector<double> in = testSignal(8192, 7);
    for (const Settings& s : {kSettings[1], kSettings[4]}) {
        std::vector<std::vector<double>> outs;
        for (int block : {1, 7, 64, 4096}) {
            auto model = std::make_unique<AmpModel>();
            apply(*model, s);
            outs.push_back(run(*model, in, block));
        }
        for (size_t i = 1; i < outs.size(); ++i) expectIdentical(outs[0], outs[i], "block size");
    }
}

TEST(AmpChain, FreshModelKeepsSilenceExact)
{
    for (const Settings& s : kSettings) {
        auto model = std::make_unique<AmpModel>();
        apply(*model, s);
        const std::vector<double> out = run(*model, std::vector<double>(3000, 0.0), 64);
        for (double y : out) ASSERT_EQ(0.0, y);
    }
}

TEST(AmpChain, ZeroGainSettingsGiveSilence)
{
    const std::vector<double> in = testSignal(3000);
    for (int which = 0; which < 4; ++which) {
        for (float mode : {0.0f, 0.5f, 1.0f}) {
            auto model = std::make_unique<AmpModel>();
            Settings s = kSettings[1];
            s.mode = mode;
            apply(*model, s);
            switch (which) {
            case 0: model->setInputLevel(0.0f); break;
            case 1: model->setGain(0.0f); break;
            case 2: model->setMaster(0.0f); break;
            case 3: model->setBassSquared(0.0f); model->setMid(0.0f); model->setTreble(0.0f); break;
            }
            const std::vector<double> out = run(*model, in, 64);
            for (double y : out) ASSERT_EQ(0.0, y) << "case " << which << " mode " << mode;
        }
    }
}

TEST(AmpChain, FloatAndDoubleEntriesAgree)
{
    const std::vector<double> signal = testSignal(3000, 3);
    std::vector<float> a(signal.size()), b(signal.size());
    std::vector<double> sumD(signal.size()), zero(signal.size(), 0.0);
    for (size_t i = 0; i < signal.size(); ++i) {
        a[i] = static_cast<float>(signal[i]);
        b[i] = static_cast<float>(0.3 * signal[(i * 7) % signal.size()]);
        sumD[i] = static_cast<double>(a[i] + b[i]); // the float entry's single-precision sum
    }
    auto f = std::make_unique<AmpModel>();
    auto d = std::make_unique<AmpModel>();
    apply(*f, kSettings[1]);
    apply(*d, kSettings[1]);
    std::vector<double> outF(signal.size()), outD(signal.size());
    f->process(a.data(), b.data(), outF.data(), static_cast<int>(a.size()));
    d->process(sumD.data(), zero.data(), outD.data(), static_cast<int>(a.size()));
    expectIdentical(outD, outF, "float entry vs double entry on the same sum");

    // Both inputs carrying the same signal drive the model like one input at twice the level.
    auto mono = std::make_unique<AmpModel>();
    auto single = std::make_unique<AmpModel>();
    apply(*mono, kSettings[0]);
    apply(*single, kSettings[0]);
    std::vector<double> twice(signal.size());
    for (size_t i = 0; i < signal.size(); ++i) twice[i] = 2.0 * signal[i];
    std::vector<double> outMono(signal.size()), outSingle(signal.size());
    mono->process(signal.data(), signal.data(), outMono.data(), static_cast<int>(signal.size()));
    single->process(twice.data(), zero.data(), outSingle.data(), static_cast<int>(signal.size()));
    expectIdentical(outSingle, outMono, "mono host");
}

TEST(AmpChain, EmptyBlockChangesNothing)
{
    const std::vector<double> in = testSignal(2000);
    auto a = std::make_unique<AmpModel>();
    auto b = std::make_unique<AmpModel>();
    apply(*a, kSettings[2]);
    apply(*b, kSettings[2]);
    std::vector<double> outA(in.size()), outB(in.size(), 0.0), zero(in.size(), 0.0);
    double untouched = 123.0;
    a->process(in.data(), zero.data(), outA.data(), 1000);
    b->process(in.data(), zero.data(), outB.data(), 1000);
    b->process(in.data(), zero.data(), &untouched, 0);
    b->process(in.data(), zero.data(), &untouched, -5);
    EXPECT_EQ(123.0, untouched);
    a->process(in.data() + 1000, zero.data(), outA.data() + 1000, 1000);
    b->process(in.data() + 1000, zero.data(), outB.data() + 1000, 1000);
    expectIdentical(outA, outB, "after empty blocks");
}

TEST(AmpChain, RateUpdateChoosesFactorAndKeepsUnsupportedSets)
{
    auto m = std::make_unique<AmpModel>();
    EXPECT_EQ(2, m->oversampleFactor());
    const struct { float rate; int factor; } cases[] = {
        {44100.0f, 2}, {48000.0f, 2}, {61999.996f, 2}, {62000.0f, 1}, {88200.0f, 1}, {192000.0f, 1}};
    for (const auto& c : cases) {
        m->setSampleRate(c.rate);
        EXPECT_EQ(c.factor, m->oversampleFactor()) << c.rate;
    }

    AntiAliasCoeffs k96{}, k44{}, k88{};
    designAntiAliasFilter(96000.0f, k96);
    designAntiAliasFilter(44100.0f, k44);
    designAntiAliasFilter(88200.0f, k88);
    m->setSampleRate(96000.0f);
    m->setSampleRate(50000.0f); // neither 50000 nor 100000 is in the table
    AmpCoeffs k = m->coefficients();
    EXPECT_EQ(2, k.oversampleFactor);
    EXPECT_EQ(0, std::memcmp(&k96, &k.baseAntiAlias, sizeof k96));
    EXPECT_EQ(0, std::memcmp(&k96, &k.stageAntiAlias, sizeof k96));
    m->setSampleRate(44100.0f);
    k = m->coefficients();
    EXPECT_EQ(0, std::memcmp(&k44, &k.baseAntiAlias, sizeof k44));
    EXPECT_EQ(0, std::memcmp(&k88, &k.stageAntiAlias, sizeof k88));
    // The voicing sections follow the host rate whatever the factor.
    EXPECT_EQ(designOutputHighPass(44100.0f).a1, k.outputHighPass.a1);
    EXPECT_EQ(designGainNetwork(44100.0f, 0.0f, 0.5f).coeffs.section.b0, k.gainNetwork.section.b0);
}

TEST(AmpChain, NonFiniteInputOrParameterRecovers)
{
    const std::vector<double> clean = testSignal(3000, 5);
    for (double bad : {double(NAN), double(INFINITY), -double(INFINITY), 1e308}) {
        std::vector<double> in = clean;
        in[1000] = bad;
        auto a = std::make_unique<AmpModel>();
        apply(*a, kSettings[1]);
        const std::vector<double> out = run(*a, in, 64);
        for (double y : out) ASSERT_TRUE(std::isfinite(y));
        EXPECT_EQ(0.0, out[1000]);

        // From the faulty frame on the model behaves like a fresh one fed
        // the rest of the signal, as long as that frame was the first
        // non-finite one.
        size_t first = 0;
        while (first < out.size() && out[first] != 0.0) ++first;
        if (first != 1000) continue; // 1e308 may overflow only later
        auto fresh = std::make_unique<AmpModel>();
        apply(*fresh, kSettings[1]);
        const std::vector<double> rest(in.begin() + 1001, in.end());
        const std::vector<double> want = run(*fresh, rest, 64);
        expectIdentical(want, std::vector<double>(out.begin() + 1001, out.end()), "after recovery");
    }

    // A NaN parameter silences the chain; a finite one brings it back.
    auto m = std::make_unique<AmpModel>();
    apply(*m, kSettings[0]);
    m->setGain(NAN);
    std::vector<double> out = run(*m, clean, 64);
    for (double y : out) ASSERT_EQ(0.0, y);
    m->setGain(0.5f);
    out = run(*m, clean, 64);
    double energy = 0;
    for (double y : out) {
        ASSERT_TRUE(std::isfinite(y));
        energy += y * y;
    }
    EXPECT_GT(energy, 0.0);
}

// Meant for ThreadSanitizer: a control thread moves every parameter and the
// rate while the audio thread processes; the output must stay finite.
TEST(AmpChain, ConcurrentParameterChangesStayFinite)
{
    auto m = std::make_unique<AmpModel>();
    std::atomic<bool> done{false};
    auto control = [&](unsigned seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<float> u(0.0f, 1.0f);
        const float rates[] = {44100.0f, 48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f};
        while (!done.load(std::memory_order_relaxed)) {
            m->setInputLevel(u(rng));
            m->setMode(u(rng));
            m->setGain(u(rng));
            const float b = u(rng);
            m->setBassSquared(b * b);
            m->setMid(u(rng));
            m->setTreble(u(rng));
            m->setPresence(u(rng));
            m->setMaster(u(rng));
            m->setSampleRate(rates[rng() % 6]);
            (void)m->oversampleFactor();
        }
    };
    std::thread writer1(control, 11u), writer2(control, 12u);
    const std::vector<double> in = testSignal(4096, 9);
    std::vector<float> inF(in.begin(), in.end());
    std::vector<double> out(in.size());
    bool finite = true;
    for (int pass = 0; pass < 20; ++pass) {
        for (size_t i = 0; i < in.size(); i += 128) {
            if (pass % 2)
                m->process(inF.data() + i, inF.data() + i, out.data() + i, 128);
            else
                m->process(in.data() + i, in.data() + i, out.data() + i, 128);
        }
        for (double y : out) finite &= std::isfinite(y);
    }
    done = true;
    writer1.join();
    writer2.join();
    EXPECT_TRUE(finite);
}

} // namespace
