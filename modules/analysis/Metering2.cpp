#include "modules/analysis/Metering2.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "modules/framework/FloatLanes.h"

Mox_DSP_Metering2::Mox_DSP_Metering2(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    outputs[0] = AllocateSignalBuffer(blockSize);
    levels = AllocateSignalBuffer(blockSize);
}

Mox_DSP_Metering2::~Mox_DSP_Metering2() {
    std::free(ring);
    FreeSignalBuffer(outputs[0]);
    FreeSignalBuffer(levels);
}

void Mox_DSP_Metering2::SetInput(uint16_t pin, float* value) {
    Mox_ModuleBase::SetInput(pin, value);
    if (pin == 1 && value) twoInputs = 1;
}

int32_t Mox_DSP_Metering2::SamplesOf(float tenMsUnits) const {
    const float samples = unitSamples * tenMsUnits + 1.0f;
    if (!(samples >= 1.0f)) return 1;
    return samples < 2.0e9f ? static_cast<int32_t>(samples) : 2000000000;
}

void Mox_DSP_Metering2::Open() {
    SetProcess(AsProcess(&Mox_DSP_Metering2::Mode1Peak));
    inputState[0] = inputState[1] = 0;
    reportedState = liveState = -1;
    detectorOn = 1;
    detectorMode = 0;
    rmsDetection = 0;
    attack = 0.0f;
    release = 5.0f;
    recompute = -1;
    fallRate = target = envelope = secondPeak = previous = 0.0f;
    sampleRate = owner ? static_cast<int32_t>(owner->ModuleSampleRate()) : 44100;
    unitSamples = static_cast<float>(sampleRate) * 0.01f;
    holdSamples = SamplesOf(5.0f);
    holdCounter = 1;
    ringIndex = 0;
    ringSum = 0.0;
    windowLength = ringCapacityUsed = SamplesOf(20.0f);
    halfWindow = windowLength / 2;
    const int32_t wanted = static_cast<int32_t>(unitSamples * 50.0f) + 1;  // 500 ms and one sample
    if (!ring || ringSize < wanted) {
        std::free(ring);
        ring = static_cast<float*>(std::calloc(static_cast<size_t>(wanted), sizeof(float)));
        ringSize = ring ? wanted : 0;
    } else {
        std::memset(ring, 0, sizeof(float) * static_cast<size_t>(ringSize));
    }
}

void Mox_DSP_Metering2::ResizeWindow(int32_t length) {
    // A window the ring cannot hold is held at the ring's length.
    if (length > ringSize) length = ringSize;
    if (length < 1) length = 1;
    windowLength = length;
    halfWindow = windowLength / 2 > 0 ? windowLength / 2 : 1;
    if (windowLength != ringCapacityUsed) {
        ringCapacityUsed = windowLength;
        ringIndex = 0;
        ringSum = 0.0;
        if (ring) std::memset(ring, 0, sizeof(float) * static_cast<size_t>(windowLength));
    }
}

void Mox_DSP_Metering2::HandleEvent(ModuleEvent* e, int /*offset*/) {
    countdown = blockSize;
    const float v = e->floatValue;
    switch (e->pin) {
        case 0:
        case 1:
            inputState[e->pin] = static_cast<int16_t>(e->state);
            break;
        case 2:
            attack = v;
            recompute = -1;
            break;
        case 3:
            holdSamples = SamplesOf(v);
            break;
        case 4:
            release = v;
            recompute = -1;
            break;
        case 5:
        case 6:
        case 9:
            if (e->pin == 5) detectorMode = static_cast<int16_t>(e->intValue);
            else if (e->pin == 6) rmsDetection = static_cast<int16_t>(e->intValue);
            else detectorOn = static_cast<int16_t>(e->intValue);
            if (!detectorOn) {
                SetProcess(AsProcess(&Mox_DSP_Metering2::Zero));
                liveState = 0;
            } else {
                liveState = 1;
                recompute = -1;
            }
            if (reportedState == 0) reportedState = -1;
            break;
        case 7:
            ResizeWindow(SamplesOf(v));
            break;
        case 8: {
            if (!(v > 0.0f) || !std::isfinite(v)) break;  // a frequency of 0 has no period
            const float a = 10.0f / v;  // detection time in 10 ms units
            release = a;
            const int32_t length = SamplesOf(a);
            holdSamples = length;
            const int32_t fitted = length > ringSize ? ringSize : length;
            if (fitted != ringCapacityUsed) SendEvent(currentTime, 1, 0, 0, a, nullptr);
            ResizeWindow(length);
            recompute = -1;
            break;
        }
        default:
            break;
    }
    if (detectorOn) {
        liveState = 1;
        SelectRoutine();
    }
}

