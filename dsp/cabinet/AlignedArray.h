#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef _WIN32
#include <malloc.h>
#endif


// Zeroed double arrays on 64-byte boundaries: whole cache lines for the
// spectra, and the alignment the FFT plans were made with, so transforms run
// on the caller's arrays without a copy.
inline double* allocAligned(size_t count)
{
    size_t bytes = (count * sizeof(double) + 63) & ~static_cast<size_t>(63);
    if (bytes == 0)
        bytes = 64;
#ifdef _WIN32
    void* p = _aligned_malloc(bytes, 64); // the Windows C runtime has no aligned_alloc
#else
    void* p = std::aligned_alloc(64, bytes);
#endif
    if (p == nullptr)
        throw std::bad_alloc();
    std::memset(p, 0, bytes);
    return static_cast<double*>(p);
}

inline void freeAligned(double* p)
{
#ifdef _WIN32
    _aligned_free(p);
#else
    std::free(p);
#endif
}

