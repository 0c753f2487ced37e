#include "toolkit/CViewContainer.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CControl.h"
#include "toolkit/CControlListener.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>

namespace VSTGUI {

bool isViewInside(const CView* descendant, const CView* view) {
    for (const CView* v = descendant; v; v = v->getParentView())
        if (v == view) return true;
    return false;
}

CViewContainer::CViewContainer(const CRect& size, CFrame* f, CBitmap* bitmap) : CView(size) {
    frame = f;
    if (bitmap) {
        bitmap->remember();
        background = bitmap;
    }
}

CViewContainer::~CViewContainer() { removeAll(true); }

CMessageResult CViewContainer::notify(CBaseObject* sender, const char* message) {
    if (isMessage(message, kMsgCheckIfViewContainer)) return kMessageNotified;
    return CView::notify(sender, message);
}

bool CViewContainer::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "CViewContainer") == 0) || CView::isTypeOf(type);
}

CView* CViewContainer::newCopy() const {
    auto* copy = new CViewContainer(size, nullptr, background);
    copy->backgroundColor = backgroundColor;
    copy->backgroundOffset = backgroundOffset;
    for (CView* child : children) copy->addView(child->newCopy());
    return copy;
}

void CViewContainer::propagateFrame() {
    for (CView* child : children) {
        child->attached(this, frame);
        if (auto* c = dynamic_cast<CViewContainer*>(child)) c->propagateFrame();
    }
}

bool CViewContainer::addView(CView* view) { return addView(view, nullptr); }

bool CViewContainer::addView(CView* view, CView* before) {
    if (!view || view == this || isChild(view)) return false;
    auto at = before ? std::find(children.begin(), children.end(), before) : children.end();
    children.insert(at, view);
    view->attached(this, frame);
    if (auto* c = dynamic_cast<CViewContainer*>(view)) c->propagateFrame();
    view->invalid();
    return true;
}

void CViewContainer::forgetView(CView* view) {
    if (mouseDownView && isViewInside(mouseDownView, view)) mouseDownView = nullptr;
    for (CView* child : children)
        if (auto* c = dynamic_cast<CViewContainer*>(child)) c->forgetView(view);
}

bool CViewContainer::removeView(CView* view, bool withForget) {
    auto it = std::find(children.begin(), children.end(), view);
    if (it == children.end()) return false;
    view->invalidRect(view->getViewSize());
    if (frame) frame->onViewRemoved(view);
    if (mouseDownView && isViewInside(mouseDownView, view)) mouseDownView = nullptr;
    children.erase(it);
    view->attached(nullptr, nullptr);
    if (withForget) view->forget();
    return true;
}

bool CViewContainer::removeAll(bool withForget) {
    while (!children.empty()) removeView(children.back(), withForget);
    mouseDownView = nullptr;
    return true;
}

bool CViewContainer::isChild(CView* view) const {
    return std::find(children.begin(), children.end(), view) != children.end();
}

CView* CViewContainer::getView(int32_t index) const {
    return index >= 0 && index < int32_t(children.size()) ? children[size_t(index)] : nullptr;
}

CView* CViewContainer::getViewAt(const CPoint& where, bool deep) const {
    CPoint local = where;
    local.offset(-size.left, -size.top);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CView* child = *it;
        if (!child->isVisible() || !child->getViewSize().pointInside(local)) continue;
        if (deep)
            if (auto* c = dynamic_cast<CViewContainer*>(child))
                if (CView* inner = c->getViewAt(local, true)) return inner;
        return child;
    }
    return nullptr;
}

void CViewContainer::setBackgroundColor(CColor color) {
    backgroundColor = color;
    setDirty(true);
}

void CViewContainer::collectDirty(CRegion& region) const {
    for (CView* child : children) {
        if (!child->isVisible()) continue;
        if (child->isDirty()) region.add(child->getFrameRect());
        if (auto* c = dynamic_cast<CViewContainer*>(child)) c->collectDirty(region);
    }
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& rect) {
    if (backgroundColor.alpha) {
        context->setFillColor(backgroundColor);
        context->drawRect(rect, kDrawFilled);
    }
    if (background) background->draw(context, size, backgroundOffset);
}

