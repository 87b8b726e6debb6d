#include "toolkit/CDrawContext.h"

#include "toolkit/CBitmap.h"

#include <cairo.h>
#include <strings.h>

#include <algorithm>
#include <cmath>

namespace VSTGUI {

const CFontDesc kNormalFontSmall{"Arial", 11, false};

CDrawContext::CDrawContext(cairo_t* cr) : cr(cr) {}

void CDrawContext::fillRect(const CRect& r, const CColor& color)
{
    if (r.isEmpty())
        return;
    cairo_save(cr);
    cairo_set_source_rgba(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0, color.alpha / 255.0);
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
    cairo_fill(cr);
    cairo_restore(cr);
}

void CDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& dest, const CPoint& offset)
{
    if (!bitmap.isLoaded() || dest.isEmpty())
        return;
    cairo_save(cr);
    cairo_rectangle(cr, dest.left, dest.top, dest.width(), dest.height());
    cairo_clip(cr);
    cairo_set_source_surface(cr, bitmap.getSurface(), dest.left - offset.x, dest.top - offset.y);
    // Whole-pixel placement only: nearest keeps the film-strip frames exact.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
}

const char* CDrawContext::systemFontFamily(const std::string& name)
{
    // The panel's texts were laid out for a Windows sans face; DejaVu Sans is
    // the sans face every Debian desktop has.
    if (strcasecmp(name.c_str(), "Arial") == 0 || strcasecmp(name.c_str(), "Helvetica") == 0 ||
        strcasecmp(name.c_str(), "Verdana") == 0 || name.empty())
        return "DejaVu Sans";
    return name.c_str();
}

void CDrawContext::drawString(const std::string& text, const CRect& r, CHoriTxtAlign align, const CFontDesc& font,
                              const CColor& color)
{
    if (text.empty() || r.isEmpty())
        return;
    cairo_save(cr);
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
    cairo_clip(cr);
    cairo_select_font_face(cr, systemFontFamily(font.name), CAIRO_FONT_SLANT_NORMAL,
                           font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, font.size);
    // Fixed options, so the window and an offscreen picture render alike
    // whatever the desktop's font settings are.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);

    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    cairo_text_extents_t te;
    cairo_text_extents(cr, text.c_str(), &te);
    double x = r.left;
    if (align == kLeftText)
        x = r.left + 1; // the toolkit's inset for left-aligned text
    else if (align == kCenterText)
        x = r.left + (r.width() - te.x_advance) / 2.0;
    else
        x = r.right - te.x_advance;
    // Centred by the font's extents; in a rectangle lower than the font's line
    // (the panel's 12-pixel file name) the baseline rises until the descent
    // fits, since tails and underscores matter more than the font's spare
    // room above its capitals.
    double baseline = r.top + std::floor((r.height() + fe.ascent - fe.descent) / 2.0 + 0.5);
    baseline = std::min(baseline, r.bottom - std::ceil(fe.descent));
    cairo_set_source_rgba(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0, color.alpha / 255.0);
    cairo_move_to(cr, std::floor(x + 0.5), baseline);
    cairo_show_text(cr, text.c_str());
    cairo_restore(cr);
}

void CDrawContext::save()
{
    cairo_save(cr);
}

void CDrawContext::restore()
{
    cairo_restore(cr);
}

void CDrawContext::translate(int dx, int dy)
{
    cairo_translate(cr, dx, dy);
}

void CDrawContext::clip(const CRect& r)
{
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
    cairo_clip(cr);
}

} // namespace VSTGUI
