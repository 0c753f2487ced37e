// The editor's 14 ms ticks on wall-clock time: whatever the rate at which the
// host lets the editor run, each pump runs every tick that fell due since the
// last one, at most 8 (the rest are dropped, so a stalled host does not make the
// picture race afterwards).
#pragma once

#include <cstdint>

class FrameClock {
public:
    static constexpr uint32_t kTickMs = 14;
    static constexpr int kMaxTicksPerPump = 8;

    // Starts counting from nowMs.
    void Start(uint64_t nowMs) { next = nowMs + kTickMs; }
    // Ticks due at nowMs (0 to kMaxTicksPerPump); the schedule advances by them.
    int TicksDue(uint64_t nowMs) {
        if (nowMs < next) return 0;
        uint64_t due = (nowMs - next) / kTickMs + 1;
        if (due > uint64_t(kMaxTicksPerPump)) {
            next = nowMs + kTickMs;  // dropped: start afresh from now
            return kMaxTicksPerPump;
        }
        next += due * kTickMs;
        return int(due);
    }

private:
    uint64_t next = 0;
};
