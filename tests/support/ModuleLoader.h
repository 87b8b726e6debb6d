// Loads a plug-in module as a host does: dlopen on Linux, LoadLibrary on
// Windows (ModuleLoader.cpp). The test hosts reach the plug-in through it.
#pragma once

#include <string>

namespace testhost {

class ModuleLoader {
public:
    ModuleLoader() = default;
    // Loads path at once, every symbol bound; see loaded() and error().
    explicit ModuleLoader(const std::string& path) { load(path); }
    ~ModuleLoader() { unload(); }
    ModuleLoader(const ModuleLoader&) = delete;
    ModuleLoader& operator=(const ModuleLoader&) = delete;

    bool load(const std::string& path);
    void unload();
    bool loaded() const { return handle != nullptr; }
    // An exported symbol, or null.
    void* symbol(const char* name) const;
    // Why the last load failed.
    const std::string& error() const { return lastError; }

    // The platform's handle (dlopen handle, HMODULE).
    void* nativeHandle() const { return handle; }

private:
    void* handle = nullptr; // loaded module, or null
    std::string lastError;  // of the last failed load
};

} // namespace testhost
