// A periodic timer that notifies its target with "timer fired" on the
// user-interface thread. Stopped when destroyed.
#pragma once

#include "toolkit/CBaseObject.h"

namespace VSTGUI {

class CVSTGUITimer : public CBaseObject {
public:
    CVSTGUITimer(CBaseObject* target, int32_t periodMs);
    ~CVSTGUITimer() override;

    bool start();
    bool stop();
    // Changes the period; a running timer restarts with it.
    bool setFireTime(int32_t periodMs);
    int32_t getFireTime() const { return periodMs; }
    bool isRunning() const;

private:
    static void fired(void* self);

    CBaseObject* target;
    int32_t periodMs;
    uint64_t id;
};

}  // namespace VSTGUI
