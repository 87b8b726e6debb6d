// A small response file for the LV2 tests and the Ardour check: decaying noise,
// mono, 16-bit, 3000 samples, the same for the same seed.
#pragma once

#include "support/WavWriter.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace lv2test {

inline void writeResponse(const std::string& path, uint32_t seed)
{
    std::vector<int16_t> samples(3000);
    uint32_t state = seed;
    for (size_t i = 0; i < samples.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const double decay = std::exp(-static_cast<double>(i) / 400.0);
        samples[i] = static_cast<int16_t>(decay * static_cast<double>(static_cast<int32_t>(state >> 16) - 32768) * 0.9);
    }
    if (!testhost::writeFile(path, testhost::wav16(samples, 1)))
        throw std::runtime_error("cannot write " + path);
}

} // namespace lv2test
