// A view holding other views. Children's rectangles are relative to the
// container; the container owns one reference to each attached child.
#pragma once

#include "toolkit/CView.h"

#include <vector>

namespace VSTGUI {

class CViewContainer : public CView {
public:
    CViewContainer(const CRect& size, CFrame* frame, CBitmap* background = nullptr);
    // Copies the children too (each through newCopy).
    CViewContainer(const CViewContainer& other);
    ~CViewContainer() override;

    // Attaches view on top of the others and takes over the caller's reference.
    virtual bool addView(CView* view);
    // Detaches view; withForget releases the container's reference.
    virtual bool removeView(CView* view, bool withForget = true);
    virtual bool removeAll(bool withForget = true);
    bool isChild(const CView* view) const;
    int getNbViews() const { return static_cast<int>(children.size()); }
    CView* getView(int index) const;

    void setBackgroundColor(const CColor& color)
    {
        backgroundColor = color;
        setDirty();
    }
    CColor getBackgroundColor() const { return backgroundColor; }

    void draw(CDrawContext* context) override;
    // Draws the children that overlap area (in this container's coordinates).
    void drawChildren(CDrawContext* context, const CRect& area);

    CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const int32_t& buttons) override;

    bool isTypeOf(const char* name) const override;
    CView* newCopy() const override;
    bool isContainer() const override { return true; }

    void attached(CViewContainer* parent) override;

    // Unites the frame rectangles of every dirty view below this one into
    // area and clears their dirty state.
    void collectDirty(CRect& area);

protected:
    std::vector<CView*> children;                  // bottom to top
    CColor backgroundColor = kBlackCColor;         // filled unless transparent
    CView* mouseDownView = nullptr;                // child that gets moves and the release
};

} // namespace VSTGUI
