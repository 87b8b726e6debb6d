#include "toolkit/CControl.h"

#include "toolkit/CFrame.h"

#include <cstring>

namespace VSTGUI {

CControl::CControl(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* bitmap)
    : CView(size), listener(listener), tag(tag)
{
    setBackground(bitmap);
}

float CControl::getValueNormalized() const
{
    if (vmax == vmin)
        return 0.f;
    return (value - vmin) / (vmax - vmin);
}

void CControl::setValueNormalized(float val)
{
    if (!(val >= 0.f))
        val = 0.f;
    if (val > 1.f)
        val = 1.f;
    value = vmin + val * (vmax - vmin);
}

void CControl::beginEdit()
{
    ++editing;
    if (CFrame* frame = getFrame())
        frame->beginEdit(tag);
}

void CControl::endEdit()
{
    if (editing > 0)
        --editing;
    if (CFrame* frame = getFrame())
        frame->endEdit(tag);
}

void CControl::setDirty(bool state)
{
    dirty = state;
    if (!state)
        drawnValue = value;
}

bool CControl::isTypeOf(const char* name) const
{
    return (name && std::strcmp(name, "CControl") == 0) || CView::isTypeOf(name);
}

void CControl::bounceValue()
{
    if (value > vmax)
        value = vmax;
    else if (value < vmin)
        value = vmin;
    else if (value != value)
        value = vmin;
}

bool CControl::checkDefaultValue(int32_t buttons)
{
    if (buttons != (kControl | kLButton))
        return false;
    const float before = value;
    value = getDefaultValue();
    if (value != before)
        notifyListener();
    return true;
}

void CControl::notifyListener()
{
    if (listener)
        listener->valueChanged(this);
}

} // namespace VSTGUI
