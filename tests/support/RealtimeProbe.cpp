#include "RealtimeProbe.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>

#ifdef ZORVAN_RT_PROBE
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#endif

namespace rtprobe {
namespace {

// Constant-initialised, so reading it from inside malloc never allocates.
thread_local bool tInsideProcess = false;

std::atomic<uint64_t> gCounts[kCallKinds];
std::atomic<const char*> gFirst{nullptr};

const char* const kNames[kCallKinds] = {"malloc", "calloc", "realloc", "aligned alloc",     "free", "new", "delete",
                                        "open",   "fopen",  "read",    "pthread_mutex_lock"};

inline void note(Call call, const char* name)
{
    if (!tInsideProcess)
        return;
    gCounts[call].fetch_add(1, std::memory_order_relaxed);
    const char* expected = nullptr;
    gFirst.compare_exchange_strong(expected, name, std::memory_order_relaxed);
}

} // namespace

uint64_t Counts::total() const
{
    uint64_t sum = 0;
    for (uint64_t c : calls)
        sum += c;
    return sum;
}

std::string Counts::describe() const
{
    std::string text;
    for (int i = 0; i < kCallKinds; ++i) {
        if (!calls[i])
            continue;
        if (!text.empty())
            text += ", ";
        text += std::string(kNames[i]) + " x" + std::to_string(calls[i]);
    }
    if (first)
        text += std::string(" (first: ") + first + ")";
    return text.empty() ? "none" : text;
}

bool active()
{
#ifdef ZORVAN_RT_PROBE
    return true;
#else
    return false;
#endif
}

Counts take()
{
    Counts c;
    for (int i = 0; i < kCallKinds; ++i)
        c.calls[i] = gCounts[i].exchange(0, std::memory_order_relaxed);
    c.first = gFirst.exchange(nullptr, std::memory_order_relaxed);
    return c;
}

Scope::Scope()
{
    tInsideProcess = true;
}
Scope::~Scope()
{
    tInsideProcess = false;
}

void* probeMalloc(unsigned long size)
{
    return std::malloc(size);
}

} // namespace rtprobe

#ifdef ZORVAN_RT_PROBE

// ---------------------------------------------------------------------------
// The interposers. The project builds with hidden visibility, so each is made
// visible explicitly; the executable links with -rdynamic so that the plug-in's
// references bind here.

#define RTPROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using MallocFn = void* (*)(size_t);
using CallocFn = void* (*)(size_t, size_t);
using ReallocFn = void* (*)(void*, size_t);
using FreeFn = void (*)(void*);
using MemalignFn = void* (*)(size_t, size_t);
using PosixMemalignFn = int (*)(void**, size_t, size_t);
using OpenFn = int (*)(const char*, int, ...);
using OpenatFn = int (*)(int, const char*, int, ...);
using FopenFn = FILE* (*)(const char*, const char*);
using ReadFn = ssize_t (*)(int, void*, size_t);
using PreadFn = ssize_t (*)(int, void*, size_t, off_t);
using FreadFn = size_t (*)(void*, size_t, size_t, FILE*);
using MutexLockFn = int (*)(pthread_mutex_t*);

struct Real {
    MallocFn malloc;
    CallocFn calloc;
    ReallocFn realloc;
    FreeFn free;
    MemalignFn memalign;
    MemalignFn alignedAlloc;
    PosixMemalignFn posixMemalign;
    OpenFn open;
    OpenFn open64;
    OpenatFn openat;
    FopenFn fopen;
    FopenFn fopen64;
    ReadFn read;
    PreadFn pread;
    PreadFn pread64;
    FreadFn fread;
    MutexLockFn mutexLock;
};

Real gReal;
std::atomic<int> gResolved{0}; // 0 not yet, 1 resolving, 2 done

// dlsym may allocate while the real allocator is not yet known; those few
// requests are served from here and never freed.
alignas(16) unsigned char gBootstrap[16384];
size_t gBootstrapUsed = 0;

bool fromBootstrap(void* p)
{
    auto* c = static_cast<unsigned char*>(p);
    return c >= gBootstrap && c < gBootstrap + sizeof(gBootstrap);
}

void* bootstrapAlloc(size_t n)
{
    size_t rounded = (n + 15) & ~size_t(15);
    if (gBootstrapUsed + rounded > sizeof(gBootstrap))
        return nullptr;
    void* p = gBootstrap + gBootstrapUsed;
    gBootstrapUsed += rounded;
    return p; // static storage is already zero, as calloc promises
}

