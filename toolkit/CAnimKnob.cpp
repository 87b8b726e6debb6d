#include "toolkit/CAnimKnob.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

#include <cmath>
#include <cstring>

namespace VSTGUI {

namespace {
constexpr float kLinearRange = 200.f; // pixels for the whole range
}

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                     int heightOfOneImage, CBitmap* bitmap, const CPoint& offset)
    : CControl(size, listener, tag, bitmap), subPixmaps(subPixmaps), heightOfOneImage(heightOfOneImage)
{
    setOffset(offset);
    if (bitmap && heightOfOneImage > 0)
        this->subPixmaps = bitmap->getHeight() / heightOfOneImage;
}

int CAnimKnob::frameForValue(float v) const
{
    if (subPixmaps <= 0 || heightOfOneImage <= 0)
        return 0;
    const float norm = vmax == vmin ? 0.f : (v - vmin) / (vmax - vmin);
    const int lastFrame = subPixmaps - 1;
    if (!(norm > 0.f))
        return 0;
    if (norm >= 1.f)
        return lastFrame;
    // Single precision and truncation to whole pixels, then down to a frame
    // boundary: 0.999 shows the frame below the last, not the last.
    const float span = static_cast<float>(heightOfOneImage * lastFrame);
    int pixel = static_cast<int>(norm * span);
    pixel -= pixel % heightOfOneImage;
    return pixel / heightOfOneImage;
}

void CAnimKnob::draw(CDrawContext* context)
{
    if (background)
        context->drawBitmap(*background, size,
                            CPoint(offset.x, offset.y + frameForValue(value) * heightOfOneImage));
    setDirty(false);
}

float CAnimKnob::valueFromPoint(const CPoint& local) const
{
    const float dx = local.x - size.width() / 2.f;
    const float dy = size.height() / 2.f - local.y;
    float angle = std::atan2(dx, dy) * 180.f / static_cast<float>(M_PI);
    float norm = (angle - kStartAngle) / kRangeAngle;
    if (norm < 0.f || norm > 1.f) {
        // In the gap below the knob: the nearer end.
        norm = angle < 0.f ? 0.f : 1.f;
    }
    return vmin + norm * (vmax - vmin);
}

CMouseEventResult CAnimKnob::onMouseDown(CPoint& where, const int32_t& buttons)
{
    if (!(buttons & kLButton))
        return kMouseEventNotHandled;
    beginEdit();
    if (checkDefaultValue(buttons)) {
        endEdit();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    firstPoint = where;
    lastPoint = CPoint(-1, -1);
    entryState = value;
    oldButtons = buttons;
    int32_t mode = kCircularMode;
    const int32_t frameMode = getFrame() ? getFrame()->getKnobMode() : kCircularMode;
    if (frameMode == kLinearMode) {
        if (!(buttons & kAlt))
            mode = kLinearMode;
    } else if (buttons & kAlt) {
        mode = kLinearMode;
    }
    modeLinear = mode == kLinearMode;
    float range = kLinearRange;
    if (modeLinear && (buttons & kShift))
        range *= zoomFactor;
    coef = (vmax - vmin) / range;
    if (modeLinear) {
        lastPoint = where;
        return kMouseEventHandled;
    }
    return onMouseMoved(where, buttons);
}

CMouseEventResult CAnimKnob::onMouseMoved(CPoint& where, const int32_t& buttons)
{
    if (!(buttons & kLButton) || where == lastPoint)
        return kMouseEventHandled;
    lastPoint = where;
    const float before = value;
    if (modeLinear) {
        const float diff = static_cast<float>((firstPoint.y - where.y) + (where.x - firstPoint.x));
        if (buttons != oldButtons) {
            // Shift pressed or let go mid-drag: keep the knob where it is and
            // continue at the new speed from here.
            float range = kLinearRange;
            if (buttons & kShift)
                range *= zoomFactor;
            const float coef2 = (vmax - vmin) / range;
            entryState += diff * (coef - coef2);
            coef = coef2;
            oldButtons = buttons;
        }
        value = entryState + diff * coef;
    } else {
        value = valueFromPoint(CPoint(where.x - size.left, where.y - size.top));
    }
    bounceValue();
    if (value != before)
        notifyListener();
    return kMouseEventHandled;
}

CMouseEventResult CAnimKnob::onMouseUp(CPoint&, const int32_t&)
{
    endEdit();
    return kMouseEventHandled;
}

int32_t CAnimKnob::onKeyDown(VstKeyCode& keyCode)
{
    float distance = 0.f;
    switch (keyCode.virt) {
    case VKEY_UP:
    case VKEY_RIGHT:
        distance = 1.f;
        break;
    case VKEY_DOWN:
    case VKEY_LEFT:
        distance = -1.f;
        break;
    default:
        return -1;
    }
    // Control gives fine steps, a tenth of the normal ones.
    if (keyCode.modifier & MODIFIER_CONTROL)
        distance *= 0.1f;
    const float before = value;
    setValueNormalized(getValueNormalized() + distance * wheelInc);
    if (value != before) {
        beginEdit();
        notifyListener();
        endEdit();
    }
    return 1;
}

bool CAnimKnob::isTypeOf(const char* name) const
{
    return (name && (std::strcmp(name, "CAnimKnob") == 0 || std::strcmp(name, "CKnob") == 0)) ||
           CControl::isTypeOf(name);
}

CView* CAnimKnob::newCopy() const
{
    return new CAnimKnob(*this);
}

} // namespace VSTGUI
