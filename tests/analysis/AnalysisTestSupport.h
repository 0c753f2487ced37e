// Shared pieces of the equaliser and level-detector tests: input buffers, a signal
// source, event helpers, a chunk runner and a double-precision biquad reference.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <functional>
#include <random>
#include <vector>

#include "tests/support/TestModules.h"

namespace analysis_test {

constexpr double kPi = 3.14159265358979323846;

// A signal for an input pin: blockSize floats plus slack, 16-byte aligned.
struct alignas(16) Buffer {
    explicit Buffer(float value = 0.0f) { Fill(value); }
    void Fill(float value) { std::fill(std::begin(v), std::end(v), value); }
    float* data() { return v; }
    float v[ModuleOwner::kMaxChunk + 4];
};

// Output 0 holds wave(sample time); Open announces it (state 1 varying, 0 constant).
class Source : public Mox_ModuleBase {
public:
    Source(ModuleOwner* owner, std::function<float(uint32_t)> wave, uint16_t state = 1)
        : Mox_ModuleBase(owner, false), wave(std::move(wave)), state(state) {
        outputs[0] = AllocateSignalBuffer(blockSize);
    }
    ~Source() override { FreeSignalBuffer(outputs[0]); }
    void Open() override {
        SendEvent(currentTime, 0, state, 0, 0.0f, nullptr);
        SetProcess(AsProcess(&Source::Run));
    }
    void Run(int start, int count) {
        for (int i = 0; i < count; ++i) outputs[0][start + i] = wave(currentTime + i);
    }
    std::function<float(uint32_t)> wave;
    uint16_t state;
};

// Reproducible white noise in [-0.5, 0.5) as a function of the sample time.
inline float Noise(uint32_t t) {
    uint32_t x = t * 2654435761u + 0x9E3779B9u;
    x ^= x >> 15; x *= 0x2C1B3C6Du; x ^= x >> 12; x *= 0x297A2D39u; x ^= x >> 15;
    return static_cast<float>(x >> 8) / 16777216.0f - 0.5f;
}

inline void OpenAll(TestOwner& owner) {
    for (int i = 0; i < owner.moduleCount; ++i) owner.modules[i]->Open();
}
inline bool Asleep(const Mox_ModuleBase* m) { return (m->flags & Mox_ModuleBase::kAsleep) != 0; }

// A setting or switch event: the integer is what counts.
inline void Setting(Mox_ModuleBase* m, uint32_t time, uint16_t pin, int value) {
    m->QueueEvent(time, pin, 0, value, static_cast<float>(value), nullptr);
}
// A control value event: the float is what counts.
inline void Value(Mox_ModuleBase* m, uint32_t time, uint16_t pin, float value) {
    m->QueueEvent(time, pin, 0, IntegerForm(value), value, nullptr);
}
// The state word of a signal input (nonzero = varies per sample).
inline void State(Mox_ModuleBase* m, uint32_t time, uint16_t pin, uint16_t state) {
    m->QueueEvent(time, pin, state, 0, 0.0f, nullptr);
}

// Runs `total` samples and returns output 0 of `m` sample by sample.
// split 0 runs whole blocks, 1 single samples, anything else chunks of 1..40
// samples drawn from it as a seed; chunks never cross the end of the buffers.
inline std::vector<float> RunSamples(TestOwner& owner, Mox_ModuleBase* m, int total, unsigned split = 0) {
    std::vector<float> got;
    std::mt19937 rng(split);
    std::uniform_int_distribution<int> length(1, 40);
    for (int n; total > 0; total -= n) {
        const int offset = owner.chunkOffset;
        n = std::min(total, owner.internalBlockSize - offset);
        if (split == 1) n = 1;
        else if (split != 0) n = std::min(n, length(rng));
        owner.RunChunk(n);
        got.insert(got.end(), m->outputs[0] + offset, m->outputs[0] + offset + n);
    }
    return got;
}

// One biquad section: H(z) = (b0 + b1/z + b2/z^2) / (1 + a1/z + a2/z^2).
struct Section {
    double b0, b1, b2, a1, a2;
};

// The section a designer wrote at a buffer position of its five outputs.
inline Section ReadSection(const Mox_ModuleBase* designer, int at = 0) {
    const auto o = designer->outputs;
    return Section{o[0][at], o[1][at], o[2][at], o[3][at], o[4][at]};
}

inline std::complex<double> Response(const Section& c, double hz, double rate) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * hz / rate);  // 1/z
    return (c.b0 + z1 * (c.b1 + z1 * c.b2)) / (1.0 + z1 * (c.a1 + z1 * c.a2));
}

// Both poles strictly inside the unit circle (the stability triangle); false for NaN.
inline bool Stable(const Section& c) {
    return std::isfinite(c.b0 + c.b1 + c.b2) && std::fabs(c.a2) < 1.0 && std::fabs(c.a1) < 1.0 + c.a2;
}

// Sections in series in double precision, with the engine's recursion (including
// its -1e-10 offset against denormals), so that only float rounding separates the two.
struct Cascade {
    std::vector<Section> sections;
    std::vector<std::array<double, 4>> memory;  // x1, x2, y1, y2
    explicit Cascade(std::vector<Section> s) : sections(std::move(s)), memory(sections.size()) {}
    void Clear(size_t k) { memory[k] = {}; }
    void ClearAll() { std::fill(memory.begin(), memory.end(), std::array<double, 4>{}); }
    double Step(double x) {
        for (size_t k = 0; k < sections.size(); ++k) {
            const Section& c = sections[k];
            auto& m = memory[k];
            const double y = c.b0 * x + c.b1 * m[0] + c.b2 * m[1] - c.a2 * m[3] - (c.a1 * m[2] + 1e-10);
            m = {x, m[0], y, m[2]};
            x = y;
        }
        return x;
    }
};

}  // namespace analysis_test
