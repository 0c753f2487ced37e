// The gliding converters (dB to level, dB to band gain, control value): linear ramps
// of the right length that never pass their target, the announcements around a
// glide, jumps after a program change or a rebuild, and the control glide's events.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "modules/convert/GlideModule.h"
#include "modules/convert/GuiToVGlide.h"
#include "tests/convert/ConvertTestSupport.h"

using namespace convert_test;

namespace {

// glide (0) -> recorder (1), at 48 kHz: 20 ms = 960, 30 ms = 1440, 100 ms = 4800 samples.
template <typename Glide>
struct Rig {
    TestOwner owner{128, 48000};
    Glide* glide = new Glide(&owner, false);
    RecorderModule* recorder = new RecorderModule(&owner);
    const std::vector<RecorderModule::Received>& got = recorder->received;

    Rig() {
        owner.Place(0, glide);
        owner.Place(1, recorder);
        glide->Connect(recorder, 1, 0, 0, 0, 0, 0);
        OpenAll(owner);
    }
    uint32_t Now() const { return owner.runningTime; }
    void Send(uint32_t time, uint16_t pin, float v) { glide->QueueEvent(time, pin, 0, IntegerForm(v), v, nullptr); }
    std::vector<float> Run(int n, unsigned seed = 0) { return RunOne(owner, glide, n, seed); }
    // Starts from x as after a rebuild (no glide), runs until asleep, forgets the events.
    void Settle(float x) {
        owner.snapAfterBuild = -1;
        Send(Now(), 0, x);
        owner.RunChunk(owner.internalBlockSize - owner.chunkOffset);
        owner.snapAfterBuild = 0;
        for (int i = 0; i < 100 && !Asleep(glide); ++i) owner.RunChunk(owner.internalBlockSize);
        ASSERT_TRUE(Asleep(glide));
        recorder->received.clear();
    }
};

// out[from + i] = start + (i + 1) * (target - start) / length for i < length, moving
// monotonically and never past the target; from + length on, out holds the target.
void ExpectRamp(const std::vector<float>& out, int from, int length, float start, float target,
                bool thenHold = true) {
    const double step = (static_cast<double>(target) - start) / length;
    const double tolerance = 2e-5 * std::max({1.0f, std::fabs(start), std::fabs(target)});
    for (int i = 0; i < length && !::testing::Test::HasFailure(); ++i) {
        const float v = out[from + i], previous = i == 0 ? start : out[from + i - 1];
        EXPECT_NEAR(v, start + (i + 1) * step, tolerance) << "ramp sample " << i;
        EXPECT_TRUE(step > 0 ? v >= previous && v <= target : v <= previous && v >= target) << "ramp sample " << i;
    }
    for (size_t i = from + length; thenHold && i < out.size() && !::testing::Test::HasFailure(); ++i)
        EXPECT_EQ(out[i], target) << "sample " << i;
}

}  // namespace

namespace {

// From the settled value `from`, x (sent twice, the second time mid-glide) glides
// linearly over rampLength samples to `expected`, announced as varying at its first
// sample and as constant 100 ms after the end of the ramp; then the module sleeps.
template <typename Glide>
void GlidesAndAnnounces(float from, float x, int rampLength, float expected) {
    Rig<Glide> rig;
    rig.Settle(from);
    const float before = rig.glide->outputs[0][0];
    ASSERT_TRUE(BufferHolds(rig.glide->outputs[0], 128, before));
    const uint32_t t = rig.Now() + 37;
    rig.Send(t, 0, x);
    rig.Send(t + 300, 0, x);  // the same value again: no restart
    const auto out = rig.Run(37 + rampLength + 4800 + 300, 5);
    const float target = out.back();
    EXPECT_NEAR(target, expected, 1e-5f * std::fabs(expected));
    EXPECT_EQ(out[36], before);
    ExpectRamp(out, 37, rampLength, before, target);
    ASSERT_EQ(rig.got.size(), 2u);
    EXPECT_EQ(std::make_tuple(rig.got[0].state, rig.got[0].time, rig.got[0].floatValue), std::make_tuple(1, t, before));
    EXPECT_EQ(std::make_tuple(rig.got[1].state, rig.got[1].floatValue), std::make_tuple(0, target));
    EXPECT_GT(rig.got[1].time, t + rampLength + 4800);
    EXPECT_LE(rig.got[1].time, t + rampLength + 4800 + 128);
    EXPECT_TRUE(Asleep(rig.glide));
    EXPECT_TRUE(BufferHolds(rig.glide->outputs[0], 128, target));
}

}  // namespace

TEST(Glide, RampsLinearlyOverItsLengthThenAnnouncesConstantAndSleeps) {
    // 6 dB doubles the level over 20 ms.
    GlidesAndAnnounces<Mox_DSP_FdB_to_VLevel>(0.0f, 0.6f, 960, 2.0f);
    // "Eq Freq 1" from 100 to 200 over 30 ms.
    GlidesAndAnnounces<Mox_DSP_GUItoV_Glide>(100.0f, 200.0f, 1440, 200.0f);
    // Band gain over 30 ms; for 0.6 (g = 1.062) the curve gives
    // 0.5 sin((1 - (0.235 g)^2 * 4.25 * 0.0474) g / pi) = 0.1638148, and it is odd.
    GlidesAndAnnounces<Mox_DSP_FdB_to_VFGain>(-0.6f, 0.6f, 1440, 0.1638148f);
}

