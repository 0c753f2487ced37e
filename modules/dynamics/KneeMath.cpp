#include "modules/dynamics/KneeMath.h"

#include "modules/framework/FloatLanes.h"

namespace {

constexpr float kFloor = -8.0f;  // -80 dBFS in dB volts
// Smallest effective compressor ratio. The set ratios start at 0.1; only levels
// above 0 dBFS with a ratio below 1 and a soft knee could bend the ratio toward
// zero, which would ask for an unbounded boost.
constexpr float kMinimumRatio = 0.1f;
// Largest boost the compressor section may ask for, in dB volts (+24 dB). A ratio
// below 1 turns the compressor into an upward expander above its threshold, by up
// to 9 dB per dB: without a bound, a threshold of -80 dB and a ratio of 0.11 lift a
// -10 dBFS sine to +170 dBFS. 24 dB is the range of the make-up gain knob, the
// most the plug-in otherwise adds on a user's word; past it the curve runs 1:1.
// Ratios of 1 and above never boost, so they are untouched.
constexpr float kMaxCompressorBoost = 2.4f;

}  // namespace

Mox_DSP_CompExp_Knee_Math::Mox_DSP_CompExp_Knee_Math(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    outputs[0] = AllocateSignalBuffer(blockSize);
}

Mox_DSP_CompExp_Knee_Math::~Mox_DSP_CompExp_Knee_Math() { FreeSignalBuffer(outputs[0]); }

void Mox_DSP_CompExp_Knee_Math::Open() {
    SetProcess(AsProcess(&Mox_DSP_CompExp_Knee_Math::GainComputer));
    // A threshold of 0 dBFS until the first threshold event: at exactly 0 the
    // curve would divide by zero.
    curve.compThreshold = -0.0001f;
    curve.compRatio = 1.0f;
    announcedState = -1;
    inputState = 1;
}

void Mox_DSP_CompExp_Knee_Math::SetInput(uint16_t pin, float* value) {
    Mox_ModuleBase::SetInput(pin, value);
    if (value && pin >= 4 && pin <= 6) curve.expanderOn = true;
}

void Mox_DSP_CompExp_Knee_Math::Curve::Set(uint16_t pin, float v) {
    switch (pin) {
        case 1:
            compThreshold = v - 0.0001f;
            break;
        case 2: {
            const float b = v * 0.1f;
            compKneeHigh = b > 0.5f;
            compKnee = compKneeHigh ? (b - 0.5f) * 2.0f : b * 2.0f;
            if (compKneeHigh) compKneeShape = compKnee * compKnee * 12.0f + 3.0f;
            break;
        }
        case 3:
            compRatio = v * 10.0f;
            break;
        case 4:
            expThreshold = v + 0.0001f;
            break;
        case 5: {
            const float b = v * 0.1f;
            expKneeHigh = b > 0.5f;
            expKnee = expKneeHigh ? (b - 0.5f) * 2.0f : b * 2.0f;
            if (expKneeHigh) expKneeShape = expKnee * expKnee * 40.0f - 9.0f;
            break;
        }
        case 6:
            expRatio = v * 10.0f;
            break;
        default:
            break;
    }
}

float Mox_DSP_CompExp_Knee_Math::StaticGainChange(const float settings[7], float level) {
    Curve c;
    c.expanderOn = true;
    for (uint16_t pin = 1; pin <= 6; ++pin) c.Set(pin, settings[pin]);
    return c.GainChange(level);
}

void Mox_DSP_CompExp_Knee_Math::HandleEvent(ModuleEvent* e, int /*offset*/) {
    switch (e->pin) {
        case 0:
            inputState = e->state;
            break;
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
            curve.Set(e->pin, e->floatValue);
            break;
        case 19:
            SetProcess(e->intValue ? AsProcess(&Mox_DSP_CompExp_Knee_Math::GainComputer)
                                   : AsProcess(&Mox_DSP_CompExp_Knee_Math::ZeroOutput));
            break;
        default:
            break;
    }
    countdown = blockSize;
    if (inputState == 0) announcedState = -1;
}

inline float Mox_DSP_CompExp_Knee_Math::Curve::CompressorTerm(float x) const {
    const float Tc = compThreshold;
    const float l = x > Tc ? x : Tc;
    const float u = l / Tc;  // 1 at the threshold, 0 at 0 dBFS, negative above
    // A deliberate departure from the plain high-knee law: above 0 dBFS (u < 0) the
    // high knee holds u at 0. Its curve is complete at 0 dBFS, where it reaches the
    // set ratio; carried on above full scale, D turns negative within a few dB and
    // the compressor would boost by 9 dB per dB, so the set ratio holds there.
    const float uh = u > 0.0f ? u : 0.0f;
    float D = compKneeHigh ? (uh * compKnee * compKneeShape * compRatio + compRatio) * (1.0f - uh) + uh
                           : (1.0f - u * compKnee) * compRatio + u * compKnee;
    if (!(D >= kMinimumRatio)) D = kMinimumRatio;
    return (l - Tc) / D + Tc - l;
}

inline float Mox_DSP_CompExp_Knee_Math::Curve::ExpanderTerm(float x) const {
    const float Te = expThreshold;
    float o = x > kFloor ? x : kFloor;
    if (o > Te) o = Te;
    const float r = (kFloor - o) / (kFloor - Te);  // 0 at the floor, 1 at the threshold
    float De;
    if (expKneeHigh) {
        const float r3 = r * r * r;
        De = (r3 * expKnee * expKneeShape * expRatio + expRatio) * (1.0f - r3) + r3;
    } else {
        const float shaped = r * expKnee;
        De = (1.0f - shaped) * expRatio + shaped;
    }
    return (o - Te) / De + Te - o;
}

