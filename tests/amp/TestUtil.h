#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// Distance in units in the last place between two finite doubles of the same
// sign (ordered integer representation); large for anything else.
inline int64_t ulpDistance(double a, double b)
{
    if (a == b) return 0;
    if (!std::isfinite(a) || !std::isfinite(b)) return std::numeric_limits<int64_t>::max();
    int64_t ia, ib;
    std::memcpy(&ia, &a, sizeof a);
    std::memcpy(&ib, &b, sizeof b);
    if (ia < 0) ia = std::numeric_limits<int64_t>::min() - ia;
    if (ib < 0) ib = std::numeric_limits<int64_t>::min() - ib;
    return ia > ib ? ia - ib : ib - ia;
}

#define EXPECT_ULP(expected, actual, maxUlp) \
    EXPECT_LE(ulpDistance((expected), (actual)), (maxUlp)) \
        << #actual << " = " << std::hexfloat << (actual) << std::defaultfloat << " ("  \
        << (actual) << "), expected " << (expected)
