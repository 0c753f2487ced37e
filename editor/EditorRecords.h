// What the editor's controls and display windows exchange, and the hooks the
// layout walk calls on them.
//
// Link message: a control tells a linked view its value, or registers itself as
// a link (kind -1) under a slot number. Display record: what the display-data
// modules posted for an element, handed over on the editor's thread at a tick.
// Both travel through CView::notifyRecord, never through string notifications.
#pragma once

#include "toolkit/CControlListener.h"
#include "toolkit/CView.h"

#include <cstdint>

namespace VSTGUI {
class CControl;
class CViewContainer;
}

struct LinkMessage : VSTGUI::CNotifyRecord {
    static constexpr int32_t kRegister = -1;
    static constexpr int32_t kValue = 0;
    LinkMessage(int32_t kind, int32_t slot, float value = 0.0f)
        : CNotifyRecord(kLink), kind(kind), slot(slot), value(value) {}
    int64_t reserved = 0;  // always 0
    int32_t kind;          // kRegister or kValue (other kinds are the receiver's own)
    int32_t slot;          // link slot number
    float value;           // value updates only
};

struct DisplayRecord : VSTGUI::CNotifyRecord {
    // Sent by the editor, not posted by a module: no display data arrives any more
    // (the host suspended the plug-in or stopped calling process). Meters fall as
    // they do in silence.
    static constexpr int32_t kSilence = 120;

    DisplayRecord() : CNotifyRecord(kDisplay) {}
    int32_t code = 0;       // 0 peak, 1 RMS, 2 four channel peaks, 3..5 captures, 6 dynamics, 104/110 meter type,
                            // kSilence
    int32_t aux = 0;        // meter type for 104 and 110
    float value = 0.0f;     // codes 0 and 1: the largest level posted since the last tick
    uint32_t posts = 0;     // codes 0 and 1: values posted since the last tick
    float channels[4] = {0, 0, 0, 0};  // code 2; code 6: the values of DisplayDynamics (ModuleOwner.h)
    const void* data = nullptr;        // codes 3..5: the module's capture buffer
};

// The editor's listener: the toolkit's four operations plus the MIDI-learn request
// (a right press on a control whose tag is a host parameter).
class Mox_CControlListener : public VSTGUI::CControlListener {
public:
    // point: in the requesting control's own coordinates (0, 0 = its top left).
    virtual void requestMidiLearn(VSTGUI::CControl* control, const VSTGUI::CPoint& point) = 0;
};

// Hooks the layout walk calls on the views it builds; a view answers those that
// concern it and ignores the rest.
class EditorElement {
public:
    virtual ~EditorElement() = default;
    // Directive 109, on a number entry: the knob or slider it shows.
    virtual void setShownTag(int32_t /*tag*/) {}
    // Directive 109, on a knob or slider: the number entry that shows it.
    virtual void setNumberEntryTag(int32_t /*tag*/) {}
    // Directive 103: a member of this button's group.
    virtual void addGroupMember(VSTGUI::CControl* /*member*/) {}
    // Directive 104: a panel this button shows and hides.
    virtual void addDrivenPanel(VSTGUI::CView* /*panel*/) {}
    // Directive 102: the panel shown while item is the chosen one.
    virtual void setItemPanel(int32_t /*item*/, VSTGUI::CView* /*panel*/) {}
};

// The redraw counter of a control: changes count it up, the next frame-timer
// tick redraws the control once and clears it.
inline void RedrawWhenCounted(VSTGUI::CView& view, int32_t& counter) {
    if (counter) {
        counter = 0;
        view.invalid();
    }
}

// The MIDI-learn control, armed by the editor's request.
class MidiLearnElement {
public:
    virtual ~MidiLearnElement() = default;
    // tag: the parameter; controller: the one bound now (-1 none); where: frame coordinates.
    virtual void arm(int32_t tag, int32_t controller, const VSTGUI::CPoint& where) = 0;
};
