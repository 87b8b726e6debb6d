// The threads a real host runs at once: an audio thread processing 64-sample
// blocks; a control thread setting parameters, switching programs and restoring
// chunks; a thread restoring presets that name impulse-response files; and, with
// an X display, the UI thread opening, idling and closing the editor inside a
// window of ours. Built with ThreadSanitizer (label tsan) this finds races; in
// every build it checks that no block ever carries a non-finite sample, and in
// the probe build that the audio thread never allocates, reads or locks.
#include "ValidationHost.h"

#include "support/X11HostWindow.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

using namespace validation;

namespace {

struct AudioThread {
    Plugin& plug;
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::atomic<long> badBlocks{0};
    std::thread thread;

    explicit AudioThread(Plugin& p) : plug(p)
    {
        thread = std::thread([this] { run(); });
    }
    void run()
    {
        const std::vector<double> x = noise(4096, 0.6, 1);
        std::vector<double> in0(64), in1(64), out0(64), out1(64);
        size_t pos = 0;
        while (!stop.load(std::memory_order_relaxed)) {
            std::copy(x.begin() + pos, x.begin() + pos + 64, in0.begin());
            std::copy(x.begin() + pos, x.begin() + pos + 64, in1.begin());
            pos = (pos + 64) % x.size();
            double* ins[2] = {in0.data(), in1.data()};
            double* outs[2] = {out0.data(), out1.data()};
            plug.process(ins, outs, 64);
            for (int i = 0; i < 64; ++i)
                if (!std::isfinite(out0[i]) || !std::isfinite(out1[i])) {
                    badBlocks.fetch_add(1);
                    break;
                }
            blocks.fetch_add(1, std::memory_order_relaxed);
        }
    }
    void finish()
    {
        stop = true;
        thread.join();
    }
};

// Parameters, programs and whole-bank or preset restores, 500 rounds. The
// chunks are the host's own saved copies: getChunk's buffer stays valid only
// until the next getChunk, so one host thread never reads it while another asks.
void controlThread(Plugin& plug, Bytes bank, int rounds)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(0.f, 1.f);
    Bytes preset(bank.begin(), bank.begin() + kRecordSize);
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 3; ++k) {
            const int index = static_cast<int>(rng() % (kParams - 1));
            plug.set(index, u(rng));
        }
        plug.set(kCabinet, (rng() % 2) ? kCabInt : kCabOff);
        plug.dispatch(effSetProgram, 0, static_cast<intptr_t>(rng() % 4));
        if (round % 5 == 0) {
            for (int p = 0; p < 4; ++p)
                for (int i = 0; i < kCabinet; ++i)
                    setRecordValue(bank, p, i, u(rng));
            plug.setChunk(bank, false);
        }
        if (round % 7 == 0) {
            setRecordValue(preset, 0, kGain, u(rng));
            plug.setChunk(preset, true);
        }
        char text[64];
        plug.dispatch(effGetParamDisplay, static_cast<int32_t>(rng() % kParams), 0, text);
    }
}

// Restores a preset that names one of two responses, 100 times: what a host does
// when the user flips between saved sounds.
void reloadThread(Plugin& plug, Bytes preset, int rounds)
{
    for (int round = 0; round < rounds; ++round) {
        setRecordPath(preset, 0, round % 2 ? cabinetWav() : otherCabinetWav());
        setRecordValue(preset, 0, kCabinet, kCabExt);
        plug.setChunk(preset, true);
    }
}

// The host's UI thread: a top-level window of ours, the editor opened inside it,
// idled for a while and closed, several times.
void editorThread(Plugin& plug, int rounds, std::atomic<int>& opened)
{
    for (int round = 0; round < rounds; ++round) {
        testhost::X11HostWindow host(600, 230);
        if (!host.display)
            return;
        if (plug.dispatch(effEditOpen, 0, 0, host.handle()))
            opened.fetch_add(1);
        for (int i = 0; i < 20; ++i) {
            plug.dispatch(effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        plug.dispatch(effEditClose);
    }
}

void runThreads(bool withEditor)
{
    XInitThreads();
    Plugin plug;
    ASSERT_TRUE(plug.valid());
    plug.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.f);
    plug.dispatch(effSetBlockSize, 0, 64);
    plug.resume();
    cabinetWav();
    otherCabinetWav();

    AudioThread audio(plug);
    std::atomic<int> opened{0};
    const Bytes bank = plug.chunk(false), preset = plug.chunk(true);
    std::thread control(controlThread, std::ref(plug), bank, 500);
    std::thread reload(reloadThread, std::ref(plug), preset, 100);
    std::thread ui;
    if (withEditor)
        ui = std::thread(editorThread, std::ref(plug), 3, std::ref(opened));
    control.join();
    reload.join();
    if (ui.joinable())
        ui.join();
    audio.finish();

    EXPECT_GT(audio.blocks.load(), 0);
    EXPECT_EQ(audio.badBlocks.load(), 0) << "blocks with non-finite samples";
    if (withEditor) {
        EXPECT_EQ(opened.load(), 3) << "the editor did not open in our window";
    }
    plug.suspend();
    plug.close();
}

} // namespace

TEST_F(Threads, AudioWhileControlAndReload)
{
    runThreads(false);
}

TEST_F(Threads, AudioWhileControlReloadAndEditor)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "no X display";
    runThreads(true);
}
