// The display feeder driven through its pins as the graph drives the bar-meter
// feeder and the needle feeder, with every post recorded with its chunk's time.
#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "modules/analysis/WaveFreqDisplay.h"
#include "tests/analysis/AnalysisTestSupport.h"
#include "tests/support/TestEffect.h"

using namespace analysis_test;

namespace {

constexpr uint16_t kMetersOn = 9, kType = 11, kWindow = 12, kPair = 13, kMode = 14, kScope1 = 15;

struct Sent {
    uint32_t time;
    int32_t tag;
    DisplayMessage m;
    float four[4];  // code 2: the channels as they were when posted
};

class PostingOwner : public TestOwner {
public:
    using TestOwner::TestOwner;
    void PostToEditor(int32_t tag, const DisplayMessage* m) override {
        Sent s{runningTime, tag, *m, {}};
        if (m->code == 2) std::copy_n(static_cast<const float*>(m->data), 4, s.four);
        sent.push_back(s);
    }
    std::vector<Sent> sent;
};

// Source k is a square wave of amplitude 0.1 * (k + 1) unless a test sets waves[k].
class Feeder : public ::testing::Test {
protected:
    void Start(bool needles = false, int rate = 48000, int block = 128) {
        owner = std::make_unique<PostingOwner>(block, rate);
        owner->displayOpen = true;
        feeder = new Mox_DSP_Wave_Freq_Display(owner.get(), false);
        for (int k = 0; k < 6; ++k) {
            auto* s = new Source(owner.get(), [this, k](uint32_t t) { return waves[k](t); });
            owner->Place(k, s);
            s->Connect(feeder, 6, 0, static_cast<uint16_t>(k), 0, 0, 0);
        }
        owner->Place(6, feeder);
        const int16_t bar[10] = {74, 76, 77, 78, 79, 0, 0, 0, 0, 75}, needle[10] = {0, 84, 85, 86, 87};
        for (uint16_t i = 0; i < 10; ++i) feeder->SetSetting(i, needles ? needle[i] : bar[i]);
        OpenAll(*owner);
        if (needles) Setting(feeder, 0, kMetersOn, 0);
        Setting(feeder, 0, kMode, needles ? 6 : 2);
    }
    void Run(int total) {
        for (int n; total > 0; total -= n) {
            n = std::min(total, owner->internalBlockSize - owner->chunkOffset);
            owner->RunChunk(n);
        }
    }
    std::vector<Sent> To(int32_t tag, int32_t code) const {
        std::vector<Sent> r;
        for (const Sent& s : owner->sent)
            if (s.tag == tag && s.m.code == code) r.push_back(s);
        return r;
    }
    float Last(int32_t tag, int32_t code) const { return To(tag, code).back().m.value; }
    int Period() const { return static_cast<int>(owner->sampleRateInt * 0.01f * 1.67f); }

    std::function<float(uint32_t)> waves[6];
    std::unique_ptr<PostingOwner> owner;
    Mox_DSP_Wave_Freq_Display* feeder = nullptr;

public:
    Feeder() {
        for (int k = 0; k < 6; ++k) waves[k] = [k](uint32_t t) { return (t % 50 < 25 ? 0.1f : -0.1f) * (k + 1); };
    }
};

}  // namespace

TEST_F(Feeder, NothingWhileTheEditorIsClosedAndASetWithinOnePeriodOfOpening) {
    Start();
    owner->displayOpen = false;
    Setting(feeder, 10, kType, 2);
    Run(48000);
    EXPECT_TRUE(owner->sent.empty());
    EXPECT_TRUE(Asleep(feeder));  // costs nothing per chunk
    owner->displayOpen = true;
    const uint32_t opened = owner->runningTime;
    Run(Period() + 128);
    for (int32_t tag : {76, 77, 78, 79}) {
        ASSERT_FALSE(To(tag, tag < 78 ? 0 : 1).empty()) << tag;
        EXPECT_LE(To(tag, tag < 78 ? 0 : 1).front().time, opened + 128u);
        ASSERT_EQ(To(tag, 110).size(), 1u);  // the type set while closed, now delivered
        EXPECT_EQ(To(tag, 110)[0].m.aux, 2);
    }
    EXPECT_EQ(To(75, 104).size(), 1u);
    ASSERT_FALSE(To(74, 2).empty());
    owner->displayOpen = false;
    owner->sent.clear();
    Run(10000);
    EXPECT_TRUE(owner->sent.empty());
}

