#include "modules/analysis/BiQuadCoeff.h"

#include <cmath>

namespace {

// Resonance tables by slope row.
constexpr float kA1[8] = {0.985f, 0.902f, 0.812f, 0.7415f, 0.687f, 0.645f, 0.6115f, 0.5845f};
constexpr float kA2[8] = {1.0f, 0.48f, 0.34f, 0.275f, 0.237f, 0.213f, 0.196f, 0.184f};
constexpr float kA3[8] = {0.85f, 0.61f, 0.5195f, 0.4715f, 0.4413f, 0.4203f, 0.405f, 0.3931f};
constexpr float kA4[8] = {0.985f, 0.907f, 0.817f, 0.746f, 0.688f, 0.649f, 0.617f, 0.59f};
constexpr float kA5[8] = {1.0f, 0.488f, 0.344f, 0.277f, 0.228f, 0.213f, 0.199f, 0.182f};
constexpr float kA6[8] = {0.85f, 0.612f, 0.5215f, 0.473f, 0.44f, 0.4204f, 0.4057f, 0.3937f};

// Highest lookup position: a hair below half the sample rate, where the tangent
// (and so every section) stays well conditioned. Higher frequencies are held here.
constexpr float kLastPosition = 2047.0f;

inline float Interpolate(const float* table, float position) {
    if (!(position > 0.0f)) position = 0.0f;  // also NaN
    if (position > kLastPosition) position = kLastPosition;
    const int i = static_cast<int>(position);
    const float frac = position - static_cast<float>(i);
    return table[i] + (table[i + 1] - table[i]) * frac;
}

inline float Pow4(float x) {
    const float x2 = x * x;
    return x2 * x2;
}

}  // namespace

Mox_DSP_BiQuad_Coeff::Mox_DSP_BiQuad_Coeff(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    for (int pin = 0; pin < 5; ++pin) outputs[pin] = AllocateSignalBuffer(blockSize);
}

Mox_DSP_BiQuad_Coeff::~Mox_DSP_BiQuad_Coeff() {
    for (int pin = 0; pin < 5; ++pin) FreeSignalBuffer(outputs[pin]);
}

void Mox_DSP_BiQuad_Coeff::Open() {
    SetProcess(AsProcess(&Mox_DSP_BiQuad_Coeff::Design));
    sampleRate = owner ? owner->ModuleSampleRate() : 44100.0f;
    linearIndexScale = static_cast<float>(2048.0 / (0.05 * static_cast<double>(sampleRate)));
    countdown = 0;
    liveFrequency = liveWidth = liveGain = 0;
    liveMask = -2;
    reportedMask = -1;
    perSample = 0;
    linearFrequency = 1;
    filterType = 9;
    enabled = 1;
    slopeIndex = 0;
    SendEvent(currentTime, 5, 0, 1, 1.0f, nullptr);  // the band is on
}

void Mox_DSP_BiQuad_Coeff::HandleEvent(ModuleEvent* e, int /*offset*/) {
    countdown = blockSize;
    const int16_t setting = static_cast<int16_t>(e->intValue & 0xFFFF);
    switch (e->pin) {
        case 0: liveFrequency = e->state; break;
        case 1: liveWidth = e->state; break;
        case 2: liveGain = e->state; break;
        case 3:
        case 4:
        case 7:
            if (e->pin == 3) filterType = setting;
            else if (e->pin == 4) slopeIndex = setting;
            else linearFrequency = setting;
            if (reportedMask == 0) reportedMask = -1;
            break;
        case 5:
            perSample = setting;
            break;
        case 6:
            enabled = setting;
            if (!enabled) {
                SetProcess(AsProcess(&Mox_DSP_BiQuad_Coeff::Zero));
                reportedMask = -1;
            }
            break;
        default:
            return;
    }
    SelectAfterEvent();
}

