// Test signals and measurements for the factory programs: deterministic signals
// (steady tones, a drum loop, a speech-like phrase, mid/side pairs) rendered
// through a fresh plug-in instance, and the level figures a recording engineer
// would read off a meter: settled gain of a tone, peaks, RMS levels, recovery
// time after a change of level.
//
// Everything talks to the plug-in through the AEffect record only, as a DAW does.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/ControlTable.h"
#include "sdk/VstAbi.h"
#include "tools/PluginLoader.h"

namespace orva_preset_test {

constexpr int kRate = 48000;
constexpr int kBlock = 512;
constexpr double kPi = 3.14159265358979323846;

inline double DbToAmp(double db) { return std::pow(10.0, db / 20.0); }
inline double AmpToDb(double amp) { return amp > 1e-12 ? 20.0 * std::log10(amp) : -240.0; }

struct Stereo {
    std::vector<float> l, r;
    size_t size() const { return l.size(); }
};

inline size_t Frames(double seconds) { return static_cast<size_t>(seconds * kRate); }

// xorshift32: the same noise on every machine.
struct Noise {
    uint32_t state = 0x2545F491u;
    double Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }
};

inline void ScaleToPeak(std::vector<double>& v, double peakDb) {
    double peak = 0.0;
    for (double x : v) peak = std::max(peak, std::fabs(x));
    const double k = peak > 0.0 ? DbToAmp(peakDb) / peak : 0.0;
    for (double& x : v) x *= k;
}

inline Stereo Both(const std::vector<double>& mono) {
    Stereo s;
    s.l.assign(mono.begin(), mono.end());
    s.r = s.l;
    return s;
}

// A steady sine on both channels; dbfs is the peak level (the detector reads a
// sine's peak in both of its modes).
inline Stereo Tone(double hz, double dbfs, double seconds) {
    std::vector<double> v(Frames(seconds));
    const double a = DbToAmp(dbfs);
    for (size_t i = 0; i < v.size(); ++i) v[i] = a * std::sin(2 * kPi * hz * static_cast<double>(i) / kRate);
    return Both(v);
}

// A drum loop at 120 beats per minute: a kick on every beat (a sine falling from
// 150 to 50 Hz), a snare on beats 2 and 4 (noise and a 190 Hz tone) and short
// hats on the off-beats, scaled to the given peak level. Crest factor about 19 dB.
inline Stereo Drums(double peakDb, double seconds) {
    std::vector<double> v(Frames(seconds));
    Noise noise;
    double hatState = 0.0;
    const double beat = 0.5;
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double inBeat = std::fmod(t, beat);
        const int beatIndex = static_cast<int>(t / beat);
        const double kickPhase = 50.0 * inBeat + (100.0 / 20.0) * (1.0 - std::exp(-20.0 * inBeat));
        double x = std::sin(2 * kPi * kickPhase) * std::exp(-9.0 * inBeat);
        const double n = noise.Next();
        if (beatIndex % 2 == 1)
            x += 0.7 * (0.7 * n + 0.4 * std::sin(2 * kPi * 190.0 * inBeat)) * std::exp(-22.0 * inBeat);
        const double half = std::fmod(t, beat / 2.0);
        x += 0.25 * (n - hatState) * std::exp(-70.0 * half);
        hatState = n;
        v[i] = x;
    }
    ScaleToPeak(v, peakDb);
    return Both(v);
}

// A speech-like phrase: a 140 Hz voiced tone (harmonics through two formant-like
// bumps) in syllables of varying strength, four a second, with a pause of half a
// second after every 1.5 s. Scaled to the given peak; its RMS, pauses included,
// lies about 19 dB below it.
inline Stereo Speech(double peakDb, double seconds) {
    std::vector<double> v(Frames(seconds));
    Noise noise;
    double strength[64];
    for (double& s : strength) s = 0.35 + 0.65 * (0.5 + 0.5 * noise.Next());
    // One period of the voiced tone (24 harmonics shaped by the two bumps), read
    // with linear interpolation at the varying pitch.
    constexpr int kTable = 2048;
    std::vector<double> period(kTable + 1);
    for (int j = 0; j <= kTable; ++j) {
        double x = 0.0;
        for (int k = 1; k <= 24; ++k) {
            const double f = 140.0 * k;
            const double formant = 1.0 / (1.0 + std::pow((f - 600.0) / 250.0, 2.0)) +
                                   0.5 / (1.0 + std::pow((f - 1800.0) / 400.0, 2.0));
            x += (0.2 / k + formant) * std::sin(2 * kPi * k * j / kTable);
        }
        period[static_cast<size_t>(j)] = x;
    }
    double phase = 0.0;
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        phase += 140.0 * (1.0 + 0.04 * std::sin(2 * kPi * 0.7 * t)) / kRate;
        phase -= std::floor(phase);
        if (std::fmod(t, 2.0) >= 1.5) continue;
        const int syllable = static_cast<int>(t * 4.0) % 64;
        const double env = std::pow(std::sin(kPi * std::fmod(t * 4.0, 1.0)), 2.0) * strength[syllable];
        const double at = phase * kTable;
        const size_t j = static_cast<size_t>(at);
        v[i] = env * (period[j] + (period[j + 1] - period[j]) * (at - static_cast<double>(j)));
    }
    ScaleToPeak(v, peakDb);
    return Both(v);
}

// Left and right from a mid and a side signal: L = M + S, R = M - S.
inline Stereo FromMidSide(const std::vector<float>& mid, const std::vector<float>& side) {
    Stereo s;
    s.l.resize(mid.size());
    s.r.resize(mid.size());
    for (size_t i = 0; i < mid.size(); ++i) {
        s.l[i] = mid[i] + side[i];
        s.r[i] = mid[i] - side[i];
    }
    return s;
}

