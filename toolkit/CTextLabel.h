// One line of text in a rectangle: optional background fill, bitmap and
// border, then the text in its font, colour and horizontal alignment,
// vertically centred. With transparency on only the text is drawn.
#pragma once

#include "toolkit/CDrawContext.h"
#include "toolkit/CView.h"

#include <string>

namespace VSTGUI {

class CTextLabel : public CView {
public:
    CTextLabel(const CRect& size, const char* text = nullptr, CBitmap* background = nullptr);

    void setText(const char* text);
    const std::string& getText() const { return text; }
    void setFontColor(const CColor& color)
    {
        fontColor = color;
        setDirty();
    }
    CColor getFontColor() const { return fontColor; }
    void setFont(const CFontDesc& desc)
    {
        font = desc;
        setDirty();
    }
    const CFontDesc& getFont() const { return font; }
    void setHoriAlign(int32_t align)
    {
        horiAlign = align == kLeftText ? kLeftText : (align == kRightText ? kRightText : kCenterText);
        setDirty();
    }
    CHoriTxtAlign getHoriAlign() const { return horiAlign; }
    void setBackColor(const CColor& color)
    {
        backColor = color;
        setDirty();
    }
    void setFrameColor(const CColor& color)
    {
        frameColor = color;
        setDirty();
    }

    void draw(CDrawContext* context) override;
    bool isTypeOf(const char* name) const override;
    CView* newCopy() const override;

private:
    std::string text;                     // shown as one line
    CFontDesc font = kNormalFontSmall;    // face and pixel size
    CColor fontColor = kWhiteCColor;      // text colour
    CColor backColor = kBlackCColor;      // fill unless transparent
    CColor frameColor = kBlackCColor;     // border unless transparent
    CHoriTxtAlign horiAlign = kCenterText;
};

} // namespace VSTGUI
