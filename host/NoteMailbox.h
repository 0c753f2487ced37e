// Incoming notes from the audio thread to the editor, without locks and without
// the audio thread ever calling into editor code: processEvents posts each note
// here, and the editor's timer takes them on its own thread and tells its note
// listeners there. One producer (the audio thread), one consumer (the editor).
#pragma once

#include <atomic>
#include <cstdint>

class NoteMailbox {
public:
    static constexpr uint32_t kCapacity = 256;  // power of two

    // Audio thread. Files a note; answers false (the note is dropped) when the
    // editor has not taken the earlier ones yet and the mailbox is full.
    bool Post(int32_t note) {
        const uint32_t write = write_.load(std::memory_order_relaxed);
        if (write - read_.load(std::memory_order_acquire) >= kCapacity) return false;
        notes_[write & (kCapacity - 1)] = note;
        write_.store(write + 1, std::memory_order_release);
        return true;
    }

    // Editor thread. Calls take(note) for every note posted since the last call,
    // oldest first; answers how many.
    template <typename Take>
    int TakeAll(Take&& take) {
        uint32_t read = read_.load(std::memory_order_relaxed);
        const uint32_t write = write_.load(std::memory_order_acquire);
        int taken = 0;
        for (; read != write; ++read, ++taken) {
            take(notes_[read & (kCapacity - 1)]);
            read_.store(read + 1, std::memory_order_release);
        }
        return taken;
    }

    // Editor thread. Drops whatever was posted and not yet taken.
    void Clear() { read_.store(write_.load(std::memory_order_acquire), std::memory_order_release); }

private:
    int32_t notes_[kCapacity] = {};
    alignas(64) std::atomic<uint32_t> write_{0};
    alignas(64) std::atomic<uint32_t> read_{0};
};