// Closed and opened again between two chunks: the feeder never saw it closed, yet
// what it measured before the open (a full-scale burst) is not sent after it.
TEST_F(Feeder, AReopenBetweenTwoChunksDropsWhatWasMeasuredBefore) {
    Start();
    waves[0] = [](uint32_t) { return 1.0f; };
    Run(128);
    while (To(76, 0).size() < 2) Run(128);
    owner->sent.clear();
    Run(256);  // into the next period: the burst is measured, not yet sent
    ASSERT_TRUE(owner->sent.empty());
    waves[0] = [](uint32_t) { return 0.01f; };
    ++owner->displaySession;
    Run(Period() + 256);
    ASSERT_FALSE(To(76, 0).empty());
    for (const Sent& s : To(76, 0)) EXPECT_FLOAT_EQ(s.m.value, 0.01f) << s.time;
    for (const Sent& s : To(74, 2)) EXPECT_FLOAT_EQ(s.four[0], 0.01f) << s.time;
    EXPECT_EQ(To(76, 110).size(), 0u) << "no type chosen yet";
}

// A capture finished just before a close and reopen that fell between two chunks
// may already be in the new editor's hands: the feeder offers it again and never
// rewrites it while its ready flag is up.
TEST_F(Feeder, AReopenNeverRewritesAFinishedCaptureUnderItsReader) {
    waves[0] = [](uint32_t t) { return static_cast<float>(t % 4096) / 4096.0f; };
    Start();
    Setting(feeder, 0, kMode, 3);
    Run(1100);
    ASSERT_EQ(To(74, 3).size(), 1u);
    const DisplayCapture* c = feeder->captureBuffer();
    std::vector<float> seen(c->samples, c->samples + DisplayCapture::kSamples);
    ++owner->displaySession;  // the editor reading it is the new one
    Run(3000);
    EXPECT_EQ(c->ready.load(), 3.0f);
    EXPECT_TRUE(std::equal(seen.begin(), seen.end(), c->samples));
    ASSERT_EQ(To(74, 3).size(), 2u);  // offered again to the new editor
    EXPECT_EQ(To(74, 3)[1].m.data, c);
}

class SendRate : public Feeder, public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(SendRate, OneSetPerSendPeriodTestedOncePerChunk) {
    const auto [rate, block] = GetParam();
    Start(false, rate, block);
    Run(rate / 2);
    const auto peaks = To(76, 0);
    ASSERT_GE(peaks.size(), 2u);
    for (size_t i = 1; i < peaks.size(); ++i) {
        const int gap = static_cast<int>(peaks[i].time - peaks[i - 1].time);
        EXPECT_GT(gap, Period()) << i;
        EXPECT_LE(gap, Period() + 2 * block) << i;
    }
    // Every set carries all four levels and the scope's channels.
    for (int32_t tag : {77, 78, 79, 74}) EXPECT_EQ(To(tag, tag == 74 ? 2 : tag < 78 ? 0 : 1).size(), peaks.size());
}

INSTANTIATE_TEST_SUITE_P(RatesAndBlocks, SendRate,
                         ::testing::Values(std::tuple{8000, 1}, std::tuple{8000, 128}, std::tuple{44100, 128},
                                           std::tuple{48000, 7}, std::tuple{96000, 100}, std::tuple{384000, 128}));

