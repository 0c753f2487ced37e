// The level detector fed by one or two sources, as the two equaliser engines feed
// it, with its reports recorded. 44.1 kHz: 441 samples per 10 ms unit.
#include <gtest/gtest.h>

#include <memory>

#include "modules/analysis/Metering2.h"
#include "tests/analysis/AnalysisTestSupport.h"

using namespace analysis_test;

namespace {

constexpr uint16_t kAttack = 2, kHold = 3, kMode = 5, kRms = 6, kSensitivity = 8, kOn = 9;

class LevelDetector : public ::testing::Test {
protected:
    // Connects the sources (the second one only if asked), opens everything and
    // selects a mode as the graph's first control events do.
    void Start(int mode, bool rms, bool twoInputs = false) {
        owner = std::make_unique<TestOwner>(128, 44100);
        auto* left = new Source(owner.get(), [this](uint32_t t) { return a(t); });
        auto* right = new Source(owner.get(), [this](uint32_t t) { return b(t); });
        meter = new Mox_DSP_Metering2(owner.get(), false);
        recorder = new RecorderModule(owner.get());
        owner->Place(0, left);
        owner->Place(1, right);
        owner->Place(2, meter);
        owner->Place(3, recorder);
        left->Connect(meter, 2, 0, 0, 0, 0, 0);
        if (twoInputs) right->Connect(meter, 2, 0, 1, 0, 0, 0);
        meter->Connect(recorder, 3, 0, 0, 0, 0, 0);
        meter->Connect(recorder, 3, 1, 1, 0, 0, 0);
        OpenAll(*owner);
        Setting(meter, 0, kMode, mode);
        Setting(meter, 0, kRms, rms ? 1 : 0);
    }
    std::vector<float> RunFor(int n, unsigned split = 0) { return RunSamples(*owner, meter, n, split); }
    // Detection times reported on out 1.
    std::vector<float> TimeReports() const {
        std::vector<float> got;
        for (const auto& e : recorder->received)
            if (e.pin == 1) got.push_back(e.floatValue);
        return got;
    }

    std::unique_ptr<TestOwner> owner;
    std::function<float(uint32_t)> a = [](uint32_t) { return 0.0f; }, b = a;
    Mox_DSP_Metering2* meter = nullptr;
    RecorderModule* recorder = nullptr;
};

}  // namespace

TEST_F(LevelDetector, RmsReadsASineAtItsPeakAmplitude) {
    // The window (200 ms) holds a whole number of 1 kHz periods, near enough; the
    // sum of squares over it is divided by half the window.
    a = [](uint32_t t) { return static_cast<float>(std::sin(2 * kPi * 1000.0 * t / 44100.0)); };
    Start(0, true);
    const auto env = RunFor(22050);
    for (int i = 13230; i < 22050; ++i) ASSERT_NEAR(env[i], 1.0f, 0.01f) << i;
    // A square wave of the same peak has twice the energy: sqrt 2.
    a = [](uint32_t t) { return (t / 50) % 2 ? 0.5f : -0.5f; };
    const auto square = RunFor(22050);
    EXPECT_NEAR(square.back(), 0.5f * std::sqrt(2.0f), 0.01f);
}

TEST_F(LevelDetector, PeaksAreHeldThenFallFasterAndFaster) {
    // 1.0 at 1000 and 0.5 at 2000, inside the first hold (5 units: 2206 samples).
    a = [](uint32_t t) { return t == 1000 ? 1.0f : t == 2000 ? 0.5f : 0.0f; };
    Start(0, false);
    const auto env = RunFor(12000);
    const int hold = 2206, fall = 1000 + hold;
    EXPECT_LT(env[999], 1e-6f);
    for (int i = 1000; i < fall; ++i) ASSERT_NEAR(env[i], 1.0f, 1e-5f) << i;  // attack 0: at once
    // The fall accelerates: every step is larger than the one before.
    for (int i = fall + 1; i < fall + 300; ++i) ASSERT_GT(env[i - 1] - env[i], env[i - 2] - env[i - 1]) << i;
    // It falls toward the second peak, held for its own period, then to 0.
    EXPECT_NEAR(env[fall + hold - 1], 0.5f, 2e-3f);
    EXPECT_GE(env[fall + hold - 1], 0.5f);
    EXPECT_LT(env[11999], 1e-3f);
    EXPECT_TRUE(std::all_of(env.begin(), env.end(), [](float v) { return v >= 0.0f; }));
}

TEST_F(LevelDetector, TheLargerOfTwoOppositeInputsWins) {
    a = [](uint32_t t) { return t < 2000 ? 0.3f : -0.9f; };
    b = [](uint32_t t) { return t < 2000 ? -0.7f : 0.2f; };
    Start(0, false, true);
    const auto env = RunFor(3000);
    EXPECT_NEAR(env[1999], 0.7f, 1e-5f);
    EXPECT_NEAR(env[2000], 0.9f, 1e-5f);
}

