// The drawing operations the views need, on a cairo context (GDI+ on Windows:
// CDrawContextGdiPlus.cpp). The same code draws into the window's back buffer
// and into offscreen pictures.
#pragma once

#include "toolkit/PlatformTypes.h"
#include "toolkit/VSTGUITypes.h"

#include <string>

namespace VSTGUI {

class CBitmap;

struct CFontDesc {
    std::string name; // as the plug-in asks for it, e.g. "Arial"
    int size = 11;    // pixels
    bool bold = false;
};

// The toolkit's small standard font.
extern const CFontDesc kNormalFontSmall;

class CDrawContext {
public:
    explicit CDrawContext(CNativeContext* cr);

    CNativeContext* getNativeContext() const { return cr; }

    void fillRect(const CRect& r, const CColor& color);
    // Draws the part of bitmap starting at offset into dest, blended over what is there.
    void drawBitmap(const CBitmap& bitmap, const CRect& dest, const CPoint& offset = CPoint());
    // One line of text, vertically centred in r, clipped to r.
    void drawString(const std::string& text, const CRect& r, CHoriTxtAlign align, const CFontDesc& font,
                    const CColor& color);

    // Translation and clipping for a container's children; calls nest.
    void save();
    void restore();
    void translate(int dx, int dy);
    void clip(const CRect& r);

    // The family cairo is asked for when the plug-in names a font.
    static const char* systemFontFamily(const std::string& name);

private:
    CNativeContext* cr; // not owned
};

} // namespace VSTGUI
