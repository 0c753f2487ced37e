// orva-demo-signal: writes a deterministic demo mix for the renderer: drums, a
// bass line and a voice-like formant tone, 48 kHz stereo, with a quiet verse and a
// loud chorus so that a compressor has something to do.
//   orva-demo-signal OUT.wav [SECONDS]
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr double kPi = 3.14159265358979323846;

// xorshift32: the same noise on every machine.
struct Noise {
    uint32_t state = 0x12345678u;
    float Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(state) / 2147483648.0f - 1.0f;
    }
};

// Two-pole resonator (a formant), run per sample.
struct Resonator {
    double a1 = 0, a2 = 0, gain = 0, y1 = 0, y2 = 0;
    void Tune(double hz, double bandwidth) {
        const double r = std::exp(-kPi * bandwidth / kRate);
        a1 = 2 * r * std::cos(2 * kPi * hz / kRate);
        a2 = -r * r;
        gain = 1 - r;
    }
    double Run(double x) {
        const double y = gain * x + a1 * y1 + a2 * y2;
        y2 = y1;
        y1 = y;
        return y;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT.wav [SECONDS]\n", argv[0]);
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 20.0;
    if (!(seconds > 0.0 && seconds <= 600.0)) {
        std::fprintf(stderr, "orva-demo-signal: SECONDS must lie in (0, 600]\n");
        return 2;
    }
    const size_t frames = static_cast<size_t>(seconds * kRate);
    std::vector<float> left(frames), right(frames);
    Noise noise;
    const double beat = 60.0 / 112.0;  // 112 beats per minute
    const double bassNotes[8] = {55.0, 55.0, 65.41, 73.42, 55.0, 55.0, 82.41, 73.42};
    const double vowels[4][3] = {{800, 1150, 2900}, {400, 1600, 2700}, {350, 600, 2400}, {600, 1040, 2250}};
    Resonator formants[3];
    double voicePhase = 0.0, bassPhase = 0.0, hatState = 0.0;

    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double inBeat = std::fmod(t, beat);
        const int beatIndex = static_cast<int>(t / beat);
        const double section = std::fmod(t, 10.0) < 5.0 ? 0.35 : 1.0;  // quiet verse, loud chorus

        // Kick on every beat: a falling sine with a fast decay.
        double drums = 0.0;
        {
            const double f = 50.0 + 110.0 * std::exp(-inBeat * 25.0);
            drums += 0.9 * std::sin(2 * kPi * f * inBeat) * std::exp(-inBeat * 9.0);
        }
        // Snare on beats 2 and 4: noise with a tone.
        if (beatIndex % 2 == 1) {
            drums += 0.5 * (noise.Next() * 0.8 + 0.4 * std::sin(2 * kPi * 190.0 * inBeat)) * std::exp(-inBeat * 18.0);
        }
        // Hats on the off-beats: differentiated noise, short.
        {
            const double half = std::fmod(t, beat / 2.0);
            const double n = noise.Next();
            const double hat = n - hatState;
            hatState = n;
            drums += 0.12 * hat * std::exp(-half * 60.0);
        }

        // Bass: a soft square following the line, one note per two beats.
        const double bassHz = bassNotes[(beatIndex / 2) % 8];
        bassPhase += bassHz / kRate;
        bassPhase -= std::floor(bassPhase);
        const double bassEnv = 1.0 - 0.6 * std::min(1.0, std::fmod(t, 2 * beat) / (2 * beat));
        const double bass = 0.35 * bassEnv * std::tanh(3.0 * std::sin(2 * kPi * bassPhase));

        // Voice: a pulse train with vibrato through three formants, in phrases.
        const double phrase = std::fmod(t, 4 * beat);
        double voice = 0.0;
        if (phrase > 0.2 && phrase < 3.2 * beat) {
            const double pitch = 196.0 * (1.0 + 0.012 * std::sin(2 * kPi * 5.5 * t));
            voicePhase += pitch / kRate;
            double pulse = 0.0;
            if (voicePhase >= 1.0) {
                voicePhase -= 1.0;
                pulse = 1.0;
            }
            const int vowel = static_cast<int>(t / beat) % 4;
            for (int k = 0; k < 3; ++k) formants[k].Tune(vowels[vowel][k], 80.0 + 40.0 * k);
            const double source = pulse * 40.0;
            voice = formants[0].Run(source) + 0.5 * formants[1].Run(source) + 0.25 * formants[2].Run(source);
            const double attack = std::min(1.0, (phrase - 0.2) * 8.0);
            voice *= 0.5 * attack;
        }

        const double mid = section * (0.55 * drums + bass + voice);
        left[i] = static_cast<float>(mid + section * 0.06 * drums * std::sin(2 * kPi * 0.25 * t));
        right[i] = static_cast<float>(mid - section * 0.06 * drums * std::sin(2 * kPi * 0.25 * t));
    }

    // Peak-normalise to -1 dBFS.
    float peak = 0.0f;
    for (size_t i = 0; i < frames; ++i) peak = std::max(peak, std::max(std::fabs(left[i]), std::fabs(right[i])));
    const float scale = peak > 0.0f ? 0.891f / peak : 1.0f;
    std::vector<float> interleaved(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        interleaved[2 * i] = left[i] * scale;
        interleaved[2 * i + 1] = right[i] * scale;
    }
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "orva-demo-signal: cannot write '%s': %s\n", argv[1], sf_strerror(nullptr));
        return 1;
    }
    const bool ok = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames)) ==
                    static_cast<sf_count_t>(frames);
    sf_close(file);
    if (!ok) {
        std::remove(argv[1]);
        std::fprintf(stderr, "orva-demo-signal: error while writing '%s'\n", argv[1]);
        return 1;
    }
    return 0;
}
