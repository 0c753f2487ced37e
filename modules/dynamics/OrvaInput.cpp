#include "modules/dynamics/OrvaInput.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

inline float Heard(const float* in, int i) {
    if (!in) return 0.0f;
    const float v = in[i];
    return std::isfinite(v) ? v : 0.0f;
}

}  // namespace

Mox_DSP_OrvaMaster_Input::Mox_DSP_OrvaMaster_Input(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    for (int pin = 0; pin < 5; ++pin) outputs[pin] = AllocateSignalBuffer(blockSize);
}

Mox_DSP_OrvaMaster_Input::~Mox_DSP_OrvaMaster_Input() {
    std::free(ringMid);
    std::free(ringSide);
    for (int pin = 0; pin < 5; ++pin) FreeSignalBuffer(outputs[pin]);
}

void Mox_DSP_OrvaMaster_Input::Open() {
    SetProcess(AsProcess(&Mox_DSP_OrvaMaster_Input::MainCopy));
    mode = 0;
    SendEvent(currentTime, 0, 1, 0, 0.0f, nullptr);
    SendEvent(currentTime, 1, 1, 0, 0.0f, nullptr);
    sampleRate = owner ? owner->ModuleSampleRate() : 44100.0f;
    samplesPer10ms = sampleRate * 0.01f;
    if (!ringMid) {
        ringSize = sampleRate <= 48000.0f ? 32768 : sampleRate <= 96000.0f ? 65536 : sampleRate <= 192000.0f ? 131072 : 262144;
        ringMask = ringSize - 1;
        ringMid = static_cast<float*>(std::calloc(static_cast<size_t>(ringSize), sizeof(float)));
        ringSide = static_cast<float*>(std::calloc(static_cast<size_t>(ringSize), sizeof(float)));
        if (!ringMid || !ringSide) {
            std::free(ringMid);
            std::free(ringSide);
            ringMid = ringSide = nullptr;
            ringSize = ringMask = 0;
        }
        writePos = 0;
        delaySamples = 0;
    }
}

void Mox_DSP_OrvaMaster_Input::ClearRings() {
    if (ringMid) std::memset(ringMid, 0, sizeof(float) * static_cast<size_t>(ringSize));
    if (ringSide) std::memset(ringSide, 0, sizeof(float) * static_cast<size_t>(ringSize));
}

void Mox_DSP_OrvaMaster_Input::Reset() { ClearRings(); }

void Mox_DSP_OrvaMaster_Input::HandleEvent(ModuleEvent* e, int /*offset*/) {
    if (e->pin == 4) {
        switch (e->intValue) {
            case 0:
                mode = 0;
                SetProcess(AsProcess(&Mox_DSP_OrvaMaster_Input::MainCopy));
                break;
            case 1:
                mode = 1;
                SetProcess(AsProcess(&Mox_DSP_OrvaMaster_Input::MidSide));
                break;
            case 2:
                mode = 2;
                SetProcess(AsProcess(&Mox_DSP_OrvaMaster_Input::SidechainCopy));
                break;
            default:
                break;
        }
        ClearRings();
    } else if (e->pin == 5) {
        const float samples = samplesPer10ms * e->floatValue;
        int32_t d = samples > 0.0f ? (samples < 2.0e9f ? static_cast<int32_t>(samples) : 2000000000) : 0;
        if (ringSize > 0 && d > ringSize - 1) d = ringSize - 1;
        delaySamples = d;
    }
}

void Mox_DSP_OrvaMaster_Input::MainCopy(int start, int count) {
    for (int i = start; i < start + count; ++i) {
        outputs[0][i] = Heard(inputs[0], i);
        outputs[1][i] = Heard(inputs[1], i);
    }
}

void Mox_DSP_OrvaMaster_Input::SidechainCopy(int start, int count) {
    for (int i = start; i < start + count; ++i) {
        outputs[0][i] = Heard(inputs[2], i);
        outputs[1][i] = Heard(inputs[3], i);
    }
}

void Mox_DSP_OrvaMaster_Input::MidSide(int start, int count) {
    float* mid = outputs[0];
    float* side = outputs[4];
    for (int i = start; i < start + count; ++i) {
        const float l = Heard(inputs[0], i), r = Heard(inputs[1], i);
        mid[i] = (l + r) * 0.5f;
        outputs[1][i] = mid[i];
        side[i] = (l - r) * 0.5f;
    }
    if (!ringMid) return;
    // Delay mid and side by the look-ahead time. Each sample is written before the
    // one delaySamples back is read, so a delay of 0 passes the current samples and
    // every delay up to ringSize - 1 is exact for every sample of the run.
    int32_t pos = writePos;
    for (int i = start; i < start + count; ++i) {
        ringMid[pos] = mid[i];
        ringSide[pos] = side[i];
        const int32_t read = (pos - delaySamples) & ringMask;
        outputs[2][i] = ringMid[read];
        outputs[3][i] = ringSide[read];
        pos = (pos + 1) & ringMask;
    }
    writePos = pos;
}