inline std::vector<float> MidOf(const Stereo& s) {
    std::vector<float> m(s.size());
    for (size_t i = 0; i < s.size(); ++i) m[i] = 0.5f * (s.l[i] + s.r[i]);
    return m;
}

inline std::vector<float> SideOf(const Stereo& s) {
    std::vector<float> m(s.size());
    for (size_t i = 0; i < s.size(); ++i) m[i] = 0.5f * (s.l[i] - s.r[i]);
    return m;
}

inline double RmsOf(const std::vector<float>& v, size_t from, size_t to) {
    double sum = 0.0;
    to = std::min(to, v.size());
    if (to <= from) return 0.0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(v[i]) * v[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

inline double PeakOf(const std::vector<float>& v, size_t from = 0, size_t to = SIZE_MAX) {
    double p = 0.0;
    to = std::min(to, v.size());
    for (size_t i = from; i < to; ++i) p = std::max(p, std::fabs(static_cast<double>(v[i])));
    return p;
}

inline double PeakDb(const Stereo& s) { return AmpToDb(std::max(PeakOf(s.l), PeakOf(s.r))); }

inline size_t NonFinite(const Stereo& s) {
    size_t bad = 0;
    for (size_t i = 0; i < s.size(); ++i) bad += !std::isfinite(s.l[i]) + !std::isfinite(s.r[i]);
    return bad;
}

// One plug-in instance with one program selected, started at 48 kHz with blocks
// of 512 frames. A fresh rig per rendering keeps every measurement independent
// of what was played before.
class Rig {
public:
    explicit Rig(const std::string& pluginPath) : path_(pluginPath) { BuildControlIndexMaps(); }

    bool Open(int program, const std::vector<std::pair<std::string, double>>& overrides = {}) {
        if (!loader_.Load(path_)) return false;
        fx_ = loader_.effect();
        loader_.Dispatch(effSetProgram, 0, program);
        for (const auto& [name, value] : overrides) SetDisplay(name, value);
        loader_.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
        loader_.Dispatch(effSetBlockSize, 0, kBlock);
        loader_.Dispatch(effMainsChanged, 0, 1);
        return true;
    }

    const std::string& error() const { return loader_.error(); }
    PluginLoader& loader() { return loader_; }

    int IndexOf(const std::string& name) {
        for (int i = 0; i < fx_->numParams; ++i)
            if (loader_.ParameterName(i) == name) return i;
        return -1;
    }

    // Sets a parameter by its display value (or option number), as the editor would.
    bool SetDisplay(const std::string& name, double value) {
        const int index = IndexOf(name);
        if (index < 0) return false;
        const ControlDescriptor& d = DescriptorOf(index);
        const int items = CountOptionItems(d.options);
        const double n = items > 1 ? value / (items - 1) : (value - d.low) / (d.high - d.low);
        fx_->setParameter(fx_, index, static_cast<float>(n));
        return true;
    }

    double Display(const std::string& name) {
        const int index = IndexOf(name);
        const ControlDescriptor& d = DescriptorOf(index);
        return d.low + (d.high - d.low) * fx_->getParameter(fx_, index);
    }

    // The look-ahead delay in samples, as the delay line computes it.
    size_t LookAheadSamples() {
        const float control = static_cast<float>(Display("LookAhead")) * 0.1f;
        return static_cast<size_t>(static_cast<float>(kRate) * 0.01f * control);
    }

    Stereo Render(const Stereo& in, const Stereo* key = nullptr) {
        const size_t n = in.size();
        Stereo out;
        out.l.assign(n, 0.0f);
        out.r.assign(n, 0.0f);
        std::vector<float> silence(kBlock, 0.0f);
        for (size_t at = 0; at < n; at += kBlock) {
            const int32_t frames = static_cast<int32_t>(std::min<size_t>(kBlock, n - at));
            float* ins[4] = {const_cast<float*>(in.l.data() + at), const_cast<float*>(in.r.data() + at),
                             key ? const_cast<float*>(key->l.data() + at) : silence.data(),
                             key ? const_cast<float*>(key->r.data() + at) : silence.data()};
            float* outs[2] = {out.l.data() + at, out.r.data() + at};
            fx_->processReplacing(fx_, ins, outs, frames);
        }
        return out;
    }

private:
    std::string path_;
    PluginLoader loader_;
    AEffect* fx_ = nullptr;
};

// Settled gain in dB of a steady signal: output RMS over input RMS in the last
// `window` seconds (whole cycles of every test tone fit in it).
inline double SettledGainDb(const Stereo& in, const Stereo& out, double window = 0.25) {
    const size_t to = in.size(), from = to - Frames(window);
    return AmpToDb(RmsOf(out.l, from, to) / RmsOf(in.l, from, to));
}

// Seconds after `from` until the gain (10 ms blocks of out against in, delay
// compensated) comes back within `withinDb` of `targetDb`; -1 if it never does.
inline double RecoveryTime(const Stereo& in, const Stereo& out, size_t delay, size_t from, double targetDb,
                           double withinDb) {
    const size_t block = kRate / 100;
    for (size_t at = from; at + block + delay <= out.size(); at += block) {
        const double g = AmpToDb(RmsOf(out.l, at + delay, at + delay + block) / RmsOf(in.l, at, at + block));
        if (std::fabs(g - targetDb) <= withinDb) return static_cast<double>(at - from) / kRate;
    }
    return -1.0;
}

}  // namespace orva_preset_test
