// Feeds arbitrary bytes as a WAV file to the reader and to the external
// cabinet's loader, then runs the cabinet for a few blocks. Any crash, leak,
// undefined behaviour, or a non-finite output is a finding.
#include "dsp/cabinet/ExtCabinet.h"
#include "dsp/cabinet/WavReader.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

const std::string& scratchPath()
{
    static const std::string path = [] {
        char templ[] = "/tmp/zorvan-fuzz-XXXXXX";
        const int fd = ::mkstemp(templ);
        if (fd >= 0)
            ::close(fd);
        return std::string(templ);
    }();
    return path;
}

ExtCabinet& cabinet()
{
    static ExtCabinet* cab = [] {
        auto* c = new ExtCabinet;
        c->clear();
        return c;
    }();
    return *cab;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = scratchPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return 0;
    if (size > 0)
        std::fwrite(data, 1, size, f);
    std::fclose(f);

    WavReader wav;
    if (wav.readWav(path.c_str()))
    {
        if (wav.sampleCount <= 0 || wav.samples.size() > static_cast<size_t>(2 * WavReader::kDefaultMaxFrames))
            std::abort();
        for (double s : wav.samples)
            if (!std::isfinite(s))
                std::abort();
    }

    ExtCabinet& cab = cabinet();
    // The last byte picks the layout, so both lengths get exercised.
    cab.setSampleRate(size > 0 && (data[size - 1] & 1) ? 96000.0f : 44100.0f);
    cab.loadImpulse(path.c_str());
    double io[160];
    for (int block = 0; block < 3; ++block)
    {
        for (int i = 0; i < 160; ++i)
            io[i] = (i == 0 && block == 0) ? 1.0 : 0.25 * std::sin(0.1 * i);
        cab.process(io, 160);
        for (double v : io)
            if (!std::isfinite(v))
                std::abort();
    }
    // libFuzzer ends with _Exit, so no file is left behind between inputs.
    ::unlink(path.c_str());
    return 0;
}
