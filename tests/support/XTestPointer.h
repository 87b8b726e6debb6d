// The display's real pointer, moved and pressed through the XTest extension in
// the coordinates of an editor's window, with the editor's idle pumped between
// steps, as a player's mouse would act on an embedded panel. Include after
// gtest (Xlib's macros clash with its templates).
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <unistd.h>

#include <functional>

namespace testhost {

class XTestPointer {
public:
    // pump: one pass of the editor's idle; display: the test's connection (or attach it later).
    XTestPointer(Display* display, std::function<void()> pump) : display(display), pump(std::move(pump)) {}
    void attach(Display* connection) { display = connection; }

    static bool available(Display* display)
    {
        int event, error, major, minor;
        return display && XTestQueryExtension(display, &event, &error, &major, &minor);
    }
    // Coordinates are relative to window from now on.
    void setOrigin(Window window)
    {
        Window unused;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &originX, &originY, &unused);
    }
    void idle(int passes)
    {
        for (int i = 0; i < passes; ++i) {
            XSync(display, False);
            usleep(3000);
            pump();
        }
    }
    void moveTo(int x, int y)
    {
        XTestFakeMotionEvent(display, -1, originX + x, originY + y, CurrentTime);
        idle(2);
    }
    void button(bool down)
    {
        XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
        idle(2);
    }

private:
    Display* display;             // the test's connection
    std::function<void()> pump;   // the editor's idle
    int originX = 0, originY = 0; // the window's top left on the screen
};

} // namespace testhost
