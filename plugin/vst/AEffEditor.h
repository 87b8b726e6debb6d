// Editor base class of the VST 2.4 plug-in model: the plug-in owns one editor,
// the host opens it inside a window of its own and drives it through the dispatcher.
#pragma once

#include "plugin/vst/aeffect.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect = nullptr) : effect(effect) {}
    virtual ~AEffEditor() = default;

    virtual AudioEffect* getEffect() { return effect; }
    // Host UI thread. Answers the window rectangle; false when there is none.
    virtual bool getRect(ERect** rect)
    {
        if (rect)
            *rect = nullptr;
        return false;
    }
    // Host UI thread. On Linux ptr is the X11 window id of the host's parent window.
    virtual bool open(void* ptr)
    {
        systemWindow = ptr;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode& /*keyCode*/) { return false; }
    virtual bool onKeyUp(VstKeyCode& /*keyCode*/) { return false; }
    virtual bool onWheel(float /*distance*/) { return false; }
    virtual bool setKnobMode(int32_t /*val*/) { return false; }

protected:
    AudioEffect* effect;           // the plug-in this editor belongs to
    void* systemWindow = nullptr;  // host's parent window while open
};
