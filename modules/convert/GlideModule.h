// The gliding output shared by Mox_DSP_FdB_to_VFGain, Mox_DSP_FdB_to_VLevel and
// Mox_DSP_GUItoV_Glide: each new target is reached by a linear ramp (or at once
// right after a program change or a rebuild), announced as a varying signal while
// it moves and as a constant again once it has held for a while; then the module
// sleeps.
#pragma once

#include <cstdint>

#include "modules/framework/ModuleBase.h"

class Mox_DSP_GlideBase : public Mox_ModuleBase {
public:
    Mox_DSP_GlideBase(ModuleOwner* owner, bool startDisabled, int rampMs);
    ~Mox_DSP_GlideBase() override;
    void Open() override;

    // Process routines.
    void Ramp(int start, int count);
    void ConstantFill(int start, int count);
    void QuietCheck(int start, int count);

    float currentValue() const { return current; }
    float targetValue() const { return target; }
    int rampSamples() const { return rampLength; }

protected:
    // Moves the output toward `target`: jump, ramp, or (rampLength 0) a step.
    void ApplyTarget();
    // True (and lastTarget updated) when `target` differs from the last accepted one.
    bool AcceptTarget();
    // The events of the two decibel converters: pin 0 a new dB volt value (through
    // targetOf), pin 1 the stored target applied again.
    void HandleDbEvent(ModuleEvent* event, float (*targetOf)(float));

    float current = 0.0f;   // value written last
    float step = 0.0f;      // change per sample while ramping
    float step4 = 0.0f;     // 4 * step
    float target = 0.0f;
    float lastTarget = -1000000.0f;
    int rampLeft = 0;       // samples of ramp left
    int rampLength = 0;     // samples of a ramp
    int holdLength = 0;     // samples the output holds before it is declared constant
    int fillLeft = 0;       // samples of constant fill left
    uint32_t quietTime = 0; // sample time after which the output may be declared constant
    int stateVarying = 0;   // state last announced on output 0

private:
    int rampMs_;
};

// Equaliser band gain: dB volts to the designer's gain signal (an odd function).
class Mox_DSP_FdB_to_VFGain : public Mox_DSP_GlideBase {
public:
    Mox_DSP_FdB_to_VFGain(ModuleOwner* owner, bool startDisabled)
        : Mox_DSP_GlideBase(owner, startDisabled, 30) {}
    // Pin 0: a new dB volt value; pin 1: apply the stored target again.
    void HandleEvent(ModuleEvent* event, int /*offset*/) override { HandleDbEvent(event, &TargetOf); }
    static float TargetOf(float dBVolts);
};

// Make-up gain: dB volts to a level, 2^(dB / 6), gliding over 20 ms.
class Mox_DSP_FdB_to_VLevel : public Mox_DSP_GlideBase {
public:
    Mox_DSP_FdB_to_VLevel(ModuleOwner* owner, bool startDisabled)
        : Mox_DSP_GlideBase(owner, startDisabled, 20) {}
    void HandleEvent(ModuleEvent* event, int /*offset*/) override { HandleDbEvent(event, &TargetOf); }
    static float TargetOf(float dBVolts);
};
