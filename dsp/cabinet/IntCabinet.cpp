#include "dsp/cabinet/IntCabinet.h"

#include "dsp/cabinet/BuiltinIr.h"


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
    engine_.publishResponse([&](double* ir) {
        const float rebuildRate = 2.0f * hostRate;
        decimateFirst_.sampleRate = rebuildRate;
        decimateFirst_.designAntiAliasFilter();
        decimateSecond_.sampleRate = rebuildRate;
        decimateSecond_.designAntiAliasFilter();
        sampleRate_.store(hostRate, std::memory_order_relaxed);
        return rebuildInto(ir);
    });
}

void IntCabinet::rebuildImpulse()
{
    engine_.publishResponse([&](double* ir) { return rebuildInto(ir); });
}

bool IntCabinet::rebuildInto(double* ir)
{
    const float r = sampleRate_.load(std::memory_order_relaxed);
    bool shortLayout;
    if (r < 68000.0f)
    {
        // Halve the 88200/96000 Hz table: band-limit at twice the host rate
        // and keep every odd sample. The decimation filters are not cleared
        // between rebuilds: each rebuild starts from the histories the
        // previous one left.
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
    return shortLayout;
}