void Mox_DSP_BiQuad_Coeff::SelectAfterEvent() {
    if (!enabled) return;
    if (filterType == 0) {
        SetProcess(AsProcess(&Mox_DSP_BiQuad_Coeff::Zero));
        if (reportedMask == 0) reportedMask = -1;
        return;
    }
    liveMask = liveFrequency | liveWidth | (filterType == 9 ? liveGain : 0);
    if (liveMask == 0) reportedMask = -1;
    SetProcess(AsProcess(&Mox_DSP_BiQuad_Coeff::Design));
}

void Mox_DSP_BiQuad_Coeff::Report() {
    if (liveMask == reportedMask) return;
    reportedMask = liveMask;
    SendEvent(currentTime, 0, static_cast<uint16_t>(reportedMask & 0xFFFF), 0, 0.0f, nullptr);
    const int on = filterType != 0 ? 1 : 0;
    SendEvent(currentTime, 5, 0, on, static_cast<float>(on), nullptr);
}

void Mox_DSP_BiQuad_Coeff::CountDown(int count) {
    if (reportedMask != 0) return;
    countdown -= count;
    if (countdown < 0) {
        SetProcess(&Mox_ModuleBase::SleepProcess);
        flags |= kAsleep;
    }
}

Mox_DSP_BiQuad_Coeff::FrequencyTerms Mox_DSP_BiQuad_Coeff::Lookup(float x) const {
    const SharedTables* tables = owner;
    FrequencyTerms t{};
    if (!tables) return t;
    using FT = SharedTables::FreqTable;
    const bool linear = linearFrequency != 0;
    const float p = linear ? x * linearIndexScale : (x + 1.0f) * 890.43475f;
    t.T = Interpolate(tables->freqTable(linear ? FT::kLinTan : FT::kFreqTan), p);
    t.K = Interpolate(tables->freqTable(linear ? FT::kLinCot : FT::kFreqCot), p);
    t.sn = Interpolate(tables->freqTable(linear ? FT::kLinSin2 : FT::kFreqSin2), p);
    t.cs = Interpolate(tables->freqTable(linear ? FT::kLinCos2 : FT::kFreqCos2), p);
    return t;
}

