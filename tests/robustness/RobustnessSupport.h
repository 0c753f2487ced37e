// Shared pieces of the host-robustness suite: a host that loads the built plug-in
// through PluginLoader and drives it the way the harshest hosts do, with settings
// given in display units, stereo streams cut into blocks of any size, guarded
// host buffers and a few signal generators.
//
// Like the other host-level tests this talks to the plug-in only through the
// AEffect record and its dispatcher.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/ControlTable.h"
#include "sdk/VstAbi.h"
#include "tests/plugin/PluginHostSupport.h"
#include "tools/PluginLoader.h"

namespace orva_robust {

using orva_plugin_test::PluginPath;

// Parameter indices used by the suite (65 is not a host parameter, but setParameter
// accepts every index of the control table).
enum Param : int32_t {
    kAutoRelease = 2, kParallel = 3, kAttack = 4, kHold = 5, kRelease = 6, kCompThresh = 8,
    kCompRatio = 9, kCompKnee = 10, kExpThresh = 11, kExpRatio = 12, kExpKnee = 13, kGain = 14,
    kLookAhead = 15, kStereoMode = 16, kSensitivity = 17, kLevelDetect = 18, kEqActive = 28,
    kBypass = 65,
};

constexpr double kPi = 3.14159265358979323846;

// Normalised value of a display value, through the range the host would use.
inline float Normalised(int32_t index, float display) {
    const ControlDescriptor& d = DescriptorOf(index);
    return (display - d.low) / (d.high - d.low);
}

// Look-ahead in samples for a normalised LookAhead value (0..50 ms) at a rate.
inline int32_t LookAheadSamples(float normalised, double rate) {
    const double ms = 50.0 * static_cast<double>(normalised);
    return static_cast<int32_t>(ms * rate / 1000.0);
}

// Pages of resident memory of this process.
inline long ResidentPages() {
    long size = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident;
}

inline size_t CountNotFinite(const std::vector<float>& v, size_t from = 0, size_t to = SIZE_MAX) {
    size_t bad = 0;
    for (size_t i = from; i < std::min(to, v.size()); ++i)
        if (!std::isfinite(v[i])) ++bad;
    return bad;
}

inline double PeakOf(const std::vector<float>& v, size_t from, size_t to) {
    double p = 0.0;
    for (size_t i = from; i < std::min(to, v.size()); ++i) p = std::max(p, std::fabs(static_cast<double>(v[i])));
    return p;
}

inline double Db(double ratio) { return 20.0 * std::log10(ratio); }

inline std::vector<float> Sine(size_t n, double hz, double peak, double rate, double phase = 0.0) {
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<float>(peak * std::sin(2.0 * kPi * hz * static_cast<double>(i) / rate + phase));
    return v;
}

// A signal that is different at every sample, so that a delay is identified exactly.
inline std::vector<float> Ramble(size_t n, uint32_t seed) {
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        v[i] = static_cast<float>(static_cast<int32_t>(seed >> 8) - (1 << 23)) / static_cast<float>(1 << 24);
    }
    return v;
}

// Host-side buffers of one block with guard zones around every channel (4 inputs,
// 2 outputs); each block is allocated to the size the host passes, so that the
// sanitizer build also sees any access past them.
class GuardedBlock {
public:
    static constexpr size_t kGuard = 16;
    static constexpr uint32_t kSentinelBits = 0x7FC0BEEFu;

    explicit GuardedBlock(int32_t frames) : frames_(frames < 0 ? 0 : frames) {
        for (auto& c : in_) c.assign(static_cast<size_t>(frames_) + 2 * kGuard, 0.0f);
        for (auto& c : out_) c.assign(static_cast<size_t>(frames_) + 2 * kGuard, 0.0f);
        for (auto& c : out_)
            for (float& s : c) std::memcpy(&s, &kSentinelBits, sizeof s);
        for (int c = 0; c < 4; ++c) inPtr_[c] = in_[c].data() + kGuard;
        for (int c = 0; c < 2; ++c) outPtr_[c] = out_[c].data() + kGuard;
    }
    float** inputs() { return inPtr_; }
    float** outputs() { return outPtr_; }
    float* in(int c) { return inPtr_[c]; }
    const float* out(int c) const { return outPtr_[c]; }
    int32_t frames() const { return frames_; }

