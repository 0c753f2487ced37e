// The gain computer: compressor and expander laws, the knee shapes, the expander
// wiring, and the state it announces for its output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "modules/dynamics/KneeMath.h"
#include "tests/dynamics/DynamicsTestSupport.h"

using namespace dyn_test;

namespace {

// A gain computer reading a level buffer; settings in display units (dB, ratio, %).
struct KneeRig {
    explicit KneeRig(bool expanderWired = true) {
        owner.Place(0, knee);
        owner.Place(1, recorder);
        knee->SetInput(0, level.data());
        knee->Connect(recorder, 1, 0, 0, 0, 0, 0);
        // The graph wires the expander parameters as control values.
        if (expanderWired) owner.ConnectControl(knee, 0, 11, 4, 0, 0, 0);
        OpenAll(owner);
    }
    void Compressor(float thresholdDb, float ratio, float kneePercent) {
        Send(knee, owner.runningTime, 1, thresholdDb * 0.1f);
        Send(knee, owner.runningTime, 2, kneePercent * 0.1f);
        Send(knee, owner.runningTime, 3, ratio * 0.1f);
    }
    void Expander(float thresholdDb, float ratio, float kneePercent) {
        Send(knee, owner.runningTime, 4, thresholdDb * 0.1f);
        Send(knee, owner.runningTime, 5, kneePercent * 0.1f);
        Send(knee, owner.runningTime, 6, ratio * 0.1f);
    }
    // Gain change in dB for one input level in dB (one whole block at that level).
    float GainDb(float levelDb) {
        level.Fill(levelDb * 0.1f);
        const std::vector<float> out = RunOne(owner, knee, owner.internalBlockSize);
        for (float v : out) EXPECT_EQ(v, out[0]);
        return out[0] * 10.0f;
    }

    TestOwner owner{128, 48000};
    Buffer level;
    Mox_DSP_CompExp_Knee_Math* knee = new Mox_DSP_CompExp_Knee_Math(&owner, false);
    RecorderModule* recorder = new RecorderModule(&owner);
};

}  // namespace

TEST(KneeMath, HardKneeFollowsTheRatioAboveTheThreshold) {
    KneeRig rig;
    rig.Compressor(-20.0f, 1.0f, 0.0f);
    for (float db : {-100.0f, -40.0f, -20.0f, -5.0f, 0.0f, 12.0f}) EXPECT_NEAR(rig.GainDb(db), 0.0f, 1e-5f) << db;

    rig.Compressor(-20.0f, 4.0f, 0.0f);
    EXPECT_NEAR(rig.GainDb(-10.0f), -7.5f, 0.002f);  // 10 dB over, 4:1 -> 2.5 dB over
    EXPECT_NEAR(rig.GainDb(0.0f), -15.0f, 0.002f);
    EXPECT_NEAR(rig.GainDb(6.0f), -19.5f, 0.002f);   // above full scale as well
    EXPECT_EQ(rig.GainDb(-30.0f), 0.0f);

    rig.Compressor(0.0f, 2.0f, 0.0f);  // threshold at full scale: no division by zero
    EXPECT_NEAR(rig.GainDb(10.0f), -5.0f, 0.002f);
    EXPECT_EQ(rig.GainDb(-1.0f), 0.0f);
}

// Ratio 4 at -20 dB: the effective ratio D is 1 at the threshold and 4 at 0 dBFS for
// every knee; halfway (-10 dB, u = 0.5) it is 4, 3.25, 2.5 for knees 0, 25, 50 % and
// (0.5*kc*hc*4 + 4)*0.5 + 0.5 = 5.5 and 17.5 for 75 % (hc = 6) and 100 % (hc = 15).
TEST(KneeMath, KneeBendsTheRatioBetweenThresholdAndFullScale) {
    const float knees[] = {0.0f, 25.0f, 50.0f, 75.0f, 100.0f};
    const float midRatio[] = {4.0f, 3.25f, 2.5f, 5.5f, 17.5f};
    for (int k = 0; k < 5; ++k) {
        KneeRig rig;
        rig.Compressor(-20.0f, 4.0f, knees[k]);
        EXPECT_NEAR(rig.GainDb(-20.0f), 0.0f, 0.001f) << knees[k];
        EXPECT_NEAR(rig.GainDb(0.0f), -15.0f, 0.002f) << knees[k];
        EXPECT_NEAR(rig.GainDb(-10.0f), 10.0f * (1.0f / midRatio[k] - 1.0f), 0.002f) << knees[k];
    }
    // Knee 50 %: 1:1 just above the threshold, where the hard knee already is at 4:1.
    KneeRig soft, hard;
    soft.Compressor(-20.0f, 4.0f, 50.0f);
    hard.Compressor(-20.0f, 4.0f, 0.0f);
    const float softSlope = 1.0f + soft.GainDb(-19.9f) / 0.1f;
    const float hardSlope = 1.0f + hard.GainDb(-19.9f) / 0.1f;
    EXPECT_GT(softSlope, 0.97f);
    EXPECT_NEAR(hardSlope, 0.25f, 0.01f);
}