template <typename Fn>
Fn next(const char* name)
{
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

void resolve()
{
    int expected = 0;
    if (!gResolved.compare_exchange_strong(expected, 1))
        return;
    gReal.malloc = next<MallocFn>("malloc");
    gReal.calloc = next<CallocFn>("calloc");
    gReal.realloc = next<ReallocFn>("realloc");
    gReal.free = next<FreeFn>("free");
    gReal.memalign = next<MemalignFn>("memalign");
    gReal.alignedAlloc = next<MemalignFn>("aligned_alloc");
    gReal.posixMemalign = next<PosixMemalignFn>("posix_memalign");
    gReal.open = next<OpenFn>("open");
    gReal.open64 = next<OpenFn>("open64");
    gReal.openat = next<OpenatFn>("openat");
    gReal.fopen = next<FopenFn>("fopen");
    gReal.fopen64 = next<FopenFn>("fopen64");
    gReal.read = next<ReadFn>("read");
    gReal.pread = next<PreadFn>("pread");
    gReal.pread64 = next<PreadFn>("pread64");
    gReal.fread = next<FreadFn>("fread");
    gReal.mutexLock = next<MutexLockFn>("pthread_mutex_lock");
    gResolved.store(2);
}

inline bool ready()
{
    if (gResolved.load(std::memory_order_acquire) == 2)
        return true;
    resolve();
    return gResolved.load(std::memory_order_acquire) == 2;
}

__attribute__((constructor)) void resolveEarly()
{
    resolve();
}

void* realMalloc(size_t n)
{
    return ready() ? gReal.malloc(n) : bootstrapAlloc(n);
}

void realFree(void* p)
{
    if (!p || fromBootstrap(p))
        return;
    if (ready())
        gReal.free(p);
}

void* realAligned(size_t alignment, size_t n)
{
    if (!ready())
        return nullptr;
    return gReal.memalign(alignment, n);
}

mode_t modeArgument(int flags, va_list args)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

} // namespace

using rtprobe::note;

RTPROBE_EXPORT void* malloc(size_t n)
{
    note(rtprobe::kMalloc, "malloc");
    return realMalloc(n);
}

RTPROBE_EXPORT void* calloc(size_t count, size_t n)
{
    if (!ready())
        return bootstrapAlloc(count * n);
    note(rtprobe::kCalloc, "calloc");
    return gReal.calloc(count, n);
}

RTPROBE_EXPORT void* realloc(void* p, size_t n)
{
    note(rtprobe::kRealloc, "realloc");
    if (p && fromBootstrap(p)) {
        // A bootstrap block never grew, so copying what is left of the buffer is enough.
        void* q = realMalloc(n);
        size_t left = static_cast<size_t>(gBootstrap + sizeof(gBootstrap) - static_cast<unsigned char*>(p));
        if (q)
            __builtin_memcpy(q, p, n < left ? n : left);
        return q;
    }
    return ready() ? gReal.realloc(p, n) : nullptr;
}

RTPROBE_EXPORT void free(void* p)
{
    note(rtprobe::kFree, "free");
    realFree(p);
}

RTPROBE_EXPORT void* memalign(size_t alignment, size_t n)
{
    note(rtprobe::kAlignedAlloc, "memalign");
    return realAligned(alignment, n);
}

RTPROBE_EXPORT void* aligned_alloc(size_t alignment, size_t n)
{
    note(rtprobe::kAlignedAlloc, "aligned_alloc");
    return ready() ? gReal.alignedAlloc(alignment, n) : nullptr;
}

RTPROBE_EXPORT int posix_memalign(void** out, size_t alignment, size_t n)
{
    note(rtprobe::kAlignedAlloc, "posix_memalign");
    return ready() ? gReal.posixMemalign(out, alignment, n) : 12; // ENOMEM
}

RTPROBE_EXPORT int open(const char* path, int flags, ...)
{
    note(rtprobe::kOpen, "open");
    va_list args;
    va_start(args, flags);
    mode_t mode = modeArgument(flags, args);
    va_end(args);
    return ready() ? gReal.open(path, flags, mode) : -1;
}

RTPROBE_EXPORT int open64(const char* path, int flags, ...)
{
    note(rtprobe::kOpen, "open64");
    va_list args;
    va_start(args, flags);
    mode_t mode = modeArgument(flags, args);
    va_end(args);
    return ready() ? gReal.open64(path, flags, mode) : -1;
}

