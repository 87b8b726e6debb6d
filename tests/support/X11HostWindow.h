// A host's top-level window on a connection of its own, mapped and waited for,
// for tests that open the editor inside it. display is null without an X
// display (tests then skip).
#pragma once

#include <cstdint>
#include <cstdlib>

// Xlib's macros (None, Bool, Status...) clash with the test framework's
// templates: include this header after gtest.
#include <X11/Xlib.h>

namespace testhost {

class X11HostWindow {
public:
    explicit X11HostWindow(unsigned width = 640, unsigned height = 260)
    {
        const char* name = std::getenv("DISPLAY");
        if (!name || !*name || !keepServer() || !(display = XOpenDisplay(nullptr)))
            return;
        const int screen = DefaultScreen(display);
        window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, width, height, 0,
                                     BlackPixel(display, screen), BlackPixel(display, screen));
        XSelectInput(display, window, StructureNotifyMask);
        XMapRaised(display, window);
        for (XEvent e;;) {
            XNextEvent(display, &e);
            if (e.type == MapNotify && e.xmap.window == window)
                break;
        }
    }
    ~X11HostWindow()
    {
        if (!display)
            return;
        destroy();
        XCloseDisplay(display);
    }
    X11HostWindow(const X11HostWindow&) = delete;
    X11HostWindow& operator=(const X11HostWindow&) = delete;

    // What a host hands to effEditOpen.
    void* handle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }
    // The host closes its window (before or after the editor's close).
    void destroy()
    {
        if (window)
            XDestroyWindow(display, window);
        window = 0;
        XSync(display, False);
    }
    // The editor's window: the host window's only child, or 0.
    Window child() const
    {
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        XQueryTree(display, window, &root, &parent, &children, &n);
        const Window w = n == 1 ? children[0] : 0;
        if (children)
            XFree(children);
        return w;
    }

    Display* display = nullptr;
    Window window = 0;

private:
    // A virtual X server resets when its last client leaves, and refuses
    // connections meanwhile; one connection held for the whole process keeps
    // it from resetting between one test's window and the next.
    static bool keepServer()
    {
        static Display* keeper = XOpenDisplay(nullptr);
        return keeper != nullptr;
    }
};

} // namespace testhost
