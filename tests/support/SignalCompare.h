// Test signals and their bit-for-bit comparison, for the format tests that
// hold a shell's output against the VST 2.4 library's.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace testhost {

// A sine with noise, reproducible from its seed.
template <typename Sample>
std::vector<Sample> signal(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> noise(-0.3, 0.3);
    std::vector<Sample> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<Sample>(0.4 * std::sin(0.031 * static_cast<double>(i)) + noise(rng));
    return v;
}

// The first index where two signals differ bit for bit, or -1.
template <typename Sample>
long firstDifference(const std::vector<Sample>& a, const std::vector<Sample>& b)
{
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(Sample)) != 0)
            return static_cast<long>(i);
    return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

} // namespace testhost
