// The biquad designer, driven through its input pins and setting events and read
// from its five coefficient outputs and its band reports, as the engine sees it.
#include <gtest/gtest.h>

#include <memory>

#include "modules/analysis/BiQuadCoeff.h"
#include "tests/analysis/AnalysisTestSupport.h"

using namespace analysis_test;

namespace {

// Resonance table rows used below (rows 0 and 3).
constexpr double kRow[8][6] = {{0.985, 1.0, 0.85, 0.985, 1.0, 0.85}, {}, {},
                               {0.7415, 0.275, 0.4715, 0.746, 0.277, 0.473}};

// The analogue prototype each bilinear type stands for, at s = jW where W is the
// frequency warped and normalised to the design frequency (W = 1 there).
std::complex<double> Prototype(int type, double W, double r, int row, bool linear, double g = 0.0) {
    const std::complex<double> s(0.0, W);
    const double* A = kRow[row];
    auto lowPass = [&](double d) { return 1.0 / (s * s + d * s + 1.0); };
    switch (type) {
        case 1: return lowPass((1.01 - A[0] * r) * 1.5);
        case 2: return lowPass(1.0 / std::pow(A[1] * r + 0.9, 4));
        case 3: return lowPass(2.0 / std::pow(A[2] * r + 1.0, 8));
        case 4: return s * s * lowPass((1.01 - (linear ? A[3] : A[0]) * r) * 1.5);
        case 5: return s * s * lowPass(1.0 / std::pow(A[4] * r + 0.9, 4));
        case 6: return -s * s * lowPass(2.0 / std::pow(A[5] * r + 1.0, 8));
        case 8: return (s * s + 1.0) * lowPass(2.0 / (std::pow(2.0 * r, 6) + 0.001));
        default: {  // 9
            const double w = 1.0 / (10.0 * (std::pow(r, 4) + 0.001));
            return (s * s + (g + 0.5) * w * s + 1.0) / (s * s + (0.501 - g) * w * s + 1.0);
        }
    }
}

class BiQuadDesign : public ::testing::Test {
protected:
    void SetUp() override { Build(44100); }

    void Build(int rate) {
        owner = std::make_unique<TestOwner>(128, rate);
        designer = new Mox_DSP_BiQuad_Coeff(owner.get(), false);
        recorder = new RecorderModule(owner.get());
        owner->Place(0, designer);
        owner->Place(1, recorder);
        designer->Connect(recorder, 1, 0, 0, 0, 0, 0);
        designer->Connect(recorder, 1, 5, 5, 0, 0, 0);
        designer->SetInput(0, freq.data());
        designer->SetInput(1, width.data());
        designer->SetInput(2, gain.data());
        OpenAll(*owner);
        for (uint16_t pin = 0; pin < 3; ++pin) State(designer, 0, pin, 0);  // constant sources
    }

    // One chunk with these settings; the frequency is given in Hz.
    Section Design(int type, double hz, float r, float g = 0.0f, int row = 0, bool linear = true) {
        const uint32_t now = owner->runningTime;
        Setting(designer, now, 3, type);
        Setting(designer, now, 4, row);
        Setting(designer, now, 7, linear ? 1 : 0);
        freq.Fill(static_cast<float>(linear ? hz / 10.0 : std::log2(hz / 13.75) / 10.0));
        width.Fill(r);
        gain.Fill(g);
        owner->RunChunk(128);
        return ReadSection(designer);
    }

    double Rate() const { return owner->sampleRateInt; }
    double Warp(double hz, double f0) const { return std::tan(kPi * hz / Rate()) / std::tan(kPi * f0 / Rate()); }

    // Band reports (pin 5) received so far, as (intValue, floatValue).
    std::vector<std::pair<int, float>> BandReports() const {
        std::vector<std::pair<int, float>> got;
        for (const auto& e : recorder->received)
            if (e.pin == 5) got.emplace_back(e.intValue, e.floatValue);
        return got;
    }

