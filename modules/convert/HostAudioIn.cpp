#include "modules/convert/HostAudioIn.h"

Mox_DSP_Host_AudioIn::Mox_DSP_Host_AudioIn(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    for (int pin = 0; pin < 4; ++pin) {
        outputs[pin] = AllocateSignalBuffer(blockSize);
        if (owner) owner->hostInputs[pin] = outputs[pin];
    }
}

Mox_DSP_Host_AudioIn::~Mox_DSP_Host_AudioIn() {
    for (int pin = 0; pin < 4; ++pin) {
        if (owner && owner->hostInputs[pin] == outputs[pin]) owner->hostInputs[pin] = nullptr;
        FreeSignalBuffer(outputs[pin]);
    }
}

void Mox_DSP_Host_AudioIn::Open() {
    SetProcess(&Mox_ModuleBase::SleepProcess);
    flags |= kAsleep;
    for (uint16_t pin = 0; pin < 4; ++pin) SendEvent(currentTime, pin, 1, 0, 0.0f, nullptr);
}
