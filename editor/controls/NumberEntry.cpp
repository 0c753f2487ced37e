#include "editor/controls/NumberEntry.h"

#include "editor/Mox_GUI_Editor.h"
#include "editor/controls/GlobalDisplays.h"
#include "host/Mox_DSP_VST.h"
#include "toolkit/CFrame.h"
#include "toolkit/CViewContainer.h"

#include <cmath>
#include <cstdio>
#include <limits>

using namespace VSTGUI;

bool TypedFraction(const char* text, const ControlDescriptor& row, float& fraction) {
    double number = 0.0;
    const double low = row.low, high = row.high;
    if (!ParseTypedNumber(text, number) || high == low) return false;
    const double f = (number - low) / (high - low);
    if (!(f >= 0.0 && f <= 1.0)) return false;
    fraction = float(f);
    return true;
}

bool AcceptedEdit(const std::string& edited, const std::string& before, const ControlDescriptor& row,
                  float& fraction) {
    return edited.find('\0') == std::string::npos && edited != before && TypedFraction(edited.c_str(), row, fraction);
}

bool ParseTypedNumber(const char* text, double& out) {
    if (!text) return false;
    const char* p = text;
    bool negative = false;
    if (*p == '-') negative = true, ++p;
    if (*p == '+') ++p;
    double number = 0.0, weight = 0.1;
    bool fraction = false;
    for (; *p; ++p) {
        if (*p >= '0' && *p <= '9') {
            if (fraction) {
                number += (*p - '0') * weight;
                weight *= 0.1;
            } else {
                number = number * 10.0 + (*p - '0');
            }
        } else if (*p == '.' && !fraction) {
            fraction = true;
        } else {
            return false;
        }
    }
    out = negative ? -number : number;
    return true;
}

std::string FormatDecimals(double value, int32_t decimals) {
    static const char* const kFormats[] = {"%1.0f", "%1.1f", "%1.2f", "%1.3f", "%1.4f"};
    const int32_t d = decimals < 0 ? 0 : (decimals > 4 ? 4 : decimals);
    char text[64];
    std::snprintf(text, sizeof text, kFormats[d], value);
    return text;
}

Mox_CNumberEntry::Mox_CNumberEntry(const CRect& size, Mox_GUI_Editor* e, int32_t tag, int32_t d, bool n)
    : CTextEdit(size, e, tag), editor(e), decimals(d), noEdit(n),
      lastDrawnValue(std::numeric_limits<float>::quiet_NaN()) {}

void Mox_CNumberEntry::setShownTag(int32_t t) {
    shownTag = t;
    lastDrawnValue = std::numeric_limits<float>::quiet_NaN();  // the range may differ
    setDirty();
}

std::string Mox_CNumberEntry::valueText() const {
    const ControlDescriptor& row = editor->rowOfTag(valueTag());
    return FormatDecimals(double(row.low) + (double(row.high) - double(row.low)) * double(value), decimals);
}

void Mox_CNumberEntry::setValue(float v) {
    if (setValueGuard || !std::isfinite(v)) return;
    value = v;
    if (auto* global = Mox_GlobalNumberDisplay::Of(*editor); global && global->getShownTag() == valueTag())
        global->setValue(v);
    links.broadcast(this, v);
    ++redrawCounter;
}

void Mox_CNumberEntry::refresh() {
    RedrawWhenCounted(*this, redrawCounter);
}

void Mox_CNumberEntry::draw(CDrawContext* context) {
    if (!(value == lastDrawnValue)) {
        lastDrawnValue = value;
        text = valueText();
    }
    CTextEdit::draw(context);
}

CMouseEventResult Mox_CNumberEntry::onMouseDown(CPoint& where, const int32_t& buttons) {
    if (noEdit) return kMouseEventHandled;
    Mox_DSP_VST* dsp = editor->dspEffect();
    if (dsp && !dsp->editorBuilding) {
        if (auto* global = Mox_GlobalNumberDisplay::Of(*editor)) {
            global->setShownTag(valueTag());
            global->setValue(value);
        }
        if (auto* name = Mox_GlobalNameDisplay::Of(*editor)) name->setShownTag(valueTag());
    }
    if ((buttons & kRButton) && shownTag == 0 && tag < kHostParameterCount) {
        editor->requestMidiLearn(this, CPoint(where.h - size.left, where.v - size.top));
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (buttons & kLButton) {
        // The field opens with the text as shown now.
        text = valueText();
        lastDrawnValue = value;
        textBeforeEdit = text;
        takeFocus();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    return kMouseEventNotHandled;
}

void Mox_CNumberEntry::editFieldEnded(const std::string& edited, bool byReturn) {
    if (!takeEndedText(edited, byReturn)) return;
    bool accepted = false;
    float fraction = 0.0f;
    if (AcceptedEdit(edited, textBeforeEdit, editor->rowOfTag(valueTag()), fraction)) {
        value = fraction;
        sendToEffect(valueTag(), value);
        accepted = true;
    }
    // Accepted or not, the field shows the value as formatted; a refused text
    // gives the old one back.
    text = accepted ? valueText() : textBeforeEdit;
    lastDrawnValue = value;
    if (frame && frame->getFocusView() == this) frame->setFocusView(nullptr);
    invalid();
    if (parent) parent->notify(this, kMsgLooseFocus);
}

void Mox_CNumberEntry::sendToEffect(int32_t index, float v) {
    Mox_DSP_VST* dsp = editor->dspEffect();
    if (!dsp) return;
    setValueGuard = true;
    dsp->setParameterAutomated(index, v);
    setValueGuard = false;
    ++redrawCounter;
}

CMessageResult Mox_CNumberEntry::notifyRecord(CBaseObject* sender, const CNotifyRecord& record) {
    if (record.kind != CNotifyRecord::kLink) return kMessageUnknown;
    const auto& message = static_cast<const LinkMessage&>(record);
    if (message.kind == LinkMessage::kRegister) {
        links.add(dynamic_cast<CView*>(sender), message.slot);
        return kMessageNotified;
    }
    if (message.kind != LinkMessage::kValue || !std::isfinite(message.value)) return kMessageUnknown;
    setValue(message.value);
    sendToEffect(tag, message.value);
    return kMessageNotified;
}