    Buffer freq{100.0f}, width{0.5f}, gain{0.0f};
    std::unique_ptr<TestOwner> owner;
    Mox_DSP_BiQuad_Coeff* designer = nullptr;
    RecorderModule* recorder = nullptr;
};

}  // namespace

TEST_F(BiQuadDesign, BilinearTypesMatchTheirAnaloguePrototypes) {
    const double f0 = 1000.0;
    for (bool linear : {true, false})
        for (int type : {1, 2, 3, 4, 5, 6, 8})
            for (int row : {0, 3})
                for (double r : {0.0, 0.6}) {
                    const Section c = Design(type, f0, static_cast<float>(r), 0.0f, row, linear);
                    ASSERT_TRUE(Stable(c)) << "type " << type;
                    // DC and half the sample rate included: low-pass types pass DC with
                    // gain 1 and nothing at the top, high-pass the reverse, type 6 with
                    // gain -1, the notch both.
                    for (double hz : {0.0, 125.0, 500.0, 1000.0, 2000.0, 5000.0, Rate() / 2}) {
                        const auto want = Prototype(type, Warp(hz, f0), r, row, linear);
                        EXPECT_LE(std::abs(Response(c, hz, Rate()) - want), 1e-4 + 2e-3 * std::abs(want))
                            << "type " << type << " row " << row << " r " << r << " at " << hz
                            << " Hz, linear " << linear;
                    }
                }
}

TEST_F(BiQuadDesign, PeakingCentreGainAndWidthLaw) {
    const double f0 = 1000.0, T = std::tan(kPi * f0 / Rate());
    for (double r : {0.0, 0.5, 1.0})
        for (double g : {-0.45, -0.2, 0.0, 0.3, 0.49}) {
            const Section c = Design(9, f0, static_cast<float>(r), static_cast<float>(g));
            // g = 0 is not quite flat: 0.5 / 0.501 at the centre, about -0.017 dB.
            const double centre = (g + 0.5) / (0.501 - g);
            EXPECT_NEAR(std::abs(Response(c, f0, Rate())), centre, 1e-3 * centre);
            for (double hz : {0.0, 100.0, 3000.0, Rate() / 2}) {
                const auto want = Prototype(9, Warp(hz, f0), r, 0, true, g);
                EXPECT_LE(std::abs(Response(c, hz, Rate()) - want), 1e-4 + 2e-3 * std::abs(want)) << hz;
            }
            // 1/Q = w, and (1 - a2) / (1 + a2) = (0.501 - g) T w / (T^2 + 1); r = 0 gives 100.
            const double w = (1.0 - c.a2) / (1.0 + c.a2) * (T * T + 1.0) / ((0.501 - g) * T);
            EXPECT_NEAR(w, 1.0 / (10.0 * (std::pow(r, 4) + 0.001)), 1e-3 * w) << r;
        }
}

TEST_F(BiQuadDesign, NotchAtWidthZeroAndResonator) {
    const double f0 = 2000.0, sn = std::sin(2 * kPi * f0 / Rate());
    const Section notch = Design(8, f0, 0.0f);
    EXPECT_NEAR((1.0 - notch.a2) / (1.0 + notch.a2), 1000.0 * sn, 1e-3 * 1000.0 * sn);  // alpha
    EXPECT_LT(std::abs(Response(notch, f0, Rate())), 1e-4);
    // Gain 1 at DC, to float precision: the notch is so wide here that the normalised
    // denominator at DC is a difference of order 1e-4 between coefficients of order 1.
    EXPECT_NEAR(std::abs(Response(notch, 0.0, Rate())), 1.0, 2e-3);

    // Type 7 is a resonator with unit gain at its frequency; r = 0.9 puts the poles
    // at radius 0.99, so DC and the top of the band are far down.
    const Section res = Design(7, f0, 0.9f);
    EXPECT_TRUE(Stable(res));
    EXPECT_NEAR(std::abs(Response(res, f0, Rate())), 1.0, 2e-3);
    EXPECT_LT(std::abs(Response(res, 0.0, Rate())), 0.01);
    EXPECT_LT(std::abs(Response(res, Rate() / 2, Rate())), 0.01);
}

