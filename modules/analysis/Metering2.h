// Mox_DSP_Metering2: the level detector. It turns one or two signals (the louder
// of the two per sample) into a smooth, non-negative level envelope, by peak or by
// RMS detection, holding peaks for a window and releasing with (in mode 0) an
// accelerating fall. "Sensitivity" sets window, hold and release at once.
#pragma once

#include <cstdint>

#include "modules/framework/ModuleBase.h"

class Mox_DSP_Metering2 : public Mox_ModuleBase {
public:
    Mox_DSP_Metering2(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_Metering2() override;
    void Open() override;
    void SetInput(uint16_t pin, float* value) override;
    // 0, 1 input states; 2 attack; 3 hold; 4 release (all in 10 ms units); 5 mode;
    // 6 RMS; 7 RMS window; 8 sensitivity (Hz / 10); 9 detector on.
    void HandleEvent(ModuleEvent* event, int offset) override;

    // The six detector routines: mode 0..2, peak or RMS.
    void Mode0Peak(int start, int count);
    void Mode0Rms(int start, int count);
    void Mode1Peak(int start, int count);
    void Mode1Rms(int start, int count);
    void Mode2Peak(int start, int count);
    void Mode2Rms(int start, int count);
    void Zero(int start, int count);

    int32_t window() const { return windowLength; }
    int32_t hold() const { return holdSamples; }
    float envelopeValue() const { return envelope; }

private:
    template <int Mode, bool Rms>
    void Detect(int start, int count);
    // The level heard in each sample of a run, into levels[start..]: the louder
    // input's magnitude, non-finite samples as silence.
    void HearLevels(int start, int count);
    // The levels of a run, in place, to the RMS of the window ending at each.
    void WindowRms(int start, int count);
    void Recompute(int mode);
    void SelectRoutine();
    void ResizeWindow(int32_t length);
    int32_t SamplesOf(float tenMsUnits) const;

    int32_t sampleRate = 44100;
    float unitSamples = 441.0f;
    float attack = 0.0f, release = 5.0f;
    float attackCoef = 0.0f, releaseCoef = 0.0f;
    float previous = 0.0f;
    float secondPeak = 0.0f;
    float target = 0.0f;
    float envelope = 0.0f;
    float fallIncrement = 0.0f;
    float fallRate = 0.0f;
    int32_t twoInputs = 0;
    int32_t holdCounter = 1;
    int32_t holdSamples = 1;
    int32_t countdown = 0;
    int32_t ringIndex = 0;
    int32_t ringCapacityUsed = 0;
    int32_t windowLength = 1;
    int32_t halfWindow = 1;
    int16_t detectorOn = 1;
    int16_t inputState[2] = {};
    int16_t liveState = -1;
    int16_t reportedState = -1;
    int16_t recompute = -1;
    int16_t detectorMode = 0;
    int16_t rmsDetection = 0;
    float* levels = nullptr; // blockSize: the detected level of each sample of a run
    float* ring = nullptr;   // squares of the RMS window
    int32_t ringSize = 0;    // entries allocated
    double ringSum = 0.0;
};
