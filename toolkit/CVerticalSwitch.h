// A switch of iMaxPositions positions drawn from a film strip. The pointer's
// height picks the position: each position is a band of frame height /
// positions pixels, top band 0 and bottom band 1.
#pragma once

#include "toolkit/CControl.h"

namespace VSTGUI {

class CVerticalSwitch : public CControl {
public:
    CVerticalSwitch(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                    int heightOfOneImage, int32_t iMaxPositions, CBitmap* background,
                    const CPoint& offset = CPoint());

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const int32_t& buttons) override;
    int32_t onKeyDown(VstKeyCode& keyCode) override;
    bool isTypeOf(const char* name) const override;
    CView* newCopy() const override;

    int32_t getNumSubPixmaps() const { return subPixmaps; }
    int getHeightOfOneImage() const { return heightOfOneImage; }
    int32_t getMaxPositions() const { return iMaxPositions; }
    // The film-strip frame drawn for a value: value x (frames - 1) + 0.5, cut.
    int frameForValue(float value) const;

private:
    int32_t subPixmaps;     // frames in the strip
    int heightOfOneImage;   // pixels per frame
    int32_t iMaxPositions;  // positions the pointer can pick
};

} // namespace VSTGUI