    static bool IsSentinel(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return bits == kSentinelBits;
    }
    // Guard samples of the outputs that were written (must stay 0).
    int GuardsTouched() const {
        int touched = 0;
        for (const auto& c : out_)
            for (size_t i = 0; i < kGuard; ++i) {
                if (!IsSentinel(c[i])) ++touched;
                if (!IsSentinel(c[kGuard + static_cast<size_t>(frames_) + i])) ++touched;
            }
        return touched;
    }

private:
    int32_t frames_;
    std::vector<float> in_[4];
    std::vector<float> out_[2];
    float* inPtr_[4] = {};
    float* outPtr_[2] = {};
};

// A loaded plug-in and the usual host operations on it.
class Host {
public:
    bool Load() {
        BuildControlIndexMaps();
        if (!loader.Load(PluginPath())) return false;
        fx = loader.effect();
        return fx != nullptr;
    }
    void Unload() {
        loader.Unload();
        fx = nullptr;
    }

    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) {
        return fx->dispatcher(fx, opcode, index, value, ptr, opt);
    }
    void SetParameter(int32_t index, float normalised) { fx->setParameter(fx, index, normalised); }
    float GetParameter(int32_t index) { return fx->getParameter(fx, index); }
    // Sets a parameter by its display value.
    void Set(int32_t index, float display) { SetParameter(index, Normalised(index, display)); }

    void Start(float rate, int32_t blockSize) {
        Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        Dispatch(effSetBlockSize, 0, blockSize);
        Dispatch(effMainsChanged, 0, 1);
    }
    void Suspend() { Dispatch(effMainsChanged, 0, 0); }

    // A plain compressor: hard knee, no expansion, no make-up, no parallel mix, no
    // detector equaliser, no automatic release, peak detection, 0.2 ms look-ahead.
    void PlainCompressor(float threshold, float ratio) {
        Set(kCompKnee, 0);
        Set(kExpRatio, 1);
        Set(kExpKnee, 0);
        Set(kGain, 0);
        Set(kParallel, 0);
        Set(kEqActive, 0);
        Set(kAutoRelease, 0);
        Set(kLevelDetect, 0);
        Set(kStereoMode, 0);
        Set(kLookAhead, 0.2f);
        Set(kAttack, 0.2f);
        Set(kHold, 0);
        Set(kRelease, 50);
        Set(kCompThresh, threshold);
        Set(kCompRatio, ratio);
    }

    // Runs a stereo stream (and optional sidechain) through processReplacing in
    // blocks of `block` frames, each in freshly allocated guarded buffers. Counts
    // writes outside the host's buffers in guardFaults.
    void Run(const std::vector<float>& l, const std::vector<float>& r, std::vector<float>& outL,
             std::vector<float>& outR, int32_t block, const std::vector<float>* sideL = nullptr,
             const std::vector<float>* sideR = nullptr) {
        const size_t n = l.size();
        outL.assign(n, 0.0f);
        outR.assign(n, 0.0f);
        for (size_t at = 0; at < n; at += static_cast<size_t>(block)) {
            const int32_t frames = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(block), n - at));
            RunBlock(l, r, outL, outR, at, frames, sideL, sideR);
        }
    }

    // One processReplacing call over frames [at, at + frames) of the stream.
    void RunBlock(const std::vector<float>& l, const std::vector<float>& r, std::vector<float>& outL,
                  std::vector<float>& outR, size_t at, int32_t frames,
                  const std::vector<float>* sideL = nullptr, const std::vector<float>* sideR = nullptr) {
        GuardedBlock b(frames);
        const size_t bytes = sizeof(float) * static_cast<size_t>(frames);
        std::memcpy(b.in(0), l.data() + at, bytes);
        std::memcpy(b.in(1), r.data() + at, bytes);
        if (sideL) std::memcpy(b.in(2), sideL->data() + at, bytes);
        if (sideR) std::memcpy(b.in(3), sideR->data() + at, bytes);
        fx->processReplacing(fx, b.inputs(), b.outputs(), frames);
        guardFaults += b.GuardsTouched();
        if (frames > 0) {
            std::memcpy(outL.data() + at, b.out(0), bytes);
            std::memcpy(outR.data() + at, b.out(1), bytes);
        }
    }

    PluginLoader loader;
    AEffect* fx = nullptr;
    int guardFaults = 0;
};

}  // namespace orva_robust
