// The factory programs against what their names promise, measured by rendering
// test signals through the loaded plug-in: every program keeps normal material
// audible and unclipped and leaves silence silent; compressors reduce a
// normal-level signal by an amount that fits their name; limiters and maximisers
// hold their ceilings; gates and expanders reach their depth; mid/side programs
// leave the side alone; programs with a detector equaliser reduce more where it
// listens harder; the sidechain program ducks from its key; RMS programs hear
// short bursts below their peak; the automatic release shortens recovery after a
// drop.
//
// Levels: "normal" material peaks at -6 dBFS (a vocal or drum track mixed with
// headroom); "hot" material reaches 0 dBFS or, for the limiters, 6 dB beyond it.
// Gain reduction is taken against the program's own make-up gain, which is
// measured by rendering the same program with both ratios set to 1:1.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/presets/PresetRig.h"

namespace {

using namespace orva_preset_test;

const char* PluginPath() {
    // Held open for the whole process, as a DAW holds a plug-in it uses: every
    // measurement creates a fresh effect, but the library is mapped only once.
    static void* const kept = dlopen(ORVA_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    (void)kept;
    return ORVA_PLUGIN_PATH;
}

// What a compressor program is expected to do to its material at normal level:
// the loudness-weighted gain reduction (make-up minus the change of RMS level).
enum class Strength {
    kLight,   // gentle, classical, choirs, strings: audible control, no audible squeeze
    kMedium,  // general, vocal, instrument and bus programs
    kHeavy,   // names that promise it: strong, heavy, pumping, sustain, parallel
    kOther,   // limiters, maximisers, gates, expanders, sidechain: checked by their own tests
};

// Light: at least 0.5 dB (the program must act on a normal signal) and at most
// 4 dB, about where steady compression becomes audible as such. Medium: 3 to 9 dB,
// the usual working range of a vocal or bus compressor. Heavy: 8 to 18 dB, clearly
// more than medium but not beyond what still sounds like the source.
struct Range {
    double low, high;
};
Range RangeOf(Strength s) {
    switch (s) {
        case Strength::kLight: return {0.5, 4.0};
        case Strength::kMedium: return {3.0, 9.0};
        case Strength::kHeavy: return {8.0, 18.0};
        default: return {0.0, 0.0};
    }
}

enum class Material { kVoice, kDrums, kMix };

struct Program {
    int number;
    const char* name;
    Material material;
    Strength strength;
};

// The 69 named programs, in bank order, with the material each is made for.
const Program kPrograms[] = {
    {0, "Default Start", Material::kMix, Strength::kLight},
    {1, "Input EQ", Material::kMix, Strength::kMedium},
    {2, "Auto Release", Material::kMix, Strength::kMedium},
    {3, "Vocal Optical", Material::kVoice, Strength::kMedium},
    {4, "M/S Vocal", Material::kVoice, Strength::kMedium},
    {5, "Guitar Geek", Material::kVoice, Strength::kHeavy},
    {6, "Snare Drum", Material::kDrums, Strength::kMedium},
    {7, "Kick Drums", Material::kDrums, Strength::kMedium},
    {8, "Piano Compressor", Material::kVoice, Strength::kMedium},
    {9, "Parallel Compression", Material::kMix, Strength::kHeavy},
    {10, "-3dB Limiter", Material::kMix, Strength::kOther},
    {11, "Orva Loudness", Material::kMix, Strength::kMedium},
    {12, "Fat Sound", Material::kMix, Strength::kMedium},
    {13, "RMS Compressor", Material::kMix, Strength::kMedium},
    {14, "Simple Gate", Material::kVoice, Strength::kOther},
    {15, "Classic Compressor", Material::kMix, Strength::kMedium},
    {16, "Classic Compressor2", Material::kMix, Strength::kLight},
    {17, "Upward Expansion", Material::kVoice, Strength::kOther},
    {18, "Downward Expansion", Material::kVoice, Strength::kOther},
    {19, "Optical Expansion", Material::kVoice, Strength::kOther},
    {20, "M/S Boost Soft", Material::kMix, Strength::kLight},
    {21, "Classic EQed Comp", Material::kMix, Strength::kMedium},
    {22, "Strong Vocal", Material::kVoice, Strength::kHeavy},
    {23, "EQed Vocal", Material::kVoice, Strength::kMedium},
    {24, "Detailed Vocal", Material::kVoice, Strength::kMedium},
    {25, "Female Singer", Material::kVoice, Strength::kMedium},
    {26, "Male Singer", Material::kVoice, Strength::kMedium},
    {27, "Tenor", Material::kVoice, Strength::kLight},
    {28, "Soprano", Material::kVoice, Strength::kMedium},
    {29, "Mixed Vocal", Material::kVoice, Strength::kMedium},
    {30, "Choirs", Material::kVoice, Strength::kLight},
    {31, "Orchestral Choirs", Material::kVoice, Strength::kLight},
    {32, "Church Choirs", Material::kVoice, Strength::kLight},
    {33, "Alto", Material::kVoice, Strength::kMedium},
    {34, "Basso", Material::kVoice, Strength::kMedium},
    {35, "Acoustic Guitar", Material::kVoice, Strength::kMedium},
    {36, "Acoustic Guitar 2", Material::kVoice, Strength::kLight},
    {37, "Electric Guitar", Material::kVoice, Strength::kMedium},
    {38, "Live Rock Guitar", Material::kVoice, Strength::kHeavy},
    {39, "Rock Guitar 2", Material::kVoice, Strength::kMedium},
    {40, "Soft Guitar", Material::kVoice, Strength::kLight},
    {41, "Impulse Guitar", Material::kVoice, Strength::kMedium},
    {42, "Speech Compressor", Material::kVoice, Strength::kMedium},
    {43, "Strings", Material::kVoice, Strength::kLight},
    {44, "Pumping Drums", Material::kDrums, Strength::kHeavy},
    {45, "Heavy Drums", Material::kDrums, Strength::kHeavy},
    {46, "Drum Group", Material::kDrums, Strength::kMedium},
    {47, "0dB Limiter", Material::kMix, Strength::kOther},
    {48, "Auto Release Limiter", Material::kMix, Strength::kOther},
    {49, "EQed Limiter", Material::kMix, Strength::kOther},
    {50, "M/S Compressor", Material::kMix, Strength::kMedium},
    {51, "6dB Orva Loudness", Material::kMix, Strength::kOther},
    {52, "Fat Sound2", Material::kMix, Strength::kHeavy},
    {53, "Fat Boost", Material::kMix, Strength::kMedium},
    {54, "Noise Gate", Material::kVoice, Strength::kOther},
    {55, "EMI RS124", Material::kMix, Strength::kLight},
    {56, "EMI TG124", Material::kMix, Strength::kMedium},
    {57, "Tube-Tech CL-1B", Material::kVoice, Strength::kMedium},
    {58, "API 2500", Material::kMix, Strength::kMedium},
    {59, "K12 Meter Ex", Material::kMix, Strength::kOther},
    {60, "K14 Meter Ex", Material::kMix, Strength::kOther},
    {61, "K20 Meter Ex", Material::kMix, Strength::kOther},
    {62, "SideChain+EQ", Material::kMix, Strength::kOther},
    {63, "SSL4000", Material::kMix, Strength::kMedium},
    {64, "Maximiser A", Material::kMix, Strength::kOther},
    {65, "Maximiser B", Material::kMix, Strength::kOther},
    {66, "Maximiser C", Material::kMix, Strength::kOther},
    {67, "Maximiser D", Material::kMix, Strength::kOther},
    {68, "Guitar_Sustain", Material::kVoice, Strength::kHeavy},
};
constexpr int kNamedPrograms = 69;
static_assert(sizeof kPrograms / sizeof kPrograms[0] == kNamedPrograms);

const Program& ProgramNamed(const std::string& name) {
    for (const Program& p : kPrograms)
        if (name == p.name) return p;
    ADD_FAILURE() << "no program named " << name;
    return kPrograms[0];
}

// The normal-level test signals, each made once per process and only when used.
const Stereo& NormalVoice() {
    static const Stereo s = Speech(-6.0, 3.0);
    return s;
}
const Stereo& NormalDrums() {
    static const Stereo s = Drums(-6.0, 2.0);
    return s;
}
// Drums and voice together, as on a bus, peaking at -6 dBFS.
const Stereo& NormalMix() {
    static const Stereo s = [] {
        const Stereo d = Drums(0.0, 3.0), v = Speech(0.0, 3.0);
        std::vector<double> m(d.size());
        for (size_t i = 0; i < m.size(); ++i) m[i] = 0.6 * d.l[i] + 0.5 * v.l[i];
        ScaleToPeak(m, -6.0);
        return Both(m);
    }();
    return s;
}
// The same 20 dB lower.
const Stereo& SoftVoice() {
    static const Stereo s = Speech(-26.0, 3.0);
    return s;
}
const Stereo& SoftDrums() {
    static const Stereo s = Drums(-26.0, 2.0);
    return s;
}
const Stereo& NormalOf(Material m) {
    return m == Material::kVoice ? NormalVoice() : (m == Material::kDrums ? NormalDrums() : NormalMix());
}

using Overrides = std::vector<std::pair<std::string, double>>;

// Renders a signal through a fresh instance with the program (and overrides) set.
Stereo Render(int program, const Stereo& in, const Overrides& overrides = {}, const Stereo* key = nullptr,
              size_t* delay = nullptr) {
    Rig rig(PluginPath());
    if (!rig.Open(program, overrides)) {
        ADD_FAILURE() << rig.error();
        return in;
    }
    if (delay) *delay = rig.LookAheadSamples();
    return rig.Render(in, key);
}

double SettledGain(int program, double hz, double dbfs, const Overrides& overrides = {}, double seconds = 1.0) {
    const Stereo in = Tone(hz, dbfs, seconds);
    return SettledGainDb(in, Render(program, in, overrides));
}

// The program's make-up as heard: its gain with both ratios at 1:1 (the knees at
// 0, where a 1:1 ratio is exactly neutral), on a tone at -30 dBFS.
double MakeupDb(int program) {
    return SettledGain(program, 1000.0, -30.0, {{"Comp Ratio", 1}, {"Comp.Knee", 0}, {"Exp Ratio", 1}, {"Exp.Knee", 0}}, 0.5);
}

double RmsDb(const Stereo& s) { return AmpToDb(RmsOf(s.l, 0, s.size())); }

// Loudness-weighted gain reduction: make-up minus the change of RMS level.
double ReductionDb(const Stereo& in, const Stereo& out, double makeupDb) {
    return makeupDb - (RmsDb(out) - RmsDb(in));
}


}  // namespace

// ---------------------------------------------------------------------------
// The bank as the host sees it.

TEST(FactoryBank, NamesOrderAndSpareCopies) {
    Rig rig(PluginPath());
    ASSERT_TRUE(rig.Open(0)) << rig.error();
    PluginLoader& host = rig.loader();
    ASSERT_EQ(host.effect()->numPrograms, 128);
    for (const Program& p : kPrograms) EXPECT_EQ(host.ProgramName(p.number), p.name) << "program " << p.number;

    // Programs 69 to 127 are numbered copies of program 0, value for value.
    AEffect* fx = host.effect();
    std::vector<float> first(static_cast<size_t>(fx->numParams));
    host.Dispatch(effSetProgram, 0, 0);
    for (int i = 0; i < fx->numParams; ++i) first[static_cast<size_t>(i)] = fx->getParameter(fx, i);
    for (int p = kNamedPrograms; p < 128; ++p) {
        EXPECT_EQ(host.ProgramName(p), "(Copy " + std::to_string(p - kNamedPrograms + 1) + ") Default");
        host.Dispatch(effSetProgram, 0, p);
        for (int i = 0; i < fx->numParams; ++i)
            ASSERT_EQ(fx->getParameter(fx, i), first[static_cast<size_t>(i)]) << "program " << p << ", parameter " << i;
    }
}

TEST(FactoryBank, DefaultStartKeepsItsValues) {
    // The state after loading: the values every host session starts from.
    Rig rig(PluginPath());
    ASSERT_TRUE(rig.Open(0)) << rig.error();
    const std::pair<const char*, double> expected[] = {
        {"Auto.Rel", 0},       {"Parallel", 0},         {"Attack", 0.2},         {"Hold", 0},
        {"Release", 300},      {"Comp Thresh", -16.1},  {"Comp Ratio", 2},       {"Comp.Knee", 50},
        {"Exp Thresh", -50},   {"Exp Ratio", 1},        {"Exp.Knee", 0},         {"Gain", 8},
        {"LookAhead", 0.2},    {"Stereo Mode", 0},      {"Sensitivity", 20},     {"Lev Detect", 0},
        {"Eq Freq 1", 21.2538}, {"Eq Gain 1", -6.0256}, {"Eq BWidth 1", 2.6316}, {"Eq Freq 2", 20479.9866},
        {"Eq Gain 2", 3.4114}, {"Eq BWidth 2", 3.5965}, {"Eq Freq 3", 620.6904}, {"Eq Gain 3", 3.3078},
        {"Eq BWidth 3", 3.8424}, {"EQ Active", 0},      {"Meter Type", 0},       {"AtkConstA", 499.9997},
        {"AtkConstB", 0},      {"AtkContour", 0},       {"HoldConstA", 499.9997}, {"HoldConstB", 0},
        {"HoldContour", 0},    {"RelConstA", 1999.9993}, {"RelConstB", 0},       {"RelContour", 0},
        {"GainConstA", 24},    {"GainConstB", 0},       {"GainContour", 0},      {"Peak Display", 2},
        {"scope 1In", 2},      {"scope 2In", 0},        {"scope 3In", 3},        {"scope 4In", 1},
    };
    for (const auto& [name, value] : expected) {
        ASSERT_GE(rig.IndexOf(name), 0) << name;
        const ControlDescriptor& d = DescriptorOf(rig.IndexOf(name));
        // Float normalised values hold about 7 digits of the range.
        const double slack = 1e-6 * (d.high - d.low) + 1e-4;
        EXPECT_NEAR(rig.Display(name), value, slack) << name;
    }
}

// ---------------------------------------------------------------------------
// Every named program.

// One program at normal level; called for every named program.
void CheckAtNormalLevel(const Program& p) {
    for (const Stereo* in : {&NormalVoice(), &NormalDrums()}) {
        SCOPED_TRACE(in == &NormalVoice() ? "voice" : "drums");
        const Stereo out = Render(p.number, *in);
        EXPECT_EQ(NonFinite(out), 0u);
        // Nothing in the bank may clip material that peaks at -6 dBFS: the make-up
        // of every program is chosen for that level.
        EXPECT_LE(PeakDb(out), 0.0);
        // Not silenced (gates and expanders act only far below this level), and no
        // more than 12 dB louder: the strongest maximiser's drive.
        const double change = RmsDb(out) - RmsDb(*in);
        EXPECT_GE(change, -6.0);
        EXPECT_LE(change, 12.0);
    }
    // Silence stays silence: no program adds noise, DC or ringing of its own.
    Stereo silence;
    silence.l.assign(Frames(0.5), 0.0f);
    silence.r = silence.l;
    const Stereo quiet = Render(p.number, silence);
    EXPECT_LE(std::max(PeakOf(quiet.l), PeakOf(quiet.r)), 1e-9);

    // A compressor program reduces its own material as much as its name promises
    // (the others are checked by their family's tests below).
    if (p.strength == Strength::kOther) return;
    const Stereo& in = NormalOf(p.material);
    const double makeup = MakeupDb(p.number);
    const double reduction = ReductionDb(in, Render(p.number, in), makeup);
    const Range r = RangeOf(p.strength);
    EXPECT_GE(reduction, r.low);
    EXPECT_LE(reduction, r.high);
    // Quiet material, 20 dB below normal, is touched much less: every program is
    // set for signals near its nominal level, not for crushing everything.
    const Stereo& softer = p.material == Material::kVoice ? SoftVoice() : SoftDrums();
    const double quietReduction = ReductionDb(softer, Render(p.number, softer), makeup);
    EXPECT_LT(quietReduction, std::max(0.5 * reduction, 1.0)) << "normal-level reduction " << reduction << " dB";
}

// Every named program, one after the other: a failure names the program.
TEST(EveryProgram, SuitsNormalMaterial) {
    for (const Program& p : kPrograms) {
        SCOPED_TRACE(std::to_string(p.number) + " \"" + p.name + "\"");
        CheckAtNormalLevel(p);
    }
}

// ---------------------------------------------------------------------------
// Limiters and maximisers.

TEST(Limiters, HoldTheirCeilingsAndLeaveLowerLevelsAlone) {
    struct Case {
        const char* name;
        double ceilingDb;  // what the name promises
    };
    // "About -3 dBFS" and "0 dBFS" by name; the automatic-release and equalised
    // limiters are limiters, so they keep full scale.
    for (const Case c : {Case{"-3dB Limiter", -3.0}, Case{"0dB Limiter", 0.0}, Case{"Auto Release Limiter", 0.0},
                         Case{"EQed Limiter", 0.0}}) {
        const int n = ProgramNamed(c.name).number;
        // Drums 6 dB over full scale: at 20:1, 9 dB over a -3 dB threshold leave
        // 0.45 dB above it, so 0.5 dB is what "about" may mean here.
        const Stereo hot = Drums(6.0, 2.0);
        EXPECT_LE(PeakDb(Render(n, hot)), c.ceilingDb + 0.5) << c.name << ", drums at +6 dBFS";
        // A full-scale sine: the look-ahead must catch the very first cycle too.
        const Stereo tone = Tone(100.0, 0.0, 0.5);
        EXPECT_LE(PeakDb(Render(n, tone)), c.ceilingDb + 0.2) << c.name << ", 0 dBFS sine";
        // 6 dB below the ceiling the signal passes untouched (delayed only).
        size_t delay = 0;
        const Stereo normal = Drums(c.ceilingDb - 6.0, 2.0), out = Render(n, normal, {}, nullptr, &delay);
        EXPECT_NEAR(PeakDb(out), PeakDb(normal), 0.05) << c.name;
        EXPECT_NEAR(AmpToDb(RmsOf(out.l, delay, out.size()) / RmsOf(normal.l, 0, normal.size() - delay)), 0.0, 0.05)
            << c.name;
    }
}

TEST(Limiters, EqualisedLimiterHoldsHarshUpperMidsLower) {
    // Its detector listens 6 dB harder around 2-5 kHz: at the same level a 3 kHz
    // tone is limited harder than a 70 Hz tone (2 dB of the 6 may go to the knee
    // of the band and the 20:1 slope).
    const int n = ProgramNamed("EQed Limiter").number;
    const double low = SettledGain(n, 70.0, -3.0), presence = SettledGain(n, 3000.0, -3.0);
    EXPECT_LT(presence, low - 2.0) << "70 Hz " << low << " dB, 3 kHz " << presence << " dB";
}

TEST(Maximisers, GetLouderInOrderWithoutOvers) {
    const char* names[] = {"Maximiser A", "Maximiser B", "Maximiser C", "Maximiser D", "6dB Orva Loudness"};
    // Drive promised by the descriptions: about 3, 6, 9 and 12 dB, and the 6 dB of
    // the loudness program.
    const double drive[] = {3.0, 6.0, 9.0, 12.0, 6.0};
    const Stereo full = Drums(0.0, 2.0), normal = NormalDrums(), quiet = Speech(-20.0, 3.0);
    double previous = -100.0;
    for (int k = 0; k < 5; ++k) {
        const int n = ProgramNamed(names[k]).number;
        // Full-scale material never produces an over.
        EXPECT_LE(PeakDb(Render(n, full)), -0.05) << names[k];
        // Quiet material, below every threshold, is raised by the drive (0.5 dB for
        // rounding in the description).
        EXPECT_NEAR(RmsDb(Render(n, quiet)) - RmsDb(quiet), drive[k], 0.5) << names[k];
        // Normal material gets louder, each of the four more than the one before
        // by at least a decibel (a step a listener hears).
        const double gain = RmsDb(Render(n, normal)) - RmsDb(normal);
        EXPECT_GT(gain, 2.0) << names[k];
        if (k < 4) {
            EXPECT_GT(gain, previous + 1.0) << names[k];
            previous = gain;
        }
    }
}

// ---------------------------------------------------------------------------
// Gates and expanders.

TEST(Gates, CutDeepBelowTheirThresholdAndOpenFast) {
    for (const char* name : {"Simple Gate", "Noise Gate"}) {
        const int n = ProgramNamed(name).number;
        // Hum or hiss at -70 dBFS is taken down by at least 30 dB: less would still
        // be heard in quiet passages.
        EXPECT_LT(SettledGain(n, 1000.0, -70.0), -30.0) << name;
        // A normal signal passes unchanged.
        EXPECT_NEAR(SettledGain(n, 1000.0, -20.0), 0.0, 0.1) << name;
        // After 0.5 s at -70 dBFS a note at -20 dBFS comes through at once: its
        // first 10 ms already within 1 dB, so its attack is not lost.
        Stereo step = Tone(1000.0, -70.0, 1.0);
        const size_t at = Frames(0.5);
        for (size_t i = at; i < step.size(); ++i) step.l[i] = step.r[i] = step.l[i] * static_cast<float>(DbToAmp(50.0));
        size_t delay = 0;
        const Stereo out = Render(n, step, {}, nullptr, &delay);
        const size_t end = at + Frames(0.010);
        EXPECT_NEAR(AmpToDb(RmsOf(out.l, at + delay, end + delay) / RmsOf(step.l, at, end)), 0.0, 1.0) << name;
    }
}

TEST(Expanders, DownwardProgramsPushQuietPartsDownWithoutGating) {
    double closing[2] = {};
    int k = 0;
    for (const char* name : {"Downward Expansion", "Optical Expansion"}) {
        const int n = ProgramNamed(name).number;
        // 25 dB below the threshold region: clearly lower, but an expander is not a
        // gate: between 6 and 40 dB.
        const double deep = SettledGain(n, 1000.0, -70.0);
        EXPECT_LT(deep, -6.0) << name;
        EXPECT_GT(deep, -40.0) << name;
        EXPECT_NEAR(SettledGain(n, 1000.0, -20.0), 0.0, 0.1) << name;
        // Time to reach 90 % of the reduction after a drop from -20 to -70 dBFS.
        Stereo step = Tone(1000.0, -20.0, 2.0);
        const size_t at = Frames(0.5);
        for (size_t i = at; i < step.size(); ++i) step.l[i] = step.r[i] = step.l[i] * static_cast<float>(DbToAmp(-50.0));
        size_t delay = 0;
        const Stereo out = Render(n, step, {}, nullptr, &delay);
        closing[k++] = RecoveryTime(step, out, delay, at, deep, 0.1 * std::fabs(deep));
    }
    // The optical program fades down slowly, several times slower than the plain one.
    EXPECT_GT(closing[1], 2.0 * closing[0]) << "downward " << closing[0] << " s, optical " << closing[1] << " s";
}

TEST(Expanders, UpwardProgramsLiftQuietDetail) {
    for (const char* name : {"Upward Expansion", "Detailed Vocal", "Fat Boost"}) {
        const int n = ProgramNamed(name).number;
        const double makeup = MakeupDb(n);
        // A tail at -65 dBFS comes up by at least 1 dB over the make-up ...
        EXPECT_GT(SettledGain(n, 1000.0, -65.0, {}, 1.5) - makeup, 1.0) << name;
        // ... while a level between the expander and the compressor is left as is.
        EXPECT_NEAR(SettledGain(n, 1000.0, -35.0, {}, 1.5) - makeup, 0.0, 0.5) << name;
    }
    // The program named for it lifts by at least 6 dB at -70 dBFS.
    EXPECT_GT(SettledGain(ProgramNamed("Upward Expansion").number, 1000.0, -70.0, {}, 1.5), 6.0);
}

// ---------------------------------------------------------------------------
// Stereo, mid/side and sidechain.

TEST(MidSide, ProgramsCompressTheMidAndLeaveTheSide) {
    for (const char* name : {"M/S Vocal", "M/S Boost Soft", "M/S Compressor"}) {
        const int n = ProgramNamed(name).number;
        // A loud centre (1 kHz at -6 dBFS) with a quieter side (700 Hz at -14 dBFS).
        const Stereo mid = Tone(1000.0, -6.0, 1.0), side = Tone(700.0, -14.0, 1.0);
        const Stereo in = FromMidSide(mid.l, side.l);
        const Stereo out = Render(n, in);
        const size_t to = in.size(), from = to - Frames(0.25);
        const std::vector<float> outMid = MidOf(out), outSide = SideOf(out);
        // The side comes out as it went in (float rounding of the decoding only).
        EXPECT_NEAR(AmpToDb(RmsOf(outSide, from, to) / RmsOf(side.l, from, to)), 0.0, 0.01) << name;
        // The mid is compressed: less gain than the program's make-up.
        EXPECT_LT(AmpToDb(RmsOf(outMid, from, to) / RmsOf(mid.l, from, to)), MakeupDb(n) - 2.0) << name;
        // A side-only signal, however loud, is not compressed at all.
        Stereo wide = Tone(1000.0, -3.0, 1.0);
        for (float& x : wide.r) x = -x;
        EXPECT_NEAR(SettledGainDb(wide, Render(n, wide)), 0.0, 0.01) << name;
    }
    // A stereo program, by contrast, turns a loud side-only signal down.
    Stereo wide = Tone(1000.0, -3.0, 1.0);
    for (float& x : wide.r) x = -x;
    const int classic = ProgramNamed("Classic Compressor").number;
    EXPECT_LT(SettledGainDb(wide, Render(classic, wide)), MakeupDb(classic) - 2.0);
}

TEST(Sidechain, ProgramDucksFromItsKeyAndListensToItsLows) {
    const int n = ProgramNamed("SideChain+EQ").number;
    const Stereo main = Tone(1000.0, -12.0, 1.5);
    // A silent key: the main signal passes as it is, however loud.
    EXPECT_NEAR(SettledGainDb(main, Render(n, main)), MakeupDb(n), 0.1);
    // A drum key at normal level ducks the main signal clearly (4 dB is the least
    // a ducking effect is heard as such).
    const Stereo drums = Drums(-6.0, 1.5);
    EXPECT_GT(RmsDb(main) - RmsDb(Render(n, main, {}, &drums)) + MakeupDb(n), 4.0);
    // The key's lows count more: a 70 Hz key ducks harder than a 3 kHz key of the
    // same level, by at least 2 dB.
    const Stereo lowKey = Tone(70.0, -12.0, 1.5), highKey = Tone(3000.0, -12.0, 1.5);
    const double low = SettledGainDb(main, Render(n, main, {}, &lowKey));
    const double high = SettledGainDb(main, Render(n, main, {}, &highKey));
    EXPECT_LT(low, high - 2.0) << "70 Hz key " << low << " dB, 3 kHz key " << high << " dB";
}

// ---------------------------------------------------------------------------
// The detector equaliser.

TEST(DetectorEqualiser, ProgramsListenLessToTheLowsThanToThePresence) {
    // Every program whose description has the detector cut the lows or lift the
    // presence: at -10 dBFS a 3 kHz tone is reduced at least 2 dB more than a 70 Hz
    // tone. The designs differ by 5 to 16 dB between the bands in the detector;
    // near the threshold the knee lowers the ratio, 2 dB is what every ratio from
    // 2:1 makes of the smallest difference.
    for (const char* name : {"Input EQ", "M/S Vocal", "Guitar Geek", "Classic EQed Comp", "Strong Vocal",
                             "EQed Vocal", "Female Singer", "Male Singer", "Soprano", "Alto", "Basso",
                             "Acoustic Guitar", "Speech Compressor", "Drum Group", "API 2500"}) {
        const int n = ProgramNamed(name).number;
        const double low = SettledGain(n, 70.0, -10.0), presence = SettledGain(n, 3000.0, -10.0);
        EXPECT_LT(presence, low - 2.0) << name << ": 70 Hz " << low << " dB, 3 kHz " << presence << " dB";
    }
}

// ---------------------------------------------------------------------------
// Detection law and time behaviour.

TEST(RmsPrograms, HearShortBurstsBelowTheirPeak) {
    // 30 ms bursts of a -6 dBFS tone, two a second. An RMS detector with a slow
    // window (1/sensitivity, 66 ms or more) averages a burst with the silence
    // around it and reads it at least 3.5 dB low (the read level scales with the
    // square root of the share of the window the burst fills); at a compression
    // slope of 2:1 or more that is at least 1.5 dB less reduction at the end of
    // each burst than the same program gives with peak detection, which reads the
    // burst at full level once the attack is over.
    Stereo bursts = Tone(1000.0, -6.0, 3.0);
    const size_t period = Frames(0.5), length = Frames(0.03);
    for (size_t i = 0; i < bursts.size(); ++i)
        if (i % period >= length) bursts.l[i] = bursts.r[i] = 0.0f;
    // Mean gain over the last 10 ms of every burst after the first second.
    auto burstEndGain = [&](int n, const Overrides& o) {
        size_t delay = 0;
        const Stereo out = Render(n, bursts, o, nullptr, &delay);
        double sum = 0.0;
        int count = 0;
        for (size_t start = 2 * period; start + period <= bursts.size(); start += period, ++count) {
            const size_t a = start + length - Frames(0.01), b = start + length;
            sum += AmpToDb(RmsOf(out.l, a + delay, b + delay) / RmsOf(bursts.l, a, b));
        }
        return sum / count;
    };
    for (const char* name : {"Vocal Optical", "Fat Sound", "RMS Compressor", "Classic Compressor2", "Tenor",
                             "Mixed Vocal", "Choirs", "Orchestral Choirs", "Church Choirs", "Acoustic Guitar 2",
                             "Soft Guitar", "Strings", "EMI RS124", "Tube-Tech CL-1B"}) {
        const int n = ProgramNamed(name).number;
        const double rms = burstEndGain(n, {}), peak = burstEndGain(n, {{"Lev Detect", 0}});
        EXPECT_GT(rms, peak + 1.5) << name << ": " << rms << " dB as set, " << peak << " dB with peak detection";
        // And the program does compress a steady tone at that level.
        EXPECT_LT(SettledGain(n, 1000.0, -6.0), MakeupDb(n) - 2.0) << name;
    }
}

TEST(TimeBehaviour, OpticalVocalIsSlowToGrabAndToLetGo) {
    // From -40 to -6 dBFS and back: an optical-style leveller takes more than 20 ms
    // to reach 90 % of its reduction and more than 300 ms to recover within 1 dB;
    // a general compressor with a 10 ms attack does both much faster.
    Stereo step = Tone(1000.0, -40.0, 3.0);
    const size_t up = Frames(0.5), down = Frames(1.5);
    for (size_t i = up; i < down; ++i) step.l[i] = step.r[i] = step.l[i] * static_cast<float>(DbToAmp(34.0));
    auto times = [&](int n, double& grab, double& recover) {
        size_t delay = 0;
        const Stereo out = Render(n, step, {}, nullptr, &delay);
        const double quiet = AmpToDb(RmsOf(out.l, step.size() - Frames(0.2), step.size()) /
                                     RmsOf(step.l, step.size() - Frames(0.2), step.size()));
        const double loud = AmpToDb(RmsOf(out.l, down - Frames(0.2) + delay, down + delay) /
                                    RmsOf(step.l, down - Frames(0.2), down));
        grab = RecoveryTime(step, out, delay, up, loud, 0.1 * (quiet - loud));
        recover = RecoveryTime(step, out, delay, down, quiet, 1.0);
    };
    double grab, recover, fastGrab, fastRecover;
    times(ProgramNamed("Vocal Optical").number, grab, recover);
    times(ProgramNamed("Classic Compressor").number, fastGrab, fastRecover);
    EXPECT_GT(grab, 0.020);
    EXPECT_GT(recover, 0.300);
    EXPECT_LT(fastGrab, 0.5 * grab);
    EXPECT_LT(fastRecover, 0.5 * recover);
}

TEST(TimeBehaviour, AutomaticReleaseRecoversFasterAfterADrop) {
    // After a loud passage the level falls by more than 12 dB, which halves the
    // release time; the detector's own window (which is not shortened) stays, so
    // the whole recovery shrinks by less than half. At least 15 % shorter than the
    // same program with the automatic release switched off.
    for (const char* name : {"Auto Release", "Auto Release Limiter"}) {
        const int n = ProgramNamed(name).number;
        const bool limiter = std::string(name).find("Limiter") != std::string::npos;
        // Loud enough to be reduced by about 6 dB, then 30 dB lower.
        const double loudDb = limiter ? 6.0 : -6.0;
        Stereo step = Tone(1000.0, loudDb, 3.0);
        const size_t down = Frames(1.0);
        for (size_t i = down; i < step.size(); ++i) step.l[i] = step.r[i] = step.l[i] * static_cast<float>(DbToAmp(-30.0));
        double t[2];
        for (int off = 0; off < 2; ++off) {
            const Overrides o = off ? Overrides{{"Auto.Rel", 0}} : Overrides{};
            size_t delay = 0;
            const Stereo out = Render(n, step, o, nullptr, &delay);
            const double settled = AmpToDb(RmsOf(out.l, step.size() - Frames(0.2), step.size()) /
                                           RmsOf(step.l, step.size() - Frames(0.2), step.size()));
            t[off] = RecoveryTime(step, out, delay, down, settled, 0.5);
            ASSERT_GT(t[off], 0.0) << name;
        }
        EXPECT_LT(t[0], 0.85 * t[1]) << name << ": " << t[0] << " s with, " << t[1] << " s without";
    }
}

// ---------------------------------------------------------------------------
// Parallel compression and the K-meter examples.

TEST(Parallel, LiftsQuietPartsAndKeepsTheTransients) {
    const int n = ProgramNamed("Parallel Compression").number;
    // Dynamic range narrowed from below: a quiet tone gains at least 6 dB more than
    // a loud one (the compressed copy adds to quiet parts, hardly to loud ones).
    EXPECT_GT(SettledGain(n, 1000.0, -40.0) - SettledGain(n, 1000.0, -6.0), 6.0);
    // The dry share keeps the drum hits: their peaks stay within 3 dB of the
    // input's; the compressed copy alone, make-up included, does not.
    const Stereo& drums = NormalDrums();
    const Stereo mixed = Render(n, drums), wet = Render(n, drums, {{"Parallel", 0}});
    EXPECT_GT(PeakDb(mixed), PeakDb(drums) - 3.0);
    EXPECT_LT(PeakDb(wet), PeakDb(drums) - 3.0);
}

TEST(KMeterExamples, SetTheMeterAndLeaveMoreHeadroomFromK12ToK20) {
    const char* names[] = {"K12 Meter Ex", "K14 Meter Ex", "K20 Meter Ex"};
    const char* meters[] = {"K12", "K14", "K20"};
    const Stereo& drums = NormalDrums();
    const double crestIn = PeakDb(drums) - RmsDb(drums);
    double crest[3];
    for (int k = 0; k < 3; ++k) {
        const int n = ProgramNamed(names[k]).number;
        Rig rig(PluginPath());
        ASSERT_TRUE(rig.Open(n)) << rig.error();
        EXPECT_EQ(rig.loader().ParameterDisplay(rig.IndexOf("Meter Type")), meters[k]);
        const Stereo out = Render(n, drums);
        crest[k] = PeakDb(out) - RmsDb(out);
        // Full-scale material stays below full scale.
        EXPECT_LT(PeakDb(Render(n, Drums(0.0, 2.0))), 0.0) << names[k];
    }
    // Peak-to-average ratio grows with the K number (1 dB steps at least), and the
    // K-20 example leaves normal material's dynamics within 1.5 dB.
    EXPECT_LT(crest[0], crest[1] - 1.0);
    EXPECT_LT(crest[1], crest[2] - 1.0);
    EXPECT_GT(crest[2], crestIn - 1.5);
}
