// What hosts do on several threads at once, through the binary interface only:
// automation on the audio thread while another thread restores state and
// loads responses, two threads saving chunks at once, and float output from a
// response at the edge of the float range.
#include "ValidationHost.h"

#include <atomic>
#include <limits>
#include <thread>

using namespace validation;

namespace {

// A mono 32-bit float WAV, so samples beyond the 16-bit range can be written.
Bytes floatWav(const std::vector<float>& samples)
{
    Bytes b;
    const uint32_t dataSize = static_cast<uint32_t>(samples.size() * 4);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    testhost::putLe(b, 36 + dataSize, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    testhost::putLe(b, 16, 4);
    testhost::putLe(b, 3, 2);
    testhost::putLe(b, 1, 2);
    testhost::putLe(b, 48000, 4);
    testhost::putLe(b, 48000 * 4, 4);
    testhost::putLe(b, 4, 2);
    testhost::putLe(b, 32, 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    testhost::putLe(b, dataSize, 4);
    for (float s : samples) {
        uint32_t u;
        std::memcpy(&u, &s, 4);
        testhost::putLe(b, u, 4);
    }
    return b;
}

} // namespace

// Automation on the audio thread: every parameter request made there while
// another thread restores presets that name response files (each restore
// reads a file) is free of locks, allocations and file calls.
TEST_F(Threads, ParameterRequestsNeverWaitForRestores)
{
    Plugin plug;
    ASSERT_TRUE(plug.valid());
    plug.setRate(48000.f);
    const Bytes preset = plug.chunk(true);
    std::atomic<bool> stop{false};
    std::thread restorer([&] {
        Bytes p = preset;
        for (int round = 0; !stop.load(); ++round) {
            setRecordPath(p, 0, round % 2 ? cabinetWav() : otherCabinetWav());
            setRecordValue(p, 0, kCabinet, kCabExt);
            plug.setChunk(p, true);
            plug.dispatch(effSetProgram, 0, round % 4);
        }
    });

    std::vector<double> in(64, 0.1), out0(64), out1(64);
    double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {out0.data(), out1.data()};
    for (int block = 0; block < 400; ++block) {
        {
            rtprobe::Scope audioThread;
            char text[64];
            for (int32_t i = 0; i < kParams; ++i) {
                plug.set(i, i == kCabinet ? kCabExt : static_cast<float>(block % 10) / 10.f);
                (void)plug.get(i);
                plug.dispatch(effGetParamDisplay, i, 0, text);
                plug.dispatch(effGetParamLabel, i, 0, text);
                plug.dispatch(effGetParamName, i, 0, text);
                plug.dispatch(effCanBeAutomated, i);
            }
        }
        plug.process(ins, outs, 64);
    }
    stop = true;
    restorer.join();
}

// An autosave (bank) and a preset save on two threads at once: each gets a
// snapshot that is whole and stays as it was until that thread asks again.
TEST_F(Threads, ChunkRequestsFromTwoThreadsAreNeverTorn)
{
    Plugin plug;
    ASSERT_TRUE(plug.valid());
    Bytes bank = plug.chunk(false);
    for (int p = 0; p < 4; ++p)
        setRecordText(bank, p, 0, 24, "record " + std::to_string(p));
    ASSERT_EQ(plug.setChunk(bank, false), 1);
    plug.dispatch(effSetProgram, 0, 2);

    std::atomic<bool> stop{false};
    std::atomic<long> tornPresets{0};
    std::thread presetSaver([&] {
        while (!stop.load()) {
            const Bytes preset = plug.chunk(true);
            if (preset.size() != kRecordSize || std::memcmp(preset.data(), "record 2", 9) != 0)
                tornPresets.fetch_add(1);
        }
    });
    long torn = 0;
    for (int round = 0; round < 2000; ++round) {
        void* data = nullptr;
        ASSERT_EQ(plug.dispatch(effGetChunk, 0, 0, &data), 4 * kRecordSize);
        const Bytes first(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 4 * kRecordSize);
        std::this_thread::yield();
        // Still the same bytes, and record 0 is record 0.
        if (std::memcmp(first.data(), data, first.size()) != 0 || std::memcmp(first.data(), "record 0", 9) != 0)
            ++torn;
    }
    stop = true;
    presetSaver.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(tornPresets.load(), 0);
}

// A valid float response with samples near the float maximum: the double
// entry gives results beyond the float range, the float entry holds them at
// the largest finite float instead of writing infinities.
TEST_F(ValidationTest, FloatOutputStaysFiniteWithAnExtremeResponse)
{
    const std::string path = TempDir::shared().file("extreme.wav");
    const std::vector<float> h(256, 3.0e38f); // sums of many taps go past the float range
    ASSERT_TRUE(testhost::writeFile(path, floatWav(h)));

    for (bool doubleEntry : {false, true}) {
        Plugin plug;
        ASSERT_TRUE(plug.valid());
        plug.setRate(48000.f);
        ASSERT_TRUE(loadExternal(plug, path));
        plug.set(kGain, 1.f);
        std::vector<double> x(4096);
        for (size_t i = 0; i < x.size(); ++i)
            x[i] = 0.9 * std::sin(2.0 * M_PI * 100.0 * static_cast<double>(i) / 48000.0);
        if (doubleEntry) {
            const std::vector<double> y = plug.run(x, 64);
            double peak = 0.0;
            for (double v : y) {
                ASSERT_TRUE(std::isfinite(v));
                peak = std::max(peak, std::fabs(v));
            }
            EXPECT_GT(peak, std::numeric_limits<float>::max()) << "the case does not reach beyond the float range";
        } else {
            for (float v : plug.run(convert<float>(x), 64))
                ASSERT_TRUE(std::isfinite(v));
        }
    }
}
