// A library linked the way the plug-in is: the C++ runtime and libgcc linked in,
// host/GlibcCompat.c in place of the C library's newer functions, nothing exported
// but the orva_probe_ functions (tests/release/probe.map). StaticRuntimeTest loads
// it with dlopen.
#include <dlfcn.h>

#include <cstdint>
#include <random>
#include <stdexcept>

namespace {

[[gnu::noinline]] int Deepest(int n) {
    if (n > 0) throw std::runtime_error("thrown inside the probe");
    return n;
}
[[gnu::noinline]] int Middle(int n) { return Deepest(n) + 1; }

}  // namespace

// n > 0: throws two frames down and catches it here (-1); otherwise answers 1.
extern "C" [[gnu::visibility("default")]] int orva_probe_catch(int n) {
    try {
        return Middle(n);
    } catch (const std::runtime_error& e) {
        return e.what()[0] == 't' ? -1 : -2;
    }
}

// The lookup the probe's unwinder uses.
extern "C" [[gnu::visibility("default")]] int orva_probe_find_object(void* address, dl_find_object* result) {
    return _dl_find_object(address, result);
}

#if DLFO_STRUCT_HAS_EH_DBASE
extern "C" char _GLOBAL_OFFSET_TABLE_[];
// The probe's GOT, the base of the data-relative encodings of its exception tables.
extern "C" [[gnu::visibility("default")]] void* orva_probe_got() { return _GLOBAL_OFFSET_TABLE_; }
#endif

// A draw from std::random_device through arc4random; 0 when it cannot be made.
extern "C" [[gnu::visibility("default")]] uint32_t orva_probe_random() {
    try {
        std::random_device device("arc4random");
        return device();
    } catch (...) {
        return 0;
    }
}