bool Mox_DSP_BiQuad_Coeff::DesignOne(int type, float x, float r, float g, Coefficients& c) const {
    if (type < 1 || type > 9) return false;
    const int n = slopeIndex >= 0 && slopeIndex < 8 ? slopeIndex : 0;
    const FrequencyTerms f = Lookup(x);
    const float T = f.T, K = f.K, sn = f.sn, cs = f.cs;
    float a0 = 1.0f, b0 = 1.0f, b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f;
    switch (type) {
        case 1: {  // low-pass, cotangent form
            const float d = static_cast<float>((1.01 - static_cast<double>(kA1[n] * r)) * 1.5);
            a0 = K * K + d * K + 1.0f;
            b0 = 1.0f; b1 = 2.0f; b2 = 1.0f;
            a1 = 2.0f * (1.0f - K * K);
            a2 = K * K - d * K + 1.0f;
            break;
        }
        case 2: {  // low-pass, tangent form
            const float d = 1.0f / Pow4(kA2[n] * r + 0.9f);
            a0 = T * T + d * T + 1.0f;
            b0 = T * T; b1 = 2.0f * T * T; b2 = T * T;
            a1 = 2.0f * (T * T - 1.0f);
            a2 = T * T - d * T + 1.0f;
            break;
        }
        case 3: {  // low-pass, sine/cosine form
            const float alpha = sn / (Pow4(kA3[n] * r + 1.0f) * Pow4(kA3[n] * r + 1.0f));
            a0 = 1.0f + alpha;
            b0 = (1.0f - cs) * 0.5f; b1 = 1.0f - cs; b2 = (1.0f - cs) * 0.5f;
            a1 = -2.0f * cs;
            a2 = 1.0f - alpha;
            break;
        }
        case 4: {  // high-pass, tangent form
            const float A = linearFrequency ? kA4[n] : kA1[n];
            const float d = static_cast<float>((1.01 - static_cast<double>(A * r)) * 1.5);
            a0 = T * T + d * T + 1.0f;
            b0 = 1.0f; b1 = -2.0f; b2 = 1.0f;
            a1 = 2.0f * (T * T - 1.0f);
            a2 = T * T - d * T + 1.0f;
            break;
        }
        case 5: {  // high-pass, cotangent form
            const float d = 1.0f / Pow4(kA5[n] * r + 0.9f);
            a0 = K * K + d * K + 1.0f;
            b0 = K * K; b1 = -2.0f * K * K; b2 = K * K;
            a1 = 2.0f * (1.0f - K * K);
            a2 = K * K - d * K + 1.0f;
            break;
        }
        case 6: {  // high-pass, sine/cosine form, inverted
            const float alpha = sn / (Pow4(kA6[n] * r + 1.0f) * Pow4(kA6[n] * r + 1.0f));
            a0 = 1.0f + alpha;
            b0 = -(1.0f + cs) * 0.5f; b1 = 1.0f + cs; b2 = -(1.0f + cs) * 0.5f;
            a1 = -2.0f * cs;
            a2 = 1.0f - alpha;
            break;
        }
        case 7: {  // two-pole resonator (not normalised)
            const float q = -(1.0f - (1.0f - r) * (1.0f - r));
            a0 = 1.0f;
            b0 = 1.0f + q; b1 = 0.0f; b2 = q * (1.0f + q);
            a1 = 2.0f * q * cs;
            a2 = q * q;
            break;
        }
        case 8: {  // notch
            const float twoR = 2.0f * r;
            const float twoR3 = twoR * twoR * twoR;
            const float alpha = sn / (twoR3 * twoR3 + 0.001f);
            a0 = 1.0f + alpha;
            b0 = 1.0f; b1 = -2.0f * cs; b2 = 1.0f;
            a1 = -2.0f * cs;
            a2 = 1.0f - alpha;
            break;
        }
        case 9: {  // peaking: centre gain (g + 0.5) / (0.501 - g), 1/Q = w
            const float w = 1.0f / (10.0f * (Pow4(r) + 0.001f));
            const float u = (g + 0.5f) * T * w;
            const float v = (1.001f - (g + 0.5f)) * T * w;
            const float t2 = T * T + 1.0f;
            a0 = t2 + v;
            b0 = t2 + u; b1 = 2.0f * (T * T - 1.0f); b2 = t2 - u;
            a1 = 2.0f * (T * T - 1.0f);
            a2 = t2 - v;
            break;
        }
    }
    const float inv = 1.0f / a0;
    c = Coefficients{b0 * inv, b1 * inv, b2 * inv, a1 * inv, a2 * inv};
    return true;
}

void Mox_DSP_BiQuad_Coeff::Design(int start, int count) {
    Report();
    CountDown(count);
    const float* freq = inputs[0];
    const float* width = inputs[1];
    const float* gain = inputs[2];
    if (!perSample) {
        start = 0;
        count = 1;
    }
    // The width is read once per run, at its first sample.
    const float r = width ? width[start] : 0.0f;
    for (int i = start; i < start + count; ++i) {
        Coefficients c;
        if (!DesignOne(filterType, freq ? freq[i] : 0.0f, r, gain ? gain[i] : 0.0f, c)) return;
        outputs[0][i] = c.b0;
        outputs[1][i] = c.b1;
        outputs[2][i] = c.b2;
        outputs[3][i] = c.a1;
        outputs[4][i] = c.a2;
    }
}

void Mox_DSP_BiQuad_Coeff::Zero(int start, int count) {
    if (reportedMask != 0) {
        reportedMask = 0;
        SendEvent(currentTime, 0, 0, 0, 0.0f, nullptr);
        SendEvent(currentTime, 5, 0, 0, 0.0f, nullptr);
    }
    CountDown(count);
    for (int pin = 0; pin < 5; ++pin)
        for (int i = start; i < start + count; ++i) outputs[pin][i] = 0.0f;
}
