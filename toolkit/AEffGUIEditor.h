// The glue between a shell's editor slot and the toolkit: answers the window
// rectangle, lets the frame redraw at idle, passes keys to the frame, holds
// the knob mode shared by all editors and turns the controls' edit gestures
// into the shell's beginEdit / endEdit.
//
// Threads: every operation belongs to the host's user-interface thread, except
// setKnobMode, which only stores an atomic value.
#pragma once

#include "plugin/AEffEditor.h"
#include "plugin/ZorvanEditorLink.h"
#include "toolkit/CFrame.h"

#include <atomic>

class AEffGUIEditor : public AEffEditor, public VSTGUI::VSTGUIEditorInterface {
public:
    // effect is the shell the editor belongs to; the shell attaches the
    // editor to itself once it is constructed.
    explicit AEffGUIEditor(ZorvanEditorLink* effect);
    ~AEffGUIEditor() override;

    bool getRect(ERect** ppRect) override;
    bool open(void* ptr) override;
    void close() override;
    void idle() override;
    bool onKeyDown(VstKeyCode& keyCode) override;
    bool onKeyUp(VstKeyCode& keyCode) override;
    bool setKnobMode(int32_t val) override;

    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;
    int32_t getKnobMode() const override { return knobMode.load(std::memory_order_relaxed); }

    VSTGUI::CFrame* getFrame() const { return frame; }
    // Milliseconds of a monotonic clock.
    static uint32_t getTicks();

protected:
    ZorvanEditorLink* effect;         // the shell this editor belongs to
    ERect rect{};                     // window rectangle answered to the host
    VSTGUI::CFrame* frame = nullptr;  // the panel while the window is open
    uint32_t lastTicks;               // clock at construction
    bool inIdleStuff = false;         // inside idle: nested calls do nothing

private:
    static std::atomic<int32_t> knobMode; // one mode for every editor of the module
};