TEST_F(Feeder, PeakDisplaySelectsTheHostInputOrTheOutput) {
    Start();
    Setting(feeder, 0, kPair, 0);  // "Input"
    Run(24000);
    EXPECT_FLOAT_EQ(Last(76, 0), 0.3f);
    EXPECT_FLOAT_EQ(Last(77, 0), 0.4f);
    // A square wave's RMS over half the window reads sqrt 2 times its amplitude.
    EXPECT_NEAR(Last(78, 1), 0.3f * std::sqrt(2.0f), 1e-4f);
    EXPECT_NEAR(Last(79, 1), 0.4f * std::sqrt(2.0f), 1e-4f);
    Setting(feeder, owner->runningTime, kPair, 2);  // "Output"
    Run(24000);
    EXPECT_FLOAT_EQ(Last(76, 0), 0.1f);
    EXPECT_NEAR(Last(79, 1), 0.2f * std::sqrt(2.0f), 1e-4f);
}

class ScopeSource : public Feeder, public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(ScopeSource, EachSelectorSetsOnlyItsOwnChannel) {
    const auto [channel, source] = GetParam();
    Start();
    Setting(feeder, 0, static_cast<uint16_t>(kScope1 + channel), source);
    Setting(feeder, 0, static_cast<uint16_t>(kScope1 + channel), 6);  // out of range: ignored
    Run(4000);
    const Sent last = To(74, 2).back();
    for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(last.four[c], 0.1f * ((c == channel ? source : c) + 1)) << c;
}

INSTANTIATE_TEST_SUITE_P(AllChannelsAllSources, ScopeSource,
                         ::testing::Combine(::testing::Range(0, 4), ::testing::Range(0, 6)));

TEST_F(Feeder, ANewDetectorTimeRestartsTheRmsFromSilence) {
    waves[0] = [](uint32_t t) { return static_cast<float>(std::sin(2 * kPi * t / 48.0)); };
    Start();
    Setting(feeder, 0, kPair, 1);
    Run(24000);
    EXPECT_NEAR(Last(78, 1), 1.0f, 0.01f);  // a full-scale sine reads its peak
    const size_t before = To(78, 1).size();
    Value(feeder, owner->runningTime, kWindow, 5.0f);  // 50 ms: 2400 samples
    Run(4800);
    const auto after = To(78, 1);
    EXPECT_EQ(feeder->rmsWindowLength(), 2400);
    EXPECT_LT(after[before].m.value, 0.75f);  // at most 1152 of 2400 samples in the window
    for (size_t i = before + 1; i < after.size() && after[i].time < after[before].time + 1800; ++i)
        EXPECT_GT(after[i].m.value, after[i - 1].m.value);
    EXPECT_NEAR(after.back().m.value, 1.0f, 0.01f);
}

class HeldWindow : public Feeder, public ::testing::WithParamInterface<float> {};

TEST_P(HeldWindow, IsAtLeastTwoSamplesAndFitsTheRings) {
    Start();
    const int32_t capacity = feeder->ringCapacity();
    EXPECT_EQ(capacity, 24001);  // 500 ms and one sample, allocated at Open
    Value(feeder, 0, kWindow, GetParam());
    Run(30000);
    EXPECT_EQ(feeder->ringCapacity(), capacity);
    EXPECT_EQ(feeder->rmsWindowLength(), GetParam() > 1.0f ? capacity : 2);
    EXPECT_TRUE(std::isfinite(Last(79, 1)));
    EXPECT_GT(Last(79, 1), 0.2f);
}

INSTANTIATE_TEST_SUITE_P(BadWindows, HeldWindow,
                         ::testing::Values(0.0f, 1.0f / 480.0f, -3.0f, NAN, INFINITY, 1e30f, 100.0f));

