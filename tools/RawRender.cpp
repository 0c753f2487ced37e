// orva-raw-render: renders a fixed, generated test signal through a plug-in and
// writes the output as raw little-endian 32-bit floats, interleaved stereo. With
// no file formats involved it builds for both word sizes, so that the 32-bit and
// the 64-bit library can be compared sample for sample.
//   orva-raw-render OUT.raw [--plugin PATH] [--program N]
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/PluginLoader.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT.raw [--plugin PATH] [--program N]\n", argv[0]);
        return 2;
    }
    std::string plugin = ORVA_DEFAULT_PLUGIN;
    std::vector<int> programs = {0, 10, 50};
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--plugin") plugin = argv[i + 1];
        else if (a == "--program") programs = {std::atoi(argv[i + 1])};
    }
    PluginLoader loader;
    if (!loader.Load(plugin)) {
        std::fprintf(stderr, "orva-raw-render: %s\n", loader.error().c_str());
        return 1;
    }
    AEffect* e = loader.effect();
    FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::fprintf(stderr, "orva-raw-render: cannot write %s\n", argv[1]);
        return 1;
    }
    // Per program: 3 s at 48 kHz of a swelling two-tone chord with a noise burst per
    // half second, in blocks of 333 frames; the settings that use every stage
    // (equaliser, RMS detection, mid/side, expander, automatic release) are switched
    // on in the third pass.
    const int frames = 3 * 48000, block = 333;
    std::vector<float> l(frames), r(frames), sl(frames), sr(frames), ol(frames), orr(frames);
    uint32_t state = 0x2545F491u;
    for (int i = 0; i < frames; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const double t = i / 48000.0, noise = static_cast<double>(state) / 4294967296.0 - 0.5;
        const double swell = 0.5 + 0.5 * std::sin(2 * M_PI * 0.7 * t);
        const double burst = std::fmod(t, 0.5) < 0.05 ? 1.0 : 0.0;
        l[i] = static_cast<float>(swell * (0.5 * std::sin(2 * M_PI * 110 * t) + 0.2 * std::sin(2 * M_PI * 1760 * t)) + 0.6 * burst * noise);
        r[i] = static_cast<float>(0.8 * l[i] + 0.1 * std::sin(2 * M_PI * 330 * t));
        sl[i] = sr[i] = static_cast<float>(burst * 0.9 * std::sin(2 * M_PI * 70 * t));
    }
    for (size_t pass = 0; pass < programs.size(); ++pass) {
        e->dispatcher(e, effSetProgram, 0, programs[pass], nullptr, 0.0f);
        if (pass == 2) {
            const float settings[][2] = {{28, 1.0f}, {20, 0.8f}, {23, 0.3f}, {18, 1.0f}, {16, 0.5f},
                                         {11, 0.6f}, {12, 0.1f}, {2, 0.5f}, {15, 0.2f}};
            for (const auto& s : settings) e->setParameter(e, static_cast<int32_t>(s[0]), s[1]);
        }
        e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        e->dispatcher(e, effSetBlockSize, 0, block, nullptr, 0.0f);
        e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
        for (int at = 0; at < frames; at += block) {
            const int n = frames - at < block ? frames - at : block;
            float* in[4] = {l.data() + at, r.data() + at, sl.data() + at, sr.data() + at};
            float* o[2] = {ol.data() + at, orr.data() + at};
            e->processReplacing(e, in, o, n);
        }
        e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
        for (int i = 0; i < frames; ++i) {
            const float pair[2] = {ol[i], orr[i]};
            std::fwrite(pair, sizeof pair, 1, out);
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
