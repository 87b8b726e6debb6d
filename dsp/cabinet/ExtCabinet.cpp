#include "dsp/cabinet/ExtCabinet.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Mono mix, cut to maxLength, and the Hamming window centred on the loudest
// sample; returns the number of samples kept.
int buildResponse(const WavReader& wav, int maxLength, double* ir)
{
    int n;
    if (wav.numChannels == 1)
    {
        n = wav.sampleCount < maxLength ? wav.sampleCount : maxLength;
        for (int i = 0; i < n; ++i)
            ir[i] = wav.samples[static_cast<size_t>(i)];
    }
    else
    {
        // Consecutive pairs as they stand in the file, whatever the channel count.
        const int frames = wav.sampleCount / 2;
        n = frames < maxLength ? frames : maxLength;
        const int64_t stored = static_cast<int64_t>(wav.samples.size());
        for (int j = 0; j < n; ++j)
        {
            const int64_t li = 2 * static_cast<int64_t>(j);
            const double L = li < stored ? wav.samples[static_cast<size_t>(li)] : 0.0;
            const double R = li + 1 < stored ? wav.samples[static_cast<size_t>(li + 1)] : 0.0;
            ir[j] = (R + L) * 0.5;
        }
    }

    int p = 0;
    double peak = 0.0;
    for (int i = 0; i < n; ++i)
    {
        const double a = std::fabs(ir[i]);
        if (a > peak)
        {
            peak = a;
            p = i;
        }
    }

    // Hamming window of length 2(n - p) - 1 centred on the peak. With the peak
    // on the last kept sample (n = 1 included) the window has no length:
    // the response is then left unwindowed.
    const int den = 2 * n - 2 * p - 2;
    if (n > 0 && den != 0)
    {
        const double d = static_cast<double>(den);
        for (int i = 0; i < n; ++i)
        {
            const double num = static_cast<double>(i + n - 2 * p - 1);
            const double w = 0.54 - 0.46 * std::cos(num * 6.283185307179586 / d);
            ir[i] *= w;
        }
    }
    return n;
}

} // namespace

ExtCabinet::ExtCabinet() : engine_(kMaxIrLength, 512, 1024), sampleRate_(44100.0f), shortLayout_(true) {}

void ExtCabinet::clear()
{
    engine_.requestClear();
}

void ExtCabinet::setSampleRate(float r)
{
    sampleRate_.store(r, std::memory_order_relaxed);
    shortLayout_.store(r <= 68000.0f, std::memory_order_relaxed);
}

bool ExtCabinet::loadImpulse(const char* path)
{
    bool loaded = false;
    engine_.publishResponse([&](double* ir) {
        // One reading of the layout serves the whole load.
        const bool shortLayout = shortLayout_.load(std::memory_order_relaxed);
        const int maxLength = shortLayout ? kShortIrLength : kMaxIrLength;
        if (path != nullptr && std::strcmp(path, "empty") != 0 && reader_.readWav(path, maxLength))
        {
            buildResponse(reader_, maxLength, ir);
            reader_.releaseSamples();
            loaded = true;
        }
        return shortLayout;
    });
    return loaded;
}
