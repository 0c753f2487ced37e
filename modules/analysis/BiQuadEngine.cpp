#include "modules/analysis/BiQuadEngine.h"

#include <cmath>
#include <cstring>

Mox_DSP_BiQuad_Multi_Engine::Mox_DSP_BiQuad_Multi_Engine(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    outputs[0] = AllocateSignalBuffer(blockSize);
    silence = AllocateSignalBuffer(blockSize);
}

Mox_DSP_BiQuad_Multi_Engine::~Mox_DSP_BiQuad_Multi_Engine() {
    FreeSignalBuffer(outputs[0]);
    FreeSignalBuffer(silence);
}

void Mox_DSP_BiQuad_Multi_Engine::Open() {
    SetProcess(AsProcess(&Mox_DSP_BiQuad_Multi_Engine::Filter));
    ClearAll();
    for (int k = 0; k < kSections; ++k) sectionLive[k] = sectionOn[k] = 0;
    engineOn = 1;
    filterActive = 1;
    inputLive = 0;
    perSampleCoefficients = 0;
    checkConstant = 0;
    inputValue = constantValue = 0.0f;
    reportedState = -1;
}

void Mox_DSP_BiQuad_Multi_Engine::ClearSection(int k) {
    for (float& m : memory[k]) m = 0.0f;
}

void Mox_DSP_BiQuad_Multi_Engine::ClearAll() {
    for (int k = 0; k < kSections; ++k) ClearSection(k);
}

void Mox_DSP_BiQuad_Multi_Engine::Reset() { ClearAll(); }

void Mox_DSP_BiQuad_Multi_Engine::HandleEvent(ModuleEvent* e, int offset) {
    countdown = blockSize;
    const int pin = e->pin;
    if (pin == 0) {
        inputLive = static_cast<int16_t>(e->state);
        inputValue = e->state ? 1.0f : (inputs[0] ? inputs[0][offset] : 0.0f);
    } else if (pin == 1) {
        perSampleCoefficients = static_cast<int16_t>(e->intValue);
    } else if (pin == 2) {
        engineOn = static_cast<int16_t>(e->intValue);
        if (!engineOn) {
            ClearAll();
            SetProcess(AsProcess(&Mox_DSP_BiQuad_Multi_Engine::Zero));
            if (reportedState == 0) reportedState = -1;
        }
    } else if (pin == 3) {
        filterActive = static_cast<int16_t>(e->intValue);
        if (!filterActive) ClearAll();
    } else if (pin == 4) {
        if (e->intValue > 0) ClearAll();
        return;
    } else if (pin >= 9 && pin < 9 + 10 * kSections && (pin - 9) % 10 == 0) {
        sectionLive[(pin - 9) / 10] = static_cast<int16_t>(e->state);
    } else if (pin >= 14 && pin < 14 + 10 * kSections && (pin - 14) % 10 == 0) {
        const int k = (pin - 14) / 10;
        sectionOn[k] = static_cast<int16_t>(e->intValue);
        if (!sectionOn[k]) ClearSection(k);
    } else {
        return;
    }
    Reevaluate();
}

void Mox_DSP_BiQuad_Multi_Engine::Reevaluate() {
    if (!engineOn) return;
    bool anySection = false;
    for (int16_t on : sectionOn) anySection |= on != 0;
    if (filterActive && anySection) {
        SetProcess(AsProcess(&Mox_DSP_BiQuad_Multi_Engine::Filter));
        if (inputValue == 0.0f) {
            checkConstant = 1;
        } else {
            bool allConstant = inputLive == 0;
            for (int16_t live : sectionLive) allConstant &= live == 0;
            checkConstant = allConstant ? 1 : 0;
        }
    } else {
        if (inputLive == 0) reportedState = -1;
        SetProcess(AsProcess(&Mox_DSP_BiQuad_Multi_Engine::PassThrough));
    }
}

void Mox_DSP_BiQuad_Multi_Engine::CountDown(int count) {
    countdown -= count;
    if (countdown < 0) {
        SetProcess(&Mox_ModuleBase::SleepProcess);
        flags |= kAsleep;
    }
}

