// Parameter adjustment (contour curves and constants of attack, hold, release and
// make-up gain) and the automatic release.
#include <gtest/gtest.h>

#include <cmath>

#include "modules/dynamics/ParamAdj.h"
#include "tests/dynamics/DynamicsTestSupport.h"

using namespace dyn_test;

namespace {

enum Group { kAttack = 0, kHold = 4, kRelease = 8, kGain = 12 };

struct ParamAdjRig {
    ParamAdjRig() {
        PlaceAll(owner, {adjust, recorder});
        for (uint16_t pin = 0; pin < 4; ++pin) adjust->Connect(recorder, 1, pin, pin, 0, 0, 0);
        OpenAll(owner);
    }
    // Value, ConstA, ConstB and contour of one group, at the current time.
    void Set(Group group, float value, float constA, float constB = 0.0f, int contour = 0) {
        const uint32_t now = owner.runningTime;
        Send(adjust, now, group + 0, value);
        Send(adjust, now, group + 1, constA);
        Send(adjust, now, group + 2, constB);
        SendInt(adjust, now, group + 3, contour);
    }
    // Runs one block; the last value published on each output.
    std::vector<float> Publish() {
        recorder->received.clear();
        RunAndWatch(owner, 128, {});
        std::vector<float> last(4, std::nanf(""));
        for (const auto& e : recorder->received) last[e.pin] = e.floatValue;
        return last;
    }
    TestOwner owner{128, 48000};
    Mox_DSP_OrvaMaster_ParamAdj* adjust = new Mox_DSP_OrvaMaster_ParamAdj(&owner, false);
    RecorderModule* recorder = new RecorderModule(&owner);
};

}  // namespace

// Each curve at 0.25 (attack 12.5), 0.5 (hold 25), 1 (release 200) and 0 (gain 0),
// with ConstA 1 and ConstB 0, in the order Lin, Exp, Exp2, IExp, SCrv, SCrv2, ISCrv,
// and an unknown number, which is linear.
TEST(ParamAdj, ContourCurvesShapeEveryGroup) {
    const float atQuarter[] = {0.25f, 0.0625f, 0.00390625f, 0.4375f, 0.375f, 0.4375f, 0.125f, 0.25f};
    const float atHalf[] = {0.5f, 0.25f, 0.0625f, 0.75f, 0.5f, 0.5f, 0.5f, 0.5f};
    for (int contour = 0; contour < 8; ++contour) {
        ParamAdjRig rig;
        rig.Set(kAttack, 12.5f, 1.0f, 0.0f, contour);
        rig.Set(kHold, 25.0f, 1.0f, 0.0f, contour);
        rig.Set(kRelease, 200.0f, 1.0f, 0.0f, contour);
        rig.Set(kGain, 0.0f, 1.0f, 0.0f, contour);
        const std::vector<float> out = rig.Publish();
        EXPECT_NEAR(out[0], atQuarter[contour], 1e-6) << contour;
        EXPECT_NEAR(out[1], atHalf[contour], 1e-6) << contour;
        EXPECT_NEAR(out[2], 1.0f, 1e-6) << contour;
        EXPECT_NEAR(out[3], 0.0f, 1e-6) << contour;
    }
}

