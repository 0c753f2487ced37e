#include "platform/TimerQueue.h"

#include <algorithm>
#include <chrono>

namespace orva::platform {

TimerQueue& TimerQueue::instance() {
    static TimerQueue queue;
    return queue;
}

uint64_t TimerQueue::now() const {
    if (clock) return clock();
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

void TimerQueue::setClockForTesting(uint64_t (*c)()) { clock = c; }

TimerQueue::Timer* TimerQueue::find(uint64_t id) {
    for (Timer& t : timers)
        if (t.id == id) return &t;
    return nullptr;
}

uint64_t TimerQueue::add(uint32_t periodMs, Callback callback, void* user) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    const uint64_t id = nextId++;
    timers.push_back(Timer{id, periodMs ? periodMs : 1, callback, user, false, 0});
    return id;
}

void TimerQueue::remove(uint64_t id) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    timers.erase(std::remove_if(timers.begin(), timers.end(), [id](const Timer& t) { return t.id == id; }),
                 timers.end());
}

void TimerQueue::start(uint64_t id) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (Timer* t = find(id)) {
        t->running = true;
        t->due = now() + t->periodMs;
    }
}

void TimerQueue::stop(uint64_t id) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (Timer* t = find(id)) t->running = false;
}

void TimerQueue::setPeriod(uint64_t id, uint32_t periodMs) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (Timer* t = find(id)) {
        t->periodMs = periodMs ? periodMs : 1;
        if (t->running) t->due = now() + t->periodMs;
    }
}

bool TimerQueue::isRunning(uint64_t id) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    Timer* t = find(id);
    return t && t->running;
}

int TimerQueue::fireDue(uint64_t nowMs) {
    // Collect first: a callback may add, remove, start or stop timers.
    std::vector<uint64_t> due;
    {
        std::lock_guard<std::recursive_mutex> lock(mutex);
        for (const Timer& t : timers)
            if (t.running && t.due <= nowMs) due.push_back(t.id);
    }
    int fired = 0;
    for (uint64_t id : due) {
        Callback callback = nullptr;
        void* user = nullptr;
        {
            std::lock_guard<std::recursive_mutex> lock(mutex);
            Timer* t = find(id);
            if (!t || !t->running || t->due > nowMs) continue;
            // A late timer skips missed ticks rather than firing a burst.
            t->due = std::max(t->due + t->periodMs, nowMs + 1);
            callback = t->callback;
            user = t->user;
        }
        callback(user);
        ++fired;
    }
    return fired;
}

int64_t TimerQueue::msUntilNext(uint64_t nowMs) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    int64_t best = -1;
    for (const Timer& t : timers) {
        if (!t.running) continue;
        const int64_t wait = t.due > nowMs ? int64_t(t.due - nowMs) : 0;
        if (best < 0 || wait < best) best = wait;
    }
    return best;
}

}  // namespace orva::platform
