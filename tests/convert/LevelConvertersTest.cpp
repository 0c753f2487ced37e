// dB volts to levels and back: values, range limits, and how both converters
// follow, announce and sleep on the state of their input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "modules/convert/LevelConverters.h"
#include "tests/convert/ConvertTestSupport.h"

using namespace convert_test;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// source (0) -> converter (1) -> recorder (2)
template <typename Converter>
struct Chain {
    TestOwner owner{128, 48000};
    Converter* converter = new Converter(&owner, false);
    RecorderModule* recorder = new RecorderModule(&owner);

    explicit Chain(std::function<float(uint32_t)> wave) {
        auto* source = new SignalSource(&owner, std::move(wave));
        owner.Place(0, source);
        owner.Place(1, converter);
        owner.Place(2, recorder);
        source->Connect(converter, 1, 0, 0, 0, 0, 0);
        converter->Connect(recorder, 2, 0, 0, 0, 0, 0);
        OpenAll(owner);
    }
};

// Feeds the values one per sample and returns the converted samples.
template <typename Converter>
std::vector<float> Convert(std::vector<float> values) {
    Chain<Converter> chain([values](uint32_t t) { return values[t % values.size()]; });
    return RunOne(chain.owner, chain.converter, static_cast<int>(values.size()), 3);
}

}  // namespace

TEST(DbToLevel, ZeroIsExactlyUnitySixDbDoublesAndTheEndsClamp) {
    const auto out = Convert<Mox_DSP_dB_to_Level>(
        {0.0f, 0.6f, -0.6f, 18.0f, 25.0f, kInf, -18.0f, -40.0f, -kInf, kNaN});
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_NEAR(out[1], 2.0f, 2.0f * 0.0004f);
    EXPECT_NEAR(out[2], 0.5f, 0.5f * 0.0004f);
    // +-180 dB is 2^+-30, give or take the exponent's 0.04 %.
    EXPECT_NEAR(std::log2(out[3]), 30.0, 30.0 * 0.0004);
    EXPECT_NEAR(std::log2(out[6]), -30.0, 30.0 * 0.0004);
    for (int i : {4, 5}) EXPECT_EQ(out[i], out[3]) << i;
    for (int i : {7, 8, 9}) EXPECT_EQ(out[i], out[6]) << i;
}

TEST(DbToLevel, FollowsTwoToTheDbOverSixAcrossTheWholeRange) {
    std::vector<float> sweep;
    for (int i = 0; i <= 3600; ++i) sweep.push_back(-18.0f + 0.01f * static_cast<float>(i));
    const auto out = Convert<Mox_DSP_dB_to_Level>(sweep);
    for (size_t i = 0; i < sweep.size() && !HasFailure(); ++i) {
        const double octaves = sweep[i] * 10.0 / 6.0;
        // The exponent is within 0.04 % everywhere, so the level itself is within
        // 0.04 % out to about +-9 dB.
        EXPECT_NEAR(std::log2(out[i]), octaves, 0.0004 * std::fabs(octaves) + 2e-5) << sweep[i];
        if (std::fabs(sweep[i]) <= 0.85f) {
            EXPECT_NEAR(out[i] / std::exp2(octaves), 1.0, 0.0004) << sweep[i];
        }
        if (i > 0) {
            EXPECT_GT(out[i], out[i - 1]) << sweep[i];
        }
    }
}

TEST(LevelToDb, UnityIsZeroAndSilentOrNegativeLevelsGiveTheFloor) {
    const auto out = Convert<Mox_DSP_Level_to_dB>(
        {1.0f, 1.0f, 0.0f, -0.5f, -0.0f, 1e-12f, kNaN, 10.0f, 0.5f, 0.5f, 1.0f});
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 0.0f);
    for (int i = 2; i <= 6; ++i) EXPECT_NEAR(out[i], -18.0f, 1e-5f) << "sample " << i;
    EXPECT_NEAR(out[7], 2.0f, 1e-6f);
    EXPECT_NEAR(out[8], -0.60206f, 1e-5f);  // -6.02 dB
    EXPECT_EQ(out[9], out[8]);
    EXPECT_EQ(out[10], 0.0f);  // unity again after other values
}

