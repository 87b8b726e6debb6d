#include "toolkit/X11TopLevelWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstring>

namespace VSTGUI {

namespace {

class X11TopLevel final : public X11TopLevelWindow {
public:
    X11TopLevel(Display* display, ::Window window, Atom deleteWindow)
        : display(display), window(window), deleteWindow(deleteWindow)
    {
    }
    ~X11TopLevel() override
    {
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }

    void* getSystemWindow() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }

    bool closeRequested() override
    {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && event.xclient.window == window &&
                static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow)
                closing = true;
        }
        return closing;
    }

private:
    Display* display;  // our own connection
    ::Window window;   // the top-level window
    Atom deleteWindow; // WM_DELETE_WINDOW
    bool closing = false;
};

} // namespace

std::unique_ptr<X11TopLevelWindow> X11TopLevelWindow::create(const char* title, int width, int height)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    const int screen = DefaultScreen(display);
    ::Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                          static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                          BlackPixel(display, screen));
    XStoreName(display, window, title ? title : "");
    // The panel has one size: minimum and maximum are both that size.
    XSizeHints* hints = XAllocSizeHints();
    if (hints) {
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = width;
        hints->min_height = hints->max_height = height;
        XSetWMNormalHints(display, window, hints);
        XFree(hints);
    }
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSelectInput(display, window, StructureNotifyMask);
    XMapRaised(display, window);
    XSync(display, False);
    return std::make_unique<X11TopLevel>(display, window, deleteWindow);
}

} // namespace VSTGUI
