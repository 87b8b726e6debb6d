// The VST3 module's entry points: the factory, and the load and unload calls
// Linux hosts make around it (nothing to set up: the engines are per instance).
#include "plugin/vst3/ZorvanVst3Factory.h"

extern "C" {

__attribute__((visibility("default"))) vst3::IPluginFactory* ZV3_API GetPluginFactory()
{
    return &zv3::ZorvanVst3Factory::instance();
}

#if !defined(_WIN32)
__attribute__((visibility("default"))) bool ModuleEntry(void* /*sharedLibraryHandle*/)
{
    return true;
}

__attribute__((visibility("default"))) bool ModuleExit()
{
    return true;
}
#endif

} // extern "C"
