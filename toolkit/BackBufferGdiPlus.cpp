// The back buffer on Windows: a top-down 32-bit DIB section, so GDI can copy
// it to the window, with a GDI+ bitmap over the same pixels to draw into.
#include "toolkit/BackBuffer.h"

#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"
#include "toolkit/GdiPlusSession.h"

namespace VSTGUI {

CBackBuffer::CBackBuffer(int width, int height)
{
    if (!acquireGdiPlus())
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows, as GDI+ lays them out
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib && bits) {
        // GDI+ objects allocate through GdipAlloc: null on failure, no throw.
        auto* bitmap = new Gdiplus::Bitmap(width, height, width * 4, PixelFormat32bppRGB, static_cast<BYTE*>(bits));
        if (bitmap && bitmap->GetLastStatus() == Gdiplus::Ok) {
            surface = bitmap;
            systemBitmap = dib;
            pixels = bits;
            return;
        }
        delete bitmap;
    }
    if (dib)
        DeleteObject(dib);
    releaseGdiPlus();
}

CBackBuffer::~CBackBuffer()
{
    if (!surface)
        return;
    delete surface;
    DeleteObject(static_cast<HBITMAP>(systemBitmap));
    releaseGdiPlus();
}

void CBackBuffer::redraw(CFrame& frame, const CRect& area)
{
    if (!surface)
        return;
    Gdiplus::Graphics graphics(surface);
    GdiPlusContext native{&graphics, {}};
    CDrawContext context(&native);
    frame.drawArea(&context, area);
    graphics.Flush(Gdiplus::FlushIntentionSync);
}

} // namespace VSTGUI
