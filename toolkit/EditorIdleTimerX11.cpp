// X11 editors are idled by the host's run loop (its timers and the watch on
// the window's connection): no timer of our own.
#include "toolkit/EditorIdleTimer.h"

bool EditorIdleTimer::available()
{
    return false;
}

bool EditorIdleTimer::start(AEffGUIEditor&, uint32_t)
{
    return false;
}

void EditorIdleTimer::stop() {}
