// An area that shows a view of its own as the frame's modal view when
// clicked with the left button. The view is owned by the splash screen;
// unSplash() takes it off the frame again.
#pragma once

#include "toolkit/CControl.h"

namespace VSTGUI {

class CSplashScreen : public CControl {
public:
    // Takes over the caller's reference to splashView.
    CSplashScreen(const CRect& size, CControlListener* listener, int32_t tag, CView* splashView);
    ~CSplashScreen() override;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override;
    bool isTypeOf(const char* name) const override;

    virtual void unSplash();
    CView* getSplashView() const { return modalView; }

private:
    CView* modalView; // the view shown, owned
};

} // namespace VSTGUI
