// Mox_DSP_Float_to_Volt: a control value x, scaled and offset (a * x + b), as a
// constant signal on output 0, with an on/off event on output 1 whenever the
// result changes between zero and nonzero (only when output 1 is connected).
#pragma once

#include "modules/framework/ModuleBase.h"

class Mox_DSP_Float_to_Volt : public Mox_ModuleBase {
public:
    Mox_DSP_Float_to_Volt(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_Float_to_Volt() override;
    void Open() override;
    void OnOutputConnected(uint16_t outputPin) override;
    // Pin 0: x; pin 9: scale a = v * 10; pin 10: offset b = v * 10.
    void HandleEvent(ModuleEvent* event, int offset) override;
    void Fill(int start, int count);

private:
    float x = 0.0f, a = 1.0f, b = 0.0f;
    float output = 0.0f;
    int countdown = 0;
    bool pending = false;
    bool onOffConnected = false;
    int lastOnOff = 0;
};
