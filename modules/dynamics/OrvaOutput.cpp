#include "modules/dynamics/OrvaOutput.h"

namespace {

inline float At(const float* signal, int i, float otherwise) { return signal ? signal[i] : otherwise; }

// The loops of the fully wired routines. A module's own buffers never alias the
// buffers it reads, which lets the compiler vectorise them.
void ApplyStereo(const float* dryL, const float* dryR, const float* gain, const float* mix,
                 float* __restrict outL, float* __restrict outR, int start, int count) {
    for (int i = start; i < start + count; ++i) {
        const float p = mix[i] * 0.1f;  // dry share
        const float wet = (1.0f - p) * gain[i];
        outL[i] = dryL[i] * wet + dryL[i] * p;
        outR[i] = dryR[i] * wet + dryR[i] * p;
    }
}

void ApplyMidSide(const float* dryL, const float* dryR, const float* mid, const float* side, const float* gain,
                  const float* mix, float* __restrict outL, float* __restrict outR, int start, int count) {
    for (int i = start; i < start + count; ++i) {
        const float p = mix[i] * 0.1f;
        const float h = gain[i] * mid[i];  // only the mid is compressed
        outL[i] = dryL[i] * p + (h + side[i]) * (1.0f - p);
        outR[i] = dryR[i] * p + (h - side[i]) * (1.0f - p);
    }
}

void CopyOrSilence(const float* in, float* __restrict out, int start, int count) {
    if (!in)
        for (int i = start; i < start + count; ++i) out[i] = 0.0f;
    else
        for (int i = start; i < start + count; ++i) out[i] = in[i];
}

}  // namespace

Mox_DSP_OrvaMaster_Output::Mox_DSP_OrvaMaster_Output(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    outputs[0] = AllocateSignalBuffer(blockSize);
    outputs[1] = AllocateSignalBuffer(blockSize);
}

Mox_DSP_OrvaMaster_Output::~Mox_DSP_OrvaMaster_Output() {
    FreeSignalBuffer(outputs[0]);
    FreeSignalBuffer(outputs[1]);
}

void Mox_DSP_OrvaMaster_Output::Open() {
    mode = 0;
    bypass = 0;
    SetProcess(AsProcess(&Mox_DSP_OrvaMaster_Output::Stereo));
    SendEvent(currentTime, 0, 1, 0, 0.0f, nullptr);
    SendEvent(currentTime, 1, 1, 0, 0.0f, nullptr);
}

void Mox_DSP_OrvaMaster_Output::HandleEvent(ModuleEvent* e, int /*offset*/) {
    switch (e->pin) {
        case 0: case 1: case 2: case 3: case 4: case 5: case 7:
            return;  // signal states: the routine does not depend on them
        case 6:
            mode = static_cast<int16_t>(e->intValue);
            break;
        case 9:
            bypass = static_cast<int16_t>(e->intValue);
            break;
        default:
            break;
    }
    ChooseRoutine();
}

void Mox_DSP_OrvaMaster_Output::ChooseRoutine() {
    if (bypass != 0 || (mode != 0 && mode != 1 && mode != 2))
        SetProcess(AsProcess(&Mox_DSP_OrvaMaster_Output::PassThrough));
    else if (mode == 1)
        SetProcess(AsProcess(&Mox_DSP_OrvaMaster_Output::MidSide));
    else
        SetProcess(AsProcess(&Mox_DSP_OrvaMaster_Output::Stereo));
}

void Mox_DSP_OrvaMaster_Output::Stereo(int start, int count) {
    const float *dryL = inputs[0], *dryR = inputs[1], *gain = inputs[4], *mix = inputs[5];
    float *outL = outputs[0], *outR = outputs[1];
    if (!dryL || !dryR || !gain || !mix) {
        for (int i = start; i < start + count; ++i) {
            const float p = At(mix, i, 0.0f) * 0.1f;  // dry share
            const float wet = (1.0f - p) * At(gain, i, 1.0f);
            const float l = At(dryL, i, 0.0f), r = At(dryR, i, 0.0f);
            outL[i] = l * wet + l * p;
            outR[i] = r * wet + r * p;
        }
        return;
    }
    ApplyStereo(dryL, dryR, gain, mix, outL, outR, start, count);
}

void Mox_DSP_OrvaMaster_Output::MidSide(int start, int count) {
    const float *dryL = inputs[0], *dryR = inputs[1], *mid = inputs[2], *side = inputs[3];
    const float *gain = inputs[4], *mix = inputs[5];
    float *outL = outputs[0], *outR = outputs[1];
    if (!dryL || !dryR || !mid || !side || !gain || !mix) {
        for (int i = start; i < start + count; ++i) {
            const float p = At(mix, i, 0.0f) * 0.1f;
            const float h = At(gain, i, 1.0f) * At(mid, i, 0.0f);  // only the mid is compressed
            const float s = At(side, i, 0.0f);
            outL[i] = At(dryL, i, 0.0f) * p + (h + s) * (1.0f - p);
            outR[i] = At(dryR, i, 0.0f) * p + (h - s) * (1.0f - p);
        }
        return;
    }
    ApplyMidSide(dryL, dryR, mid, side, gain, mix, outL, outR, start, count);
}

void Mox_DSP_OrvaMaster_Output::PassThrough(int start, int count) {
    for (int c = 0; c < 2; ++c) CopyOrSilence(inputs[c], outputs[c], start, count);
}

// ---------------------------------------------------------------------------

Mox_DSP_OrvaMaster_Final::Mox_DSP_OrvaMaster_Final(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    outputs[0] = AllocateSignalBuffer(blockSize);
    outputs[1] = AllocateSignalBuffer(blockSize);
}

Mox_DSP_OrvaMaster_Final::~Mox_DSP_OrvaMaster_Final() {
    FreeSignalBuffer(outputs[0]);
    FreeSignalBuffer(outputs[1]);
}

void Mox_DSP_OrvaMaster_Final::Open() {
    SetProcess(AsProcess(&Mox_DSP_OrvaMaster_Final::CopyFirst));
    SendEvent(currentTime, 0, 1, 0, 0.0f, nullptr);
    SendEvent(currentTime, 1, 1, 0, 0.0f, nullptr);
}

void Mox_DSP_OrvaMaster_Final::HandleEvent(ModuleEvent* e, int /*offset*/) {
    if (e->pin != 4) return;
    if (e->intValue == 0) SetProcess(AsProcess(&Mox_DSP_OrvaMaster_Final::CopyFirst));
    else if (e->intValue == 1) SetProcess(AsProcess(&Mox_DSP_OrvaMaster_Final::CopySecond));
}

void Mox_DSP_OrvaMaster_Final::Copy(int from, int start, int count) {
    for (int c = 0; c < 2; ++c) CopyOrSilence(inputs[from + c], outputs[c], start, count);
}

void Mox_DSP_OrvaMaster_Final::CopyFirst(int start, int count) { Copy(0, start, count); }
void Mox_DSP_OrvaMaster_Final::CopySecond(int start, int count) { Copy(2, start, count); }
