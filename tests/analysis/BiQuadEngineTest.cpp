// The equaliser engine: three designers feeding it as in the detector path, or
// hand-made coefficient buffers, checked against a double-precision cascade.
#include <gtest/gtest.h>

#include "modules/analysis/BiQuadCoeff.h"
#include "modules/analysis/BiQuadEngine.h"
#include "tests/analysis/AnalysisTestSupport.h"

using namespace analysis_test;

namespace {

using Engine = Mox_DSP_BiQuad_Multi_Engine;

constexpr uint16_t kFilterActive = 3, kClear = 4;
constexpr uint16_t SectionOnPin(int k) { return static_cast<uint16_t>(14 + 10 * k); }

struct Band {
    float hz, width, gain;
};
using Bands = std::array<Band, 3>;
// A low boost, a narrow mid cut and a high lift.
constexpr Bands kBands = {{{200.0f, 0.5f, 0.35f}, {1500.0f, 0.8f, -0.3f}, {6000.0f, 0.3f, 0.2f}}};

// A source, three peaking bands and `engines` engines on the source, wired as the
// graph wires the detector equaliser.
struct EqGraph {
    // With a second wave, the odd-numbered engines filter it (a second channel).
    EqGraph(std::function<float(uint32_t)> wave, uint16_t state, int engines = 1, const Bands& bands = kBands,
            std::function<float(uint32_t)> secondWave = nullptr) {
        int at = 0;
        source = new Source(&owner, std::move(wave), state);
        owner.Place(at++, source);
        Source* second = source;
        if (secondWave) {
            second = new Source(&owner, std::move(secondWave), state);
            owner.Place(at++, second);
        }
        for (int k = 0; k < 3; ++k) {
            designers[k] = new Mox_DSP_BiQuad_Coeff(&owner, false);
            owner.Place(at++, designers[k]);
            freq[k].Fill(bands[k].hz / 10.0f);
            width[k].Fill(bands[k].width);
            gain[k].Fill(bands[k].gain);
            designers[k]->SetInput(0, freq[k].data());
            designers[k]->SetInput(1, width[k].data());
            designers[k]->SetInput(2, gain[k].data());
            for (uint16_t pin = 0; pin < 3; ++pin) State(designers[k], 0, pin, 0);
        }
        for (int e = 0; e < engines; ++e, ++at) {
            Engine* engine = new Engine(&owner, false);
            this->engines.push_back(engine);
            owner.Place(at, engine);
            (e % 2 ? second : source)->Connect(engine, at, 0, 0, 0, 0, 0);
            for (int k = 0; k < 3; ++k) {
                for (uint16_t i = 0; i < 5; ++i) designers[k]->Connect(engine, at, i, 9 + 10 * k + i, 0, 0, 0);
                designers[k]->Connect(engine, at, 5, SectionOnPin(k), 0, 0, 0);
            }
        }
        OpenAll(owner);
    }
    // The designed sections (valid once a chunk has run).
    Cascade Reference() const {
        return Cascade({ReadSection(designers[0]), ReadSection(designers[1]), ReadSection(designers[2])});
    }