TEST_F(BiQuadDesign, FrequencyZeroReadsTheFirstEntry) {
    for (int type : {1, 5, 9}) {  // 1 and 5 divide by the tangent
        const Section atZero = Design(type, 0.0, 0.5f, 0.2f), atEntry1 = Design(type, Rate() / 4096.0, 0.5f, 0.2f);
        ASSERT_TRUE(Stable(atZero)) << type;
        for (double Section::*k : {&Section::b0, &Section::b1, &Section::b2, &Section::a1, &Section::a2})
            EXPECT_NEAR(atZero.*k, atEntry1.*k, 1e-5 * std::max(1.0, std::fabs(atEntry1.*k))) << type;
    }
}

TEST_F(BiQuadDesign, AtAndAboveHalfTheSampleRateSectionsStayStable) {
    for (int rate : {22050, 32000}) {
        Build(rate);
        for (int type = 1; type <= 9; ++type)
            for (float r : {0.0f, 0.5f, 0.9f, 1.0f})
                for (float g : {-0.49f, 0.49f})
                    for (int row : {0, 7}) {
                        if (type == 7 && r == 1.0f) continue;  // radius 1 at any frequency
                        const Section top = Design(type, 20480.0, r, g, row);
                        const Section above = Design(type, 30000.0, r, g, row);
                        const Section octaves = Design(type, 13.75 * 8192, r, g, row, false);  // end of the axis
                        for (const Section& c : {top, above, octaves})
                            EXPECT_TRUE(Stable(c)) << rate << " Hz, type " << type << " r " << r << " g " << g
                                                   << " row " << row << ": a1 " << c.a1 << " a2 " << c.a2;
                        // Everything from the end of the table up is held at its last position.
                        EXPECT_EQ(top.b0, above.b0);
                        EXPECT_EQ(top.a1, above.a1);
                    }
    }
}

TEST_F(BiQuadDesign, BandReportsAndSleep) {
    Design(9, 1000.0, 0.5f);
    ASSERT_FALSE(BandReports().empty());
    EXPECT_EQ(BandReports().front(), std::make_pair(1, 1.0f));  // sent by Open
    owner->RunChunk(128);
    EXPECT_TRUE(Asleep(designer)) << "inputs constant for a block and more";

    // A settings event re-sends both reports even though nothing changed.
    recorder->received.clear();
    Setting(designer, owner->runningTime, 4, 0);
    owner->RunChunk(128);
    ASSERT_EQ(recorder->received.size(), 2u);
    EXPECT_EQ(recorder->received[0].pin, 0);
    EXPECT_EQ(recorder->received[0].state, 0);
    EXPECT_EQ(BandReports(), (std::vector<std::pair<int, float>>{{1, 1.0f}}));
    EXPECT_FALSE(Asleep(designer));
    owner->RunChunk(128);
    EXPECT_TRUE(Asleep(designer));

    // A varying gain keeps a peaking band awake.
    State(designer, owner->runningTime, 2, 1);
    for (int i = 0; i < 4; ++i) owner->RunChunk(128);
    EXPECT_FALSE(Asleep(designer));

    // Type 0: five zero outputs over exactly the run, a single band-off report, sleep.
    recorder->received.clear();
    Setting(designer, owner->runningTime, 3, 0);
    std::fill_n(designer->outputs[4] + 5, 127, 7.0f);
    owner->RunChunk(5);
    EXPECT_EQ(designer->outputs[4][5], 7.0f);
    for (int n : {123, 128, 128}) owner->RunChunk(n);
    EXPECT_EQ(BandReports(), (std::vector<std::pair<int, float>>{{0, 0.0f}}));
    for (int pin = 0; pin < 5; ++pin)
        for (int i = 0; i < 128; ++i) ASSERT_EQ(designer->outputs[pin][i], 0.0f);
    EXPECT_EQ(designer->outputs[4][128], 7.0f);
    EXPECT_TRUE(Asleep(designer));
}
