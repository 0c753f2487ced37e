// The stereo level stage (copy, multiply, square, silence and sleep) and the
// graph's fixed sources: constants as signals and events, the host input buffers,
// and the scaled control value with its on/off output.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "modules/convert/FixedValues.h"
#include "modules/convert/FloatToVolt.h"
#include "modules/convert/HostAudioIn.h"
#include "modules/convert/StLevel.h"
#include "tests/convert/ConvertTestSupport.h"

using namespace convert_test;

namespace {

float Left(uint32_t t) { return 0.5f * std::sin(0.01f * static_cast<float>(t)) + 0.05f; }
float Right(uint32_t t) { return 0.3f * std::cos(0.013f * static_cast<float>(t)); }

using Event = std::tuple<uint32_t, uint16_t, uint16_t, int32_t>;  // time, pin, state, integer

std::vector<Event> Events(const RecorderModule& r) {
    std::vector<Event> got;
    for (const auto& e : r.received) got.emplace_back(e.time, e.pin, e.state, e.intValue);
    return got;
}

// constants (0), left (1), right (2), gain source (3, optional), stereo level (4), recorder (5)
struct StereoRig {
    TestOwner owner{128, 48000};
    float gainNumber;                  // graph constant: 10 is a gain of 1.0
    uint32_t silentFrom = UINT32_MAX;  // both inputs are 0 from this time on
    Mox_DSP_ST_Level* st = new Mox_DSP_ST_Level(&owner, false);
    RecorderModule* recorder = new RecorderModule(&owner);

    // Without a gain wave the gain is the graph constant `number`.
    explicit StereoRig(float number, std::function<float(uint32_t)> gainWave = nullptr, uint16_t gainState = 1)
        : gainNumber(number) {
        auto* fixed = new Mox_DSP_FixedValueToVolt(&owner, false);
        fixed->SetInput(0, &gainNumber);
        auto* left = new SignalSource(&owner, [this](uint32_t t) { return t < silentFrom ? Left(t) : 0.0f; });
        auto* right = new SignalSource(&owner, [this](uint32_t t) { return t < silentFrom ? Right(t) : 0.0f; });
        Mox_ModuleBase* gain = gainWave ? new SignalSource(&owner, std::move(gainWave), gainState) : nullptr;
        Mox_ModuleBase* table[] = {fixed, left, right, gain, st, recorder};
        for (int i = 0; i < 6; ++i) owner.Place(i, table[i]);
        left->Connect(st, 4, 0, 0, 0, 0, 0);
        right->Connect(st, 4, 0, 1, 0, 0, 0);
        (gain ? gain : fixed)->Connect(st, 4, 0, 2, 0, 0, 0);
        st->Connect(recorder, 5, 0, 0, 0, 0, 0);
        st->Connect(recorder, 5, 1, 1, 0, 0, 0);
        OpenAll(owner);
    }
    // Runs n samples and checks out = in * factor(t) on both channels.
    void ExpectGain(int n, unsigned seed, const std::function<float(uint32_t)>& factor) {
        const auto out = RunWatching(owner, n, {{st, 0}, {st, 1}}, seed);
        for (uint32_t t = 0; t < static_cast<uint32_t>(n) && !::testing::Test::HasFailure(); ++t) {
            EXPECT_FLOAT_EQ(out[0][t], Left(t) * factor(t)) << t;
            EXPECT_FLOAT_EQ(out[1][t], Right(t) * factor(t)) << t;
        }
    }
};

}  // namespace

TEST(StereoLevel, UnityGainCopiesThenSilentInputsGiveZerosAnnouncedOnceAndSleep) {
    StereoRig rig(10.0f);
    rig.silentFrom = 300;
    rig.st->QueueEvent(300, 0, 0, 0, 0.0f, nullptr);  // both sources announce a constant 0
    rig.st->QueueEvent(300, 1, 0, 0, 0.0f, nullptr);
    rig.ExpectGain(300 + 3 * 128, 8, [](uint32_t t) { return t < 300 ? 1.0f : 0.0f; });
    EXPECT_EQ(Events(*rig.recorder), (std::vector<Event>{{0, 0, 1, 0}, {0, 1, 1, 0}, {300, 0, 0, 0}, {300, 1, 0, 0}}));
    EXPECT_TRUE(Asleep(rig.st));
    EXPECT_TRUE(BufferHolds(rig.st->outputs[0], 128, 0.0f));
    EXPECT_TRUE(BufferHolds(rig.st->outputs[1], 128, 0.0f));
}

TEST(StereoLevel, VaryingGainMultipliesEverySample) {
    auto gain = [](uint32_t t) { return 0.75f + 0.5f * std::sin(0.002f * static_cast<float>(t)); };
    StereoRig rig(10.0f, gain);
    rig.ExpectGain(600, 4, gain);
}

TEST(StereoLevel, ConstantGainIsReadAtItsAnnouncementAndSquaredHalfGivesAQuarter) {
    // A constant gain of 1.0 that becomes a constant 0.5 at sample 200, mid-chunk.
    StereoRig rig(0.0f, [](uint32_t t) { return t < 200 ? 1.0f : 0.5f; }, 0);
    rig.st->QueueEvent(200, 2, 0, 0, 0.0f, nullptr);  // what the gain source sends
    rig.st->QueueEvent(350, 3, 0, 1, 1.0f, nullptr);  // square from here on
    rig.ExpectGain(500, 0, [](uint32_t t) { return t < 200 ? 1.0f : t < 350 ? 0.5f : 0.25f; });
}

