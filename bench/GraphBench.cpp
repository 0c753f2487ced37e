// Timings of the whole effect object (processReplacing over the signal graph) at
// 48 kHz, and a printed count of the modules that actually run in each chunk.
// Everything here prints figures; nothing is checked.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "host/Mox_DSP_VST.h"
#include "modules/framework/ModuleBase.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int kSinePeriod = 48;  // 1 kHz at 48 kHz: a whole cycle every 48 samples
constexpr int32_t kGainIndex = 14;

intptr_t VSTCALLBACK BenchHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// One effect running the factory program, with stereo input, two silent sidechain
// channels and a stereo output, all `frames` long.
struct Rig {
    explicit Rig(int32_t blockFrames)
        : fx(std::make_unique<Mox_DSP_VST>(BenchHost)), frames(blockFrames),
          sine(static_cast<size_t>(blockFrames + kSinePeriod)), silence(static_cast<size_t>(blockFrames)),
          outL(static_cast<size_t>(blockFrames)), outR(static_cast<size_t>(blockFrames)) {
        const double amplitude = std::pow(10.0, -6.0 / 20.0);  // -6 dBFS
        const double pi = std::acos(-1.0);
        for (size_t i = 0; i < sine.size(); ++i)
            sine[i] = static_cast<float>(amplitude * std::sin(2.0 * pi * static_cast<double>(i) / kSinePeriod));
        fx->setSampleRate(kRate);
        fx->setBlockSize(frames);
        fx->resume();
    }

    // One block; the sine keeps its phase from block to block.
    void Run(bool withSine) {
        float* signal = withSine ? sine.data() + phase : silence.data();
        float* in[4] = {signal, signal, silence.data(), silence.data()};
        float* out[2] = {outL.data(), outR.data()};
        fx->processReplacing(in, out, frames);
        phase = (phase + frames) % kSinePeriod;
    }

    float OutputPeak() const {
        float peak = 0.0f;
        for (size_t i = 0; i < outL.size(); ++i) peak = std::fmax(peak, std::fmax(std::fabs(outL[i]), std::fabs(outR[i])));
        return peak;
    }

    std::unique_ptr<Mox_DSP_VST> fx;
    int32_t frames;
    int32_t phase = 0;
    std::vector<float> sine, silence, outL, outR;
};

// The modules the effect would call in its next chunk: the same test that
// processReplacing applies, taken just before the chunk.
std::vector<int> AwakeModules(const Mox_DSP_VST& fx) {
    std::vector<int> awake;
    for (int i = 0; i < fx.moduleCount; ++i) {
        const Mox_ModuleBase* m = fx.modules[i];
        if (m && (m->flags == 0 || !m->QueueEmpty())) awake.push_back(i);
    }
    return awake;
}

void PrintAwakeSummary(const char* label, bool withSine) {
    Rig rig(ModuleOwner::kMaxChunk);  // one block is exactly one chunk
    const int chunks = static_cast<int>(kRate) / ModuleOwner::kMaxChunk;
    long total = 0;
    float peak = 0.0f;
    std::vector<int> first, last;
    for (int c = 0; c < chunks; ++c) {
        last = AwakeModules(*rig.fx);
        if (c == 0) first = last;
        total += static_cast<long>(last.size());
        rig.Run(withSine);
        peak = std::fmax(peak, rig.OutputPeak());
    }
    std::printf("%s, 1 s at 48 kHz in %d chunks of %d samples:\n", label, chunks, ModuleOwner::kMaxChunk);
    std::printf("  modules awake per chunk: %zu of %d (last chunk), %.2f of %d (average)\n", last.size(),
                rig.fx->moduleCount, static_cast<double>(total) / chunks, rig.fx->moduleCount);
    std::printf("  awake in the first chunk (%zu):", first.size());
    for (int i : first) std::printf(" %d", i);
    std::printf("\n  awake in the last chunk (%zu):", last.size());
    for (int i : last) std::printf(" %d", i);
    std::printf("\n  output peak over the second: %g\n", static_cast<double>(peak));
}

void Report(benchmark::State& state, int32_t frames) {
    const double samples = static_cast<double>(frames) * static_cast<double>(state.iterations());
    state.SetItemsProcessed(static_cast<int64_t>(samples));
    // Seconds of 48 kHz audio processed per second of run time.
    state.counters["rt_factor"] = benchmark::Counter(samples / kRate, benchmark::Counter::kIsRate);
}

void BM_Silence(benchmark::State& state) {
    Rig rig(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        rig.Run(false);
        benchmark::DoNotOptimize(rig.outL.data());
    }
    Report(state, rig.frames);
}

void BM_Sine(benchmark::State& state) {
    Rig rig(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        rig.Run(true);
        benchmark::DoNotOptimize(rig.outL.data());
    }
    Report(state, rig.frames);
}

void BM_SineGainMoving(benchmark::State& state) {
    Rig rig(static_cast<int32_t>(state.range(0)));
    int step = 0;
    for (auto _ : state) {
        // A slow triangle between 0.25 and 0.75, a new value every block.
        const int t = step++ % 128;
        rig.fx->setParameter(kGainIndex, 0.25f + 0.5f * static_cast<float>(t < 64 ? t : 128 - t) / 64.0f);
        rig.Run(true);
        benchmark::DoNotOptimize(rig.outL.data());
    }
    Report(state, rig.frames);
}

BENCHMARK(BM_Silence)->Arg(32)->Arg(128)->Arg(512)->Arg(4096);
BENCHMARK(BM_Sine)->Arg(32)->Arg(128)->Arg(512)->Arg(4096);
BENCHMARK(BM_SineGainMoving)->Arg(32)->Arg(128)->Arg(512)->Arg(4096);

}  // namespace

int main(int argc, char** argv) {
    PrintAwakeSummary("Silent input, factory program", false);
    PrintAwakeSummary("1 kHz sine at -6 dBFS, factory program", true);
    std::fflush(stdout);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
