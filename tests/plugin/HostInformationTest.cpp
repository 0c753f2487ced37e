// What a host learns from the loaded plug-in and relies on: the latency that the
// look-ahead adds (checked against the audio itself), and that Bank Select, sent
// by hosts before program changes, moves nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/plugin/PluginHostSupport.h"

namespace {

using orva_plugin_test::PluginFixture;

constexpr int32_t kLookAhead = 15, kBypass = 65;

class HostInformation : public PluginFixture {
protected:
    // Runs a signal whose every sample differs from its neighbours through the
    // plug-in and answers whether the output is the input delayed by exactly
    // `delay` samples (bypass on: the output is the delayed input, bit for bit).
    bool OutputIsInputDelayedBy(int32_t delay) {
        const size_t n = static_cast<size_t>(delay) + 3072;
        std::vector<float> in(n), silence(n, 0.0f), outL(n), outR(n);
        for (size_t i = 0; i < n; ++i)
            in[i] = 0.5f * static_cast<float>(std::sin(0.0123 * static_cast<double>(i))) + 1e-4f * float(i % 7);
        for (size_t at = 0; at < n; at += 512) {
            const int32_t frames = static_cast<int32_t>(std::min<size_t>(512, n - at));
            float* inputs[4] = {in.data() + at, in.data() + at, silence.data() + at, silence.data() + at};
            float* outputs[2] = {outL.data() + at, outR.data() + at};
            fx->processReplacing(fx, inputs, outputs, frames);
        }
        for (size_t i = static_cast<size_t>(delay) + 1024; i < n; ++i)
            if (outL[i] != in[i - static_cast<size_t>(delay)]) return false;
        return true;
    }

    void SendController(int controller, int value) {
        VstMidiEvent cc{};
        cc.type = kVstMidiType;
        cc.byteSize = sizeof cc;
        cc.midiData[0] = static_cast<char>(0xB0);
        cc.midiData[1] = static_cast<char>(controller);
        cc.midiData[2] = static_cast<char>(value);
        VstEvents events{};
        events.numEvents = 1;
        events.events[0] = reinterpret_cast<VstEvent*>(&cc);
        Dispatch(effProcessEvents, 0, 0, &events);
    }
};

class LatencyAtRate : public HostInformation, public ::testing::WithParamInterface<float> {};

TEST_P(LatencyAtRate, InitialDelayAfterResumeIsTheDelayOfTheAudio) {
    const float rate = GetParam();
    Start(rate, 512);
    SetParameter(kBypass, 1.0f);
    for (double ms : {0.0, 0.2, 1.3, 10.0, 33.3, 50.0}) {
        Dispatch(effMainsChanged, 0, 0);
        SetParameter(kLookAhead, static_cast<float>(ms / 50.0));
        Dispatch(effMainsChanged, 0, 1);
        const int32_t latency = fx->initialDelay;
        EXPECT_NEAR(latency, ms * rate / 1000.0, 1.0) << ms << " ms at " << rate << " Hz";
        EXPECT_TRUE(OutputIsInputDelayedBy(latency)) << ms << " ms at " << rate << " Hz: " << latency;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, LatencyAtRate,
                         ::testing::Values(22050.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f));

TEST_F(HostInformation, AProgramChangePublishesItsLatencyBeforeTheNextBlock) {
    Start(48000.0f, 512);
    SetParameter(kBypass, 1.0f);
    EXPECT_EQ(fx->initialDelay, 9);  // "Default Start": 0.2 ms
    EXPECT_TRUE(OutputIsInputDelayedBy(9));
    Dispatch(effSetProgram, 0, 10);  // "-3dB Limiter": 2 ms
    EXPECT_EQ(fx->initialDelay, 96);
    EXPECT_TRUE(OutputIsInputDelayedBy(96));
}

TEST_F(HostInformation, BankSelectBeforeEveryFactoryProgramMovesNothing) {
    Start(48000.0f, 512);
    for (int program = 0; program < 128; ++program) {
        Dispatch(effSetProgram, 0, program);
        std::vector<float> before(47);
        for (int p = 0; p < 47; ++p) before[static_cast<size_t>(p)] = GetParameter(p);
        SendController(0, 0);   // Bank Select MSB
        SendController(32, 0);  // and LSB, as hosts send them
        for (int p = 0; p < 47; ++p)
            ASSERT_EQ(GetParameter(p), before[static_cast<size_t>(p)]) << "program " << program << ", parameter " << p;
    }
}

}  // namespace
