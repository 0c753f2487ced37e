// Display data from the audio thread to the editor, without locks and without the
// audio thread ever calling into a view. Each editor element index has one slot:
//   - levels (codes 0 and 1): the latest value, the maximum since the editor last
//     looked, and a count of posts;
//   - meter types (codes 104 and 110): the latest type;
//   - captures (codes 3 to 5): the buffer pointer (a DisplayCapture, whose ready
//     flag is the module's hand-over).
// Messages where each one counts (code 2, the scope's four channel peaks, one
// point each; code 6, the gain the envelope applies and the detected level) are
// not merged: they wait in one queue, in the order they were posted, each with a
// copy of its four values, until the editor takes them. A burst of sends between
// two ticks (large host blocks, a slow idle) thus reaches the editor whole.
// Non-finite values are filed as 0.
// The editor's frame timer takes what changed and hands it to the element. A host
// that suspends the plug-in is noted as a stop, so that the editor can let the
// meters fall instead of showing the last levels for as long as it stays open.
#pragma once

#include <atomic>
#include <cstdint>

#include "modules/framework/ModuleOwner.h"

class DisplayMailbox {
public:
    static constexpr int kSlots = 92;

    struct LevelReading {
        int32_t code;     // 0 peak, 1 RMS
        float latest;     // last value posted
        float maximum;    // largest value posted since the previous take
        uint32_t posts;   // values posted since the previous take
    };
    struct TypeReading {
        int32_t code;  // 104 or 110
        int32_t aux;   // meter type
    };
    struct BlockReading {
        int32_t code;      // 3..5
        const void* data;  // the capture buffer
    };

    struct QueuedReading {
        int32_t index;    // the element posted to
        int32_t code;     // 2 or 6
        float values[4];  // the message's four values
    };
    // Over a second of sends (two messages per 16.7 ms of audio and more).
    static constexpr int kQueueLength = 256;

    DisplayMailbox();

    // The editor opens and closes the mailbox; posts to a closed mailbox are dropped.
    // Opening starts a new session: whatever was filed before is forgotten (the
    // editor shows nothing posted before it opened), and the session number
    // changes, so that a feeder that sees it change knows its own measurements
    // are from before the open. Editor thread.
    void SetOpen(bool open);
    bool IsOpen() const { return open_.load(std::memory_order_acquire); }
    // Audio thread: the number of the current session (changes at every open).
    uint32_t Session() const { return session_.load(std::memory_order_acquire); }

    // Audio thread. Files a message for element index; answers false if dropped.
    bool Post(int32_t index, const DisplayMessage& message);

    // Editor thread. Each answers true and fills the reading when something new
    // arrived for index since the previous call of the same kind.
    bool TakeLevel(int32_t index, LevelReading& reading);
    bool TakeType(int32_t index, TypeReading& reading);
    bool TakeBlock(int32_t index, BlockReading& reading);
    // Editor thread: the oldest queued message not yet taken; false when none.
    bool TakeQueued(QueuedReading& reading);
    // Messages dropped because the queue was full (the editor did not take them).
    uint32_t queueOverflows() const { return overflows_.load(std::memory_order_relaxed); }

    // Audio thread (suspend): no more display data follows for now.
    void NoteStopped() { stops_.fetch_add(1, std::memory_order_release); }
    // Editor thread: true once for any stops noted since the previous call.
    bool TakeStopped();

private:
    struct Slot {
        std::atomic<uint32_t> levelPosts{0};
        std::atomic<int32_t> levelCode{0};
        std::atomic<float> latest{0.0f};
        std::atomic<float> maximum{0.0f};
        std::atomic<uint32_t> typeSeq{0};
        std::atomic<int32_t> typeCode{0};
        std::atomic<int32_t> typeAux{0};
        std::atomic<uint32_t> blockSeq{0};
        std::atomic<int32_t> blockCode{0};
        std::atomic<const void*> blockData{nullptr};
        uint32_t typeSeen = 0;   // editor side
        uint32_t blockSeen = 0;  // editor side
    };
    Slot slots_[kSlots];
    void Forget();

    std::atomic<bool> open_{false};
    std::atomic<uint32_t> session_{0};
    std::atomic<uint32_t> stops_{0};
    uint32_t stopsSeen_ = 0;  // editor side
    // The queue: one producer (the audio thread), one consumer (the editor).
    QueuedReading queue_[kQueueLength] = {};
    std::atomic<uint32_t> queueWritten_{0}, queueRead_{0};
    std::atomic<uint32_t> overflows_{0};
};
