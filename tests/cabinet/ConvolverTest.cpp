#include "dsp/cabinet/BlockConvolver.h"
#include "dsp/cabinet/ConvKernels.h"
#include "dsp/cabinet/ConvStage.h"
#include "dsp/cabinet/ExtCabinet.h"
#include "dsp/cabinet/IntCabinet.h"

#include "CabinetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <random>
#include <thread>
#include <vector>

namespace {

std::vector<double> randomResponse(int n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> h(n);
    for (int i = 0; i < n; ++i)
        h[i] = dist(rng) * std::exp(-i / (0.3 * n));
    return h;
}

double peakOf(const double* h, int n)
{
    double p = 0.0;
    for (int i = 0; i < n; ++i)
        p = std::max(p, std::fabs(h[i]));
    return p;
}

// A mono float WAV holding h, loaded into cab at rate.
std::vector<float> loadRandomResponse(ExtCabinet& cab, TempDir& dir, float rate, int frames, unsigned seed)
{
    std::vector<double> h = randomResponse(frames, seed);
    std::vector<float> f(h.begin(), h.end());
    const std::string path = dir.file("resp" + std::to_string(seed) + ".wav");
    writeFile(path, makeWav(3, 1, 32, floatSamples(f)));
    cab.setSampleRate(rate);
    EXPECT_TRUE(cab.loadImpulse(path.c_str()));
    return f;
}

TEST(ConvStageTest, ServesTapsBToEightBWithNoDelay)
{
    for (int B : {64, 128, 512, 1024})
    {
        ConvStage stage(B);
        stage.clearState();
        const std::vector<double> h = randomResponse(8 * B, static_cast<unsigned>(B));
        stage.prepare(h.data(), 0);
        const double tol = 1e-12 * peakOf(h.data(), 8 * B);
        for (int n = 0; n < 9 * B; ++n)
        {
            const double y = stage.process(n == 0 ? 1.0 : 0.0);
            const double want = (n >= B && n < 8 * B) ? h[n] : 0.0;
            if (n < B)
                ASSERT_EQ(y, 0.0) << "B=" << B << " call " << n;
            else
                ASSERT_NEAR(y, want, tol) << "B=" << B << " call " << n;
        }
    }
}

TEST(ConvStageTest, BlockFormEqualsSingleCalls)
{
    ConvStage a(64), b(64);
    a.clearState();
    b.clearState();
    const std::vector<double> h = randomResponse(512, 3);
    a.prepare(h.data(), 0);
    b.prepare(h.data(), 0);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> x(3000), ya(3000), yb(3000);
    for (auto& v : x)
        v = dist(rng);
    for (int i = 0; i < 3000; ++i)
        ya[i] = a.process(x[i]);
    int pos = 0, step = 1;
    while (pos < 3000)
    {
        const int m = std::min(step, 3000 - pos);
        b.processBlock(x.data() + pos, yb.data() + pos, m);
        pos += m;
        step = step * 3 % 197 + 1;
    }
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(ya[i], yb[i]) << i;
}

TEST(BlockConvolverTest, ServesTapsBToTwoBWithNoDelay)
{
    for (int N : {1024, 2048})
    {
        const int B = N / 2;
        BlockConvolver conv(N);
        conv.clearState();
        const std::vector<double> h = randomResponse(2 * B, static_cast<unsigned>(N));
        conv.prepare(h.data(), 0);
        const double tol = 1e-12 * peakOf(h.data(), 2 * B);
        for (int n = 0; n < 3 * B; ++n)
        {
            const double y = conv.process(n == 0 ? 1.0 : 0.0);
            const double want = (n >= B && n < 2 * B) ? h[n] : 0.0;
            ASSERT_NEAR(y, want, tol) << "N=" << N << " call " << n;
        }
    }
}

// Impulses at several offsets, so every block boundary of every stage is crossed.
template <class Cabinet>
void expectImpulseResponse(Cabinet& cab, const double* h, int len, bool blockForm, const char* what)
{
    const double tol = 1e-12 * peakOf(h, len);
    for (int offset : {0, 1, 63, 200, 777})
    {
        std::vector<double> x(offset + len + 1100, 0.0);
        x[offset] = 1.0;
        std::vector<double> y = x;
        if (blockForm)
        {
            int pos = 0, step = 5;
            while (pos < static_cast<int>(y.size()))
            {
                const int m = std::min<int>(step, static_cast<int>(y.size()) - pos);
                cab.process(y.data() + pos, m);
                pos += m;
                step = step * 7 % 301 + 1;
            }
        }
        else
        {
            for (auto& v : y)
                v = cab.process(v);
        }
        for (int t = 0; t < static_cast<int>(y.size()); ++t)
        {
            const int k = t - offset;
            const double want = (k >= 0 && k < len) ? h[k] : 0.0;
            ASSERT_NEAR(y[t], want, tol) << what << " offset " << offset << " tap " << k;
        }
    }
}

TEST(CabinetImpulseTest, IntCabinetBothLayouts)
{
    for (float rate : {44100.0f, 96000.0f})
    {
        for (bool blockForm : {false, true})
        {
            IntCabinet cab;
            cab.clear();
            cab.prepare(rate);
            const int len = cab.shortLayout() ? 1024 : 2048;
            EXPECT_EQ(cab.shortLayout(), rate < 68000.0f);
            expectImpulseResponse(cab, cab.impulseResponse(), len, blockForm, rate < 68000.0f ? "int short" : "int long");
        }
    }
}

TEST(CabinetImpulseTest, ExtCabinetBothLayouts)
{
    TempDir dir;
    for (float rate : {48000.0f, 96000.0f})
    {
        for (bool blockForm : {false, true})
        {
            ExtCabinet cab;
            cab.clear();
            loadRandomResponse(cab, dir, rate, 10000, 11);
            const int len = cab.maxIrLength();
            EXPECT_EQ(len, rate < 68000.0f ? 4096 : 8192);
            expectImpulseResponse(cab, cab.impulseResponse(), len, blockForm, rate < 68000.0f ? "ext short" : "ext long");
        }
    }
}

TEST(CabinetImpulseTest, ShortResponseIsTheDirectFirExactly)
{
    TempDir dir;
    ExtCabinet cab;
    cab.clear();
    std::vector<float> f(64);
    for (int i = 0; i < 64; ++i)
        f[i] = static_cast<float>(std::sin(i * 0.3) * std::exp(-i / 20.0));
    const std::string path = dir.file("short.wav");
    writeFile(path, makeWav(3, 1, 32, floatSamples(f)));
    cab.setSampleRate(44100.0f);
    ASSERT_TRUE(cab.loadImpulse(path.c_str()));
    const double* h = cab.impulseResponse();
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> x(2000);
    for (auto& v : x)
        v = dist(rng);
    for (int n = 0; n < 2000; ++n)
    {
        double p[4] = {0, 0, 0, 0};
        for (int j = 0; j < 64; ++j)
            p[j / 16] = p[j / 16] + h[j] * (n - j >= 0 ? x[n - j] : 0.0);
        const double want = (((p[0] + (0.0 + 0.0)) + p[1]) + p[2]) + p[3];
        ASSERT_EQ(cab.process(x[n]), want) << n;
    }
}

TEST(CabinetConvolutionTest, RaggedBlocksEqualDirectConvolution)
{
    TempDir dir;
    for (float rate : {44100.0f, 192000.0f})
    {
        ExtCabinet cab;
        cab.clear();
        loadRandomResponse(cab, dir, rate, 9000, 21);
        const int len = cab.maxIrLength();
        const std::vector<double> h(cab.impulseResponse(), cab.impulseResponse() + len);
        const int total = 3 * len + 517;
        std::mt19937 rng(4);
        std::uniform_real_distribution<double> dist(-1.0, 1.0);
        std::vector<double> x(total), y(total);
        for (auto& v : x)
            v = dist(rng);
        y = x;
        const int sizes[] = {1, 3, 64, 65, 127, 128, 129, 511, 1000, 1025, 17, 2};
        int pos = 0, s = 0;
        while (pos < total)
        {
            const int m = std::min(sizes[s++ % 12], total - pos);
            cab.process(y.data() + pos, m);
            pos += m;
        }
        const double tol = 1e-12 * peakOf(h.data(), len) * 64;
        int firstBad = -1;
        double worst = 0.0;
        for (int n = 0; n < total; ++n)
        {
            double ref = 0.0;
            for (int j = 0; j < len && j <= n; ++j)
                ref += h[j] * x[n - j];
            const double err = std::fabs(y[n] - ref);
            worst = std::max(worst, err);
            if (err > tol && firstBad < 0)
                firstBad = n;
        }
        EXPECT_EQ(firstBad, -1) << "rate " << rate << ": first differing index " << firstBad << ", worst " << worst;
    }
}

TEST(CabinetConvolutionTest, BlockFormGivesTheSameNumbersAsSingleCalls)
{
    TempDir dir;
    ExtCabinet a, b;
    a.clear();
    b.clear();
    loadRandomResponse(a, dir, 48000.0f, 5000, 31);
    loadRandomResponse(b, dir, 48000.0f, 5000, 31);
    IntCabinet c, d;
    c.clear();
    d.clear();
    c.prepare(44100.0f);
    d.prepare(44100.0f);
    std::mt19937 rng(6);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    const int total = 20000;
    std::vector<double> x(total), ya(total), yb, yc(total), yd;
    for (auto& v : x)
        v = dist(rng);
    for (int i = 0; i < total; ++i)
    {
        ya[i] = a.process(x[i]);
        yc[i] = c.process(x[i]);
    }
    yb = x;
    yd = x;
    int pos = 0, step = 1;
    while (pos < total)
    {
        const int m = std::min(step, total - pos);
        b.process(yb.data() + pos, m);
        d.process(yd.data() + pos, m);
        pos += m;
        step = step * 5 % 331 + 1;
    }
    for (int i = 0; i < total; ++i)
    {
        ASSERT_EQ(ya[i], yb[i]) << "ext " << i;
        ASSERT_EQ(yc[i], yd[i]) << "int " << i;
    }
}

TEST(CabinetConvolutionTest, VectorPathsGiveIdenticalNumbers)
{
    // The AVX kernels and the baseline ones must agree bit for bit.
    TempDir dir;
    const int total = 9000;
    std::mt19937 rng(12);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> x(total);
    for (auto& v : x)
        v = dist(rng);
    std::vector<double> results[2][2];
    const bool saved = convKernelsUseAvx();
    for (int pass = 0; pass < 2; ++pass)
    {
        convKernelsUseAvx() = pass == 0;
        for (float rate : {48000.0f, 96000.0f})
        {
            ExtCabinet ext;
            ext.clear();
            loadRandomResponse(ext, dir, rate, 8192, 77);
            IntCabinet in;
            in.clear();
            in.prepare(rate);
            std::vector<double> a = x, b = x;
            int pos = 0, step = 3;
            while (pos < total)
            {
                const int m = std::min(step, total - pos);
                ext.process(a.data() + pos, m);
                in.process(b.data() + pos, m);
                pos += m;
                step = step * 11 % 173 + 1;
            }
            a.insert(a.end(), b.begin(), b.end());
            results[pass][rate > 50000.0f] = a;
        }
    }
    convKernelsUseAvx() = saved;
    for (int r = 0; r < 2; ++r)
        for (size_t i = 0; i < results[0][r].size(); ++i)
            ASSERT_EQ(results[0][r][i], results[1][r][i]) << "layout " << r << " at " << i;
}

TEST(CabinetStateTest, ClearedCabinetsAreSilent)
{
    IntCabinet ic;
    ExtCabinet ec;
    ic.clear();
    ec.clear();
    for (int i = 0; i < 5000; ++i)
    {
        ASSERT_EQ(ic.process(std::sin(i * 0.1)), 0.0);
        ASSERT_EQ(ec.process(std::cos(i * 0.1)), 0.0);
    }
    // Clearing a playing cabinet silences it at once: histories and rings go too.
    ic.prepare(44100.0f);
    for (int i = 0; i < 700; ++i)
        ic.process(std::sin(i * 0.1));
    ic.clear();
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(ic.process(1.0), 0.0) << i;
    ic.rebuildImpulse();
    double energy = 0.0;
    for (int i = 0; i < 100; ++i)
        energy += std::fabs(ic.process(i == 0 ? 1.0 : 0.0));
    EXPECT_GT(energy, 0.0);
}

TEST(CabinetStateTest, EmptyPathIsSilence)
{
    ExtCabinet cab;
    cab.clear();
    cab.setSampleRate(44100.0f);
    EXPECT_FALSE(cab.loadImpulse("empty"));
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(cab.process(i % 7 - 3.0), 0.0);
}

TEST(CabinetStateTest, ReloadingTheSameResponseChangesNoNumber)
{
    TempDir dir;
    ExtCabinet a, b;
    a.clear();
    b.clear();
    loadRandomResponse(a, dir, 48000.0f, 4096, 41);
    loadRandomResponse(b, dir, 48000.0f, 4096, 41);
    const std::string path = dir.path() + "/resp41.wav";
    std::mt19937 rng(8);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (int block = 0; block < 200; ++block)
    {
        if (block % 37 == 5)
            b.loadImpulse(path.c_str());
        double xa[64], xb[64];
        for (int i = 0; i < 64; ++i)
            xa[i] = xb[i] = dist(rng);
        a.process(xa, 64);
        b.process(xb, 64);
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(xa[i], xb[i]) << block << ":" << i;
    }
}

TEST(CabinetStateTest, OldResponseTailPlaysOutAfterALoad)
{
    // Short layout: the first stage's products for the impulse block are made
    // at call 64 with the old response, so its taps 64..511 keep playing after
    // a switch to silence at call 200; the direct part and the second stage
    // (next event at 512) use the new, silent response.
    TempDir dir;
    ExtCabinet cab;
    cab.clear();
    loadRandomResponse(cab, dir, 44100.0f, 4096, 51);
    const std::vector<double> h(cab.impulseResponse(), cab.impulseResponse() + 4096);
    const double tol = 1e-12 * peakOf(h.data(), 4096);
    for (int n = 0; n < 1200; ++n)
    {
        if (n == 200)
            cab.loadImpulse("empty");
        const double y = cab.process(n == 0 ? 1.0 : 0.0);
        const double want = n < 200 ? h[n] : (n < 512 ? h[n] : 0.0);
        ASSERT_NEAR(y, want, tol) << n;
    }
}

TEST(CabinetStateTest, LayoutChangesTravelWithTheNextResponse)
{
    // A new rate alone changes nothing audible; the next load brings the
    // long layout and its length together.
    TempDir dir;
    ExtCabinet cab;
    cab.clear();
    loadRandomResponse(cab, dir, 48000.0f, 9000, 81);
    const std::vector<double> h4096(cab.impulseResponse(), cab.impulseResponse() + 4096);
    cab.setSampleRate(96000.0f);
    EXPECT_FALSE(cab.shortLayout());
    EXPECT_EQ(cab.maxIrLength(), 8192);
    expectImpulseResponse(cab, h4096.data(), 4096, true, "before the load");
    const std::string path = dir.path() + "/resp81.wav";
    ASSERT_TRUE(cab.loadImpulse(path.c_str()));
    // Let the old response's tail leave the rings, then check the new one.
    std::vector<double> quiet(20000, 0.0);
    cab.process(quiet.data(), 20000);
    expectImpulseResponse(cab, cab.impulseResponse(), 8192, true, "after the load");
}

TEST(CabinetStateTest, NonFiniteInputRecovers)
{
    TempDir dir;
    ExtCabinet cab;
    cab.clear();
    loadRandomResponse(cab, dir, 48000.0f, 4096, 61);
    const std::vector<double> h(cab.impulseResponse(), cab.impulseResponse() + 4096);
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (int i = 0; i < 1000; ++i)
        cab.process(dist(rng));
    EXPECT_EQ(cab.process(std::numeric_limits<double>::quiet_NaN()), 0.0);
    // From here on the cabinet behaves as a fresh one fed the new input.
    std::vector<double> x(6000);
    for (auto& v : x)
        v = dist(rng);
    std::vector<double> y = x;
    cab.process(y.data(), 6000);
    const double tol = 1e-10;
    for (int n = 0; n < 6000; n += 13)
    {
        double ref = 0.0;
        for (int j = 0; j < 4096 && j <= n; ++j)
            ref += h[j] * x[n - j];
        ASSERT_NEAR(y[n], ref, tol) << n;
    }
    // The block form recovers too.
    std::vector<double> bad(100, 1.0);
    bad[10] = std::numeric_limits<double>::infinity();
    cab.process(bad.data(), 100);
    for (double v : bad)
        ASSERT_TRUE(std::isfinite(v));
    double later[256];
    for (double& v : later)
        v = dist(rng);
    cab.process(later, 256);
    for (double v : later)
        ASSERT_TRUE(std::isfinite(v));
}

TEST(CabinetThreadTest, LoadsAndClearsWhileProcessingRunStayWhole)
{
    // Run under ThreadSanitizer as well: a control thread swaps responses and
    // clears while the audio thread processes.
    TempDir dir;
    ExtCabinet ext;
    IntCabinet in;
    ext.clear();
    in.clear();
    std::vector<double> h = randomResponse(4096, 71);
    std::vector<float> f(h.begin(), h.end());
    const std::string path = dir.file("thread.wav");
    writeFile(path, makeWav(3, 1, 32, floatSamples(f)));
    ext.setSampleRate(48000.0f);
    ext.loadImpulse(path.c_str());
    in.prepare(48000.0f);

    std::atomic<bool> stop(false);
    std::atomic<bool> allFinite(true);
    std::thread audio([&] {
        std::mt19937 rng(1);
        std::uniform_real_distribution<double> dist(-1.0, 1.0);
        double buf[96];
        while (!stop.load())
        {
            for (double& v : buf)
                v = dist(rng);
            ext.process(buf, 96);
            for (double v : buf)
                if (!std::isfinite(v) || std::fabs(v) > 1e3)
                    allFinite = false;
            for (double& v : buf)
                v = dist(rng);
            in.process(buf, 96);
            for (double v : buf)
                if (!std::isfinite(v) || std::fabs(v) > 1e3)
                    allFinite = false;
        }
    });
    for (int i = 0; i < 40; ++i)
    {
        ext.setSampleRate(i % 3 == 0 ? 96000.0f : 48000.0f);
        ext.loadImpulse(i % 5 == 0 ? "empty" : path.c_str());
        if (i % 7 == 0)
            ext.clear();
        in.prepare(i % 2 ? 44100.0f : 96000.0f);
        if (i % 9 == 0)
            in.clear();
    }
    stop = true;
    audio.join();
    EXPECT_TRUE(allFinite.load());

    // A clear and a load that the audio thread picks up together leave
    // exactly the loaded response.
    ext.setSampleRate(48000.0f);
    ext.clear();
    ext.loadImpulse(path.c_str());
    expectImpulseResponse(ext, ext.impulseResponse(), 4096, true, "after threads");
}

} // namespace
