// CBitmap's pictures as GDI+ bitmaps over pixel memory of our own
// (premultiplied BGRA, GDI+'s PARGB).
#include "toolkit/CBitmap.h"

#include "toolkit/GdiPlusSession.h"

#include <cstdlib>

namespace VSTGUI {

unsigned char* CBitmap::createSurface(int w, int h, int& stride)
{
    if (!acquireGdiPlus())
        return nullptr;
    stride = w * 4;
    pixels = std::calloc(static_cast<size_t>(stride) * static_cast<size_t>(h), 1);
    if (pixels) {
        // GDI+ objects allocate through GdipAlloc: null on failure, no throw.
        auto* bitmap = new Gdiplus::Bitmap(w, h, stride, PixelFormat32bppPARGB, static_cast<BYTE*>(pixels));
        if (bitmap && bitmap->GetLastStatus() == Gdiplus::Ok) {
            surface = bitmap;
            return static_cast<unsigned char*>(pixels);
        }
        delete bitmap;
        std::free(pixels);
        pixels = nullptr;
    }
    releaseGdiPlus();
    return nullptr;
}

// GDI+ reads our memory directly: nothing to hand over.
void CBitmap::finishSurface() {}

void CBitmap::destroySurface()
{
    if (!surface)
        return;
    delete surface;
    surface = nullptr;
    std::free(pixels);
    pixels = nullptr;
    releaseGdiPlus();
}

} // namespace VSTGUI
