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

template <typename Real>
inline Real Pow4(Real x) {
    const Real x2 = x * x;
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

template <typename Real>
bool Mox_DSP_BiQuad_Coeff::DesignSection(int type, int slopeIndex, bool linearFrequency, const Terms<Real>& f,
                                         Real r, Real g, Section<Real>& c) {
    if (type < 1 || type > 9) return false;
    const int n = slopeIndex >= 0 && slopeIndex < 8 ? slopeIndex : 0;
    const Real T = f.T, K = f.K, sn = f.sn, cs = f.cs;
    const Real one = Real(1), two = Real(2);
    Real a0 = one, b0 = one, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    switch (type) {
        case 1: {  // low-pass, cotangent form
            const Real d = Real((1.01 - double(Real(kA1[n]) * r)) * 1.5);
            a0 = K * K + d * K + one;
            b0 = one; b1 = two; b2 = one;
            a1 = two * (one - K * K);
            a2 = K * K - d * K + one;
            break;
        }
        case 2: {  // low-pass, tangent form
            const Real d = one / Pow4(Real(kA2[n]) * r + Real(0.9f));
            a0 = T * T + d * T + one;
            b0 = T * T; b1 = two * T * T; b2 = T * T;
            a1 = two * (T * T - one);
            a2 = T * T - d * T + one;
            break;
        }
        case 3: {  // low-pass, sine/cosine form
            const Real alpha = sn / (Pow4(Real(kA3[n]) * r + one) * Pow4(Real(kA3[n]) * r + one));
            a0 = one + alpha;
            b0 = (one - cs) * Real(0.5f); b1 = one - cs; b2 = (one - cs) * Real(0.5f);
            a1 = Real(-2) * cs;
            a2 = one - alpha;
            break;
        }
        case 4: {  // high-pass, tangent form
            const Real A = Real(linearFrequency ? kA4[n] : kA1[n]);
            const Real d = Real((1.01 - double(A * r)) * 1.5);
            a0 = T * T + d * T + one;
            b0 = one; b1 = Real(-2); b2 = one;
            a1 = two * (T * T - one);
            a2 = T * T - d * T + one;
            break;
        }
        case 5: {  // high-pass, cotangent form
            const Real d = one / Pow4(Real(kA5[n]) * r + Real(0.9f));
            a0 = K * K + d * K + one;
            b0 = K * K; b1 = Real(-2) * K * K; b2 = K * K;
            a1 = two * (one - K * K);
            a2 = K * K - d * K + one;
            break;
        }
        case 6: {  // high-pass, sine/cosine form, inverted
            const Real alpha = sn / (Pow4(Real(kA6[n]) * r + one) * Pow4(Real(kA6[n]) * r + one));
            a0 = one + alpha;
            b0 = -(one + cs) * Real(0.5f); b1 = one + cs; b2 = -(one + cs) * Real(0.5f);
            a1 = Real(-2) * cs;
            a2 = one - alpha;
            break;
        }
        case 7: {  // two-pole resonator (not normalised)
            const Real q = -(one - (one - r) * (one - r));
            a0 = one;
            b0 = one + q; b1 = 0; b2 = q * (one + q);
            a1 = two * q * cs;
            a2 = q * q;
            break;
        }
        case 8: {  // notch
            const Real twoR = two * r;
            const Real twoR3 = twoR * twoR * twoR;
            const Real alpha = sn / (twoR3 * twoR3 + Real(0.001f));
            a0 = one + alpha;
            b0 = one; b1 = Real(-2) * cs; b2 = one;
            a1 = Real(-2) * cs;
            a2 = one - alpha;
            break;
        }
        case 9: {  // peaking: centre gain (g + 0.5) / (0.501 - g), 1/Q = w
            const Real w = one / (Real(10) * (Pow4(r) + Real(0.001f)));
            const Real u = (g + Real(0.5f)) * T * w;
            const Real v = (Real(1.001f) - (g + Real(0.5f))) * T * w;
            const Real t2 = T * T + one;
            a0 = t2 + v;
            b0 = t2 + u; b1 = two * (T * T - one); b2 = t2 - u;
            a1 = two * (T * T - one);
            a2 = t2 - v;
            break;
        }
    }
    const Real inv = one / a0;
    c = Section<Real>{b0 * inv, b1 * inv, b2 * inv, a1 * inv, a2 * inv};
    return true;
}

template bool Mox_DSP_BiQuad_Coeff::DesignSection<float>(int, int, bool, const Terms<float>&, float, float,
                                                         Section<float>&);
template bool Mox_DSP_BiQuad_Coeff::DesignSection<double>(int, int, bool, const Terms<double>&, double, double,
                                                          Section<double>&);

bool Mox_DSP_BiQuad_Coeff::DesignOne(int type, float x, float r, float g, Coefficients& c) const {
    const FrequencyTerms f = Lookup(x);
    Section<float> s;
    if (!DesignSection<float>(type, slopeIndex, linearFrequency != 0, Terms<float>{f.T, f.K, f.sn, f.cs}, r, g, s))
        return false;
    c = Coefficients{s.b0, s.b1, s.b2, s.a1, s.a2};
    return true;
}

Mox_DSP_BiQuad_Coeff::Section<double> Mox_DSP_BiQuad_Coeff::PeakingSection(double hz, double sampleRate, double width,
                                                                             double gainSignal) {
    constexpr double kPi = 3.14159265358979323846;
    // The linear table: entry j holds the terms of pi j / 4096 (j at least 1), at
    // 4096 entries per sample rate.
    const double rate = sampleRate > 0.0 ? sampleRate : 44100.0;
    double position = hz * 4096.0 / rate;
    if (!(position > 1.0)) position = 1.0;  // also NaN
    if (position > double(kLastPosition)) position = double(kLastPosition);
    const double t = kPi * position / 4096.0;
    const double T = std::tan(t);
    Section<double> s{1.0, 0.0, 0.0, 0.0, 0.0};
    DesignSection<double>(9, 0, true, Terms<double>{T, 1.0 / T, std::sin(2.0 * t), std::cos(2.0 * t)}, width,
                          gainSignal, s);
    return s;
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
