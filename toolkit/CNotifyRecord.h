// The base of the typed records views pass to one another through notifyRecord:
// link messages between controls and display windows, display data for meters
// and the scope, texts for the text views. Each record says what it is; a receiver that does not know the
// kind ignores it.
#pragma once

#include <cstdint>

namespace VSTGUI {

struct CNotifyRecord {
    enum Kind : int32_t { kLink = 1, kDisplay = 2, kText = 3 };
    explicit CNotifyRecord(Kind k) : kind(k) {}
    const Kind kind;
};

}  // namespace VSTGUI
