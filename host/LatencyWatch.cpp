#include "host/LatencyWatch.h"

bool LatencyWatch::Check(int32_t current, int64_t nowMs) {
    if (busy_.exchange(true, std::memory_order_acquire)) return false;
    bool tell = false;
    if (!seenTimed_ || current != seen_) {
        // A new value (or the first look): its time starts now.
        seen_ = current;
        seenSinceMs_ = nowMs;
        seenTimed_ = true;
    } else if (current != known_ && nowMs - seenSinceMs_ >= kSettleMs) {
        known_ = current;
        tell = true;
    }
    busy_.store(false, std::memory_order_release);
    return tell;
}
