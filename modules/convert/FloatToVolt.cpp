#include "modules/convert/FloatToVolt.h"

Mox_DSP_Float_to_Volt::Mox_DSP_Float_to_Volt(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    outputs[0] = AllocateSignalBuffer(blockSize);
}

Mox_DSP_Float_to_Volt::~Mox_DSP_Float_to_Volt() { FreeSignalBuffer(outputs[0]); }

void Mox_DSP_Float_to_Volt::Open() {
    output = 0.0f;
    countdown = blockSize;
    pending = true;
    SetProcess(AsProcess(&Mox_DSP_Float_to_Volt::Fill));
}

void Mox_DSP_Float_to_Volt::OnOutputConnected(uint16_t outputPin) {
    if (outputPin == 1) onOffConnected = true;
}

void Mox_DSP_Float_to_Volt::HandleEvent(ModuleEvent* e, int /*offset*/) {
    countdown = blockSize;
    switch (e->pin) {
        case 0: x = e->floatValue; break;
        case 9: a = e->floatValue * 10.0f; break;
        case 10: b = e->floatValue * 10.0f; break;
        default: break;
    }
    output = a * x + b;
    pending = true;
    SetProcess(AsProcess(&Mox_DSP_Float_to_Volt::Fill));
}

void Mox_DSP_Float_to_Volt::Fill(int start, int count) {
    if (pending) {
        pending = false;
        SendEvent(currentTime, 0, 0, static_cast<int32_t>(output), output, nullptr);
        const int onOff = output != 0.0f ? 1 : 0;
        if (onOffConnected && onOff != lastOnOff) {
            lastOnOff = onOff;
            SendEvent(currentTime, 1, 0, onOff, static_cast<float>(onOff), nullptr);
        }
    }
    float* out = outputs[0];
    for (int i = 0; i < count; ++i) out[start + i] = output;
    countdown -= count;
    if (countdown < 1) {
        SetProcess(&Mox_ModuleBase::SleepProcess);
        flags |= kAsleep;
    }
}
