// When the host is told that the plug-in's latency has changed.
//
// The look-ahead delays the output by a whole number of samples, which the host
// reads as the AEffect's initialDelay and compensates. A host re-reads it when it
// is told (audioMasterIOChanged), and each telling may make it rebuild its latency
// compensation, so a drag or an automation ramp of the look-ahead must not tell it
// at every step. The watch answers "tell now" only once a latency that differs
// from the one the host knows has been seen unchanged for kSettleMs.
//
// Threads: Check runs on threads other than the audio thread (the host's user-
// interface or idle thread). Two threads checking at once are safe: the second is
// answered "not now" and the value is seen again at its next check.
#pragma once

#include <atomic>
#include <cstdint>

class LatencyWatch {
public:
    // How long a new latency must hold still before the host is told, in ms: a
    // value moved by hand or by automation is told at most about four times a second.
    static constexpr int64_t kSettleMs = 250;

    // Sets the latency the host has read (the one published as it loads the
    // plug-in), before any Check.
    void Start(int32_t known) {
        known_ = known;
        seen_ = known;
        seenTimed_ = false;
    }

    // `current`: the latency now, in samples; `nowMs`: a steady clock in ms. True
    // when the host should be told of `current` now; it then counts as known.
    bool Check(int32_t current, int64_t nowMs);

private:
    std::atomic<bool> busy_{false};
    int32_t known_ = 0;        // the latency the host was last told of
    int32_t seen_ = 0;         // latency at the last check
    int64_t seenSinceMs_ = 0;  // time of the check that first saw seen_
    bool seenTimed_ = false;   // seenSinceMs_ is set
};
