// The output stage (gain, parallel mix, mid/side decoding, bypass) and the final
// selector.
#include <gtest/gtest.h>

#include <cmath>

#include "modules/dynamics/DelayST.h"
#include "modules/dynamics/OrvaInput.h"
#include "modules/dynamics/OrvaOutput.h"
#include "tests/dynamics/DynamicsTestSupport.h"

using namespace dyn_test;

namespace {

// An output stage reading six buffers; dry left and right hold distinct ramps.
struct OutputRig {
    OutputRig() {
        owner.Place(0, stage);
        Buffer* pins[] = {&dryL, &dryR, &mid, &side, &gain, &mix};
        for (uint16_t pin = 0; pin < 6; ++pin) stage->SetInput(pin, pins[pin]->data());
        stage->Open();
        for (int i = 0; i < 132; ++i) {
            dryL.v[i] = 0.3f + 0.01f * i;
            dryR.v[i] = -0.2f + 0.004f * i;
        }
    }
    // One block; outL and outR get the two outputs.
    void Block() { owner.RunChunk(128); }
    float L(int i) const { return stage->outputs[0][i]; }
    float R(int i) const { return stage->outputs[1][i]; }

    TestOwner owner{128, 48000};
    Buffer dryL, dryR, mid, side, gain, mix;
    Mox_DSP_OrvaMaster_Output* stage = new Mox_DSP_OrvaMaster_Output(&owner, false);
};

}  // namespace

// mix = "Parallel" % / 10: 100 % is the dry signal, 0 % the gained one, 50 % between.
TEST(OutputStage, ParallelMixesGainedAndDrySignal) {
    OutputRig rig;
    rig.mix.Fill(10.0f);
    rig.gain.Fill(0.3f);
    rig.Block();
    for (int i = 0; i < 128; ++i) ASSERT_TRUE(rig.L(i) == rig.dryL.v[i] && rig.R(i) == rig.dryR.v[i]) << i;

    rig.mix.Fill(0.0f);
    rig.gain.Fill(0.5f);
    rig.Block();
    for (int i = 0; i < 128; ++i) ASSERT_TRUE(rig.L(i) == 0.5f * rig.dryL.v[i] && rig.R(i) == 0.5f * rig.dryR.v[i]);

    rig.mix.Fill(5.0f);
    rig.Block();
    for (int i = 0; i < 128; ++i) {
        ASSERT_NEAR(rig.L(i), 0.75f * rig.dryL.v[i], 1e-6f);
        ASSERT_NEAR(rig.R(i), 0.75f * rig.dryR.v[i], 1e-6f);
    }
}

TEST(OutputStage, MidSideModeCompressesTheMidAndDecodes) {
    OutputRig rig;
    SendInt(rig.stage, 0, 6, 1);
    for (int i = 0; i < 132; ++i) rig.mid.v[i] = 0.1f * std::sin(0.2f * i);
    rig.gain.Fill(1.0f);
    rig.Block();
    for (int i = 0; i < 128; ++i) ASSERT_TRUE(rig.L(i) == rig.mid.v[i] && rig.R(i) == rig.mid.v[i]) << i;

    for (int i = 0; i < 132; ++i) rig.side.v[i] = 0.05f * std::cos(0.3f * i);
    rig.gain.Fill(0.5f);
    rig.Block();
    for (int i = 0; i < 128; ++i) {
        ASSERT_NEAR(rig.L(i) + rig.R(i), rig.mid.v[i], 1e-6f);             // 2 * 0.5 * mid
        ASSERT_NEAR(rig.L(i) - rig.R(i), 2.0f * rig.side.v[i], 1e-6f);     // side unchanged
    }
    rig.mix.Fill(10.0f);  // dry is the delayed left and right, not the mid/side pair
    rig.Block();
    for (int i = 0; i < 128; ++i) ASSERT_TRUE(rig.L(i) == rig.dryL.v[i] && rig.R(i) == rig.dryR.v[i]) << i;
}

