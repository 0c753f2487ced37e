#include "toolkit/CVSTGUITimer.h"

#include "platform/TimerQueue.h"

namespace VSTGUI {

using orva::platform::TimerQueue;

CVSTGUITimer::CVSTGUITimer(CBaseObject* t, int32_t period)
    : target(t), periodMs(period > 0 ? period : 1) {
    id = TimerQueue::instance().add(uint32_t(periodMs), &CVSTGUITimer::fired, this);
}

CVSTGUITimer::~CVSTGUITimer() { TimerQueue::instance().remove(id); }

void CVSTGUITimer::fired(void* self) {
    auto* timer = static_cast<CVSTGUITimer*>(self);
    // The target may release the timer from its notification: keep it alive until then.
    timer->remember();
    if (timer->target) timer->target->notify(timer, kMsgTimerFired);
    timer->forget();
}

bool CVSTGUITimer::start() {
    TimerQueue::instance().start(id);
    return true;
}

bool CVSTGUITimer::stop() {
    TimerQueue::instance().stop(id);
    return true;
}

bool CVSTGUITimer::setFireTime(int32_t period) {
    periodMs = period > 0 ? period : 1;
    TimerQueue::instance().setPeriod(id, uint32_t(periodMs));
    return true;
}

bool CVSTGUITimer::isRunning() const { return TimerQueue::instance().isRunning(id); }

}  // namespace VSTGUI
