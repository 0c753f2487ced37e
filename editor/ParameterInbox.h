// Parameter values for the editor from threads that must not touch views (the
// audio thread's MIDI, a host's automation thread): each index keeps its latest
// value and a pending bit, both written without locks or allocation; the
// editor's thread takes them at the next tick, lowest index first.
#pragma once

#include <atomic>
#include <cstdint>

class ParameterInbox {
public:
    static constexpr int kIndices = 92;

    // Any thread. Out-of-range indices are ignored.
    void Post(int32_t index, float normalised);
    // Editor thread: calls apply(index, value) for every pending index, in
    // ascending order; answers how many.
    template <typename Apply>
    int TakeAll(Apply apply) {
        int taken = 0;
        for (int word = 0; word < 2; ++word) {
            uint64_t bits = pending[word].exchange(0, std::memory_order_acquire);
            while (bits) {
                const int bit = __builtin_ctzll(bits);
                bits &= bits - 1;
                const int index = word * 64 + bit;
                apply(index, values[index].load(std::memory_order_relaxed));
                ++taken;
            }
        }
        return taken;
    }
    void Clear();

private:
    std::atomic<float> values[kIndices] = {};
    std::atomic<uint64_t> pending[2] = {};
};
