#include "toolkit/BackBuffer.h"

#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

#include <cairo.h>

namespace VSTGUI {

CBackBuffer::CBackBuffer(int width, int height) : surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height))
{
}

CBackBuffer::~CBackBuffer()
{
    cairo_surface_destroy(surface);
}

void CBackBuffer::redraw(CFrame& frame, const CRect& area)
{
    cairo_t* cr = cairo_create(surface);
    CDrawContext context(cr);
    frame.drawArea(&context, area);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
}

} // namespace VSTGUI
