// Root of every toolkit object: a reference count and string notifications.
#pragma once

#include <cstdint>

namespace VSTGUI {

using CMessageResult = int32_t;
enum : CMessageResult { kMessageUnknown = 0, kMessageNotified = 1 };

// Notification strings in use.
extern const char* const kMsgCheckIfViewContainer;
extern const char* const kMsgOldFocusView;
extern const char* const kMsgNewFocusView;
extern const char* const kMsgLooseFocus;
extern const char* const kMsgTimerFired;

// True when message is the notification string name (compared by content, so a
// copy of the string is the same message).
bool isMessage(const char* message, const char* name);

class CBaseObject {
public:
    CBaseObject() = default;
    CBaseObject(const CBaseObject&) : nbReference(1) {}
    CBaseObject& operator=(const CBaseObject&) { return *this; }
    virtual ~CBaseObject() = default;

    // Release: one reference less; the object deletes itself at zero.
    virtual void forget() {
        if (--nbReference == 0) delete this;
    }
    // Retain: one reference more.
    virtual void remember() { ++nbReference; }
    virtual CMessageResult notify(CBaseObject* /*sender*/, const char* /*message*/) {
        return kMessageUnknown;
    }

    int32_t getNbReference() const { return nbReference; }

private:
    int32_t nbReference = 1;
};

}  // namespace VSTGUI
