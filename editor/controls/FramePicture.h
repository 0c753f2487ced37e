// A control drawn from its skin alone: the sub-picture for its value, stacked
// vertically in the bitmap (a slider's handle placed along its travel; a needle
// turned to its angle). The layout walk builds it for rows whose own control
// class this editor does not have, so every row shows its skin and follows its
// value. Like a knob or slider it hands its value to the number entry that
// shows it.
#pragma once

#include "editor/EditorRecords.h"
#include "toolkit/CControl.h"

class Mox_FramePicture : public VSTGUI::CControl, public EditorElement {
public:
    enum Style { kStrip, kVerticalHandle, kHorizontalHandle, kNeedle };
    Mox_FramePicture(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                     VSTGUI::CBitmap* bitmap, int32_t frames, Style style = kStrip);

    void draw(VSTGUI::CDrawContext* context) override;
    void setValue(float v) override;
    // Needles: the pivot lies pivotBelowCentre pixels below the bitmap's centre and
    // values 0..1 turn it from startDegrees to endDegrees.
    void setNeedle(int32_t pivotBelowCentre, float startDegrees, float endDegrees);
    void setNumberEntryTag(int32_t tag) override { numberEntryTag = tag; }

private:
    int32_t frames;
    Style style;
    int32_t pivotBelowCentre = 0;
    float startDegrees = 0.0f, endDegrees = 0.0f;
    int32_t numberEntryTag = -1;
    bool feedingEntry = false;
};
