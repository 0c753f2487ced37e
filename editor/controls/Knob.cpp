#include "editor/controls/Knob.h"

#include "editor/Mox_GUI_Editor.h"
#include "editor/controls/GlobalDisplays.h"
#include "host/ControlTable.h"
#include "host/Mox_DSP_VST.h"
#include "host/PresetBank.h"
#include "platform/Resources.h"
#include "toolkit/CBitmap.h"

#include <cmath>
#include <cstring>

using namespace VSTGUI;

Mox_Knob::Mox_Knob(const CRect& size, Mox_GUI_Editor* e, int32_t tag, int32_t frames, int32_t frameHeight,
                   CBitmap* bitmap, int32_t mode)
    : CAnimKnob(size, e, tag, frames, frameHeight, bitmap), editor(e), effect(e ? e->dspEffect() : nullptr),
      spring(mode == kSpring), proportional(mode == kProportional) {
    setTransparency(true);
}

float Mox_Knob::FactoryDefault(int32_t tag) {
    const EmbeddedResource* bank = FindEmbeddedResource("DATA", Mox_DSP_VST::kFactoryBankName);
    if (!bank || bank->size < sizeof(PresetMemory) || tag < 0 || tag >= kPresetParamCount) return 0.0f;
    float v;
    std::memcpy(&v, bank->data + offsetof(PresetMemory, values) + sizeof(float) * size_t(tag), sizeof v);
    float safe = 0.0f;
    return SafeUnit(v, safe) ? safe : 0.0f;
}

void Mox_Knob::setValue(float x) {
    if (setValueGuard || !(x == x)) return;
    // A host writing automation back while the user drags must not pull the knob
    // away; what it set is shown when the press ends.
    if (isPressed) {
        heldBack = x != value;
        if (heldBack) {
            heldBackValue = x;
            return;
        }
    }
    if (numberEntry) {
        setValueGuard = true;
        if (auto* entry = dynamic_cast<CControl*>(editor->slot(numberEntry))) entry->setValue(x);
        setValueGuard = false;
    }
    if (x == lastSet) return;
    value = x;
    lastSet = x;
    if (auto* global = Mox_GlobalNumberDisplay::Of(*editor); global && global->getShownTag() == tag) global->setValue(x);
    links.broadcast(nullptr, value);
    ++redrawCounter;
}

CMessageResult Mox_Knob::notifyRecord(CBaseObject* sender, const CNotifyRecord& record) {
    const LinkMessage* link = AsLink(record);
    if (!link || links.broadcasting()) return kMessageUnknown;
    if (link->kind == LinkMessage::kRegister) {
        links.add(dynamic_cast<CView*>(sender), link->slot);
        return kMessageNotified;
    }
    float v;
    if (!SafeUnit(link->value, v)) return kMessageUnknown;
    value = v;  // the shown value and the last set value stay: set value follows from the effect
    if (effect) effect->setParameterAutomated(tag, v);
    return kMessageNotified;
}

void Mox_Knob::refresh() {
    if (shown != value) {
        if (std::fabs(value - shown) < 0.005f) shown = value;
        else shown += (value - shown) * easing();
        setDirty(true);
    }
    RedrawWhenCounted(*this, redrawCounter);
}

int32_t Mox_Knob::frameFor(float v) const {
    if (subPixmaps <= 1) return 0;
    int32_t index = int32_t(float(subPixmaps - 1) * v);
    return index < 0 ? 0 : (index > subPixmaps - 1 ? subPixmaps - 1 : index);
}

void Mox_Knob::draw(CDrawContext* context) {
    float v = shown;
    if (v >= 0.0f && background) {
        if (proportional) v = 1.0f - std::pow(1.0f - v, 4.0f);
        background->draw(context, size, CPoint(0, frameFor(v) * heightOfOneImage));
    }
    setDirty(false);
}

void Mox_Knob::askForMidiLearn(const CPoint& where) {
    if (auto* learn = dynamic_cast<Mox_CControlListener*>(listener))
        learn->requestMidiLearn(this, CPoint(where.h - size.left, where.v - size.top));
}

