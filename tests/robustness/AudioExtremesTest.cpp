// Audio no host should send but some do: NaN, infinities, huge values, denormals,
// DC, full-scale square waves and minutes of silence. After a bad block the output
// must be finite again within one chunk plus the detector window plus the release
// time (after the look-ahead has delayed the bad block itself), and a steady input
// above the threshold must never be turned down further than the static curve.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

#include "tests/robustness/RobustnessSupport.h"

namespace {

using namespace orva_robust;

constexpr double kRate = 48000.0;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Settings under which bad blocks are sent; times in ms for the recovery bound.
struct Setting {
    const char* name;
    void (*apply)(Host&);
    float lookAheadMs, windowMs, releaseMs;
};

const Setting kSettings[] = {
    {"plain compressor", [](Host& h) { h.PlainCompressor(-20, 4); }, 0.2f, 50.0f, 50.0f},
    {"slow RMS detector, long release",
     [](Host& h) {
         h.PlainCompressor(-30, 8);
         h.Set(kLevelDetect, 1);
         h.Set(kSensitivity, 2);  // 500 ms window
         h.Set(kRelease, 2000);
         h.Set(kLookAhead, 50);
     },
     50.0f, 500.0f, 2000.0f},
    {"expander, knees, make-up, equaliser, automatic release, mid/side",
     [](Host& h) {
         h.PlainCompressor(-24, 3);
         h.Set(kCompKnee, 100);
         h.Set(kExpThresh, -40);
         h.Set(kExpRatio, 4);
         h.Set(kExpKnee, 50);
         h.Set(kGain, 24);
         h.Set(kEqActive, 10);
         h.Set(20, 15);  // Eq Gain 1
         h.Set(kAutoRelease, 100);
         h.Set(kHold, 100);
         h.Set(kRelease, 300);
         h.Set(kStereoMode, 1);
         h.Set(kLookAhead, 5);
     },
     5.0f, 50.0f, 400.0f},
    {"parallel mix", [](Host& h) { h.PlainCompressor(-20, 20); h.Set(kParallel, 50); }, 0.2f, 50.0f, 50.0f},
};

struct BadKind {
    const char* name;
    float (*value)(size_t i);
};

const BadKind kBadKinds[] = {
    {"NaN", [](size_t) { return kNaN; }},
    {"+Inf", [](size_t) { return kInf; }},
    {"-Inf", [](size_t) { return -kInf; }},
    {"+1e30", [](size_t) { return 1e30f; }},
    {"-1e30", [](size_t) { return -1e30f; }},
    {"mixed", [](size_t i) { return i % 4 == 0 ? kNaN : i % 4 == 1 ? kInf : i % 4 == 2 ? -1e30f : -kInf; }},
};

// Samples of out from `from` on that are not finite, or -1 when all are; and the
// last such sample.
long LastNotFinite(const std::vector<float>& out, size_t from) {
    long last = -1;
    for (size_t i = from; i < out.size(); ++i)
        if (!std::isfinite(out[i])) last = static_cast<long>(i);
    return last;
}

TEST(AudioExtremes, OutputIsFiniteAgainSoonAfterBadBlocks) {
    const size_t badStart = static_cast<size_t>(1.0 * kRate), badLength = 600;
    for (const Setting& s : kSettings) {
        const size_t bound = badStart + badLength + 128 +
                             static_cast<size_t>((s.lookAheadMs + s.windowMs + s.releaseMs) * kRate / 1000.0);
        const size_t n = bound + static_cast<size_t>(kRate);
        const std::vector<float> tone = Sine(n, 440.0, 0.5, kRate);
        for (const BadKind& bad : kBadKinds) {
            {
                const bool bothChannels = (&bad - kBadKinds) % 2 == 1;
                SCOPED_TRACE(testing::Message() << s.name << ", " << bad.name << (bothChannels ? " in both" : " in left"));
                Host h;
                ASSERT_TRUE(h.Load());
                s.apply(h);
                h.Start(static_cast<float>(kRate), 512);
                std::vector<float> l = tone, r = tone, outL, outR;
                for (size_t i = badStart; i < badStart + badLength; ++i) {
                    l[i] = bad.value(i);
                    if (bothChannels) r[i] = bad.value(i + 1);
                }
                h.Run(l, r, outL, outR, 512);
                EXPECT_EQ(CountNotFinite(outL, 0, badStart) + CountNotFinite(outR, 0, badStart), 0u);
                EXPECT_EQ(LastNotFinite(outL, bound), -1) << "last bad sample "
                                                          << LastNotFinite(outL, badStart) - static_cast<long>(badStart + badLength)
                                                          << " after the bad block";
                EXPECT_EQ(LastNotFinite(outR, bound), -1);
                // And it sounds as before: the level of the last half second matches
                // the level just before the bad block.
                const double before = PeakOf(outL, badStart - 12000, badStart);
                const double after = PeakOf(outL, n - 12000, n);
                EXPECT_NEAR(Db(after), Db(before), 0.5);
                EXPECT_EQ(h.guardFaults, 0);
            }
        }
    }
}

TEST(AudioExtremes, BadSidechainSamplesNeverReachTheOutput) {
    // In sidechain mode the bad samples only feed the detector: the output, made of
    // the clean main inputs, must stay finite throughout and duck no deeper than
    // the loudest finite key allows.
    const size_t n = static_cast<size_t>(2.0 * kRate);
    const std::vector<float> tone = Sine(n, 440.0, 0.5, kRate);
    for (const BadKind& bad : kBadKinds) {
        SCOPED_TRACE(bad.name);
        Host h;
        ASSERT_TRUE(h.Load());
        h.PlainCompressor(-20, 4);
        h.Set(kStereoMode, 2);
        h.Start(static_cast<float>(kRate), 256);
        std::vector<float> key = Sine(n, 200.0, 0.05, kRate), outL, outR;
        for (size_t i = 24000; i < 24000 + 1000; ++i) key[i] = bad.value(i);
        h.Run(tone, tone, outL, outR, 256, &key, &key);
        EXPECT_EQ(CountNotFinite(outL) + CountNotFinite(outR), 0u);
        // A -26 dB key is below the threshold: no reduction before or after.
        EXPECT_NEAR(PeakOf(outL, 12000, 24000), 0.5, 0.01);
        EXPECT_NEAR(PeakOf(outL, n - 12000, n), 0.5, 0.01);
    }
}

TEST(AudioExtremes, DenormalsDcSquareWavesAndMinutesOfSilence) {
    Host h;
    ASSERT_TRUE(h.Load());
    h.PlainCompressor(-20, 4);
    h.Set(kExpThresh, -60);
    h.Set(kExpRatio, 2);
    h.Set(kGain, 12);
    h.Start(static_cast<float>(kRate), 1024);
    const double steadyDb = -20.0 + (Db(0.5) + 20.0) / 4.0 + 12.0;
    std::vector<float> outL, outR;

    // Denormals of both signs and the smallest normal numbers.
    std::vector<float> tiny(48000);
    for (size_t i = 0; i < tiny.size(); ++i)
        tiny[i] = (i % 2 ? -1.0f : 1.0f) * std::numeric_limits<float>::denorm_min() * static_cast<float>(1 + i % 1000) +
                  (i % 97 == 0 ? std::numeric_limits<float>::min() : 0.0f);
    h.Run(tiny, tiny, outL, outR, 1024);
    EXPECT_EQ(CountNotFinite(outL) + CountNotFinite(outR), 0u);
    EXPECT_LT(PeakOf(outL, 0, outL.size()), 1e-30);

    // DC at -6 dBFS of both signs: compressed to the static curve.
    for (float dc : {0.5f, -0.5f}) {
        std::vector<float> level(48000, dc);
        h.Run(level, level, outL, outR, 1024);
        EXPECT_EQ(CountNotFinite(outL) + CountNotFinite(outR), 0u);
        EXPECT_NEAR(Db(PeakOf(outL, 40000, 48000)), steadyDb, 0.5) << dc;
    }

    // Full-scale square waves at several frequencies.
    for (int period : {2, 37, 480, 4800}) {
        std::vector<float> square(48000);
        for (size_t i = 0; i < square.size(); ++i) square[i] = (i / static_cast<size_t>(period / 2 ? period / 2 : 1)) % 2 ? -1.0f : 1.0f;
        h.Run(square, square, outL, outR, 1024);
        EXPECT_EQ(CountNotFinite(outL) + CountNotFinite(outR), 0u);
        EXPECT_NEAR(Db(PeakOf(outL, 40000, 48000)), -20.0 + 20.0 / 4.0 + 12.0, 0.5) << period;
    }

    // Five minutes of digital silence, in ten-second pieces: exactly silent output,
    // then the same tone comes out at the same level as before.
    const std::vector<float> tone = Sine(48000, 1000.0, 0.5, kRate);
    h.Run(tone, tone, outL, outR, 1024);
    const double toneBefore = PeakOf(outL, 40000, 48000);
    EXPECT_NEAR(Db(toneBefore), steadyDb, 0.5);
    const std::vector<float> silence(480000, 0.0f);
    size_t loud = 0, bad = 0;
    for (int piece = 0; piece < 30; ++piece) {
        h.Run(silence, silence, outL, outR, 1024);
        const size_t from = piece == 0 ? 48000 : 0;  // the tone's release tail first
        bad += CountNotFinite(outL) + CountNotFinite(outR);
        for (size_t i = from; i < outL.size(); ++i)
            if (outL[i] != 0.0f || outR[i] != 0.0f) ++loud;
    }
    EXPECT_EQ(bad, 0u);
    EXPECT_EQ(loud, 0u) << "samples not silent during silence";
    h.Run(tone, tone, outL, outR, 1024);
    EXPECT_EQ(CountNotFinite(outL), 0u);
    EXPECT_NEAR(Db(PeakOf(outL, 40000, 48000)), Db(toneBefore), 0.1);
    EXPECT_EQ(h.guardFaults, 0);
}

// The static curve with a hard knee and no expansion: output level in dB.
double StaticCurveDb(double inDb, double thresholdDb, double ratio) {
    return inDb <= thresholdDb ? inDb : thresholdDb + (inDb - thresholdDb) / ratio;
}

TEST(AudioExtremes, ReductionNeverGoesBelowTheStaticCurve) {
    // Steady inputs above the threshold: at no sample (from the first one on) may
    // the gain be lower than the static curve allows, whatever the attack, the
    // detector or the look-ahead; and once settled the output sits on the curve.
    struct Input {
        const char* name;
        std::vector<float> (*make)(size_t n, double peak);
    };
    const Input inputs[] = {
        {"1 kHz sine", [](size_t n, double peak) { return Sine(n, 1000.0, peak, kRate); }},
        {"40 Hz sine", [](size_t n, double peak) { return Sine(n, 40.0, peak, kRate); }},
        {"square", [](size_t n, double peak) {
             std::vector<float> v(n);
             for (size_t i = 0; i < n; ++i) v[i] = static_cast<float>((i / 60) % 2 ? -peak : peak);
             return v;
         }},
        {"DC", [](size_t n, double peak) { return std::vector<float>(n, static_cast<float>(peak)); }},
    };
    const float thresholds[] = {-40.0f, -20.0f, -6.0f};
    const float ratios[] = {2.0f, 4.0f, 20.0f};
    const float attacks[] = {0.0f, 0.2f, 30.0f};
    const float lookAheads[] = {0.0f, 5.0f};
    const size_t n = static_cast<size_t>(0.6 * kRate);
    constexpr double kMarginDb = 0.3;
    int runs = 0;
    double worstDb = 0.0;
    for (float threshold : thresholds) {
        for (float ratio : ratios) {
            for (int variant = 0; variant < 4; ++variant) {
                const Input& input = inputs[(runs + variant) % 4];
                const float attack = attacks[(runs + variant) % 3];
                const float lookAhead = lookAheads[variant % 2];
                const bool rms = variant >= 2;
                const double peakDb = std::min(0.0, threshold + 6.0 + 3.0 * variant);
                // The level the detector reads: the peak, or in RMS mode the RMS
                // scaled so that a sine reads its peak (square waves and DC read
                // 3 dB above their peak).
                const bool flat = input.make == inputs[2].make || input.make == inputs[3].make;
                const double inDb = peakDb + (rms && flat ? 10.0 * std::log10(2.0) : 0.0);
                SCOPED_TRACE(testing::Message() << input.name << " at " << peakDb << " dB peak, threshold " << threshold
                                                << ", ratio " << ratio << ", attack " << attack << " ms, look-ahead "
                                                << lookAhead << " ms, " << (rms ? "RMS" : "peak"));
                ++runs;
                Host h;
                ASSERT_TRUE(h.Load());
                h.PlainCompressor(threshold, ratio);
                h.Set(kAttack, attack);
                h.Set(kLookAhead, lookAhead);
                h.Set(kLevelDetect, rms ? 1.0f : 0.0f);
                h.Start(static_cast<float>(kRate), 256);
                const std::vector<float> in = input.make(n, std::pow(10.0, peakDb / 20.0));
                std::vector<float> outL, outR;
                h.Run(in, in, outL, outR, 256);
                const size_t delay = static_cast<size_t>(LookAheadSamples(h.GetParameter(kLookAhead), kRate));
                const double floorGain = std::pow(10.0, (StaticCurveDb(inDb, threshold, ratio) - inDb - kMarginDb) / 20.0);
                size_t below = 0, first = 0;
                for (size_t i = delay; i < n; ++i) {
                    const double x = std::fabs(static_cast<double>(in[i - delay]));
                    if (x < 1e-3) continue;
                    const double g = std::fabs(static_cast<double>(outL[i])) / x;
                    worstDb = std::min(worstDb, Db(g) - (StaticCurveDb(inDb, threshold, ratio) - inDb));
                    if (g < floorGain) {
                        if (below++ == 0) first = i;
                    }
                }
                EXPECT_EQ(below, 0u) << "first at sample " << first << ", gain "
                                     << Db(std::fabs(outL[first]) / std::fabs(in[first - delay])) << " dB";
                EXPECT_EQ(CountNotFinite(outL), 0u);
                // Settled, the output sits on the curve.
                EXPECT_NEAR(Db(PeakOf(outL, n - 4800, n)) - peakDb, StaticCurveDb(inDb, threshold, ratio) - inDb, 0.5);
            }
        }
    }
    std::printf("[ figures  ] %d runs; deepest gain below the static curve %.3f dB (margin %.1f dB)\n", runs,
                -worstDb, kMarginDb);
}

}  // namespace

