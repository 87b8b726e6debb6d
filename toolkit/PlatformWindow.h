// The frame's link to a window of the system. The frame always draws into an
// offscreen back buffer; a platform window shows parts of it and feeds the
// window's mouse, key and expose events back to the frame. One source per
// platform (X11Window.cpp, Win32Window.cpp), chosen by the build.
#pragma once

#include "toolkit/VSTGUITypes.h"

#include <memory>

namespace VSTGUI {

class CBackBuffer;
class CFrame;

class IPlatformWindow {
public:
    virtual ~IPlatformWindow() = default;
    // The system's handle of the window (an X11 Window id, an HWND), for dialogs and tests.
    virtual void* getSystemWindow() const = 0;
    // Copies area of the back buffer (frame coordinates) to the window.
    virtual void present(CBackBuffer& backBuffer, const CRect& area) = 0;
    // Hands every pending event of the window to the frame. UI thread only.
    // (On Windows the host's message loop delivers them instead.)
    virtual void pumpEvents(CFrame& frame) = 0;
    // A file descriptor that becomes readable when events wait (for hosts
    // that run the editor from their own event loop), or -1.
    virtual int getEventFd() const { return -1; }
};

// The window system the platform's windows belong to; it decides what a
// host's parent handle is (an X11 Window id, an HWND) and how formats name it.
enum class WindowSystem { X11, Win32 };
extern const WindowSystem kWindowSystem;

// The platform's child window of parent (the host's window handle) for frame,
// shown; null when it cannot be made.
std::unique_ptr<IPlatformWindow> createPlatformWindow(void* parent, int width, int height, CFrame& frame);

// Per-thread set-up of the system's user-interface services, made by the
// editor base on construction and undone on destruction (OLE on Windows).
void initEditorThread();
void exitEditorThread();

// The system's id of the calling thread, never 0. (std::this_thread::get_id
// would, on Windows, register the thread with the DLL's own winpthreads and
// leave handles behind at every unload.)
uint64_t currentThreadId();

// A child window of parent (an X11 Window id) on the default display, mapped.
// Null when no display can be opened or parent is not a usable window.
std::unique_ptr<IPlatformWindow> createX11Window(void* parent, int width, int height);

} // namespace VSTGUI
