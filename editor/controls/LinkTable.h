// The links a control keeps (up to 8 views, each with the slot number it was
// registered under) and the guarded broadcast of its value to them: while the
// broadcast runs, messages coming back are ignored, so two linked controls never
// bounce a value between them.
#pragma once

#include "editor/EditorRecords.h"

#include <cstdint>

class LinkTable {
public:
    static constexpr int kMaxLinks = 8;

    // Registrations beyond the eighth are ignored.
    void add(VSTGUI::CView* view, int32_t slot) {
        if (count < kMaxLinks && view) links[count++] = {view, slot};
    }
    int size() const { return count; }
    bool broadcasting() const { return guard; }
    // Sends value to every link in registration order, each under its own slot.
    void broadcast(float value) {
        if (count == 0 || guard) return;
        guard = true;
        for (int i = 0; i < count; ++i) links[i].view->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, links[i].slot, value));
        guard = false;
    }

private:
    struct Link {
        VSTGUI::CView* view;
        int32_t slot;
    };
    Link links[kMaxLinks] = {};
    int count = 0;
    bool guard = false;
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