namespace {

// Constants on pins 0, 3 and 5 are announced at Open as constant signals with
// (int)number and number * 0.1; the module then sleeps for good.
template <typename Fixed>
void AnnouncesConstants(bool withBuffers) {
    TestOwner owner(128, 48000);
    float numbers[] = {10.0f, -25.0f, -7.9f};
    const float volts[] = {1.0f, -2.5f, -0.79f};
    const uint16_t pins[] = {0, 3, 5};
    auto* fixed = new Fixed(&owner, false);
    auto* recorder = new RecorderModule(&owner);
    owner.Place(0, fixed);
    owner.Place(1, recorder);
    for (int k = 0; k < 3; ++k) fixed->SetInput(pins[k], &numbers[k]);
    for (int k = 0; k < 3; ++k) {
        fixed->Connect(recorder, 1, pins[k], pins[k], 0, 0, 0);
        const float* buffer = fixed->outputs[pins[k]];
        ASSERT_EQ(buffer != nullptr, withBuffers);
        for (int i = 0; withBuffers && i < 128 + 4; ++i) ASSERT_FLOAT_EQ(buffer[i], volts[k]) << i;
    }
    for (uint16_t pin : {1, 2, 4, 6}) EXPECT_EQ(fixed->outputs[pin], nullptr);

    OpenAll(owner);
    RunOne(owner, recorder, 256);
    // Integers truncated toward zero.
    EXPECT_EQ(Events(*recorder), (std::vector<Event>{{0, 0, 0, 10}, {0, 3, 0, -25}, {0, 5, 0, -7}}));
    for (size_t k = 0; k < 3 && k < recorder->received.size(); ++k)
        EXPECT_FLOAT_EQ(recorder->received[k].floatValue, volts[k]);
    EXPECT_TRUE(Asleep(fixed));
}

}  // namespace

TEST(FixedValues, ConstantsFillEveryBufferSampleAndAreAnnouncedOnce) {
    AnnouncesConstants<Mox_DSP_FixedValueToVolt>(true);
    AnnouncesConstants<Mox_DSP_FixedValueToINT_FLOAT>(false);  // the same events, no buffers
}

TEST(HostAudioIn, RegistersFourBuffersAnnouncesThemAsVaryingAndUnregistersOnDestruction) {
    TestOwner owner(128, 48000);
    auto* in = new Mox_DSP_Host_AudioIn(&owner, false);
    auto* recorder = new RecorderModule(&owner);
    owner.Place(0, in);
    owner.Place(1, recorder);
    for (int pin = 0; pin < 4; ++pin) {
        ASSERT_NE(in->outputs[pin], nullptr);
        EXPECT_EQ(owner.hostInputs[pin], in->outputs[pin]);
        EXPECT_TRUE(BufferHolds(in->outputs[pin], 128 + 4, 0.0f));
        in->Connect(recorder, 1, pin, pin, 0, 0, 0);
    }
    OpenAll(owner);
    RunOne(owner, recorder, 128);
    EXPECT_EQ(Events(*recorder), (std::vector<Event>{{0, 0, 1, 0}, {0, 1, 1, 0}, {0, 2, 1, 0}, {0, 3, 1, 0}}));
    EXPECT_TRUE(Asleep(in));
    owner.Place(0, nullptr);  // destroys the module
    for (float* p : owner.hostInputs) EXPECT_EQ(p, nullptr);
}

TEST(FloatToVolt, ScaledOffsetValueAsConstantSignalWithOnOffEvents) {
    TestOwner owner(128, 48000);
    auto* f = new Mox_DSP_Float_to_Volt(&owner, false);
    auto* recorder = new RecorderModule(&owner);
    owner.Place(0, f);
    owner.Place(1, recorder);
    f->Connect(recorder, 1, 0, 0, 0, 0, 0);
    f->Connect(recorder, 1, 1, 1, 0, 0, 0);
    OpenAll(owner);
    const std::tuple<uint32_t, uint16_t, float> changes[] = {
        {10, 0, 0.5f},     // x = 0.5: 0.5, on
        {130, 9, 0.2f},    // scale 2: 1.0
        {140, 10, 0.05f},  // offset 0.5: 1.5
        {300, 0, 0.0f},    // x = 0: the offset alone, 0.5, still on
        {310, 10, 0.0f}};  // offset 0: 0, off
    for (auto [time, pin, v] : changes) f->QueueEvent(time, pin, 0, IntegerForm(v), v, nullptr);
    const auto out = RunOne(owner, f, 600, 2);
    std::vector<float> held, announced;
    for (uint32_t t : {9, 10, 130, 140, 300, 310, 599}) held.push_back(out[t]);
    std::vector<Event> onOff;
    for (const auto& e : recorder->received) {
        if (e.pin == 0) announced.push_back(e.floatValue);
        if (e.pin == 1) onOff.emplace_back(e.time, e.pin, e.state, e.intValue);
    }
    EXPECT_EQ(held, (std::vector<float>{0.0f, 0.5f, 1.0f, 1.5f, 0.5f, 0.0f, 0.0f}));
    EXPECT_EQ(announced, (std::vector<float>{0.0f, 0.5f, 1.0f, 1.5f, 0.5f, 0.0f}));
    EXPECT_EQ(onOff, (std::vector<Event>{{10, 1, 0, 1}, {310, 1, 0, 0}}));
    EXPECT_TRUE(Asleep(f));
}
