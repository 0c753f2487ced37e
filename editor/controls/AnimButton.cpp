#include "editor/controls/AnimButton.h"

#include "host/ControlTable.h"
#include "toolkit/CBitmap.h"

using namespace VSTGUI;

Mox_AnimButton::Mox_AnimButton(const CRect& size, Mox_GUI_Editor* editor, int32_t tag, int32_t frames,
                               int32_t frameHeight, CBitmap* bitmap, float speed, int32_t m, bool displayOnly)
    : Mox_Knob(size, editor, tag, frames, frameHeight, bitmap, kLinear), mode(m) {
    const float steps = frames > 1 ? float(frames - 1) : 1.0f;
    speedStep = (speed > 0.0f ? speed : 1.0f) / steps;
    oneFrame = 1.0f / steps;
    if (displayOnly) setMouseEnabled(false);
}

void Mox_AnimButton::setValue(float x) {
    if (!(x == x)) return;
    const float b = x >= 0.5f ? 1.0f : 0.0f;
    if (b != phasePosition) {
        if (b == 0.0f) {
            step = -speedStep;
        } else if (mode == 0) {
            phasePosition = 1.0f;
            step = 0.0f;
            setDirty(true);
        } else {
            step = mode == 1 ? 2.0f * speedStep : speedStep;
        }
    }
    value = b;
    Mox_Knob::setValue(b);
}

void Mox_AnimButton::refresh() {
    if (step != 0.0f) {
        phasePosition += step;
        const bool on = value != 0.0f;
        if (on && mode == 3) {
            if (phasePosition >= 1.0f) phasePosition = 1.0f, step = -step;
            else if (phasePosition <= oneFrame) phasePosition = oneFrame, step = -step;
        } else if (on && (mode == 4 || mode == 5)) {
            if (phasePosition >= 1.0f) phasePosition = 1.0f, step = -0.5f * speedStep;
            else if (mode == 4 && phasePosition <= oneFrame) phasePosition = oneFrame, step = speedStep;
            else if (mode == 5 && phasePosition <= 0.0f) phasePosition = 0.0f, step = speedStep;
        } else {
            if (phasePosition >= 1.0f) phasePosition = 1.0f, step = 0.0f;
            else if (phasePosition <= 0.0f) phasePosition = 0.0f, step = 0.0f;
        }
        setDirty(true);
    }
    RedrawWhenCounted(*this, redrawCounter);
}

int32_t Mox_AnimButton::shownFrame() const { return phasePosition >= 0.0f ? frameFor(phasePosition) : -1; }

void Mox_AnimButton::draw(CDrawContext* context) {
    const int32_t index = shownFrame();
    if (background && index >= 0) background->draw(context, size, CPoint(0, index * heightOfOneImage));
    setDirty(false);
}

CMouseEventResult Mox_AnimButton::onMouseDown(CPoint& where, const int32_t& buttons) {
    if (buttons & kLButton) {
        beginEdit();
        value = value != 0.0f ? 0.0f : 1.0f;  // the picture follows when the value comes back
        if (listener) listener->valueChanged(this);
        endEdit();
    } else if ((buttons & kRButton) && tag < kHostParameterCount) {
        askForMidiLearn(where);
    }
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}
