// The link table of a display window: the control registered under each slot
// number, and the way dragged values reach them. A value goes to the control as a
// link message; the control then sets the parameter and the value comes back to
// every link through its set value. While a drag runs, the first value sent to a
// slot opens an edit on its control (the host records the drag as one gesture);
// the drag's end closes every edit it opened. A value sent outside a drag is
// wrapped in its own edit.
#pragma once

#include "toolkit/CView.h"

#include <cstdint>
#include <vector>

namespace VSTGUI {
class CControl;
class CControlListener;
}

class LinkSlots {
public:
    // listener: whom begin and end edit go to (the editor); when null, the
    // control's own listener.
    LinkSlots(int32_t slots, VSTGUI::CControlListener* listener);
    ~LinkSlots();

    // A register message from sender for slot; false when the slot is out of range
    // or the sender is not a view.
    bool registerLink(VSTGUI::CBaseObject* sender, int32_t slot);
    VSTGUI::CView* linked(int32_t slot) const;

    // Sends value (held to 0..1; NaN sends nothing) to the control of slot, from
    // the window self. False when nothing was sent.
    bool send(VSTGUI::CView* self, int32_t slot, float value);

    void beginDrag() { dragging = true; }
    // Ends the edits the drag opened, in the order they were opened.
    void endDrag();
    bool inDrag() const { return dragging; }

private:
    void beginEdit(VSTGUI::CControl* control);
    void endEdit(VSTGUI::CControl* control);

    std::vector<VSTGUI::CView*> views;
    std::vector<int32_t> open;  // slots with an edit open in this drag
    VSTGUI::CControlListener* listener;
    bool dragging = false;
};

// A link value as a window takes it: NaN keeps the old value, the rest is held to
// 0..1. Answers whether the held value changed.
bool TakeLinkValue(float incoming, float& held);
