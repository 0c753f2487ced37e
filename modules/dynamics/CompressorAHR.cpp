#include "modules/dynamics/CompressorAHR.h"

#include <cmath>
#include <cstring>

namespace {

uint32_t BitsOf(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

}  // namespace

Mox_DSP_Compressor_AHR::Mox_DSP_Compressor_AHR(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    outputs[0] = AllocateSignalBuffer(blockSize);
}

Mox_DSP_Compressor_AHR::~Mox_DSP_Compressor_AHR() { FreeSignalBuffer(outputs[0]); }

float Mox_DSP_Compressor_AHR::Coefficient(float c, float rate) {
    // The set time spans six time constants.
    const float time = c > 0.001f ? c : 0.001f;  // also catches NaN
    return std::exp(-600.0f / (time * rate));
}

void Mox_DSP_Compressor_AHR::Open() {
    SetProcess(AsProcess(&Mox_DSP_Compressor_AHR::Bypass));
    enable = 1;
    bypass = 0;
    sampleRate = owner ? owner->ModuleSampleRate() : 44100.0f;
    samplesPer10ms = sampleRate * 0.01f;
    attackValue = 0.5f;
    lastReleaseBits = BitsOf(-1000.0f);
    attackCoef = releaseCoef = 0.0f;
    envelope = 1.0f;
    heldGain = 1.0f;
    holdCounter = 0;
    holdLength = static_cast<int32_t>(samplesPer10ms * 5.0f + 1.0f);
    recomputeAttack = true;
    wantedState = announcedState = -1;
}

void Mox_DSP_Compressor_AHR::HandleEvent(ModuleEvent* e, int /*offset*/) {
    countdown = blockSize;
    const float v = e->floatValue;
    switch (e->pin) {
        case 1:
        case 4:
            return;  // state of the make-up and release signals: nothing to do
        case 2:
            attackValue = v;
            recomputeAttack = true;
            break;
        case 3: {
            const float samples = samplesPer10ms * v + 1.0f;
            holdLength = samples >= 1.0f ? (samples < 2.0e9f ? static_cast<int32_t>(samples) : 2000000000) : 1;
            break;
        }
        case 9:
        case 10:
            if (e->pin == 9)
                enable = static_cast<int16_t>(e->intValue);
            else
                bypass = static_cast<int16_t>(e->intValue);
            if (enable != 0 && bypass == 0) {
                wantedState = 1;
                recomputeAttack = true;
            } else {
                SetProcess(AsProcess(&Mox_DSP_Compressor_AHR::Bypass));
                wantedState = 0;
            }
            if (announcedState == 0) announcedState = -1;
            break;
        default:
            break;
    }
    if (enable != 0 && bypass == 0) {
        wantedState = 1;
        SetProcess(AsProcess(&Mox_DSP_Compressor_AHR::Envelope));
    }
}

void Mox_DSP_Compressor_AHR::Envelope(int start, int count) {
    if (wantedState != announcedState) {
        announcedState = wantedState;
        SendEvent(currentTime, 0, static_cast<uint16_t>(wantedState < 0 ? 0 : wantedState), 0, 0.0f, nullptr);
    }
    if (start == 0) {
        // The release is a signal that changes at most once per chunk.
        const float* release = inputs[4];
        const float releaseValue = release ? release[0] : 0.0f;
        const uint32_t bits = BitsOf(releaseValue);
        if (bits != lastReleaseBits) {
            lastReleaseBits = bits;
            releaseCoef = Coefficient(releaseValue, sampleRate);
        }
    }
    if (recomputeAttack) {
        recomputeAttack = false;
        attackCoef = Coefficient(attackValue, sampleRate);
    }

    const float* gainIn = inputs[0];
    const float* makeupIn = inputs[1];
    float* out = outputs[0] + start;
    float env = envelope, held = heldGain;
    int32_t counter = holdCounter;
    const int32_t length = holdLength;
    const float attack = attackCoef, release = releaseCoef;
    auto moveToward = [&](float target) {
        float d = env - target;
        d *= d > 0.0f ? attack : release;  // falling gain is the attack
        env = target + d;
    };
    // One loop per wiring, so that the per-sample path tests no pointer.
    auto run = [&](auto gainAt, auto makeupAt) {
        for (int i = 0; i < count; ++i) {
            const float g = gainAt(start + i);
            const float m = makeupAt(start + i);
            if (g > 1.0f) {
                // A boost (upward expansion) cancels any hold.
                moveToward(g);
                counter = 0;
                held = 1.0f;
            } else {
                if (g <= held) {  // a new deepest reduction restarts the hold
                    held = g;
                    counter = length;
                }
                moveToward(held);
                if (counter > 0 && --counter == 0) held = 1.0f;  // hold over: release from the next sample
            }
            out[i] = m * env;
        }
    };
    auto unity = [](int) { return 1.0f; };
    auto gainAt = [gainIn](int i) { return gainIn[i]; };
    auto makeupAt = [makeupIn](int i) { return makeupIn[i]; };
    if (gainIn && makeupIn) run(gainAt, makeupAt);
    else if (gainIn) run(gainAt, unity);
    else if (makeupIn) run(unity, makeupAt);
    else run(unity, unity);
    envelope = env;
    heldGain = held;
    holdCounter = counter;
}

void Mox_DSP_Compressor_AHR::Bypass(int start, int count) {
    if (announcedState != 0) {
        announcedState = 0;
        SendEvent(currentTime, 0, 0, 0, 0.0f, nullptr);
    }
    countdown -= count;
    if (countdown < 0) {
        SetProcess(&Mox_ModuleBase::SleepProcess);
        flags |= kAsleep;
    }
    float* out = outputs[0] + start;
    for (int i = 0; i < count; ++i) out[i] = 1.0f;
}
