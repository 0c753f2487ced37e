// The base of the typed records views pass to one another through notifyRecord:
// link messages between controls and display windows, display data for meters
// and the scope. Each record says what it is; a receiver that does not know the
// kind ignores it.
#pragma once

#include <cstdint>

namespace VSTGUI {

struct CNotifyRecord {
    enum Kind : int32_t { kLink = 1, kDisplay = 2 };
    explicit CNotifyRecord(Kind k) : kind(k) {}
    const Kind kind;
};

}  // namespace VSTGUI
