#include "toolkit/CView.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

#include <atomic>
#include <cstring>

namespace VSTGUI {

namespace {
std::atomic<int32_t> gLiveViews{0};
}

int32_t CView::getLiveCount()
{
    return gLiveViews.load();
}

CView::CView(const CRect& size) : size(size)
{
    ++gLiveViews;
}

CView::CView(const CView& other)
    : CBaseObject(other),
      size(other.size),
      parentFrame(other.parentFrame),
      transparent(other.transparent),
      mouseEnabled(other.mouseEnabled)
{
    ++gLiveViews;
    setBackground(other.background);
}

CView::~CView()
{
    --gLiveViews;
    if (background)
        background->forget();
}

void CView::draw(CDrawContext* context)
{
    if (background)
        context->drawBitmap(*background, size);
    setDirty(false);
}

CMouseEventResult CView::onMouseDown(CPoint&, const int32_t&)
{
    return kMouseEventNotImplemented;
}

CMouseEventResult CView::onMouseUp(CPoint&, const int32_t&)
{
    return kMouseEventNotImplemented;
}

CMouseEventResult CView::onMouseMoved(CPoint&, const int32_t&)
{
    return kMouseEventNotImplemented;
}

int32_t CView::onKeyDown(VstKeyCode&)
{
    return -1;
}

int32_t CView::onKeyUp(VstKeyCode&)
{
    return -1;
}

bool CView::isTypeOf(const char* name) const
{
    return name && std::strcmp(name, "CView") == 0;
}

CView* CView::newCopy() const
{
    return new CView(*this);
}

void CView::invalid()
{
    if (parentFrame && parentView)
        parentFrame->invalidRect(getFrameRect());
}

void CView::attached(CViewContainer* parent)
{
    parentView = parent;
    if (parent->getFrame())
        parentFrame = parent->getFrame();
    setDirty();
}

void CView::removed(CViewContainer*)
{
    parentView = nullptr;
}

void CView::setViewSize(const CRect& newSize)
{
    invalid();
    size = newSize;
    setDirty();
}

CRect CView::getFrameRect() const
{
    CRect r = size;
    for (const CViewContainer* p = parentView; p; p = p->getParentView())
        r.offset(p->getViewSize().left, p->getViewSize().top);
    return r;
}

void CView::setBackground(CBitmap* bitmap)
{
    if (bitmap)
        bitmap->remember();
    if (background)
        background->forget();
    background = bitmap;
    setDirty();
}

} // namespace VSTGUI