TEST(ParamAdj, ConstantsScaleAndOffsetThenTheModuleSleeps) {
    ParamAdjRig rig;
    rig.Set(kAttack, 1.0f, 50.0f);             // 10 ms, factory constants: 10 ms
    rig.Set(kHold, 3.7f, 50.0f, 0.5f);         // plus a 5 ms offset
    rig.Set(kRelease, 123.0f, 200.0f);         // 1230 ms
    rig.Set(kGain, -1.2f, 2.4f, 0.0f, 1);      // -12 dB through Exp: -(0.5^2 * 24) = -6 dB
    std::vector<float> out = rig.Publish();
    EXPECT_NEAR(out[0], 1.0f, 1e-5);
    EXPECT_NEAR(out[1], 4.2f, 1e-5);
    EXPECT_NEAR(out[2], 123.0f, 1e-4);
    EXPECT_NEAR(out[3], -0.6f, 1e-5);
    EXPECT_TRUE(Asleep(rig.adjust));
    EXPECT_TRUE(std::isnan(rig.Publish()[0]));  // nothing new without an event

    rig.Set(kAttack, 25.0f, 50.0f, 0.0f, 1);  // 250 ms through Exp: 0.25 * 500 ms
    Send(rig.adjust, rig.owner.runningTime + 40, 12, 1.2f);
    out = rig.Publish();
    EXPECT_NEAR(out[0], 12.5f, 1e-5);
    EXPECT_NEAR(out[3], 0.6f, 1e-5);  // the gain curve is mirrored for boosts
    EXPECT_EQ(rig.recorder->received.back().time, rig.owner.runningTime - 128 + 40);
}

// ---------------------------------------------------------------------------

namespace {

// Automatic release reading a delayed level (pin 0) and the current level (pin 1).
struct AutoReleaseRig {
    AutoReleaseRig() {
        owner.Place(0, release);
        release->SetInput(0, before.data());
        release->SetInput(1, now.data());
        release->Open();
    }
    // Release (ms / 10) after one whole block with the two levels in dB.
    float After(float nowDb, float beforeDb) {
        now.Fill(nowDb * 0.1f);
        before.Fill(beforeDb * 0.1f);
        const std::vector<float> out = RunOne(owner, release, 128);
        for (float v : out) EXPECT_EQ(v, out[0]);
        return out[0];
    }
    TestOwner owner{128, 48000};
    Buffer before, now;
    Mox_DSP_OrvaMaster_AutoRelease* release = new Mox_DSP_OrvaMaster_AutoRelease(&owner, false);
};

}  // namespace

TEST(AutoRelease, ScaleZeroPassesTheReleaseThrough) {
    AutoReleaseRig rig;
    Send(rig.release, 0, 2, 30.0f);
    EXPECT_EQ(rig.After(-50.0f, 0.0f), 30.0f);
    EXPECT_TRUE(Asleep(rig.release));
    Send(rig.release, 128, 2, 45.0f);
    EXPECT_EQ(rig.After(-50.0f, 0.0f), 45.0f);
}

// Scale 1: 2^d with d = change / 12 dB, limited to -1..1.
TEST(AutoRelease, LevelChangeOverOneReleaseTimeScalesTheRelease) {
    AutoReleaseRig rig;
    Send(rig.release, 0, 2, 30.0f);
    Send(rig.release, 0, 3, 10.0f);  // "Auto.Rel" 100 %
    EXPECT_NEAR(rig.After(-50.0f, -20.0f), 15.0f, 1e-5);  // fell 30 dB: halved
    EXPECT_NEAR(rig.After(-8.0f, -20.0f), 60.0f, 1e-4);   // rose 12 dB: doubled
    EXPECT_NEAR(rig.After(0.0f, -30.0f), 60.0f, 1e-4);
    EXPECT_NEAR(rig.After(-14.0f, -20.0f), 30.0f * std::sqrt(2.0f), 1e-4);
    Send(rig.release, rig.owner.runningTime, 3, 5.0f);  // 50 %
    EXPECT_NEAR(rig.After(-50.0f, -20.0f), 30.0f / std::sqrt(2.0f), 1e-4);

    // Evaluated only at the start of a pass through the buffer.
    rig.now.Fill(-5.0f);
    rig.before.Fill(-2.0f);
    rig.owner.RunChunk(32);
    rig.now.Fill(-0.8f);
    rig.owner.RunChunk(32);
    EXPECT_NEAR(rig.release->outputs[0][0], 30.0f / std::sqrt(2.0f), 1e-4);
    rig.owner.RunChunk(64);
    rig.owner.RunChunk(1);
    EXPECT_NEAR(rig.release->outputs[0][0], 30.0f * std::sqrt(2.0f), 1e-4);
}
