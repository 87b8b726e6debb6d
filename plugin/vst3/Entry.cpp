// The VST3 module's entry points: the factory, and the load and unload calls
// hosts make around it (ModuleEntry/ModuleExit on Linux, InitDll/ExitDll on
// Windows). Nothing to set up: the engines are per instance.
#include "plugin/vst3/ZorvanVst3Factory.h"

// ELF modules export what is visible; the Windows DLL what exports.def lists.
#if defined(_WIN32)
#define ZV3_EXPORT
#else
#define ZV3_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

ZV3_EXPORT vst3::IPluginFactory* ZV3_API GetPluginFactory()
{
    return &zv3::ZorvanVst3Factory::instance();
}

#if defined(_WIN32)
bool ZV3_API InitDll()
{
    return true;
}

bool ZV3_API ExitDll()
{
    return true;
}
#else
ZV3_EXPORT bool ModuleEntry(void* /*sharedLibraryHandle*/)
{
    return true;
}

ZV3_EXPORT bool ModuleExit()
{
    return true;
}
#endif

} // extern "C"
