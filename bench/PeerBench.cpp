// Cost of our plug-in next to the compressors users would pick instead, all loaded
// through the VST 2.x interface as a host loads them, on the same deterministic
// 60 s test signal at 48 kHz (noise bursts and an enveloped sine), in blocks of 64,
// 128 and 512 frames. Prints CPU time per stereo frame, the multiple of real time,
// the gain reduction each configuration reaches, our ratio to each peer, and the
// resident memory per instance with 50 instances running.
//
//   orva_bench_peers [--seconds S] [--only NAME] [--block N] [--no-memory]
//                    [--plugin PATH] [--dump FILE]
// --only runs one configuration once (for instruction counts under callgrind);
// with --dump it also writes that run's output as raw interleaved stereo floats,
// and --plugin runs another build of our plug-in (to compare builds).
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "tools/PluginLoader.h"

namespace {

constexpr int kRate = 48000;
constexpr double kPi = 3.14159265358979323846;

struct Signal {
    std::vector<float> left, right, side;
};

// Noise bursts with silences between them, and a 220 Hz sine whose level swells
// and falls: material that makes every compressor work and rest.
Signal MakeSignal(double seconds) {
    const size_t frames = static_cast<size_t>(seconds * kRate);
    Signal s;
    s.left.resize(frames);
    s.right.resize(frames);
    s.side.resize(frames);
    uint32_t state = 0x9E3779B9u;
    for (size_t i = 0; i < frames; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const double noise = static_cast<double>(state) / 2147483648.0 - 1.0;
        const double t = static_cast<double>(i) / kRate;
        const double burst = std::fmod(t, 0.75) < 0.25 ? std::exp(-std::fmod(t, 0.75) * 12.0) : 0.0;
        const double swell = 0.5 + 0.5 * std::sin(2 * kPi * 0.2 * t);
        const double sine = std::sin(2 * kPi * 220.0 * t) * (0.1 + 0.6 * swell);
        s.left[i] = static_cast<float>(0.5 * noise * burst + sine);
        s.right[i] = static_cast<float>(0.45 * noise * burst + 0.9 * sine);
        s.side[i] = static_cast<float>(0.8 * burst * std::sin(2 * kPi * 60.0 * t));
    }
    return s;
}

// Sets a parameter to the normalised value whose display matches `wanted`: option
// texts by scanning, numbers by bisection (displays rise with the value).
bool SetByDisplay(PluginLoader& plugin, const std::string& name, const std::string& wanted) {
    AEffect* e = plugin.effect();
    if (name.size() > 1 && name[0] == '#') {  // "#65": a normalised value by index, for editor-only controls
        e->setParameter(e, std::atoi(name.c_str() + 1), std::strtof(wanted.c_str(), nullptr));
        return true;
    }
    int index = -1;
    for (int i = 0; i < e->numParams && index < 0; ++i)
        if (plugin.ParameterName(i) == name) index = i;
    if (index < 0) return false;
    char* end = nullptr;
    const double target = std::strtod(wanted.c_str(), &end);
    if (wanted.empty() || *end != 0) {
        for (int k = 0; k <= 1000; ++k) {
            e->setParameter(e, index, k / 1000.0f);
            // Displays may be cut short ("Sidechai"): a prefix of the wanted text matches.
            const std::string shown = plugin.ParameterDisplay(index);
            if (!shown.empty() && (shown == wanted || (shown.size() >= 6 && wanted.rfind(shown, 0) == 0))) return true;
        }
        return false;
    }
    auto displayed = [&](float n) {
        e->setParameter(e, index, n);
        return std::strtod(plugin.ParameterDisplay(index).c_str(), nullptr);
    };
    float lo = 0.0f, hi = 1.0f;
    if (displayed(lo) > displayed(hi)) std::swap(lo, hi);
    for (int step = 0; step < 40; ++step) {
        const float mid = 0.5f * (lo + hi);
        if (displayed(mid) < target) lo = mid;
        else hi = mid;
    }
    displayed(hi);
    return true;
}

struct Config {
    std::string name;
    std::string path;
    bool legacyEntry;  // the plug-in exports only the older entry name
    std::vector<std::pair<std::string, std::string>> settings;
    bool sidechain = false;
};

struct Result {
    double nsPerFrame = 0, realTime = 0, reductionDb = 0;
    bool ok = false;
};

double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

bool Open(PluginLoader& plugin, const Config& c, int block) {
    if (!plugin.Load(c.path, c.legacyEntry)) return false;
    plugin.Dispatch(effOpen);
    plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    plugin.Dispatch(effSetBlockSize, 0, block);
    for (const auto& [name, value] : c.settings)
        if (!SetByDisplay(plugin, name, value)) std::fprintf(stderr, "  (%s: no parameter '%s')\n", c.name.c_str(), name.c_str());
    plugin.Dispatch(effMainsChanged, 0, 1);
    return true;
}

// The processing loop alone (kept out of line so that instruction counters can be
// limited to it).
__attribute__((noinline)) void RunBlocks(AEffect* e, const Config& c, const Signal& s, int block,
                                         std::vector<float>& outL, std::vector<float>& outR,
                                         std::vector<float>& silence) {
    const size_t frames = s.left.size();
    for (size_t at = 0; at < frames; at += static_cast<size_t>(block)) {
        const int32_t n = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(block), frames - at));
        float* in[4] = {const_cast<float*>(s.left.data()) + at, const_cast<float*>(s.right.data()) + at,
                        (c.sidechain ? const_cast<float*>(s.side.data()) : silence.data()) + at,
                        (c.sidechain ? const_cast<float*>(s.side.data()) : silence.data()) + at};
        float* out[2] = {outL.data() + at, outR.data() + at};
        e->processReplacing(e, in, out, n);
    }
}

