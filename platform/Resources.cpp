#include "platform/Resources.h"

#include <cstring>

// Generated at build time from resources/ (see tools/EmbedResources.cpp).
extern const EmbeddedResource kEmbeddedResources[];
extern const size_t kEmbeddedResourceCount;

const EmbeddedResource* FindEmbeddedResource(const char* type, const char* name) {
    if (!type || !name) return nullptr;
    for (size_t i = 0; i < kEmbeddedResourceCount; ++i) {
        const EmbeddedResource& r = kEmbeddedResources[i];
        if (std::strcmp(r.type, type) == 0 && std::strcmp(r.name, name) == 0) return &r;
    }
    return nullptr;
}

const EmbeddedResource* EmbeddedResources(size_t& count) {
    count = kEmbeddedResourceCount;
    return kEmbeddedResources;
}
