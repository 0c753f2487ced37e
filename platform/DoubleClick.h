// The platform's double-click time in milliseconds: the X resource
// "*.multiClickTime" would be the place on X11; without a session setting the
// common default of 400 ms is used. Callers enforce their own minimum.
#pragma once

#include <cstdint>

namespace orva::platform {

int32_t doubleClickTimeMs();

}  // namespace orva::platform
