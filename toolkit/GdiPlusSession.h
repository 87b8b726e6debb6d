// GDI+ for the Windows back-end: started when the first picture or back buffer
// needs it and shut down after the last one is gone (never inside DllMain,
// where GDI+ must not start), plus the drawing context record behind
// CDrawContext on Windows.
//
// Threads: acquire and release may come from any thread (the plug-in's
// constructor and effClose); drawing belongs to the user-interface thread.
#pragma once

#include <windows.h>
// windows.h first: gdiplus.h builds on its types.
#include <gdiplus.h>

#include <vector>

namespace VSTGUI {

// Starts GDI+ on the first call; true when it is running. Each successful
// call is matched by one releaseGdiPlus.
bool acquireGdiPlus();
void releaseGdiPlus();

// What a CDrawContext draws through on Windows.
struct GdiPlusContext {
    Gdiplus::Graphics* graphics;               // not owned
    std::vector<Gdiplus::GraphicsState> saved; // save() / restore() nesting
};

} // namespace VSTGUI
