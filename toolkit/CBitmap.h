// A picture of the panel: a PNG resource of the module decoded once with
// libpng into a picture of the drawing system (cairo image surface, GDI+
// bitmap: CBitmapCairo.cpp, CBitmapGdiPlus.cpp). Shared by reference count
// between the views that draw it.
#pragma once

#include "toolkit/PlatformTypes.h"
#include "toolkit/VSTGUITypes.h"

#include <cstddef>

namespace VSTGUI {

class CBitmap : public CBaseObject {
public:
    // Loads the embedded resource whose name matches ignoring case. A missing or
    // undecodable resource leaves an empty 0 x 0 bitmap that draws nothing.
    explicit CBitmap(const char* resourceName);
    // Decodes PNG bytes directly (tools and tests).
    CBitmap(const unsigned char* pngData, size_t size);
    ~CBitmap() override;

    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    // Bitmaps alive in the process: leak checks in tests.
    static int32_t getLiveCount();

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    bool isLoaded() const { return surface != nullptr; }
    // Premultiplied ARGB32 pixels, or null when empty.
    CNativeSurface* getSurface() const { return surface; }

private:
    void decode(const unsigned char* pngData, size_t size);
    // The drawing system's half: a picture of w x h premultiplied BGRA pixels
    // for decode to fill, its row stride, and its release.
    unsigned char* createSurface(int w, int h, int& stride);
    void finishSurface();
    void destroySurface();

    CNativeSurface* surface = nullptr; // decoded picture, owned
    void* pixels = nullptr;            // its pixel memory where the drawing system does not own it
    int width = 0;                     // pixels
    int height = 0;                    // pixels, all frames of a film strip
};

} // namespace VSTGUI
