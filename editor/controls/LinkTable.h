// The links of a control: up to eight (view, slot) pairs it tells its value, and
// the guard that keeps a broadcast from starting again inside itself (a linked
// view that answers back). Links point at views of the same frame, which all go
// away together at close.
#pragma once

#include "editor/EditorRecords.h"

#include <cstdint>

class LinkTable {
public:
    static constexpr int kMaxLinks = 8;

    // Registers a link; false for null or when all places are taken. The same
    // pair twice keeps one place.
    bool add(VSTGUI::CView* view, int32_t slot) {
        if (!view) return false;
        for (int i = 0; i < count; ++i)
            if (links[i].view == view && links[i].slot == slot) return true;
        if (count == kMaxLinks) return false;
        links[count++] = {view, slot};
        return true;
    }
    // Tells every linked view (kind 0, its slot, value); nothing while already telling.
    void broadcast(VSTGUI::CBaseObject* sender, float value) {
        if (busy) return;
        busy = true;
        for (int i = 0; i < count; ++i) links[i].view->notifyRecord(sender, LinkMessage(LinkMessage::kValue, links[i].slot, value));
        busy = false;
    }
    bool broadcasting() const { return busy; }
    int size() const { return count; }

private:
    struct Link {
        VSTGUI::CView* view;
        int32_t slot;
    };
    Link links[kMaxLinks] = {};
    int count = 0;
    bool busy = false;
};

// The link message a record is, or null.
inline const LinkMessage* AsLink(const VSTGUI::CNotifyRecord& record) {
    return record.kind == VSTGUI::CNotifyRecord::kLink ? static_cast<const LinkMessage*>(&record) : nullptr;
}

// A value from outside (links, host, mouse wheel) made safe: NaN is refused, the
// rest held to 0..1.
inline bool SafeUnit(float in, float& out) {
    if (!(in == in)) return false;
    out = in < 0.0f ? 0.0f : (in > 1.0f ? 1.0f : in);
    return true;
}
