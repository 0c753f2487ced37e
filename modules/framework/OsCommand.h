// Mox_DSP_OS_Command: turns control events into actions outside the audio path.
// A nonzero event on input 0 (the editor's web-link button) asks the owner to open
// the maker's web page, on input 2 a second page; input 9 saves the preset bank on
// every event that follows a nonzero one (a button's release after its press).
// The module only asks: the owner carries the actions out off the audio thread.
#pragma once

#include <cstdint>

#include "modules/framework/ModuleBase.h"

class Mox_DSP_OS_Command : public Mox_ModuleBase {
public:
    // The addresses opened by the pins that have one (0 and 2).
    static const char* AddressOfPin(int pin);

    Mox_DSP_OS_Command(ModuleOwner* owner, bool startDisabled) : Mox_ModuleBase(owner, startDisabled) {}
    void Open() override;
    void HandleEvent(ModuleEvent* event, int offset) override;

private:
    int32_t saveArmed = 0;
};
