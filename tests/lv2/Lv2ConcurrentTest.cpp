// The worker path with real threads (and under ThreadSanitizer): files loaded
// on the worker's thread and states restored and saved on a third thread
// while the audio thread runs, each thread only on its own side of the shell.
#include "Lv2TestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

using namespace lv2test;

TEST(Lv2Concurrent, WorkerLoadsAndRestoresWhileAudioRuns)
{
    TempDir dir;
    const std::string a = dir.path + "/a.wav", b = dir.path + "/b.wav";
    writeResponse(a, 1);
    writeResponse(b, 2);

    Lv2Plugin source(48000);
    source.sendPatchSet(a);
    source.run(nullptr, nullptr, nullptr, nullptr, 0);
    LilvState* stateA = source.saveState("");
    ASSERT_NE(stateA, nullptr);

    Lv2Plugin::Options options;
    options.workerMode = TestWorker::Mode::Threaded;
    Lv2Plugin plugin(48000, options);
    plugin.set(kCabinet, 2.f);
    std::atomic<bool> audioDone{false};
    std::atomic<int> restores{0};
    bool finite = true;

    std::thread audio([&] {
        const Signal signal(256, 5);
        std::vector<float> left(256), right(256);
        // At least 600 blocks, and on until the other thread has restored 20 times.
        for (int block = 0; block < 600 || restores < 20; ++block) {
            if (block % 7 == 0)
                plugin.sendPatchSet(block % 14 ? b : a);
            if (block % 50 == 25)
                plugin.sendPatchSet("");
            plugin.run(signal.left.data(), signal.right.data(), left.data(), right.data(), 256);
            for (float x : left)
                finite = finite && std::isfinite(x);
        }
        audioDone = true;
    });
    std::thread control([&] {
        // threadSafeRestore: restore (with the worker) and save while run goes on.
        while (!audioDone) {
            plugin.restore(stateA, true);
            ++restores;
            lilv_state_free(plugin.saveState(""));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    audio.join();
    control.join();
    EXPECT_TRUE(finite);

    // Afterwards the last request wins and is reported.
    plugin.sendPatchSet(b);
    plugin.run(nullptr, nullptr, nullptr, nullptr, 0);
    plugin.worker()->drain();
    plugin.run(nullptr, nullptr, nullptr, nullptr, 0);
    plugin.run(nullptr, nullptr, nullptr, nullptr, 0);
    ASSERT_FALSE(plugin.reported.empty());
    EXPECT_EQ(plugin.reported.back(), b);
    lilv_state_free(stateA);
}
