#include "toolkit/CBitmap.h"

#include "toolkit/Resources.h"

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
    const unsigned char* data = nullptr;
    size_t size = 0;
    if (findPictureResource(resourceName, data, size))
        decode(data, size);
}

CBitmap::CBitmap(const unsigned char* pngData, size_t size)
{
    ++gLiveBitmaps;
    decode(pngData, size);
}

CBitmap::~CBitmap()
{
    --gLiveBitmaps;
    destroySurface();
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
    // BGRA in memory is cairo's ARGB32 and GDI+'s PARGB on a little-endian
    // machine; the premultiplication is done below because both expect it.
    image.format = PNG_FORMAT_BGRA;
    const int w = static_cast<int>(image.width);
    const int h = static_cast<int>(image.height);
    if (w <= 0 || h <= 0 || w > 32767 || h > 32767) {
        png_image_free(&image);
        return;
    }
    int stride = 0;
    unsigned char* pixels = createSurface(w, h, stride);
    if (!pixels) {
        png_image_free(&image);
        return;
    }
    if (!png_image_finish_read(&image, nullptr, pixels, stride, nullptr)) {
        png_image_free(&image);
        destroySurface();
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
    finishSurface();
    width = w;
    height = h;
}

} // namespace VSTGUI