Result Measure(const Config& c, const Signal& s, int block, const char* dump = nullptr) {
    Result r;
    PluginLoader plugin;
    if (!Open(plugin, c, block)) return r;
    AEffect* e = plugin.effect();
    const size_t frames = s.left.size();
    std::vector<float> outL(frames), outR(frames);
    std::vector<float> silence(frames, 0.0f);
    const double started = ThreadSeconds();
    RunBlocks(e, c, s, block, outL, outR, silence);
    const double elapsed = ThreadSeconds() - started;
    plugin.Dispatch(effMainsChanged, 0, 0);
    if (dump) {
        FILE* f = std::fopen(dump, "wb");
        for (size_t i = 0; f && i < frames; ++i) {
            const float pair[2] = {outL[i], outR[i]};
            std::fwrite(pair, sizeof pair, 1, f);
        }
        if (!f || std::fclose(f) != 0) std::fprintf(stderr, "cannot write %s\n", dump);
    }
    r.nsPerFrame = frames ? elapsed * 1e9 / static_cast<double>(frames) : 0;
    r.realTime = elapsed > 0 ? static_cast<double>(frames) / kRate / elapsed : 0;
    // Level drop over the loud passages (the sine's swell), in dB.
    double in2 = 0, out2 = 0;
    for (size_t i = 0; i < frames; ++i) {
        in2 += static_cast<double>(s.left[i]) * s.left[i];
        out2 += static_cast<double>(outL[i]) * outL[i];
    }
    r.reductionDb = out2 > 0 && in2 > 0 ? 10.0 * std::log10(in2 / out2) : 0.0;
    r.ok = true;
    return r;
}

