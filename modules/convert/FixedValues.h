// Graph constants turned into signals and events.
//   Mox_DSP_FixedValueToVolt: input pin n points at a constant; output pin n is a
//     buffer holding constant * 0.1, announced once as a constant signal.
//   Mox_DSP_FixedValueToINT_FLOAT: the same announcements as events only.
#pragma once

#include "modules/framework/ModuleBase.h"

class Mox_DSP_FixedValueToINT_FLOAT : public Mox_ModuleBase {
public:
    Mox_DSP_FixedValueToINT_FLOAT(ModuleOwner* owner, bool startDisabled)
        : Mox_ModuleBase(owner, startDisabled) {}
    void SetInput(uint16_t pin, float* value) override;
    // Sends, on every output with a constant, a state-0 event with (int)number and
    // number * 0.1; then sleeps for good.
    void Open() override;

protected:
    int count = 0;  // highest connected pin + 1
};

class Mox_DSP_FixedValueToVolt : public Mox_DSP_FixedValueToINT_FLOAT {
public:
    Mox_DSP_FixedValueToVolt(ModuleOwner* owner, bool startDisabled)
        : Mox_DSP_FixedValueToINT_FLOAT(owner, startDisabled) {}
    ~Mox_DSP_FixedValueToVolt() override;
    // Also creates the output buffer of the pin, filled with number * 0.1.
    void SetInput(uint16_t pin, float* value) override;
};
