#include "platform/RealFftLibrary.h"

#include <dlfcn.h>

namespace orva::platform {

RealFftLibrary::RealFftLibrary(const char* soname) {
    handle = soname ? dlopen(soname, RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (!handle) {
        dlerror();  // clear the message: a missing library is not an error here
        return;
    }
    alloc = reinterpret_cast<decltype(alloc)>(dlsym(handle, "kiss_fftr_alloc"));
    forward = reinterpret_cast<decltype(forward)>(dlsym(handle, "kiss_fftr"));
    if (!ok()) {
        dlerror();
        alloc = nullptr;
        forward = nullptr;
        dlclose(handle);
        handle = nullptr;
    }
}

RealFftLibrary::~RealFftLibrary() {
    if (handle) dlclose(handle);
}

const RealFftLibrary& RealFftLibrary::Shared() {
    static const RealFftLibrary library(kSoname);
    return library;
}

}  // namespace orva::platform
