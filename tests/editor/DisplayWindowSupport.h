// The knob side of the link protocol, standing in for the editor's knobs in the
// display windows' tests: a link message with a value goes to the effect's
// setParameterAutomated, and the value the effect stores comes back through set
// value to every registered link. The editor's real window rows are used; only
// the controls they link to are replaced.
#pragma once

#include "editor/EditorRecords.h"
#include "host/ControlTable.h"
#include "host/Mox_DSP_VST.h"
#include "tests/editor/EditorTestSupport.h"
#include "toolkit/CFrame.h"

#include <map>
#include <utility>
#include <vector>

namespace editor_test {

class StandInKnob : public VSTGUI::CControl {
public:
    StandInKnob(int32_t tag, Mox_DSP_VST* effect)
        : CControl(VSTGUI::CRect(-600, -600, -599, -599), nullptr, tag), effect(effect) {}

    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override {
        if (record.kind != VSTGUI::CNotifyRecord::kLink || broadcasting) return VSTGUI::kMessageUnknown;
        const auto& m = static_cast<const LinkMessage&>(record);
        if (m.kind == LinkMessage::kRegister) {
            if (auto* view = dynamic_cast<VSTGUI::CView*>(sender)) links.emplace_back(view, m.slot);
            return VSTGUI::kMessageNotified;
        }
        ++valuesReceived;
        value = m.value;
        effect->setParameterAutomated(tag, m.value);
        return VSTGUI::kMessageNotified;
    }
    void setValue(float x) override {
        if (x == lastSet) return;
        value = lastSet = x;
        broadcasting = true;
        for (auto& [view, slot] : links) view->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, slot, x));
        broadcasting = false;
    }
    int valuesReceived = 0;

private:
    Mox_DSP_VST* effect;
    std::vector<std::pair<VSTGUI::CView*, int32_t>> links;
    float lastSet = 1.0e24f;
    bool broadcasting = false;
};

// Replaces the controls linked to the window in slot windowTag by stand-ins,
// linked both ways as the table's link rows link them, showing the effect's values.
inline void LinkStandIns(Mox_GUI_Editor& editor, Mox_DSP_VST& effect, int32_t windowTag) {
    OnEditorThread([&] {
        VSTGUI::CView* window = editor.slot(windowTag);
        ASSERT_NE(window, nullptr);
        for (int r = 1; r < kControlTableRows; ++r) {
            const ControlDescriptor& d = controlTable[r];
            if (d.type != kTypeLinkWindow || d.tag != windowTag) continue;
            auto* knob = new StandInKnob(d.x, &effect);
            editor.getFrame()->addView(knob);
            editor.setSlot(d.x, knob);
            window->notifyRecord(knob, LinkMessage(LinkMessage::kRegister, d.aux));
            knob->notifyRecord(window, LinkMessage(LinkMessage::kRegister, d.aux));
            knob->setValue(effect.getParameter(d.x));
        }
    });
}

// What the host was told, per parameter.
struct HostSeen {
    std::map<int32_t, int> automated, begun, ended;
    std::map<int32_t, float> lastValue;
    bool allInRange = true;
};

inline HostSeen WhatTheHostSaw() {
    HostSeen seen;
    for (const HostRecord& r : RecordedHostCalls()) {
        if (r.opcode == audioMasterAutomate) {
            ++seen.automated[r.index];
            seen.lastValue[r.index] = r.opt;
            if (!(r.opt >= 0.0f && r.opt <= 1.0f)) seen.allInRange = false;
        }
        if (r.opcode == audioMasterBeginEdit) ++seen.begun[r.index];
        if (r.opcode == audioMasterEndEdit) ++seen.ended[r.index];
    }
    return seen;
}

// Mouse events through the frame, in frame coordinates, as the window system
// delivers them.
struct Mouse {
    VSTGUI::CFrame* frame;
    void down(VSTGUI::CPoint p, int32_t buttons = VSTGUI::kLButton) {
        OnEditorThread([&] { frame->platformOnMouseDown(p, buttons); });
    }
    void move(VSTGUI::CPoint p, int32_t buttons = VSTGUI::kLButton) {
        OnEditorThread([&] { frame->platformOnMouseMoved(p, buttons); });
    }
    void up(VSTGUI::CPoint p, int32_t buttons = VSTGUI::kLButton) {
        OnEditorThread([&] { frame->platformOnMouseUp(p, buttons); });
    }
};

}  // namespace editor_test
