// Mox_DSP_ST_Level: multiplies a stereo pair by a gain signal (or by its square),
// copies it when the gain is exactly 1, and writes silence, then sleeps, when
// nothing can pass. The input state events decide which routine runs.
#pragma once

#include "modules/framework/ModuleBase.h"

class Mox_DSP_ST_Level : public Mox_ModuleBase {
public:
    Mox_DSP_ST_Level(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_ST_Level() override;
    void Open() override;
    // Pins 0..2: state of L, R and the gain; pin 3: square the gain when nonzero.
    void HandleEvent(ModuleEvent* event, int offset) override;

    void Copy(int start, int count);
    void Multiply(int start, int count);
    void Zero(int start, int count);

private:
    void Announce(int state);

    float gainL = 0.0f, gainR = 0.0f, gainG = 0.0f;  // 1.0 (2000.0 for G) while varying
    int square = 0;
    int wantedState = -1;
    int announcedState = -1;
    int countdown = 0;
};
