// The delay line (look-ahead and release-level delay) and the input stage (what the
// detector hears, and the mid/side look-ahead path).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "modules/dynamics/DelayST.h"
#include "modules/dynamics/OrvaInput.h"
#include "tests/dynamics/DynamicsTestSupport.h"

using namespace dyn_test;

namespace {

// t + 1, so that an empty ring (0) is told apart from the first sample.
float Ramp(uint32_t t) { return static_cast<float>(t + 1); }

// A delay line fed by a ramp (and its negation on the right when stereo).
struct DelayRig {
    DelayRig(int rate, bool stereo, int16_t longestDelay = 0) : owner(128, rate) {
        auto* left = new Source(&owner, Ramp);
        auto* right = new Source(&owner, [](uint32_t t) { return -Ramp(t); });
        PlaceAll(owner, {left, right, delay, recorder});
        left->Connect(delay, 2, 0, 0, 0, 0, 0);
        if (stereo) right->Connect(delay, 2, 0, 1, 0, 0, 0);
        delay->Connect(recorder, 3, 0, 0, 0, 0, 0);
        delay->Connect(recorder, 3, 1, 1, 0, 0, 0);
        delay->SetSetting(0, longestDelay);
        OpenAll(owner);
    }
    TestOwner owner;
    Mox_DSP_Delay_ST* delay = new Mox_DSP_Delay_ST(&owner, false);
    RecorderModule* recorder = new RecorderModule(&owner);
};

// Output t must hold input t - d (0 before the start).
void ExpectDelayedRamp(const std::vector<float>& out, int d, float sign = 1.0f) {
    for (size_t t = 0; t < out.size(); ++t)
        ASSERT_EQ(out[t], t >= static_cast<size_t>(d) ? sign * Ramp(t - d) : 0.0f) << "sample " << t;
}

}  // namespace

TEST(DelayLine, LookAheadTimeInSamples) {
    DelayRig at44(44100, false);
    Send(at44.delay, 0, 2, 0.02f);  // 0.2 ms
    EXPECT_EQ(at44.delay->ringLength(), 32768);
    ExpectDelayedRamp(RunOne(at44.owner, at44.delay, 300), 8);

    for (int rate : {48000, 96000}) {
        DelayRig rig(rate, true);
        Send(rig.delay, 0, 2, 5.0f);  // 50 ms
        const auto out = RunAndWatch(rig.owner, rate / 10, {{rig.delay, 0}, {rig.delay, 1}});
        EXPECT_EQ(rig.delay->delayInSamples(), rate / 20);
        EXPECT_EQ(rig.delay->ringLength(), rate == 48000 ? 32768 : 65536);
        ExpectDelayedRamp(out[0], rate / 20);
        ExpectDelayedRamp(out[1], rate / 20, -1.0f);
    }
}

TEST(DelayLine, ZeroDelayPassesTheInputAndSwapCrossesTheChannels) {
    DelayRig rig(48000, true);
    Send(rig.delay, 0, 2, 0.0f);
    SendInt(rig.delay, 300, 6, 1);
    const auto out = RunAndWatch(rig.owner, 400, {{rig.delay, 0}, {rig.delay, 1}});
    for (int t = 0; t < 400; ++t) {
        ASSERT_EQ(out[0][t], t < 300 ? Ramp(t) : -Ramp(t)) << t;
        ASSERT_EQ(out[1][t], t < 300 ? -Ramp(t) : Ramp(t)) << t;
    }
    EXPECT_EQ(States(*rig.recorder, 0), (std::vector<uint16_t>{1}));
    EXPECT_EQ(States(*rig.recorder, 1), (std::vector<uint16_t>{1}));
}

TEST(DelayLine, ClearEmptiesTheRingAndDisableSendsZerosThenSleeps) {
    DelayRig rig(48000, true);
    Send(rig.delay, 0, 2, 0.25f);  // 2.5 ms = 120 samples
    SendInt(rig.delay, 500, 9, 1);
    std::vector<float> out = RunOne(rig.owner, rig.delay, 1000);
    EXPECT_EQ(out[499], Ramp(379));
    for (int t = 500; t < 620; ++t) ASSERT_EQ(out[t], 0.0f) << t;
    EXPECT_EQ(out[620], Ramp(500));

    SendInt(rig.delay, 1010, 5, 0);
    out = RunOne(rig.owner, rig.delay, 300);
    EXPECT_EQ(out[9], Ramp(889));
    for (int t = 10; t < 300; ++t) ASSERT_EQ(out[t], 0.0f) << t;
    EXPECT_TRUE(Asleep(rig.delay));
    EXPECT_EQ(States(*rig.recorder, 0), (std::vector<uint16_t>{1, 0}));
    EXPECT_EQ(States(*rig.recorder, 1), (std::vector<uint16_t>{1, 0}));

    SendInt(rig.delay, 1300, 5, 1);  // back on with fresh, empty rings
    out = RunOne(rig.owner, rig.delay, 200);
    for (int t = 0; t < 120; ++t) ASSERT_EQ(out[t], 0.0f) << t;
    EXPECT_EQ(out[120], Ramp(1300));
    EXPECT_EQ(States(*rig.recorder, 0), (std::vector<uint16_t>{1, 0, 1}));
}

