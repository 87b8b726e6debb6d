// The X11 back-end: a child window inside the host's window, on a display
// connection of its own, drawn with cairo from the frame's back buffer.
//
// Threads: created, pumped and destroyed on the host's user-interface thread;
// the connection is used by no other thread, so XInitThreads is not needed.
#include "toolkit/CFrame.h"
#include "toolkit/PlatformWindow.h"

#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>

namespace VSTGUI {

namespace {

// Errors of requests on our own connection (for instance when the host
// destroyed its window before closing the editor) must neither end the host's
// process, as Xlib's default handler would, nor pass through the process-wide
// error handler, which belongs to the host and may be swapped by other
// threads. Each connection of ours gets a per-connection hook instead: Xlib
// drops an error whose wire-to-error hook answers False before any handler
// sees it. The process's handler is never touched, so the host's own errors
// reach the host.
struct XErrorTrap;
thread_local XErrorTrap* tActiveTrap = nullptr; // the innermost trap of this thread

Bool dropOurError(Display*, XErrorEvent*, xError*);

void hookOurErrors(Display* display)
{
    for (int code = 1; code < 256; ++code)
        XESetWireToError(display, code, dropOurError);
}

// A scope whose requests' errors are collected: failed() after a sync.
struct XErrorTrap {
    explicit XErrorTrap(Display* display) : display(display), outer(tActiveTrap)
    {
        // Errors of earlier requests on our connection are dropped before the scope starts.
        XSync(display, False);
        tActiveTrap = this;
    }
    ~XErrorTrap()
    {
        XSync(display, False);
        tActiveTrap = outer;
    }
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Whether a request of the scope failed so far (syncs first).
    bool failed()
    {
        XSync(display, False);
        return seen;
    }

    Display* display;  // our connection
    XErrorTrap* outer; // the trap this one is nested in, if any
    bool seen = false; // an error arrived for this connection inside the scope
};

Bool dropOurError(Display* display, XErrorEvent*, xError*)
{
    for (XErrorTrap* trap = tActiveTrap; trap; trap = trap->outer)
        if (trap->display == display) {
            trap->seen = true;
            break;
        }
    return False;
}

int32_t buttonsFromState(unsigned int state)
{
    int32_t buttons = 0;
    if (state & Button1Mask)
        buttons |= kLButton;
    if (state & Button2Mask)
        buttons |= kMButton;
    if (state & Button3Mask)
        buttons |= kRButton;
    if (state & ShiftMask)
        buttons |= kShift;
    if (state & ControlMask)
        buttons |= kControl;
    if (state & Mod1Mask)
        buttons |= kAlt;
    return buttons;
}

int32_t buttonBit(unsigned int button)
{
    switch (button) {
    case Button1:
        return kLButton;
    case Button2:
        return kMButton;
    case Button3:
        return kRButton;
    default:
        return 0;
    }
}

unsigned char modifiersFromState(unsigned int state)
{
    unsigned char m = 0;
    if (state & ShiftMask)
        m |= MODIFIER_SHIFT;
    if (state & Mod1Mask)
        m |= MODIFIER_ALTERNATE;
    if (state & ControlMask)
        m |= MODIFIER_CONTROL;
    return m;
}

bool keyCodeFromEvent(XKeyEvent& event, VstKeyCode& key)
{
    char text[8] = {};
    KeySym sym = NoSymbol;
    const int n = XLookupString(&event, text, sizeof text, &sym, nullptr);
    key.character = 0;
    key.virt = 0;
    key.modifier = modifiersFromState(event.state);
    switch (sym) {
    case XK_Left:
        key.virt = VKEY_LEFT;
        break;
    case XK_Right:
        key.virt = VKEY_RIGHT;
        break;
    case XK_Up:
        key.virt = VKEY_UP;
        break;
    case XK_Down:
        key.virt = VKEY_DOWN;
        break;
    case XK_Escape:
        key.virt = VKEY_ESCAPE;
        break;
    case XK_Return:
        key.virt = VKEY_RETURN;
        break;
    default:
        if (n == 1 && text[0] >= 0x20 && text[0] < 0x7f)
            key.character = text[0];
        else
            return false;
    }
    return true;
}

class X11Window final : public IPlatformWindow {
public:
    X11Window(Display* display, ::Window window, Visual* visual, int width, int height)
        : display(display), window(window)
    {
        XErrorTrap trap(display);
        surface = cairo_xlib_surface_create(display, window, visual, width, height);
    }

