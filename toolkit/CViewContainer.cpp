#include "toolkit/CViewContainer.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

#include <algorithm>
#include <cstring>

namespace VSTGUI {

CViewContainer::CViewContainer(const CRect& size, CFrame* frame, CBitmap* background) : CView(size)
{
    parentFrame = frame;
    setBackground(background);
}

CViewContainer::CViewContainer(const CViewContainer& other)
    : CView(other), backgroundColor(other.backgroundColor)
{
    for (CView* child : other.children)
        addView(child->newCopy());
}

CViewContainer::~CViewContainer()
{
    removeAll(true);
}

bool CViewContainer::addView(CView* view)
{
    if (!view || isChild(view))
        return false;
    children.push_back(view);
    view->attached(this);
    view->invalid();
    return true;
}

bool CViewContainer::removeView(CView* view, bool withForget)
{
    auto it = std::find(children.begin(), children.end(), view);
    if (it == children.end())
        return false;
    view->invalid();
    children.erase(it);
    if (mouseDownView == view)
        mouseDownView = nullptr;
    if (parentFrame)
        parentFrame->viewRemoved(view);
    view->removed(this);
    if (withForget)
        view->forget();
    return true;
}

bool CViewContainer::removeAll(bool withForget)
{
    mouseDownView = nullptr;
    while (!children.empty()) {
        CView* view = children.back();
        children.pop_back();
        if (parentFrame)
            parentFrame->viewRemoved(view);
        view->removed(this);
        if (withForget)
            view->forget();
    }
    return true;
}

bool CViewContainer::isChild(const CView* view) const
{
    return std::find(children.begin(), children.end(), view) != children.end();
}

CView* CViewContainer::getView(int index) const
{
    if (index < 0 || index >= getNbViews())
        return nullptr;
    return children[static_cast<size_t>(index)];
}

void CViewContainer::draw(CDrawContext* context)
{
    context->save();
    context->clip(size);
    if (!transparent)
        context->fillRect(size, backgroundColor);
    if (background)
        context->drawBitmap(*background, size);
    context->translate(size.left, size.top);
    drawChildren(context, CRect(0, 0, size.width(), size.height()));
    context->restore();
    setDirty(false);
}

void CViewContainer::drawChildren(CDrawContext* context, const CRect& area)
{
    for (CView* child : children)
        if (child->getViewSize().rectOverlap(area))
            child->draw(context);
}

CMouseEventResult CViewContainer::onMouseDown(CPoint& where, const int32_t& buttons)
{
    CPoint local(where.x - size.left, where.y - size.top);
    // Topmost first; a view that does not want the press lets it fall through.
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CView* child = *it;
        if (!child->getMouseEnabled() || !child->getViewSize().pointInside(local))
            continue;
        CMouseEventResult result = child->onMouseDown(local, buttons);
        if (result == kMouseEventNotHandled || result == kMouseEventNotImplemented)
            continue;
        if (result == kMouseEventHandled && isChild(child))
            mouseDownView = child;
        if (parentFrame && isChild(child))
            parentFrame->mouseDownOn(child);
        return result;
    }
    return kMouseEventNotHandled;
}

CMouseEventResult CViewContainer::onMouseUp(CPoint& where, const int32_t& buttons)
{
    CView* view = mouseDownView;
    if (!view)
        return kMouseEventNotHandled;
    mouseDownView = nullptr;
    CPoint local(where.x - size.left, where.y - size.top);
    view->remember(); // the release may detach it
    CMouseEventResult result = view->onMouseUp(local, buttons);
    view->forget();
    return result;
}

CMouseEventResult CViewContainer::onMouseMoved(CPoint& where, const int32_t& buttons)
{
    CView* view = mouseDownView;
    if (!view)
        return kMouseEventNotHandled;
    CPoint local(where.x - size.left, where.y - size.top);
    view->remember();
    CMouseEventResult result = view->onMouseMoved(local, buttons);
    view->forget();
    return result;
}

bool CViewContainer::isTypeOf(const char* name) const
{
    return (name && std::strcmp(name, "CViewContainer") == 0) || CView::isTypeOf(name);
}

CView* CViewContainer::newCopy() const
{
    return new CViewContainer(*this);
}

void CViewContainer::attached(CViewContainer* parent)
{
    CView::attached(parent);
    for (CView* child : children)
        child->setParentFrame(parentFrame);
}

void CViewContainer::collectDirty(CRect& area)
{
    for (CView* child : children) {
        if (child->isDirty()) {
            area.unite(child->getFrameRect());
            child->setDirty(false);
        }
        if (child->isContainer())
            static_cast<CViewContainer*>(child)->collectDirty(area);
    }
}

} // namespace VSTGUI