TEST_F(Feeder, MeterTypeReachesMetersAndScaleAtOnce) {
    Start();
    Run(2000);
    const uint32_t at = owner->runningTime + 5;
    Setting(feeder, at, kType, 3);
    Run(128);
    for (int32_t tag : {76, 77, 78, 79, 75}) {
        const auto got = To(tag, tag == 75 ? 104 : 110);
        ASSERT_EQ(got.size(), 1u) << tag;
        EXPECT_EQ(got[0].m.aux, 3);
        EXPECT_EQ(got[0].time, at - 5);
    }
    EXPECT_TRUE(To(74, 104).empty());
}

TEST_F(Feeder, TheNeedleFeederSendsTheFourChannelPeaksOnly) {
    Start(true);
    Run(24000);
    for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(Last(84 + c, 0), 0.1f * (c + 1));
    for (const Sent& s : owner->sent) EXPECT_TRUE(s.tag >= 84 && s.tag <= 87 && s.m.code == 0) << s.tag;
}

class Capture : public Feeder, public ::testing::WithParamInterface<int> {};

TEST_P(Capture, WaveAndTriggeredCapturesAreHandedOverByTheReadyFlag) {
    waves[0] = [](uint32_t t) { return static_cast<float>(std::sin(2 * kPi * (t + 30.0) / 100.0)); };
    waves[1] = [](uint32_t t) { return static_cast<float>(t); };
    Start(false, 48000, GetParam());
    Setting(feeder, 0, kPair, 1);
    Setting(feeder, 0, kMode, 3);
    Run(1100);
    ASSERT_EQ(To(74, 3).size(), 1u);
    const DisplayCapture* c = feeder->captureBuffer();
    EXPECT_EQ(To(74, 3)[0].m.data, c);
    EXPECT_EQ(c->ready.load(), 3.0f);
    for (int i = 0; i < 1024; ++i) ASSERT_FLOAT_EQ(c->samples[i], waves[0](static_cast<uint32_t>(i))) << i;
    Run(3000);
    EXPECT_EQ(To(74, 3).size(), 1u);  // held until the editor gives it back

    Setting(feeder, owner->runningTime, kMode, 5);
    const_cast<DisplayCapture*>(c)->ready.store(0.0f);
    Run(1000);
    ASSERT_EQ(To(74, 5).size(), 1u);
    EXPECT_EQ(c->ready.load(), 5.0f);
    // A from a rising zero crossing; B from the same sample on, in the second half.
    const uint32_t t0 = static_cast<uint32_t>(c->samples[512]);
    EXPECT_LT(waves[0](t0 - 1), 0.0f);
    for (int i = 0; i < 512; ++i) {
        ASSERT_FLOAT_EQ(c->samples[i], waves[0](t0 + i)) << i;
        ASSERT_EQ(c->samples[512 + i], static_cast<float>(t0 + i)) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Blocks, Capture, ::testing::Values(1, 37, 128));

class BadSamples : public Feeder, public ::testing::WithParamInterface<std::tuple<float, int, int>> {};

TEST_P(BadSamples, PostNothingButFiniteValuesAndLeaveNoTrace) {
    const auto [bad, mode, block] = GetParam();
    bool clean = false;
    for (auto& w : waves) w = [&clean, bad](uint32_t t) { return clean ? (t % 2 ? 0.5f : -0.5f) : bad; };
    Start(mode == 6, 8000, block);
    Setting(feeder, 0, kMode, mode);
    Run(8000);
    clean = true;
    Run(8000);
    for (const Sent& s : owner->sent) {
        EXPECT_TRUE(std::isfinite(s.m.value)) << s.tag;
        for (float v : s.four) EXPECT_TRUE(std::isfinite(v)) << s.tag;
    }
    for (float v : feeder->captureBuffer()->samples) ASSERT_TRUE(std::isfinite(v));
    const int32_t tag = mode == 6 ? 84 : 79;
    EXPECT_NEAR(Last(tag, mode == 6 ? 0 : 1), mode == 6 ? 0.5f : 0.5f * std::sqrt(2.0f), 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(NanInfHugeDenormal, BadSamples,
                         ::testing::Combine(::testing::Values(NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 1e-40f),
                                            ::testing::Values(2, 3, 5, 6), ::testing::Values(1, 128)));

// The plug-in's own graph: both feeders post through the effect's mailbox, only
// while it is open, finite whatever the host sends, at any rate and block size.
class EffectFeeders : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(EffectFeeders, PostThroughTheMailboxOnlyWhileItIsOpen) {
    const auto [rate, block] = GetParam();
    TestEffect e;
    e.setSampleRate(static_cast<float>(rate));
    e.setBlockSize(block);
    e.resume();
    DisplayMailbox& box = e.displayMailbox();
    std::vector<float> l(static_cast<size_t>(block)), r(l), ol(l), orr(l);
    auto play = [&](int frames, float (*wave)(int)) {
        for (int done = 0; done < frames; done += block) {
            for (int i = 0; i < block; ++i) l[static_cast<size_t>(i)] = r[static_cast<size_t>(i)] = wave(done + i);
            e.Process(l, r, ol, orr);
        }
    };
    auto square = [](int i) { return i % 2 ? 0.5f : -0.5f; };
    DisplayMailbox::LevelReading level{};
    DisplayMailbox::QueuedReading queued{};
    DisplayMailbox::TypeReading type{};
    play(rate / 10, square);
    for (int tag = 74; tag <= 87; ++tag) EXPECT_FALSE(box.TakeLevel(tag, level)) << tag;
    EXPECT_FALSE(box.TakeQueued(queued));

    box.SetOpen(true);
    e.setParameter(29, 1.0f);  // Meter Type K20
    play(rate / 10, square);
    for (int tag : {76, 77, 78, 79, 84, 85, 87}) EXPECT_TRUE(box.TakeLevel(tag, level)) << tag;
    ASSERT_TRUE(box.TakeLevel(86, level));
    EXPECT_FLOAT_EQ(level.maximum, 0.5f);  // the left input needle
    // The scope's messages, each a point; and the dynamics for the curve window.
    int points = 0, dynamics = 0;
    while (box.TakeQueued(queued)) {
        if (queued.code == 2) {
            ++points;
            EXPECT_EQ(queued.index, 74);
            EXPECT_FLOAT_EQ(queued.values[2], 0.5f);  // scope channel 3: Input L
        } else {
            ++dynamics;
            EXPECT_EQ(queued.index, 72);
            EXPECT_EQ(queued.code, 6);
        }
    }
    EXPECT_GE(points, 1);
    EXPECT_EQ(dynamics, points);
    ASSERT_TRUE(box.TakeType(78, type));
    EXPECT_EQ(type.aux, 3);
    ASSERT_TRUE(box.TakeType(75, type));
    EXPECT_EQ(type.code, 104);

    play(rate / 10, [](int i) { return (i % 4 == 0 ? NAN : i % 4 == 1 ? INFINITY : i % 4 == 2 ? 1e30f : 1e-40f); });
    play(rate / 2, [](int) { return 0.0f; });
    for (int tag = 74; tag <= 87; ++tag) {
        if (box.TakeLevel(tag, level)) {
            EXPECT_TRUE(std::isfinite(level.latest) && std::isfinite(level.maximum)) << tag;
        }
    }
    while (box.TakeQueued(queued))
        for (float v : queued.values) EXPECT_TRUE(std::isfinite(v)) << queued.code;
    play(rate / 10, [](int) { return 0.0f; });
    ASSERT_TRUE(box.TakeLevel(86, level));
    EXPECT_EQ(level.maximum, 0.0f);  // at rest in silence
}

INSTANTIATE_TEST_SUITE_P(RatesAndHostBlocks, EffectFeeders,
                         ::testing::Values(std::tuple{44100, 1}, std::tuple{8000, 128}, std::tuple{48000, 8192},
                                           std::tuple{384000, 8192}));