TEST_F(LevelDetector, SensitivitySetsWindowAndHoldAndClearsTheRing) {
    a = [](uint32_t t) { return t >= 2900 ? 1.0f : 0.0f; };
    Start(0, true);
    Value(meter, 0, kSensitivity, 2.0f);     // 20 Hz: 5 units, 2206 samples
    Value(meter, 3000, kSensitivity, 2.5f);  // 25 Hz: 4 units, 1765 samples
    const auto env = RunFor(6000);
    EXPECT_EQ(TimeReports(), (std::vector<float>{5.0f, 4.0f}));
    EXPECT_EQ(meter->window(), 1765);
    EXPECT_EQ(meter->hold(), 1765);
    // The ring restarts at 3000: after k more samples of 1.0 the sum is k + 1, read
    // over half the new window (882) until the window is full.
    for (int k : {200, 500, 1500})
        EXPECT_NEAR(env[3000 + k], std::sqrt((k + 1) / 882.0), 1e-3) << k;
    EXPECT_NEAR(env.back(), std::sqrt(1765 / 882.0), 1e-3);

    // Reports only when the window length changes: the same time again, a time
    // within the same sample count, a value of 0 or less (ignored) send nothing.
    for (float v : {2.5f, 2.4994f, 0.0f, -3.0f}) Value(meter, owner->runningTime, kSensitivity, v);
    RunFor(128);
    EXPECT_EQ(TimeReports().size(), 2u);
    EXPECT_EQ(meter->window(), 1765);

    // 1 Hz asks for 44101 samples; the ring holds 500 ms and a sample, and the
    // window is held there, the hold is not.
    Value(meter, owner->runningTime, kSensitivity, 0.1f);
    const auto longWindow = RunFor(30000);
    EXPECT_EQ(TimeReports().back(), 100.0f);
    EXPECT_EQ(meter->window(), 22051);
    EXPECT_EQ(meter->hold(), 44101);
    EXPECT_NEAR(longWindow.back(), std::sqrt(22051 / 11025.0), 1e-4);
}

TEST_F(LevelDetector, Modes1And2) {
    // A 1.0 burst from 100 to 999; hold 0 (one sample), attack and release in 10 ms
    // units, the release of 2 from the sensitivity (50 Hz).
    a = [](uint32_t t) { return t >= 100 && t < 1000 ? 1.0f : 0.0f; };
    Start(1, false);
    Value(meter, 0, kSensitivity, 5.0f);
    Value(meter, 0, kHold, 0.0f);
    Value(meter, 0, kAttack, 1.0f);
    // Mode 1 is exponential: 60 dB (e^-6) over the attack or release time.
    auto env = RunFor(3000);
    EXPECT_NEAR(1.0f - env[100 + 440], std::exp(-6.0f), 2e-4f);
    EXPECT_NEAR(env[1000 + 881], std::exp(-6.0f), 2e-4f);
    // Mode 2 is a linear slew: 1/442 a sample up, 1/883 down, clamped at the target.
    Setting(meter, owner->runningTime, kMode, 2);
    a = [](uint32_t t) { return t >= 3100 && t < 4000 ? 1.0f : 0.0f; };
    env = RunFor(3000);
    EXPECT_NEAR(env[100 + 220], 221.0f / 442.0f, 1e-4f);
    EXPECT_EQ(env[100 + 600], 1.0f);
    EXPECT_NEAR(env[1000 + 441], 1.0f - 442.0f / 883.0f, 1e-4f);
    EXPECT_EQ(env[1000 + 1000], 0.0f);
}

TEST_F(LevelDetector, OffWritesZerosAndSleeps) {
    a = [](uint32_t) { return 0.8f; };
    Start(0, false);
    RunFor(256);
    recorder->received.clear();
    Setting(meter, owner->runningTime, kOn, 0);
    const auto off = RunFor(384);
    EXPECT_TRUE(std::all_of(off.begin(), off.end(), [](float v) { return v == 0.0f; }));
    EXPECT_TRUE(Asleep(meter));
    ASSERT_FALSE(recorder->received.empty());
    EXPECT_EQ(recorder->received.front().state, 0);
    Setting(meter, owner->runningTime, kOn, 1);
    EXPECT_NEAR(RunFor(128).back(), 0.8f, 1e-5f);
    EXPECT_EQ(recorder->received.back().state, 1);
}

TEST_F(LevelDetector, NonFiniteInputIsHeardAsSilence) {
    a = [](uint32_t t) {
        if (t % 1000 == 500) return std::nanf("");
        if (t % 1000 == 900) return t % 2000 < 1000 ? INFINITY : -INFINITY;
        return t < 20000 ? 0.5f : 0.0f;
    };
    Start(0, true);
    const auto env = RunFor(40000, 7);
    ASSERT_TRUE(std::all_of(env.begin(), env.end(), [](float v) { return std::isfinite(v) && v >= 0.0f; }));
    // A constant 0.5 reads 0.5 * sqrt 2 in RMS; the 17 or 18 bad samples in the
    // window, heard as silence, take about 0.1 % off.
    EXPECT_NEAR(env[19999], 0.5f * std::sqrt(2.0f), 2e-3f);
    EXPECT_LT(env.back(), 1e-3f);
}

// The detector keeps its state in locals while it runs: a run cut anywhere, or
// sample by sample, must carry every part of it (hold, peaks, fall, RMS ring and
// sum) across the cut. 30000 samples pass the 200 ms window more than three times.
// Whole runs go four samples at a time, single samples one by one: now and then a
// sample that is not a number, infinite or too loud to square lands in any lane.
TEST_F(LevelDetector, OutputDoesNotDependOnWhereRunsAreCut) {
    a = [](uint32_t t) {
        if (t % 997 == 13) return std::nanf("");
        if (t % 1511 == 7) return -2.0e6f;
        return static_cast<float>((t / 3000 % 2 ? 0.9 : 0.1) * std::sin(0.05 * t));
    };
    b = [](uint32_t t) { return t % 1201 == 5 ? INFINITY : static_cast<float>(-0.5 * std::sin(0.031 * t)); };
    for (int mode : {0, 1, 2})
        for (bool rms : {false, true}) {
            Start(mode, rms, true);
            const auto whole = RunFor(30000);
            for (unsigned split : {1u, 7u}) {
                Start(mode, rms, true);
                const auto cut = RunFor(30000, split);
                ASSERT_EQ(cut, whole) << "mode " << mode << (rms ? " RMS" : " peak") << " split " << split;
            }
        }
}
