#include "toolkit/CSplashScreen.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

#include <cstring>

namespace VSTGUI {

CSplashScreen::CSplashScreen(const CRect& size, CControlListener* listener, int32_t tag, CView* splashView)
    : CControl(size, listener, tag, nullptr), modalView(splashView)
{
}

CSplashScreen::~CSplashScreen()
{
    if (modalView)
        modalView->forget();
}

void CSplashScreen::draw(CDrawContext* context)
{
    if (!transparent && background)
        context->drawBitmap(*background, size, offset);
    setDirty(false);
}

CMouseEventResult CSplashScreen::onMouseDown(CPoint&, const int32_t& buttons)
{
    if (!(buttons & kLButton))
        return kMouseEventNotHandled;
    value = value >= 0.5f ? 0.f : 1.f;
    if (value >= 0.5f) {
        CFrame* frame = getFrame();
        if (modalView && frame && frame->setModalView(modalView))
            notifyListener();
    }
    setDirty();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void CSplashScreen::unSplash()
{
    value = 0.f;
    setDirty();
    CFrame* frame = getFrame();
    if (frame && modalView && frame->getModalView() == modalView) {
        modalView->invalid();
        frame->setModalView(nullptr);
    }
}

bool CSplashScreen::isTypeOf(const char* name) const
{
    return (name && std::strcmp(name, "CSplashScreen") == 0) || CControl::isTypeOf(name);
}

} // namespace VSTGUI