TEST(OutputStage, BypassAndUnknownModesPassTheDelayedInput) {
    OutputRig rig;
    rig.gain.Fill(0.5f);
    SendInt(rig.stage, 0, 9, 1);
    SendInt(rig.stage, 128 + 50, 9, 0);
    rig.Block();
    rig.Block();
    for (int i = 0; i < 128; ++i) {
        const float expected = i < 50 ? rig.dryL.v[i] : 0.5f * rig.dryL.v[i];
        ASSERT_EQ(rig.L(i), expected) << i;
    }
    for (int mode : {3, 2, 1}) {
        SendInt(rig.stage, rig.owner.runningTime, 6, mode);
        rig.Block();
        EXPECT_EQ(rig.R(7), mode == 3 ? rig.dryR.v[7] : mode == 2 ? 0.5f * rig.dryR.v[7] : 0.0f) << mode;
    }
}

TEST(FinalSelector, CopiesTheSelectedPair) {
    TestOwner owner(128, 48000);
    auto* selector = new Mox_DSP_OrvaMaster_Final(&owner, false);
    owner.Place(0, selector);
    Buffer in[4] = {Buffer(1.0f), Buffer(2.0f), Buffer(3.0f), Buffer(4.0f)};
    for (uint16_t pin = 0; pin < 4; ++pin) selector->SetInput(pin, in[pin].data());
    selector->Open();
    const int steps[][3] = {{-1, -1, 1}, {4, 2, 1}, {4, 1, 3}, {5, 0, 3}, {4, 0, 1}};  // pin, value, first output
    for (const auto& step : steps) {
        if (step[0] >= 0) SendInt(selector, owner.runningTime + 20, static_cast<uint16_t>(step[0]), step[1]);
        owner.RunChunk(128);
        EXPECT_EQ(selector->outputs[0][127], static_cast<float>(step[2]));
        EXPECT_EQ(selector->outputs[1][127], static_cast<float>(step[2] + 1));
    }
}

// Input stage in mode 1, look-ahead delay of the dry pair and output stage: the
// mid/side path rebuilds the stereo signal, delayed by the look-ahead time.
TEST(OutputStage, MidSidePathRebuildsTheDelayedStereoSignal) {
    TestOwner owner(128, 48000);
    auto left = [](uint32_t t) { return 0.7f * std::sin(0.013f * t); };
    auto right = [](uint32_t t) { return 0.4f * std::cos(0.029f * t); };
    auto* l = new Source(&owner, left);
    auto* r = new Source(&owner, right);
    auto* gain = new Source(&owner, [](uint32_t t) { return t < 1000 ? 1.0f : 0.5f; });
    auto* mix = new Source(&owner, Constant(0.0f));
    auto* delay = new Mox_DSP_Delay_ST(&owner, false);
    auto* input = new Mox_DSP_OrvaMaster_Input(&owner, false);
    auto* stage = new Mox_DSP_OrvaMaster_Output(&owner, false);
    PlaceAll(owner, {l, r, gain, mix, delay, input, stage});
    for (uint16_t pin = 0; pin < 2; ++pin) {
        Source* source = pin == 0 ? l : r;
        source->Connect(delay, 4, 0, pin, 0, 0, 0);
        source->Connect(input, 5, 0, pin, 0, 0, 0);
        delay->Connect(stage, 6, pin, pin, 0, 0, 0);
        input->Connect(stage, 6, pin + 2, pin + 2, 0, 0, 0);
    }
    gain->Connect(stage, 6, 0, 4, 0, 0, 0);
    mix->Connect(stage, 6, 0, 5, 0, 0, 0);
    OpenAll(owner);
    Send(delay, 0, 2, 0.1f);  // 1 ms = 48 samples
    Send(input, 0, 5, 0.1f);
    SendInt(input, 0, 4, 1);
    SendInt(stage, 0, 6, 1);
    const auto out = RunAndWatch(owner, 2000, {{stage, 0}, {stage, 1}});
    for (int t = 48; t < 2000; ++t) {
        if (t < 1000) {
            ASSERT_NEAR(out[0][t], left(t - 48), 1e-6f) << t;
            ASSERT_NEAR(out[1][t], right(t - 48), 1e-6f) << t;
        } else {
            ASSERT_NEAR(out[0][t] - out[1][t], left(t - 48) - right(t - 48), 1e-6f) << t;
            ASSERT_NEAR(out[0][t] + out[1][t], 0.5f * (left(t - 48) + right(t - 48)), 1e-6f) << t;
        }
    }
}