// Setting 0 = 600 asks for 6 s: the release-level delay of the graph.
TEST(DelayLine, RingIsSizedForTheLongestDelayItMustHold) {
    for (int rate : {44100, 48000, 96000, 192000}) {
        DelayRig rig(rate, false, 600);
        Send(rig.delay, 0, 2, 600.0f);
        RunOne(rig.owner, rig.delay, 1);
        EXPECT_GT(rig.delay->ringLength(), 6 * rate) << rate;
        EXPECT_EQ(rig.delay->delayInSamples(), 6 * rate) << rate;
    }
    DelayRig rig(48000, false, 600);
    Send(rig.delay, 0, 2, 600.0f);
    const std::vector<float> out = RunOne(rig.owner, rig.delay, 6 * 48000 + 50);
    EXPECT_EQ(out[6 * 48000 - 1], 0.0f);
    EXPECT_EQ(out[6 * 48000], Ramp(0));
    EXPECT_EQ(out[6 * 48000 + 49], Ramp(49));
}

// A delay longer than the ring is held at the ring length - 1, and that delay must
// still be exact for every sample of a chunk.
TEST(DelayLine, OverlongDelayIsHeldAtTheRingLengthLessOne) {
    DelayRig rig(48000, false);
    SendInt(rig.delay, 0, 3, 2);   // unit: samples / 10
    SendInt(rig.delay, 0, 4, 11);  // smallest ring: 256 entries
    Send(rig.delay, 0, 2, 100.0f);  // 1000 samples asked
    const std::vector<float> out = RunOne(rig.owner, rig.delay, 1024);
    EXPECT_EQ(rig.delay->ringLength(), 256);
    EXPECT_EQ(rig.delay->delayInSamples(), 255);
    ExpectDelayedRamp(out, 255);
}

// ---------------------------------------------------------------------------

namespace {

// An input stage fed by four sources; mode and look-ahead (ms) set at time 0.
struct InputRig {
    InputRig(std::function<float(uint32_t)> l, std::function<float(uint32_t)> r,
             std::function<float(uint32_t)> sideL, std::function<float(uint32_t)> sideR, int mode,
             float lookAheadMs) {
        Source* sources[] = {new Source(&owner, std::move(l)), new Source(&owner, std::move(r)),
                             new Source(&owner, std::move(sideL)), new Source(&owner, std::move(sideR))};
        PlaceAll(owner, {sources[0], sources[1], sources[2], sources[3], input});
        for (uint16_t pin = 0; pin < 4; ++pin) sources[pin]->Connect(input, 4, 0, pin, 0, 0, 0);
        OpenAll(owner);
        SendInt(input, 0, 4, mode);
        Send(input, 0, 5, lookAheadMs * 0.1f);
    }
    // Outputs 0..3 over n samples.
    std::vector<std::vector<float>> Outputs(int n) {
        return RunAndWatch(owner, n, {{input, 0}, {input, 1}, {input, 2}, {input, 3}});
    }
    TestOwner owner{128, 48000};
    Mox_DSP_OrvaMaster_Input* input = new Mox_DSP_OrvaMaster_Input(&owner, false);
};

float Wave(uint32_t t) { return 0.8f * std::sin(0.01f * static_cast<float>(t)); }

}  // namespace

TEST(InputStage, MidSideOfIdenticalAndOfOppositeChannels) {
    InputRig same(Wave, Wave, Constant(0.0f), Constant(0.0f), 1, 0.0f);
    auto out = same.Outputs(300);
    for (int t = 0; t < 300; ++t) {
        ASSERT_EQ(out[0][t], Wave(t));
        ASSERT_EQ(out[1][t], Wave(t));
        ASSERT_EQ(out[2][t], Wave(t));  // look-ahead 0: the current mid
        ASSERT_EQ(out[3][t], 0.0f);
    }
    InputRig opposite(Wave, [](uint32_t t) { return -Wave(t); }, Constant(0.0f), Constant(0.0f), 1, 0.0f);
    out = opposite.Outputs(300);
    for (int t = 0; t < 300; ++t) {
        ASSERT_EQ(out[0][t], 0.0f);  // the detector hears silence
        ASSERT_EQ(out[1][t], 0.0f);
        ASSERT_EQ(out[3][t], Wave(t));
    }
}

