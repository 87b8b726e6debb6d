// The plug-in's audio side makes none of the calls real-time code must not
// make (allocation, file access, locks) in run and work_response, while every
// port changes and a response file is asked for and reported on the atom ports.
#include "Lv2TestHost.h"

#include "support/RealtimeProbe.h"

#include <gtest/gtest.h>

#include <optional>

using namespace lv2test;

namespace {

std::optional<rtprobe::Scope> gInsideAudioCall; // the probe counts while this holds a scope

void probeAudioCalls(bool entering)
{
    if (entering)
        gInsideAudioCall.emplace();
    else
        gInsideAudioCall.reset();
}

} // namespace

TEST(NosanLv2Realtime, RunAndWorkResponseNeverAllocateLockOrTouchFiles)
{
    if (!rtprobe::active())
        GTEST_SKIP() << "the probe is inert in sanitizer builds";
    TempDir dir;
    const std::string ir = dir.path + "/cab.wav";
    writeResponse(ir, 12);
    Lv2Plugin::Options options;
    options.workerMode = TestWorker::Mode::Deferred; // the worker's part runs outside the probe
    Lv2Plugin plugin(48000, options);
    const Signal signal(256, 1);
    std::vector<float> left(256), right(256);

    rtprobe::take();
    gAudioCallHook = probeAudioCalls;
    for (int block = 0; block < 24; ++block) {
        for (int32_t i = 0; i < kNumParams; ++i)
            plugin.set(i, static_cast<float>((block + i) % 3));
        if (block == 3)
            plugin.sendPatchSet(ir);
        if (block == 9)
            plugin.sendPatchGet();
        plugin.run(signal.left.data(), signal.right.data(), left.data(), right.data(), 256);
        plugin.worker()->runDeferred();
    }
    gAudioCallHook = nullptr;
    const rtprobe::Counts counts = rtprobe::take();
    EXPECT_EQ(counts.total(), 0u) << counts.describe();
    ASSERT_FALSE(plugin.reported.empty());
    EXPECT_EQ(plugin.reported.back(), ir) << "the file went through the worker";
}
