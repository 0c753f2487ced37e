// Mox_AnimButton: a two-state button (or, display-only, an indicator lamp) whose
// picture steps through its film strip between off (first frame) and on (last).
// Modes (type code - 7): 0 on at once, fades off; 1 fades on at double speed;
// 2 fades both ways; 3 loops between the second and the last frame while on;
// 4 rises at full speed and falls back at half speed while on (a pulse); 5 as 4
// but the loop reaches the first frame. The speed is frames per tick x (frames - 1).
#pragma once

#include "editor/controls/Knob.h"

class Mox_AnimButton : public Mox_Knob {
public:
    Mox_AnimButton(const VSTGUI::CRect& size, Mox_GUI_Editor* editor, int32_t tag, int32_t frames,
                   int32_t frameHeight, VSTGUI::CBitmap* bitmap, float speed, int32_t mode, bool displayOnly);

    void setValue(float x) override;
    void refresh() override;
    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint&, const int32_t&) override {
        return VSTGUI::kMouseEventHandled;
    }
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint&, const int32_t&) override { return VSTGUI::kMouseEventHandled; }

    float phase() const { return phasePosition; }
    int32_t shownFrame() const;

private:
    float step = 0.0f;
    float phasePosition = 0.0f;
    float speedStep, oneFrame;
    int32_t mode;
};
