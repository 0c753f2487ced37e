#include "toolkit/CView.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"
#include "toolkit/CViewContainer.h"

#include <cmath>
#include <cstring>

namespace VSTGUI {

CView::CView(const CRect& r) : size(r), mouseableArea(r), homeRect(r), alternateRect(r), targetRect(r) {
    posX = float(r.left);
    posY = float(r.top);
}

CView::CView(const CView& o)
    : CBaseObject(o), size(o.size), mouseableArea(o.mouseableArea), background(o.background),
      dirty(o.dirty), mouseEnabled(o.mouseEnabled), visible(o.visible), transparent(o.transparent),
      wantsFocusFlag(o.wantsFocusFlag), slidingPanel(o.slidingPanel), startsHidden(o.startsHidden),
      hideOnArrival(o.hideOnArrival), homeRect(o.homeRect), alternateRect(o.alternateRect),
      targetRect(o.targetRect), slideFraction(o.slideFraction), fadeRate(o.fadeRate),
      fadeStep(o.fadeStep), opacity(o.opacity), posX(o.posX), posY(o.posY), attributes(o.attributes) {
    if (background) background->remember();
}

CView::~CView() {
    if (background) background->forget();
}

void CView::placeAt(const CRect& r) {
    size = r;
    mouseableArea = r;
}

void CView::setupSlidingPanel(const CRect& alternate, bool hidden, float fraction, float rate) {
    slidingPanel = true;
    homeRect = size;
    alternateRect = alternate;
    startsHidden = hidden;
    slideFraction = (fraction > 0.0f && fraction <= 1.0f) ? fraction : 1.0f;
    fadeRate = rate;
    fadeStep = 0.0f;
    hideOnArrival = false;
    placeAt(alternate);
    targetRect = alternate;
    posX = float(alternate.left);
    posY = float(alternate.top);
    // A panel that starts hidden is not drawn until it is first shown.
    if (hidden) {
        visible = false;
        if (fades()) opacity = 0.0f;
    }
}

bool CView::fades() const { return fadeRate != 0.0f && std::fabs(fadeRate) < 1.0f; }

void CView::setAlternateRect(const CRect& rect) {
    // A panel on its way to (or resting at) the old alternate goes to the new one.
    if (targetRect == alternateRect && alternateRect != homeRect) targetRect = rect;
    alternateRect = rect;
}

void CView::setHomeRect(const CRect& rect, float step) {
    const CRect old = getFrameRect();
    if (alternateRect == homeRect) alternateRect = rect;
    homeRect = rect;
    placeAt(rect);
    targetRect = rect;
    posX = float(rect.left);
    posY = float(rect.top);
    if (step != 0.0f) {
        fadeStep = step;
        if (step > 0.0f) opacity = 0.0f;
    }
    if (frame) {
        frame->invalidFrameRect(old);
        frame->invalidFrameRect(getFrameRect());
    }
}

void CView::draw(CDrawContext* context) {
    if (background) background->draw(context, size, CPoint(0, 0));
    setDirty(false);
}

void CView::drawRect(CDrawContext* context, const CRect&) { draw(context); }

CRect CView::getFrameRect() const {
    CRect r = size;
    for (const CView* p = parent; p; p = p->parent) r.offset(p->size.left, p->size.top);
    return r;
}

void CView::invalidRect(const CRect& rect) {
    if (!frame) return;
    CRect r = rect;
    for (const CView* p = parent; p; p = p->parent) r.offset(p->size.left, p->size.top);
    frame->invalidFrameRect(r);
}

void CView::invalid() {
    setDirty(true);
    invalidRect(size);
}

void CView::setVisible(bool state) {
    if (slidingPanel) {
        if (state) {
            visible = true;
            hideOnArrival = false;
            targetRect = homeRect;
            if (fades()) fadeStep = std::fabs(fadeRate);
            else if (fadeStep <= 0.0f) opacity = 1.0f;  // no fade: shown means fully drawn
        } else {
            targetRect = alternateRect;
            hideOnArrival = startsHidden;
            if (fades()) {
                fadeStep = -std::fabs(fadeRate);
            } else if (hideOnArrival && size == targetRect) {
                // Already where it hides (a panel whose alternate is its home): it
                // goes now, not on the next tick, so it takes no further press.
                hideOnArrival = false;
                visible = false;
            }
        }
        invalidRect(size);
        return;
    }
    if (visible == state) return;
    visible = state;
    invalidRect(size);
    if (visible) setDirty(true);
}

bool CView::animate() {
    bool moved = false;
    if (fadeStep != 0.0f) {
        opacity += fadeStep;
        if (opacity >= 1.0f) {
            opacity = 1.0f;
            fadeStep = 0.0f;
        } else if (opacity <= 0.0f) {
            opacity = 0.0f;
            fadeStep = 0.0f;
        }
        setDirty(true);
        invalidRect(size);
        moved = true;
    }
    if (size != targetRect) {
        const CRect old = size;
        posX += slideFraction * (float(targetRect.left) - posX);
        posY += slideFraction * (float(targetRect.top) - posY);
        CRect next = size;
        if (std::fabs(float(targetRect.left) - posX) < 0.5f && std::fabs(float(targetRect.top) - posY) < 0.5f) {
            next = targetRect;
            posX = float(targetRect.left);
            posY = float(targetRect.top);
        } else {
            next.moveTo(int32_t(std::floor(posX + 0.5f)), int32_t(std::floor(posY + 0.5f)));
        }
        placeAt(next);
        CRect both = old;
        both.unite(next);
        setDirty(true);
        invalidRect(both);
        moved = true;
    }
    if (size == targetRect && hideOnArrival && fadeStep == 0.0f) {
        hideOnArrival = false;
        visible = false;
        invalidRect(size);
        moved = true;
    }
    return moved;
}

CMouseEventResult CView::onMouseDown(CPoint&, const int32_t&) { return kMouseEventNotHandled; }
CMouseEventResult CView::onMouseUp(CPoint&, const int32_t&) { return kMouseEventNotHandled; }
CMouseEventResult CView::onMouseMoved(CPoint&, const int32_t&) { return kMouseEventNotHandled; }
CMouseEventResult CView::onMouseEntered(CPoint&, const int32_t&) { return kMouseEventNotHandled; }
CMouseEventResult CView::onMouseExited(CPoint&, const int32_t&) { return kMouseEventNotHandled; }

bool CView::hitTest(const CPoint& where, const int32_t&) {
    if (!mouseableArea.pointInside(where)) return false;
    if (!isAtRest()) return false;
    if (background && background->isLoaded())
        return background->getAlpha(where.h - size.left, where.v - size.top) > 199;
    return true;
}

bool CView::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                    const int32_t& buttons) {
    const float d = axis == kMouseWheelAxisX ? -distance : distance;
    return onWheel(where, d, buttons);
}