namespace {

// A varying input keeps the converter running and is announced once; a constant
// is announced (again for each new constant) and lets the converter sleep, but
// only once every sample of its buffer holds the converted constant.
template <typename Converter>
void FollowsTheInputState(float constant, float expected) {
    Chain<Converter> chain([&](uint32_t t) { return t < 1000 ? 0.1f + 1e-4f * (t % 97) : constant; });
    const auto& got = chain.recorder->received;
    RunOne(chain.owner, chain.converter, 3 * 128, 7);
    EXPECT_EQ(chain.converter->flags, 0u);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].state, 1);

    chain.converter->QueueEvent(1000, 0, 0, 0, 0.0f, nullptr);  // what the source sends
    const auto out = RunOne(chain.owner, chain.converter, 1000 - 384 + 3 * 128, 11);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].state, 0);
    EXPECT_EQ(got[1].time, 1000u);
    EXPECT_NEAR(out[1000 - 384], expected, 1e-3f);
    EXPECT_TRUE(Asleep(chain.converter));
    EXPECT_TRUE(BufferHolds(chain.converter->outputs[0], 128, out[1000 - 384]));

    constant = 0.0f;
    chain.converter->QueueEvent(chain.owner.runningTime, 0, 0, 0, 0.0f, nullptr);
    const auto after = RunOne(chain.owner, chain.converter, 3 * 128, 13);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[2].state, 0);
    EXPECT_NE(after.back(), out.back());
    EXPECT_TRUE(Asleep(chain.converter));
    EXPECT_TRUE(BufferHolds(chain.converter->outputs[0], 128, after.back()));
}

}  // namespace

TEST(LevelConverters, AnnounceTheInputStateAndSleepOneBlockAfterAConstant) {
    FollowsTheInputState<Mox_DSP_dB_to_Level>(0.6f, 2.0f);
    FollowsTheInputState<Mox_DSP_Level_to_dB>(0.5f, -0.60206f);
}

namespace {

// Whole blocks (four samples at a time) against runs cut at random lengths (the
// last one to three samples of a run one at a time): the same bits.
template <typename Converter>
void SameBitsHoweverTheRunIsCut() {
    std::vector<float> values = {kNaN, kInf, -kInf, 0.0f, -0.0f, 1e-9f, 1.0000001e-9f, 1e-12f, 1e-40f, 3e38f,
                                 std::numeric_limits<float>::max(), -1e-9f, 18.0f, -18.0f, 18.0001f, 1.0f};
    for (int i = 0; i < 1400; ++i) values.push_back(-25.0f + 0.037f * static_cast<float>(i));
    auto run = [&values](unsigned seed) {
        Chain<Converter> chain([&values](uint32_t t) { return values[t % values.size()]; });
        return RunOne(chain.owner, chain.converter, static_cast<int>(values.size()), seed);
    };
    const auto whole = run(0);
    for (unsigned seed : {5u, 9u}) {
        const auto cut = run(seed);
        ASSERT_EQ(cut.size(), whole.size());
        for (size_t i = 0; i < whole.size(); ++i)
            ASSERT_EQ(std::memcmp(&cut[i], &whole[i], sizeof(float)), 0)
                << "input " << values[i] << ": " << cut[i] << " vs " << whole[i] << ", seed " << seed;
    }
}

}  // namespace

TEST(LevelConverters, SameBitsHoweverTheRunIsCut) {
    SameBitsHoweverTheRunIsCut<Mox_DSP_dB_to_Level>();
    SameBitsHoweverTheRunIsCut<Mox_DSP_Level_to_dB>();
}
