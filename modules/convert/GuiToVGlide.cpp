#include "modules/convert/GuiToVGlide.h"

#include <cmath>

void Mox_DSP_GUItoV_Glide::OnOutputConnected(uint16_t outputPin) {
    if (outputPin == 1) onOffConnected = true;
}

void Mox_DSP_GUItoV_Glide::HandleEvent(ModuleEvent* e, int /*offset*/) {
    fillLeft = blockSize;
    const float v = e->floatValue;
    if (!std::isfinite(v)) return;
    switch (e->pin) {
        case 0:
            x = v;
            target = a * x + b;
            if (!AcceptTarget()) return;
            break;
        case 1: {
            const float rate = owner ? owner->ModuleSampleRate() : 44100.0f;
            const float samples = v * 10.0f * rate * 0.001f;
            rampLength = samples > 0.0f ? (samples < 1.0e9f ? static_cast<int>(samples) : 1000000000) : 0;
            break;
        }
        case 9:
            a = v * 10.0f;
            target = a * x + b;
            lastTarget = target;
            break;
        case 10:
            b = v * 10.0f;
            target = a * x + b;
            lastTarget = target;
            break;
        default:
            return;
    }
    Accepted();
}

void Mox_DSP_GUItoV_Glide::Accepted() {
    const int onOff = target != 0.0f ? 1 : 0;
    if (onOffConnected && onOff != lastOnOff) {
        lastOnOff = onOff;
        SendEvent(currentTime, 1, 0, onOff, static_cast<float>(onOff), nullptr);
    }
    ApplyTarget();
}