bool CView::onWheel(const CPoint&, const float&, const int32_t&) { return false; }

void CView::setViewSize(const CRect& rect, bool invalidate) {
    const CRect old = size;
    placeAt(rect);
    targetRect = rect;
    if (!slidingPanel) homeRect = rect;
    posX = float(rect.left);
    posY = float(rect.top);
    if (invalidate) {
        invalidRect(old);
        invalid();
    }
}

CPoint& CView::frameToLocal(CPoint& point) const {
    for (const CView* p = parent; p; p = p->parent) point.offset(-p->size.left, -p->size.top);
    return point;
}

CPoint& CView::localToFrame(CPoint& point) const {
    for (const CView* p = parent; p; p = p->parent) point.offset(p->size.left, p->size.top);
    return point;
}

void CView::setBackground(CBitmap* bitmap) {
    if (bitmap) bitmap->remember();
    if (background) background->forget();
    background = bitmap;
    setDirty(true);
}

bool CView::isTypeOf(const char* type) const { return type && std::strcmp(type, "CView") == 0; }

int32_t CView::onKeyDown(const unsigned char, const int32_t, const unsigned char) { return -1; }
int32_t CView::onKeyUp(const unsigned char, const int32_t, const unsigned char) { return -1; }

bool CView::setAttribute(uint32_t id, size_t n, const void* data) {
    if (n && !data) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    attributes[id] = std::vector<uint8_t>(bytes, bytes + n);
    return true;
}

bool CView::getAttributeSize(uint32_t id, size_t& outSize) const {
    auto it = attributes.find(id);
    if (it == attributes.end()) return false;
    outSize = it->second.size();
    return true;
}

bool CView::getAttribute(uint32_t id, size_t inSize, void* data, size_t& outSize) const {
    auto it = attributes.find(id);
    if (it == attributes.end() || inSize < it->second.size()) return false;
    if (!it->second.empty()) std::memcpy(data, it->second.data(), it->second.size());
    outSize = it->second.size();
    return true;
}

}  // namespace VSTGUI
