// The library's entry point. Hosts look for VSTPluginMain; older ones for main.
#include "plugin/Zorvan.h"

#include <new>

// ELF libraries export what is visible; the Windows DLL what exports.def lists.
#ifdef _WIN32
#define ZORVAN_EXPORT
#else
#define ZORVAN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

ZORVAN_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster)
{
    if (!audioMaster)
        return nullptr;
    // A host that does not answer the version request is not a VST 2 host.
    if (!audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.f))
        return nullptr;
    try {
        Zorvan* effect = new (std::nothrow) Zorvan(audioMaster);
        return effect ? effect->getAeffect() : nullptr;
    } catch (...) {
        // Nothing may escape into the host.
        return nullptr;
    }
}

// The same function under its second export name; a C++ function cannot be called main.
ZORVAN_EXPORT __attribute__((alias("VSTPluginMain"))) AEffect* vstPluginMainAlias(
    audioMasterCallback audioMaster) __asm__("main");

} // extern "C"
