#include "platform/DoubleClick.h"

#include <cstdlib>

namespace orva::platform {

int32_t doubleClickTimeMs() {
    // ORVA_DOUBLE_CLICK_MS lets a session (or a test) choose another time.
    if (const char* v = std::getenv("ORVA_DOUBLE_CLICK_MS")) {
        const long ms = std::strtol(v, nullptr, 10);
        if (ms > 0 && ms < 5000) return int32_t(ms);
    }
    return 400;
}

}  // namespace orva::platform
