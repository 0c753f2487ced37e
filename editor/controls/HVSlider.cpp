#include "editor/controls/HVSlider.h"

#include "toolkit/CBitmap.h"

using namespace VSTGUI;

Mox_HV_Slider::Mox_HV_Slider(const CRect& size, Mox_GUI_Editor* editor, int32_t tag, CBitmap* handle,
                             int32_t orientation, int32_t mode)
    : Mox_Knob(size, editor, tag, 1, handle ? handle->getHeight() : 0, handle, mode == kSpring ? kSpring : kLinear),
      vertical(orientation != 0), handleWidth(handle ? handle->getWidth() : 0),
      handleHeight(handle ? handle->getHeight() : 0) {
    travelPixels = vertical ? size.height() - handleHeight : size.width() - handleWidth;
    if (travelPixels < 0) travelPixels = 0;
    dragRange = float(travelPixels);
}

CRect Mox_HV_Slider::handleRect() const {
    CRect r = size;
    if (vertical) {
        r.top = size.top + int32_t((1.0f - shown) * float(travelPixels));
        r.bottom = r.top + handleHeight;
        r.right = r.left + handleWidth;
    } else {
        r.left = size.left + int32_t(float(travelPixels) * shown);
        r.right = r.left + handleWidth;
        r.bottom = r.top + handleHeight;
    }
    return r;
}

void Mox_HV_Slider::draw(CDrawContext* context) {
    if (background && shown >= 0.0f) background->draw(context, handleRect());
    setDirty(false);
}

bool Mox_HV_Slider::hitTest(const CPoint& where, const int32_t&) {
    const CRect handle = handleRect();
    if (!handle.pointInside(where) || !mouseableArea.pointInside(where)) return false;
    return !background || background->getAlpha(where.h - handle.left, where.v - handle.top) > 199;
}

CMouseEventResult Mox_HV_Slider::onMouseMoved(CPoint& where, const int32_t& buttons) {
    if (!isPressed || !(buttons & kLButton) || pressLock) return kMouseEventHandled;
    if (vertical ? where.v == anchor.v : where.h == anchor.h) return kMouseEventHandled;
    const float before = lastSet;
    linearDrag(where, buttons, dragRange, !vertical, vertical);
    reportIfChanged(before);
    return kMouseEventHandled;
}