void Mox_DSP_Metering2::SelectRoutine() {
    using Routine = void (Mox_DSP_Metering2::*)(int, int);
    static constexpr Routine kRoutines[3][2] = {
        {&Mox_DSP_Metering2::Mode0Peak, &Mox_DSP_Metering2::Mode0Rms},
        {&Mox_DSP_Metering2::Mode1Peak, &Mox_DSP_Metering2::Mode1Rms},
        {&Mox_DSP_Metering2::Mode2Peak, &Mox_DSP_Metering2::Mode2Rms},
    };
    if (detectorMode < 0 || detectorMode > 2) return;
    SetProcess(AsProcess(kRoutines[detectorMode][rmsDetection ? 1 : 0]));
}

void Mox_DSP_Metering2::Recompute(int mode) {
    const float rate = static_cast<float>(sampleRate);
    const float attackTime = attack > 0.001f ? attack : 0.001f;
    const float releaseTime = release > 0.001f ? release : 0.001f;
    switch (mode) {
        case 0:
            attackCoef = 1.0f - std::exp(-600.0f / (rate * attackTime));
            releaseCoef = 1.0f - std::exp(-600.0f / (rate * releaseTime));
            fallIncrement = release > 0.0f ? releaseCoef / (release * 200.0f) : releaseCoef;
            break;
        case 1:
            attackCoef = std::exp(-600.0f / (rate * attackTime));
            releaseCoef = std::exp(-600.0f / (rate * releaseTime));
            break;
        default:
            attackCoef = 1.0f / (unitSamples * attack + 1.0f);
            releaseCoef = 1.0f / (unitSamples * release + 1.0f);
            break;
    }
}

void Mox_DSP_Metering2::HearLevels(int start, int count) {
    const float* in0 = inputs[0];
    const float* in1 = twoInputs ? inputs[1] : nullptr;
    float* level = levels;
    if (!in0 && !in1) {
        std::memset(level + start, 0, sizeof(float) * static_cast<size_t>(count));
        return;
    }
    // Four samples at a time; NaN or infinity is heard as silence.
    const IntLanes4 magnitude = {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF};
    const Lanes4 zero = Splat4(0.0f), largest = Splat4(3.0e38f);
    const int end = start + count;
    int i = start;
    for (; i + 4 <= end; i += 4) {
        Lanes4 x = in0 ? FromBits4(BitsOf4(Load4(in0 + i)) & magnitude) : zero;
        if (in1) {
            const Lanes4 x1 = FromBits4(BitsOf4(Load4(in1 + i)) & magnitude);
            x = Select4(x1 > x, x1, x);
        }
        Store4(level + i, Select4(x <= largest, x, zero));
    }
    for (; i < end; ++i) {
        float x = in0 ? std::fabs(in0[i]) : 0.0f;
        if (in1) {
            const float x1 = std::fabs(in1[i]);
            if (x1 > x) x = x1;
        }
        level[i] = x <= 3.0e38f ? x : 0.0f;
    }
}

namespace {

// squares[0] + squares[1] + ... in double, added in that order (four per pass).
double SumInOrder(const float* squares, int32_t n) {
    double sum = 0.0;
    int32_t k = 0;
    for (; k + 4 <= n; k += 4) {
        sum += static_cast<double>(squares[k]);
        sum += static_cast<double>(squares[k + 1]);
        sum += static_cast<double>(squares[k + 2]);
        sum += static_cast<double>(squares[k + 3]);
    }
    for (; k < n; ++k) sum += static_cast<double>(squares[k]);
    return sum;
}

}  // namespace

