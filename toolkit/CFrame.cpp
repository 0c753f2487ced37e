#include "toolkit/CFrame.h"

#include "platform/PlatformFrame.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/IMouseObserver.h"
#include "toolkit/VSTGUIEditorInterface.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace VSTGUI {

static CRect atOrigin(const CRect& r) { return CRect(0, 0, r.width(), r.height()); }

namespace {
// Counts the input events being handled for CFrame::isHandlingInput.
struct InputScope {
    explicit InputScope(int32_t& d) : depth(d) { ++depth; }
    ~InputScope() { --depth; }
    int32_t& depth;
};
}  // namespace

static double validScale(double s) { return std::isfinite(s) && s >= 1.0 && s <= 4.0 ? s : 1.0; }

CFrame::CFrame(const CRect& r, void* systemWindow, VSTGUIEditorInterface* e, double s)
    : CViewContainer(atOrigin(r), nullptr, nullptr), editor(e), scale(validScale(s)) {
    frame = this;
    backBuffer = new COffscreenContext(size.width(), size.height(), scale);
    open(systemWindow);
}

CFrame::~CFrame() {
    close();
    if (backBuffer) backBuffer->forget();
}

bool CFrame::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "CFrame") == 0) || CViewContainer::isTypeOf(type);
}

bool CFrame::open(void* systemWindow) {
    if (opened) return true;
    if (systemWindow) {
        platform = orva::platform::createX11Frame(this, systemWindow, size.width(), size.height(), scale);
        if (!platform) return false;
    } else {
        platform = std::make_unique<orva::platform::OffscreenFrame>();
    }
    opened = true;
    invalidFrameRect(size);
    return true;
}

void CFrame::close() {
    if (!opened && !platform) return;
    setFocusView(nullptr);
    // Nothing is drawn again: the views taken away invalidate nothing (which also
    // keeps this path free of allocations, for a close after memory ran out).
    opened = false;
    invalidRegion.clear();
    removeAll(true);
    mouseObservers.clear();
    viewUnderMouse = nullptr;
    modalView = nullptr;
    platform.reset();
    opened = false;
}

void CFrame::platformOnWindowLost() {
    // Views stay; only the window is gone. Input and presentation stop.
    opened = false;
}

cairo_surface_t* CFrame::platformBackBuffer() { return backBuffer ? backBuffer->getSurface() : nullptr; }

void CFrame::setViewSize(const CRect& rect, bool invalidate) {
    setSize(rect.width(), rect.height());
    (void)invalidate;
}

bool CFrame::setSize(int32_t width, int32_t height) {
    // An editor rectangle is 16-bit for the host; cairo surfaces stop at 32767.
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
    CView::setViewSize(CRect(0, 0, width, height), false);
    auto* buffer = new COffscreenContext(width, height, scale);
    backBuffer->forget();
    backBuffer = buffer;
    if (platform) platform->setSize(width, height);
    if (editor) editor->frameResized(width, height);
    redrawAll();
    return true;
}

int32_t CFrame::getKnobMode() const { return editor ? editor->getKnobMode() : knobMode; }

void CFrame::registerMouseObserver(IMouseObserver* observer) {
    if (observer && std::find(mouseObservers.begin(), mouseObservers.end(), observer) == mouseObservers.end())
        mouseObservers.push_back(observer);
}

void CFrame::unregisterMouseObserver(IMouseObserver* observer) {
    mouseObservers.erase(std::remove(mouseObservers.begin(), mouseObservers.end(), observer),
                         mouseObservers.end());
}

void CFrame::setFocusView(CView* view) {
    if (view == focusView) return;
    CView* old = focusView;
    focusView = view;
    if (old) {
        old->looseFocus();
        old->notify(this, kMsgOldFocusView);
    }
    if (view && focusView == view) view->notify(this, kMsgNewFocusView);
}

void CFrame::setModalView(CView* view) {
    if (modalView) modalView->invalid();
    modalView = view;
    if (modalView) modalView->invalid();
}

void CFrame::onViewRemoved(CView* view) {
    if (focusView && isViewInside(focusView, view)) {
        CView* old = focusView;
        focusView = nullptr;
        old->looseFocus();
    }
    if (modalView && isViewInside(modalView, view)) modalView = nullptr;
    if (viewUnderMouse && isViewInside(viewUnderMouse, view)) {
        for (IMouseObserver* o : mouseObservers) o->onMouseExited(viewUnderMouse, this);
        viewUnderMouse = nullptr;
    }
    forgetView(view);
}

void CFrame::invalidFrameRect(const CRect& rect) {
    if (!opened) return;
    CRect r = rect;
    r.bound(size);
    if (r.isEmpty()) return;
    invalidRegion.add(r);
    if (platform) platform->requestUpdate();
}

CRect CFrame::toWholeDevicePixels(const CRect& rect) const {
    // The smallest logical step that is a whole number of device pixels.
    int32_t step = 1;
    while (step < 4 && std::fabs(step * scale - std::round(step * scale)) > 1e-9) ++step;
    if (step == 1) return rect;
    auto down = [step](int32_t v) { return int32_t(std::floor(double(v) / step)) * step; };
    auto up = [step](int32_t v) { return int32_t(std::ceil(double(v) / step)) * step; };
    return CRect(down(rect.left), down(rect.top), up(rect.right), up(rect.bottom));
}

