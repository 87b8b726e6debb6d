// CDrawContext on Windows, through GDI+: alpha-blended pictures placed on
// whole pixels, anti-aliased text. The rules (clipping, the text's vertical
// centring and left inset) are those of the cairo version.
#include "toolkit/CDrawContext.h"

#include "toolkit/CBitmap.h"
#include "toolkit/GdiPlusSession.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace VSTGUI {

const CFontDesc kNormalFontSmall{"Arial", 11, false};

namespace {

Gdiplus::Color toColor(const CColor& c)
{
    return Gdiplus::Color(c.alpha, c.red, c.green, c.blue);
}

Gdiplus::Rect toRect(const CRect& r)
{
    return Gdiplus::Rect(r.left, r.top, r.width(), r.height());
}

// Text of the plug-in (file names from the system's ANSI dialogs) as UTF-16.
std::wstring widen(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &w[0], n);
    return w;
}

} // namespace

CDrawContext::CDrawContext(CNativeContext* cr) : cr(cr)
{
    Gdiplus::Graphics& g = *cr->graphics;
    // Pictures land on whole pixels unscaled: nearest sampling with the pixel
    // centres at half offsets keeps film-strip frames exact.
    g.SetSmoothingMode(Gdiplus::SmoothingModeNone);
    g.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    g.SetCompositingMode(Gdiplus::CompositingModeSourceOver);
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
}

void CDrawContext::fillRect(const CRect& r, const CColor& color)
{
    if (r.isEmpty())
        return;
    Gdiplus::SolidBrush brush(toColor(color));
    cr->graphics->FillRectangle(&brush, toRect(r));
}

void CDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& dest, const CPoint& offset)
{
    if (!bitmap.isLoaded() || dest.isEmpty())
        return;
    // Only the part of the picture inside it lands in dest.
    const int w = std::min(dest.width(), bitmap.getWidth() - offset.x);
    const int h = std::min(dest.height(), bitmap.getHeight() - offset.y);
    if (w <= 0 || h <= 0 || offset.x < 0 || offset.y < 0)
        return;
    cr->graphics->DrawImage(bitmap.getSurface(), Gdiplus::Rect(dest.left, dest.top, w, h), offset.x, offset.y, w, h,
                            Gdiplus::UnitPixel);
}

const char* CDrawContext::systemFontFamily(const std::string& name)
{
    // Windows has the faces the panel was laid out with.
    return name.empty() ? "Arial" : name.c_str();
}

void CDrawContext::drawString(const std::string& text, const CRect& r, CHoriTxtAlign align, const CFontDesc& font,
                              const CColor& color)
{
    if (text.empty() || r.isEmpty())
        return;
    Gdiplus::Graphics& g = *cr->graphics;
    // A system without the face (a bare Wine prefix has no Arial) gets the
    // system's own dialog faces; with none of them the text is left out.
    const std::wstring requested = widen(systemFontFamily(font.name));
    const wchar_t* face = nullptr;
    for (const wchar_t* name : {requested.c_str(), L"Tahoma", L"Microsoft Sans Serif"}) {
        Gdiplus::FontFamily probe(name);
        if (probe.GetLastStatus() == Gdiplus::Ok) {
            face = name;
            break;
        }
    }
    if (!face)
        return;
    const Gdiplus::FontFamily family(face);
    const INT style = font.bold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular;
    Gdiplus::Font gdiFont(&family, static_cast<Gdiplus::REAL>(font.size), style, Gdiplus::UnitPixel);
    const double em = family.GetEmHeight(style);
    const double ascent = em > 0 ? font.size * family.GetCellAscent(style) / em : font.size * 0.9;
    const double descent = em > 0 ? font.size * family.GetCellDescent(style) / em : font.size * 0.2;

    const std::wstring w = widen(text);
    Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
    format.SetFormatFlags(format.GetFormatFlags() | Gdiplus::StringFormatFlagsNoWrap |
                          Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
    Gdiplus::RectF box;
    g.MeasureString(w.c_str(), static_cast<INT>(w.size()), &gdiFont, Gdiplus::PointF(0, 0), &format, &box);
    double x;
    if (align == kLeftText)
        x = r.left + 1; // the toolkit's inset for left-aligned text
    else if (align == kCenterText)
        x = r.left + (r.width() - box.Width) / 2.0;
    else
        x = r.right - box.Width;
    // Vertically centred; in a rectangle too short for the font's full height
    // (the panel's 12-pixel file name) the baseline rises until the descent
    // fits, as the cairo version does.
    double baseline = r.top + std::floor((r.height() + ascent - descent) / 2.0 + 0.5);
    baseline = std::min(baseline, r.bottom - std::ceil(descent));

    const Gdiplus::GraphicsState state = g.Save();
    g.IntersectClip(toRect(r));
    Gdiplus::SolidBrush brush(toColor(color));
    g.DrawString(
        w.c_str(), static_cast<INT>(w.size()), &gdiFont,
        Gdiplus::PointF(static_cast<Gdiplus::REAL>(std::floor(x + 0.5)), static_cast<Gdiplus::REAL>(baseline - ascent)),
        &format, &brush);
    g.Restore(state);
}

void CDrawContext::save()
{
    cr->saved.push_back(cr->graphics->Save());
}

void CDrawContext::restore()
{
    if (cr->saved.empty())
        return;
    cr->graphics->Restore(cr->saved.back());
    cr->saved.pop_back();
}

void CDrawContext::translate(int dx, int dy)
{
    cr->graphics->TranslateTransform(static_cast<Gdiplus::REAL>(dx), static_cast<Gdiplus::REAL>(dy));
}

void CDrawContext::clip(const CRect& r)
{
    cr->graphics->IntersectClip(toRect(r));
}

} // namespace VSTGUI
