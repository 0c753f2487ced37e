#include "host/ControlHandOver.h"

ControlHandOver::ControlHandOver() {
    for (uint32_t i = 0; i < kCapacity; ++i) {
        cells_[i].sequence.store(i, std::memory_order_relaxed);
        cells_[i].change = Change{0, 0.0f, 0, false};
    }
    for (auto& word : dirty_) word.store(0, std::memory_order_relaxed);
    for (auto& word : dirtyProgram_) word.store(0, std::memory_order_relaxed);
    for (int i = 0; i < kIndexCount; ++i) {
        generation_[i].store(0, std::memory_order_relaxed);
        delivered_[i] = 0;
    }
}

void ControlHandOver::Push(int32_t index, float controlValue, bool programChange) {
    if (index < 0 || index >= kIndexCount) return;
    const uint32_t generation = generation_[index].fetch_add(1, std::memory_order_acq_rel) + 1;
    uint32_t pos = enqueuePos_.load(std::memory_order_relaxed);
    for (;;) {
        Cell& cell = cells_[pos & (kCapacity - 1)];
        uint32_t sequence = cell.sequence.load(std::memory_order_acquire);
        int32_t diff = static_cast<int32_t>(sequence - pos);
        if (diff == 0) {
            if (enqueuePos_.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) {
                cell.change = Change{index, controlValue, generation, programChange};
                cell.sequence.store(pos + 1, std::memory_order_release);
                return;
            }
        } else if (diff < 0) {
            // Ring full: the drain will send the index's current value instead,
            // marked as a program change when this change was one.
            const uint32_t bit = 1u << (index % 32);
            if (programChange) dirtyProgram_[index / 32].fetch_or(bit, std::memory_order_release);
            dirty_[index / 32].fetch_or(bit, std::memory_order_release);
            return;
        } else {
            pos = enqueuePos_.load(std::memory_order_relaxed);
        }
    }
}

void ControlHandOver::MarkSent(int32_t index) {
    if (index < 0 || index >= kIndexCount) return;
    delivered_[index] = generation_[index].fetch_add(1, std::memory_order_acq_rel) + 1;
}

bool ControlHandOver::Empty() const {
    const Cell& cell = cells_[dequeuePos_ & (kCapacity - 1)];
    if (cell.sequence.load(std::memory_order_acquire) == dequeuePos_ + 1) return false;
    for (const auto& word : dirty_)
        if (word.load(std::memory_order_acquire)) return false;
    return true;
}
