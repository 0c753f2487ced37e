// Mox_HV_Slider: a handle that travels along a vertical or horizontal track drawn
// in the background skin. Only the handle takes presses; a drag moves it by the
// travel for the whole range (shift x 2, control x 3), along its own axis only.
#pragma once

#include "editor/controls/Knob.h"

class Mox_HV_Slider : public Mox_Knob {
public:
    // orientation: 1 vertical (value 1 at the top), 0 horizontal (value 1 at the right).
    Mox_HV_Slider(const VSTGUI::CRect& size, Mox_GUI_Editor* editor, int32_t tag, VSTGUI::CBitmap* handle,
                  int32_t orientation, int32_t mode);

    void draw(VSTGUI::CDrawContext* context) override;
    bool hitTest(const VSTGUI::CPoint& where, const int32_t& buttons = -1) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const int32_t& buttons) override;

    int32_t travel() const { return travelPixels; }
    // Where the handle stands for the shown value (parent coordinates).
    VSTGUI::CRect handleRect() const;

protected:
    float easing() const override { return 0.1f; }

private:
    bool vertical;
    int32_t handleWidth, handleHeight, travelPixels;
};
