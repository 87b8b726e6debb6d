#include "toolkit/CFrame.h"

#include "toolkit/CDrawContext.h"
#include "toolkit/PlatformWindow.h"

#include <cairo.h>

#include <cstring>

namespace VSTGUI {

CFrame::CFrame(const CRect& size, void* systemWindow, VSTGUIEditorInterface* editor)
    : CViewContainer(size, nullptr), editor(editor), parentWindow(systemWindow)
{
    parentFrame = this;
    const int w = size.width() > 0 ? size.width() : 1;
    const int h = size.height() > 0 ? size.height() : 1;
    backBuffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    if (systemWindow && size.width() > 0 && size.height() > 0)
        window = createX11Window(systemWindow, size.width(), size.height());
    invalidRect(CRect(0, 0, size.width(), size.height()));
}

CFrame::~CFrame()
{
    // The modal view belongs to whoever set it, not to the frame.
    if (modalView)
        removeView(modalView, false);
    removeAll(true);
    window.reset();
    cairo_surface_destroy(backBuffer);
}

bool CFrame::setModalView(CView* view)
{
    if (view && modalView)
        return false;
    if (modalView) {
        CView* old = modalView;
        modalView = nullptr;
        removeView(old, false);
    }
    if (view) {
        if (!addView(view))
            return false;
        modalView = view;
    }
    return true;
}

void CFrame::idle()
{
    if (window)
        window->pumpEvents(*this);
    CRect area = invalidArea;
    invalidArea = CRect();
    collectDirty(area);
    area.bound(CRect(0, 0, size.width(), size.height()));
    if (area.isEmpty())
        return;
    cairo_t* cr = cairo_create(backBuffer);
    CDrawContext context(cr);
    drawArea(&context, area);
    cairo_destroy(cr);
    cairo_surface_flush(backBuffer);
    if (window)
        window->present(backBuffer, area);
}

void CFrame::invalidRect(const CRect& r)
{
    invalidArea.unite(r);
}

void CFrame::setDirty(bool state)
{
    if (state)
        invalidRect(CRect(0, 0, size.width(), size.height()));
}

void CFrame::drawArea(CDrawContext* context, const CRect& area)
{
    context->save();
    context->clip(area);
    context->fillRect(area, backgroundColor);
    if (background)
        context->drawBitmap(*background, CRect(0, 0, size.width(), size.height()));
    drawChildren(context, area);
    context->restore();
}

CMouseEventResult CFrame::onMouseDown(CPoint& where, const int32_t& buttons)
{
    if (!modalView)
        return CViewContainer::onMouseDown(where, buttons);
    // While a modal view is shown nothing else on the panel can be used.
    if (!modalView->getViewSize().pointInside(where))
        return kMouseEventNotHandled;
    CView* view = modalView;
    view->remember();
    CMouseEventResult result = view->onMouseDown(where, buttons);
    if (result == kMouseEventHandled && isChild(view))
        mouseDownView = view;
    view->forget();
    return result;
}

CMouseEventResult CFrame::onMouseUp(CPoint& where, const int32_t& buttons)
{
    return CViewContainer::onMouseUp(where, buttons);
}

CMouseEventResult CFrame::onMouseMoved(CPoint& where, const int32_t& buttons)
{
    return CViewContainer::onMouseMoved(where, buttons);
}

int32_t CFrame::onKeyDown(VstKeyCode& keyCode)
{
    if (focusView)
        return focusView->onKeyDown(keyCode);
    return -1;
}

int32_t CFrame::onKeyUp(VstKeyCode& keyCode)
{
    if (focusView)
        return focusView->onKeyUp(keyCode);
    return -1;
}

bool CFrame::isTypeOf(const char* name) const
{
    return (name && std::strcmp(name, "CFrame") == 0) || CViewContainer::isTypeOf(name);
}

void CFrame::beginEdit(int32_t index)
{
    if (editor)
        editor->beginEdit(index);
}

void CFrame::endEdit(int32_t index)
{
    if (editor)
        editor->endEdit(index);
}

int32_t CFrame::getKnobMode() const
{
    return editor ? editor->getKnobMode() : kCircularMode;
}

void* CFrame::getSystemWindow() const
{
    return window ? window->getSystemWindow() : nullptr;
}

int CFrame::getEventFd() const
{
    return window ? window->getEventFd() : -1;
}

void CFrame::mouseDownOn(CView* view)
{
    if (!view->isContainer())
        focusView = view;
}

void CFrame::viewRemoved(CView* view)
{
    if (focusView == view)
        focusView = nullptr;
    if (view->isContainer()) {
        // A focused view inside a detached container goes with it.
        for (CView* p = focusView ? focusView : nullptr; p;) {
            CViewContainer* parent = p->getParentView();
            if (parent == view) {
                focusView = nullptr;
                break;
            }
            p = parent;
        }
    }
}

} // namespace VSTGUI
