#include "modules/convert/GlideModule.h"

#include <cmath>

Mox_DSP_GlideBase::Mox_DSP_GlideBase(ModuleOwner* owner, bool startDisabled, int rampMs)
    : Mox_ModuleBase(owner, startDisabled), rampMs_(rampMs) {
    outputs[0] = AllocateSignalBuffer(blockSize);
}

Mox_DSP_GlideBase::~Mox_DSP_GlideBase() { FreeSignalBuffer(outputs[0]); }

void Mox_DSP_GlideBase::Open() {
    const float rate = owner ? owner->ModuleSampleRate() : 44100.0f;
    target = current = step = step4 = 0.0f;
    lastTarget = -1000000.0f;
    rampLeft = 0;
    stateVarying = 0;
    quietTime = 0;
    rampLength = static_cast<int>(rate * 0.001f * static_cast<float>(rampMs_));
    holdLength = static_cast<int>(rate * 0.001f * 100.0f);
    fillLeft = blockSize;
    SetProcess(AsProcess(&Mox_DSP_GlideBase::ConstantFill));
}

void Mox_DSP_GlideBase::HandleDbEvent(ModuleEvent* e, float (*targetOf)(float)) {
    fillLeft = blockSize;
    if (e->pin == 0) {
        if (!std::isfinite(e->floatValue)) return;
        target = targetOf(e->floatValue);
        if (!AcceptTarget()) return;
        ApplyTarget();
    } else if (e->pin == 1) {
        ApplyTarget();  // the stored target once more
    }
}

bool Mox_DSP_GlideBase::AcceptTarget() {
    if (target == lastTarget) return false;
    lastTarget = target;
    return true;
}

void Mox_DSP_GlideBase::ApplyTarget() {
    const uint32_t now = currentTime;
    if (owner && owner->SnapRequested()) {
        // After a program change or a rebuild the new value holds at once.
        SendEvent(now, 0, 0, static_cast<int32_t>(target), target, nullptr);
        stateVarying = 0;
        quietTime = now + static_cast<uint32_t>(blockSize);
        current = target;
        SetProcess(AsProcess(&Mox_DSP_GlideBase::ConstantFill));
        return;
    }
    if (rampLength > 0) {
        rampLeft = rampLength;
        step = static_cast<float>((static_cast<double>(target) - current) / rampLength);
        step4 = 4.0f * step;
        if (step == 0.0f) return;
        if (stateVarying != 1) {
            SendEvent(now, 0, 1, static_cast<int32_t>(current), current, nullptr);
            stateVarying = 1;
        }
        quietTime = now + static_cast<uint32_t>(holdLength + rampLength);
        SetProcess(AsProcess(&Mox_DSP_GlideBase::Ramp));
        return;
    }
    // No ramp: a step, still announced as a varying signal until it has held.
    if (stateVarying != 1) {
        SendEvent(now, 0, 1, static_cast<int32_t>(target), target, nullptr);
        stateVarying = 1;
    }
    quietTime = now + static_cast<uint32_t>(holdLength);
    current = target;
    SetProcess(AsProcess(&Mox_DSP_GlideBase::ConstantFill));
}

void Mox_DSP_GlideBase::Ramp(int start, int count) {
    float* out = outputs[0] + start;
    const bool rising = step > 0.0f;
    for (int i = 0; i < count; ++i) {
        float v = current + static_cast<float>(i + 1) * step;
        if (rising ? v > target : v < target) v = target;
        out[i] = v;
    }
    current += static_cast<float>(count) * step;
    rampLeft -= count;
    if (rampLeft < 1) {
        current = target;
        fillLeft = blockSize;
        SetProcess(AsProcess(&Mox_DSP_GlideBase::ConstantFill));
    }
}

void Mox_DSP_GlideBase::ConstantFill(int start, int count) {
    float* out = outputs[0] + start;
    for (int i = 0; i < count; ++i) out[i] = target;
    fillLeft -= count;
    if (fillLeft <= 0) SetProcess(AsProcess(&Mox_DSP_GlideBase::QuietCheck));
}

void Mox_DSP_GlideBase::QuietCheck(int /*start*/, int /*count*/) {
    if (static_cast<int32_t>(currentTime - quietTime) <= 0) return;
    if (stateVarying) {
        SendEvent(currentTime, 0, 0, 0, target, nullptr);
        stateVarying = 0;
    }
    SetProcess(&Mox_ModuleBase::SleepProcess);
}

// ---------------------------------------------------------------------------

float Mox_DSP_FdB_to_VFGain::TargetOf(float dBVolts) {
    const double g = static_cast<double>(dBVolts) * 1.77;
    const double shaped = g * 0.23529412;
    return static_cast<float>(
        0.5 * std::sin((1.0 - shaped * shaped * 4.25 * 0.047393363) * g * 0.3183098861837907));
}

float Mox_DSP_FdB_to_VLevel::TargetOf(float dBVolts) {
    return std::exp2(dBVolts * 1.6666666f);
}
