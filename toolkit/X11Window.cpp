// The X11 back-end: a child window inside the host's window, on a display
// connection of its own, showing the frame's back buffer (a cairo image) with
// plain XPutImage. cairo's own X11 surfaces are not used: they swap the
// process-wide X error handler around some requests, which races with other
// threads (the host's, or a second editor's) and can leave the wrong handler
// installed.
//
// Threads: created, pumped and destroyed on the host's user-interface thread;
// the connection is used by no other thread, so XInitThreads is not needed.
#include "toolkit/BackBuffer.h"
#include "toolkit/CFrame.h"
#include "toolkit/PlatformWindow.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <cstring>
#include <vector>

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
    X11Window(Display* display, ::Window window, Visual* visual, int depth)
        : display(display), window(window), visual(visual), depth(depth)
    {
        XErrorTrap trap(display);
        gc = XCreateGC(display, window, 0, nullptr);
    }

    ~X11Window() override
    {
        {
            XErrorTrap trap(display);
            XFreeGC(display, gc);
            if (!gone)
                XDestroyWindow(display, window);
        }
        XCloseDisplay(display);
    }

    void* getSystemWindow() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }
    int getEventFd() const override { return ConnectionNumber(display); }

    void present(CBackBuffer& back, const CRect& area) override
    {
        cairo_surface_t* backBuffer = back.getSurface();
        const cairo_format_t format = cairo_image_surface_get_format(backBuffer);
        if (gone || (format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32))
            return;
        cairo_surface_flush(backBuffer);
        const int width = cairo_image_surface_get_width(backBuffer);
        const int height = cairo_image_surface_get_height(backBuffer);
        const int stride = cairo_image_surface_get_stride(backBuffer);
        unsigned char* pixels = cairo_image_surface_get_data(backBuffer);
        CRect r = area;
        r.bound(CRect(0, 0, width, height));
        if (!pixels || r.isEmpty())
            return;

        XErrorTrap trap(display);
        // The back buffer's words are 0xAARRGGBB in the machine's byte order:
        // the layout of the common 24- and 32-bit true-colour visuals.
        XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                                     reinterpret_cast<char*>(pixels), static_cast<unsigned>(width),
                                     static_cast<unsigned>(height), 32, stride);
        if (!image)
            return;
        const uint32_t one = 1;
        image->byte_order = *reinterpret_cast<const unsigned char*>(&one) ? LSBFirst : MSBFirst;
        const bool direct = depth == 24 && image->bits_per_pixel == 32 && image->red_mask == 0xff0000 &&
            image->green_mask == 0xff00 && image->blue_mask == 0xff;
        const int x = static_cast<int>(r.left), y = static_cast<int>(r.top);
        const unsigned w = static_cast<unsigned>(r.width()), h = static_cast<unsigned>(r.height());
        if (direct) {
            XPutImage(display, window, gc, image, x, y, x, y, w, h);
        } else {
            putConverted(pixels, stride, x, y, w, h);
        }
        image->data = nullptr; // the pixels stay the back buffer's
        XDestroyImage(image);
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

    // Any other visual: the area's pixels converted one by one into an image
    // of the visual's own format, opaque where the visual has an alpha channel.
    void putConverted(const unsigned char* pixels, int stride, int x, int y, unsigned w, unsigned h)
    {
        XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr, w, h, 32, 0);
        if (!image)
            return;
        const unsigned long alpha = depth == 32
            ? 0xffffffffUL & ~(image->red_mask | image->green_mask | image->blue_mask)
            : 0;
        std::vector<char> data(static_cast<size_t>(image->bytes_per_line) * h);
        image->data = data.data();
        for (unsigned row = 0; row < h; ++row) {
            const auto* line =
                reinterpret_cast<const uint32_t*>(pixels + static_cast<size_t>(y + static_cast<int>(row)) * stride) + x;
            for (unsigned col = 0; col < w; ++col) {
                const uint32_t p = line[col];
                XPutPixel(image, static_cast<int>(col), static_cast<int>(row),
                          alpha | scaleToMask((p >> 16) & 0xff, image->red_mask) |
                              scaleToMask((p >> 8) & 0xff, image->green_mask) |
                              scaleToMask(p & 0xff, image->blue_mask));
            }
        }
        XPutImage(display, window, gc, image, 0, 0, x, y, w, h);
        image->data = nullptr;
        XDestroyImage(image);
    }

    // An 8-bit channel value placed in a visual's channel mask.
    static unsigned long scaleToMask(uint32_t value, unsigned long mask)
    {
        if (!mask)
            return 0;
        int shift = 0;
        while (!((mask >> shift) & 1))
            ++shift;
        const unsigned long top = mask >> shift; // largest value of the channel
        return ((static_cast<unsigned long>(value) * top + 127) / 255) << shift;
    }

    Display* display;  // our own connection
    ::Window window;   // the child window
    Visual* visual;    // its visual, the parent's
    int depth;         // its depth, the parent's
    GC gc;             // for the image transfers
    bool gone = false; // the window no longer exists
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
    return std::make_unique<X11Window>(display, window, parentAttributes.visual, parentAttributes.depth);
}

const WindowSystem kWindowSystem = WindowSystem::X11;

std::unique_ptr<IPlatformWindow> createPlatformWindow(void* parent, int width, int height, CFrame&)
{
    return createX11Window(parent, width, height);
}

// X11 needs nothing per thread: each window has its own display connection.
void initEditorThread() {}
void exitEditorThread() {}

uint64_t currentThreadId()
{
    return static_cast<uint64_t>(syscall(SYS_gettid));
}

} // namespace VSTGUI
