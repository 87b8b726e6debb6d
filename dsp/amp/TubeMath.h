// exp, log and pow of the tube stages, where the amplifier spends most of its
// time. Builds with ZORVAN_MUSL_MATH take them from musl's libm, built from
// Debian's source package by scripts/build-win-deps.sh (the Windows C
// runtime's own are three to eight times slower); the others from the C library.
#pragma once

#include <cmath>

#if ZORVAN_MUSL_MATH
#include <zorvan_musl_math.h>
#endif

inline double tubeExp(double x)
{
#if ZORVAN_MUSL_MATH
    return zorvan_musl_exp(x);
#else
    return std::exp(x);
#endif
}

inline double tubeLog(double x)
{
#if ZORVAN_MUSL_MATH
    return zorvan_musl_log(x);
#else
    return std::log(x);
#endif
}

inline double tubePow(double x, double y)
{
#if ZORVAN_MUSL_MATH
    return zorvan_musl_pow(x, y);
#else
    return std::pow(x, y);
#endif
}
