#include "editor/CAboutContainer.h"

#include "toolkit/CSplashScreen.h"

#include <cstring>

using namespace VSTGUI;

CAboutContainer::CAboutContainer(const CRect& size, CFrame* frame, CBitmap* background)
    : CViewContainer(size, frame, background)
{
}

CMouseEventResult CAboutContainer::onMouseDown(CPoint& where, const int32_t& buttons)
{
    CViewContainer::onMouseDown(where, buttons);
    if (splashScreen)
        splashScreen->unSplash();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

bool CAboutContainer::isTypeOf(const char* name) const
{
    return (name && std::strcmp(name, "CAboutContainer") == 0) || CViewContainer::isTypeOf(name);
}

CView* CAboutContainer::newCopy() const
{
    return new CAboutContainer(*this);
}
