#include "editor/displays/LinkSlots.h"

#include "editor/EditorRecords.h"
#include "toolkit/CControl.h"
#include "toolkit/CControlListener.h"

#include <algorithm>
#include <cmath>

using namespace VSTGUI;

LinkSlots::LinkSlots(int32_t slots, CControlListener* l) : views(size_t(slots > 0 ? slots : 0), nullptr), listener(l) {}

LinkSlots::~LinkSlots() = default;

bool LinkSlots::registerLink(CBaseObject* sender, int32_t slot) {
    auto* view = dynamic_cast<CView*>(sender);
    if (!view || slot < 0 || slot >= int32_t(views.size())) return false;
    views[size_t(slot)] = view;
    return true;
}

CView* LinkSlots::linked(int32_t slot) const {
    return slot >= 0 && slot < int32_t(views.size()) ? views[size_t(slot)] : nullptr;
}

// The linked control's own edit protocol: the host hears begin/end edit for it.
void LinkSlots::beginEdit(CControl* control) { control->beginEdit(); }

void LinkSlots::endEdit(CControl* control) { control->endEdit(); }

bool LinkSlots::send(CView* self, int32_t slot, float value) {
    CView* target = linked(slot);
    if (!target || std::isnan(value)) return false;
    value = std::clamp(value, 0.0f, 1.0f);
    auto* control = dynamic_cast<CControl*>(target);
    const bool single = control && !dragging;
    if (control && dragging && std::find(open.begin(), open.end(), slot) == open.end()) {
        open.push_back(slot);
        beginEdit(control);
    }
    if (single) beginEdit(control);
    target->notifyRecord(self, LinkMessage(LinkMessage::kValue, slot, value));
    if (single) endEdit(control);
    return true;
}

void LinkSlots::endDrag() {
    dragging = false;
    std::vector<int32_t> slots;
    slots.swap(open);
    for (int32_t slot : slots)
        if (auto* control = dynamic_cast<CControl*>(linked(slot))) endEdit(control);
}

bool TakeLinkValue(float incoming, float& held) {
    if (std::isnan(incoming)) return false;
    const float v = std::clamp(incoming, 0.0f, 1.0f);
    if (v == held) return false;
    held = v;
    return true;
}
