// The frame's link to a window of the system. The frame always draws into an
// offscreen back buffer; a platform window shows parts of it and feeds the
// window's mouse, key and expose events back to the frame.
#pragma once

#include "toolkit/VSTGUITypes.h"

#include <memory>

typedef struct _cairo_surface cairo_surface_t;

namespace VSTGUI {

class CFrame;

class IPlatformWindow {
public:
    virtual ~IPlatformWindow() = default;
    // The system's handle of the window (an X11 Window id), for dialogs and tests.
    virtual void* getSystemWindow() const = 0;
    // Copies area of the back buffer (frame coordinates) to the window.
    virtual void present(cairo_surface_t* backBuffer, const CRect& area) = 0;
    // Hands every pending event of the window to the frame. UI thread only.
    virtual void pumpEvents(CFrame& frame) = 0;
    // A file descriptor that becomes readable when events wait (for hosts
    // that run the editor from their own event loop), or -1.
    virtual int getEventFd() const { return -1; }
};

// A child window of parent (an X11 Window id) on the default display, mapped.
// Null when no display can be opened or parent is not a usable window.
std::unique_ptr<IPlatformWindow> createX11Window(void* parent, int width, int height);

} // namespace VSTGUI
