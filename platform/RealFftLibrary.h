// KissFFT's real transform (its float build), opened with dlopen rather than
// linked: few desktops install the library, and only the scope's spectrum modes
// use it, so the plug-in must load without it. A library that is missing, or
// lacks one of the functions, leaves the functions null and ok() false; nothing
// is printed.
#pragma once

#include <kiss_fftr.h>

#include <cstddef>

namespace orva::platform {

class RealFftLibrary {
public:
    // The soname the library is opened by.
    static constexpr const char* kSoname = "libkissfft-float.so.131";

    // Opens `soname` (RTLD_LOCAL: its symbols stay out of the host's way).
    explicit RealFftLibrary(const char* soname);
    ~RealFftLibrary();
    RealFftLibrary(const RealFftLibrary&) = delete;
    RealFftLibrary& operator=(const RealFftLibrary&) = delete;

    // The process's one instance for kSoname, opened on the first call (any
    // thread; later calls wait for the first) and closed when the plug-in is
    // unloaded.
    static const RealFftLibrary& Shared();

    bool ok() const { return alloc && forward; }

    // kiss_fftr_alloc: a state for nfft points, malloc'ed when mem and lenmem are
    // null (release it with std::free), or null.
    kiss_fftr_cfg (*alloc)(int nfft, int inverse, void* mem, size_t* lenmem) = nullptr;
    // kiss_fftr: nfft real samples in, nfft/2 + 1 complex bins out.
    void (*forward)(kiss_fftr_cfg cfg, const kiss_fft_scalar* in, kiss_fft_cpx* out) = nullptr;

private:
    void* handle = nullptr;
};

}  // namespace orva::platform
