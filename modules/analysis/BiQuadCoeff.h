// Mox_DSP_BiQuad_Coeff: designs the five normalised coefficients (b0, b1, b2, a1,
// a2) of one biquad section from a frequency, a width and a gain signal, reading
// every frequency-dependent term from the effect's shared tables (no trigonometry
// on the audio path). One designer serves one band of both equaliser engines.
// Output 5 reports, by events, whether the band is on.
#pragma once

#include <cstdint>

#include "modules/framework/ModuleBase.h"

class Mox_DSP_BiQuad_Coeff : public Mox_ModuleBase {
public:
    struct Coefficients {
        float b0, b1, b2, a1, a2;
    };

    Mox_DSP_BiQuad_Coeff(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_BiQuad_Coeff() override;
    void Open() override;
    // 0..2 input states; 3 filter type; 4 slope row; 5 per-sample; 6 enabled;
    // 7 linear frequency.
    void HandleEvent(ModuleEvent* event, int offset) override;

    void Design(int start, int count);
    void Zero(int start, int count);

    // The coefficients of a filter type for a frequency input x (volts), width r and
    // gain g, with the current settings; false for a type outside 1..9.
    bool DesignOne(int type, float x, float r, float g, Coefficients& c) const;

private:
    struct FrequencyTerms {
        float T, K, sn, cs;
    };
    FrequencyTerms Lookup(float x) const;
    void Report();
    void CountDown(int count);
    void SelectAfterEvent();

    float sampleRate = 44100.0f;
    float linearIndexScale = 0.0f;
    int32_t countdown = 0;
    int32_t liveFrequency = 0, liveWidth = 0, liveGain = 0;
    int32_t liveMask = -2;
    int32_t reportedMask = -1;
    int16_t perSample = 0;
    int16_t linearFrequency = 1;
    int16_t filterType = 9;
    int16_t enabled = 1;
    int16_t slopeIndex = 0;
};
