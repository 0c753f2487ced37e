#include "modules/dynamics/DelayST.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

int32_t Mox_DSP_Delay_ST::RingLength(int16_t index, float rate) {
    if (index < 0) index = 0;
    if (index >= Mox_DSP_Delay_ST::kSizeEntries) index = Mox_DSP_Delay_ST::kSizeEntries - 1;
    int32_t length = 1 << (19 - index);
    if (rate > 48000.0f) length <<= 1;
    if (rate > 96000.0f) length <<= 1;
    if (rate > 192000.0f) length <<= 1;
    return length;
}

int32_t Mox_DSP_Delay_ST::WholeSamples(float delayValue, float unitFactor, int32_t ringSize) {
    const float samples = delayValue * unitFactor;
    int32_t d = samples > 0.0f ? (samples < 2.0e9f ? static_cast<int32_t>(samples) : 2000000000) : 0;
    if (ringSize > 0 && d > ringSize - 1) d = ringSize - 1;  // never wraps to a more recent sample
    return d;
}

Mox_DSP_Delay_ST::Mox_DSP_Delay_ST(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    outputs[0] = AllocateSignalBuffer(blockSize);
    outputs[1] = AllocateSignalBuffer(blockSize);
}

Mox_DSP_Delay_ST::~Mox_DSP_Delay_ST() {
    FreeRings();
    FreeSignalBuffer(outputs[0]);
    FreeSignalBuffer(outputs[1]);
}

void Mox_DSP_Delay_ST::SetInput(uint16_t pin, float* value) {
    Mox_ModuleBase::SetInput(pin, value);
    if (pin == 1 && value) stereo = true;
}

void Mox_DSP_Delay_ST::FreeRings() {
    std::free(ringL);
    std::free(ringR);
    ringL = ringR = nullptr;
    allocatedIndex = -1;
}

void Mox_DSP_Delay_ST::Allocate() {
    FreeRings();
    const float rate = owner ? owner->ModuleSampleRate() : 44100.0f;
    allocatedIndex = sizeIndex;
    ringSize = RingLength(sizeIndex, rate);
    ringMask = ringSize - 1;
    ringL = static_cast<float*>(std::calloc(static_cast<size_t>(ringSize), sizeof(float)));
    if (stereo) ringR = static_cast<float*>(std::calloc(static_cast<size_t>(ringSize), sizeof(float)));
    if (!ringL || (stereo && !ringR)) {
        FreeRings();
        ringSize = 0;
        ringMask = 0;
    }
    writePos = 0;
    UpdateDelay();
}

void Mox_DSP_Delay_ST::Open() {
    SetProcess(&Mox_ModuleBase::SleepProcess);
    const float rate = owner ? owner->ModuleSampleRate() : 44100.0f;
    sizeIndex = kDefaultSizeIndex;
    if (settings[0] > 0) {
        // Long enough for the longest delay this instance is asked to hold.
        const double needed = settings[0] * static_cast<double>(rate) * 0.01 + 1.0;
        while (sizeIndex > 0 && RingLength(sizeIndex, rate) < needed) --sizeIndex;
    }
    delayValue = 0.0f;
    delaySamples = 0;
    unitMode = 1;
    unitFactor = MillisecondFactor(rate);
    enabled = 1;
    swap = 0;
    announcedState = -1;
    Allocate();
}

void Mox_DSP_Delay_ST::Reset() {
    if (!enabled) return;
    if (ringL) std::memset(ringL, 0, sizeof(float) * static_cast<size_t>(ringSize));
    if (ringR) std::memset(ringR, 0, sizeof(float) * static_cast<size_t>(ringSize));
}

void Mox_DSP_Delay_ST::UpdateDelay() { delaySamples = WholeSamples(delayValue, unitFactor, ringSize); }

void Mox_DSP_Delay_ST::ChooseRoutine() {
    if (!enabled) return;
    SetProcess(stereo ? AsProcess(&Mox_DSP_Delay_ST::Stereo) : AsProcess(&Mox_DSP_Delay_ST::Mono));
}

