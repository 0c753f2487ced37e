#include "modules/dynamics/OrvaInput.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// A non-finite sample reaches the detector as silence (v - v is NaN for NaN and
// for infinities, 0 otherwise; the form lets the compiler vectorise the loops).
inline float Finite(float v) { return v - v == 0.0f ? v : 0.0f; }

void CopyHeard(const float* in, float* __restrict out, int start, int count) {
    if (!in) {
        std::memset(out + start, 0, sizeof(float) * static_cast<size_t>(count));
        return;
    }
    for (int i = start; i < start + count; ++i) out[i] = Finite(in[i]);
}

// Mid and side from the finite left (in `mid`) and right (in `side`), in place;
// the mid also to the second detection output. The buffers are the module's own.
void SplitMidSide(float* __restrict mid, float* __restrict midCopy, float* __restrict side, int start, int count) {
    for (int i = start; i < start + count; ++i) {
        const float left = mid[i], right = side[i];
        mid[i] = midCopy[i] = (left + right) * 0.5f;
        side[i] = (left - right) * 0.5f;
    }
}

// Copies count samples into a ring at pos, in at most two pieces.
void WriteRing(float* ring, int32_t size, int32_t pos, const float* from, int count) {
    const int32_t first = count < size - pos ? count : size - pos;
    std::memcpy(ring + pos, from, sizeof(float) * static_cast<size_t>(first));
    std::memcpy(ring, from + first, sizeof(float) * static_cast<size_t>(count - first));
}

void ReadRing(const float* ring, int32_t size, int32_t pos, float* to, int count) {
    const int32_t first = count < size - pos ? count : size - pos;
    std::memcpy(to, ring + pos, sizeof(float) * static_cast<size_t>(first));
    std::memcpy(to + first, ring, sizeof(float) * static_cast<size_t>(count - first));
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
    CopyHeard(inputs[0], outputs[0], start, count);
    CopyHeard(inputs[1], outputs[1], start, count);
}

void Mox_DSP_OrvaMaster_Input::SidechainCopy(int start, int count) {
    CopyHeard(inputs[2], outputs[0], start, count);
    CopyHeard(inputs[3], outputs[1], start, count);
}

void Mox_DSP_OrvaMaster_Input::MidSide(int start, int count) {
    float* mid = outputs[0];
    float* side = outputs[4];
    // Two plain passes (non-finite samples to silence) and one of arithmetic: each
    // loop stays simple enough for the compiler to vectorise.
    CopyHeard(inputs[0], mid, start, count);
    CopyHeard(inputs[1], side, start, count);
    SplitMidSide(mid, outputs[1], side, start, count);
    if (!ringMid) return;
    // Delay mid and side by the look-ahead time. A delay shorter than the run reads
    // samples of this run, so the run is written first (a delay of 0 passes the
    // current samples). A longer delay reads only older samples, and those the write
    // would overwrite once the delay comes within a run of the ring length (it is
    // held at ringSize - 1 at most), so the run is read first.
    const int32_t read = (writePos - delaySamples) & ringMask;
    const bool readFirst = delaySamples >= count;
    if (readFirst) {
        ReadRing(ringMid, ringSize, read, outputs[2] + start, count);
        ReadRing(ringSide, ringSize, read, outputs[3] + start, count);
    }
    WriteRing(ringMid, ringSize, writePos, mid + start, count);
    WriteRing(ringSide, ringSize, writePos, side + start, count);
    if (!readFirst) {
        ReadRing(ringMid, ringSize, read, outputs[2] + start, count);
        ReadRing(ringSide, ringSize, read, outputs[3] + start, count);
    }
    writePos = (writePos + count) & ringMask;
}
