// Counts the calls a processing entry must never make (allocation, file access,
// blocking locks). In builds without sanitizers the test executable defines
// malloc, free, operator new, open, read, pthread_mutex_lock and their kin itself
// and exports them, so the dlopen'ed plug-in binds to them; they count while the
// calling thread is inside a processing call and forward to the C library.
// Sanitizer builds replace the allocator themselves: there the probe is inert.
#pragma once

#include <cstdint>
#include <string>

namespace rtprobe {

enum Call {
    kMalloc,
    kCalloc,
    kRealloc,
    kAlignedAlloc, // memalign, posix_memalign, aligned_alloc
    kFree,
    kNew,
    kDelete,
    kOpen, // open, open64, openat
    kFopen,
    kRead, // read, pread, fread
    kMutexLock,
    kCallKinds
};

struct Counts {
    uint64_t calls[kCallKinds] = {};
    const char* first = nullptr; // the first offending function seen, if any
    uint64_t total() const;
    std::string describe() const;
};

// True when the interposers are linked into this executable.
bool active();

// The calls counted since the last take(), on every thread; the counters restart at zero.
Counts take();

// Marks the calling thread as inside a processing call for its lifetime.
class Scope {
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

// Test hook: bumps the malloc counter as an interposed call would, to prove the
// check fires. Only meaningful when active().
void* probeMalloc(unsigned long size);

} // namespace rtprobe
