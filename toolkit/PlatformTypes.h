// The drawing system's own types behind the toolkit's pictures and drawing
// contexts: cairo on Linux, GDI+ on Windows. Only the platform sources look
// inside them.
#pragma once

#ifdef _WIN32
namespace Gdiplus {
class Bitmap;
}
#else
typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
#endif

namespace VSTGUI {

#ifdef _WIN32
struct GdiPlusContext;
using CNativeContext = GdiPlusContext;  // a GDI+ Graphics with its saved states
using CNativeSurface = Gdiplus::Bitmap; // premultiplied 32-bit pixels
#else
using CNativeContext = cairo_t;
using CNativeSurface = cairo_surface_t;
#endif

} // namespace VSTGUI
