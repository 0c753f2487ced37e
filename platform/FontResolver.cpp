#include "platform/FontResolver.h"

#include <fontconfig/fontconfig.h>

#include <map>
#include <mutex>

namespace orva::platform {

std::string resolveFontFamily(const std::string& family) {
    static std::mutex mutex;
    static std::map<std::string, std::string> cache;
    std::lock_guard<std::mutex> lock(mutex);
    if (auto it = cache.find(family); it != cache.end()) return it->second;

    std::string answer = family;
    if (FcInit()) {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()));
        if (pattern) {
            FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
            FcDefaultSubstitute(pattern);
            FcResult result = FcResultNoMatch;
            FcPattern* match = FcFontMatch(nullptr, pattern, &result);
            if (match) {
                FcChar8* name = nullptr;
                if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name)
                    answer = reinterpret_cast<const char*>(name);
                FcPatternDestroy(match);
            }
            FcPatternDestroy(pattern);
        }
    }
    cache.emplace(family, answer);
    return answer;
}

}  // namespace orva::platform
