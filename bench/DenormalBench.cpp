// Cost of denormal input next to normal input. Hosts feed plug-ins denormal
// samples (decaying reverb tails, badly dithered silence, other plug-ins' output),
// and a processor without flush-to-zero can spend many times its normal CPU time
// on them. The plug-in, loaded through the VST 2.x interface as a host loads it,
// runs the same length of four signals in blocks of 128 frames at 48 kHz:
//
//   normal     noise and a 220 Hz sine at about -20 dBFS
//   denormal   random samples between the smallest denormal and 1e-38
//   mixed      normal and denormal blocks alternating
//   tail       one loud second, then digital silence (internal states decay)
//
// under two settings (the first factory program, and RMS detection with the
// detector equaliser, expander and automatic release switched on). It prints CPU
// time per stereo frame (best of several runs) and the ratio to the normal signal.
//
//   orva_bench_denormal [--seconds S] [--runs N]
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tools/PluginLoader.h"

namespace {

constexpr int kRate = 48000;
constexpr int kBlock = 128;
constexpr double kPi = 3.14159265358979323846;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Random {
    uint32_t state = 0x2545F491u;
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    double Unit() { return static_cast<double>(Next()) / 4294967296.0; }
};

float Normal(size_t i, Random& rnd) {
    const double t = static_cast<double>(i) / kRate;
    return static_cast<float>(0.05 * (2.0 * rnd.Unit() - 1.0) + 0.07 * std::sin(2 * kPi * 220.0 * t));
}

float Denormal(Random& rnd) {
    // A denormal float: exponent bits 0, random non-zero mantissa, random sign.
    uint32_t bits = (rnd.Next() & 0x007FFFFFu) | 1u;
    if (rnd.Next() & 1u) bits |= 0x80000000u;
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

std::vector<float> MakeSignal(const std::string& kind, size_t frames) {
    std::vector<float> v(frames);
    Random rnd;
    for (size_t i = 0; i < frames; ++i) {
        if (kind == "normal") v[i] = Normal(i, rnd);
        else if (kind == "denormal") v[i] = Denormal(rnd);
        else if (kind == "mixed") v[i] = (i / kBlock) % 2 ? Denormal(rnd) : Normal(i, rnd);
        else v[i] = i < static_cast<size_t>(kRate) ? 10.0f * Normal(i, rnd) : 0.0f;  // tail
    }
    return v;
}

// Sets a parameter by its display value (numbers rise with the normalised value).
void SetDisplay(PluginLoader& p, int32_t index, double wanted) {
    AEffect* e = p.effect();
    double lo = 0.0, hi = 1.0;
    for (int k = 0; k < 40; ++k) {
        const double mid = 0.5 * (lo + hi);
        e->setParameter(e, index, static_cast<float>(mid));
        const double shown = std::atof(p.ParameterDisplay(index).c_str());
        (shown < wanted ? lo : hi) = mid;
    }
    e->setParameter(e, index, static_cast<float>(0.5 * (lo + hi)));
}

void Configure(PluginLoader& p, int setting) {
    AEffect* e = p.effect();
    p.Dispatch(effSetProgram, 0, 0);
    if (setting == 1) {
        e->setParameter(e, 18, 1.0f);  // Lev Detect: RMS
        e->setParameter(e, 28, 1.0f);  // EQ Active
        SetDisplay(p, 11, -50.0);      // Exp Thresh
        SetDisplay(p, 12, 2.0);        // Exp Ratio
        SetDisplay(p, 2, 50.0);        // Auto.Rel
    }
}

// CPU seconds to process the signal once, from a freshly resumed plug-in.
double TimeOnce(PluginLoader& p, const std::vector<float>& signal, float* sink) {
    AEffect* e = p.effect();
    p.Dispatch(effMainsChanged, 0, 0);
    p.Dispatch(effMainsChanged, 0, 1);
    std::vector<float> outL(kBlock), outR(kBlock), zero(kBlock, 0.0f);
    const double start = CpuSeconds();
    for (size_t at = 0; at + kBlock <= signal.size(); at += kBlock) {
        float* in[4] = {const_cast<float*>(signal.data() + at), const_cast<float*>(signal.data() + at), zero.data(),
                        zero.data()};
        float* out[2] = {outL.data(), outR.data()};
        e->processReplacing(e, in, out, kBlock);
        *sink += outL[0];
    }
    return CpuSeconds() - start;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 20.0;
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--seconds")) seconds = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--runs")) runs = std::max(1, std::atoi(argv[i + 1]));
    }
    PluginLoader plugin;
    if (!plugin.Load(ORVA_PLUGIN_PATH)) {
        std::fprintf(stderr, "%s\n", plugin.error().c_str());
        return 1;
    }
    plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    plugin.Dispatch(effSetBlockSize, 0, kBlock);
    plugin.Dispatch(effMainsChanged, 0, 1);

    const size_t frames = static_cast<size_t>(seconds * kRate);
    const char* kinds[] = {"normal", "denormal", "mixed", "tail"};
    const char* settings[] = {"factory program 1", "RMS + equaliser + expander + auto release"};
    float sink = 0.0f;
    std::printf("Denormal input cost: %.0f s of audio per signal, blocks of %d at %d Hz, best of %d runs\n\n",
                seconds, kBlock, kRate, runs);
    for (int setting = 0; setting < 2; ++setting) {
        Configure(plugin, setting);
        std::printf("%s\n", settings[setting]);
        std::printf("  %-10s %14s %14s %12s\n", "signal", "ns per frame", "x real time", "vs normal");
        double normalCost = 0.0;
        for (const char* kind : kinds) {
            const std::vector<float> signal = MakeSignal(kind, frames);
            double best = 1e30;
            for (int r = 0; r < runs; ++r) best = std::min(best, TimeOnce(plugin, signal, &sink));
            const double perFrame = best / static_cast<double>(frames);
            if (!std::strcmp(kind, "normal")) normalCost = perFrame;
            std::printf("  %-10s %14.1f %14.0f %11.2fx\n", kind, perFrame * 1e9, seconds / best, perFrame / normalCost);
        }
        std::printf("\n");
    }
    return std::isfinite(sink) ? 0 : 2;
}
