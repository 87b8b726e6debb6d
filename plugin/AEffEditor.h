// The editor as every plug-in shell drives it: the shell owns one editor and
// opens it inside a window of the host's. Nothing here belongs to one plug-in
// format; the panel reaches its shell through ZorvanEditorLink.
#pragma once

#include "plugin/EditorTypes.h"

class AEffEditor {
public:
    AEffEditor() = default;
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    // Host UI thread. Answers the window rectangle; false when there is none.
    virtual bool getRect(ERect** rect)
    {
        if (rect)
            *rect = nullptr;
        return false;
    }
    // Host UI thread. ptr is the system's handle of the host's parent window
    // (an X11 Window id on Linux).
    virtual bool open(void* ptr)
    {
        systemWindow = ptr;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() { }
    virtual bool onKeyDown(VstKeyCode& /*keyCode*/) { return false; }
    virtual bool onKeyUp(VstKeyCode& /*keyCode*/) { return false; }
    virtual bool onWheel(float /*distance*/) { return false; }
    virtual bool setKnobMode(int32_t /*val*/) { return false; }

protected:
    void* systemWindow = nullptr; // host's parent window while open
};
