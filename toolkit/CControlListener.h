// What a control reports to its owner (the editor).
#pragma once

#include <cstdint>

namespace VSTGUI {

class CControl;

class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
    // A press with the right button or a modifier; true when the listener took it.
    virtual int32_t controlModifierClicked(CControl* /*control*/, int32_t /*buttons*/) { return 0; }
    virtual void controlBeginEdit(CControl* /*control*/) {}
    virtual void controlEndEdit(CControl* /*control*/) {}
};

}  // namespace VSTGUI
