#include "plugin/clap/ZorvanClapFactory.h"

#include "plugin/Identity.h"
#include "plugin/clap/ZorvanClap.h"

#include <cstring>
#include <new>

namespace zclap {

namespace {

const char* const kFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_DISTORTION,
                                 CLAP_PLUGIN_FEATURE_STEREO, nullptr};

const clap_plugin_descriptor_t kDescriptor = {
    CLAP_VERSION_INIT,
    kPluginId,
    zorvan::kEffectName,
    zorvan::kVendorString,
    zorvan::kWebAddress,
    "", // no manual
    zorvan::kWebAddress,
    zorvan::kVersionString,
    "Guitar amplifier head and speaker cabinet simulator",
    const_cast<const char**>(kFeatures),
};

uint32_t CLAP_ABI pluginCount(const clap_plugin_factory_t*)
{
    return 1;
}

const clap_plugin_descriptor_t* CLAP_ABI pluginDescriptor(const clap_plugin_factory_t*, uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}

const clap_plugin_t* CLAP_ABI createPlugin(const clap_plugin_factory_t*, const clap_host_t* host, const char* pluginId)
{
    if (!host || !clap_version_is_compatible(host->clap_version) || !pluginId || std::strcmp(pluginId, kPluginId) != 0)
        return nullptr;
    try {
        ZorvanClap* instance = new (std::nothrow) ZorvanClap(host, &kDescriptor);
        return instance ? instance->plugin() : nullptr;
    } catch (...) {
        // Nothing may escape into the host.
        return nullptr;
    }
}

const clap_plugin_factory_t kFactory = {pluginCount, pluginDescriptor, createPlugin};

} // namespace

const clap_plugin_descriptor_t& descriptor()
{
    return kDescriptor;
}

const clap_plugin_factory_t& factory()
{
    return kFactory;
}

// The library keeps no process-wide state, so init and deinit only have to
// be answered, however often a host calls them.
bool entryInit(const char* /*pluginPath*/)
{
    return true;
}

void entryDeinit() {}

const void* entryFactory(const char* factoryId)
{
    return factoryId && std::strcmp(factoryId, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}

} // namespace zclap
