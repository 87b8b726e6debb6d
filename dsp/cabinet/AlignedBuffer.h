#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

// An owned, zeroed array of doubles on a 64-byte boundary: whole cache lines
// for the spectra, and the alignment the FFT plans were made with, so
// transforms run on the caller's arrays without a copy. Allocation failure
// throws std::bad_alloc from the constructor; the owner's constructor then
// unwinds whatever it had already built.
class AlignedBuffer {
public:
    AlignedBuffer() = default;
    explicit AlignedBuffer(size_t count) : data_(allocate(count)), size_(count) { }

    double* data() { return data_.get(); }
    const double* data() const { return data_.get(); }
    size_t size() const { return size_; }
    operator double*() { return data_.get(); }
    operator const double*() const { return data_.get(); }

    void zero() { std::memset(data_.get(), 0, sizeof(double) * size_); }

private:
    struct Free {
        void operator()(double* p) const { std::free(p); }
    };

    static double* allocate(size_t count)
    {
        size_t bytes = (count * sizeof(double) + 63) & ~static_cast<size_t>(63);
        if (bytes == 0)
            bytes = 64;
        void* p = std::aligned_alloc(64, bytes);
        if (p == nullptr)
            throw std::bad_alloc();
        std::memset(p, 0, bytes);
        return static_cast<double*>(p);
    }

    std::unique_ptr<double, Free> data_; // the array, count doubles (at least one cache line)
    size_t size_ = 0;                    // doubles in use
};
