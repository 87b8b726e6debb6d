#include "toolkit/CBitmap.h"

#include "toolkit/Resources.h"

#include <cairo.h>
#include <png.h>

#include <atomic>
#include <cstring>

namespace VSTGUI {

namespace {
std::atomic<int32_t> gLiveBitmaps{0};
}

int32_t CBitmap::getLiveCount()
{
    return gLiveBitmaps.load();
}

CBitmap::CBitmap(const char* resourceName)
{
    ++gLiveBitmaps;
    if (const EmbeddedResource* res = findEmbeddedResource(resourceName))
        decode(res->data, res->size);
}

CBitmap::CBitmap(const unsigned char* pngData, size_t size)
{
    ++gLiveBitmaps;
    decode(pngData, size);
}

CBitmap::~CBitmap()
{
    --gLiveBitmaps;
    if (surface)
        cairo_surface_destroy(surface);
}

void CBitmap::decode(const unsigned char* pngData, size_t size)
{
    if (!pngData || size == 0)
        return;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, pngData, size))
        return;
    // BGRA in memory is cairo's ARGB32 on a little-endian machine; the
    // premultiplication is done below because cairo expects it.
    image.format = PNG_FORMAT_BGRA;
    const int w = static_cast<int>(image.width);
    const int h = static_cast<int>(image.height);
    if (w <= 0 || h <= 0 || w > 32767 || h > 32767) {
        png_image_free(&image);
        return;
    }
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        png_image_free(&image);
        return;
    }
    cairo_surface_flush(s);
    unsigned char* pixels = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    if (!png_image_finish_read(&image, nullptr, pixels, stride, nullptr)) {
        png_image_free(&image);
        cairo_surface_destroy(s);
        return;
    }
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "BGRA byte order assumes little endian");
    for (int y = 0; y < h; ++y) {
        unsigned char* p = pixels + static_cast<ptrdiff_t>(y) * stride;
        for (int x = 0; x < w; ++x, p += 4) {
            const unsigned a = p[3];
            if (a != 255) {
                p[0] = static_cast<unsigned char>((p[0] * a + 127) / 255);
                p[1] = static_cast<unsigned char>((p[1] * a + 127) / 255);
                p[2] = static_cast<unsigned char>((p[2] * a + 127) / 255);
            }
        }
    }
    cairo_surface_mark_dirty(s);
    surface = s;
    width = w;
    height = h;
}

} // namespace VSTGUI
