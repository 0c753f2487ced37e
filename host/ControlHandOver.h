// Lock-free hand-over of control changes from other threads (host automation on
// the user-interface thread, the editor) to the audio thread, which drains it at
// the start of every chunk and queues the module events itself. Producers never
// wait: each change takes one slot of a bounded multi-producer ring; should the
// ring ever be full, the index is marked dirty instead and its current value is
// sent at the next drain, so no change is lost. Every change carries a per-index
// generation, so that a change older than one already delivered is skipped: the
// receivers never step back to a stale value. A change may be marked as part of a
// program change; the mark travels with the value (through an overflow too), so
// that the audio thread knows, when the value arrives, that it is to be taken at
// once rather than glided to.
#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>

class ControlHandOver {
public:
    static constexpr uint32_t kCapacity = 1024;  // power of two
    static constexpr int kIndexCount = 92;

    struct Change {
        int32_t index;
        float controlValue;
        uint32_t generation;
        bool programChange;  // part of a program change: taken at once
    };

    ControlHandOver();

    // Any thread. Records that index now holds controlValue (the caller stores the
    // value where currentValue() of Drain reads it before calling Push).
    void Push(int32_t index, float controlValue, bool programChange = false);

    // Audio thread only. Calls deliver(index, controlValue, programChange) for every
    // recorded change in the order pushed, then deliver(index, currentValue(index),
    // programChange) for every index marked dirty by an overflow (programChange set
    // when any change folded into it had it). deliver may also take only the first
    // two arguments. Returns the number of changes delivered.
    template <typename Deliver, typename CurrentValue>
    int Drain(Deliver&& deliver, CurrentValue&& currentValue);

    // Audio thread only. The consumer itself has just sent index's current value:
    // changes handed over before this point are older and are skipped.
    void MarkSent(int32_t index);

    bool Empty() const;

private:
    struct Cell {
        std::atomic<uint32_t> sequence;
        Change change;
    };
    Cell cells_[kCapacity];
    alignas(64) std::atomic<uint32_t> enqueuePos_{0};
    alignas(64) uint32_t dequeuePos_ = 0;
    std::atomic<uint32_t> dirty_[3];
    std::atomic<uint32_t> dirtyProgram_[3];  // dirty indices that carry a program change
    std::atomic<uint32_t> generation_[kIndexCount];  // changes pushed per index
    uint32_t delivered_[kIndexCount];                 // consumer: newest generation sent
};

template <typename Deliver, typename CurrentValue>
int ControlHandOver::Drain(Deliver&& deliver, CurrentValue&& currentValue) {
    auto send = [&deliver](int32_t index, float value, bool programChange) {
        if constexpr (std::is_invocable_v<Deliver&, int32_t, float, bool>)
            deliver(index, value, programChange);
        else
            deliver(index, value);
    };
    int delivered = 0;
    for (;;) {
        Cell& cell = cells_[dequeuePos_ & (kCapacity - 1)];
        if (cell.sequence.load(std::memory_order_acquire) != dequeuePos_ + 1) break;
        Change change = cell.change;
        cell.sequence.store(dequeuePos_ + kCapacity, std::memory_order_release);
        ++dequeuePos_;
        uint32_t& last = delivered_[change.index];
        if (static_cast<int32_t>(change.generation - last) <= 0) {  // stale
            // Skipped because an overflow delivery read a newer value; that index
            // goes out again at the end of this drain and keeps the mark.
            const uint32_t bit = 1u << (change.index % 32);
            if (change.programChange && (dirty_[change.index / 32].load(std::memory_order_acquire) & bit))
                dirtyProgram_[change.index / 32].fetch_or(bit, std::memory_order_release);
            continue;
        }
        last = change.generation;
        send(change.index, change.controlValue, change.programChange);
        ++delivered;
    }
    for (int word = 0; word < 3; ++word) {
        uint32_t bits = dirty_[word].exchange(0, std::memory_order_acq_rel);
        // Taken after the dirty bits: a producer sets its program bit first.
        const uint32_t programBits = bits ? dirtyProgram_[word].fetch_and(~bits, std::memory_order_acq_rel) : 0;
        while (bits) {
            int bit = __builtin_ctz(bits);
            bits &= bits - 1;
            int index = word * 32 + bit;
            // The value read may be newer than changes pushed while it was read,
            // which are still on their way through the ring: they are skipped as
            // stale (so the receivers never step back to them), and the index goes
            // out once more at the next drain with whatever is current then.
            const uint32_t before = generation_[index].load(std::memory_order_acquire);
            const float value = currentValue(index);
            const uint32_t after = generation_[index].load(std::memory_order_acquire);
            delivered_[index] = after;
            const bool programChange = (programBits >> bit) & 1u;
            send(index, value, programChange);
            ++delivered;
            if (after != before) {
                if (programChange) dirtyProgram_[word].fetch_or(1u << bit, std::memory_order_release);
                dirty_[word].fetch_or(1u << bit, std::memory_order_release);
            }
        }
    }
    return delivered;
}
