#include "editor/controls/OnOffButton.h"

#include "editor/Mox_GUI_Editor.h"
#include "host/ControlTable.h"
#include "toolkit/CBitmap.h"

using namespace VSTGUI;

bool TwoStateHit(const CView& view, float value, const CPoint& where) {
    const CRect& r = view.getViewSize();
    if (!view.getMouseableArea().pointInside(where)) return false;
    CBitmap* skin = view.getBackground();
    if (!skin || !skin->isLoaded()) return true;
    const int32_t half = value != 0.0f ? r.height() : 0;
    return skin->getAlpha(where.h - r.left, half + where.v - r.top) > 199;
}

bool AskForMidiLearn(CControl& control, const CPoint& where, int32_t buttons) {
    if (!(buttons & kRButton) || (buttons & kLButton) || control.getTag() >= kHostParameterCount) return false;
    if (auto* learn = dynamic_cast<Mox_CControlListener*>(control.getListener())) {
        const CRect& r = control.getViewSize();
        learn->requestMidiLearn(&control, CPoint(where.h - r.left, where.v - r.top));
    }
    return true;
}

Mox_COnOffButton::Mox_COnOffButton(const CRect& size, Mox_GUI_Editor* editor, int32_t tag, CBitmap* bitmap,
                                   int32_t m)
    : COnOffButton(size, editor, tag, bitmap), mode(m) {
    setTransparency(true);
}

void Mox_COnOffButton::setValue(float x) {
    if (!(x == x)) return;
    value = x;
    links.broadcast(nullptr, x);
    ++redrawCounter;
}

void Mox_COnOffButton::report() {
    if (listener) listener->valueChanged(this);
}

CMessageResult Mox_COnOffButton::notifyRecord(CBaseObject* sender, const CNotifyRecord& record) {
    const LinkMessage* link = AsLink(record);
    if (!link || links.broadcasting()) return kMessageUnknown;
    if (link->kind == LinkMessage::kRegister) {
        links.add(dynamic_cast<CView*>(sender), link->slot);
        return kMessageNotified;
    }
    if (link->kind == kToggle) {
        value = value != 0.0f ? 0.0f : 1.0f;
    } else {
        float v;
        if (!SafeUnit(link->value, v)) return kMessageUnknown;
        value = v;
    }
    report();
    return kMessageNotified;
}

void Mox_COnOffButton::refresh() {
    RedrawWhenCounted(*this, redrawCounter);
}

bool Mox_COnOffButton::hitTest(const CPoint& where, const int32_t&) { return TwoStateHit(*this, value, where); }

CMouseEventResult Mox_COnOffButton::onMouseDown(CPoint& where, const int32_t& buttons) {
    if (AskForMidiLearn(*this, where, buttons)) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (!(buttons & kLButton)) return kMouseEventHandled;
    beginEdit();
    value = mode == kToggleMode ? (value != 0.0f ? 0.0f : 1.0f) : 1.0f;
    report();
    held = true;
    if (mode != kMomentary) {
        endEdit();
        held = false;
    }
    return kMouseEventHandled;
}

CMouseEventResult Mox_COnOffButton::onMouseUp(CPoint&, const int32_t&) {
    if (mode == kMomentary && held) {
        value = 0.0f;
        report();
        endEdit();
    }
    held = false;
    return kMouseEventHandled;
}
