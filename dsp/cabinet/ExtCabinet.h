#pragma once

#include "dsp/cabinet/CabinetEngine.h"
#include "dsp/cabinet/WavReader.h"

#include <atomic>

// The external cabinet (switch position EXT.): a response loaded from a WAV
// file, mixed to mono, cut to 4096 or 8192 samples, windowed around its
// loudest sample, convolved with zero latency.
//
// Thread contract: process() (both forms) runs on the audio thread only.
// clear(), setSampleRate() and loadImpulse() run on control threads (host
// thread, editor thread) and may overlap processing and each other: loads are
// serialised by the engine's writer lock (the reader is used under it), build
// the new response aside and publish it whole; the audio thread adopts it at the start of its next process call
// (see CabinetEngine). The layout chosen by setSampleRate() reaches the audio
// thread with the next published response.
class ExtCabinet
{
public:
    static constexpr int kMaxIrLength = 8192;    // long layout, above 68000 Hz
    static constexpr int kShortIrLength = 4096;  // short layout

    ExtCabinet();

    // Silent response, and the running state zeroed at the next block start.
    void clear();
    // Stores the rate and chooses the layout: up to and including 68000 Hz
    // 4096 samples (short layout), above it 8192 (long layout).
    void setSampleRate(float r);
    // Reads path ("empty" = no file) and publishes the response; any refusal
    // publishes silence. Returns whether a file was loaded.
    bool loadImpulse(const char* path);

    double process(double x) { return engine_.process(x); }
    // Same numbers as n single calls; in place.
    void process(double* io, int n) { engine_.process(io, n); }

    int maxIrLength() const { return shortLayout() ? kShortIrLength : kMaxIrLength; }
    bool shortLayout() const { return shortLayout_.load(std::memory_order_relaxed); }
    float sampleRate() const { return sampleRate_.load(std::memory_order_relaxed); }
    // The last published response (irBuffer, kMaxIrLength doubles). Control
    // side, for inspection.
    const double* impulseResponse() const { return engine_.publishedResponse(); }

private:
    CabinetEngine<ConvStage> engine_;  // direct part, ConvStage 64/128 and 512/1024
    WavReader reader_;                 // used under the engine's writer lock
    std::atomic<float> sampleRate_;    // host rate of the last setSampleRate
    std::atomic<bool> shortLayout_;    // layout (and length) for the next load
};
