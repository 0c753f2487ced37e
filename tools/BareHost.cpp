// orva-bare-host: the smallest host that exercises a whole plug-in, built to run
// where nothing but the C library is installed (no C++ runtime: no exceptions, no
// standard library beyond the C headers, the C++ runtime linked in). It loads the
// plug-in with dlopen, creates the effect through VSTPluginMain (or main), opens
// it, prints its name and version, runs one second of a sine through
// processReplacing and checks the output, optionally draws the editor without a
// window into a PNG file, and lists every shared object then loaded, one per line
// ("object PATH"), so a caller can see where each came from.
//
//   orva-bare-host PLUGIN [EDITOR.png]
// Exit status 0 when everything worked, 1 with a message on stderr otherwise.
#include <dlfcn.h>
#include <link.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "sdk/VstAbi.h"

namespace {

constexpr int32_t kEditorPictureCall = VstFourCC('O', 'T', 'e', 'd');
constexpr int kRate = 48000, kBlock = 512;

intptr_t VSTCALLBACK HostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    switch (opcode) {
        case audioMasterVersion: return kVstVersion;
        case audioMasterGetSampleRate: return kRate;
        case audioMasterGetBlockSize: return kBlock;
        default: return 0;
    }
}

int Fail(const char* what, const char* detail = "") {
    std::fprintf(stderr, "orva-bare-host: %s%s\n", what, detail);
    return 1;
}

intptr_t Call(AEffect* e, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

int PrintObject(dl_phdr_info* info, size_t, void*) {
    if (info->dlpi_name && info->dlpi_name[0]) std::printf("object %s\n", info->dlpi_name);
    return 0;
}

// One second of a -6 dBFS 1 kHz sine on the main inputs, silence on the
// sidechain: every output sample finite and the output not silent.
bool RunAudio(AEffect* e) {
    static float in[4][kBlock], out[2][kBlock];
    float* inputs[4] = {in[0], in[1], in[2], in[3]};
    float* outputs[2] = {out[0], out[1]};
    double energy = 0.0;
    long frame = 0;
    for (int block = 0; block < kRate / kBlock; ++block) {
        for (int i = 0; i < kBlock; ++i, ++frame)
            in[0][i] = in[1][i] = float(0.5 * std::sin(2.0 * M_PI * 1000.0 * double(frame) / kRate));
        e->processReplacing(e, inputs, outputs, kBlock);
        for (int c = 0; c < 2; ++c) {
            for (int i = 0; i < kBlock; ++i) {
                if (!std::isfinite(out[c][i])) return false;
                energy += double(out[c][i]) * out[c][i];
            }
        }
    }
    return energy > 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) return Fail("usage: orva-bare-host PLUGIN [EDITOR.png]");
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) return Fail("cannot load: ", dlerror());
    using Entry = AEffect* (*)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<Entry>(dlsym(library, "main"));
    if (!entry) return Fail("the library exports neither VSTPluginMain nor main");
    AEffect* e = entry(&HostCallback);
    if (!e || e->magic != kEffectMagic) return Fail("the plug-in created no effect");
    Call(e, effOpen);

    char name[256] = {};
    Call(e, effGetEffectName, 0, 0, name);
    std::printf("name %s\nversion %d\n", name, int(e->version));

    Call(e, effSetSampleRate, 0, 0, nullptr, float(kRate));
    Call(e, effSetBlockSize, 0, kBlock);
    Call(e, effMainsChanged, 0, 1);
    if (!RunAudio(e)) return Fail("the output is silent or not finite");
    std::printf("audio ok\n");

    if (argc == 3) {
        if (!Call(e, effVendorSpecific, kEditorPictureCall, 1)) return Fail("the editor does not open");
        for (int tick = 0; tick < 72; ++tick) Call(e, effVendorSpecific, kEditorPictureCall, 2);
        if (!Call(e, effVendorSpecific, kEditorPictureCall, 3, argv[2])) return Fail("cannot write ", argv[2]);
        Call(e, effVendorSpecific, kEditorPictureCall, 0);
        std::printf("editor %s\n", argv[2]);
    }

    Call(e, effMainsChanged, 0, 0);
    dl_iterate_phdr(PrintObject, nullptr);
    Call(e, effClose);
    if (dlclose(library) != 0) return Fail("dlclose: ", dlerror());
    return 0;
}
