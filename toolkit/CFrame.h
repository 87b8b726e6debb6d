// The root of the view tree, bound to the host's window while the editor is
// open. It draws dirty views into its back buffer at each idle pass, routes
// mouse events (only to the modal view while one is set) and keys (to the view
// pressed last), and passes edit gestures to the editor.
//
// Threads: everything here runs on the host's user-interface thread.
#pragma once

#include "toolkit/CViewContainer.h"

#include <memory>

typedef struct _cairo_surface cairo_surface_t;

namespace VSTGUI {

class IPlatformWindow;

// What the frame needs of the plug-in editor that created it.
class VSTGUIEditorInterface {
public:
    virtual ~VSTGUIEditorInterface() = default;
    virtual void beginEdit(int32_t /*index*/) {}
    virtual void endEdit(int32_t /*index*/) {}
    virtual int32_t getKnobMode() const { return kCircularMode; }
};

class CFrame : public CViewContainer {
public:
    // systemWindow is the host's parent window (X11 Window id), or null for a
    // frame without a window (offscreen drawing, tests).
    CFrame(const CRect& size, void* systemWindow, VSTGUIEditorInterface* editor);
    ~CFrame() override;
    CFrame(const CFrame&) = delete;
    CFrame& operator=(const CFrame&) = delete;

    // Attaches view as the modal view, or with null detaches the current one
    // (neither takes nor drops a reference). False while another is set.
    bool setModalView(CView* view);
    CView* getModalView() const { return modalView; }

    // Delivers window events, then redraws what became dirty.
    void idle();
    // Marks an area (frame coordinates) for redraw at the next idle pass.
    void invalidRect(const CRect& r);
    void setDirty(bool state = true) override;
    bool isDirty() const override { return !invalidArea.isEmpty(); }

    // Draws the whole tree into context, clipped to area.
    void drawArea(CDrawContext* context, const CRect& area);
    cairo_surface_t* getBackBuffer() const { return backBuffer; }

    CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const int32_t& buttons) override;
    int32_t onKeyDown(VstKeyCode& keyCode) override;
    int32_t onKeyUp(VstKeyCode& keyCode) override;

    bool isTypeOf(const char* name) const override;

    void beginEdit(int32_t index);
    void endEdit(int32_t index);
    int32_t getKnobMode() const;
    VSTGUIEditorInterface* getEditor() const { return editor; }

    // Our own window's system handle, or null without a window.
    void* getSystemWindow() const;
    void* getParentSystemWindow() const { return parentWindow; }
    // Readable when window events wait (the X11 connection), or -1.
    int getEventFd() const;

    CView* getFocusView() const { return focusView; }
    void setFocusView(CView* view) { focusView = view; }

    // Bookkeeping calls of the containers.
    void mouseDownOn(CView* view);
    void viewRemoved(CView* view);

private:
    std::unique_ptr<IPlatformWindow> window; // null without a display
    cairo_surface_t* backBuffer = nullptr;   // the whole panel as last drawn
    CRect invalidArea;                       // to redraw at the next idle pass
    CView* modalView = nullptr;              // gets every press while set
    CView* focusView = nullptr;              // gets the keys
    VSTGUIEditorInterface* editor;           // not owned, may be null
    void* parentWindow;                      // the host's window
};

} // namespace VSTGUI
