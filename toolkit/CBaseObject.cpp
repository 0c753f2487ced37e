#include "toolkit/CBaseObject.h"

#include <cstring>

namespace VSTGUI {

const char* const kMsgCheckIfViewContainer = "kMsgCheckIfViewContainer";
const char* const kMsgOldFocusView = "kMsgOldFocusView";
const char* const kMsgNewFocusView = "kMsgNewFocusView";
const char* const kMsgLooseFocus = "LooseFocus";
const char* const kMsgTimerFired = "timer fired";

bool isMessage(const char* message, const char* name) {
    return message == name || (message && name && std::strcmp(message, name) == 0);
}

}  // namespace VSTGUI