// A ratio below 1 makes the compressor an upward expander above its threshold. Its
// law holds while the boost is small; the boost then stops at +24 dB, also above
// 0 dBFS, where a soft knee bends D toward 0 (D = 0.5 + 0.5u at knee 50 %; held at
// 0.1 there).
TEST(KneeMath, RatioBelowOneAboveFullScaleStaysBounded) {
    KneeRig rig;
    rig.Compressor(-20.0f, 0.5f, 50.0f);
    EXPECT_NEAR(rig.GainDb(-10.0f), 10.0f * (1.0f / 0.75f - 1.0f), 0.002f);  // u = 0.5, D = 0.75
    EXPECT_NEAR(rig.GainDb(10.0f), 24.0f, 1e-4f);  // the law would ask for 90 dB
    for (float db = 15.0f; db <= 40.0f; db += 1.0f) EXPECT_NEAR(rig.GainDb(db), 24.0f, 1e-4f) << db;
}

// Every ratio, threshold and knee over levels from -100 to +40 dBFS: ratios of 1 and
// more never boost; below 1 the boost reaches at most +24 dB and, once there, holds
// at every higher level. With an upward expander wired in too, the boost is no more than +24 dB or
// the expander's own, whichever is more.
TEST(KneeMath, BoostIsBoundedForEveryRatioThresholdAndKnee) {
    int boosting = 0, bounded = 0;
    for (float ratio : {0.1f, 0.11f, 0.25f, 0.5f, 0.9f, 1.0f, 1.5f, 4.0f, 20.0f})
        for (float threshold : {-80.0f, -40.0f, -20.0f, 0.0f})
            for (float knee : {0.0f, 25.0f, 50.0f, 75.0f, 100.0f}) {
                SCOPED_TRACE(testing::Message() << "ratio " << ratio << ", threshold " << threshold << ", knee " << knee);
                KneeRig rig, expanderOnly;
                rig.Compressor(threshold, ratio, knee);
                rig.Expander(-30.0f, 4.0f, knee);
                expanderOnly.Compressor(threshold, 1.0f, 0.0f);
                expanderOnly.Expander(-30.0f, 4.0f, knee);
                KneeRig plain(false);
                plain.Compressor(threshold, ratio, knee);
                bool reached = false;
                for (float db = -100.0f; db <= 40.0f; db += 1.0f) {
                    const float alone = plain.GainDb(db), both = rig.GainDb(db);
                    ASSERT_TRUE(std::isfinite(alone) && std::isfinite(both)) << db;
                    if (ratio >= 1.0f) {
                        ASSERT_LE(alone, 1e-4f) << db;
                        continue;
                    }
                    ASSERT_LE(alone, 24.0f + 1e-4f) << db;
                    const bool atBound = alone > 24.0f - 1e-4f;
                    ASSERT_TRUE(atBound || !reached) << db;  // once reached, held at every higher level
                    reached = reached || atBound;
                    boosting += alone > 1.0f;
                    bounded += atBound;
                    ASSERT_LE(both, std::max(24.0f, expanderOnly.GainDb(db)) + 1e-3f) << db;
                }
            }
    EXPECT_GT(boosting, 1000);  // the sweep did reach boosting settings
    EXPECT_GT(bounded, 500);    // and the bound
}

// Expander at -50 dB: r = 0.5 at -65 dB, r = 0 at and below the -80 dB floor.
TEST(KneeMath, ExpanderActsBetweenFloorAndThreshold) {
    KneeRig rig;
    rig.Compressor(-20.0f, 4.0f, 0.0f);
    rig.Expander(-50.0f, 0.5f, 0.0f);
    EXPECT_NEAR(rig.GainDb(-90.0f), -30.0f, 0.003f);  // clamped to the floor: (-80 + 50) * (2 - 1)
    EXPECT_NEAR(rig.GainDb(-65.0f), -15.0f, 0.003f);
    EXPECT_NEAR(rig.GainDb(-50.0f), 0.0f, 0.002f);
    EXPECT_EQ(rig.GainDb(-35.0f), 0.0f);            // between the two thresholds
    EXPECT_NEAR(rig.GainDb(-10.0f), -7.5f, 0.002f); // the compressor alone above

    // Knee: D = 0.5*(1 - r') + r' with r' = 0.5 at 50 %; at 75 % (ke = 0.5, he = 1) and
    // 100 % (ke = 1, he = 31) D = (r^3*ke*he*0.5 + 0.5)*(1 - r^3) + r^3.
    const float knees[] = {50.0f, 75.0f, 100.0f};
    const float midRatio[] = {0.75f, 0.58984375f, 2.2578125f};
    for (int k = 0; k < 3; ++k) {
        rig.Expander(-50.0f, 0.5f, knees[k]);
        EXPECT_NEAR(rig.GainDb(-65.0f), -15.0f * (1.0f / midRatio[k] - 1.0f), 0.003f) << knees[k];
        EXPECT_NEAR(rig.GainDb(-90.0f), -30.0f, 0.003f) << knees[k];  // every knee meets the set ratio at the floor
    }

    rig.Expander(-50.0f, 2.0f, 0.0f);  // upward expansion
    EXPECT_NEAR(rig.GainDb(-90.0f), 15.0f, 0.003f);
}

