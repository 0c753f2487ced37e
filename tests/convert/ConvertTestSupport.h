// Shared pieces of the converter tests: a signal source module and a runner that
// cuts the run into whole blocks or into chunks of random length.
#pragma once

#include <algorithm>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "tests/support/TestModules.h"

namespace convert_test {

// Output 0 holds wave(sample time); Open announces it with `state` (1 varying, 0 constant).
class SignalSource : public Mox_ModuleBase {
public:
    SignalSource(ModuleOwner* owner, std::function<float(uint32_t)> wave, uint16_t state = 1)
        : Mox_ModuleBase(owner, false), wave(std::move(wave)), state(state) {
        outputs[0] = AllocateSignalBuffer(blockSize);
    }
    ~SignalSource() override { FreeSignalBuffer(outputs[0]); }
    void Open() override {
        SendEvent(currentTime, 0, state, 0, 0.0f, nullptr);
        SetProcess(AsProcess(&SignalSource::Run));
    }
    void Run(int start, int count) {
        for (int i = 0; i < count; ++i) outputs[0][start + i] = wave(currentTime + i);
    }
    std::function<float(uint32_t)> wave;
    uint16_t state;
};

inline void OpenAll(TestOwner& owner) {
    for (int i = 0; i < owner.moduleCount; ++i)
        if (owner.modules[i]) owner.modules[i]->Open();
}

// Runs `total` samples and returns each watched (module, output pin) sample by
// sample. Seed 0 runs whole blocks, any other seed chunks of 1..40 samples drawn
// from it; chunks never cross the end of the buffers, as in the effect.
inline std::vector<std::vector<float>> RunWatching(TestOwner& owner, int total,
                                                   const std::vector<std::pair<Mox_ModuleBase*, int>>& watch,
                                                   unsigned seed = 0) {
    std::vector<std::vector<float>> got(watch.size());
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> length(1, 40);
    for (int n; total > 0; total -= n) {
        const int offset = owner.chunkOffset;
        n = std::min(total, owner.internalBlockSize - offset);
        if (seed != 0) n = std::min(n, length(rng));
        owner.RunChunk(n);
        for (size_t w = 0; w < watch.size(); ++w) {
            const float* buffer = watch[w].first->outputs[watch[w].second] + offset;
            got[w].insert(got[w].end(), buffer, buffer + n);
        }
    }
    return got;
}

inline std::vector<float> RunOne(TestOwner& owner, Mox_ModuleBase* m, int total, unsigned seed = 0) {
    return RunWatching(owner, total, {{m, 0}}, seed)[0];
}

inline bool Asleep(const Mox_ModuleBase* m) { return (m->flags & Mox_ModuleBase::kAsleep) != 0; }

// Every sample of a buffer (slack excluded) equals `value`.
inline bool BufferHolds(const float* buffer, int blockSize, float value) {
    return std::all_of(buffer, buffer + blockSize, [value](float v) { return v == value; });
}

}  // namespace convert_test
