// The file side of tests/lv2/ardour/run-ardour-check.sh:
//   lv2-check-tool response OUT.wav   writes the response file the check loads
//   lv2-check-tool join L.wav R.wav OUT.wav  two mono takes as one stereo file
//   lv2-check-tool compare A.wav B.wav  compares two renders sample by sample
// compare prints the frame counts, the first differing frame and the largest
// difference, and exits 0 only when both files hold the same samples bit for bit.
#include "TestResponse.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool readFloats(const char* path, std::vector<float>& samples, SF_INFO& info)
{
    info = {};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (!file) {
        std::fprintf(stderr, "cannot read %s: %s\n", path, sf_strerror(nullptr));
        return false;
    }
    samples.resize(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    return true;
}

int compare(const char* a, const char* b)
{
    std::vector<float> x, y;
    SF_INFO xi, yi;
    if (!readFloats(a, x, xi) || !readFloats(b, y, yi))
        return 2;
    std::printf("%s: %lld frames x %d channels at %d Hz\n", a, static_cast<long long>(xi.frames), xi.channels,
                xi.samplerate);
    std::printf("%s: %lld frames x %d channels at %d Hz\n", b, static_cast<long long>(yi.frames), yi.channels,
                yi.samplerate);
    const long long frames = xi.frames < yi.frames ? xi.frames : yi.frames;
    const int channels = xi.channels < yi.channels ? xi.channels : yi.channels;
    long long firstDiff = -1;
    double largest = 0.0, peak = 0.0;
    for (long long f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) {
            const float p = x[static_cast<size_t>(f * xi.channels + c)];
            const float q = y[static_cast<size_t>(f * yi.channels + c)];
            peak = std::fmax(peak, std::fabs(static_cast<double>(q)));
            if (std::memcmp(&p, &q, sizeof p) != 0) {
                if (firstDiff < 0)
                    firstDiff = f;
                largest = std::fmax(largest, std::fabs(static_cast<double>(p) - static_cast<double>(q)));
            }
        }
    const bool same = firstDiff < 0 && xi.frames == yi.frames && xi.channels == yi.channels && frames > 0;
    std::printf("peak %.6g; %s", peak, same ? "identical, bit for bit\n" : "DIFFERENT: ");
    if (!same)
        std::printf("first differing frame %lld, largest difference %.3g\n", firstDiff, largest);
    return same ? 0 : 1;
}

int join(const char* left, const char* right, const char* out)
{
    std::vector<float> l, r;
    SF_INFO li, ri;
    if (!readFloats(left, l, li) || !readFloats(right, r, ri))
        return 2;
    if (li.channels != 1 || ri.channels != 1 || li.frames != ri.frames) {
        std::fprintf(stderr, "%s and %s are not two mono takes of one length\n", left, right);
        return 2;
    }
    SF_INFO oi = {};
    oi.samplerate = li.samplerate;
    oi.channels = 2;
    oi.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(out, SFM_WRITE, &oi);
    if (!file)
        return 2;
    std::vector<float> both(l.size() * 2);
    for (size_t i = 0; i < l.size(); ++i) {
        both[2 * i] = l[i];
        both[2 * i + 1] = r[i];
    }
    const bool ok = sf_writef_float(file, both.data(), li.frames) == li.frames;
    sf_close(file);
    return ok ? 0 : 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "response") == 0) {
        lv2test::writeResponse(argv[2], 17);
        return 0;
    }
    if (argc == 5 && std::strcmp(argv[1], "join") == 0)
        return join(argv[2], argv[3], argv[4]);
    if (argc == 4 && std::strcmp(argv[1], "compare") == 0)
        return compare(argv[2], argv[3]);
    std::fprintf(stderr, "usage: %s response OUT.wav | join L.wav R.wav OUT.wav | compare A.wav B.wav\n", argv[0]);
    return 2;
}