CMouseEventResult Mox_Knob::onMouseDown(CPoint& where, const int32_t& buttons) {
    // The global displays (where the table builds them) follow the last knob pressed.
    if (effect && effect->editorBuilding == 0) {
        if (auto* number = Mox_GlobalNumberDisplay::Of(*editor)) {
            number->setShownTag(tag);
            number->setValue(value);
        }
        if (auto* name = Mox_GlobalNameDisplay::Of(*editor)) name->setShownTag(tag);
    }
    if (!(buttons & kLButton)) {
        if ((buttons & kRButton) && tag < kHostParameterCount) {
            askForMidiLearn(where);
            return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
        }
        return kMouseEventNotHandled;
    }
    beginEdit();
    isPressed = true;
    if (buttons & kDoubleClick) {
        value = FactoryDefault(tag);
        if (value != lastSet) pressLock = true;
    } else {
        value = shown;  // a press while the picture eases stops it where it is drawn
    }
    if (value != lastSet && listener) listener->valueChanged(this);
    anchor = where;
    anchorValue = value;
    anchorButtons = buttons;
    ++redrawCounter;
    return kMouseEventHandled;
}

void Mox_Knob::reportIfChanged(float before) {
    shown = value;
    if (value != before && listener) listener->valueChanged(this);
    ++redrawCounter;
}

void Mox_Knob::linearDrag(const CPoint& where, int32_t buttons, float range, bool useX, bool useY) {
    // A change of modifiers re-anchors, so the value never jumps.
    if (buttons != anchorButtons) {
        anchorButtons = buttons;
        anchor = where;
        anchorValue = value;
    }
    if (buttons & kShift) range *= 2.0f;
    if (buttons & kControl) range *= 3.0f;
    if (range <= 0.0f) return;
    const float moved = float((useY ? anchor.v - where.v : 0) + (useX ? where.h - anchor.h : 0));
    float v = moved / range + anchorValue;
    value = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

CMouseEventResult Mox_Knob::onMouseMoved(CPoint& where, const int32_t& buttons) {
    if (!isPressed || !(buttons & kLButton) || pressLock || where == anchor) return kMouseEventHandled;
    const float before = value;
    if (proportional) {
        float factor = (buttons & kShift) ? 0.0125f : 0.05f;
        if (buttons & kControl) factor *= 0.25f;
        // Every pixel moved is one step (up and right raise, down and left lower),
        // so the value follows the distance however many events the window server
        // cut the movement into.
        const int32_t steps = (anchor.v - where.v) + (where.h - anchor.h);
        for (int32_t i = 0; i < steps && value < 1.0f; ++i) {
            if (value == 0.0f) value = 0.0001f;
            value = std::min(1.0f, value + value * factor);
        }
        for (int32_t i = 0; i > steps && value > 0.0f; --i) {
            value -= value * factor;
            if (value < 0.0001f) value = 0.0f;
        }
        anchor = where;
    } else {
        linearDrag(where, buttons, dragRange, true, true);
    }
    reportIfChanged(before);
    return kMouseEventHandled;
}

CMouseEventResult Mox_Knob::onMouseUp(CPoint&, const int32_t&) {
    if (!isPressed) return kMouseEventHandled;
    pressLock = false;
    isPressed = false;
    if (spring) {
        value = shown = 0.5f;
        if (listener) listener->valueChanged(this);
        ++redrawCounter;
    } else {
        catchUpAfterPress();
    }
    heldBack = false;
    endEdit();
    return kMouseEventHandled;
}

void Mox_Knob::catchUpAfterPress() {
    // For a host parameter the effect's own record is the truth (a value posted
    // from another thread may still be on its way to the editor).
    float x;
    if (effect && tag >= 0 && tag < kPresetParamCount) x = effect->getParameter(tag);
    else if (heldBack) x = heldBackValue;
    else return;
    setValue(x);  // eases there, and tells the number entry and the links
}

bool Mox_Knob::onWheel(const CPoint&, const float& distance, const int32_t& buttons) {
    float step = distance * wheelInc;
    if (buttons & kShift) step *= 0.1f;
    float v;
    if (!SafeUnit(value + step, v)) return false;
    beginEdit();
    const float before = value;
    value = v;
    if (value != before && listener) listener->valueChanged(this);
    endEdit();
    return true;
}

bool Mox_Knob::hitTest(const CPoint& where, const int32_t&) {
    if (!mouseableArea.pointInside(where)) return false;
    if (!background || !background->isLoaded()) return true;
    const int32_t index = value > 0.0f ? frameFor(value) : 0;
    return background->getAlpha(where.h - size.left, index * heightOfOneImage + where.v - size.top) > 199;
}
