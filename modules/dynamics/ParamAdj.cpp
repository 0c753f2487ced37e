#include "modules/dynamics/ParamAdj.h"

#include <cmath>

float ContourCurve(int contour, float x) {
    const float b = x - 0.5f;
    switch (contour) {
        case 1: return x * x;                                        // Exp
        case 2: return x * x * x * x;                                // Exp2
        case 3: return 1.0f - (1.0f - x) * (1.0f - x);               // IExp
        case 4: return 2.0f * b * std::fabs(b) + 0.5f;               // SCrv
        case 5: return 4.0f * b * std::fabs(b) * std::fabs(b) + 0.5f;  // SCrv2
        case 6: return b - 2.0f * b * std::fabs(b) + x;              // ISCrv
        default: return x;                                           // Lin
    }
}

void Mox_DSP_OrvaMaster_ParamAdj::Open() {
    SetProcess(AsProcess(&Mox_DSP_OrvaMaster_ParamAdj::Compute));
}

void Mox_DSP_OrvaMaster_ParamAdj::HandleEvent(ModuleEvent* e, int /*offset*/) {
    if (e->pin < 16) {
        Group& g = groups_[e->pin / 4];
        switch (e->pin % 4) {
            case 0: g.value = e->floatValue; break;
            case 1: g.constA = e->floatValue; break;
            case 2: g.constB = e->floatValue; break;
            case 3: g.contour = e->intValue; break;
        }
    }
    SetProcess(AsProcess(&Mox_DSP_OrvaMaster_ParamAdj::Compute));
}

void Mox_DSP_OrvaMaster_ParamAdj::Results(const Group groups[4], float results[4]) {
    // Attack and hold controls 0..50 and release 0..200 map to 0..1.
    const Group& attack = groups[0];
    const Group& hold = groups[1];
    const Group& release = groups[2];
    const Group& gain = groups[3];
    results[0] = ContourCurve(attack.contour, attack.value * 0.02f) * attack.constA + attack.constB;
    results[1] = ContourCurve(hold.contour, hold.value * 0.02f) * hold.constA + hold.constB;
    results[2] = ContourCurve(release.contour, release.value * 0.005f) * release.constA + release.constB;
    // Gain: symmetric around 0 dB, -2.4..2.4 maps to -1..1.
    const float m = gain.value * 0.41666666f;
    const float g = gain.value >= 0.0f ? ContourCurve(gain.contour, m) * gain.constA
                                       : -(ContourCurve(gain.contour, -m) * gain.constA);
    results[3] = g + gain.constB;
}

void Mox_DSP_OrvaMaster_ParamAdj::Compute(int /*start*/, int /*count*/) {
    float results[4];
    Results(groups_, results);
    for (uint16_t pin = 0; pin < 4; ++pin) SendEvent(currentTime, pin, 0, 0, results[pin], nullptr);
    SetProcess(&Mox_ModuleBase::SleepProcess);
    flags |= kAsleep;
}

// ---------------------------------------------------------------------------

Mox_DSP_OrvaMaster_AutoRelease::Mox_DSP_OrvaMaster_AutoRelease(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    outputs[0] = AllocateSignalBuffer(blockSize);
}

Mox_DSP_OrvaMaster_AutoRelease::~Mox_DSP_OrvaMaster_AutoRelease() { FreeSignalBuffer(outputs[0]); }

void Mox_DSP_OrvaMaster_AutoRelease::Open() {
    SetProcess(AsProcess(&Mox_DSP_OrvaMaster_AutoRelease::Compute));
    SendEvent(currentTime, 0, 1, 0, 0.0f, nullptr);
    current = release = scale = 0.0f;
    autoOn = false;
}

void Mox_DSP_OrvaMaster_AutoRelease::HandleEvent(ModuleEvent* e, int /*offset*/) {
    switch (e->pin) {
        case 0:
        case 1:
            return;
        case 2:
            release = e->floatValue;
            break;
        case 3:
            scale = e->floatValue * 0.1f;
            autoOn = scale != 0.0f;
            break;
        default:
            break;
    }
    SetProcess(AsProcess(&Mox_DSP_OrvaMaster_AutoRelease::Compute));
}

void Mox_DSP_OrvaMaster_AutoRelease::Compute(int start, int count) {
    if (start != 0) return;  // evaluated once per pass through the buffer
    float* out = outputs[0];
    if (!autoOn) {
        current = release;
        for (int i = 0; i < count; ++i) out[i] = current;
        SetProcess(&Mox_ModuleBase::SleepProcess);
        flags |= kAsleep;
        return;
    }
    const float now = inputs[1] ? inputs[1][0] : 0.0f;
    const float before = inputs[0] ? inputs[0][0] : 0.0f;
    float d = (now - before) * 0.8333333f;  // 12 dB (1.2 dB volts) reaches the limit
    if (!(d >= -1.0f)) d = -1.0f;
    if (d > 1.0f) d = 1.0f;
    current = std::exp2(d * scale) * release;
    for (int i = 0; i < count; ++i) out[i] = current;
}
