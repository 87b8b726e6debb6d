#include "dsp/cabinet/IntCabinet.h"

#include "dsp/cabinet/BuiltinIr.h"

#include <mutex>

IntCabinet::IntCabinet()
    : engine_(kMaxIrLength, 1024, 2048), sampleRate_(44100.0f), shortLayout_(true)
{
}

void IntCabinet::clear()
{
    engine_.requestClear();
}

void IntCabinet::prepare(float hostRate)
{
    std::lock_guard<std::mutex> lock(engine_.controlMutex());
    const float rebuildRate = 2.0f * hostRate;
    decimateFirst_.sampleRate = rebuildRate;
    decimateFirst_.designAntiAliasFilter();
    decimateSecond_.sampleRate = rebuildRate;
    decimateSecond_.designAntiAliasFilter();
    sampleRate_.store(hostRate, std::memory_order_relaxed);
    rebuildLocked();
}

void IntCabinet::rebuildImpulse()
{
    std::lock_guard<std::mutex> lock(engine_.controlMutex());
    rebuildLocked();
}

void IntCabinet::rebuildLocked()
{
    const float r = sampleRate_.load(std::memory_order_relaxed);
    double* ir = engine_.spareResponse();
    bool shortLayout;
    if (r < 68000.0f)
    {
        // Halve the 88200/96000 Hz table: band-limit at twice the host rate
        // and keep every odd sample. The filters' histories carry over from
        // one rebuild to the next, as they always have.
        const double* table = r < 46000.0f ? builtinIr88 : builtinIr96;
        for (int i = 0; i < kBuiltinIrLength; ++i)
        {
            const double y = decimateSecond_.processAntiAliasFilter(decimateFirst_.processAntiAliasFilter(2.0 * table[i]));
            ir[i / 2] = y;
        }
        shortLayout = true;
    }
    else
    {
        const double* table = r < 92000.0f ? builtinIr88 : builtinIr96;
        for (int i = 0; i < kBuiltinIrLength; ++i)
            ir[i] = table[i];
        shortLayout = false;
    }
    shortLayout_.store(shortLayout, std::memory_order_relaxed);
    engine_.publish(shortLayout);
}
