// The frame's offscreen picture of the whole panel: views draw into it at
// idle, and the platform window copies changed parts of it to the screen.
// One source per drawing system (BackBufferCairo.cpp, BackBufferGdiPlus.cpp).
//
// Threads: the host's user-interface thread.
#pragma once

#include "toolkit/PlatformTypes.h"
#include "toolkit/VSTGUITypes.h"

namespace VSTGUI {

class CFrame;

class CBackBuffer {
public:
    // width and height of at least 1 pixel.
    CBackBuffer(int width, int height);
    ~CBackBuffer();
    CBackBuffer(const CBackBuffer&) = delete;
    CBackBuffer& operator=(const CBackBuffer&) = delete;

    // Draws area (frame coordinates) of frame's view tree into the buffer.
    void redraw(CFrame& frame, const CRect& area);
    // The picture, opaque 32-bit pixels; owned by the buffer.
    CNativeSurface* getSurface() const { return surface; }
    // Windows: the GDI bitmap sharing the pixels, for copies to the screen.
    void* getSystemBitmap() const { return systemBitmap; }

private:
    CNativeSurface* surface = nullptr; // the drawing system's picture
    void* systemBitmap = nullptr;      // HBITMAP on Windows, else null
    void* pixels = nullptr;            // the pixels when the buffer owns them apart from surface
};

} // namespace VSTGUI