    ~X11Window() override
    {
        {
            XErrorTrap trap(display);
            cairo_surface_destroy(surface);
            if (!gone)
                XDestroyWindow(display, window);
        }
        XCloseDisplay(display);
    }

    void* getSystemWindow() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }
    int getEventFd() const override { return ConnectionNumber(display); }

    void present(cairo_surface_t* backBuffer, const CRect& area) override
    {
        if (gone)
            return;
        XErrorTrap trap(display);
        cairo_t* cr = cairo_create(surface);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, backBuffer, 0, 0);
        cairo_rectangle(cr, area.left, area.top, area.width(), area.height());
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
    }

    void pumpEvents(CFrame& frame) override
    {
        XErrorTrap trap(display);
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.xany.window != window)
                continue;
            dispatch(frame, event);
        }
    }

private:
    void dispatch(CFrame& frame, XEvent& event)
    {
        switch (event.type) {
        case DestroyNotify:
            gone = true; // destroyed with the host's window
            break;
        case Expose:
            frame.invalidRect(
                CRect::fromSize(event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height));
            break;
        case ButtonPress: {
            const int32_t bit = buttonBit(event.xbutton.button);
            if (!bit)
                break; // wheel and extra buttons: not used by the panel
            CPoint where(event.xbutton.x, event.xbutton.y);
            int32_t buttons = (buttonsFromState(event.xbutton.state) & ~(kLButton | kMButton | kRButton)) | bit;
            frame.onMouseDown(where, buttons);
            break;
        }
        case ButtonRelease: {
            const int32_t bit = buttonBit(event.xbutton.button);
            if (!bit)
                break;
            CPoint where(event.xbutton.x, event.xbutton.y);
            int32_t buttons = (buttonsFromState(event.xbutton.state) & ~(kLButton | kMButton | kRButton)) | bit;
            frame.onMouseUp(where, buttons);
            break;
        }
        case MotionNotify: {
            // Only the latest position matters while dragging.
            while (XCheckTypedWindowEvent(display, window, MotionNotify, &event)) {}
            CPoint where(event.xmotion.x, event.xmotion.y);
            int32_t buttons = buttonsFromState(event.xmotion.state);
            frame.onMouseMoved(where, buttons);
            break;
        }
        case KeyPress:
        case KeyRelease: {
            VstKeyCode key{};
            if (keyCodeFromEvent(event.xkey, key)) {
                if (event.type == KeyPress)
                    frame.onKeyDown(key);
                else
                    frame.onKeyUp(key);
            }
            break;
        }
        default:
            break;
        }
    }

    Display* display;         // our own connection
    ::Window window;          // the child window
    cairo_surface_t* surface; // cairo's view of the window
    bool gone = false;        // the window no longer exists
};

} // namespace

std::unique_ptr<IPlatformWindow> createX11Window(void* parent, int width, int height)
{
    const ::Window parentWindow = static_cast<::Window>(reinterpret_cast<uintptr_t>(parent));
    if (!parentWindow || width <= 0 || height <= 0)
        return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    hookOurErrors(display);

    XWindowAttributes parentAttributes{};
    ::Window window = 0;
    bool failed = false;
    {
        XErrorTrap trap(display);
        if (XGetWindowAttributes(display, parentWindow, &parentAttributes) != 0 && !trap.failed()) {
            XSetWindowAttributes attributes{};
            attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                KeyPressMask | KeyReleaseMask | StructureNotifyMask;
            attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
            attributes.border_pixel = 0;
            attributes.colormap = parentAttributes.colormap;
            window = XCreateWindow(display, parentWindow, 0, 0, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, parentAttributes.depth, InputOutput,
                                   parentAttributes.visual, CWEventMask | CWBackPixel | CWBorderPixel | CWColormap,
                                   &attributes);
            XMapWindow(display, window);
        }
        failed = trap.failed();
    }
    if (failed || !window) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::make_unique<X11Window>(display, window, parentAttributes.visual, width, height);
}

} // namespace VSTGUI