// An unconnected main input is heard as silence: the connected one alone makes mid
// and side, each half of it.
TEST(InputStage, MidSideWithOneMainInputUnconnected) {
    for (uint16_t connected : {0, 1}) {
        TestOwner owner{128, 48000};
        auto* source = new Source(&owner, Wave);
        auto* input = new Mox_DSP_OrvaMaster_Input(&owner, false);
        PlaceAll(owner, {source, input});
        source->Connect(input, 1, 0, connected, 0, 0, 0);
        OpenAll(owner);
        SendInt(input, 0, 4, 1);
        const auto out = RunAndWatch(owner, 300, {{input, 0}, {input, 1}, {input, 2}, {input, 3}});
        const float sign = connected == 0 ? 1.0f : -1.0f;
        for (int t = 0; t < 300; ++t) {
            ASSERT_EQ(out[0][t], Wave(t) * 0.5f) << t;
            ASSERT_EQ(out[1][t], Wave(t) * 0.5f) << t;
            ASSERT_EQ(out[3][t], sign * Wave(t) * 0.5f) << t;
        }
    }
}

// Look-ahead 10 ms = 480 samples: after every switch into mode 1 the delayed mid and
// side start from silence.
TEST(InputStage, ModeChangeClearsTheMidSideDelay) {
    InputRig rig(Constant(0.5f), Constant(0.1f), Constant(0.0f), Constant(0.0f), 1, 10.0f);
    const float mid = (0.5f + 0.1f) * 0.5f, side = (0.5f - 0.1f) * 0.5f;
    auto out = rig.Outputs(1000);
    EXPECT_EQ(rig.input->delayInSamples(), 480);
    EXPECT_EQ(out[2][479], 0.0f);
    EXPECT_EQ(out[2][480], mid);
    EXPECT_EQ(out[3][999], side);

    SendInt(rig.input, 1000, 4, 0);
    SendInt(rig.input, 1200, 4, 1);
    RunAndWatch(rig.owner, 200, {});
    out = rig.Outputs(600);
    for (int t = 0; t < 480; ++t) ASSERT_TRUE(out[2][t] == 0.0f && out[3][t] == 0.0f) << t;
    EXPECT_EQ(out[2][480], mid);
    EXPECT_EQ(out[3][599], side);
}

// The bad samples sit on the pair the mode listens to (main in modes 0 and 1, the
// sidechain in mode 2); the other pair is silent.
TEST(InputStage, NonFiniteSamplesReachTheDetectorAsSilence) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto left = [=](uint32_t t) { return t % 50 == 7 ? nan : t % 50 == 8 ? -inf : 0.6f; };
    for (int mode : {0, 1, 2}) {
        auto l = mode == 2 ? Constant(0.0f) : std::function<float(uint32_t)>(left);
        auto sl = mode == 2 ? std::function<float(uint32_t)>(left) : Constant(0.0f);
        InputRig rig(l, Constant(0.2f), sl, Constant(0.2f), mode, 1.0f);
        const auto out = rig.Outputs(400);
        for (int t = 0; t < 400; ++t) {
            const bool bad = t % 50 == 7 || t % 50 == 8;
            if (mode == 1) {
                ASSERT_EQ(out[0][t], ((bad ? 0.0f : 0.6f) + 0.2f) * 0.5f) << t;
                const bool badThen = (t - 48) % 50 == 7 || (t - 48) % 50 == 8;  // 1 ms look-ahead
                if (t >= 48) {
                    ASSERT_EQ(out[2][t], ((badThen ? 0.0f : 0.6f) + 0.2f) * 0.5f) << t;
                    ASSERT_EQ(out[3][t], ((badThen ? 0.0f : 0.6f) - 0.2f) * 0.5f) << t;
                }
            } else {
                ASSERT_EQ(out[0][t], bad ? 0.0f : 0.6f) << mode << " " << t;
                ASSERT_EQ(out[1][t], 0.2f);
            }
        }
    }
}

// Beyond the mid/side ring (32768 at 48 kHz) the look-ahead is held at 32767 samples,
// exact for every sample of a chunk.
TEST(InputStage, OverlongLookAheadIsHeldAtTheRingLengthLessOne) {
    InputRig rig(Ramp, Constant(0.0f), Constant(0.0f), Constant(0.0f), 1, 1000.0f);
    const auto out = rig.Outputs(33000);
    EXPECT_EQ(rig.input->delayInSamples(), 32767);
    for (int t = 0; t < 33000; ++t) {
        const float expected = t >= 32767 ? 0.5f * Ramp(t - 32767) : 0.0f;
        ASSERT_TRUE(out[2][t] == expected && out[3][t] == expected) << t << ": " << out[2][t];
    }
}
