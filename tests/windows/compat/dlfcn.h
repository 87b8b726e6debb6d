// The dlopen family for the Windows build of the test hosts that call it
// directly, on LoadLibrary, so that one host source serves both systems.
#pragma once

#include <windows.h>

#include <string>

#define RTLD_LAZY 1
#define RTLD_NOW 2
#define RTLD_LOCAL 0
#define RTLD_GLOBAL 0x100

namespace dlfcncompat {
inline std::string& lastError()
{
    static thread_local std::string text;
    return text;
}
} // namespace dlfcncompat

inline void* dlopen(const char* path, int)
{
    HMODULE module = path ? LoadLibraryA(path) : GetModuleHandleA(nullptr);
    if (!module)
        dlfcncompat::lastError() = "LoadLibrary failed with error " + std::to_string(GetLastError());
    return module;
}

inline void* dlsym(void* handle, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

inline int dlclose(void* handle)
{
    return FreeLibrary(static_cast<HMODULE>(handle)) ? 0 : -1;
}

inline char* dlerror()
{
    std::string& text = dlfcncompat::lastError();
    return text.empty() ? nullptr : &text[0];
}
