// The UI library's entry point: the X11 UI descriptor with its idle and show
// interfaces.
#include "plugin/lv2/ZorvanLv2Ui.h"

#include <cstring>

namespace {

using zorvan::lv2::ZorvanLv2Ui;

ZorvanLv2Ui* self(LV2UI_Handle handle)
{
    return static_cast<ZorvanLv2Ui*>(handle);
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    if (!pluginUri || std::strcmp(pluginUri, zorvan::lv2::kPluginUri) != 0)
        return nullptr;
    return ZorvanLv2Ui::create(write, controller, widget, features);
}

void cleanup(LV2UI_Handle handle)
{
    delete self(handle);
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    self(handle)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle)
{
    return self(handle)->idle();
}

int show(LV2UI_Handle handle)
{
    return self(handle)->show();
}

int hide(LV2UI_Handle handle)
{
    return self(handle)->hide();
}

const void* extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface = {idle};
    static const LV2UI_Show_Interface showInterface = {show, hide};
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0)
        return &idleInterface;
    if (std::strcmp(uri, LV2_UI__showInterface) == 0)
        return &showInterface;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {zorvan::lv2::kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
