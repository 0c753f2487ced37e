// Mox_DSP_Delay_ST: a one- or two-channel whole-sample delay line (no
// interpolation, no feedback). The graph uses one for the look-ahead delay of the
// audio and one to delay the detected level by the release time.
//
// Setting 0, when nonzero, is the longest delay the instance must hold, in units
// of 10 ms: the ring is then made long enough for it at the current sample rate.
// A delay longer than the ring is held at the ring's length minus one sample.
#pragma once

#include <cstdint>

#include "modules/framework/ModuleBase.h"

class Mox_DSP_Delay_ST : public Mox_ModuleBase {
public:
    static constexpr int kSizeEntries = 12;  // entry n holds 2^(19 - n) samples
    static constexpr int16_t kDefaultSizeIndex = 4;

    // Ring length for a size index at a sample rate: the table entry, doubled above
    // 48, 96 and 192 kHz.
    static int32_t RingLength(int16_t sizeIndex, float rate);
    // Samples per unit of a delay value in milliseconds / 10 (the default unit).
    static float MillisecondFactor(float rate) { return rate * 0.01f; }
    // The whole samples a line delays by for a delay value: truncated, never
    // negative, held below the ring's length. The look-ahead latency the host is
    // told is computed by the same arithmetic, so the two cannot disagree.
    static int32_t WholeSamples(float delayValue, float unitFactor, int32_t ringSize);

    Mox_DSP_Delay_ST(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_Delay_ST() override;
    void Open() override;
    void Reset() override;
    void SetInput(uint16_t pin, float* value) override;
    // 2 delay; 3 unit mode; 4 ring size index; 5 enable; 6 swap; 9 clear.
    void HandleEvent(ModuleEvent* event, int offset) override;

    void Stereo(int start, int count);
    void Mono(int start, int count);
    void Disabled(int start, int count);

    int32_t delayInSamples() const { return delaySamples; }
    int32_t ringLength() const { return ringSize; }

private:
    void Allocate();
    void FreeRings();
    void UpdateDelay();
    void ChooseRoutine();
    void Announce(int state, int channels);
    void WriteAndRead(const float* in, float* ring, float* out, int start, int count) const;

    float* ringL = nullptr;
    float* ringR = nullptr;
    int32_t ringSize = 0;
    int32_t ringMask = 0;
    int16_t sizeIndex = kDefaultSizeIndex;
    int16_t allocatedIndex = -1;
    int32_t writePos = 0;
    float delayValue = 0.0f;
    int32_t delaySamples = 0;
    float unitFactor = 441.0f;
    int16_t unitMode = 1;
    int16_t enabled = 1;
    int32_t swap = 0;
    bool stereo = false;
    int announcedState = -1;
    int countdown = 0;
};
