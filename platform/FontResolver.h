// Font family lookup through fontconfig: the family a request such as "Arial"
// resolves to on this system (a metric-compatible face like Liberation Sans when
// Arial itself is not installed). Answers are cached per requested name.
#pragma once

#include <string>

namespace orva::platform {

// The installed family fontconfig chooses for the requested family, or the request
// itself when fontconfig answers nothing.
std::string resolveFontFamily(const std::string& family);

}  // namespace orva::platform
