#pragma once

#include "dsp/amp/AntiAliasFilter.h"
#include "dsp/cabinet/CabinetEngine.h"

#include <atomic>

// The built-in cabinet (switch position INT.): the built-in response fitted to
// the host rate, convolved with zero latency.
//
// Thread contract: process() (both forms) runs on the audio thread only.
// clear(), prepare() and rebuildImpulse() run on a control thread (host
// thread in resume/suspend, construction) and may overlap processing: they
// build the new response aside and publish it whole, and the audio thread
// adopts it at the start of its next process call (see CabinetEngine).
// Control calls are serialised among themselves by the engine's writer lock,
// under which the rebuild filters and the rate are changed.
class IntCabinet
{
public:
    static constexpr int kMaxIrLength = 2048;

    IntCabinet();

    // Silent response, and the running state zeroed at the next block start.
    void clear();
    // The two rebuild filters get 2*hostRate and are designed, the rate is
    // stored, and the response is rebuilt.
    void prepare(float hostRate);
    // Rebuilds the response for the stored rate and publishes it.
    void rebuildImpulse();

    double process(double x) { return engine_.process(x); }
    // Same numbers as n single calls; in place.
    void process(double* io, int n) { engine_.process(io, n); }

    // Layout of the last rebuild: short below 68000 Hz.
    bool shortLayout() const { return shortLayout_.load(std::memory_order_relaxed); }
    float sampleRate() const { return sampleRate_.load(std::memory_order_relaxed); }
    // The last published response (irBuffer, kMaxIrLength doubles; the short
    // layout uses the first 1024). Control side, for inspection.
    const double* impulseResponse() const { return engine_.publishedResponse(); }

private:
    // Writes the response for the stored rate into ir; returns its layout
    // (short below 68000 Hz). Under the engine's writer lock.
    bool rebuildInto(double* ir);

    CabinetEngine<BlockConvolver> engine_;  // direct part, ConvStage 64/128, BlockConvolver 1024/2048
    AntiAliasFilter decimateFirst_;         // rebuild only: first low-pass at twice the host rate
    AntiAliasFilter decimateSecond_;        // rebuild only: second low-pass
    std::atomic<float> sampleRate_;         // host rate of the last prepare
    std::atomic<bool> shortLayout_;         // layout of the last rebuild
};
