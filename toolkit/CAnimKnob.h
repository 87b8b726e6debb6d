// A knob drawn from a vertical film strip: frame 0 is the minimum, the last
// frame the maximum. Dragging follows the frame's knob mode: linear (right or
// up raises, 200 pixels for the whole range, 300 with Shift) or circular
// (the pointer's angle around the centre; Alt swaps the two).
#pragma once

#include "toolkit/CControl.h"

namespace VSTGUI {

class CAnimKnob : public CControl {
public:
    // subPixmaps is recomputed from the bitmap as its height / heightOfOneImage.
    CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
              int heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint());

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const int32_t& buttons) override;
    int32_t onKeyDown(VstKeyCode& keyCode) override;
    bool isTypeOf(const char* name) const override;
    CView* newCopy() const override;

    int32_t getNumSubPixmaps() const { return subPixmaps; }
    int getHeightOfOneImage() const { return heightOfOneImage; }
    void setZoomFactor(float f) { zoomFactor = f; }
    float getZoomFactor() const { return zoomFactor; }

    // The film-strip frame drawn for a value.
    int frameForValue(float value) const;

    // Angles of the circular drag, in degrees clockwise from 12 o'clock.
    static constexpr float kStartAngle = -150.f;
    static constexpr float kRangeAngle = 300.f;

private:
    float valueFromPoint(const CPoint& local) const;

    int32_t subPixmaps;       // frames in the strip
    int heightOfOneImage;     // pixels per frame
    float zoomFactor = 1.5f;  // drag range multiplier with Shift
    // Drag state, from the press to the release.
    CPoint firstPoint;        // where the press was
    CPoint lastPoint;         // last pointer position handled
    float entryState = 0.f;   // value at the press, rebased when Shift changes
    float coef = 0.f;         // value per pixel of movement
    int32_t oldButtons = 0;   // buttons at the last move, to notice Shift
    bool modeLinear = false;  // this drag is linear
};

} // namespace VSTGUI
