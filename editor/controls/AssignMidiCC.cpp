#include "editor/controls/AssignMidiCC.h"

#include "editor/Mox_GUI_Editor.h"
#include "host/Mox_DSP_VST.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFontDesc.h"
#include "toolkit/CFrame.h"
#include "toolkit/COptionMenu.h"
#include "toolkit/CViewContainer.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

using namespace VSTGUI;

namespace {

// The controller the effect received last, as the MIDI thread left it.
int32_t LastReceived(Mox_DSP_VST* dsp) {
    return dsp ? std::atomic_ref<int32_t>(dsp->lastMidiController).load(std::memory_order_relaxed) : -1;
}

CRect Inside(const CRect& area, const CRect& owner) {
    CRect r = area;
    r.offset(owner.left, owner.top);
    return r;
}

}  // namespace

Mox_AssignMidiCC::Mox_AssignMidiCC(const CRect& size, Mox_GUI_Editor* e)
    : CView(size), editor(e), font(new CFontDesc("Arial", 14)) {
    setTransparency(true);
}

Mox_AssignMidiCC::~Mox_AssignMidiCC() { font->forget(); }

void Mox_AssignMidiCC::select(int32_t controller) {
    selected = controller >= 0 && controller <= 127 ? controller : -1;
    if (selected < 0) std::snprintf(text, sizeof text, "None");
    else std::snprintf(text, sizeof text, "%d", int(selected));
    setDirty();
}

void Mox_AssignMidiCC::arm(int32_t armed, int32_t controller, const CPoint& where) {
    tag = armed;
    select(controller);
    if (Mox_DSP_VST* dsp = editor->dspEffect())
        std::atomic_ref<int32_t>(dsp->lastMidiController).store(-1, std::memory_order_relaxed);
    CViewContainer* panel = getParentView();
    if (!panel || !frame || panel->getHomeRect() != panel->getAlternateRect()) return;
    // A panel that does not slide opens at the mouse, inside the editor.
    const CRect& frameSize = frame->getViewSize();
    const CRect& current = panel->getViewSize();
    const int32_t w = current.width(), h = current.height();
    const int32_t left = std::max(0, std::min(where.h, frameSize.width() - w));
    const int32_t top = std::max(0, std::min(where.v, frameSize.height() - h));
    panel->setHomeRect(CRect(left, top, left + w, top + h), 1.0f);
}

void Mox_AssignMidiCC::refresh() {
    const int32_t received = LastReceived(editor->dspEffect());
    if (received >= 0 && received != selected) select(received);
}

void Mox_AssignMidiCC::draw(CDrawContext* context) {
    const CViewContainer* panel = getParentView();
    const int32_t p = panel ? panel->getAlpha() : 255;
    const uint8_t m = uint8_t(p * p / 255);
    context->setFont(font);
    if (tag > 0) {
        const ControlDescriptor& row = editor->rowOfTag(tag);
        context->setFontColor(CColor{255, 255, 255, m});
        context->drawString(row.label ? row.label : "", Inside(kNameBox, size), kCenterText);
    }
    context->setFontColor(CColor{0, 0, 0, m});
    context->drawString(text, Inside(kControllerBox, size), kCenterText);
    setDirty(false);
}

CMouseEventResult Mox_AssignMidiCC::onMouseDown(CPoint& where, const int32_t& buttons) {
    if (tag <= 0 || !(buttons & kLButton)) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    const CPoint local(where.h - size.left, where.v - size.top);
    if (kControllerBox.pointInside(local)) {
        CPoint framePoint = where;
        localToFrame(framePoint);
        chooseFromList(framePoint);
    } else if (kOkArea.pointInside(local)) {
        bindAndClose();
    }
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void Mox_AssignMidiCC::chooseFromList(const CPoint& framePoint) {
    if (!frame || !frame->getPlatformFrame()) return;
    auto* list = new COptionMenu(CRect(framePoint.h, framePoint.v, framePoint.h, framePoint.v), nullptr, 0, nullptr,
                                 kCheckStyle);
    list->setNbItemsPerColumn(kListColumn);
    list->addEntry("None");
    for (int32_t cc = 0; cc < 128; ++cc) {
        char title[16];
        std::snprintf(title, sizeof title, "CC %d", int(cc));
        list->addEntry(title);
    }
    list->checkEntry(selected + 1, true);
    int32_t first = 0;
    const auto entries = list->buildPlatformMenu(first);
    list->forget();
    const int32_t chosen = frame->getPlatformFrame()->popupMenu(entries, framePoint);
    if (chosen >= 0 && chosen < kListItems) select(chosen - 1);
    setDirty();
}

void Mox_AssignMidiCC::bindAndClose() {
    if (Mox_DSP_VST* dsp = editor->dspEffect()) dsp->SetMidiAssignment(tag, selected);
    CViewContainer* panel = getParentView();
    if (!panel || !frame) return;
    if (panel->getHomeRect() != panel->getAlternateRect()) {
        // A sliding panel leaves the editor on a side that changes from close to close.
        const CRect& home = panel->getHomeRect();
        const CRect& frameSize = frame->getViewSize();
        CRect away = home;
        switch (frame->getIdleTicks() % 4) {
        case 0: away.moveTo(-home.width(), home.top); break;
        case 1: away.moveTo(frameSize.width(), home.top); break;
        case 2: away.moveTo(home.left, -home.height()); break;
        default: away.moveTo(home.left, frameSize.height()); break;
        }
        panel->setAlternateRect(away);
    }
    panel->setVisible(false);
    frame->invalid();
}
