#include "plugin/lv2/ZorvanLv2Ui.h"

#include "plugin/Identity.h"
#include "plugin/ZorvanProgram.h"
#include "toolkit/CFrame.h"

#include <lv2/atom/util.h>

#include <cstring>

namespace zorvan::lv2 {

namespace {

template <typename T>
const T* findFeature(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i)
        if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0)
            return static_cast<const T*>(features[i]->data);
    return nullptr;
}

// Room for a patch message with the longest path.
constexpr uint32_t kMessageBytes = kMaxPathBytes + 256;

} // namespace

ZorvanLv2Ui* ZorvanLv2Ui::create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                                 const LV2_Feature* const* features)
{
    auto* map = const_cast<LV2_URID_Map*>(findFeature<LV2_URID_Map>(features, LV2_URID__map));
    if (!write || !map)
        return nullptr;
    std::unique_ptr<ZorvanLv2Ui> ui;
    try {
        ui.reset(new ZorvanLv2Ui);
        if (!ui->uris_.map(map))
            return nullptr;
        lv2_atom_forge_init(&ui->forge_, map);
        ui->write_ = write;
        ui->controller_ = controller;
        ui->touch_ = findFeature<LV2UI_Touch>(features, LV2_UI__touch);
        for (int32_t i = 0; i < kNumParams; ++i)
            ui->ports_[i] = portDefault(i);
        ui->gui_ = std::make_unique<zorvanGUI>(ui.get());

        ERect* rect = nullptr;
        ui->gui_->getRect(&rect);
        // The panel goes into the host's window when it offers one; otherwise
        // it waits for show().
        if (void* parent = const_cast<void*>(findFeature<void>(features, LV2_UI__parent))) {
            ui->gui_->open(parent);
            VSTGUI::CFrame* frame = ui->gui_->getFrame();
            void* window = frame ? frame->getSystemWindow() : nullptr;
            if (!window)
                return nullptr;
            if (widget)
                *widget = window;
            if (const auto* resize = findFeature<LV2UI_Resize>(features, LV2_UI__resize))
                resize->ui_resize(resize->handle, rect->right - rect->left, rect->bottom - rect->top);
        } else if (widget) {
            *widget = nullptr;
        }

        // Ask the plug-in which file it holds; its answer names it on the panel.
        uint8_t buffer[kMessageBytes];
        lv2_atom_forge_set_buffer(&ui->forge_, buffer, sizeof buffer);
        if (writeIrPathGet(ui->forge_, ui->uris_))
            ui->sendMessage(buffer);
    } catch (...) {
        return nullptr;
    }
    return ui.release();
}

ZorvanLv2Ui::~ZorvanLv2Ui()
{
    if (gui_)
        gui_->close();
    gui_.reset();
    ownWindow_.reset();
}

void ZorvanLv2Ui::portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    if (!buffer)
        return;
    const int32_t index = portParameter(port);
    if (index >= 0 && format == 0 && size == sizeof(float)) {
        std::memcpy(&ports_[index], buffer, sizeof(float));
        gui_->setParameter(index, portToValue(index, ports_[index]));
        return;
    }
    if (port != kPortNotify || format != uris_.atomEventTransfer || size < sizeof(LV2_Atom))
        return;
    const auto* atom = static_cast<const LV2_Atom*>(buffer);
    if (lv2_atom_total_size(atom) > size)
        return;
    char path[kMaxPathBytes];
    if (copyEnginePath(irPathOfSet(uris_, atom), path, sizeof path)) {
        irPath_ = path;
        gui_->refreshIrName();
    }
}

int ZorvanLv2Ui::idle()
{
    if (ownWindow_ && ownWindow_->closeRequested()) {
        hide();
        return 1;
    }
    gui_->idle();
    return 0;
}

int ZorvanLv2Ui::show()
{
    if (gui_->getFrame())
        return 0; // already showing, in the host's window or in ours
    ERect* rect = nullptr;
    gui_->getRect(&rect);
    ownWindow_ = VSTGUI::X11TopLevelWindow::create(kEffectName, rect->right - rect->left, rect->bottom - rect->top);
    if (!ownWindow_)
        return 1;
    gui_->open(ownWindow_->getSystemWindow());
    return 0;
}

int ZorvanLv2Ui::hide()
{
    if (ownWindow_) {
        gui_->close();
        ownWindow_.reset();
    }
    return 0;
}

float ZorvanLv2Ui::getParameter(int32_t index)
{
    return index >= 0 && index < kNumParams ? portToValue(index, ports_[index]) : 0.0f;
}

void ZorvanLv2Ui::setParameterAutomated(int32_t index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    ports_[index] = valueToPort(index, value);
    write_(controller_, parameterPort(index), sizeof(float), 0, &ports_[index]);
    // The host need not echo our own change: the panel follows at once.
    gui_->setParameter(index, value);
}

bool ZorvanLv2Ui::touch(int32_t index, bool grabbed)
{
    if (index < 0 || index >= kNumParams || !touch_)
        return false;
    touch_->touch(touch_->handle, parameterPort(index), grabbed);
    return true;
}

bool ZorvanLv2Ui::beginEdit(int32_t index)
{
    return touch(index, true);
}

bool ZorvanLv2Ui::endEdit(int32_t index)
{
    return touch(index, false);
}

const char* ZorvanLv2Ui::getIrPath(int program) const
{
    return program >= 0 && program < kNumPrograms ? irPath_.c_str() : nullptr;
}

bool ZorvanLv2Ui::loadIrPath(const char* path)
{
    if (!path || strnlen(path, kIrPathSize) >= kIrPathSize)
        return false;
    uint8_t buffer[kMessageBytes];
    lv2_atom_forge_set_buffer(&forge_, buffer, sizeof buffer);
    if (!writeIrPathSet(forge_, uris_, path))
        return false;
    sendMessage(buffer);
    // The plug-in confirms with a notification; the panel names the file now.
    irPath_ = path;
    return true;
}

void ZorvanLv2Ui::sendMessage(const uint8_t* buffer)
{
    const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer);
    write_(controller_, kPortControl, lv2_atom_total_size(atom), uris_.atomEventTransfer, atom);
}

} // namespace zorvan::lv2