void Mox_DSP_BiQuad_Multi_Engine::Filter(int start, int count) {
    if (reportedState != 1) {
        reportedState = 1;
        SendEvent(currentTime, 0, 1, 0, 0.0f, nullptr);
    }
    float* out = outputs[0];
    const float* source = inputs[0] ? inputs[0] : silence;
    bool first = true;
    for (int k = 0; k < kSections; ++k) {
        if (!sectionOn[k]) continue;
        const float* const* coef = &inputs[9 + 10 * k];
        if (!coef[0] || !coef[1] || !coef[2] || !coef[3] || !coef[4]) continue;
        const float* in = first ? source : out;  // the cascade runs in place
        first = false;
        float x1 = memory[k][0], x2 = memory[k][1], y1 = memory[k][2], y2 = memory[k][3];
        if (perSampleCoefficients && sectionLive[k]) {
            for (int i = start; i < start + count; ++i) {
                const float x = in[i];
                const float y = coef[0][i] * x + coef[1][i] * x1 + coef[2][i] * x2 - coef[4][i] * y2 -
                                (coef[3][i] * y1 + 1e-10f);
                x2 = x1; x1 = x; y2 = y1; y1 = y;
                out[i] = y;
            }
        } else {
            const int at = perSampleCoefficients ? start : 0;
            const float b0 = coef[0][at], b1 = coef[1][at], b2 = coef[2][at], a1 = coef[3][at], a2 = coef[4][at];
            // The 1e-10 keeps the recursion away from denormal numbers. Four samples
            // per pass, so that the state needs no shuffling between samples.
            const int end = start + count;
            int i = start;
            for (; i + 4 <= end; i += 4) {
                const float xa = in[i], xb = in[i + 1], xc = in[i + 2], xd = in[i + 3];
                const float ya = b0 * xa + b1 * x1 + b2 * x2 - a2 * y2 - (a1 * y1 + 1e-10f);
                const float yb = b0 * xb + b1 * xa + b2 * x1 - a2 * y1 - (a1 * ya + 1e-10f);
                const float yc = b0 * xc + b1 * xb + b2 * xa - a2 * ya - (a1 * yb + 1e-10f);
                const float yd = b0 * xd + b1 * xc + b2 * xb - a2 * yb - (a1 * yc + 1e-10f);
                out[i] = ya;
                out[i + 1] = yb;
                out[i + 2] = yc;
                out[i + 3] = yd;
                x2 = xc; x1 = xd; y2 = yc; y1 = yd;
            }
            for (; i < end; ++i) {
                const float x = in[i];
                const float y = b0 * x + b1 * x1 + b2 * x2 - a2 * y2 - (a1 * y1 + 1e-10f);
                x2 = x1; x1 = x; y2 = y1; y1 = y;
                out[i] = y;
            }
        }
        // A section must never keep a non-finite value: it would ring forever.
        if (!std::isfinite(y1) || !std::isfinite(y2)) x1 = x2 = y1 = y2 = 0.0f;
        memory[k][0] = x1; memory[k][1] = x2; memory[k][2] = y1; memory[k][3] = y2;
    }
    if (first) std::memcpy(out + start, source + start, sizeof(float) * static_cast<size_t>(count));

    if (checkConstant && start == 0) {
        const float first0 = out[0];
        bool settled = true;
        for (int i = 1; i < blockSize && settled; ++i) settled = std::fabs(out[i] - first0) <= 1e-12f;
        if (settled) {
            constantValue = first0 < 1e-8f ? 0.0f : first0;
            SetProcess(AsProcess(&Mox_DSP_BiQuad_Multi_Engine::Constant));
        }
    }
}

void Mox_DSP_BiQuad_Multi_Engine::ReportInputState() {
    if (inputLive != reportedState) {
        reportedState = inputLive;
        SendEvent(currentTime, 0, static_cast<uint16_t>(reportedState), 0, 0.0f, nullptr);
    }
}

void Mox_DSP_BiQuad_Multi_Engine::PassThrough(int start, int count) {
    ReportInputState();
    if (reportedState == 0) CountDown(count);
    const float* in = inputs[0] ? inputs[0] : silence;
    std::memcpy(outputs[0] + start, in + start, sizeof(float) * static_cast<size_t>(count));
}

void Mox_DSP_BiQuad_Multi_Engine::Constant(int start, int count) {
    ReportInputState();
    CountDown(count);
    for (int i = start; i < start + count; ++i) outputs[0][i] = constantValue;
}

void Mox_DSP_BiQuad_Multi_Engine::Zero(int start, int count) {
    if (reportedState != 0) {
        reportedState = 0;
        SendEvent(currentTime, 0, 0, 0, 0.0f, nullptr);
    }
    CountDown(count);
    for (int i = start; i < start + count; ++i) outputs[0][i] = 0.0f;
}
