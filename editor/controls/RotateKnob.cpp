#include "editor/controls/RotateKnob.h"

#include "toolkit/CBitmap.h"

using namespace VSTGUI;

Mox_Rotate_Knob::Mox_Rotate_Knob(const CRect& size, Mox_GUI_Editor* editor, int32_t tag, CBitmap* bitmap,
                                 int32_t mode, float startDegrees, float endDegrees, float secondLayerRatio,
                                 int32_t layerCount)
    : Mox_Knob(size, editor, tag, 1, size.height(), bitmap, mode == kSpring ? kSpring : kLinear),
      start(startDegrees), end(endDegrees), ratio(secondLayerRatio), layers(layerCount > 0 ? layerCount : 1) {
    layerHeight = bitmap ? bitmap->getHeight() / layers : 0;
    dragRange = 640.0f;
}

void Mox_Rotate_Knob::draw(CDrawContext* context) {
    if (background && layerHeight > 0) {
        const CPoint centre(size.width() / 2, layerHeight / 2);
        const float angle = angleFor(shown);
        background->setRotation(angle, centre);
        background->draw(context, size, CPoint());
        if (layers >= 3) {
            background->setRotation(angle * ratio, centre);
            background->draw(context, size, CPoint(0, layerHeight));
        }
        background->setRotation(0.0f, CPoint());
        if (layers >= 2) background->draw(context, size, CPoint(0, (layers - 1) * layerHeight));
    }
    setDirty(false);
}

bool Mox_Rotate_Knob::hitTest(const CPoint& where, const int32_t&) {
    if (!mouseableArea.pointInside(where)) return false;
    return !background || background->getAlpha(where.h - size.left, where.v - size.top) > 199;
}