namespace {

TEST(AudioExtremes, InputsAboveFullScaleAreNeverBoosted) {
    // Floating-point hosts pass levels above 0 dBFS. With make-up 0, no expansion and
    // a ratio of at least 1, no knee may turn such a level up, and above full scale
    // the output keeps rising no faster than the input.
    for (float knee : {0.0f, 50.0f, 75.0f, 100.0f}) {
        for (float ratio : {1.5f, 4.0f, 20.0f}) {
            double previousOutDb = -1000.0, previousInDb = 0.0;
            for (double inDb : {0.0, 1.6, 6.0, 12.0, 24.0}) {
                SCOPED_TRACE(testing::Message() << "knee " << knee << " %, ratio " << ratio << ", " << inDb << " dBFS");
                Host h;
                ASSERT_TRUE(h.Load());
                h.PlainCompressor(-24, ratio);
                h.Set(kCompKnee, knee);
                h.Start(static_cast<float>(kRate), 512);
                const std::vector<float> in = Sine(24000, 440.0, std::pow(10.0, inDb / 20.0), kRate);
                std::vector<float> outL, outR;
                h.Run(in, in, outL, outR, 512);
                const double outDb = Db(PeakOf(outL, 18000, 24000));
                EXPECT_LE(outDb, inDb + 0.05);
                if (previousOutDb > -1000.0) {
                    EXPECT_LE(outDb - previousOutDb, inDb - previousInDb + 0.05);
                }
                previousOutDb = outDb;
                previousInDb = inDb;
            }
        }
    }
}

}  // namespace

