// The LV2 shell of the panel (UI side): the same front panel, embedded in the
// host's window (ui:parent) or shown in a window of its own (ui:showInterface),
// talking to the plug-in only through ports: control values out through the
// host's write function with ui:touch around each gesture, port values and
// the plug-in's notifications in through port events, the file chosen with
// LOAD out as a patch:Set on the control port.
//
// Threads: every entry (instantiate, port events, idle, show, hide, cleanup)
// and the panel's calls come from the host's user-interface thread.
#pragma once

#include "editor/zorvanGUI.h"
#include "plugin/ZorvanEditorLink.h"
#include "plugin/ZorvanProgram.h"
#include "plugin/lv2/Lv2Messages.h"
#include "plugin/lv2/Lv2Ports.h"
#include "toolkit/X11TopLevelWindow.h"

#include <lv2/atom/forge.h>
#include <lv2/ui/ui.h>

#include <memory>
#include <string>

namespace zorvan::lv2 {

class ZorvanLv2Ui final : public ZorvanEditorLink {
public:
    // Null without urid:map, or when the panel cannot open in the given parent.
    static ZorvanLv2Ui* create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                               const LV2_Feature* const* features);
    ~ZorvanLv2Ui();
    ZorvanLv2Ui(const ZorvanLv2Ui&) = delete;
    ZorvanLv2Ui& operator=(const ZorvanLv2Ui&) = delete;

    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
    // 0 while the panel goes on, 1 once the user closed our own window.
    int idle();
    int show();
    int hide();

    // ZorvanEditorLink
    float getParameter(int32_t index) override;
    void setParameterAutomated(int32_t index, float value) override;
    bool beginEdit(int32_t index) override;
    bool endEdit(int32_t index) override;
    int32_t getProgram() override { return 0; } // LV2 knows no programs: one record
    const char* getIrPath(int program) const override;
    bool loadIrPath(const char* path) override;

private:
    ZorvanLv2Ui() = default;
    bool touch(int32_t index, bool grabbed);
    // Writes the forged message in buffer to the control port.
    void sendMessage(const uint8_t* buffer);

    std::unique_ptr<zorvanGUI> gui_;                       // the panel
    std::unique_ptr<VSTGUI::X11TopLevelWindow> ownWindow_; // ours, while shown without a host window
    Lv2Uris uris_;                                         // URIDs of the patch messages
    LV2_Atom_Forge forge_{};                               // writes them
    LV2UI_Write_Function write_ = nullptr;                 // the host's port writer
    LV2UI_Controller controller_ = nullptr;                // its handle
    const LV2UI_Touch* touch_ = nullptr;                   // gesture begin/end, if offered
    float ports_[kNumParams] = {};                         // the control ports as last sent or seen
    std::string irPath_ = kEmptyIrPath;                    // the plug-in's file (engine path)
};

} // namespace zorvan::lv2
