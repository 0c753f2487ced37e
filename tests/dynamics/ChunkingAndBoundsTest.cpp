// Events take effect at their own sample, so the dynamics modules give the same
// output however a run is cut into chunks; and every routine writes only the
// samples of the run it is given.
#include <gtest/gtest.h>

#include <cmath>

#include "modules/dynamics/CompressorAHR.h"
#include "modules/dynamics/DelayST.h"
#include "modules/dynamics/KneeMath.h"
#include "modules/dynamics/OrvaInput.h"
#include "modules/dynamics/OrvaOutput.h"
#include "modules/dynamics/ParamAdj.h"
#include "tests/dynamics/DynamicsTestSupport.h"

using namespace dyn_test;

namespace {

constexpr int kLength = 3000;

std::vector<float> RunKnee(Cut cut, unsigned seed) {
    TestOwner owner(128, 48000);
    auto* level = new Source(&owner, [](uint32_t t) { return -5.0f + 4.5f * std::sin(0.0021f * t); });
    auto* knee = new Mox_DSP_CompExp_Knee_Math(&owner, false);
    PlaceAll(owner, {level, knee});
    level->Connect(knee, 1, 0, 0, 0, 0, 0);
    owner.ConnectControl(knee, 1, 11, 4, 0, 0, 0);
    OpenAll(owner);
    const struct { uint32_t time; uint16_t pin; float value; } events[] = {
        {0, 1, -6.0f}, {0, 2, 0.0f}, {0, 3, 0.1f}, {0, 4, -7.0f}, {0, 6, 0.05f},
        {333, 3, 0.4f}, {333, 2, 3.0f}, {700, 5, 8.0f}, {701, 1, -3.5f}, {1290, 2, 9.0f},
        {1290, 6, 0.2f}, {2047, 3, 0.02f}, {2500, 5, 2.0f}, {2501, 4, -6.5f}};
    for (const auto& e : events) Send(knee, e.time, e.pin, e.value);
    return RunAndWatch(owner, kLength, {{knee, 0}}, cut, seed)[0];
}

// Parameter adjustment -> attack and hold; level and its delayed copy -> automatic
// release; requested gain with dips and boosts and a make-up level -> envelope.
std::vector<float> RunEnvelope(Cut cut, unsigned seed) {
    TestOwner owner(128, 48000);
    auto* adjust = new Mox_DSP_OrvaMaster_ParamAdj(&owner, false);
    auto* level = new Source(&owner, [](uint32_t t) { return -3.0f + 1.5f * std::sin(0.004f * t); });
    auto* gain = new Source(&owner, [](uint32_t t) {
        return t % 700 == 650 ? 1.3f : 0.35f + 0.7f * std::fabs(std::sin(0.0037f * t));
    });
    auto* makeup = new Source(&owner, [](uint32_t t) { return 1.2f + 0.1f * std::sin(0.001f * t); });
    auto* delay = new Mox_DSP_Delay_ST(&owner, false);
    auto* release = new Mox_DSP_OrvaMaster_AutoRelease(&owner, false);
    auto* envelope = new Mox_DSP_Compressor_AHR(&owner, false);
    PlaceAll(owner, {adjust, level, gain, makeup, delay, release, envelope});
    adjust->Connect(envelope, 6, 0, 2, 0, 0, 0);
    adjust->Connect(envelope, 6, 1, 3, 0, 0, 0);
    adjust->Connect(delay, 4, 2, 2, 0, 0, 0);
    adjust->Connect(release, 5, 2, 2, 0, 0, 0);
    level->Connect(delay, 4, 0, 0, 0, 0, 0);
    delay->Connect(release, 5, 0, 0, 0, 0, 0);
    level->Connect(release, 5, 0, 1, 0, 0, 0);
    gain->Connect(envelope, 6, 0, 0, 0, 0, 0);
    makeup->Connect(envelope, 6, 0, 1, 0, 0, 0);
    release->Connect(envelope, 6, 0, 4, 0, 0, 0);
    OpenAll(owner);
    const struct { uint32_t time; uint16_t pin; float value; } events[] = {  // contours: option n is n / 10
        {0, 0, 0.5f}, {0, 1, 50.0f}, {0, 4, 2.0f}, {0, 5, 50.0f}, {0, 8, 2.0f}, {0, 9, 200.0f},
        {777, 0, 3.0f}, {777, 3, 0.1f}, {1501, 4, 0.0f}, {2222, 8, 0.5f}, {2223, 11, 0.3f}};
    for (const auto& e : events) Send(adjust, e.time, e.pin, e.value);
    Send(release, 0, 3, 10.0f);
    SendInt(envelope, 2600, 10, 1);
    SendInt(envelope, 2713, 10, 0);
    return RunAndWatch(owner, kLength, {{envelope, 0}}, cut, seed)[0];
}

}  // namespace

TEST(Chunking, KneeMathGivesTheSameOutputHoweverTheRunIsCut) {
    const std::vector<float> whole = RunKnee(Cut::kBlocks, 0);
    EXPECT_NEAR(whole[332], 0.0f, 1e-5f);  // ratio 1 up to the event ...
    EXPECT_LT(whole[333], -0.05f);         // ... and 4 from its sample on
    EXPECT_EQ(RunKnee(Cut::kSamples, 0), whole);
    for (unsigned seed : {1u, 2u, 3u}) EXPECT_EQ(RunKnee(Cut::kRandom, seed), whole) << seed;
}

