// When the host hears of a changed look-ahead latency: once a value has held
// still, only from calls on the user-interface side, with the time given by the
// test instead of a clock.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/TestEffect.h"

namespace {

constexpr int32_t kLookAhead = Mox_DSP_VST::kLookAheadIndex;

class ClockedEffect : public TestEffect {
public:
    int64_t nowMs = 0;
    // One host call from its user-interface thread (an editor idle) at time t.
    void IdleAt(int64_t t, int32_t opcode = effEditIdle) {
        nowMs = t;
        getAeffect()->dispatcher(getAeffect(), opcode, 0, 0, nullptr, 0.0f);
    }

protected:
    int64_t SteadyMilliseconds() const override { return nowMs; }
};

int Tells() {
    int n = 0;
    for (const HostRecord& c : RecordedHostCalls()) n += c.opcode == audioMasterIOChanged;
    return n;
}

// Made at the 44.1 kHz a plug-in assumes until told, then resumed at 48 kHz.
std::unique_ptr<ClockedEffect> RunningAt48k() {
    auto e = std::make_unique<ClockedEffect>();
    EXPECT_EQ(e->getAeffect()->initialDelay, 8);  // 0.2 ms at 44.1 kHz
    e->setSampleRate(48000.0f);
    e->resume();
    EXPECT_EQ(e->getAeffect()->initialDelay, 9);
    RecordedHostCalls().clear();
    e->IdleAt(0);
    e->IdleAt(1000);
    EXPECT_EQ(Tells(), 1) << "the latency at the new rate is told once";
    RecordedHostCalls().clear();
    return e;
}

struct Ramp {
    int stepMs;  // time between two steps of the ramp
    int steps;
    int tells;  // announcements expected
};

class LatencyRamp : public ::testing::TestWithParam<Ramp> {};

TEST_P(LatencyRamp, IsToldOnlyOnceAValueHasHeldStill) {
    const Ramp ramp = GetParam();
    auto e = RunningAt48k();
    const int32_t start = e->getAeffect()->initialDelay;
    int64_t t = 1000;
    for (int k = 1; k <= ramp.steps; ++k) {
        e->setParameter(kLookAhead, static_cast<float>(k) / static_cast<float>(ramp.steps));
        for (int64_t end = t + ramp.stepMs; t < end; t += 10) e->IdleAt(t);
        if (Tells() == 0) {
            EXPECT_EQ(e->getAeffect()->initialDelay, start) << "step " << k;
        }
    }
    for (int64_t end = t + 1000; t < end; t += 10) e->IdleAt(t);
    EXPECT_EQ(Tells(), ramp.tells);
    EXPECT_LE(Tells(), 1 + (ramp.steps * ramp.stepMs) / LatencyWatch::kSettleMs);
    EXPECT_EQ(e->getAeffect()->initialDelay, 2400);  // 50 ms at 48 kHz
}

INSTANTIATE_TEST_SUITE_P(StepTimes, LatencyRamp,
                         ::testing::Values(Ramp{10, 200, 1}, Ramp{100, 20, 1}, Ramp{240, 8, 1}, Ramp{260, 8, 8},
                                           Ramp{1000, 3, 3}),
                         [](const ::testing::TestParamInfo<Ramp>& info) {
                             return std::to_string(info.param.steps) + "StepsEvery" +
                                    std::to_string(info.param.stepMs) + "ms";
                         });

TEST(Latency, ProgramsPublishAtOnceAndOnlyTheUserInterfaceSideTellsTheHost) {
    auto e = RunningAt48k();
    AEffect* a = e->getAeffect();
    ASSERT_EQ(a->initialDelay, 9);  // "Default Start": 0.2 ms
    // A program load publishes its latency before the next block; the host is told
    // once it has held still.
    a->dispatcher(a, effSetProgram, 0, 10, nullptr, 0.0f);  // "-3dB Limiter": 2 ms
    EXPECT_EQ(a->initialDelay, 96);
    e->IdleAt(2000, effGetParamDisplay);
    e->IdleAt(2200, effGetParamDisplay);
    EXPECT_EQ(Tells(), 0);
    e->IdleAt(2300, effGetParamDisplay);
    EXPECT_EQ(Tells(), 1);

    // Look-ahead moved by a MIDI controller on the audio thread, with blocks and
    // audio-thread opcodes long after it settled: none of them calls the host.
    e->SetMidiAssignment(kLookAhead, 20);
    std::vector<float> l(512), r(512), ol(512), orr(512);
    for (int value : {10, 60, 127}) {
        VstMidiEvent cc{};
        cc.type = kVstMidiType;
        cc.byteSize = sizeof cc;
        cc.midiData[0] = static_cast<char>(0xB0);
        cc.midiData[1] = 20;
        cc.midiData[2] = static_cast<char>(value);
        VstEvents events{1, 0, {reinterpret_cast<VstEvent*>(&cc), nullptr}};
        e->nowMs += 5000;
        a->dispatcher(a, effProcessEvents, 0, 0, &events, 0.0f);
        a->dispatcher(a, effStartProcess, 0, 0, nullptr, 0.0f);
        e->Process(l, r, ol, orr);
        a->dispatcher(a, effStopProcess, 0, 0, nullptr, 0.0f);
    }
    EXPECT_EQ(Tells(), 1);
    EXPECT_EQ(a->initialDelay, 96);
    e->IdleAt(e->nowMs);
    e->IdleAt(e->nowMs + 250);
    EXPECT_EQ(Tells(), 2);
    EXPECT_EQ(a->initialDelay, 2400);
}

}  // namespace