void Mox_DSP_Metering2::WindowRms(int start, int count) {
    float* level = levels;
    const int end = start + count;
    // Held at +120 dBFS: the square of a larger (finite) sample overflows, and the
    // running sum would lose the window's other samples to it.
    const Lanes4 loudest = Splat4(1.0e6f);
    int i = start;
    for (; i + 4 <= end; i += 4) {
        const Lanes4 x = Load4(level + i);
        const Lanes4 heard = Select4(x < loudest, x, loudest);
        Store4(level + i, heard * heard);
    }
    for (; i < end; ++i) {
        const float heard = level[i] < 1.0e6f ? level[i] : 1.0e6f;
        level[i] = heard * heard;
    }
    float* const squares = ring;
    const double perHalfWindow = 1.0 / static_cast<double>(halfWindow);
    const int32_t window = windowLength;
    int32_t at = ringIndex;
    double sum = ringSum;
    for (i = start; i < end; ++i) {
        const float square = level[i];
        sum += static_cast<double>(square) - static_cast<double>(squares[at]);
        squares[at] = square;
        if (--at < 0) {
            // Once per pass over the window the sum is taken afresh, so that the
            // rounding of the running sum never builds up.
            at = window - 1;
            sum = SumInOrder(squares, window);
        }
        level[i] = sum > 0.0 ? static_cast<float>(std::sqrt(sum * perHalfWindow)) : 0.0f;
    }
    ringIndex = at;
    ringSum = sum;
}

template <int Mode, bool Rms>
void Mox_DSP_Metering2::Detect(int start, int count) {
    if (liveState != reportedState) {
        reportedState = liveState;
        SendEvent(currentTime, 0, static_cast<uint16_t>(liveState < 0 ? 0 : liveState), 0, 0.0f, nullptr);
    }
    if (recompute) {
        recompute = 0;
        Recompute(Mode);
    }
    if (count <= 0) return;
    // Detect: the level of each sample, as RMS over the window if asked.
    HearLevels(start, count);
    if (Rms && ring) WindowRms(start, count);
    // Track and smooth it. The state lives in locals for the loop (the output
    // buffer could otherwise alias every field) and is written back after it.
    const float* level = levels;
    float* out = outputs[0];
    const int32_t holdLength = holdSamples;
    const float attackStep = attackCoef, releaseStep = releaseCoef, fallStep = fallIncrement;
    int32_t hold = holdCounter;
    float held = target, second = secondPeak, last = previous, env = envelope, fall = fallRate;
    for (int i = start; i < start + count; ++i) {
        // Hold timer: a held peak gives way to the second peak seen meanwhile.
        if (hold > 0 && --hold == 0) {
            if (Mode == 0 && !((env - held) * fall >= 0.05f)) fall *= 0.1f;
            held = second;
            second = 0.0f;
            hold = holdLength;
        }
        const float v = level[i];
        // Peak tracking.
        if (held <= v) {
            held = v;
            second = 0.0f;
            hold = holdLength;
        } else if (v > last && v > second) {
            second = v;
        }
        last = v;
        // Envelope.
        if (Mode == 0) {
            const float d = env - held;
            if (d > 0.0f) {
                fall += fallStep;
                env = env - fall * d + 1e-12f;
            } else {
                env = env - d * attackStep + 1e-12f;
                fall = 0.0f;
            }
        } else if (Mode == 1) {
            env = held + (env - held) * (env >= held ? releaseStep : attackStep);
        } else {
            if (env >= held) {
                env = env - releaseStep + 1e-12f;
                if (env < held) env = held;
            } else {
                env = env + attackStep + 1e-12f;
                if (env > held) env = held;
            }
        }
        out[i] = env;
    }
    holdCounter = hold;
    target = held;
    secondPeak = second;
    previous = last;
    envelope = env;
    fallRate = fall;
}

void Mox_DSP_Metering2::Mode0Peak(int s, int n) { Detect<0, false>(s, n); }
void Mox_DSP_Metering2::Mode0Rms(int s, int n) { Detect<0, true>(s, n); }
void Mox_DSP_Metering2::Mode1Peak(int s, int n) { Detect<1, false>(s, n); }
void Mox_DSP_Metering2::Mode1Rms(int s, int n) { Detect<1, true>(s, n); }
void Mox_DSP_Metering2::Mode2Peak(int s, int n) { Detect<2, false>(s, n); }
void Mox_DSP_Metering2::Mode2Rms(int s, int n) { Detect<2, true>(s, n); }

void Mox_DSP_Metering2::Zero(int start, int count) {
    if (reportedState != 0) {
        reportedState = 0;
        SendEvent(currentTime, 0, 0, 0, 0.0f, nullptr);
    }
    countdown -= count;
    if (countdown < 0) {
        SetProcess(&Mox_ModuleBase::SleepProcess);
        flags |= kAsleep;
    }
    for (int i = start; i < start + count; ++i) outputs[0][i] = 0.0f;
}
