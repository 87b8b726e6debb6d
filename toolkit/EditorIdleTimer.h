// A timer of the plug-in's own that idles an open editor, for hosts that
// drive none: VST3 hosts on Windows (their frames hand out no run loop) and
// CLAP hosts without timer-support. On Windows it is a timer of the editor's
// window, delivered by the host's message loop (EditorIdleTimerWin32.cpp).
// An X11 editor can only live on the host's own loop, so there is none
// (EditorIdleTimerX11.cpp).
//
// Threads: the host's user-interface thread, the one that opened the editor.
#pragma once

#include <cstdint>

class AEffGUIEditor;

class EditorIdleTimer {
public:
    // Whether the platform has such a timer.
    static bool available();

    EditorIdleTimer() = default;
    ~EditorIdleTimer() { stop(); }
    EditorIdleTimer(const EditorIdleTimer&) = delete;
    EditorIdleTimer& operator=(const EditorIdleTimer&) = delete;

    // Calls editor.idle() every interval milliseconds until stop(); the
    // editor's window must be open. False when no timer could be made.
    bool start(AEffGUIEditor& editor, uint32_t interval);
    // Ends the calls; call it before the editor's window closes.
    void stop();
    bool running() const { return id != 0; }

private:
    void* window = nullptr; // the editor's window the timer belongs to
    uintptr_t id = 0;       // the system's timer id, 0 while stopped
};
