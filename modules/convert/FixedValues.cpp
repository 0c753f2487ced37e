#include "modules/convert/FixedValues.h"

void Mox_DSP_FixedValueToINT_FLOAT::SetInput(uint16_t pin, float* value) {
    if (pin >= kPinCount) return;
    inputs[pin] = value;
    if (pin + 1 > count) count = pin + 1;
}

void Mox_DSP_FixedValueToINT_FLOAT::Open() {
    SetProcess(&Mox_ModuleBase::SleepProcess);
    flags |= kAsleep;
    for (int pin = 0; pin < count; ++pin) {
        if (!inputs[pin]) continue;
        const float number = *inputs[pin];
        SendEvent(currentTime, static_cast<uint16_t>(pin), 0, static_cast<int32_t>(number), number * 0.1f, nullptr);
    }
}

Mox_DSP_FixedValueToVolt::~Mox_DSP_FixedValueToVolt() {
    for (float*& buffer : outputs) FreeSignalBuffer(buffer);
}

void Mox_DSP_FixedValueToVolt::SetInput(uint16_t pin, float* value) {
    Mox_DSP_FixedValueToINT_FLOAT::SetInput(pin, value);
    if (pin >= kPinCount || !value) return;
    if (!outputs[pin]) outputs[pin] = AllocateSignalBuffer(blockSize);
    if (!outputs[pin]) return;
    const float volts = *value * 0.1f;
    for (int i = 0; i < blockSize + 4; ++i) outputs[pin][i] = volts;
}
