#include "editor/controls/ButtonHub.h"

#include "editor/controls/LinkTable.h"
#include "host/Mox_DSP_VST.h"

#include <cstring>

using namespace VSTGUI;

Mox_GUI_Multi_Button_Hub::Mox_GUI_Multi_Button_Hub(const CRect& size, CControlListener* listener, int32_t tag,
                                                   Mox_DSP_VST* e)
    : CControl(size, listener, tag), effect(e) {}

bool Mox_GUI_Multi_Button_Hub::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "Mox_GUI_Multi_Button_Hub") == 0) || CControl::isTypeOf(type);
}

CMessageResult Mox_GUI_Multi_Button_Hub::notifyRecord(CBaseObject* sender, const CNotifyRecord& record) {
    const LinkMessage* link = AsLink(record);
    if (!link || guard) return kMessageUnknown;
    if (link->kind == LinkMessage::kRegister) {
        if (auto* view = dynamic_cast<CView*>(sender); view && members.size() < kMaxMembers)
            members.push_back({view, link->slot});
        return kMessageNotified;
    }
    // The member with this slot number was pressed.
    if (members.size() < 2 || link->slot < 0 || link->slot >= int32_t(members.size())) return kMessageUnknown;
    selectedIndex = link->slot;
    value = float(selectedIndex) / float(members.size() - 1);
    if (effect) effect->setParameterAutomated(tag, value);
    return kMessageNotified;
}

void Mox_GUI_Multi_Button_Hub::setValue(float x) {
    float v;
    if (!SafeUnit(x, v) || members.empty()) return;
    guard = true;
    value = v;
    selectedIndex = int32_t(float(members.size() - 1) * v);
    for (size_t i = 0; i < members.size(); ++i)
        members[i].view->notifyRecord(this, LinkMessage(LinkMessage::kValue, members[i].slot,
                                                        int32_t(i) == selectedIndex ? 1.0f : 0.0f));
    guard = false;
}

Mox_GUI_Float_Store::Mox_GUI_Float_Store(const CRect& size, CControlListener* listener, int32_t tag, Mox_DSP_VST* e)
    : CControl(size, listener, tag), effect(e) {}

bool Mox_GUI_Float_Store::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "Mox_GUI_Float_Store") == 0) || CControl::isTypeOf(type);
}

CMessageResult Mox_GUI_Float_Store::notifyRecord(CBaseObject* sender, const CNotifyRecord& record) {
    const LinkMessage* link = AsLink(record);
    if (!link) return kMessageUnknown;
    if (link->kind == LinkMessage::kRegister) {
        linked = dynamic_cast<CView*>(sender);
        linkedSlot = link->slot;
        return kMessageNotified;
    }
    float v;
    if (!SafeUnit(link->value, v)) return kMessageUnknown;
    value = v;
    if (effect) effect->setParameterAutomated(tag, v);
    return kMessageNotified;
}

void Mox_GUI_Float_Store::setValue(float x) {
    if (!linked || !(x == x)) return;
    value = x;
    linked->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, linkedSlot, x));
}