void Mox_DSP_Delay_ST::HandleEvent(ModuleEvent* e, int /*offset*/) {
    countdown = blockSize;
    const float rate = owner ? owner->ModuleSampleRate() : 44100.0f;
    switch (e->pin) {
        case 2:
            delayValue = e->floatValue;
            UpdateDelay();
            break;
        case 3:
            unitMode = static_cast<int16_t>(e->intValue);
            if (unitMode == 0) unitFactor = rate * 10.0f;
            else if (unitMode == 1) unitFactor = MillisecondFactor(rate);
            else if (unitMode == 2) unitFactor = 10.0f;
            UpdateDelay();
            break;
        case 4:
            sizeIndex = static_cast<int16_t>(e->intValue);
            if (enabled && sizeIndex != allocatedIndex) Allocate();
            break;
        case 5:
            enabled = static_cast<int16_t>(e->intValue);
            if (!enabled) {
                FreeRings();
                announcedState = -1;
                SetProcess(AsProcess(&Mox_DSP_Delay_ST::Disabled));
            } else if (!ringL) {
                Allocate();
            }
            break;
        case 6:
            swap = e->intValue;
            return;
        case 9:
            if (e->intValue > 0) Reset();
            return;
        default:
            return;
    }
    ChooseRoutine();
}

void Mox_DSP_Delay_ST::Announce(int state, int channels) {
    if (announcedState == state) return;
    announcedState = state;
    for (uint16_t pin = 0; pin < channels; ++pin) SendEvent(currentTime, pin, static_cast<uint16_t>(state), 0, 0.0f, nullptr);
}

void Mox_DSP_Delay_ST::WriteAndRead(const float* in, float* ring, float* out, int start, int count) const {
    // Both copies run in at most two pieces, split where the ring wraps.
    auto write = [&] {
        const int32_t firstWrite = std::min<int32_t>(count, ringSize - writePos);
        if (in) {
            std::memcpy(ring + writePos, in + start, sizeof(float) * static_cast<size_t>(firstWrite));
            std::memcpy(ring, in + start + firstWrite, sizeof(float) * static_cast<size_t>(count - firstWrite));
        } else {
            std::memset(ring + writePos, 0, sizeof(float) * static_cast<size_t>(firstWrite));
            std::memset(ring, 0, sizeof(float) * static_cast<size_t>(count - firstWrite));
        }
    };
    auto read = [&] {
        const int32_t from = (writePos - delaySamples) & ringMask;
        const int32_t firstRead = std::min<int32_t>(count, ringSize - from);
        std::memcpy(out + start, ring + from, sizeof(float) * static_cast<size_t>(firstRead));
        std::memcpy(out + start + firstRead, ring, sizeof(float) * static_cast<size_t>(count - firstRead));
    };
    // A delay shorter than the run reads samples of this run, so the run is written
    // first (a delay of 0 passes the input through). A longer delay reads only older
    // samples, and those the write would overwrite once the delay comes within a run
    // of the ring length (up to ringSize - 1), so the run is read first.
    if (delaySamples < count) {
        write();
        read();
    } else {
        read();
        write();
    }
}

void Mox_DSP_Delay_ST::Stereo(int start, int count) {
    Announce(1, 2);
    if (!ringL || !ringR) return Disabled(start, count);
    float* left = swap ? outputs[1] : outputs[0];
    float* right = swap ? outputs[0] : outputs[1];
    WriteAndRead(inputs[0], ringL, left, start, count);
    WriteAndRead(inputs[1], ringR, right, start, count);
    writePos = (writePos + count) & ringMask;
}

void Mox_DSP_Delay_ST::Mono(int start, int count) {
    Announce(1, 1);
    if (!ringL) return Disabled(start, count);
    WriteAndRead(inputs[0], ringL, outputs[0], start, count);
    writePos = (writePos + count) & ringMask;
}

void Mox_DSP_Delay_ST::Disabled(int start, int count) {
    Announce(0, 2);
    countdown -= count;
    if (countdown < 0) {
        SetProcess(&Mox_ModuleBase::SleepProcess);
        flags |= kAsleep;
    }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < count; ++i) outputs[c][start + i] = 0.0f;
}
