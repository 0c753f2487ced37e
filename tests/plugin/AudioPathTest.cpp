// The compressor heard from the host's side: steady signals through the loaded
// plug-in, compared with the static curve, the look-ahead delay, bypass, parallel
// mix, mid/side and sidechain modes, and the detector equaliser.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/ControlTable.h"
#include "tests/plugin/PluginHostSupport.h"

namespace {

using orva_plugin_test::PluginFixture;

constexpr float kRate = 48000.0f;
constexpr double kPi = 3.14159265358979323846;

enum Param {
    kAutoRel = 2, kParallel = 3, kAttack = 4, kHold = 5, kRelease = 6, kCompThresh = 8, kCompRatio = 9,
    kCompKnee = 10, kExpThresh = 11, kExpRatio = 12, kExpKnee = 13, kGain = 14, kLookAhead = 15,
    kStereoMode = 16, kSensitivity = 17, kLevDetect = 18, kEqFreq1 = 19, kEqGain1 = 20, kEqWidth1 = 21,
    kEqGain2 = 23, kEqGain3 = 26, kEqActive = 28, kBypass = 65,
};

std::vector<float> Sine(size_t n, double hz, double peak, double phase = 0.0) {
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<float>(peak * std::sin(2 * kPi * hz * static_cast<double>(i) / kRate + phase));
    return v;
}

double PeakOf(const std::vector<float>& v, size_t from, size_t to) {
    double p = 0;
    for (size_t i = from; i < to; ++i) p = std::max(p, std::fabs(static_cast<double>(v[i])));
    return p;
}

class AudioPath : public PluginFixture {
protected:
    void SetUp() override {
        PluginFixture::SetUp();
        BuildControlIndexMaps();
        Start(kRate, 512);
        // A plain compressor: hard knee, no expansion, no make-up, fast detector.
        Set(kCompKnee, 0);
        Set(kExpRatio, 1);
        Set(kGain, 0);
        Set(kLookAhead, 0.2f);
        Set(kAttack, 0.2f);
        Set(kRelease, 50);
        Set(kCompThresh, -20);
        Set(kCompRatio, 4);
    }

    // Sets a parameter by its display value, through the range the host would use.
    void Set(int index, float display) {
        const ControlDescriptor& d = DescriptorOf(index);
        SetParameter(index, (display - d.low) / (d.high - d.low));
    }

    // Runs the four inputs through the plug-in in 512-frame blocks.
    void Run(const std::vector<float>& l, const std::vector<float>& r, std::vector<float>& outL,
             std::vector<float>& outR, const std::vector<float>* sideL = nullptr,
             const std::vector<float>* sideR = nullptr) {
        const size_t n = l.size();
        std::vector<float> silence(n, 0.0f);
        outL.assign(n, 0.0f);
        outR.assign(n, 0.0f);
        for (size_t at = 0; at < n; at += 512) {
            const int32_t frames = static_cast<int32_t>(std::min<size_t>(512, n - at));
            float* in[4] = {const_cast<float*>(l.data() + at), const_cast<float*>(r.data() + at),
                            const_cast<float*>((sideL ? sideL->data() : silence.data()) + at),
                            const_cast<float*>((sideR ? sideR->data() : silence.data()) + at)};
            float* out[2] = {outL.data() + at, outR.data() + at};
            fx->processReplacing(fx, in, out, frames);
        }
    }

    // Settled output peak of a sine of the given input peak (last 100 ms of 1 s).
    double SettledPeak(double inputPeak, double hz = 1000.0) {
        const auto in = Sine(48000, hz, inputPeak);
        std::vector<float> outL, outR;
        Run(in, in, outL, outR);
        return PeakOf(outL, 43200, 48000);
    }
};

double Db(double ratio) { return 20.0 * std::log10(ratio); }

}  // namespace

TEST_F(AudioPath, ASteadySineFollowsTheStaticCurve) {
    // Hard knee, threshold -20 dB, ratio 4: above the threshold every 4 dB in give 1 dB out.
    for (double inDb : {-12.0, -6.0, -3.0}) {
        const double outDb = Db(SettledPeak(std::pow(10.0, inDb / 20.0)));
        const double expected = -20.0 + (inDb + 20.0) / 4.0;
        EXPECT_NEAR(outDb, expected, 0.25) << "input " << inDb << " dB";
    }
    // Below the threshold nothing happens.
    EXPECT_NEAR(Db(SettledPeak(std::pow(10.0, -30.0 / 20.0))), -30.0, 0.1);
    // Make-up gain adds on top.
    Set(kGain, 6);
    EXPECT_NEAR(Db(SettledPeak(0.5)), -20.0 + (Db(0.5) + 20.0) / 4.0 + 6.0, 0.3);
}

TEST_F(AudioPath, TheKneeSoftensTheCurveAroundTheThreshold) {
    // At knee 50 % the ratio runs from 1:1 at the threshold to the set ratio at 0 dBFS.
    Set(kCompKnee, 50);
    const double inDb = -10.0;
    const double l = inDb / 10.0, Tc = -2.0 - 0.0001;
    const double u = l / Tc, D = (1.0 - u) * 4.0 + u;
    const double expectedDb = 10.0 * ((l - Tc) / D + Tc - l) + inDb;
    EXPECT_NEAR(Db(SettledPeak(std::pow(10.0, inDb / 20.0))), expectedDb, 0.25);
}

