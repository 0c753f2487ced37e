#include "editor/controls/ExclusiveButton.h"

#include "editor/Mox_GUI_Editor.h"
#include "editor/controls/OnOffButton.h"
#include "host/Mox_DSP_VST.h"
#include "toolkit/CFrame.h"

using namespace VSTGUI;

Mox_ExclusiveButton::Mox_ExclusiveButton(const CRect& size, Mox_GUI_Editor* e, int32_t tag, CBitmap* bitmap,
                                         bool mayOff)
    : COnOffButton(size, e, tag, bitmap), editor(e), maySwitchOff(mayOff) {
    setTransparency(true);
}

void Mox_ExclusiveButton::addGroupMember(CControl* member) {
    if (member && member != this && members.size() < kMaxMembers) members.push_back(member);
}

void Mox_ExclusiveButton::addDrivenPanel(CView* panel) {
    if (panel && panels.size() < kMaxPanels) panels.push_back(panel);
}

void Mox_ExclusiveButton::setValue(float x) {
    if (!(x == x)) return;
    value = x;
    Mox_DSP_VST* effect = editor ? editor->dspEffect() : nullptr;
    const bool quiet = !effect || effect->editorBuilding != 0 || effect->loadingProgram != 0;
    if (!members.empty() && !quiet) {
        if (x > 0.0f) {
            for (CControl* m : members) {
                m->setValue(0.0f);
                if (m->getListener()) m->getListener()->valueChanged(m);
            }
        } else if (!maySwitchOff) {
            bool anyOn = false;
            for (CControl* m : members) anyOn = anyOn || m->getValue() > 0.0f;
            if (!anyOn) {
                setValue(1.0f);
                if (listener) listener->valueChanged(this);
            }
        }
    }
    if (!panels.empty()) {
        for (CView* p : panels) p->setVisible(value > 0.0f);
        if (frame) frame->invalid();
    }
    ++redrawCounter;
}

void Mox_ExclusiveButton::refresh() {
    RedrawWhenCounted(*this, redrawCounter);
}

bool Mox_ExclusiveButton::hitTest(const CPoint& where, const int32_t&) { return TwoStateHit(*this, value, where); }

CMouseEventResult Mox_ExclusiveButton::onMouseDown(CPoint& where, const int32_t& buttons) {
    if (AskForMidiLearn(*this, where, buttons)) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (buttons & kLButton) {
        beginEdit();
        setValue(value == 0.0f ? 1.0f : 0.0f);
        if (listener) listener->valueChanged(this);
        endEdit();
    }
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}