TEST(Chunking, EnvelopeGivesTheSameOutputHoweverTheRunIsCut) {
    const std::vector<float> whole = RunEnvelope(Cut::kBlocks, 0);
    EXPECT_EQ(whole[2650], 1.0f);  // bypassed
    EXPECT_NE(whole[2750], 1.0f);
    EXPECT_EQ(RunEnvelope(Cut::kSamples, 0), whole);
    for (unsigned seed : {1u, 2u, 3u}) EXPECT_EQ(RunEnvelope(Cut::kRandom, seed), whole) << seed;
}

// ---------------------------------------------------------------------------

namespace {

struct BoundsCase {
    const char* name;
    std::function<Mox_ModuleBase*(TestOwner&, float*)> make;  // opened, events queued at 0
    int outputs;  // output pins 0 .. outputs-1 are checked
    int start;    // buffer position of the checked run
};

template <typename Module>
Module* Make(TestOwner& owner, float* in, int inputs) {
    auto* m = new Module(&owner, false);
    owner.Place(0, m);
    for (uint16_t pin = 0; pin < inputs; ++pin) m->SetInput(pin, in);
    m->Open();
    return m;
}

Mox_ModuleBase* With(Mox_ModuleBase* m, uint16_t pin, int value) {
    SendInt(m, 0, pin, value);
    return m;
}

}  // namespace

TEST(RunBounds, RoutinesWriteOnlyTheSamplesOfTheirRun) {
    using Knee = Mox_DSP_CompExp_Knee_Math;
    using Envelope = Mox_DSP_Compressor_AHR;
    using Delay = Mox_DSP_Delay_ST;
    using Input = Mox_DSP_OrvaMaster_Input;
    using Output = Mox_DSP_OrvaMaster_Output;
    using Final = Mox_DSP_OrvaMaster_Final;
    using AutoRelease = Mox_DSP_OrvaMaster_AutoRelease;
    const BoundsCase cases[] = {
        {"knee", [](TestOwner& o, float* in) { return With(Make<Knee>(o, in, 1), 1, -1); }, 1, 5},
        {"knee off", [](TestOwner& o, float* in) { return With(Make<Knee>(o, in, 1), 19, 0); }, 1, 5},
        {"envelope", [](TestOwner& o, float* in) { return With(Make<Envelope>(o, in, 5), 2, 1); }, 1, 5},
        {"envelope bypassed", [](TestOwner& o, float* in) { return With(Make<Envelope>(o, in, 5), 10, 1); }, 1, 5},
        {"delay mono", [](TestOwner& o, float* in) { return With(Make<Delay>(o, in, 1), 2, 1); }, 1, 5},
        {"delay stereo", [](TestOwner& o, float* in) { return With(Make<Delay>(o, in, 2), 2, 1); }, 2, 5},
        {"delay off", [](TestOwner& o, float* in) { return With(Make<Delay>(o, in, 2), 5, 0); }, 2, 5},
        {"input stereo", [](TestOwner& o, float* in) { return With(Make<Input>(o, in, 4), 4, 0); }, 2, 5},
        {"input mid/side", [](TestOwner& o, float* in) { return With(Make<Input>(o, in, 4), 4, 1); }, 5, 5},
        {"input sidechain", [](TestOwner& o, float* in) { return With(Make<Input>(o, in, 4), 4, 2); }, 2, 5},
        {"output stereo", [](TestOwner& o, float* in) { return With(Make<Output>(o, in, 6), 6, 0); }, 2, 5},
        {"output mid/side", [](TestOwner& o, float* in) { return With(Make<Output>(o, in, 6), 6, 1); }, 2, 5},
        {"output bypassed", [](TestOwner& o, float* in) { return With(Make<Output>(o, in, 6), 9, 1); }, 2, 5},
        {"final first", [](TestOwner& o, float* in) { return With(Make<Final>(o, in, 4), 4, 0); }, 2, 5},
        {"final second", [](TestOwner& o, float* in) { return With(Make<Final>(o, in, 4), 4, 1); }, 2, 5},
        {"auto release", [](TestOwner& o, float* in) { return With(Make<AutoRelease>(o, in, 2), 3, 10); }, 1, 0},
    };
    constexpr float kUntouched = 12345.0f;
    for (const BoundsCase& c : cases) {
        TestOwner owner(128, 48000);
        Buffer in(0.25f);
        Mox_ModuleBase* m = c.make(owner, in.data());
        if (c.start > 0) owner.RunChunk(c.start);  // events delivered, routine chosen
        for (int pin = 0; pin < c.outputs; ++pin) std::fill_n(m->outputs[pin], 132, kUntouched);
        owner.RunChunk(3);
        for (int pin = 0; pin < c.outputs; ++pin)
            for (int i = 0; i < 132; ++i) {
                const bool inRun = i >= c.start && i < c.start + 3;
                EXPECT_EQ(m->outputs[pin][i] != kUntouched, inRun) << c.name << " output " << pin << " at " << i;
            }
    }
}
