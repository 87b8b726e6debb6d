#include "toolkit/CTextLabel.h"

#include "toolkit/CBitmap.h"

#include <cstring>

namespace VSTGUI {

CTextLabel::CTextLabel(const CRect& size, const char* txt, CBitmap* bitmap) : CView(size)
{
    setBackground(bitmap);
    setText(txt);
}

void CTextLabel::setText(const char* txt)
{
    text = txt ? txt : "";
    setDirty();
}

void CTextLabel::draw(CDrawContext* context)
{
    if (!transparent) {
        context->fillRect(size, backColor);
        if (background)
            context->drawBitmap(*background, size);
        context->fillRect(CRect(size.left, size.top, size.right, size.top + 1), frameColor);
        context->fillRect(CRect(size.left, size.bottom - 1, size.right, size.bottom), frameColor);
        context->fillRect(CRect(size.left, size.top, size.left + 1, size.bottom), frameColor);
        context->fillRect(CRect(size.right - 1, size.top, size.right, size.bottom), frameColor);
    }
    context->drawString(text, size, horiAlign, font, fontColor);
    setDirty(false);
}

bool CTextLabel::isTypeOf(const char* name) const
{
    return (name && (std::strcmp(name, "CTextLabel") == 0 || std::strcmp(name, "CParamDisplay") == 0)) ||
           CView::isTypeOf(name);
}

CView* CTextLabel::newCopy() const
{
    return new CTextLabel(*this);
}

} // namespace VSTGUI
