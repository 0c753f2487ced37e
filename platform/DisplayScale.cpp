#include "platform/DisplayScale.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace orva::platform {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

double scaleForXftDpi(const char* value) {
    if (!value) return 1.0;
    const char* begin = value;
    const char* end = value + std::strlen(value);
    while (begin < end && IsSpace(*begin)) ++begin;
    while (end > begin && IsSpace(end[-1])) --end;
    if (begin < end && *begin == '+') ++begin;  // from_chars takes no plus sign
    double dpi = 0.0;
    // from_chars reads "." as the decimal point whatever the host's locale says.
    const auto [stop, error] = std::from_chars(begin, end, dpi);
    if (error != std::errc() || stop != end || !std::isfinite(dpi) || dpi <= 0.0) return 1.0;
    const double wanted = dpi / 96.0;
    double best = kEditorScales[0];
    for (double scale : kEditorScales)
        if (std::fabs(scale - wanted) < std::fabs(best - wanted)) best = scale;
    return best;
}

std::string scaledResourceName(const char* name, double scale) {
    if (!name) return std::string();
    std::string result(name);
    if (scale == 1.0) return result;
    // to_chars writes the shortest form ("1.5", "2") with "." in every locale.
    char digits[32];
    const auto written = std::to_chars(digits, digits + sizeof digits, scale);
    const std::string suffix = "@" + std::string(digits, written.ptr) + "x";
    const size_t dot = result.rfind('.');
    result.insert(dot == std::string::npos ? result.size() : dot, suffix);
    return result;
}

int32_t scaledPixels(int32_t logical, double scale) { return int32_t(std::floor(logical * scale + 0.5)); }

}  // namespace orva::platform
