// Shared pieces of the dynamics-module tests: signal sources, constant input
// buffers, event helpers and a runner that cuts a run into chunks in several ways.
#pragma once

#include <algorithm>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "tests/support/TestModules.h"

namespace dyn_test {

// A signal for an input pin: blockSize floats plus slack, 16-byte aligned.
struct alignas(16) Buffer {
    explicit Buffer(float value = 0.0f) { Fill(value); }
    void Fill(float value) { std::fill(std::begin(v), std::end(v), value); }
    float* data() { return v; }
    float v[ModuleOwner::kMaxChunk + 4];
};

// Output 0 holds wave(sample time); Open announces it as varying.
class Source : public Mox_ModuleBase {
public:
    Source(ModuleOwner* owner, std::function<float(uint32_t)> wave)
        : Mox_ModuleBase(owner, false), wave(std::move(wave)) {
        outputs[0] = AllocateSignalBuffer(blockSize);
    }
    ~Source() override { FreeSignalBuffer(outputs[0]); }
    void Open() override {
        SendEvent(currentTime, 0, 1, 0, 0.0f, nullptr);
        SetProcess(AsProcess(&Source::Generate));
    }
    void Generate(int start, int count) {
        for (int i = 0; i < count; ++i) outputs[0][start + i] = wave(currentTime + i);
    }
    std::function<float(uint32_t)> wave;
};

inline std::function<float(uint32_t)> Constant(float value) {
    return [value](uint32_t) { return value; };
}

// Places the modules at table indices 0, 1, ... in the given (run) order.
inline void PlaceAll(TestOwner& owner, std::initializer_list<Mox_ModuleBase*> modules) {
    int index = 0;
    for (Mox_ModuleBase* m : modules) owner.Place(index++, m);
}

inline void OpenAll(TestOwner& owner) {
    for (int i = 0; i < owner.moduleCount; ++i)
        if (owner.modules[i]) owner.modules[i]->Open();
}

// A control event as the effect sends it: float control value and its integer form.
inline void Send(Mox_ModuleBase* m, uint32_t time, uint16_t pin, float value) {
    m->QueueEvent(time, pin, 0, IntegerForm(value), value, nullptr);
}
// An event whose integer is what counts (modes, switches, contours).
inline void SendInt(Mox_ModuleBase* m, uint32_t time, uint16_t pin, int value) {
    m->QueueEvent(time, pin, 0, value, static_cast<float>(value), nullptr);
}

inline bool Asleep(const Mox_ModuleBase* m) { return (m->flags & Mox_ModuleBase::kAsleep) != 0; }

using Watch = std::pair<Mox_ModuleBase*, int>;  // module, output pin

// How a run is cut into chunks: whole blocks, single samples, or random lengths
// 1..40 drawn from a fixed seed. Chunks never cross the end of the buffers.
enum class Cut { kBlocks, kSamples, kRandom };

// Runs `total` samples and returns each watched output, sample by sample.
inline std::vector<std::vector<float>> RunAndWatch(TestOwner& owner, int total, const std::vector<Watch>& watch,
                                           Cut cut = Cut::kBlocks, unsigned seed = 1) {
    std::vector<std::vector<float>> got(watch.size());
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> length(1, 40);
    while (total > 0) {
        const int offset = owner.chunkOffset;
        int n = std::min(total, owner.internalBlockSize - offset);
        if (cut == Cut::kSamples) n = 1;
        if (cut == Cut::kRandom) n = std::min(n, length(rng));
        owner.RunChunk(n);
        for (size_t w = 0; w < watch.size(); ++w) {
            const float* buffer = watch[w].first->outputs[watch[w].second];
            got[w].insert(got[w].end(), buffer + offset, buffer + offset + n);
        }
        total -= n;
    }
    return got;
}

inline std::vector<float> RunOne(TestOwner& owner, Mox_ModuleBase* m, int total, int pin = 0) {
    return RunAndWatch(owner, total, {{m, pin}})[0];
}

// State events a recorder received, in order.
inline std::vector<uint16_t> States(const RecorderModule& r, uint16_t pin) {
    std::vector<uint16_t> states;
    for (const auto& e : r.received)
        if (e.pin == pin) states.push_back(e.state);
    return states;
}

}  // namespace dyn_test
