// A rotary knob. Angles are in radians in screen orientation (0 points right,
// growing clockwise because y grows downwards); the default runs from the
// lower left (3/4 pi) through the top to the lower right, a range of 3/2 pi.
// Dragging is circular (the value follows the pointer's angle about the centre)
// or linear (right and up increase the value), chosen by the knob mode and alt.
#pragma once

#include "toolkit/CControl.h"

namespace VSTGUI {

class CKnob : public CControl {
public:
    CKnob(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
          CBitmap* handle, const CPoint& offset = CPoint());
    CKnob(const CKnob& other);
    ~CKnob() override;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const int32_t& buttons) override;
    bool onWheel(const CPoint& where, const float& distance, const int32_t& buttons) override;
    int32_t onKeyDown(const unsigned char virt, const int32_t character, const unsigned char modifier) override;
    bool isTypeOf(const char* type) const override;
    CView* newCopy() const override { return new CKnob(*this); }
    void setMin(float v) override { CControl::setMin(v); compute(); }
    void setMax(float v) override { CControl::setMax(v); compute(); }

    void setStartAngle(float angle) { startAngle = angle; compute(); }
    float getStartAngle() const { return startAngle; }
    void setRangeAngle(float angle) { rangeAngle = angle; compute(); }
    float getRangeAngle() const { return rangeAngle; }
    void setZoomFactor(float z) { zoomFactor = z > 0.0f ? z : 1.0f; }
    float getZoomFactor() const { return zoomFactor; }
    void setInsetValue(int32_t v) { inset = v; }
    void setColorHandle(CColor c) { colorHandle = c; }
    void setColorShadowHandle(CColor c) { colorShadowHandle = c; }
    void setHandleBitmap(CBitmap* bitmap);
    bool isDragging() const { return dragging; }

    // The handle's point (view-local pixels) for the current value.
    CPoint valueToPoint() const;
    // The value the angle of where (view-local) stands for, clamped to the nearer end
    // when the angle lies in the gap.
    float valueFromPoint(const CPoint& where) const;
    // The angle of where (view-local) about the centre, in [0, 2 pi).
    float angleOf(const CPoint& where) const;

protected:
    void compute();
    // A point in the parent's coordinates (as mouse events come) in the knob's own.
    CPoint toLocal(const CPoint& where) const;
    bool linearDrag(int32_t buttons) const;
    void startDrag(const CPoint& where, int32_t buttons);

    float startAngle;
    float rangeAngle;
    float halfAngle = 0.0f;
    float aCoef = 0.0f;     // value per radian
    float bCoef = 0.0f;     // value offset
    float zoomFactor = 1.5f;
    int32_t inset = 3;
    CColor colorHandle = kWhiteCColor;
    CColor colorShadowHandle = {64, 64, 64, 255};
    CBitmap* handle = nullptr;
    CPoint offset;

    // Drag state.
    bool dragging = false;
    CPoint firstPoint;
    CPoint lastPoint;
    float entryValue = 0.0f;
    float range = 200.0f;
    int32_t lastModifiers = 0;
    float lastAngle = 0.0f;  // relative circular mode: the pointer's previous angle
};

}  // namespace VSTGUI
