// Base of everything on the panel: a rectangle in its parent container's
// coordinates that can draw itself and take mouse and key events.
//
// Threads: views are made for one thread, the host's user-interface thread.
#pragma once

#include "plugin/EditorTypes.h"
#include "toolkit/VSTGUITypes.h"

namespace VSTGUI {

class CBitmap;
class CDrawContext;
class CFrame;
class CViewContainer;

class CView : public CBaseObject {
public:
    explicit CView(const CRect& size);
    CView(const CView& other);
    ~CView() override;
    CView& operator=(const CView&) = delete;

    virtual void draw(CDrawContext* context);

    // where is in the parent container's coordinates; buttons is a CButton set.
    virtual CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons);
    virtual CMouseEventResult onMouseUp(CPoint& where, const int32_t& buttons);
    virtual CMouseEventResult onMouseMoved(CPoint& where, const int32_t& buttons);
    // 1 when the key was used, -1 when not.
    virtual int32_t onKeyDown(VstKeyCode& keyCode);
    virtual int32_t onKeyUp(VstKeyCode& keyCode);

    virtual bool isTypeOf(const char* name) const;
    virtual CView* newCopy() const;
    virtual bool isContainer() const { return false; }

    // A dirty view is redrawn at the frame's next idle pass.
    virtual void setDirty(bool state = true) { dirty = state; }
    virtual bool isDirty() const { return dirty; }
    // Asks the frame to redraw this view's area, even after the view has gone.
    void invalid();

    // Called by the container that takes or gives up the view.
    virtual void attached(CViewContainer* parent);
    virtual void removed(CViewContainer* parent);

    const CRect& getViewSize() const { return size; }
    virtual void setViewSize(const CRect& newSize);
    // The view's rectangle in the frame's coordinates.
    CRect getFrameRect() const;

    void setTransparency(bool state) { transparent = state; setDirty(); }
    bool getTransparency() const { return transparent; }
    void setMouseEnabled(bool state) { mouseEnabled = state; }
    bool getMouseEnabled() const { return mouseEnabled; }

    // Takes a reference to the bitmap; releases the previous one.
    virtual void setBackground(CBitmap* bitmap);
    CBitmap* getBackground() const { return background; }

    // Views alive in the process: leak checks in tests.
    static int32_t getLiveCount();

    CFrame* getFrame() const { return parentFrame; }
    CViewContainer* getParentView() const { return parentView; }
    void setParentFrame(CFrame* frame) { parentFrame = frame; }

protected:
    CRect size;                           // in the parent's coordinates
    CFrame* parentFrame = nullptr;        // the frame of the tree, if known
    CViewContainer* parentView = nullptr; // the container holding it, while attached
    CBitmap* background = nullptr;        // referenced picture, or null
    bool dirty = false;                   // needs a redraw
    bool transparent = false;             // draws no background of its own
    bool mouseEnabled = true;             // takes part in hit testing
};

} // namespace VSTGUI