namespace {

// A ratio below 1 lifts the level above the threshold (upward expansion); it may
// lift it by no more than 24 dB, however low the threshold and however loud the
// input, and stays finite.
TEST(AudioExtremes, RatiosBelowOneBoostByNoMoreThan24Db) {
    for (float ratio : {0.1f, 0.11f, 0.5f, 0.9f})
        for (float threshold : {-80.0f, -40.0f})
            for (float knee : {0.0f, 100.0f})
                for (double inDb : {-10.0, 0.0}) {
                    SCOPED_TRACE(testing::Message() << "ratio " << ratio << ", threshold " << threshold << ", knee "
                                                    << knee << ", " << inDb << " dBFS");
                    Host h;
                    ASSERT_TRUE(h.Load());
                    h.PlainCompressor(threshold, ratio);
                    h.Set(kCompKnee, knee);
                    h.Start(static_cast<float>(kRate), 512);
                    const std::vector<float> in = Sine(24000, 440.0, std::pow(10.0, inDb / 20.0), kRate);
                    std::vector<float> outL, outR;
                    h.Run(in, in, outL, outR, 512);
                    ASSERT_EQ(CountNotFinite(outL) + CountNotFinite(outR), 0u);
                    EXPECT_LE(Db(PeakOf(outL, 0, outL.size())), inDb + 24.0 + 0.1);
                }
}

// Every host parameter at each end of its range, on top of the settings that ask
// for the most gain: a compressor threshold of -80 dB with ratio 0.1 and the
// steepest knee, an upward expander (ratio 4) up to 0 dBFS, the most make-up
// (Gain +24 dB shaped by GainConstA 48 dB and GainConstB +24 dB), fully wet and the
// fastest times. For input at or below 0 dBFS the output must be finite and below
// a ceiling made of the largest boost the gain computer may ask for (the upward
// expander's own, 80 dB * (1 - 1/4) = 60 dB, above the compressor's 24 dB), the
// largest make-up (72 dB) and what decoding mid and side can add (6.02 dB).
TEST(AudioExtremes, WorstSettingOfEveryParameterGivesAFiniteOutputBelowTheCeiling) {
    constexpr double kCeilingDb = 0.0 + 60.0 + 72.0 + 6.03 + 0.5;
    const std::vector<std::pair<int32_t, float>> loudest = {
        {kCompThresh, 0.0f}, {kCompRatio, 0.0f}, {kCompKnee, 1.0f}, {kExpThresh, 1.0f}, {kExpRatio, 1.0f},
        {kExpKnee, 0.0f},    {kGain, 1.0f},      {39, 1.0f},        {40, 1.0f},         {kParallel, 0.0f},
        {kAttack, 0.0f},     {kHold, 0.0f},      {kRelease, 0.0f},  {kLookAhead, 0.0f},
    };
    const size_t n = 9600;
    const std::vector<float> loud = Sine(n, 1000.0, 1.0, kRate), quiet = Sine(n, 1000.0, 0.001, kRate);
    double loudestDb = -1000.0;
    for (int32_t index = 0; index < 47; ++index)  // the host parameters
        for (float end : {0.0f, 1.0f}) {
            Host h;
            ASSERT_TRUE(h.Load());
            for (const auto& [i, v] : loudest) h.SetParameter(i, v);
            h.SetParameter(index, end);
            h.Start(static_cast<float>(kRate), 256);
            for (const std::vector<float>* in : {&loud, &quiet}) {
                SCOPED_TRACE(testing::Message() << "parameter " << index << " at " << end << ", input "
                                                << (in == &loud ? "0" : "-60") << " dBFS");
                std::vector<float> outL, outR;
                h.Run(*in, *in, outL, outR, 256);
                ASSERT_EQ(CountNotFinite(outL) + CountNotFinite(outR), 0u);
                const double peakDb = Db(std::max(PeakOf(outL, 0, n), PeakOf(outR, 0, n)));
                EXPECT_LE(peakDb, kCeilingDb);
                loudestDb = std::max(loudestDb, peakDb);
            }
        }
    std::printf("[ figures  ] loudest output %.1f dBFS (ceiling %.1f dBFS)\n", loudestDb, kCeilingDb);
}

}  // namespace

