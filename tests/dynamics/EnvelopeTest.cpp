// The attack-hold-release envelope: exponential attack and release over six time
// constants, the hold of the deepest reduction, boosts, make-up and bypass.
#include <gtest/gtest.h>

#include <cmath>

#include "modules/dynamics/CompressorAHR.h"
#include "tests/dynamics/DynamicsTestSupport.h"

using namespace dyn_test;

namespace {

constexpr float kRate = 48000.0f;

// Per-sample factor for a time in ms at 48 kHz: the time spans six time constants.
double Factor(double ms) { return std::exp(-6.0 / (ms * 0.001 * kRate)); }

// Requested gain, make-up level and release value (ms / 10) feeding an envelope.
struct EnvelopeRig {
    EnvelopeRig(std::function<float(uint32_t)> gain, float makeup, float releaseValue) {
        auto* gainSource = new Source(&owner, std::move(gain));
        auto* makeupSource = new Source(&owner, Constant(makeup));
        auto* releaseSource = new Source(&owner, Constant(releaseValue));
        PlaceAll(owner, {gainSource, makeupSource, releaseSource, envelope, recorder});
        gainSource->Connect(envelope, 3, 0, 0, 0, 0, 0);
        makeupSource->Connect(envelope, 3, 0, 1, 0, 0, 0);
        releaseSource->Connect(envelope, 3, 0, 4, 0, 0, 0);
        envelope->Connect(recorder, 4, 0, 0, 0, 0, 0);
        OpenAll(owner);
    }
    void Times(float attackMs, float holdMs) {
        Send(envelope, owner.runningTime, 2, attackMs * 0.1f);
        Send(envelope, owner.runningTime, 3, holdMs * 0.1f);
    }

    TestOwner owner{128, static_cast<int>(kRate)};
    Mox_DSP_Compressor_AHR* envelope = new Mox_DSP_Compressor_AHR(&owner, false);
    RecorderModule* recorder = new RecorderModule(&owner);
};

}  // namespace

TEST(Envelope, AttackCoversSixTimeConstantsInTheSetTime) {
    EnvelopeRig rig(Constant(0.5f), 1.5f, 10.0f);
    rig.Times(10.0f, 0.0f);
    const std::vector<float> out = RunOne(rig.owner, rig.envelope, 960);
    // After 480 samples (10 ms) 0.5 of the step 1 -> 0.5 is left times e^-6; times make-up.
    EXPECT_NEAR(out[479], 1.5 * (0.5 + 0.5 * std::exp(-6.0)), 2e-5);
    EXPECT_NEAR(out[0], 1.5 * (0.5 + 0.5 * Factor(10.0)), 2e-6);
    EXPECT_NEAR(out[959], 1.5 * (0.5 + 0.5 * std::exp(-12.0)), 2e-5);
    EXPECT_EQ(States(*rig.recorder, 0), (std::vector<uint16_t>{1}));
}

// One dip to 0.25 at sample 200 with a 100 ms hold (4800 samples) and attack 0.
TEST(Envelope, HoldKeepsTheDeepestReductionThenReleases) {
    EnvelopeRig rig([](uint32_t t) { return t == 200 ? 0.25f : 1.0f; }, 1.0f, 10.0f);
    rig.Times(0.0f, 100.0f);
    const std::vector<float> out = RunOne(rig.owner, rig.envelope, 10000);
    EXPECT_EQ(out[199], 1.0f);
    EXPECT_NEAR(out[200], 0.25f, 1e-5);  // attack 0 jumps to the target
    EXPECT_NEAR(out[2600], 0.25f, 1e-5);
    EXPECT_NEAR(out[5000], 0.25f, 1e-5);  // the last held sample
    const double release = Factor(100.0);
    EXPECT_NEAR(out[5001], 1.0 - 0.75 * release, 1e-5);  // release from here on
    EXPECT_NEAR(out[9800], 1.0 - 0.75 * std::exp(-6.0), 1e-4);

    // A steady reduction restarts the hold on every sample: the release begins one hold
    // time (20 ms, 961 samples) after its last sample, not after its first.
    EnvelopeRig plateau([](uint32_t t) { return t >= 100 && t < 3000 ? 0.5f : 0.8f; }, 1.0f, 10.0f);
    plateau.Times(0.0f, 20.0f);
    const std::vector<float> steady = RunOne(plateau.owner, plateau.envelope, 4000);
    EXPECT_NEAR(steady[3959], 0.5f, 1e-5);
    EXPECT_NEAR(steady[3960], 0.8 - 0.3 * release, 1e-5);
}

TEST(Envelope, BoostAboveUnityCancelsTheHold) {
    EnvelopeRig rig([](uint32_t t) { return t == 200 ? 0.25f : t == 210 ? 1.5f : 1.0f; }, 1.0f, 1.0f);
    rig.Times(0.0f, 100.0f);
    const std::vector<float> out = RunOne(rig.owner, rig.envelope, 400);
    const double release = Factor(10.0);
    const double boosted = 1.5 - 1.25 * release;  // one release step from 0.25 toward 1.5
    EXPECT_NEAR(out[209], 0.25f, 1e-5);
    EXPECT_NEAR(out[210], boosted, 1e-5);
    EXPECT_NEAR(out[300], 1.0 + (boosted - 1.0) * std::pow(release, 90), 1e-4);
}

TEST(Envelope, BypassGivesExactUnityAndResumesAtTheEventSample) {
    EnvelopeRig rig(Constant(0.5f), 2.0f, 10.0f);
    rig.Times(10.0f, 0.0f);
    SendInt(rig.envelope, 0, 10, 1);
    std::vector<float> out = RunOne(rig.owner, rig.envelope, 1000);
    for (float v : out) ASSERT_EQ(v, 1.0f);  // no make-up either
    EXPECT_TRUE(Asleep(rig.envelope));
    EXPECT_EQ(States(*rig.recorder, 0), (std::vector<uint16_t>{0}));

    SendInt(rig.envelope, 1037, 10, 0);
    out = RunOne(rig.owner, rig.envelope, 100);
    EXPECT_EQ(out[36], 1.0f);
    EXPECT_NEAR(out[37], 2.0 * (0.5 + 0.5 * Factor(10.0)), 2e-6);
    EXPECT_EQ(States(*rig.recorder, 0), (std::vector<uint16_t>{0, 1}));
}
