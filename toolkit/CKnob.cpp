#include "toolkit/CKnob.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

#include <cmath>
#include <cstring>

namespace VSTGUI {

namespace {
constexpr float kPi = 3.14159265358979323846f;
constexpr float kTwoPi = 2.0f * kPi;
constexpr float kFullRangePixels = 200.0f;

float normalise(float angle) {
    angle = std::fmod(angle, kTwoPi);
    if (angle < 0.0f) angle += kTwoPi;
    return angle;
}
}  // namespace

CKnob::CKnob(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
             CBitmap* handleBitmap, const CPoint& o)
    : CControl(size, listener, tag, background), startAngle(0.75f * kPi), rangeAngle(1.5f * kPi), offset(o) {
    setHandleBitmap(handleBitmap);
    compute();
}

CKnob::CKnob(const CKnob& other) : CControl(other) {
    startAngle = other.startAngle;
    rangeAngle = other.rangeAngle;
    zoomFactor = other.zoomFactor;
    inset = other.inset;
    colorHandle = other.colorHandle;
    colorShadowHandle = other.colorShadowHandle;
    offset = other.offset;
    handle = nullptr;
    setHandleBitmap(other.handle);
    compute();
}

CKnob::~CKnob() {
    if (handle) handle->forget();
}

void CKnob::setHandleBitmap(CBitmap* bitmap) {
    if (bitmap) bitmap->remember();
    if (handle) handle->forget();
    handle = bitmap;
}

bool CKnob::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "CKnob") == 0) || CControl::isTypeOf(type);
}

void CKnob::compute() {
    halfAngle = (kTwoPi - std::fabs(rangeAngle)) * 0.5f;
    aCoef = rangeAngle != 0.0f ? (vmax - vmin) / rangeAngle : 0.0f;
    bCoef = vmin - aCoef * startAngle;
}

CPoint CKnob::valueToPoint() const {
    const float angle = aCoef != 0.0f ? (value - bCoef) / aCoef : startAngle;
    const float radius = size.width() * 0.5f - inset;
    const float cx = size.width() * 0.5f, cy = size.height() * 0.5f;
    return CPoint(int32_t(std::lround(cx + std::cos(angle) * radius)),
                  int32_t(std::lround(cy + std::sin(angle) * radius)));
}

CPoint CKnob::toLocal(const CPoint& where) const { return CPoint(where.h - size.left, where.v - size.top); }

float CKnob::angleOf(const CPoint& where) const {
    return normalise(std::atan2(where.v - size.height() * 0.5f, where.h - size.width() * 0.5f));
}

float CKnob::valueFromPoint(const CPoint& where) const {
    const float angle = angleOf(where);
    const float span = std::fabs(rangeAngle);
    // Position along the range, measured from the start in the range's direction.
    const float along = rangeAngle >= 0.0f ? normalise(angle - startAngle) : normalise(startAngle - angle);
    if (along <= span) return rangeAngle >= 0.0f ? along * aCoef + vmin : vmin - along * aCoef;
    // In the gap: the end whose angle is nearer.
    return (along - span) < (kTwoPi - along) ? vmax : vmin;
}

bool CKnob::linearDrag(int32_t buttons) const {
    const int32_t mode = frame ? frame->getKnobMode() : kCircularMode;
    const bool alt = (buttons & kAlt) != 0;
    return (mode != kLinearMode && alt) || (mode == kLinearMode && !alt);
}

void CKnob::startDrag(const CPoint& where, int32_t buttons) {
    firstPoint = where;
    lastPoint = where;
    entryValue = value;
    lastModifiers = buttons & kModifierMask;
    lastAngle = angleOf(toLocal(where));
    range = kFullRangePixels;
    if (buttons & kShift) range *= zoomFactor;
}

CMouseEventResult CKnob::onMouseDown(CPoint& where, const int32_t& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    if (checkDefaultValue(buttons)) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    startDrag(where, buttons);
    dragging = true;
    beginEdit();
    return kMouseEventHandled;
}

CMouseEventResult CKnob::onMouseUp(CPoint&, const int32_t&) {
    if (!dragging) return kMouseEventNotHandled;
    dragging = false;
    endEdit();
    return kMouseEventHandled;
}

CMouseEventResult CKnob::onMouseMoved(CPoint& where, const int32_t& buttons) {
    if (!dragging) return kMouseEventNotHandled;
    // A change of modifiers re-bases the drag on the current point and value, so
    // zooming in or out does not make the value jump.
    if ((buttons & kModifierMask) != lastModifiers) startDrag(lastPoint, buttons);
    lastPoint = where;
    float next;
    if (linearDrag(buttons)) {
        const float diff = float((where.h - firstPoint.h) - (where.v - firstPoint.v));
        next = entryValue + diff * (vmax - vmin) / range;
    } else if (frame && frame->getKnobMode() == kRelativCircularMode) {
        // The value turns by as much as the pointer turned about the centre since
        // the last move, wherever the press was: no jump on the first move.
        const float angle = angleOf(toLocal(where));
        float turn = angle - lastAngle;
        if (turn > kPi) turn -= kTwoPi;
        if (turn < -kPi) turn += kTwoPi;
        lastAngle = angle;
        next = value + turn * aCoef;
    } else {
        next = valueFromPoint(toLocal(where));
        // A jump of more than half the range (across the gap) snaps to the end
        // nearer to where the value was.
        if (std::fabs(next - value) > (vmax - vmin) * 0.5f)
            next = (value - vmin) < (vmax - value) ? vmin : vmax;
    }
    applyUserValue(next);
    return kMouseEventHandled;
}

bool CKnob::onWheel(const CPoint&, const float& distance, const int32_t& buttons) {
    float step = distance * wheelInc;
    if (buttons & kShift) step *= 0.1f;
    userChangeValue(value + step);
    return true;
}

int32_t CKnob::onKeyDown(const unsigned char virt, const int32_t, const unsigned char modifier) {
    float step;
    switch (virt) {
    case kVKeyUp:
    case kVKeyRight: step = wheelInc; break;
    case kVKeyDown:
    case kVKeyLeft: step = -wheelInc; break;
    default: return -1;
    }
    if (modifier & kVKeyModShift) step *= 0.1f;
    userChangeValue(value + step);
    return 1;
}

void CKnob::draw(CDrawContext* context) {
    if (background) {
        background->draw(context, size, offset);
    }
    const CPoint p = valueToPoint();
    if (handle && handle->isLoaded()) {
        const int32_t w = handle->getWidth(), h = handle->getHeight();
        CRect r(p.h - w / 2, p.v - h / 2, p.h - w / 2 + w, p.v - h / 2 + h);
        r.offset(size.left, size.top);
        handle->draw(context, r);
    } else {
        const CPoint centre(size.left + size.width() / 2, size.top + size.height() / 2);
        const CPoint tip(size.left + p.h, size.top + p.v);
        context->setLineWidth(1);
        context->setFrameColor(colorShadowHandle);
        context->moveTo(CPoint(centre.h + 1, centre.v + 1));
        context->lineTo(CPoint(tip.h + 1, tip.v + 1));
        context->setFrameColor(colorHandle);
        context->moveTo(centre);
        context->lineTo(tip);
    }
    setDirty(false);
}

}  // namespace VSTGUI
