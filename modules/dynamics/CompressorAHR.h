// Mox_DSP_Compressor_AHR: the attack-hold-release envelope. It follows the gain
// the gain computer asks for (a linear factor) with an exponential attack, holds
// the deepest reduction for the hold time, releases exponentially, and multiplies
// the result by the make-up level. Its output is the gain the output stage applies.
#pragma once

#include <cstdint>

#include "modules/framework/ModuleBase.h"

class Mox_DSP_Compressor_AHR : public Mox_ModuleBase {
public:
    Mox_DSP_Compressor_AHR(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_Compressor_AHR() override;
    void Open() override;
    // 0 gain state; 2 attack (ms / 10); 3 hold (ms / 10); 9 enable; 10 "Bypass".
    void HandleEvent(ModuleEvent* event, int offset) override;

    void Envelope(int start, int count);
    void Bypass(int start, int count);

    // Per-sample factor for a time value c (ms / 10) at a sample rate.
    static float Coefficient(float c, float sampleRate);

    float envelopeValue() const { return envelope; }

private:
    float sampleRate = 44100.0f;
    float samplesPer10ms = 441.0f;
    float attackValue = 0.5f;
    uint32_t lastReleaseBits = 0;
    float attackCoef = 0.0f;
    float releaseCoef = 0.0f;
    float envelope = 1.0f;
    float heldGain = 1.0f;
    int32_t holdCounter = 0;
    int32_t holdLength = 1;
    bool recomputeAttack = true;
    int16_t enable = 1;
    int16_t bypass = 0;
    int16_t wantedState = -1;
    int16_t announcedState = -1;
    int countdown = 0;
};