namespace {

// NaN and infinities from the host are silence for that sample in every mode, on
// the audio path as on the detector's: where the bad block leaves the look-ahead
// delay the output is exactly 0. Every output sample is finite, also for huge
// finite input.
TEST(AudioExtremes, BadSamplesAreSilenceOutInEveryMode) {
    const size_t n = 24000, badStart = 12000, badLength = 700;
    const std::vector<float> tone = Sine(n, 440.0, 0.5, kRate);
    const int32_t delay = LookAheadSamples(Normalised(kLookAhead, 0.2f), kRate);
    for (int mode : {0, 1, 2})
        for (const BadKind& bad : kBadKinds) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", " << bad.name);
            Host h;
            ASSERT_TRUE(h.Load());
            h.PlainCompressor(-20, 4);
            h.Set(kStereoMode, static_cast<float>(mode));
            h.Start(static_cast<float>(kRate), 256);
            std::vector<float> l = tone, r = tone, key = Sine(n, 200.0, 0.3, kRate), outL, outR;
            for (size_t i = badStart; i < badStart + badLength; ++i) l[i] = r[i] = key[i] = bad.value(i);
            h.Run(l, r, outL, outR, 256, &key, &key);
            EXPECT_EQ(CountNotFinite(outL) + CountNotFinite(outR), 0u);
            bool allNonFinite = true;  // not the huge finite values, nor the mixture holding them
            for (size_t i = 0; i < 4; ++i) allNonFinite = allNonFinite && !std::isfinite(bad.value(i));
            if (!allNonFinite) continue;
            const size_t from = badStart + static_cast<size_t>(delay);
            EXPECT_EQ(PeakOf(outL, from, from + badLength), 0.0);
            EXPECT_EQ(PeakOf(outR, from, from + badLength), 0.0);
            EXPECT_GT(PeakOf(outL, from + badLength, n), 0.05);  // and sound again after it
        }
}

}  // namespace
