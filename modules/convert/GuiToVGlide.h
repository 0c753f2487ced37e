// Mox_DSP_GUItoV_Glide: a control value (scaled and offset, a * x + b) as a
// signal that glides linearly to each new value over 30 ms, so that moving a knob
// never steps. Output 1, when connected, reports with an on/off event whenever the
// target changes between zero and nonzero.
#pragma once

#include "modules/convert/GlideModule.h"

class Mox_DSP_GUItoV_Glide : public Mox_DSP_GlideBase {
public:
    Mox_DSP_GUItoV_Glide(ModuleOwner* owner, bool startDisabled)
        : Mox_DSP_GlideBase(owner, startDisabled, 30) {}
    void OnOutputConnected(uint16_t outputPin) override;
    // Pin 0: x; pin 1: glide time (ms / 10); pin 9: scale a = v * 10; pin 10:
    // offset b = v * 10.
    void HandleEvent(ModuleEvent* event, int offset) override;

private:
    void Accepted();

    float x = 0.0f, a = 1.0f, b = 0.0f;
    bool onOffConnected = false;
    int lastOnOff = 0;
};
