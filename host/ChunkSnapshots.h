// The copies of preset memories that getChunk hands to the host. The host reads a
// chunk after the call returns, with no call to say when it is done, so a copy
// must not change while it may still be reading: each kind of chunk (the whole
// bank, one program) has its own few buffers, used in turn. A buffer is filled
// again only by the kSlots-th request of the same kind after the one that handed
// it out, so it stays as handed out at least until the next request of that kind,
// whatever is asked in between; and two threads asking at once fill different
// buffers, never one together.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "host/PresetBank.h"

class ChunkSnapshots {
public:
    static constexpr int kSlots = 4;

    // Buffers of `records` preset memories each, allocated here (no allocation
    // later); without memory Take answers null.
    explicit ChunkSnapshots(int records);

    // Any thread. Claims the next free buffer, lets fill(buffer) write it and
    // answers it; null when no buffer exists or every one is being filled.
    template <typename Fill>
    PresetMemory* Take(Fill&& fill);

private:
    std::unique_ptr<PresetMemory[]> slots_[kSlots];
    std::atomic<bool> filling_[kSlots];
    std::atomic<uint32_t> next_{0};
};

template <typename Fill>
PresetMemory* ChunkSnapshots::Take(Fill&& fill) {
    // Ordered with the other requests, so that what a thread read from an earlier
    // buffer before asking again comes before any later refill of that buffer.
    const uint32_t first = next_.fetch_add(1, std::memory_order_acq_rel);
    for (uint32_t k = 0; k < static_cast<uint32_t>(kSlots); ++k) {
        const uint32_t slot = (first + k) % kSlots;
        if (!slots_[slot] || filling_[slot].exchange(true, std::memory_order_acquire)) continue;
        fill(slots_[slot].get());
        filling_[slot].store(false, std::memory_order_release);
        return slots_[slot].get();
    }
    return nullptr;
}