    TestOwner owner{128, 44100};
    Buffer freq[3], width[3], gain[3];
    Source* source = nullptr;
    Mox_DSP_BiQuad_Coeff* designers[3] = {};
    std::vector<Engine*> engines;
};

double MaxDifference(const std::vector<float>& a, const std::vector<double>& b, size_t from, size_t to) {
    double worst = 0.0;
    for (size_t i = from; i < to; ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
    return worst;
}

// Runs whole chunks and returns the output of every engine.
std::vector<std::vector<float>> RunEngines(EqGraph& eq, int chunks) {
    std::vector<std::vector<float>> got(eq.engines.size());
    for (int c = 0; c < chunks; ++c) {
        eq.owner.RunChunk(128);
        for (size_t e = 0; e < got.size(); ++e)
            got[e].insert(got[e].end(), eq.engines[e]->outputs[0], eq.engines[e]->outputs[0] + 128);
    }
    return got;
}

// Float against double: the round-off of the recursion reaches the output amplified
// by the DC gain of the poles, 1 / (1 + a1 + a2), about 1 / (4 T^2) = 1200 for the
// 200 Hz band; with the signal near 1 that is a few parts in 1e5.
constexpr double kTolerance = 1e-4;

}  // namespace

TEST(BiQuadEngine, MatchesADoublePrecisionCascade) {
    EqGraph eq(Noise, 1);
    const auto out = RunSamples(eq.owner, eq.engines[0], 6000);
    Cascade ref = eq.Reference();
    std::vector<double> want;
    for (uint32_t t = 0; t < 6000; ++t) want.push_back(ref.Step(Noise(t)));
    EXPECT_LT(MaxDifference(out, want, 0, want.size()), kTolerance);
}

TEST(BiQuadEngine, ClearingTouchesOnlyTheSectionsAsked) {
    EqGraph eq(Noise, 1, 2);  // the second engine is left alone
    Engine* engine = eq.engines[0];
    Setting(engine, 500, SectionOnPin(1), 0);  // section 1 off and on again at once
    Setting(engine, 500, SectionOnPin(1), 1);
    Setting(engine, 1000, kClear, 0);  // not a clear
    Setting(engine, 1500, kClear, 1);
    const auto out = RunEngines(eq, 16);
    Cascade ref = eq.Reference();
    std::vector<double> want;
    for (uint32_t t = 0; t < 2048; ++t) {
        if (t == 500) ref.Clear(1);
        if (t == 1500) ref.ClearAll();
        want.push_back(ref.Step(Noise(t)));
    }
    EXPECT_LT(MaxDifference(out[0], want, 0, want.size()), kTolerance);
    // Without the clearing the output would be visibly different in both stretches.
    EXPECT_GT(MaxDifference(out[1], want, 500, 1000), 50 * kTolerance);
    EXPECT_GT(MaxDifference(out[1], want, 1500, 2048), 50 * kTolerance);
}

TEST(BiQuadEngine, SameOutputHoweverTheRunIsCut) {
    auto run = [](unsigned split) {
        EqGraph eq(Noise, 1);
        Engine* engine = eq.engines[0];
        Value(engine, 301, kFilterActive, 0.0f);
        Value(engine, 650, kFilterActive, 10.0f);
        Setting(engine, 1001, kClear, 1);
        Setting(engine, 1200, SectionOnPin(1), 0);
        Setting(engine, 1337, SectionOnPin(1), 1);
        return RunSamples(eq.owner, engine, 3000, split);
    };
    const auto whole = run(0);
    for (unsigned split : {1u, 7u, 8u}) EXPECT_EQ(run(split), whole) << "split " << split;
}

// Two channels' engines run next to each other are filtered in one pass while they
// are set up alike; events on one of them part them for a while. Each channel must
// come out exactly as from an engine alone, however the run is cut, with section
// coefficients fixed or read per sample.
TEST(BiQuadEngine, TwoChannelsFilteredTogetherGiveWhatEachGivesAlone) {
    auto second = [](uint32_t t) { return 0.4f * std::sin(0.013f * static_cast<float>(t)) + 0.3f * Noise(t + 999); };
    auto events = [](Engine* engine, bool left, bool perSample) {
        if (perSample) Setting(engine, 0, 1, 1);
        if (left) {
            Setting(engine, 700, SectionOnPin(1), 0);
            Setting(engine, 1400, SectionOnPin(1), 1);
        } else {
            Setting(engine, 2100, kClear, 1);
        }
        Value(engine, 2600, kFilterActive, 0.0f);
        Value(engine, 2900, kFilterActive, 10.0f);
    };
    auto run = [](EqGraph& eq, int total, unsigned split) {
        std::vector<std::vector<float>> got(eq.engines.size());
        for (Engine* engine : eq.engines) engine->outputs[0][0] = 0.0f;
        std::mt19937 rng(split);
        std::uniform_int_distribution<int> length(1, 40);
        for (int n; total > 0; total -= n) {
            const int offset = eq.owner.chunkOffset;
            n = std::min(total, eq.owner.internalBlockSize - offset);
            if (split != 0) n = std::min(n, length(rng));
            eq.owner.RunChunk(n);
            for (size_t e = 0; e < got.size(); ++e)
                got[e].insert(got[e].end(), eq.engines[e]->outputs[0] + offset, eq.engines[e]->outputs[0] + offset + n);
        }
        return got;
    };
    for (bool perSample : {false, true}) {
        for (unsigned split : {0u, 7u}) {
            EqGraph both(Noise, 1, 2, kBands, second);
            events(both.engines[0], true, perSample);
            events(both.engines[1], false, perSample);
            EqGraph left(Noise, 1), right(second, 1);
            // Per sample: bands 0 and 2 are told their frequency varies and design
            // every sample, so their sections read coefficients per sample; band 1
            // stays fixed.
            for (EqGraph* g : {&both, &left, &right})
                for (int k = 0; perSample && k < 3; k += 2) {
                    Setting(g->designers[k], 0, 5, 1);
                    State(g->designers[k], 0, 0, 1);
                }
            events(left.engines[0], true, perSample);
            events(right.engines[0], false, perSample);
            const auto together = run(both, 4000, split);
            EXPECT_EQ(together[0], run(left, 4000, split)[0]) << perSample << " " << split;
            EXPECT_EQ(together[1], run(right, 4000, split)[0]) << perSample << " " << split;
            // Most chunks went through the paired pass, not all of them.
            const int chunks = split ? 4000 / 20 : 4000 / 128;
            EXPECT_GT(both.engines[1]->ChunksFilteredByPartner(), chunks / 2);
            EXPECT_LT(both.engines[1]->ChunksFilteredByPartner(), chunks);
            EXPECT_EQ(both.engines[0]->ChunksFilteredByPartner(), 0);
        }
    }
}

TEST(BiQuadEngine, EqActiveOffPassesTheInputAndRestartsFromSilence) {
    EqGraph eq(Noise, 1, 2);
    Engine *a = eq.engines[0], *b = eq.engines[1];
    Value(a, 300, kFilterActive, 0.0f);  // "EQ Active" sends 0 and 10
    Value(a, 700, kFilterActive, 10.0f);
    Value(b, 0, kFilterActive, 0.0f);
    Value(b, 700, kFilterActive, 10.0f);
    const auto out = RunEngines(eq, 16);
    const auto &outA = out[0], &outB = out[1];
    for (uint32_t t = 0; t < 700; ++t) {
        ASSERT_EQ(outB[t], Noise(t)) << t;
        if (t >= 300) {
            ASSERT_EQ(outA[t], Noise(t)) << t;
        }
    }
    EXPECT_GT(std::fabs(outA[200] - outB[200]) + std::fabs(outA[250] - outB[250]), 1e-3);  // A was filtering
    // Both were cleared when switched off, so from 700 on they are the same filter.
    for (size_t t = 700; t < outA.size(); ++t) ASSERT_EQ(outA[t], outB[t]) << t;
}

// Bands whose float recursion dies out completely on a constant input.
constexpr Bands kSettlingBands = {{{1000.0f, 0.5f, 0.0f}, {2000.0f, 0.5f, 0.2f}, {5000.0f, 0.5f, -0.2f}}};

// Runs until the engine sleeps (at most 100 chunks); false if it never does.
bool RunUntilAsleep(EqGraph& eq, float bound) {
    for (int chunk = 0; chunk < 100; ++chunk) {
        eq.owner.RunChunk(128);
        for (int i = 0; i < 128; ++i)
            if (!(std::fabs(eq.engines[0]->outputs[0][i]) < bound)) return false;
        if (Asleep(eq.engines[0])) return true;
    }
    return false;
}

TEST(BiQuadEngine, SilentInputIsHeldAtExactlyZero) {
    EqGraph eq([](uint32_t) { return 0.0f; }, 0, 1, kSettlingBands);
    // Only the -1e-10 offset drives the sections: it stays far below 1e-6, and the
    // settled remainder is replaced by an exact 0.
    ASSERT_TRUE(RunUntilAsleep(eq, 1e-6f));
    const float* out = eq.engines[0]->outputs[0];
    EXPECT_TRUE(std::all_of(out, out + 128, [](float v) { return v == 0.0f; }));
}

// Disabled until the engine copes with round-off limit cycles: behind a narrow
// 100 Hz band the float recursion on silence ends in a cycle a few 1e-12 wide, so
// no chunk is ever flat to 1e-12 and the engine filters silence for good.
TEST(BiQuadEngine, DISABLED_SilenceBehindALowNarrowBandIsHeldAtZero) {
    EqGraph eq([](uint32_t) { return 0.0f; }, 0, 1,
               {{{100.0f, 0.5f, 0.0f}, {2000.0f, 0.5f, 0.2f}, {5000.0f, 0.5f, -0.2f}}});
    EXPECT_TRUE(RunUntilAsleep(eq, 1e-5f));
}

TEST(BiQuadEngine, ConstantInputSettlesAndIsHeld) {
    EqGraph eq([](uint32_t) { return 0.25f; }, 0, 1, kSettlingBands);
    Engine* engine = eq.engines[0];
    ASSERT_TRUE(RunUntilAsleep(eq, 1.0f));
    // Peaking sections pass DC with gain 1; the held value is the settled output.
    const float held = engine->outputs[0][0];
    EXPECT_NEAR(held, 0.25f, 1e-5f);
    EXPECT_TRUE(std::all_of(engine->outputs[0], engine->outputs[0] + 128, [held](float v) { return v == held; }));
    for (int chunk = 0; chunk < 3; ++chunk) eq.owner.RunChunk(128);
    EXPECT_EQ(engine->outputs[0][77], held);
}

namespace {

// One engine on an input buffer refilled with noise before every chunk, with its
// reports recorded and hand-made coefficient buffers for sections 0 and 1.
class EngineAlone : public ::testing::Test {
protected:
    void SetUp() override {
        engine = new Engine(&owner, false);
        recorder = new RecorderModule(&owner);
        owner.Place(0, engine);
        owner.Place(1, recorder);
        engine->Connect(recorder, 1, 0, 0, 0, 0, 0);
        engine->SetInput(0, input.data());
        OpenAll(owner);
        State(engine, 0, 0, 1);
    }
    void Coefficients(int k, const Section& c) {
        const double values[5] = {c.b0, c.b1, c.b2, c.a1, c.a2};
        for (int i = 0; i < 5; ++i) {
            coefficients[k][i].Fill(static_cast<float>(values[i]));
            engine->SetInput(static_cast<uint16_t>(9 + 10 * k + i), coefficients[k][i].data());
        }
    }
    // Fills the input for the next n samples, runs them and returns (input, output).
    std::pair<std::vector<float>, std::vector<float>> Chunk(int n = 128, float nonFiniteAt20 = 0.0f) {
        const int at = owner.chunkOffset;
        for (int i = 0; i < n; ++i) input.v[at + i] = Noise(owner.runningTime + i);
        if (nonFiniteAt20 != 0.0f) input.v[at + 20] = nonFiniteAt20;
        owner.RunChunk(n);
        return {{input.v + at, input.v + at + n}, {engine->outputs[0] + at, engine->outputs[0] + at + n}};
    }