TEST(BandGainGlide, ZeroGivesZeroAndTheGainIsAnOddRisingFunction) {
    Rig<Mox_DSP_FdB_to_VFGain> rig;
    rig.owner.snapAfterProgram = -1;  // every value is taken at once
    std::vector<float> gain;
    for (int i = -18; i <= 18; ++i) {
        rig.Send(rig.Now(), 0, static_cast<float>(i) * 0.1f);
        gain.push_back(rig.Run(128).back());
    }
    EXPECT_EQ(gain[18], 0.0f);
    for (int i = 1; i <= 18; ++i) EXPECT_EQ(gain[18 + i], -gain[18 - i]) << i;
    for (int i = 0; i < 36; ++i) EXPECT_GT(gain[i + 1], gain[i]) << i;
    EXPECT_LT(std::fabs(gain[0]), 0.5f);
}

namespace {

// With the owner's snap flag set a new value lands at its sample, on the value a
// glide would have ended on, announced as constant and never as varying.
template <typename Glide>
void JumpsOnSnap(int32_t ModuleOwner::*flag, float x) {
    Rig<Glide> glided;
    glided.Settle(0.0f);
    glided.Send(glided.Now(), 0, x);
    const float target = glided.Run(2000).back();

    Rig<Glide> rig;
    rig.Settle(0.0f);
    const float before = rig.glide->outputs[0][0];
    ASSERT_NE(before, target);
    const uint32_t t = rig.Now() + 50;
    rig.Send(t, 0, x);
    rig.owner.*flag = -1;
    auto out = rig.Run(128);
    rig.owner.*flag = 0;  // cleared at the end of the chunk, as the effect does
    const auto rest = rig.Run(3 * 128);
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_EQ(out[49], before);
    ExpectRamp(out, 50, 0, before, target);
    ASSERT_EQ(rig.got.size(), 1u);
    EXPECT_EQ(std::make_tuple(rig.got[0].state, rig.got[0].time, rig.got[0].floatValue), std::make_tuple(0, t, target));
    EXPECT_TRUE(Asleep(rig.glide));
}

}  // namespace

TEST(GlideSnap, ProgramChangeOrRebuildJumpsToTheNewTarget) {
    JumpsOnSnap<Mox_DSP_FdB_to_VLevel>(&ModuleOwner::snapAfterProgram, 1.2f);
    JumpsOnSnap<Mox_DSP_FdB_to_VLevel>(&ModuleOwner::snapAfterBuild, -0.9f);
    JumpsOnSnap<Mox_DSP_FdB_to_VFGain>(&ModuleOwner::snapAfterProgram, 0.6f);
    JumpsOnSnap<Mox_DSP_GUItoV_Glide>(&ModuleOwner::snapAfterProgram, 150.0f);
}

TEST(ControlGlide, NewValueMidRampContinuesFromTheCurrentValue) {
    Rig<Mox_DSP_GUItoV_Glide> rig;
    rig.Settle(100.0f);
    rig.Send(rig.Now() + 10, 0, 200.0f);
    rig.Send(rig.Now() + 730, 0, 100.0f);  // halfway up, back down
    const auto out = rig.Run(10 + 720 + 1440 + 128, 9);
    ExpectRamp(out, 10, 720, 100.0f, 150.0f, false);
    ExpectRamp(out, 730, 1440, out[729], 100.0f);
    ASSERT_EQ(rig.got.size(), 1u);  // still the one state-1 announcement
    EXPECT_EQ(rig.got[0].state, 1);
}

TEST(ControlGlide, GlideTimeScaleAndOffsetEvents) {
    Rig<Mox_DSP_GUItoV_Glide> rig;
    rig.Settle(100.0f);
    rig.Send(rig.Now() + 3, 1, 1.0f);  // 10 ms
    rig.Send(rig.Now() + 3, 0, 200.0f);
    ExpectRamp(rig.Run(3 + 480 + 50), 3, 480, 100.0f, 200.0f);
    // Each change glides (the first sample has moved, but not all the way) and lands
    // on scale * value + offset.
    using Change = std::tuple<uint16_t, float, float>;  // pin, value, expected output
    for (auto [pin, v, expected] : {Change{9, 0.2f, 400.0f},    // scale 2
                                    Change{0, 100.0f, 200.0f},  // the output before scaling, yet a change
                                    Change{10, 0.5f, 205.0f}}) {  // offset 5
        rig.Send(rig.Now(), pin, v);
        const auto out = rig.Run(7000);
        EXPECT_NE(out[0], out.back()) << pin;
        EXPECT_FLOAT_EQ(out.back(), expected) << pin;
    }
}

TEST(ControlGlide, OnOffEventFollowsTheTargetCrossingZeroAndPrecedesTheGlide) {
    Rig<Mox_DSP_GUItoV_Glide> rig;
    rig.glide->Connect(rig.recorder, 1, 1, 1, 0, 0, 0);
    for (auto [time, x] : {std::pair{10u, 5.0f}, {20u, 7.0f}, {30u, 0.0f}, {40u, 0.0f}}) rig.Send(time, 0, x);
    rig.Run(128);
    using OnOff = std::tuple<uint32_t, int32_t, float>;  // time, integer, float
    std::vector<OnOff> onOff;
    for (const auto& r : rig.got)
        if (r.pin == 1) onOff.emplace_back(r.time, r.intValue, r.floatValue);
    EXPECT_EQ(onOff, (std::vector<OnOff>{{10, 1, 1.0f}, {30, 0, 0.0f}}));
    ASSERT_GE(rig.got.size(), 2u);
    EXPECT_EQ(std::make_tuple(rig.got[0].pin, rig.got[1].pin, rig.got[1].state), std::make_tuple(1, 0, 1));
}
