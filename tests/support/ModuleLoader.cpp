#include "support/ModuleLoader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace testhost {

bool ModuleLoader::load(const std::string& path)
{
    unload();
#ifdef _WIN32
    handle = LoadLibraryA(path.c_str());
    if (!handle)
        lastError = "LoadLibrary failed with error " + std::to_string(GetLastError()) + ": " + path;
#else
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        lastError = why ? why : "dlopen failed";
    }
#endif
    return handle != nullptr;
}

void ModuleLoader::unload()
{
    if (!handle)
        return;
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(handle));
#else
    dlclose(handle);
#endif
    handle = nullptr;
}

void* ModuleLoader::symbol(const char* name) const
{
    if (!handle || !name)
        return nullptr;
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}

} // namespace testhost
