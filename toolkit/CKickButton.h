// A push button from a two-frame strip: frame 0 at rest (value 0), frame 1
// while held inside (value 1). On release it reports 1 if the pointer was
// still inside, then always 0, so the action can run once per release.
#pragma once

#include "toolkit/CControl.h"

namespace VSTGUI {

class CKickButton : public CControl {
public:
    CKickButton(const CRect& size, CControlListener* listener, int32_t tag, int heightOfOneImage,
                CBitmap* background, const CPoint& offset = CPoint());

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const int32_t& buttons) override;
    bool isTypeOf(const char* name) const override;
    CView* newCopy() const override;

    int getHeightOfOneImage() const { return heightOfOneImage; }

private:
    int heightOfOneImage; // pixels per frame
    float entryState = 0; // value when pressed
};

} // namespace VSTGUI
