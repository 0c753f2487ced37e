#include "modules/convert/StLevel.h"

#include <cstring>

Mox_DSP_ST_Level::Mox_DSP_ST_Level(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    outputs[0] = AllocateSignalBuffer(blockSize);
    outputs[1] = AllocateSignalBuffer(blockSize);
}

Mox_DSP_ST_Level::~Mox_DSP_ST_Level() {
    FreeSignalBuffer(outputs[0]);
    FreeSignalBuffer(outputs[1]);
}

void Mox_DSP_ST_Level::Open() {
    SetProcess(&Mox_ModuleBase::SleepProcess);
    gainL = gainR = gainG = 0.0f;
    square = 0;
    wantedState = -1;
    announcedState = -1;
}

void Mox_DSP_ST_Level::HandleEvent(ModuleEvent* e, int offset) {
    auto recorded = [&](float varying) {
        if (e->state) return varying;
        const float* in = inputs[e->pin];
        return in ? in[offset] : 0.0f;
    };
    switch (e->pin) {
        case 0: gainL = recorded(1.0f); break;
        case 1: gainR = recorded(1.0f); break;
        case 2: gainG = recorded(2000.0f); break;
        case 3: square = e->intValue; break;
        default: return;
    }
    countdown = blockSize;
    if (gainG * gainL != 0.0f || gainG * gainR != 0.0f) {
        wantedState = 1;
        SetProcess(gainG == 1.0f ? AsProcess(&Mox_DSP_ST_Level::Copy) : AsProcess(&Mox_DSP_ST_Level::Multiply));
    } else {
        wantedState = 0;
        if (announcedState == 0) announcedState = -1;
        SetProcess(AsProcess(&Mox_DSP_ST_Level::Zero));
    }
}

void Mox_DSP_ST_Level::Announce(int state) {
    if (announcedState == state) return;
    announcedState = state;
    SendEvent(currentTime, 0, static_cast<uint16_t>(state), 0, 0.0f, nullptr);
    SendEvent(currentTime, 1, static_cast<uint16_t>(state), 0, 0.0f, nullptr);
}

void Mox_DSP_ST_Level::Copy(int start, int count) {
    Announce(wantedState);
    for (int c = 0; c < 2; ++c) {
        float* out = outputs[c] + start;
        if (inputs[c])
            std::memcpy(out, inputs[c] + start, sizeof(float) * static_cast<size_t>(count));
        else
            std::memset(out, 0, sizeof(float) * static_cast<size_t>(count));
    }
}

void Mox_DSP_ST_Level::Multiply(int start, int count) {
    Announce(wantedState);
    const float* gain = inputs[2];
    for (int c = 0; c < 2; ++c) {
        const float* in = inputs[c];
        float* out = outputs[c] + start;
        if (!in || !gain) {
            for (int i = 0; i < count; ++i) out[i] = 0.0f;
            continue;
        }
        if (square) {
            for (int i = 0; i < count; ++i) {
                const float g = gain[start + i];
                out[i] = in[start + i] * g * g;
            }
        } else {
            for (int i = 0; i < count; ++i) out[i] = in[start + i] * gain[start + i];
        }
    }
}

void Mox_DSP_ST_Level::Zero(int start, int count) {
    Announce(0);
    for (int c = 0; c < 2; ++c) {
        float* out = outputs[c] + start;
        for (int i = 0; i < count; ++i) out[i] = 0.0f;
    }
    countdown -= count;
    if (countdown < 0) SetProcess(&Mox_ModuleBase::SleepProcess);
}