long ResidentKiB() {
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    long pages = 0, resident = 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Resident memory added per instance, with 50 instances resumed and processing.
double KiBPerInstance(const Config& c) {
    const Signal s = MakeSignal(0.1);
    std::vector<std::unique_ptr<PluginLoader>> plugins;
    PluginLoader first;  // load the library once, so its code is not counted per instance
    if (!Open(first, c, 512)) return 0;
    const long before = ResidentKiB();
    std::vector<float> outL(512), outR(512), silence(512, 0.0f);
    for (int i = 0; i < 50; ++i) {
        plugins.push_back(std::make_unique<PluginLoader>());
        if (!Open(*plugins.back(), c, 512)) return 0;
        AEffect* e = plugins.back()->effect();
        for (size_t at = 0; at + 512 <= s.left.size(); at += 512) {
            float* in[4] = {const_cast<float*>(s.left.data()) + at, const_cast<float*>(s.right.data()) + at,
                            silence.data(), silence.data()};
            float* out[2] = {outL.data(), outR.data()};
            e->processReplacing(e, in, out, 512);
        }
    }
    return static_cast<double>(ResidentKiB() - before) / 50.0;
}

// Resident memory of one instance before and after an hour of audio in blocks of
// 512 (the test signal repeated), in KiB.
std::pair<long, long> ResidentOverAnHour(const Config& c) {
    const Signal s = MakeSignal(10.0);
    PluginLoader plugin;
    if (!Open(plugin, c, 512)) return {0, 0};
    AEffect* e = plugin.effect();
    std::vector<float> outL(512), outR(512), silence(512, 0.0f);
    auto run = [&](double seconds) {
        const size_t blocks = static_cast<size_t>(seconds * kRate / 512);
        const size_t perPass = s.left.size() / 512;
        for (size_t b = 0; b < blocks; ++b) {
            const size_t at = (b % perPass) * 512;
            float* in[4] = {const_cast<float*>(s.left.data()) + at, const_cast<float*>(s.right.data()) + at,
                            silence.data(), silence.data()};
            float* out[2] = {outL.data(), outR.data()};
            e->processReplacing(e, in, out, 512);
        }
    };
    run(10.0);  // every buffer touched once
    const long before = ResidentKiB();
    run(3600.0);
    return {before, ResidentKiB()};
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 60.0;
    std::string only;
    int onlyBlock = 128;
    bool memory = true;
    std::string ours = ORVA_PLUGIN_PATH;
    const char* dump = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) seconds = std::atof(argv[++i]);
        else if (a == "--only" && i + 1 < argc) only = argv[++i];
        else if (a == "--block" && i + 1 < argc) onlyBlock = std::atoi(argv[++i]);
        else if (a == "--no-memory") memory = false;
        else if (a == "--plugin" && i + 1 < argc) ours = argv[++i];
        else if (a == "--dump" && i + 1 < argc) dump = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--seconds S] [--only NAME] [--block N] [--no-memory] [--plugin PATH] [--dump FILE]\n", argv[0]);
            return 2;
        }
    }
    const std::vector<std::pair<std::string, std::string>> compress = {{"Comp Thresh", "-24"}, {"Comp Ratio", "4"},
                                                                      {"Comp.Knee", "0"}, {"Gain", "0"}};
    std::vector<Config> configs = {
        {"orva default", ours, false, {}},
        {"orva compress", ours, false, compress},
        {"orva heavy", ours, false,
         {{"Comp Thresh", "-24"}, {"Comp Ratio", "4"}, {"EQ Active", "10"}, {"Eq Gain 1", "6"}, {"Eq Gain 2", "-4"},
          {"Eq Gain 3", "3"}, {"Lev Detect", "RMS"}, {"Stereo Mode", "M/S Mono"}, {"LookAhead", "10"},
          {"Exp Thresh", "-40"}, {"Exp Ratio", "0.5"}, {"Auto.Rel", "50"}}},
        {"orva sidechain", ours, false, {{"Comp Thresh", "-24"}, {"Comp Ratio", "4"}, {"Stereo Mode", "Sidechain"}}, true},
        {"orva bypassed", ours, false, {{"#65", "1"}}},
        {"ZamCompX2", "/usr/lib/vst/ZamCompX2-vst.so", true, {{"Threshold", "-24"}, {"Ratio", "4"}, {"Makeup", "0"}}},
        {"LSP Compressor Stereo", "/usr/lib/vst/lsp-plugins/compressor-stereo.so", false,
         {{"al", "-24"}, {"cr", "4"}, {"mk", "0"}}},
    };

    if (!only.empty()) {
        const Signal s = MakeSignal(seconds);
        for (const Config& c : configs)
            if (c.name == only) {
                const Result r = Measure(c, s, onlyBlock, dump);
                std::printf("%s: %s\n", c.name.c_str(), r.ok ? "ran" : "could not be loaded");
                return r.ok ? 0 : 1;
            }
        std::fprintf(stderr, "no configuration named '%s'\n", only.c_str());
        return 2;
    }

    const Signal s = MakeSignal(seconds);
    std::printf("%.0f s of test signal at %d Hz, CPU time of the processing thread\n\n", seconds, kRate);
    std::printf("%-22s %6s %12s %12s %10s\n", "plug-in", "block", "ns/frame", "x real time", "level drop");
    const int blocks[] = {64, 128, 512};
    std::vector<std::vector<Result>> results(configs.size(), std::vector<Result>(3));
    for (size_t c = 0; c < configs.size(); ++c) {
        for (int b = 0; b < 3; ++b) {
            results[c][static_cast<size_t>(b)] = Measure(configs[c], s, blocks[b]);
            const Result& r = results[c][static_cast<size_t>(b)];
            if (!r.ok) {
                std::printf("%-22s %6d   (not installed: %s)\n", configs[c].name.c_str(), blocks[b], configs[c].path.c_str());
                break;
            }
            std::printf("%-22s %6d %12.1f %12.0f %8.1f dB\n", configs[c].name.c_str(), blocks[b], r.nsPerFrame,
                        r.realTime, r.reductionDb);
        }
    }
    std::printf("\nour cost relative to each peer (peer ns / our ns; above 1.0 means we are cheaper)\n");
    for (size_t p = 5; p < configs.size(); ++p) {
        if (!results[p][0].ok) continue;
        for (size_t c = 0; c < 5; ++c) {
            std::printf("  %-16s vs %-22s", configs[c].name.c_str(), configs[p].name.c_str());
            for (int b = 0; b < 3; ++b)
                std::printf("  %4d: %5.2f", blocks[b], results[p][static_cast<size_t>(b)].nsPerFrame / results[c][static_cast<size_t>(b)].nsPerFrame);
            std::printf("\n");
        }
    }
    // Goal: the heavy setting at least 1.2 times as fast as LSP Compressor Stereo.
    if (results[6][0].ok) {
        std::printf("\ngoal: orva heavy at least 1.20 x as fast as %s (CPU time, this run):", configs[6].name.c_str());
        bool met = true;
        for (int b = 0; b < 3; ++b) {
            const double ratio = results[6][static_cast<size_t>(b)].nsPerFrame / results[2][static_cast<size_t>(b)].nsPerFrame;
            met &= ratio >= 1.2;
            std::printf("  %d: %.2f", blocks[b], ratio);
        }
        std::printf("  -> %s\n", met ? "met" : "NOT met");
    }
    if (memory) {
        std::printf("\nresident memory per instance, 50 instances running\n");
        for (size_t c : {size_t{0}, size_t{5}, size_t{6}})
            std::printf("  %-22s %8.0f KiB\n", configs[c].name.c_str(), KiBPerInstance(configs[c]));
        const auto [before, after] = ResidentOverAnHour(configs[2]);
        std::printf("one instance of %s over an hour of audio: resident %ld KiB before, %ld KiB after (%+ld KiB)\n",
                    configs[2].name.c_str(), before, after, after - before);
    }
    return 0;
}
