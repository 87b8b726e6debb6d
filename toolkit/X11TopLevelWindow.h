// A top-level window of our own, for hosts that want the plug-in to show its
// panel in a window of its own instead of embedding it in one of theirs. The
// panel then opens inside it as it would inside a host's window.
//
// Threads: created, pumped and destroyed on the host's user-interface thread.
#pragma once

#include <memory>

namespace VSTGUI {

class X11TopLevelWindow {
public:
    // A mapped window of width x height titled title on the default display,
    // not resizable; null when no display can be opened.
    static std::unique_ptr<X11TopLevelWindow> create(const char* title, int width, int height);
    virtual ~X11TopLevelWindow() = default;

    // The X11 Window id, to open the panel in.
    virtual void* getSystemWindow() const = 0;
    // Handles the window's pending events; true once the user has asked the
    // window manager to close it.
    virtual bool closeRequested() = 0;
};

} // namespace VSTGUI
