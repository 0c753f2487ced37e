// Files carried inside the library: the factory bank and the PNG skins. A build
// step turns every file under resources/<TYPE>/<name> into a byte array; this
// lookup answers the bytes for a (type, name) pair, or null.
#pragma once

#include <cstddef>

struct EmbeddedResource {
    const char* type;            // "DATA", "PNG"
    const char* name;            // file name, e.g. "VST_PatchMemoryBanks.mem"
    const unsigned char* data;
    size_t size;
};

// The resource of that type and name (exact, case-sensitive), or null.
const EmbeddedResource* FindEmbeddedResource(const char* type, const char* name);

// All embedded resources (for listing and tests); count receives their number.
const EmbeddedResource* EmbeddedResources(size_t& count);
