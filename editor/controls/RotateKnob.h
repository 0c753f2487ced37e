// Mox_Rotate_Knob: one picture turned to the value (start to end angle, degrees),
// with an optional second layer turning at a ratio of that angle and a last layer
// drawn on top unturned. The layers are stacked vertically in the bitmap. Drags
// need 640 pixels for the whole range; the first layer decides the hit test.
#pragma once

#include "editor/controls/Knob.h"

class Mox_Rotate_Knob : public Mox_Knob {
public:
    Mox_Rotate_Knob(const VSTGUI::CRect& size, Mox_GUI_Editor* editor, int32_t tag, VSTGUI::CBitmap* bitmap,
                    int32_t mode, float startDegrees, float endDegrees, float secondLayerRatio, int32_t layers);

    void draw(VSTGUI::CDrawContext* context) override;
    bool hitTest(const VSTGUI::CPoint& where, const int32_t& buttons = -1) override;
    float angleFor(float v) const { return start + (end - start) * v; }

private:
    float start, end, ratio;
    int32_t layers, layerHeight;
};