void CFrame::updateDirty() {
    if (drawing) return;
    CRegion collected = invalidRegion;
    invalidRegion.clear();
    if (isDirty()) collected.add(size);
    collectDirty(collected);
    // Each rectangle is cleared and clipped on whole device pixels: one whose edge
    // fell inside a device pixel would leave that pixel half cleared, half drawn
    // (a seam) where it meets the picture beside it.
    CRegion region;
    for (const CRect& rect : collected.rectangles()) region.add(toWholeDevicePixels(rect));
    region.clip(size);
    lastRedrawArea = region.area();
    if (region.isEmpty()) return;
    drawing = true;
    for (const CRect& rect : region.rectangles()) {
        backBuffer->setOffset(CPoint());
        backBuffer->setDeviceClip(rect);
        // Whatever was there is replaced: the tree draws on a cleared area.
        backBuffer->setFillColor(kTransparentCColor);
        cairo_t* cr = backBuffer->getCairo();
        cairo_save(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
        cairo_restore(cr);
        drawRect(backBuffer, rect);
    }
    drawing = false;
    if (platform && opened)
        for (const CRect& rect : region.rectangles()) platform->present(rect);
}

void CFrame::animateAndRedraw() {
    if (drawing) return;
    animate();
    updateDirty();
}

void CFrame::redrawAll() {
    invalidFrameRect(size);
    updateDirty();
}

void CFrame::platformOnExpose(const CRect& rect) {
    invalidFrameRect(rect);
    updateDirty();
}

CMouseEventResult CFrame::platformOnMouseDown(CPoint where, int32_t buttons) {
    InputScope scope(inputDepth);
    for (IMouseObserver* o : mouseObservers) o->onMouseDown(this, where);
    // A press outside the focus view ends its edit.
    if (focusView) {
        CPoint local = where;
        focusView->frameToLocal(local);
        if (!focusView->getViewSize().pointInside(local)) setFocusView(nullptr);
    }
    CMouseEventResult result;
    if (modalView) {
        CPoint local = where;
        modalView->frameToLocal(local);
        result = (modalView->isVisible() && modalView->hitTest(local, buttons))
                     ? modalView->onMouseDown(local, buttons)
                     : kMouseEventNotHandled;
        if (result == kMouseEventHandled) mouseDownView = modalView;
    } else {
        result = onMouseDown(where, buttons);
    }
    if (result == kMouseEventHandled && platform) platform->setMouseCapture(true);
    return result;
}

CMouseEventResult CFrame::platformOnMouseUp(CPoint where, int32_t buttons) {
    InputScope scope(inputDepth);
    CMouseEventResult result;
    if (modalView && mouseDownView == modalView) {
        mouseDownView = nullptr;
        CPoint local = where;
        modalView->frameToLocal(local);
        result = modalView->onMouseUp(local, buttons);
    } else {
        result = onMouseUp(where, buttons);
    }
    if (platform) platform->setMouseCapture(false);
    updateViewUnderMouse(where, 0);
    return result;
}

CMouseEventResult CFrame::platformOnMouseMoved(CPoint where, int32_t buttons) {
    if (mouseDownView) {
        if (modalView && mouseDownView == modalView) {
            CPoint local = where;
            modalView->frameToLocal(local);
            return modalView->onMouseMoved(local, buttons);
        }
        return onMouseMoved(where, buttons);
    }
    updateViewUnderMouse(where, buttons);
    for (IMouseObserver* o : mouseObservers) o->onMouseMoved(this, where);
    if (viewUnderMouse) {
        CPoint local = where;
        viewUnderMouse->frameToLocal(local);
        return viewUnderMouse->onMouseMoved(local, buttons);
    }
    return kMouseEventNotHandled;
}

void CFrame::updateViewUnderMouse(const CPoint& where, int32_t buttons) {
    CView* now = getViewAt(where, true);
    if (now == viewUnderMouse) return;
    if (CView* old = viewUnderMouse) {
        viewUnderMouse = nullptr;
        CPoint local = where;
        old->frameToLocal(local);
        old->onMouseExited(local, buttons);
        for (IMouseObserver* o : mouseObservers) o->onMouseExited(old, this);
    }
    viewUnderMouse = now;
    if (now) {
        CPoint local = where;
        now->frameToLocal(local);
        now->onMouseEntered(local, buttons);
        for (IMouseObserver* o : mouseObservers) o->onMouseEntered(now, this);
    }
}

void CFrame::platformOnMouseExited() {
    if (mouseDownView) return;  // captured: the release will come
    if (CView* old = viewUnderMouse) {
        viewUnderMouse = nullptr;
        CPoint p;
        const int32_t none = 0;
        old->onMouseExited(p, none);
        for (IMouseObserver* o : mouseObservers) o->onMouseExited(old, this);
    }
}

bool CFrame::platformOnWheel(CPoint where, CMouseWheelAxis axis, float distance, int32_t buttons) {
    if (modalView) {
        CPoint local = where;
        modalView->frameToLocal(local);
        return modalView->onWheel(local, axis, distance, buttons);
    }
    return onWheel(where, axis, distance, buttons);
}

bool CFrame::platformCanDrop(CPoint where) { return !modalView && acceptsDrop(where); }

bool CFrame::platformOnDrop(CPoint where, const std::vector<std::string>& files) {
    return !modalView && !files.empty() && onDrop(where, files);
}

int32_t CFrame::platformOnKeyDown(unsigned char virt, int32_t character, unsigned char modifier) {
    InputScope scope(inputDepth);
    CView* target = modalView ? modalView : focusView ? focusView : viewUnderMouse;
    return target ? target->onKeyDown(virt, character, modifier) : -1;
}

int32_t CFrame::platformOnKeyUp(unsigned char virt, int32_t character, unsigned char modifier) {
    CView* target = modalView ? modalView : focusView ? focusView : viewUnderMouse;
    return target ? target->onKeyUp(virt, character, modifier) : -1;
}

}  // namespace VSTGUI
