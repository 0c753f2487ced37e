// The output stage and the final selector.
//
// Mox_DSP_OrvaMaster_Output applies the envelope's gain (make-up included) to the
// look-ahead-delayed audio, mixes wet and dry by "Parallel" (0 = wet, 100 = dry),
// decodes mid/side back to left/right in mode 1, and passes the delayed audio
// through unchanged when bypassed (so the latency stays the same).
//
// Mox_DSP_OrvaMaster_Final selects one of two stereo pairs; the factory can build
// it, the graph does not place it.
#pragma once

#include "modules/framework/ModuleBase.h"

class Mox_DSP_OrvaMaster_Output : public Mox_ModuleBase {
public:
    Mox_DSP_OrvaMaster_Output(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_OrvaMaster_Output() override;
    void Open() override;
    // 6 "Stereo Mode"; 9 "Bypass".
    void HandleEvent(ModuleEvent* event, int offset) override;

    void Stereo(int start, int count);
    void MidSide(int start, int count);
    void PassThrough(int start, int count);

private:
    void ChooseRoutine();

    int16_t mode = 0;
    int16_t bypass = 0;
};

class Mox_DSP_OrvaMaster_Final : public Mox_ModuleBase {
public:
    Mox_DSP_OrvaMaster_Final(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_OrvaMaster_Final() override;
    void Open() override;
    // 4: 0 selects inputs 0 and 1, 1 selects inputs 2 and 3.
    void HandleEvent(ModuleEvent* event, int offset) override;
    void CopyFirst(int start, int count);
    void CopySecond(int start, int count);

private:
    void Copy(int from, int start, int count);
};