TEST_F(AudioPath, LookAheadDelaysTheAudioAndBypassPassesItBitExactly) {
    Set(kBypass, 1);
    Set(kLookAhead, 10);  // 10 ms = 480 samples at 48 kHz
    std::vector<float> in = Sine(9600, 440.0, 0.7), outL, outR;
    for (size_t i = 0; i < in.size(); ++i) in[i] += 0.001f * static_cast<float>(i % 7);
    Run(in, in, outL, outR);
    for (size_t i = 2000; i < in.size(); ++i) ASSERT_EQ(outL[i], in[i - 480]) << i;
    // The same delay holds while processing (the latency does not jump with bypass).
    Set(kBypass, 0);
    Set(kCompThresh, 0);
    Set(kCompRatio, 1);
    Run(in, in, outL, outR);
    for (size_t i = 4800; i < in.size(); ++i) ASSERT_NEAR(outL[i], in[i - 480], 1e-5) << i;
}

TEST_F(AudioPath, ParallelMixesWetAndDry) {
    const double wet = SettledPeak(0.5);
    Set(kParallel, 100);
    EXPECT_NEAR(SettledPeak(0.5), 0.5, 1e-3);  // dry: the delayed input itself
    Set(kParallel, 50);
    EXPECT_NEAR(SettledPeak(0.5), 0.5 * (wet / 0.5 + 1.0) / 2.0, 2e-3);
}

TEST_F(AudioPath, MidSideCompressesTheMidOnly) {
    Set(kStereoMode, 1);
    // Identical channels: all mid, compressed like a mono signal.
    const double mono = SettledPeak(0.5);
    EXPECT_NEAR(Db(mono), -20.0 + (Db(0.5) + 20.0) / 4.0, 0.3);
    // Opposite channels: all side, the detector hears silence and nothing is compressed.
    const auto left = Sine(48000, 1000.0, 0.5);
    std::vector<float> right(left.size()), outL, outR;
    for (size_t i = 0; i < left.size(); ++i) right[i] = -left[i];
    Run(left, right, outL, outR);
    EXPECT_NEAR(PeakOf(outL, 43200, 48000), 0.5, 2e-3);
    EXPECT_NEAR(PeakOf(outR, 43200, 48000), 0.5, 2e-3);
}

TEST_F(AudioPath, TheSidechainDrivesTheGain) {
    Set(kStereoMode, 2);
    const auto main = Sine(48000, 1000.0, 0.5);
    std::vector<float> outL, outR;
    Run(main, main, outL, outR);  // silent sidechain: no reduction
    EXPECT_NEAR(PeakOf(outL, 43200, 48000), 0.5, 2e-3);
    const auto key = Sine(48000, 200.0, 1.0);
    Run(main, main, outL, outR, &key, &key);  // a 0 dBFS key: 15 dB of reduction
    EXPECT_NEAR(Db(PeakOf(outL, 43200, 48000)), Db(0.5) - 15.0, 0.4);
}

TEST_F(AudioPath, TheDetectorEqualiserChangesTheReductionNotTheSound) {
    Set(kEqGain2, 0);
    Set(kEqGain3, 0);
    Set(kEqFreq1, 100);
    Set(kEqWidth1, 3);
    Set(kEqGain1, 12);
    const double plain = SettledPeak(0.3, 100.0);
    Set(kEqActive, 10);
    const auto in = Sine(48000, 100.0, 0.3);
    std::vector<float> outL, outR;
    Run(in, in, outL, outR);
    const double boosted = PeakOf(outL, 43200, 48000);
    // The detector hears the 100 Hz band louder, so the sound is compressed harder ...
    EXPECT_LT(Db(boosted), Db(plain) - 2.0);
    // ... but the audio itself is not equalised: the output is the delayed input
    // times one steady gain.
    const size_t delay = 9;  // 0.2 ms at 48 kHz
    const double ratio = outL[47000] / in[47000 - delay];
    for (size_t i = 46000; i < 48000; ++i)
        if (std::fabs(in[i - delay]) > 0.05f) {
            ASSERT_NEAR(outL[i] / in[i - delay], ratio, 0.02 * ratio) << i;
        }
}

TEST_F(AudioPath, BadInputBlocksDoNotPoisonTheState) {
    auto in = Sine(48000, 1000.0, 0.5);
    for (size_t i = 4800; i < 5312; ++i) in[i] = (i % 3 == 0) ? NAN : (i % 3 == 1 ? INFINITY : -1e30f);
    std::vector<float> outL, outR;
    Run(in, in, outL, outR);
    // Some time after the bad block (look-ahead, detector window, release) all is finite again.
    for (size_t i = 5312 + 9 + 24000; i < in.size(); ++i) ASSERT_TRUE(std::isfinite(outL[i])) << i;
    EXPECT_NEAR(Db(PeakOf(outL, 43200, 48000)), -20.0 + (Db(0.5) + 20.0) / 4.0, 0.3);
}