    TestOwner owner{128, 44100};
    Buffer input, coefficients[2][5];
    Engine* engine = nullptr;
    RecorderModule* recorder = nullptr;
};

}  // namespace

TEST_F(EngineAlone, PassesTheInputWithoutSectionsOrCoefficients) {
    // Runs of 5 and 123 samples; each routine writes its run and nothing after it.
    auto split = [this] {
        std::fill_n(engine->outputs[0] + 5, 127, 7.0f);
        auto [in, out] = Chunk(5);
        EXPECT_TRUE(std::all_of(engine->outputs[0] + 5, engine->outputs[0] + 132, [](float v) { return v == 7.0f; }));
        auto [in2, out2] = Chunk(123);
        in.insert(in.end(), in2.begin(), in2.end());
        out.insert(out.end(), out2.begin(), out2.end());
        EXPECT_EQ(engine->outputs[0][128], 7.0f);
        return std::make_pair(in, out);
    };
    auto [in, out] = split();
    EXPECT_EQ(out, in);  // no section on
    EXPECT_EQ(recorder->received.back().state, 1);  // the input's state is passed on

    // A section switched on with no coefficients connected is skipped: the input
    // still passes, and a later section reads the input, not a stale output.
    Setting(engine, owner.runningTime, SectionOnPin(0), 1);
    std::tie(in, out) = split();
    EXPECT_EQ(out, in);
    Coefficients(1, Section{0.5, 0.0, 0.0, 0.0, 0.0});
    Setting(engine, owner.runningTime, SectionOnPin(1), 1);
    std::tie(in, out) = split();
    for (int i = 0; i < 128; ++i) ASSERT_NEAR(out[i], 0.5f * in[i], 1e-9f) << i;

    // Engine off: zeros, reported.
    Setting(engine, owner.runningTime, 2, 0);
    std::tie(in, out) = split();
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return v == 0.0f; }));
    EXPECT_EQ(recorder->received.back().state, 0);
}

TEST_F(EngineAlone, NonFiniteInputIsNotKeptInTheSections) {
    const Section lowPass{0.2, 0.3, 0.1, -0.5, 0.1};  // DC gain 1
    Coefficients(0, lowPass);
    Coefficients(1, lowPass);
    Setting(engine, 0, SectionOnPin(0), 1);
    Setting(engine, 0, SectionOnPin(1), 1);
    for (float bad : {std::nanf(""), INFINITY, -INFINITY}) {
        Chunk(128, bad);
        // The next chunk starts from cleared sections, exactly like a fresh cascade.
        Cascade ref({lowPass, lowPass});
        const auto [in, out] = Chunk();
        for (int i = 0; i < 128; ++i) {
            ASSERT_TRUE(std::isfinite(out[i])) << bad << " " << i;
            ASSERT_NEAR(out[i], ref.Step(in[i]), 1e-6) << bad << " " << i;
        }
    }
}
