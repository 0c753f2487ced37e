// Mox_DSP_OrvaMaster_Input: chooses what the compressor listens to.
//   mode 0 stereo:    detector hears main left and right;
//   mode 1 M/S mono:  detector hears the mid on both channels, and the mid and side
//                     are delayed by the look-ahead time for the output stage
//                     (outputs 2 and 3), which compresses the mid only;
//   mode 2 sidechain: detector hears the sidechain inputs.
// Non-finite input samples reach the detector as silence, so one bad block from
// the host cannot leave a NaN in any filter or level detector.
#pragma once

#include <cstdint>

#include "modules/framework/ModuleBase.h"

class Mox_DSP_OrvaMaster_Input : public Mox_ModuleBase {
public:
    Mox_DSP_OrvaMaster_Input(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_OrvaMaster_Input() override;
    void Open() override;
    void Reset() override;
    // 4 mode (0, 1, 2); 5 look-ahead time (ms / 10).
    void HandleEvent(ModuleEvent* event, int offset) override;

    void MainCopy(int start, int count);
    void MidSide(int start, int count);
    void SidechainCopy(int start, int count);

    int32_t delayInSamples() const { return delaySamples; }

private:
    void ClearRings();

    float* ringMid = nullptr;
    float* ringSide = nullptr;
    int32_t ringSize = 0;
    int32_t ringMask = 0;
    int32_t writePos = 0;
    int32_t delaySamples = 0;
    float sampleRate = 44100.0f;
    float samplesPer10ms = 441.0f;
    int16_t mode = 0;
};
