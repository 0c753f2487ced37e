// A two-state button: a left press toggles between 0 and 1. The bitmap holds the
// off picture above the on picture.
#pragma once

#include "toolkit/CControl.h"

namespace VSTGUI {

class COnOffButton : public CControl {
public:
    COnOffButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                 int32_t style = 0);

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override;
    bool isTypeOf(const char* type) const override;
    CView* newCopy() const override { return new COnOffButton(*this); }
    int32_t getStyle() const { return style; }

protected:
    // Whether the value shows the on picture: here any value whose integer part
    // is not 0.
    virtual bool showsOn() const { return int32_t(value) != 0; }

private:
    int32_t style;
};

}  // namespace VSTGUI
