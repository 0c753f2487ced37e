#include "modules/analysis/BiQuadEngine.h"

#include <cmath>
#include <cstring>

#include "modules/framework/FloatLanes.h"

Mox_DSP_BiQuad_Multi_Engine::Mox_DSP_BiQuad_Multi_Engine(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    outputs[0] = AllocateSignalBuffer(blockSize);
    silence = AllocateSignalBuffer(blockSize);
    frames = AllocateSignalBuffer(2 * blockSize);
}

Mox_DSP_BiQuad_Multi_Engine::~Mox_DSP_BiQuad_Multi_Engine() {
    FreeSignalBuffer(outputs[0]);
    FreeSignalBuffer(silence);
    FreeSignalBuffer(frames);
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
    pairedStart = -1;
    pairedChunks = 0;
    // The partner is the module run next, when it is an engine too.
    partner = nullptr;
    for (int i = 0; owner && i + 1 < owner->moduleCount && i + 1 < ModuleOwner::kMaxModules; ++i)
        if (owner->modules[i] == this) {
            partner = dynamic_cast<Mox_DSP_BiQuad_Multi_Engine*>(owner->modules[i + 1]);
            break;
        }
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

namespace {

// A section must never keep a non-finite value: it would ring forever.
void KeepState(float* memory, float x1, float x2, float y1, float y2) {
    if (!std::isfinite(y1) || !std::isfinite(y2)) x1 = x2 = y1 = y2 = 0.0f;
    memory[0] = x1;
    memory[1] = x2;
    memory[2] = y1;
    memory[3] = y2;
}

// One section on one channel, `in` to `out` (the same buffer after the first
// section). Coefficients per sample, or the ones at `at` for the whole call. The
// 1e-10 keeps the recursion away from denormal numbers.
void MonoSection(const float* in, float* out, int start, int count, const float* const* coef, bool perSample,
                 int at, float* memory) {
    float x1 = memory[0], x2 = memory[1], y1 = memory[2], y2 = memory[3];
    const int end = start + count;
    if (perSample) {
        for (int i = start; i < end; ++i) {
            const float x = in[i];
            const float y = coef[0][i] * x + coef[1][i] * x1 + coef[2][i] * x2 - coef[4][i] * y2 -
                            (coef[3][i] * y1 + 1e-10f);
            x2 = x1; x1 = x; y2 = y1; y1 = y;
            out[i] = y;
        }
    } else {
        const float b0 = coef[0][at], b1 = coef[1][at], b2 = coef[2][at], a1 = coef[3][at], a2 = coef[4][at];
        // Four samples per pass, so that the state needs no shuffling between samples.
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
    KeepState(memory, x1, x2, y1, y2);
}

// A section whose coefficients change per sample, on two channels at once, in
// place on interleaved frames: lane 0 carries the left channel, lane 1 the right,
// with the very arithmetic of MonoSection (lanes 2 and 3 stay exactly 0).
void StereoLiveSection(float* frames, int start, int count, const float* const* coef, float* memoryLeft,
                       float* memoryRight) {
    Lanes4 x1 = {memoryLeft[0], memoryRight[0], 0.0f, 0.0f}, x2 = {memoryLeft[1], memoryRight[1], 0.0f, 0.0f};
    Lanes4 y1 = {memoryLeft[2], memoryRight[2], 0.0f, 0.0f}, y2 = {memoryLeft[3], memoryRight[3], 0.0f, 0.0f};
    const Lanes4 tiny = {1e-10f, 1e-10f, 0.0f, 0.0f};
    float* f = frames + 2 * start;
    for (int i = start; i < start + count; ++i, f += 2) {
        const Lanes4 x = LoadPair(f);
        const Lanes4 y = Splat4(coef[0][i]) * x + Splat4(coef[1][i]) * x1 + Splat4(coef[2][i]) * x2 -
                         Splat4(coef[4][i]) * y2 - (Splat4(coef[3][i]) * y1 + tiny);
        x2 = x1; x1 = x; y2 = y1; y1 = y;
        StorePair(f, y);
    }
    KeepState(memoryLeft, x1[0], x2[0], y1[0], y2[0]);
    KeepState(memoryRight, x1[1], x2[1], y1[1], y2[1]);
}

// One stereo section's fixed coefficients and its memory of both channels.
struct StereoStage {
    Lanes4 b0, b1, b2, a1, a2;
    Lanes4 x1, x2, y1, y2;
    float* memoryLeft;
    float* memoryRight;
};

// N sections with fixed coefficients on both channels, all of them per sample:
// each section's recursion is the only chain carried from sample to sample, so the
// processor works on the sections side by side. The arithmetic is StereoLiveSection's.
template <int N>
void StereoCascade(float* frames, int start, int count, StereoStage* stages) {
    StereoStage s[N];
    for (int k = 0; k < N; ++k) s[k] = stages[k];
    const Lanes4 tiny = {1e-10f, 1e-10f, 0.0f, 0.0f};
    float* f = frames + 2 * start;
    for (int i = 0; i < count; ++i, f += 2) {
        Lanes4 x = LoadPair(f);
#pragma GCC unroll 5
        for (int k = 0; k < N; ++k) {
            const Lanes4 y = s[k].b0 * x + s[k].b1 * s[k].x1 + s[k].b2 * s[k].x2 - s[k].a2 * s[k].y2 -
                             (s[k].a1 * s[k].y1 + tiny);
            s[k].x2 = s[k].x1; s[k].x1 = x; s[k].y2 = s[k].y1; s[k].y1 = y;
            x = y;
        }
        StorePair(f, x);
    }
    for (int k = 0; k < N; ++k) {
        KeepState(s[k].memoryLeft, s[k].x1[0], s[k].x2[0], s[k].y1[0], s[k].y2[0]);
        KeepState(s[k].memoryRight, s[k].x1[1], s[k].x2[1], s[k].y1[1], s[k].y2[1]);
    }
}

}  // namespace

bool Mox_DSP_BiQuad_Multi_Engine::SectionUsable(int k) const {
    const float* const* coef = &inputs[9 + 10 * k];
    return sectionOn[k] && coef[0] && coef[1] && coef[2] && coef[3] && coef[4];
}

bool Mox_DSP_BiQuad_Multi_Engine::PartnerMatches(int count) const {
    const Mox_DSP_BiQuad_Multi_Engine* p = partner;
    // This call must be the whole chunk, as the partner's call will be: it starts
    // at the chunk's start, and it is not cut short by an event of this engine (a
    // call cut by one ends at the event's time, and an event just past the chunk
    // looks the same, so that chunk runs alone). No event of the partner falls
    // inside the chunk either.
    // Times are compared by their difference, which survives the wrap of the clock.
    const uint32_t end = owner->runningTime + static_cast<uint32_t>(count);
    auto before = [end](const ModuleEvent* e) { return static_cast<int32_t>(e->time - end) < 0; };
    if (!p || p->flags != 0 || p->process != process || currentTime != owner->runningTime) return false;
    if ((eventHead && (before(eventHead) || eventHead->time == end)) || (p->eventHead && before(p->eventHead)))
        return false;
    // A partner fed by this engine cannot go first.
    if (p->inputs[0] == outputs[0] || p->perSampleCoefficients != perSampleCoefficients) return false;
    for (int k = 0; k < kSections; ++k) {
        if (p->sectionOn[k] != sectionOn[k] || p->sectionLive[k] != sectionLive[k]) return false;
        for (int c = 9 + 10 * k; c < 14 + 10 * k; ++c)
            if (p->inputs[c] != inputs[c]) return false;
    }
    return true;
}

void Mox_DSP_BiQuad_Multi_Engine::Filter(int start, int count) {
    if (reportedState != 1) {
        reportedState = 1;
        SendEvent(currentTime, 0, 1, 0, 0.0f, nullptr);
    }
    if (pairedStart == start && pairedCount == count && pairedTime == currentTime) {
        pairedStart = -1;  // the engine before this one has filtered this chunk
        ++pairedChunks;
    } else if (PartnerMatches(count)) {
        FilterPair(start, count);
    } else {
        FilterOwn(start, count);
    }
    WatchForConstant(start);
}

void Mox_DSP_BiQuad_Multi_Engine::FilterOwn(int start, int count) {
    float* out = outputs[0];
    const float* source = inputs[0] ? inputs[0] : silence;
    bool first = true;
    for (int k = 0; k < kSections; ++k) {
        if (!SectionUsable(k)) continue;
        MonoSection(first ? source : out, out, start, count, &inputs[9 + 10 * k],
                    perSampleCoefficients && sectionLive[k], perSampleCoefficients ? start : 0, memory[k]);
        first = false;  // the cascade runs in place
    }
    if (first) std::memcpy(out + start, source + start, sizeof(float) * static_cast<size_t>(count));
}

void Mox_DSP_BiQuad_Multi_Engine::FilterPair(int start, int count) {
    Mox_DSP_BiQuad_Multi_Engine& p = *partner;
    const float* left = inputs[0] ? inputs[0] : silence;
    const float* right = p.inputs[0] ? p.inputs[0] : p.silence;
    float* outLeft = outputs[0];
    float* outRight = p.outputs[0];
    const int end = start + count;
    int used[kSections];
    int sections = 0;
    bool perSample = false;
    for (int k = 0; k < kSections; ++k) {
        if (!SectionUsable(k)) continue;
        used[sections++] = k;
        perSample |= perSampleCoefficients && sectionLive[k];
    }
    if (sections == 0) {
        std::memcpy(outLeft + start, left + start, sizeof(float) * static_cast<size_t>(count));
        std::memcpy(outRight + start, right + start, sizeof(float) * static_cast<size_t>(count));
    } else {
        for (int i = start; i < end; ++i) {
            frames[2 * i] = left[i];
            frames[2 * i + 1] = right[i];
        }
        // Fixed sections run as one cascade; a section with coefficients per sample
        // splits it, and the sections then run one after the other.
        const int at = perSampleCoefficients ? start : 0;
        StereoStage stages[kSections];
        for (int n = 0; n < sections; ++n) {
            const int k = used[n];
            const float* const* c = &inputs[9 + 10 * k];
            const float* mL = memory[k];
            const float* mR = p.memory[k];
            stages[n] = StereoStage{Splat4(c[0][at]), Splat4(c[1][at]), Splat4(c[2][at]), Splat4(c[3][at]),
                                    Splat4(c[4][at]), Lanes4{mL[0], mR[0], 0.0f, 0.0f},
                                    Lanes4{mL[1], mR[1], 0.0f, 0.0f}, Lanes4{mL[2], mR[2], 0.0f, 0.0f},
                                    Lanes4{mL[3], mR[3], 0.0f, 0.0f}, memory[k], p.memory[k]};
        }
        using Cascade = void (*)(float*, int, int, StereoStage*);
        static constexpr Cascade kCascades[kSections] = {&StereoCascade<1>, &StereoCascade<2>, &StereoCascade<3>,
                                                        &StereoCascade<4>, &StereoCascade<5>};
        if (!perSample) {
            kCascades[sections - 1](frames, start, count, stages);
        } else {
            for (int n = 0; n < sections; ++n) {
                const int k = used[n];
                if (perSampleCoefficients && sectionLive[k])
                    StereoLiveSection(frames, start, count, &inputs[9 + 10 * k], memory[k], p.memory[k]);
                else
                    StereoCascade<1>(frames, start, count, &stages[n]);
            }
        }
        for (int i = start; i < end; ++i) {
            outLeft[i] = frames[2 * i];
            outRight[i] = frames[2 * i + 1];
        }
    }
    p.pairedTime = currentTime;
    p.pairedStart = start;
    p.pairedCount = count;
}

void Mox_DSP_BiQuad_Multi_Engine::WatchForConstant(int start) {
    if (!checkConstant || start != 0) return;
    const float* out = outputs[0];
    const float first0 = out[0];
    bool settled = true;
    for (int i = 1; i < blockSize && settled; ++i) settled = std::fabs(out[i] - first0) <= 1e-12f;
    if (settled) {
        constantValue = first0 < 1e-8f ? 0.0f : first0;
        SetProcess(AsProcess(&Mox_DSP_BiQuad_Multi_Engine::Constant));
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
