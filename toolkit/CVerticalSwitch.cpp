#include "toolkit/CVerticalSwitch.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

#include <cstring>

namespace VSTGUI {

CVerticalSwitch::CVerticalSwitch(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                                 int heightOfOneImage, int32_t iMaxPositions, CBitmap* bitmap,
                                 const CPoint& offset)
    : CControl(size, listener, tag, bitmap),
      subPixmaps(subPixmaps),
      heightOfOneImage(heightOfOneImage),
      iMaxPositions(iMaxPositions)
{
    setOffset(offset);
    setDefaultValue(0.f);
}

int CVerticalSwitch::frameForValue(float v) const
{
    if (subPixmaps <= 0)
        return 0;
    const float norm = vmax == vmin ? 0.f : (v - vmin) / (vmax - vmin);
    if (!(norm > 0.f))
        return 0;
    if (norm >= 1.f)
        return subPixmaps - 1;
    return static_cast<int>(norm * static_cast<float>(subPixmaps - 1) + 0.5f);
}

void CVerticalSwitch::draw(CDrawContext* context)
{
    if (background)
        context->drawBitmap(*background, size,
                            CPoint(offset.x, offset.y + frameForValue(value) * heightOfOneImage));
    setDirty(false);
}

CMouseEventResult CVerticalSwitch::onMouseDown(CPoint& where, const int32_t& buttons)
{
    if (!(buttons & kLButton))
        return kMouseEventNotHandled;
    beginEdit();
    if (checkDefaultValue(buttons)) {
        endEdit();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    return onMouseMoved(where, buttons);
}

CMouseEventResult CVerticalSwitch::onMouseMoved(CPoint& where, const int32_t& buttons)
{
    if (!(buttons & kLButton) || iMaxPositions < 2)
        return kMouseEventHandled;
    const float band = static_cast<float>(heightOfOneImage) / static_cast<float>(iMaxPositions);
    const float before = value;
    const int position = static_cast<int>(static_cast<float>(where.y - size.top) / band);
    value = vmin + (vmax - vmin) * static_cast<float>(position) / static_cast<float>(iMaxPositions - 1);
    bounceValue();
    if (value != before)
        notifyListener();
    return kMouseEventHandled;
}

CMouseEventResult CVerticalSwitch::onMouseUp(CPoint&, const int32_t&)
{
    endEdit();
    return kMouseEventHandled;
}

int32_t CVerticalSwitch::onKeyDown(VstKeyCode& keyCode)
{
    if (iMaxPositions < 2 || (keyCode.virt != VKEY_UP && keyCode.virt != VKEY_DOWN))
        return -1;
    const float step = 1.f / static_cast<float>(iMaxPositions - 1);
    const float before = value;
    // Up moves the lever up, towards position 0.
    setValueNormalized(getValueNormalized() + (keyCode.virt == VKEY_DOWN ? step : -step));
    if (value != before) {
        beginEdit();
        notifyListener();
        endEdit();
    }
    return 1;
}

bool CVerticalSwitch::isTypeOf(const char* name) const
{
    return (name && std::strcmp(name, "CVerticalSwitch") == 0) || CControl::isTypeOf(name);
}

CView* CVerticalSwitch::newCopy() const
{
    return new CVerticalSwitch(*this);
}

} // namespace VSTGUI