void CViewContainer::draw(CDrawContext* context) { drawRect(context, size); }

void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect) {
    CRect area = updateRect;
    area.bound(size);
    if (area.isEmpty() || opacity <= 0.0f) {
        setDirty(false);
        return;
    }
    const CRect savedClip = context->getClipRect();
    CRect clip = area;
    clip.bound(savedClip);
    context->setClipRect(clip);

    // A fading container is drawn into a group and laid down with its opacity.
    const bool fading = opacity < 1.0f;
    if (fading) cairo_push_group(context->getCairo());

    drawBackgroundRect(context, area);

    const CPoint savedOffset = context->getOffset();
    context->setOffset(CPoint(savedOffset.h + size.left, savedOffset.v + size.top));
    CRect localArea = clip;
    localArea.offset(-size.left, -size.top);
    for (CView* child : children) {
        if (!child->isVisible() || !child->checkUpdate(localArea)) continue;
        CRect childArea = child->getViewSize();
        childArea.bound(localArea);
        context->setClipRect(childArea);
        child->drawRect(context, childArea);
        child->setDirty(false);
    }
    context->setOffset(savedOffset);
    context->setClipRect(clip);

    if (fading) {
        cairo_pop_group_to_source(context->getCairo());
        cairo_paint_with_alpha(context->getCairo(), opacity);
    }
    context->setClipRect(savedClip);
    setDirty(false);
}

CMouseEventResult CViewContainer::onMouseDown(CPoint& where, const int32_t& buttons) {
    CPoint local;
    CView* child = childForInput(where, local, buttons);
    if (!child) return kMouseEventNotHandled;
    // Right button or any modifier: the listener may take the click first.
    if (buttons > (kLButton | kMButton)) {
        if (auto* control = dynamic_cast<CControl*>(child); control && control->getListener())
            if (control->getListener()->controlModifierClicked(control, buttons))
                return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    const CMouseEventResult result = child->onMouseDown(local, buttons);
    if (result == kMouseEventHandled) mouseDownView = child;
    return result;
}

CMouseEventResult CViewContainer::onMouseUp(CPoint& where, const int32_t& buttons) {
    if (!mouseDownView) return kMouseEventNotHandled;
    CView* view = mouseDownView;
    mouseDownView = nullptr;
    CPoint local = where;
    local.offset(-size.left, -size.top);
    return view->onMouseUp(local, buttons);
}

CMouseEventResult CViewContainer::onMouseMoved(CPoint& where, const int32_t& buttons) {
    if (!mouseDownView) return kMouseEventNotHandled;
    CPoint local = where;
    local.offset(-size.left, -size.top);
    return mouseDownView->onMouseMoved(local, buttons);
}

CView* CViewContainer::childForInput(const CPoint& where, CPoint& local, int32_t buttons) const {
    local = where;
    local.offset(-size.left, -size.top);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CView* child = *it;
        if (child->isVisible() && child->getMouseEnabled() && child->hitTest(local, buttons)) return child;
    }
    return nullptr;
}

bool CViewContainer::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                             const int32_t& buttons) {
    CPoint local;
    CView* child = childForInput(where, local, buttons);
    return child && child->onWheel(local, axis, distance, buttons);
}

bool CViewContainer::acceptsDrop(const CPoint& where) {
    CPoint local;
    CView* child = childForInput(where, local);
    return child && child->acceptsDrop(local);
}

bool CViewContainer::onDrop(const CPoint& where, const std::vector<std::string>& files) {
    CPoint local;
    CView* child = childForInput(where, local);
    return child && child->acceptsDrop(local) && child->onDrop(local, files);
}

bool CViewContainer::onWheel(const CPoint& where, const float& distance, const int32_t& buttons) {
    return onWheel(where, kMouseWheelAxisY, distance, buttons);
}

bool CViewContainer::animate() {
    bool moved = CView::animate();
    for (CView* child : children) moved = child->animate() || moved;
    return moved;
}

}  // namespace VSTGUI
