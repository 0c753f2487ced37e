// The toolkit's timers. Timers are registered here and fired by whoever pumps
// the editor's events on the user-interface thread: the host's effEditIdle, or,
// for hosts that never idle the editor, the editor's own event thread (see
// X11Frame.h). Firing never happens anywhere else. The queue is shared by every
// editor in the process; a mutex guards registration so a timer may be started
// or stopped from a callback, but callbacks run without it held.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace orva::platform {

class TimerQueue {
public:
    using Callback = void (*)(void* user);

    static TimerQueue& instance();

    // A new timer firing every periodMs, not running; answers its id (never 0).
    uint64_t add(uint32_t periodMs, Callback callback, void* user);
    void remove(uint64_t id);
    void start(uint64_t id);
    void stop(uint64_t id);
    // A running timer restarts its period from now.
    void setPeriod(uint64_t id, uint32_t periodMs);
    bool isRunning(uint64_t id);

    // Fires every timer due at nowMs (each at most once per call); answers how many fired.
    int fireDue(uint64_t nowMs);
    int fireDue() { return fireDue(now()); }
    // Milliseconds until the next timer is due (0 when one is due), or -1 when none runs.
    int64_t msUntilNext(uint64_t nowMs);

    // The clock: a steady millisecond count, replaceable for tests.
    uint64_t now() const;
    void setClockForTesting(uint64_t (*clock)());

private:
    struct Timer {
        uint64_t id;
        uint32_t periodMs;
        Callback callback;
        void* user;
        bool running;
        uint64_t due;
    };
    Timer* find(uint64_t id);

    std::recursive_mutex mutex;
    std::vector<Timer> timers;
    uint64_t nextId = 1;
    uint64_t (*clock)() = nullptr;
};

}  // namespace orva::platform
