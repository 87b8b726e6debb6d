// Geometry, colours, event constants and reference counting shared by every
// class of the toolkit. Values of the enums are those that plug-in code and
// hosts of this toolkit family expect (mouse results, alignments, knob modes).
#pragma once

#include <algorithm>
#include <cstdint>

namespace VSTGUI {

struct CPoint {
    int x = 0;
    int y = 0;
    CPoint() = default;
    CPoint(int x, int y) : x(x), y(y) {}
    bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
    bool operator!=(const CPoint& o) const { return !(*this == o); }
    CPoint& offset(int dx, int dy)
    {
        x += dx;
        y += dy;
        return *this;
    }
};

// Edges are half-open: a point at right or bottom is outside.
struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    CRect() = default;
    CRect(int left, int top, int right, int bottom) : left(left), top(top), right(right), bottom(bottom) {}
    static CRect fromSize(int x, int y, int w, int h) { return CRect(x, y, x + w, y + h); }

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool pointInside(const CPoint& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool operator==(const CRect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CRect& o) const { return !(*this == o); }
    CRect& offset(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    CRect& bound(const CRect& o)
    {
        left = std::max(left, o.left);
        top = std::max(top, o.top);
        right = std::min(right, o.right);
        bottom = std::min(bottom, o.bottom);
        if (isEmpty())
            *this = CRect();
        return *this;
    }
    // Smallest rectangle holding both; an empty side does not count.
    CRect& unite(const CRect& o)
    {
        if (o.isEmpty())
            return *this;
        if (isEmpty())
            return *this = o;
        left = std::min(left, o.left);
        top = std::min(top, o.top);
        right = std::max(right, o.right);
        bottom = std::max(bottom, o.bottom);
        return *this;
    }
    bool rectOverlap(const CRect& o) const
    {
        return !isEmpty() && !o.isEmpty() && left < o.right && o.left < right && top < o.bottom &&
               o.top < bottom;
    }
};

struct CColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 255;
    bool operator==(const CColor& o) const
    {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
    bool operator!=(const CColor& o) const { return !(*this == o); }
};

constexpr CColor kBlackCColor{0, 0, 0, 255};
constexpr CColor kWhiteCColor{255, 255, 255, 255};
constexpr CColor kYellowCColor{255, 255, 0, 255};
constexpr CColor kTransparentCColor{0, 0, 0, 0};

// Mouse buttons and modifier keys, combined into one bit set per event.
enum CButton : int32_t {
    kLButton = 1 << 0,
    kMButton = 1 << 1,
    kRButton = 1 << 2,
    kShift = 1 << 3,
    kControl = 1 << 4,
    kAlt = 1 << 5,
    kApple = 1 << 6,
};

enum CMouseEventResult : int32_t {
    kMouseEventNotHandled = 0,
    kMouseEventHandled = 1,
    kMouseEventNotImplemented = 2,
    kMouseDownEventHandledButDontNeedMovedOrUpEvents = 3,
};

enum CHoriTxtAlign : int32_t {
    kLeftText = 0,
    kCenterText = 1,
    kRightText = 2,
};

enum CKnobMode : int32_t {
    kCircularMode = 0,
    kRelativCircularMode = 1,
    kLinearMode = 2,
};

// Virtual key codes of the plug-in interface's VstKeyCode.virt.
enum VstVirtualKey : unsigned char {
    VKEY_BACK = 1,
    VKEY_TAB = 2,
    VKEY_RETURN = 4,
    VKEY_ESCAPE = 6,
    VKEY_SPACE = 7,
    VKEY_END = 9,
    VKEY_HOME = 10,
    VKEY_LEFT = 11,
    VKEY_UP = 12,
    VKEY_RIGHT = 13,
    VKEY_DOWN = 14,
};

// Shared ownership in the toolkit's manner: whoever creates an object holds one
// reference; remember() adds one, forget() drops one and deletes at zero.
class CBaseObject {
public:
    CBaseObject() = default;
    CBaseObject(const CBaseObject&) : nbReference(1) {}
    CBaseObject& operator=(const CBaseObject&) { return *this; }
    virtual ~CBaseObject() = default;

    void remember() { ++nbReference; }
    void forget()
    {
        if (--nbReference == 0)
            delete this;
    }
    int32_t getNbReference() const { return nbReference; }

private:
    int32_t nbReference = 1; // owners, including the creator
};

} // namespace VSTGUI
