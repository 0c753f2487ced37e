// The library's only exported symbols: VSTPluginMain, and the same entry under the
// older name main, which some hosts still look up.
#include <dlfcn.h>

#include <new>

#include "host/Mox_DSP_VST.h"

#define ORVA_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// cairo's pixel library allocates its tables when it is loaded and never frees
// them. In a host without cairo of its own, unloading the plug-in would unload
// that library too and lose the tables at every load; pinned (when it is loaded
// at all) as soon as the plug-in is, it keeps them for the life of the process.
bool PinGraphicsLibraries() {
    void* pixman = dlopen("libpixman-1.so.0", RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    if (pixman) dlclose(pixman);
    return pixman != nullptr;
}

[[maybe_unused]] const bool gGraphicsPinned = PinGraphicsLibraries();

}  // namespace

ORVA_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {
    // A host that does not answer the version request is not a VST 2.x host.
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    Mox_DSP_VST* effect = new (std::nothrow) Mox_DSP_VST(host);
    return effect ? effect->getAeffect() : nullptr;
}

// "main" cannot be declared as a C++ function returning a pointer, so the entry is
// given that symbol name through the assembler.
ORVA_EXPORT AEffect* OrvaLegacyMain(audioMasterCallback host) __asm__("main");
AEffect* OrvaLegacyMain(audioMasterCallback host) { return VSTPluginMain(host); }
