// The lookup tables that modules read instead of calling sin, tan or pow.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "modules/framework/SharedTables.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::unique_ptr<SharedTables> BuildTables(int rate) {
    auto t = std::make_unique<SharedTables>();
    t->Build(rate, rate * 49 / 100);
    return t;
}

}  // namespace

TEST(SharedTables, PairTablesInterpolateToTheNextExactValue) {
    auto t = BuildTables(44100);
    for (int i : {0, 1, 100, 255, 256}) {
        double exact = std::pow(2.0, i / 256.0), next = std::pow(2.0, (i + 1) / 256.0);
        EXPECT_EQ(t->octavePairs[i][1], static_cast<float>(exact));
        EXPECT_NEAR(t->octavePairs[i][1] + t->octavePairs[i][0], next, 1e-6);
        double rate = 13.75 * exact / 44100.0;
        EXPECT_EQ(t->rateRatioPairs[i][1], static_cast<float>(rate));
    }
    // Sine pairs take both ends in float, so value + difference is the next entry.
    for (int i = 0; i < 512; ++i) EXPECT_NEAR(t->sinePairs[i][1] + t->sinePairs[i][0], t->sineTable[i + 1], 1e-7);
    EXPECT_FLOAT_EQ(t->sineTable[128], 0.5f);
    EXPECT_NEAR(t->sineTable[384], -0.5f, 1e-7);
    EXPECT_EQ(t->powersOfTwo[30], 1.0f);
    EXPECT_EQ(t->powersOfTwo[0], std::ldexp(1.0f, -30));
    EXPECT_FLOAT_EQ(t->scaledPowersOfTwo[31], 2 * 0.001375f);
    EXPECT_EQ(t->tableScale, 2560.0f);
}

TEST(SharedTables, FrequencyTablesLieAtTheirStrideInOrder) {
    auto t = BuildTables(48000);
    const float* base = t->freqTables;
    const int s = SharedTables::kFreqStride;
    // Entry 1024 of the log axis: 13.75 * 2^(11.5 - 10) Hz.
    double f = 13.75 * std::pow(2.0, 23.0 * 1024 / 2048 - 10);
    double w = kPi * f / 48000.0;
    EXPECT_FLOAT_EQ(base[0 * s + 1024], static_cast<float>(std::sin(2 * w)));  // freqSin2
    EXPECT_FLOAT_EQ(base[2 * s + 1024], static_cast<float>(std::cos(2 * w)));  // freqCos2
    EXPECT_FLOAT_EQ(base[4 * s + 1024], static_cast<float>(1 / static_cast<double>(static_cast<float>(std::tan(w)))));  // freqCot
    EXPECT_FLOAT_EQ(base[6 * s + 1024], static_cast<float>(std::tan(w)));      // freqTan
    double tl = kPi * 1024 / 4096.0;
    EXPECT_FLOAT_EQ(base[1 * s + 1024], static_cast<float>(std::sin(2 * tl)));  // linSin2
    EXPECT_FLOAT_EQ(base[3 * s + 1024], static_cast<float>(std::cos(2 * tl)));  // linCos2
    EXPECT_FLOAT_EQ(base[5 * s + 1024], static_cast<float>(1 / std::tan(tl)));  // linCot
    EXPECT_FLOAT_EQ(base[7 * s + 1024], static_cast<float>(std::tan(tl)));      // linTan
    // Entry 0 of the linear axis repeats entry 1.
    EXPECT_EQ(base[7 * s + 0], base[7 * s + 1]);
    EXPECT_EQ(t->freqTable(SharedTables::kLinCot), base + 5 * s);
}

TEST(SharedTables, FrequenciesAboveTheLimitAreClampedSoTangentsStayFinite) {
    for (int rate : {22050, 44100, 48000, 96000, 192000}) {
        auto t = BuildTables(rate);
        const float* tan = t->freqTable(SharedTables::kFreqTan);
        const float* cot = t->freqTable(SharedTables::kFreqCot);
        const int limitHz = rate * 49 / 100;
        float previous = 0;
        for (int j = 0; j < SharedTables::kFreqEntries; ++j) {
            ASSERT_TRUE(std::isfinite(tan[j])) << rate << " " << j;
            ASSERT_TRUE(std::isfinite(cot[j])) << rate << " " << j;
            if (SharedTables::FrequencyOfEntry(j) < limitHz) {
                ASSERT_GE(tan[j], previous);  // rising with frequency below the limit
                previous = tan[j];
            } else {
                ASSERT_EQ(tan[j], tan[2048]);  // one clamped value above it
            }
        }
        // The top of the axis (112 kHz) sits at 0.99 of the limit, below Nyquist.
        double limit = 0.99 * (rate * 49 / 100);
        EXPECT_FLOAT_EQ(tan[2048], static_cast<float>(std::tan(kPi * limit / rate)));
        EXPECT_LT(limit, rate / 2.0);
    }
}

TEST(SharedTables, RebuildFollowsTheSampleRate) {
    auto t = BuildTables(44100);
    float at44 = t->rateRatioPairs[0][1];
    t->Build(96000, 96000 * 49 / 100);
    EXPECT_FLOAT_EQ(t->rateRatioPairs[0][1], static_cast<float>(13.75 / 96000.0));
    EXPECT_GT(at44, t->rateRatioPairs[0][1]);
}
