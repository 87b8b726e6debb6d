// The about box: the about picture with the version text, shown over the panel
// as the frame's modal view by the info area's splash screen. Any press inside
// it closes it again.
#pragma once

#include "toolkit/CViewContainer.h"

namespace VSTGUI {
class CSplashScreen;
}

class CAboutContainer : public VSTGUI::CViewContainer {
public:
    CAboutContainer(const VSTGUI::CRect& size, VSTGUI::CFrame* frame, VSTGUI::CBitmap* background);

    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;
    bool isTypeOf(const char* name) const override;
    VSTGUI::CView* newCopy() const override;

    VSTGUI::CSplashScreen* splashScreen = nullptr; // the control that shows this box, not owned
};
