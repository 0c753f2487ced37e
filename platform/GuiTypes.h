// Plain value types shared by every view and by the platform layer below the
// views: points, rectangles, colours, the mouse button/modifier bits and the
// mouse results. Nothing here depends on the toolkit.
#pragma once

#include <algorithm>
#include <cstdint>

namespace VSTGUI {

using CCoord = int32_t;

struct CPoint {
    CCoord h = 0;
    CCoord v = 0;
    CPoint() = default;
    CPoint(CCoord h, CCoord v) : h(h), v(v) {}
    CPoint& offset(CCoord dh, CCoord dv) { h += dh; v += dv; return *this; }
    bool operator==(const CPoint& o) const { return h == o.h && v == o.v; }
    bool operator!=(const CPoint& o) const { return !(*this == o); }
};

struct CRect {
    CCoord left = 0, top = 0, right = 0, bottom = 0;
    CRect() = default;
    CRect(CCoord l, CCoord t, CCoord r, CCoord b) : left(l), top(t), right(r), bottom(b) {}
    CCoord width() const { return right - left; }
    CCoord height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    CRect& offset(CCoord dx, CCoord dy) { left += dx; right += dx; top += dy; bottom += dy; return *this; }
    CRect& moveTo(CCoord x, CCoord y) { return offset(x - left, y - top); }
    CRect& setWidth(CCoord w) { right = left + w; return *this; }
    CRect& setHeight(CCoord h) { bottom = top + h; return *this; }
    bool pointInside(const CPoint& p) const { return p.h >= left && p.h < right && p.v >= top && p.v < bottom; }
    bool rectOverlap(const CRect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    // Intersection with o (empty when they do not overlap).
    CRect& bound(const CRect& o) {
        left = std::max(left, o.left); top = std::max(top, o.top);
        right = std::min(right, o.right); bottom = std::min(bottom, o.bottom);
        if (right < left) right = left;
        if (bottom < top) bottom = top;
        return *this;
    }
    // Smallest rectangle holding both (an empty rectangle adds nothing).
    CRect& unite(const CRect& o) {
        if (o.isEmpty()) return *this;
        if (isEmpty()) { *this = o; return *this; }
        left = std::min(left, o.left); top = std::min(top, o.top);
        right = std::max(right, o.right); bottom = std::max(bottom, o.bottom);
        return *this;
    }
    bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CRect& o) const { return !(*this == o); }
};

struct CColor {
    uint8_t red = 0, green = 0, blue = 0, alpha = 255;
    bool operator==(const CColor& o) const {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
};
constexpr CColor kBlackCColor{0, 0, 0, 255};
constexpr CColor kWhiteCColor{255, 255, 255, 255};
constexpr CColor kTransparentCColor{0, 0, 0, 0};

// Button and modifier bits of a mouse event.
enum CButtonState : int32_t {
    kLButton = 1 << 1,
    kMButton = 1 << 2,
    kRButton = 1 << 3,
    kShift = 1 << 4,
    kControl = 1 << 5,
    kAlt = 1 << 6,
    kButton4 = 1 << 8,
    kButton5 = 1 << 9,
    kDoubleClick = 1 << 10,
};
constexpr int32_t kModifierMask = kShift | kControl | kAlt;

enum CMouseEventResult : int32_t {
    kMouseEventHandled = 1,                             // wants the moves and the release
    kMouseEventNotHandled = 2,
    kMouseDownEventHandledButDontNeedMovedOrUpEvents = 3,
};

enum CMouseWheelAxis { kMouseWheelAxisX, kMouseWheelAxisY };

enum CHoriTxtAlign { kLeftText = 0, kCenterText, kRightText };
enum CDrawMode { kAliasing = 0, kAntialias };
enum CLineStyle { kLineSolid = 0, kLineOnOffDash };
enum CDrawStyle { kDrawStroked = 0, kDrawFilled, kDrawFilledAndStroked };

// Knob modes (the host's effSetEditKnobMode).
enum { kCircularMode = 0, kRelativCircularMode = 1, kLinearMode = 2 };

// Virtual key codes and modifier bits of VstKeyCode, as VST 2.x hosts send them.
enum VstVirtualKey : unsigned char {
    kVKeyBack = 1, kVKeyTab, kVKeyClear, kVKeyReturn, kVKeyPause, kVKeyEscape, kVKeySpace,
    kVKeyNext, kVKeyEnd, kVKeyHome, kVKeyLeft, kVKeyUp, kVKeyRight, kVKeyDown,
    kVKeyPageUp, kVKeyPageDown,
};
enum VstKeyModifier : unsigned char {
    kVKeyModShift = 1, kVKeyModAlternate = 2, kVKeyModCommand = 4, kVKeyModControl = 8,
};

}  // namespace VSTGUI
