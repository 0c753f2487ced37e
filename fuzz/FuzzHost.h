// What the fuzzers share: one effect object created as the plug-in's entry point
// creates it, with a minimal host callback, talked to only through its AEffect
// record; and the checks that hold after any input (parameters in 0..1, finite
// audio from finite input, terminated texts). A failed check aborts, which
// libFuzzer reports as a crash with the input that caused it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/Mox_DSP_VST.h"
#include "host/PresetBank.h"
#include "sdk/VstAbi.h"

namespace orva_fuzz {

inline intptr_t VSTCALLBACK Host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

[[noreturn]] inline void Fail(const char* what, long detail) {
    std::fprintf(stderr, "orva fuzz check failed: %s (%ld)\n", what, detail);
    std::abort();
}

class FuzzHost {
public:
    FuzzHost() {
        effect_ = new Mox_DSP_VST(Host);
        fx = effect_->getAeffect();
        void* data = nullptr;
        const intptr_t size = Dispatch(effGetChunk, 0, 0, &data);
        if (size != kBankBytes || !data) Fail("no factory bank", static_cast<long>(size));
        factoryBank_.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    }

    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
        return fx->dispatcher(fx, opcode, index, value, ptr, opt);
    }

    // Back to the same starting point for every input: factory bank, program 0,
    // 48 kHz, blocks of 128, running.
    void Baseline() {
        Dispatch(effMainsChanged, 0, 0);
        Dispatch(effSetChunk, 0, kBankBytes, factoryBank_.data());
        Dispatch(effSetProgram, 0, 0);
        fx->setParameter(fx, 65, 0.0f);  // Bypass (not a host parameter) off
        Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        Dispatch(effSetBlockSize, 0, 128);
        Dispatch(effMainsChanged, 0, 1);
    }

    // processReplacing over exactly-sized host buffers (the address sanitizer sees
    // any access past them) filled with a finite signal of the given peak.
    void Process(int32_t frames, float peak, uint32_t seed) {
        const size_t n = frames > 0 ? static_cast<size_t>(frames) : 0;
        std::vector<float> in[4], out[2];
        for (int c = 0; c < 4; ++c) {
            in[c].resize(n);
            for (size_t i = 0; i < n; ++i) {
                seed = seed * 1664525u + 1013904223u;
                in[c][i] = peak * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
            }
        }
        for (auto& o : out) o.assign(n, 0.0f);
        float* ins[4] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
        float* outs[2] = {out[0].data(), out[1].data()};
        fx->processReplacing(fx, ins, outs, frames);
        for (const auto& o : out)
            for (size_t i = 0; i < n; ++i)
                if (!std::isfinite(o[i])) Fail("output not finite for finite input", static_cast<long>(i));
    }

    // Parameters the host reads are in 0..1; their texts and the program names are
    // terminated strings of the published lengths that never show NaN.
    void CheckState() {
        char text[256];
        for (int32_t i = 0; i < kPresetParamCount; ++i) {
            const float v = fx->getParameter(fx, i);
            if (!(v >= 0.0f && v <= 1.0f)) Fail("parameter outside 0..1", i);
            std::memset(text, 0x5A, sizeof text);
            Dispatch(effGetParamDisplay, i, 0, text);
            const void* end = std::memchr(text, 0, sizeof text);
            if (!end || static_cast<const char*>(end) - text > 8) Fail("display text not terminated in 9 bytes", i);
            if (std::strstr(text, "nan") || std::strstr(text, "inf")) Fail("display text shows a non-finite value", i);
        }
        std::memset(text, 0x5A, sizeof text);
        Dispatch(effGetProgramName, 0, 0, text);
        const void* end = std::memchr(text, 0, sizeof text);
        if (!end || static_cast<const char*>(end) - text > 24) Fail("program name not terminated in 25 bytes", 0);
    }

    AEffect* fx = nullptr;

private:
    Mox_DSP_VST* effect_ = nullptr;  // closed by effClose, never here: the process ends
    std::vector<uint8_t> factoryBank_;
};

// Reads fixed-size fields off the fuzzer's input; zeros past its end.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    template <typename T>
    T Get() {
        T value{};
        const size_t n = size_ - at_ < sizeof(T) ? size_ - at_ : sizeof(T);
        std::memcpy(&value, data_ + at_, n);
        at_ += n;
        return value;
    }
    size_t left() const { return size_ - at_; }
    const uint8_t* here() const { return data_ + at_; }
    void Skip(size_t n) { at_ += n < left() ? n : left(); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

}  // namespace orva_fuzz
