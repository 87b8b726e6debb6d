// CBitmap's pictures as cairo image surfaces.
#include "toolkit/CBitmap.h"

#include <cairo.h>

namespace VSTGUI {

unsigned char* CBitmap::createSurface(int w, int h, int& stride)
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    cairo_surface_flush(s);
    surface = s;
    stride = cairo_image_surface_get_stride(s);
    return cairo_image_surface_get_data(s);
}

void CBitmap::finishSurface()
{
    cairo_surface_mark_dirty(surface);
}

void CBitmap::destroySurface()
{
    if (surface)
        cairo_surface_destroy(surface);
    surface = nullptr;
}

} // namespace VSTGUI
