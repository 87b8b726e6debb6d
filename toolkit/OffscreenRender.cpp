#include "toolkit/OffscreenRender.h"

#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

#include <cairo.h>

namespace VSTGUI {

cairo_surface_t* renderFrame(CFrame& frame)
{
    const CRect size = frame.getViewSize();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, size.width() > 0 ? size.width() : 1,
                                                          size.height() > 0 ? size.height() : 1);
    cairo_t* cr = cairo_create(surface);
    CDrawContext context(cr);
    frame.drawArea(&context, CRect(0, 0, size.width(), size.height()));
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}

bool writeFramePng(CFrame& frame, const char* path)
{
    cairo_surface_t* surface = renderFrame(frame);
    const bool ok = cairo_surface_write_to_png(surface, path) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

} // namespace VSTGUI