RTPROBE_EXPORT int openat(int dir, const char* path, int flags, ...)
{
    note(rtprobe::kOpen, "openat");
    va_list args;
    va_start(args, flags);
    mode_t mode = modeArgument(flags, args);
    va_end(args);
    return ready() ? gReal.openat(dir, path, flags, mode) : -1;
}

RTPROBE_EXPORT FILE* fopen(const char* path, const char* mode)
{
    note(rtprobe::kFopen, "fopen");
    return ready() ? gReal.fopen(path, mode) : nullptr;
}

RTPROBE_EXPORT FILE* fopen64(const char* path, const char* mode)
{
    note(rtprobe::kFopen, "fopen64");
    return ready() ? gReal.fopen64(path, mode) : nullptr;
}

RTPROBE_EXPORT ssize_t read(int fd, void* buffer, size_t n)
{
    note(rtprobe::kRead, "read");
    return ready() ? gReal.read(fd, buffer, n) : -1;
}

RTPROBE_EXPORT ssize_t pread(int fd, void* buffer, size_t n, off_t offset)
{
    note(rtprobe::kRead, "pread");
    return ready() ? gReal.pread(fd, buffer, n, offset) : -1;
}

RTPROBE_EXPORT ssize_t pread64(int fd, void* buffer, size_t n, off_t offset)
{
    note(rtprobe::kRead, "pread64");
    return ready() ? gReal.pread64(fd, buffer, n, offset) : -1;
}

RTPROBE_EXPORT size_t fread(void* buffer, size_t size, size_t count, FILE* file)
{
    note(rtprobe::kRead, "fread");
    return ready() ? gReal.fread(buffer, size, count, file) : 0;
}

RTPROBE_EXPORT int pthread_mutex_lock(pthread_mutex_t* mutex)
{
    note(rtprobe::kMutexLock, "pthread_mutex_lock");
    return ready() ? gReal.mutexLock(mutex) : 0;
}

// The replaceable global allocation functions, counted apart from malloc so the
// report says which one the plug-in used.

void* operator new(size_t n)
{
    note(rtprobe::kNew, "operator new");
    void* p = realMalloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void* operator new[](size_t n)
{
    note(rtprobe::kNew, "operator new[]");
    void* p = realMalloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void* operator new(size_t n, const std::nothrow_t&) noexcept
{
    note(rtprobe::kNew, "operator new (nothrow)");
    return realMalloc(n ? n : 1);
}

void* operator new[](size_t n, const std::nothrow_t&) noexcept
{
    note(rtprobe::kNew, "operator new[] (nothrow)");
    return realMalloc(n ? n : 1);
}

void* operator new(size_t n, std::align_val_t a)
{
    note(rtprobe::kNew, "operator new (aligned)");
    void* p = realAligned(static_cast<size_t>(a), n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void* operator new[](size_t n, std::align_val_t a)
{
    note(rtprobe::kNew, "operator new[] (aligned)");
    void* p = realAligned(static_cast<size_t>(a), n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void operator delete(void* p) noexcept
{
    note(rtprobe::kDelete, "operator delete");
    realFree(p);
}

void operator delete[](void* p) noexcept
{
    note(rtprobe::kDelete, "operator delete[]");
    realFree(p);
}

void operator delete(void* p, size_t) noexcept
{
    note(rtprobe::kDelete, "operator delete (sized)");
    realFree(p);
}

void operator delete[](void* p, size_t) noexcept
{
    note(rtprobe::kDelete, "operator delete[] (sized)");
    realFree(p);
}

void operator delete(void* p, std::align_val_t) noexcept
{
    note(rtprobe::kDelete, "operator delete (aligned)");
    realFree(p);
}

void operator delete[](void* p, std::align_val_t) noexcept
{
    note(rtprobe::kDelete, "operator delete[] (aligned)");
    realFree(p);
}

void operator delete(void* p, size_t, std::align_val_t) noexcept
{
    note(rtprobe::kDelete, "operator delete (sized, aligned)");
    realFree(p);
}

void operator delete[](void* p, size_t, std::align_val_t) noexcept
{
    note(rtprobe::kDelete, "operator delete[] (sized, aligned)");
    realFree(p);
}

#endif // ZORVAN_RT_PROBE
