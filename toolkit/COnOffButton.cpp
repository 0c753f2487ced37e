#include "toolkit/COnOffButton.h"

#include "toolkit/CBitmap.h"

#include <cstring>

namespace VSTGUI {

COnOffButton::COnOffButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* bitmap,
                           int32_t s)
    : CControl(size, listener, tag, bitmap), style(s) {}

bool COnOffButton::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "COnOffButton") == 0) || CControl::isTypeOf(type);
}

CMouseEventResult COnOffButton::onMouseDown(CPoint&, const int32_t& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    if (checkDefaultValue(buttons)) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    const bool on = int32_t(value) != 0;
    userChangeValue(on ? 0.0f : 1.0f);
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void COnOffButton::draw(CDrawContext* context) {
    if (background) {
        const CCoord off = showsOn() ? size.height() : 0;
        background->draw(context, size, CPoint(0, off));
    }
    setDirty(false);
}

}  // namespace VSTGUI
