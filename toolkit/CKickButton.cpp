#include "toolkit/CKickButton.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

#include <cstring>

namespace VSTGUI {

CKickButton::CKickButton(const CRect& size, CControlListener* listener, int32_t tag, int heightOfOneImage,
                         CBitmap* bitmap, const CPoint& offset)
    : CControl(size, listener, tag, bitmap), heightOfOneImage(heightOfOneImage)
{
    setOffset(offset);
    setDefaultValue(0.f);
}

void CKickButton::draw(CDrawContext* context)
{
    if (background) {
        const int frame = value >= 0.5f ? 1 : 0;
        context->drawBitmap(*background, size, CPoint(offset.x, offset.y + frame * heightOfOneImage));
    }
    setDirty(false);
}

CMouseEventResult CKickButton::onMouseDown(CPoint& where, const int32_t& buttons)
{
    if (!(buttons & kLButton))
        return kMouseEventNotHandled;
    entryState = value;
    beginEdit();
    return onMouseMoved(where, buttons);
}

CMouseEventResult CKickButton::onMouseMoved(CPoint& where, const int32_t& buttons)
{
    if (buttons & kLButton)
        value = size.pointInside(where) ? (entryState >= 0.5f ? 0.f : 1.f) : entryState;
    return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseUp(CPoint&, const int32_t&)
{
    remember(); // a listener may detach this button while it reports
    if (value >= 0.5f)
        notifyListener();
    value = 0.f;
    notifyListener();
    endEdit();
    forget();
    return kMouseEventHandled;
}

bool CKickButton::isTypeOf(const char* name) const
{
    return (name && std::strcmp(name, "CKickButton") == 0) || CControl::isTypeOf(name);
}

CView* CKickButton::newCopy() const
{
    return new CKickButton(*this);
}

} // namespace VSTGUI