TEST(KneeMath, ExpanderTermNeedsAWiredExpanderPin) {
    KneeRig wired(true), unwired(false);
    for (KneeRig* rig : {&wired, &unwired}) {
        rig->Compressor(-20.0f, 4.0f, 0.0f);
        rig->Expander(-50.0f, 0.5f, 0.0f);
    }
    EXPECT_NEAR(wired.GainDb(-70.0f), -20.0f, 0.003f);
    EXPECT_EQ(unwired.GainDb(-70.0f), 0.0f);
    EXPECT_NEAR(unwired.GainDb(-10.0f), -7.5f, 0.002f);
}

TEST(KneeMath, AnnouncesInputStateAndSleepsOnAConstantLevel) {
    KneeRig rig;
    rig.Compressor(-20.0f, 4.0f, 0.0f);
    rig.level.Fill(-1.0f);
    rig.knee->QueueEvent(200, 0, 0, 0, 0.0f, nullptr);  // the level turns constant
    RunAndWatch(rig.owner, 200 + 128 + 10, {});
    EXPECT_TRUE(Asleep(rig.knee));
    EXPECT_EQ(States(*rig.recorder, 0), (std::vector<uint16_t>{1, 0}));
    EXPECT_NEAR(rig.knee->outputs[0][5], -0.75f, 0.0002f);  // the buffer keeps the last result

    // A new threshold wakes it, re-announces the constant state and recomputes.
    Send(rig.knee, rig.owner.runningTime, 1, -1.5f);
    RunAndWatch(rig.owner, 256, {});
    EXPECT_EQ(States(*rig.recorder, 0), (std::vector<uint16_t>{1, 0, 0}));
    EXPECT_NEAR(rig.knee->outputs[0][5], -0.375f, 0.0002f);
    EXPECT_TRUE(Asleep(rig.knee));

    rig.knee->QueueEvent(rig.owner.runningTime, 0, 1, 0, 0.0f, nullptr);
    SendInt(rig.knee, rig.owner.runningTime + 10, 19, 0);  // off: zero output
    const std::vector<float> out = RunOne(rig.owner, rig.knee, 128);
    EXPECT_EQ(States(*rig.recorder, 0), (std::vector<uint16_t>{1, 0, 0, 1}));
    EXPECT_FALSE(Asleep(rig.knee));
    EXPECT_NEAR(out[9], -0.375f, 0.0002f);
    EXPECT_EQ(out[10], 0.0f);
}

TEST(KneeMath, BeforeAnySettingArrivesLevelsAboveFullScalePassUnchanged) {
    // Right after Open the curve is a 0 dBFS threshold at 1:1: no gain change, even
    // above full scale (a threshold of exactly 0 would divide by zero there).
    KneeRig rig(false);
    for (float db : {-20.0f, 0.0f, 5.0f, 20.0f}) EXPECT_NEAR(rig.GainDb(db), 0.0f, 1e-4f) << db;
}

// The block routine works four levels at a time; each output must be exactly the
// single-level curve's value, for all eight knee and expander combinations, with
// levels at the thresholds, at the floor, far outside and not numbers at all, and
// runs whose length is not a multiple of four.
TEST(KneeMath, BlockOutputIsTheCurveLevelByLevel) {
    const float edges[] = {-1.9999f, -3.0001f, -8.0f, -8.0001f, 0.0f, -0.0f, 4.0f, 1e30f, -1e30f,
                             INFINITY, -INFINITY, std::nanf("")};
    for (bool wired : {false, true})
        for (float compKnee : {25.0f, 75.0f})
            for (float expKnee : {25.0f, 75.0f})
                for (float ratio : {0.11f, 0.5f, 4.0f}) {
                    SCOPED_TRACE(testing::Message() << "wired " << wired << ", knees " << compKnee << "/"
                                                    << expKnee << ", ratio " << ratio);
                    KneeRig rig(wired);
                    rig.Compressor(-20.0f, ratio, compKnee);
                    rig.Expander(-30.0f, 1.0f / ratio, expKnee);
                    for (int i = 0; i < 128; ++i) rig.level.v[i] = -12.0f + 0.13f * static_cast<float>(i);
                    std::copy(std::begin(edges), std::end(edges), rig.level.v + 40);
                    for (int run : {127, 1, 128}) {
                        const int at = rig.owner.chunkOffset;
                        rig.owner.RunChunk(run);
                        for (int i = at; i < at + run; ++i) {
                            const float got = rig.knee->outputs[0][i], want = rig.knee->GainChange(rig.level.v[i]);
                            ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0)
                                << "level " << rig.level.v[i] << ": " << got << " vs " << want;
                        }
                    }
                }
}
