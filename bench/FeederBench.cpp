// What the display feeders add to the processing thread: the effect object (linked
// in, not loaded) runs a 220 Hz sine with noise bursts at 48 kHz in host blocks,
// with the editor's mailbox closed or open; between blocks the editor side takes
// every reading, as its frame timer would. Prints nothing but a check figure: the
// instruction counts come from callgrind, limited to RunBlocks.
//
//   orva_bench_feeders [--open] [--seconds S] [--block N]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/Mox_DSP_VST.h"

namespace {

intptr_t VSTCALLBACK Host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

__attribute__((noinline)) void RunBlocks(Mox_DSP_VST& fx, float** in, float** out, int32_t frames) {
    fx.processReplacing(in, out, frames);
}

}  // namespace

int main(int argc, char** argv) {
    bool open = false;
    double seconds = 10.0;
    int32_t block = 128;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--open")) open = true;
        else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--block") && i + 1 < argc) block = std::atoi(argv[++i]);
    }
    if (block < 1) block = 1;
    Mox_DSP_VST fx(Host);
    fx.setSampleRate(48000.0f);
    fx.setBlockSize(block);
    fx.resume();
    fx.displayMailbox().SetOpen(open);

    std::vector<float> l(static_cast<size_t>(block)), r(l), silence(l), ol(l), orr(l);
    float* in[4] = {l.data(), r.data(), silence.data(), silence.data()};
    float* out[2] = {ol.data(), orr.data()};
    DisplayMailbox::LevelReading level{};
    DisplayMailbox::BlockReading scope{};
    DisplayMailbox::TypeReading type{};
    const long frames = static_cast<long>(seconds * 48000.0);
    uint32_t noise = 0x9E3779B9u;
    long taken = 0;
    for (long at = 0; at < frames; at += block) {
        for (int32_t i = 0; i < block; ++i) {
            noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
            const double t = static_cast<double>(at + i) / 48000.0;
            const double burst =
                std::fmod(t, 0.75) < 0.25 ? 0.5 * (static_cast<double>(noise) / 4294967296.0 - 0.5) : 0.0;
            l[static_cast<size_t>(i)] = r[static_cast<size_t>(i)] =
                static_cast<float>(burst + 0.5 * std::sin(2.0 * 3.14159265358979 * 220.0 * t));
        }
        RunBlocks(fx, in, out, block);
        for (int32_t tag = 74; tag <= 87; ++tag)
            taken += fx.displayMailbox().TakeLevel(tag, level) + fx.displayMailbox().TakeBlock(tag, scope) +
                     fx.displayMailbox().TakeType(tag, type);
    }
    std::printf("%s: %ld readings taken\n", open ? "mailbox open" : "mailbox closed", taken);
    return 0;
}
