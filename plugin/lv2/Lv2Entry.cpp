// The DSP library's entry point: the one plug-in descriptor and the
// extensions (worker, state) that hosts find through extension_data.
#include "plugin/lv2/ZorvanLv2.h"

#include <cstring>

namespace {

using zorvan::lv2::ZorvanLv2;

ZorvanLv2* self(LV2_Handle instance)
{
    return static_cast<ZorvanLv2*>(instance);
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    return ZorvanLv2::create(rate, features);
}

void connectPort(LV2_Handle instance, uint32_t port, void* data)
{
    self(instance)->connectPort(port, data);
}

void activate(LV2_Handle instance)
{
    self(instance)->activate();
}

void run(LV2_Handle instance, uint32_t frames)
{
    self(instance)->run(frames);
}

void deactivate(LV2_Handle instance)
{
    self(instance)->deactivate();
}

void cleanup(LV2_Handle instance)
{
    delete self(instance);
}

LV2_Worker_Status work(LV2_Handle instance, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                       uint32_t size, const void* data)
{
    return self(instance)->work(respond, handle, size, data);
}

LV2_Worker_Status workResponse(LV2_Handle instance, uint32_t size, const void* data)
{
    return self(instance)->workResponse(size, data);
}

LV2_State_Status save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t flags,
                      const LV2_Feature* const* features)
{
    return self(instance)->save(store, handle, flags, features);
}

LV2_State_Status restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         uint32_t flags, const LV2_Feature* const* features)
{
    return self(instance)->restore(retrieve, handle, flags, features);
}

const void* extensionData(const char* uri)
{
    static const LV2_Worker_Interface worker = {work, workResponse, nullptr};
    static const LV2_State_Interface state = {save, restore};
    if (std::strcmp(uri, LV2_WORKER__interface) == 0)
        return &worker;
    if (std::strcmp(uri, LV2_STATE__interface) == 0)
        return &state;
    return nullptr;
}

const LV2_Descriptor kDescriptor = {
    zorvan::lv2::kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
