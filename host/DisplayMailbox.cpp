#include "host/DisplayMailbox.h"

#include <cmath>

DisplayMailbox::DisplayMailbox() = default;

namespace {

void RaiseTo(std::atomic<float>& maximum, float v) {
    float m = maximum.load(std::memory_order_relaxed);
    while (v > m && !maximum.compare_exchange_weak(m, v, std::memory_order_relaxed)) {
    }
}

}  // namespace

void DisplayMailbox::SetOpen(bool open) {
    if (open && !IsOpen()) {
        Forget();
        session_.fetch_add(1, std::memory_order_acq_rel);
    }
    open_.store(open, std::memory_order_release);
}

// Closed, nothing is posted: what the slots still hold was posted before the open.
void DisplayMailbox::Forget() {
    for (Slot& slot : slots_) {
        slot.levelPosts.store(0, std::memory_order_relaxed);
        slot.maximum.store(0.0f, std::memory_order_relaxed);
        slot.typeSeen = slot.typeSeq.load(std::memory_order_acquire);
        slot.blockSeen = slot.blockSeq.load(std::memory_order_acquire);
    }
    stopsSeen_ = stops_.load(std::memory_order_acquire);
    queueRead_.store(queueWritten_.load(std::memory_order_acquire), std::memory_order_release);
}

bool DisplayMailbox::Post(int32_t index, const DisplayMessage& message) {
    if (index < 0 || index >= kSlots || !IsOpen()) return false;
    Slot& slot = slots_[index];
    switch (message.code) {
        case 0:
        case 1: {
            float v = message.value;
            if (!std::isfinite(v)) v = 0.0f;
            slot.levelCode.store(message.code, std::memory_order_relaxed);
            slot.latest.store(v, std::memory_order_relaxed);
            RaiseTo(slot.maximum, v);
            slot.levelPosts.fetch_add(1, std::memory_order_release);
            return true;
        }
        case 104:
        case 110:
            slot.typeCode.store(message.code, std::memory_order_relaxed);
            slot.typeAux.store(message.aux, std::memory_order_relaxed);
            slot.typeSeq.fetch_add(1, std::memory_order_release);
            return true;
        case 3:
        case 4:
        case 5:
            slot.blockCode.store(message.code, std::memory_order_relaxed);
            slot.blockData.store(message.data, std::memory_order_relaxed);
            slot.blockSeq.fetch_add(1, std::memory_order_release);
            return true;
        case 2:
        case 6: {
            if (!message.data) return false;
            const uint32_t at = queueWritten_.load(std::memory_order_relaxed);
            if (at - queueRead_.load(std::memory_order_acquire) >= uint32_t(kQueueLength)) {
                overflows_.fetch_add(1, std::memory_order_relaxed);
                return false;
            }
            QueuedReading& entry = queue_[at % kQueueLength];
            entry.index = index;
            entry.code = message.code;
            const float* values = static_cast<const float*>(message.data);
            for (int k = 0; k < 4; ++k) entry.values[k] = std::isfinite(values[k]) ? values[k] : 0.0f;
            queueWritten_.store(at + 1, std::memory_order_release);
            return true;
        }
        default:
            return false;
    }
}

bool DisplayMailbox::TakeQueued(QueuedReading& reading) {
    const uint32_t at = queueRead_.load(std::memory_order_relaxed);
    if (at == queueWritten_.load(std::memory_order_acquire)) return false;
    reading = queue_[at % kQueueLength];
    queueRead_.store(at + 1, std::memory_order_release);
    return true;
}

bool DisplayMailbox::TakeLevel(int32_t index, LevelReading& reading) {
    if (index < 0 || index >= kSlots) return false;
    Slot& slot = slots_[index];
    uint32_t posts = slot.levelPosts.exchange(0, std::memory_order_acquire);
    if (posts == 0) return false;
    reading.code = slot.levelCode.load(std::memory_order_relaxed);
    reading.latest = slot.latest.load(std::memory_order_relaxed);
    reading.maximum = slot.maximum.exchange(0.0f, std::memory_order_relaxed);
    if (reading.maximum < reading.latest) reading.maximum = reading.latest;
    reading.posts = posts;
    return true;
}

bool DisplayMailbox::TakeType(int32_t index, TypeReading& reading) {
    if (index < 0 || index >= kSlots) return false;
    Slot& slot = slots_[index];
    uint32_t seq = slot.typeSeq.load(std::memory_order_acquire);
    if (seq == slot.typeSeen) return false;
    slot.typeSeen = seq;
    reading.code = slot.typeCode.load(std::memory_order_relaxed);
    reading.aux = slot.typeAux.load(std::memory_order_relaxed);
    return true;
}

bool DisplayMailbox::TakeBlock(int32_t index, BlockReading& reading) {
    if (index < 0 || index >= kSlots) return false;
    Slot& slot = slots_[index];
    uint32_t seq = slot.blockSeq.load(std::memory_order_acquire);
    if (seq == slot.blockSeen) return false;
    slot.blockSeen = seq;
    reading.code = slot.blockCode.load(std::memory_order_relaxed);
    reading.data = slot.blockData.load(std::memory_order_relaxed);
    return true;
}

bool DisplayMailbox::TakeStopped() {
    const uint32_t stops = stops_.load(std::memory_order_acquire);
    if (stops == stopsSeen_) return false;
    stopsSeen_ = stops;
    return true;
}