inline float Mox_DSP_CompExp_Knee_Math::Curve::GainChange(float x) const {
    // Compressor: above Tc, with the ratio bent by the knee. At or below the
    // threshold the formula gives exactly 0, so it is skipped there.
    const float Tc = compThreshold;
    float compressor = 0.0f;
    if (x > Tc) compressor = CompressorTerm(x);
    float out = compressor;
    // Expander: between the floor and Te; exactly 0 at or above Te.
    float expander = 0.0f;
    if (expanderOn && !(x >= expThreshold)) {
        expander = ExpanderTerm(x);
        out += expander;
    }
    // Boost bound: where the compressor boosts (ratio below 1), the total asks for
    // no more than +24 dB, or for what the expander's own upward expansion asks
    // for where that is more (its boost is bounded by its ratio and the floor).
    if (compressor > 0.0f) {
        const float limit = expander > kMaxCompressorBoost ? expander : kMaxCompressorBoost;
        if (out > limit) out = limit;
    }
    return out;
}

// The same arithmetic as GainChange, lane by lane: both sections are computed for
// every level and the branches become selections, so each lane gets exactly the
// value GainChange gives for it (including the +0 where a section does not act).
template <bool CompKneeHigh, bool ExpanderOn, bool ExpKneeHigh>
void Mox_DSP_CompExp_Knee_Math::Curve::GainChanges(const float* levels, float* out, int count) const {
    const Lanes4 zero = Splat4(0.0f), one = Splat4(1.0f), floor = Splat4(kFloor);
    const Lanes4 minimumRatio = Splat4(kMinimumRatio), maxBoost = Splat4(kMaxCompressorBoost);
    const Lanes4 Tc = Splat4(compThreshold), kc = Splat4(compKnee), hc = Splat4(compKneeShape);
    const Lanes4 Rc = Splat4(compRatio);
    const Lanes4 Te = Splat4(expThreshold), ke = Splat4(expKnee), he = Splat4(expKneeShape);
    const Lanes4 Re = Splat4(expRatio);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const Lanes4 x = Load4(levels + i);
        // Compressor.
        const IntLanes4 above = x > Tc;
        const Lanes4 l = Select4(above, x, Tc);
        const Lanes4 u = l / Tc;
        Lanes4 D;
        if (CompKneeHigh) {
            const Lanes4 uh = Select4(u > zero, u, zero);
            D = (uh * kc * hc * Rc + Rc) * (one - uh) + uh;
        } else {
            D = (one - u * kc) * Rc + u * kc;
        }
        D = Select4(D >= minimumRatio, D, minimumRatio);
        const Lanes4 compressor = Select4(above, (l - Tc) / D + Tc - l, zero);
        Lanes4 result = compressor;
        Lanes4 expander = zero;
        if (ExpanderOn) {
            // Expander.
            const IntLanes4 below = ~(x >= Te);
            Lanes4 o = Select4(x > floor, x, floor);
            o = Select4(o > Te, Te, o);
            const Lanes4 r = (floor - o) / (floor - Te);
            Lanes4 De;
            if (ExpKneeHigh) {
                const Lanes4 r3 = r * r * r;
                De = (r3 * ke * he * Re + Re) * (one - r3) + r3;
            } else {
                const Lanes4 shaped = r * ke;
                De = (one - shaped) * Re + shaped;
            }
            expander = Select4(below, (o - Te) / De + Te - o, zero);
            result = Select4(below, result + expander, result);
        }
        // Boost bound.
        const Lanes4 limit = Select4(expander > maxBoost, expander, maxBoost);
        result = Select4(compressor > zero, Select4(result > limit, limit, result), result);
        Store4(out + i, result);
    }
    for (; i < count; ++i) out[i] = GainChange(levels[i]);
}

float Mox_DSP_CompExp_Knee_Math::GainChange(float level) const { return curve.GainChange(level); }

void Mox_DSP_CompExp_Knee_Math::AnnounceAndCount(int count, int stateToAnnounce) {
    if (inputState != announcedState) {
        announcedState = inputState;
        SendEvent(currentTime, 0, static_cast<uint16_t>(stateToAnnounce), 0, 0.0f, nullptr);
    }
    if (announcedState == 0) {
        countdown -= count;
        if (countdown < 0) flags |= kAsleep;
    }
}

void Mox_DSP_CompExp_Knee_Math::GainComputer(int start, int count) {
    AnnounceAndCount(count, inputState < 0 ? 0 : inputState);
    const float* in = inputs[0];
    float* out = outputs[0] + start;
    if (!in) {
        for (int i = 0; i < count; ++i) out[i] = 0.0f;
        return;
    }
    const Curve local = curve;  // a copy the output buffer cannot alias
    using Run = void (Curve::*)(const float*, float*, int) const;
    static constexpr Run kRuns[2][2][2] = {
        {{&Curve::GainChanges<false, false, false>, &Curve::GainChanges<false, false, true>},
         {&Curve::GainChanges<false, true, false>, &Curve::GainChanges<false, true, true>}},
        {{&Curve::GainChanges<true, false, false>, &Curve::GainChanges<true, false, true>},
         {&Curve::GainChanges<true, true, false>, &Curve::GainChanges<true, true, true>}},
    };
    (local.*kRuns[local.compKneeHigh][local.expanderOn][local.expKneeHigh])(in + start, out, count);
}

void Mox_DSP_CompExp_Knee_Math::ZeroOutput(int start, int count) {
    AnnounceAndCount(count, 0);
    float* out = outputs[0] + start;
    for (int i = 0; i < count; ++i) out[i] = 0.0f;
}
