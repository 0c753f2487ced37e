// The meters, the dB scale and the scope as the walk builds them from the control
// table, fed through the effect's display mailbox as the display-data modules feed
// it, and ticked by the editor: dB conversion and the halved scale, hold and fall
// in ticks, the peak-hold marker, overload lamps and read-outs through links, the
// K-scale offsets, needles, the scale image following the meter type, fades and
// animations, the scope's lanes and their scrolling, captures, and that only the
// views that changed are redrawn.
#include "tests/editor/EditorTestSupport.h"

#include "editor/controls/AnimButton.h"
#include "editor/displays/Image.h"
#include "editor/displays/WaveFreqWindow.h"
#include "editor/displays/dBMeter.h"
#include "host/DisplayMailbox.h"
#include "modules/framework/ModuleOwner.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

#include <cmath>
#include <memory>
#include <tuple>
#include <vector>

using namespace VSTGUI;
using namespace editor_test;

namespace {

constexpr int32_t kPeakL = 76, kPeakR = 77, kRmsL = 78, kScale = 75, kScope = 74;
constexpr int32_t kNeedleOutL = 84, kNeedleInL = 86;
constexpr int32_t kPeakLampL = 80, kNeedleLampL = 88;

float FromDb(float db) { return std::pow(10.0f, db / 20.0f); }

// A view that keeps the link messages it is sent.
class Probe : public CView {
public:
    Probe() : CView(CRect(0, 0, 1, 1)) {}
    CMessageResult notifyRecord(CBaseObject*, const CNotifyRecord& record) override {
        if (record.kind != CNotifyRecord::kLink) return kMessageUnknown;
        received.push_back(static_cast<const LinkMessage&>(record).value);
        return kMessageNotified;
    }
    std::vector<float> received;
};

class Displays : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(editor.openOffscreen());
        editor.runTicks(100);  // knobs and panels at rest
        editor.getFrame()->updateDirty();
    }
    void post(int32_t tag, int32_t code, float value, int32_t aux = 0, const void* data = nullptr) {
        DisplayMessage m{};
        m.data = data;
        m.code = code;
        m.value = value;
        m.aux = aux;
        ASSERT_TRUE(effect.displayMailbox().Post(tag, m));
    }
    void postScope(float a, float b, float c, float d) {
        const float four[4] = {a, b, c, d};
        post(kScope, 2, 0.0f, 0, four);
    }
    // One tick after a level reached tag.
    void level(int32_t tag, float value, int32_t code = 0) {
        post(tag, code, value);
        editor.runTicks(1);
    }
    Mox_GUI_dBMeter& meter(int32_t tag) {
        auto* m = dynamic_cast<Mox_GUI_dBMeter*>(editor.slot(tag));
        EXPECT_NE(m, nullptr) << tag;
        return *m;
    }
    Mox_GUI_Wave_Freq_Display& scope() { return *dynamic_cast<Mox_GUI_Wave_Freq_Display*>(editor.slot(kScope)); }
    Mox_GUI_Image& scale() { return *dynamic_cast<Mox_GUI_Image*>(editor.slot(kScale)); }

    TestEffect effect;
    Mox_GUI_Editor& editor = EditorOf(effect);
};

TEST_F(Displays, TheWalkBuildsMetersNeedlesTheScaleAndTheScopeWithTheirGeometry) {
    for (int32_t tag : {76, 77, 78, 79}) {
        Mox_GUI_dBMeter& bar = meter(tag);
        EXPECT_FALSE(bar.isNeedle());
        EXPECT_EQ(bar.getViewSize().height(), 180);
        EXPECT_EQ(bar.peakShownDb(), -50.0f);
        EXPECT_EQ(bar.unlitPixels(), 180);  // at rest: all unlit
    }
    for (int32_t tag : {84, 85, 86, 87}) {
        EXPECT_TRUE(meter(tag).isNeedle());
        EXPECT_FLOAT_EQ(meter(tag).needleDegrees(), -65.0f);
        EXPECT_EQ(meter(tag).linked(0), editor.slot(tag % 2 == 0 ? 88 : 89));
    }
    // Table links: the peak bars to their lamps and read-outs.
    EXPECT_EQ(meter(kPeakL).linked(0), editor.slot(80));
    EXPECT_EQ(meter(kPeakL).linked(1), editor.slot(82));
    EXPECT_EQ(meter(kPeakR).linked(0), editor.slot(81));
    EXPECT_EQ(meter(kPeakR).linked(1), editor.slot(83));
    EXPECT_EQ(meter(kRmsL).linked(0), nullptr);
    ASSERT_NE(dynamic_cast<Mox_GUI_Image*>(editor.slot(kScale)), nullptr);
    EXPECT_EQ(scale().getViewSize().height(), 200);
    EXPECT_TRUE(scale().isVisible());
    ASSERT_NE(dynamic_cast<Mox_GUI_Wave_Freq_Display*>(editor.slot(kScope)), nullptr);
    EXPECT_EQ(scope().getViewSize(), CRect(698, 8, 698 + 384, 8 + 133));
    EXPECT_EQ(scope().lanePoints(), 385 - 3 * 23);
    EXPECT_EQ(scope().laneShift(), 23);
    EXPECT_FLOAT_EQ(scope().laneScale(), 90 * 0.02f);
    EXPECT_EQ(scope().baseline(0), 8 + 90);
    EXPECT_EQ(scope().baseline(3), 8 + 132);
}

// A level, the dB the bars show after one tick, the unlit pixels above it.
class BarLevel : public Displays, public ::testing::WithParamInterface<std::tuple<float, float>> {};

TEST_P(BarLevel, ShowsTheHalvedScaleBelowMinus30AndTheFloor) {
    const auto [linear, shown] = GetParam();
    level(kPeakL, linear);
    EXPECT_NEAR(meter(kPeakL).peakShownDb(), shown, 1e-3);
    EXPECT_NEAR(meter(kPeakL).unlitPixels(), int(shown * -3.6f), 1);
    EXPECT_NEAR(Mox_GUI_dBMeter::ScaleDb(linear, -50.0f), shown, 1e-3);
}
INSTANTIATE_TEST_SUITE_P(Levels, BarLevel,
                         ::testing::Values(std::make_tuple(1.0f, 0.0f), std::make_tuple(4.0f, 0.0f),
                                           std::make_tuple(FromDb(-12.0f), -12.0f),
                                           std::make_tuple(FromDb(-30.0f), -30.0f),
                                           std::make_tuple(FromDb(-40.0f), -35.0f),
                                           std::make_tuple(FromDb(-70.0f), -50.0f),  // the floor
                                           std::make_tuple(FromDb(-100.0f), -50.0f),
                                           std::make_tuple(0.0f, -50.0f), std::make_tuple(-1.0f, -50.0f)));

TEST_F(Displays, SilenceFallsToTheFloorAndStaysWithoutNaN) {
    level(kPeakL, 1.0f);
    for (int i = 0; i < 200; ++i) level(kPeakL, 0.0f);
    EXPECT_EQ(meter(kPeakL).peakShownDb(), -50.0f);
    EXPECT_EQ(meter(kPeakL).unlitPixels(), 180);
    // Whatever arrives, nothing but finite values is shown.
    for (float bad : {NAN, INFINITY, -INFINITY, 1e30f, 1e-40f}) {
        DisplayRecord r;
        r.code = 0;
        r.value = bad;
        r.posts = 1;
        OnEditorThread([&] { meter(kPeakL).notifyRecord(nullptr, r); });
        editor.runTicks(1);
        EXPECT_TRUE(std::isfinite(meter(kPeakL).peakShownDb())) << bad;
        EXPECT_GE(meter(kPeakL).peakShownDb(), -50.0f);
        EXPECT_LE(meter(kPeakL).peakShownDb(), 0.0f);
    }
}

// A host that stops processing (suspended, or simply no more blocks): the bars and
// needles fall as in silence, after kQuietTicks without data or at once at the
// suspend, while the hold marker and the lamp run out as usual.
class StoppedHost : public Displays, public ::testing::WithParamInterface<bool> {};

TEST_P(StoppedHost, MetersFallAsInSilence) {
    const bool suspended = GetParam();
    post(kPeakL, 0, FromDb(-6.0f));
    post(kNeedleOutL, 0, 2.0f);
    editor.runTicks(1);
    ASSERT_NEAR(meter(kPeakL).peakShownDb(), -6.0f, 1e-3);
    editor.runTicks(3);  // a new peak holds for three ticks
    if (suspended) {
        effect.suspend();
    } else {
        editor.runTicks(Mox_GUI_Editor::kQuietTicks - 5);
        EXPECT_NEAR(meter(kPeakL).peakShownDb(), -6.0f, 1e-3) << "held while data may still come";
    }
    editor.runTicks(2);
    EXPECT_LT(meter(kPeakL).peakShownDb(), -6.0f);
    EXPECT_NEAR(meter(kPeakL).peakHoldDb(), -6.0f, 1e-3) << "the marker runs out as usual";
    EXPECT_EQ(ValueOf(editor, kNeedleLampL), 1.0f) << "lit for its 70 ticks";
    editor.runTicks(70);
    EXPECT_EQ(meter(kPeakL).peakShownDb(), -50.0f);
    EXPECT_EQ(meter(kNeedleOutL).peakShownDb(), -50.0f);
    EXPECT_FLOAT_EQ(meter(kNeedleOutL).needleDegrees(), -65.0f);
    EXPECT_EQ(ValueOf(editor, kNeedleLampL), 0.0f);
    // Data again: the meters follow it as before.
    level(kPeakL, FromDb(-12.0f));
    EXPECT_NEAR(meter(kPeakL).peakShownDb(), -12.0f, 1e-3);
}
INSTANTIATE_TEST_SUITE_P(SuspendedOrQuiet, StoppedHost, ::testing::Bool());

// The editor closed during a +6 dBFS burst with K20 chosen, then reopened, with
// or without -60 dBFS played in between: at once the meters and the scale show
// K20 and the read-outs their floor; nothing from before the open is shown (no
// lamp, no needle LED, no read-out of the burst, no spike in the scope).
class Reopened : public ::testing::TestWithParam<bool> {
protected:
    void Play(float amplitude, int frames) {
        std::vector<float> l(512), r(512), ol(512), orr(512);
        for (int done = 0; done < frames; done += 512) {
            for (int i = 0; i < 512; ++i) l[size_t(i)] = r[size_t(i)] = (i % 48 < 24 ? amplitude : -amplitude);
            effect.Process(l, r, ol, orr);
        }
    }
    TestEffect effect;
    Mox_GUI_Editor& editor = EditorOf(effect);
};

TEST_P(Reopened, ShowsThePresentTypeAndNothingPostedBeforeTheOpen) {
    const bool audioWhileClosed = GetParam();
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(512);
    effect.resume();
    ASSERT_TRUE(editor.openOffscreen());
    effect.setParameter(29, 1.0f);  // "K20"
    effect.setParameter(42, 0.0f);  // the bars show the input
    Play(0.1f, 4800);
    editor.runTicks(8);
    Play(2.0f, 4800);  // +6 dBFS, posted but never ticked
    editor.close();
    if (audioWhileClosed) Play(0.001f, 3 * 48000);
    ASSERT_TRUE(editor.openOffscreen());
    for (int32_t tag : {76, 77, 78, 79})
        EXPECT_EQ(dynamic_cast<Mox_GUI_dBMeter&>(*editor.slot(tag)).meterType(), 3) << tag;
    EXPECT_EQ(dynamic_cast<Mox_GUI_Image&>(*editor.slot(75)).frame(), 3);
    EXPECT_FLOAT_EQ(ValueOf(editor, 82), -99.9f);
    EXPECT_FLOAT_EQ(ValueOf(editor, 83), -99.9f);
    editor.runTicks(3);
    for (int32_t lamp : {80, 81, 88, 89}) EXPECT_EQ(ValueOf(editor, lamp), 0.0f) << lamp;
    EXPECT_EQ(dynamic_cast<Mox_GUI_dBMeter&>(*editor.slot(84)).peakShownDb(), -50.0f);
    auto& lanes = dynamic_cast<Mox_GUI_Wave_Freq_Display&>(*editor.slot(74));
    for (int k = 0; k < 4; ++k)
        for (int32_t j = 0; j < lanes.lanePoints(); ++j) ASSERT_EQ(lanes.laneHeight(k, j), 0) << k << " " << j;
    // What is played now is shown, with the K20 offset on the read-out.
    Play(0.001f, 4800);
    editor.runTicks(3);
    EXPECT_NEAR(ValueOf(editor, 82), -60.0f + 20.0f, 0.1f);
    EXPECT_EQ(dynamic_cast<Mox_GUI_dBMeter&>(*editor.slot(86)).peakShownDb(), -45.0f);  // -60 halved below -30
}
INSTANTIATE_TEST_SUITE_P(WithAndWithoutAudioBetween, Reopened, ::testing::Bool());

TEST_F(Displays, APeakHoldsThreeTicksThenFallsWithAGrowingStep) {
    level(kPeakL, 1.0f);  // the tick of the new maximum
    EXPECT_EQ(meter(kPeakL).peakShownDb(), 0.0f);
    level(kPeakL, 0.0f);
    level(kPeakL, 0.0f);
    EXPECT_EQ(meter(kPeakL).peakShownDb(), 0.0f);  // held through the next two ticks
    float expected = 0.0f, fall = 0.0f;
    for (int k = 1; k <= 20; ++k) {
        level(kPeakL, 0.0f);
        fall += 0.05f;
        expected -= fall;
        ASSERT_NEAR(meter(kPeakL).peakShownDb(), expected, 1e-3) << "falling tick " << k;
    }
    // Without new messages the shown value stays where the last one put it.
    level(kPeakL, FromDb(-20.0f));
    EXPECT_NEAR(meter(kPeakL).peakShownDb(), std::max(-20.0f, expected - fall - 0.05f), 1e-3);
}

TEST_F(Displays, TheRmsBarFallsEveryTickWithoutHold) {
    level(kRmsL, 1.0f, 1);  // two-state skin: RMS values drive the bar as its peak
    EXPECT_EQ(meter(kRmsL).peakShownDb(), 0.0f);
    EXPECT_EQ(meter(kRmsL).holdPixels(), 0);
}

TEST_F(Displays, ThePeakHoldMarkerStays150TicksThenTheReadoutTakesTheNextPeakAfresh) {
    Probe readout;
    OnEditorThread([&] { meter(kPeakL).notifyRecord(&readout, LinkMessage(LinkMessage::kRegister, 1)); });
    level(kPeakL, FromDb(-6.0f));
    ASSERT_EQ(readout.received.size(), 1u);
    EXPECT_NEAR(readout.received[0], -6.0f, 1e-3);
    EXPECT_NEAR(meter(kPeakL).peakHoldDb(), -6.0f, 1e-3);
    EXPECT_NEAR(meter(kPeakL).holdPixels(), int(6.0f * 3.6f), 1);
    level(kPeakL, FromDb(-9.0f));  // lower: neither the read-out nor the marker move
    EXPECT_EQ(readout.received.size(), 1u);
    for (int i = 2; i < 149; ++i) level(kPeakL, 0.0f);
    EXPECT_NEAR(meter(kPeakL).peakHoldDb(), -6.0f, 1e-3) << "after 149 ticks";
    EXPECT_GE(meter(kPeakL).holdPixels(), 0);
    level(kPeakL, 0.0f);  // the 150th tick
    EXPECT_EQ(meter(kPeakL).peakHoldDb(), -200.0f);
    EXPECT_EQ(meter(kPeakL).holdPixels(), -1);
    level(kPeakL, FromDb(-20.0f));
    ASSERT_EQ(readout.received.size(), 2u);
    EXPECT_NEAR(readout.received[1], -20.0f, 1e-3);
}

// Silence (and anything far below the meters' scale) reads -99.9 on the numeric
// read-out, on every meter type, so that the text fits its well.
TEST_F(Displays, TheReadoutBottomsOutAtItsFloor) {
    for (int32_t type : {0, 3}) {
        Probe readout;
        OnEditorThread([&] { meter(kPeakR).notifyRecord(&readout, LinkMessage(LinkMessage::kRegister, 1)); });
        post(kPeakR, 110, 0.0f, type);
        for (int i = 0; i < 150; ++i) level(kPeakR, 0.0f);  // past any hold of an earlier peak
        level(kPeakR, 0.0f);
        ASSERT_FALSE(readout.received.empty()) << "type " << type;
        EXPECT_FLOAT_EQ(readout.received.back(), -99.9f) << "type " << type;
        level(kPeakR, FromDb(-60.0f));
        EXPECT_NEAR(readout.received.back(), type == 3 ? -40.0f : -60.0f, 1e-3) << "type " << type;
    }
}

// Meter type, then a 0 dBFS and a -6 dBFS peak: the read-out shows them offset by the K-scale.
class KScale : public Displays, public ::testing::WithParamInterface<std::tuple<int32_t, float>> {};

TEST_P(KScale, TheReadoutIsOffsetAndTheBarsUseTheTypesSection) {
    const auto [type, offset] = GetParam();
    Probe readout;
    OnEditorThread([&] { meter(kPeakL).notifyRecord(&readout, LinkMessage(LinkMessage::kRegister, 1)); });
    post(kPeakL, 110, 0.0f, type);
    level(kPeakL, FromDb(-6.0f));
    EXPECT_EQ(meter(kPeakL).meterType(), type > 3 ? 3 : type);
    ASSERT_EQ(readout.received.size(), 1u);
    EXPECT_NEAR(readout.received[0], -6.0f + offset, 1e-3);
    level(kPeakL, 1.0f);
    ASSERT_EQ(readout.received.size(), 2u);
    EXPECT_NEAR(readout.received[1], offset, 1e-4);
}
INSTANTIATE_TEST_SUITE_P(Types, KScale,
                         ::testing::Values(std::make_tuple(0, 0.0f), std::make_tuple(1, 12.0f),
                                           std::make_tuple(2, 14.0f), std::make_tuple(3, 20.0f),
                                           std::make_tuple(7, 20.0f)));  // clamped to the last section

// A level at a peak meter (bar or needle) and whether it lights the lamp linked to it.
class Overload : public Displays, public ::testing::WithParamInterface<std::tuple<int32_t, int32_t, float, bool>> {};

TEST_P(Overload, OnlyAboveFullScaleLightsTheLampFor70Ticks) {
    const auto [tag, lamp, value, lit] = GetParam();
    level(tag, value);
    EXPECT_EQ(ValueOf(editor, lamp), lit ? 1.0f : 0.0f);
    EXPECT_FLOAT_EQ(meter(tag).peakShownDb(), 0.0f);
    if (!lit) return;
    auto* button = dynamic_cast<Mox_AnimButton*>(editor.slot(lamp));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->phase(), 1.0f);
    for (int i = 1; i < 69; ++i) level(tag, 0.0f);
    EXPECT_EQ(ValueOf(editor, lamp), 1.0f) << "69 ticks counting the one that lit it";
    level(tag, 0.0f);
    EXPECT_EQ(ValueOf(editor, lamp), 0.0f) << "out on the 70th";
    editor.runTicks(2);
    EXPECT_EQ(button->phase(), 0.0f);
}
INSTANTIATE_TEST_SUITE_P(Lamps, Overload,
                         ::testing::Values(std::make_tuple(kPeakL, kPeakLampL, 1.0f, false),
                                           std::make_tuple(kPeakL, kPeakLampL, 1.0001f, true),
                                           std::make_tuple(kPeakR, 81, 2.0f, true),
                                           std::make_tuple(kNeedleOutL, kNeedleLampL, 1.0f, false),
                                           std::make_tuple(kNeedleOutL, kNeedleLampL, 1.5f, true),
                                           std::make_tuple(kNeedleInL, kNeedleLampL, 3.0f, true),
                                           std::make_tuple(87, 89, 1.01f, true)));

TEST_F(Displays, ARenewedOverloadKeepsTheLampLit) {
    level(kPeakL, 2.0f);
    for (int i = 0; i < 50; ++i) level(kPeakL, 0.0f);
    level(kPeakL, 2.0f);
    for (int i = 0; i < 60; ++i) level(kPeakL, 0.0f);
    EXPECT_EQ(ValueOf(editor, kPeakLampL), 1.0f);
}

class NeedleAngle : public Displays, public ::testing::WithParamInterface<std::tuple<float, float>> {};

TEST_P(NeedleAngle, TurnsTwoPointSixDegreesPerDb) {
    const auto [db, degrees] = GetParam();
    level(kNeedleOutL, FromDb(db));
    EXPECT_NEAR(meter(kNeedleOutL).needleDegrees(), degrees, 1e-3);
    EXPECT_NEAR(meter(kNeedleInL).needleDegrees(), -65.0f, 1e-3);  // the other needle did not move
}
INSTANTIATE_TEST_SUITE_P(Angles, NeedleAngle,
                         ::testing::Values(std::make_tuple(0.0f, 65.0f), std::make_tuple(-20.0f, 13.0f),
                                           std::make_tuple(-40.0f, -26.0f), std::make_tuple(-90.0f, -65.0f)));

// The bar as drawn: the unlit state above the level, the lit state below, from the type's section.
TEST_F(Displays, TheBarDrawsUnlitAboveAndLitBelowFromTheTypesSection) {
    post(kPeakL, 110, 0.0f, 2);
    level(kPeakL, FromDb(-10.0f));  // 36 pixels unlit
    Mox_GUI_dBMeter& bar = meter(kPeakL);
    CBitmap* skin = bar.getBackground();
    ASSERT_TRUE(skin && skin->isLoaded());
    const CRect r = bar.getViewSize();
    COffscreenContext context(r.right + 1, r.bottom + 1);
    OnEditorThread([&] { bar.draw(&context); });
    const int32_t p = bar.unlitPixels(), section = 2 * 360, travel = 180;
    EXPECT_NEAR(p, 36, 1);
    int mismatches = 0;
    for (int32_t y = 0; y < r.height(); ++y)
        for (int32_t x = 0; x < r.width(); ++x) {
            const uint32_t want = skin->getPixel(x, y < p ? section + y : section + travel + y);
            mismatches += context.getPixel(r.left + x, r.top + y) != want;
        }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(Displays, OnlyTheViewsThatChangedAreRedrawn) {
    CFrame* frame = editor.getFrame();
    editor.runTicks(5);
    frame->updateDirty();
    EXPECT_EQ(frame->getLastRedrawArea(), 0) << "at rest nothing is redrawn";
    level(kPeakL, FromDb(-3.0f));
    frame->updateDirty();
    // The bar and the peak read-out it feeds (82).
    const CRect bar = meter(kPeakL).getFrameRect(), readout = editor.slot(82)->getFrameRect();
    EXPECT_EQ(frame->getLastRedrawArea(), bar.width() * bar.height() + readout.width() * readout.height());
    for (int i = 0; i < 200; ++i) level(kPeakL, 0.0f);  // back at rest, the hold marker gone
    frame->updateDirty();
    editor.runTicks(1);
    frame->updateDirty();
    EXPECT_EQ(frame->getLastRedrawArea(), 0);
    // Silence at the meters and the scope keeps them at rest: no redraw.
    for (int i = 0; i < 5; ++i) {
        level(kPeakL, 0.0f);
        postScope(0, 0, 0, 0);
        editor.runTicks(1);
    }
    frame->updateDirty();
    EXPECT_EQ(frame->getLastRedrawArea(), 0);
    postScope(1.0f, 0, 0, 0);
    editor.runTicks(1);
    frame->updateDirty();
    EXPECT_EQ(frame->getLastRedrawArea(), 384 * 133);
}

// ----- the dB scale -----

TEST_F(Displays, TheScaleFollowsTheMeterTypeAndTellsItsLinks) {
    Probe follower;
    OnEditorThread([&] { scale().notifyRecord(&follower, LinkMessage(LinkMessage::kRegister, 3)); });
    for (auto [aux, frame] : {std::pair{2, 2}, {2, 2}, {9, 3}, {-4, 0}, {1, 1}}) {
        post(kScale, 104, 0.0f, aux);
        editor.runTicks(1);
        EXPECT_EQ(scale().frame(), frame) << aux;
    }
    EXPECT_EQ(follower.received, (std::vector<float>{2, 3, 0, 1}));  // only changes are told
}

TEST_F(Displays, TheScaleShowsTheFrameOfItsType) {
    post(kScale, 104, 0.0f, 3);
    editor.runTicks(1);
    CBitmap* strip = scale().getBackground();
    const CRect r = scale().getViewSize();
    COffscreenContext context(r.right + 1, r.bottom + 1);
    OnEditorThread([&] { scale().draw(&context); });
    int mismatches = 0;
    for (int32_t y = 0; y < r.height(); ++y)
        for (int32_t x = 0; x < r.width(); ++x)
            mismatches += context.getPixel(r.left + x, r.top + y) != strip->getPixel(x, 3 * 200 + y);
    EXPECT_EQ(mismatches, 0);
}

// A strip of four frames made for the image tests.
struct Strip {
    Strip() : bitmap(new CBitmap("BarScale.png")) {}
    ~Strip() { bitmap->forget(); }
    CBitmap* bitmap;
};

DisplayRecord Message(int32_t code, float value, int32_t aux = 0) {
    DisplayRecord r;
    r.code = code;
    r.value = value;
    r.aux = aux;
    return r;
}

TEST(ImageView, StepsSetsAndFadesAsItsMessagesSay) {
    Strip strip;
    Mox_GUI_Image image(CRect(0, 0, 20, 200), strip.bitmap, true, 4);
    EXPECT_EQ(image.alpha(), 255);
    image.notifyRecord(nullptr, Message(100, 1.0f));
    image.notifyRecord(nullptr, Message(100, 0.0f));  // a zero value does not step
    EXPECT_EQ(image.frame(), 1);
    for (int i = 0; i < 5; ++i) image.notifyRecord(nullptr, Message(100, 1.0f));
    EXPECT_EQ(image.frame(), 3);
    image.notifyRecord(nullptr, Message(101, 1.0f));
    EXPECT_EQ(image.frame(), 2);
    image.notifyRecord(nullptr, Message(103, 0.34f));
    EXPECT_EQ(image.frame(), 1);
    image.notifyRecord(nullptr, Message(103, NAN));
    EXPECT_EQ(image.frame(), 0);
    image.notifyRecord(nullptr, Message(103, 5.0f));
    EXPECT_EQ(image.frame(), 3);
    // Fade out: 255 - 100 a tick, hidden below 0; a fade in shows it again.
    image.notifyRecord(nullptr, Message(102, 0.0f, -100));
    image.refresh();
    EXPECT_EQ(image.alpha(), 155);
    image.refresh();
    image.refresh();
    EXPECT_EQ(image.alpha(), 0);
    EXPECT_FALSE(image.isVisible());
    image.notifyRecord(nullptr, Message(102, 0.0f, 100));
    EXPECT_TRUE(image.isVisible());
    for (int i = 0; i < 5; ++i) image.refresh();
    EXPECT_EQ(image.alpha(), 255);
    Mox_GUI_Image hidden(CRect(0, 0, 20, 200), strip.bitmap, false, 4);
    EXPECT_FALSE(hidden.isVisible());
    EXPECT_EQ(hidden.alpha(), 0);
}

TEST(ImageView, IgnoresMessagesWhileItTellsItsLinks) {
    Strip strip;
    Mox_GUI_Image a(CRect(0, 0, 20, 200), strip.bitmap, true, 4), b(CRect(0, 0, 20, 200), strip.bitmap, true, 4);
    // Two images linked both ways with a link that echoes the frame back as a step.
    class Echo : public CView {
    public:
        Echo(Mox_GUI_Image* t) : CView(CRect()), target(t) {}
        CMessageResult notifyRecord(CBaseObject*, const CNotifyRecord& r) override {
            if (r.kind == CNotifyRecord::kLink) target->notifyRecord(nullptr, Message(100, 1.0f));
            ++count;
            return kMessageNotified;
        }
        Mox_GUI_Image* target;
        int count = 0;
    } echo(&a);
    a.notifyRecord(&echo, LinkMessage(LinkMessage::kRegister, 0));
    a.notifyRecord(nullptr, Message(104, 0.0f, 2));
    EXPECT_EQ(a.frame(), 2);  // the echo's step arrived during the broadcast and was ignored
    EXPECT_EQ(echo.count, 1);
}

// Animation kind, speed, and the whole frames shown over the first ticks.
class ImageAnimation : public ::testing::TestWithParam<std::tuple<int32_t, int32_t, float, std::vector<int32_t>>> {};

TEST_P(ImageAnimation, RunsThroughItsFrames) {
    const auto& [kind, delay, speed, frames] = GetParam();
    Strip strip;
    Mox_GUI_Image image(CRect(0, 0, 20, 200), strip.bitmap, true, 4);
    image.setAnimation(kind, delay, speed, false);
    std::vector<int32_t> shown;
    for (size_t i = 0; i < frames.size(); ++i) {
        image.refresh();
        shown.push_back(image.shownFrame());
    }
    EXPECT_EQ(shown, frames);
}
INSTANTIATE_TEST_SUITE_P(
    Kinds, ImageAnimation,
    ::testing::Values(std::make_tuple(1, 0, 1.0f, std::vector<int32_t>{1, 2, 3, 0, 1}),
                      std::make_tuple(1, 0, 0.5f, std::vector<int32_t>{0, 1, 1, 2, 2, 3, 3, 0}),
                      std::make_tuple(1, 2, 1.0f, std::vector<int32_t>{1, 1, 1, 2, 2, 2, 3}),  // held 2 ticks
                      std::make_tuple(2, 0, 1.0f, std::vector<int32_t>{1, 2, 3, 2, 1, 0, 1}),
                      std::make_tuple(3, 0, 0.25f, std::vector<int32_t>{0, 0, 0, 1, 1}),
                      std::make_tuple(4, 0, 1.0f, std::vector<int32_t>{1, 2, 3, 0})));

TEST(ImageView, SlidesComeFromEachSideInTurnAndCrossFadesBlend) {
    Strip strip;
    Mox_GUI_Image slide(CRect(0, 0, 20, 200), strip.bitmap, true, 4);
    slide.setAnimation(Mox_GUI_Image::kSlide, 0, 0.5f, true);
    std::vector<int32_t> sides;
    for (int i = 0; i < 8; ++i) {
        slide.refresh();
        sides.push_back(slide.slideDirection());
        EXPECT_TRUE(slide.isDirty());
        COffscreenContext context(20, 200);
        slide.draw(&context);
    }
    EXPECT_EQ(sides, (std::vector<int32_t>{0, 1, 1, 2, 2, 3, 3, 0}));
    // Halfway through a cross-fade both frames show: the picture differs from either.
    Mox_GUI_Image fade(CRect(0, 0, 20, 200), strip.bitmap, true, 4);
    fade.setAnimation(Mox_GUI_Image::kCrossFade, 0, 0.5f, false);
    fade.refresh();
    fade.refresh();
    fade.refresh();  // position 1.5: frame 1 over frame 0
    COffscreenContext blended(20, 200), plain(20, 200);
    fade.draw(&blended);
    strip.bitmap->draw(&plain, CRect(0, 0, 20, 200), CPoint(0, 200));
    int differ = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 20; ++x) differ += blended.getPixel(x, y) != plain.getPixel(x, y);
    EXPECT_GT(differ, 0);
}

// ----- the scope -----

TEST_F(Displays, WithoutAudioTheLanesLieFlatOnTheirBaselines) {
    for (int i = 0; i < 3; ++i) {
        postScope(0, 0, 0, 0);
        editor.runTicks(1);
    }
    for (int k = 0; k < 4; ++k) {
        const auto& poly = scope().lanePolygon(k);
        ASSERT_EQ(int32_t(poly.size()), scope().lanePoints() + 2);
        for (int32_t j = 0; j < scope().lanePoints(); ++j) ASSERT_EQ(poly[size_t(j)].v, scope().baseline(k));
        // Lane 1 lies furthest right, lane 4 furthest left; closing points one pixel below.
        EXPECT_EQ(poly[0].h, 698 + (3 - k) * 23);
        EXPECT_EQ(poly[size_t(scope().lanePoints()) - 1].h, 698 + (3 - k) * 23 + scope().lanePoints() - 1);
        EXPECT_EQ(poly[size_t(scope().lanePoints())].v, scope().baseline(k) + 1);
        EXPECT_EQ(poly[size_t(scope().lanePoints()) + 1].h, poly[0].h);
    }
}

// A peak on one channel and how far it raises its lane (laneScale 1.8 pixels a dB).
class LaneHeight : public Displays, public ::testing::WithParamInterface<std::tuple<int, float, int32_t>> {};

TEST_P(LaneHeight, APeakRaisesItsLaneByItsDbAboveMinus50) {
    const auto [lane, peak, pixels] = GetParam();
    float four[4] = {0, 0, 0, 0};
    four[lane] = peak;
    postScope(four[0], four[1], four[2], four[3]);
    editor.runTicks(1);
    const int32_t newest = scope().lanePoints() - 1;
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(scope().laneHeight(k, newest), k == lane ? pixels : 0, 1) << "lane " << k;
        EXPECT_EQ(scope().lanePolygon(k)[size_t(newest)].v, scope().baseline(k) - scope().laneHeight(k, newest));
    }
}
INSTANTIATE_TEST_SUITE_P(Peaks, LaneHeight,
                         ::testing::Values(std::make_tuple(0, 1.0f, 90),  // 50 x laneScale
                                           std::make_tuple(1, 1.0f, 90), std::make_tuple(3, 8.0f, 90),
                                           std::make_tuple(2, FromDb(-30.0f), 36),  // 20 x laneScale
                                           std::make_tuple(0, FromDb(-40.0f), 27),  // halved: -35 dB
                                           std::make_tuple(1, FromDb(-70.0f), 0), std::make_tuple(2, 0.0f, 0),
                                           std::make_tuple(3, NAN, 0)));

// A 1.5 s tone through the plug-in's graph fills as many scope points as the
// display feeder sent messages (one per 1024 samples at 48 kHz, in chunks of 128),
// whatever the host's block size and however often it idles the editor. {block,
// ticks per pump}
class ScopeTimeAxis : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(ScopeTimeAxis, OnePointPerFeederMessage) {
    const auto [block, ticksPerPump] = GetParam();
    TestEffect effect;
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(block);
    effect.resume();
    Mox_GUI_Editor& editor = EditorOf(effect);
    ASSERT_TRUE(editor.openOffscreen());
    std::vector<float> l(static_cast<size_t>(block)), r(l), ol(l), orr(l);
    const long toneFrom = 24000, toneTo = 24000 + 72000, total = 144000;
    double dueTicks = 0.0;
    for (long at = 0; at < total; at += block) {
        for (int i = 0; i < block; ++i) {
            const long t = at + i;
            l[size_t(i)] =
                t >= toneFrom && t < toneTo ? float(0.5 * std::sin(2.0 * M_PI * 1000.0 * double(t) / 48000.0)) : 0.0f;
        }
        r = l;
        effect.Process(l, r, ol, orr);
        // The host idles the editor every ticksPerPump x 14 ms of audio.
        dueTicks += block / (48000.0 * 0.014);
        while (dueTicks >= ticksPerPump) {
            editor.runTicks(ticksPerPump);
            dueTicks -= ticksPerPump;
        }
    }
    editor.runTicks(1);
    auto& scope = dynamic_cast<Mox_GUI_Wave_Freq_Display&>(*editor.slot(kScope));
    int raised = 0;
    for (int32_t j = 0; j < scope.lanePoints(); ++j) raised += scope.laneHeight(0, j) > 0;
    EXPECT_NEAR(raised, 72000 / 1024, 2) << "block " << block << ", " << ticksPerPump << " ticks per pump";
}
INSTANTIATE_TEST_SUITE_P(BlocksAndIdleRates, ScopeTimeAxis,
                         ::testing::Combine(::testing::Values(128, 512, 4096), ::testing::Values(1, 8)));

TEST_F(Displays, TheLanesScrollLeftOnePointPerMessageAndKeepTheirHistory) {
    postScope(1.0f, 0, 0, 0);
    editor.runTicks(1);
    editor.runTicks(3);  // no message: nothing moves
    const int32_t newest = scope().lanePoints() - 1;
    EXPECT_EQ(scope().laneHeight(0, newest), 90);
    // The source of channel 1 goes quiet and channel 2 gets the signal: what is drawn stays.
    for (int i = 1; i <= 10; ++i) {
        postScope(0, 1.0f, 0, 0);
        editor.runTicks(1);
        ASSERT_EQ(scope().laneHeight(0, newest - i), 90) << i;
        ASSERT_EQ(scope().laneHeight(0, newest), 0);
        ASSERT_EQ(scope().laneHeight(1, newest), 90);
    }
    for (int i = 0; i < scope().lanePoints(); ++i) {
        postScope(0, 0, 0, 0);
        editor.runTicks(1);
    }
    for (int32_t j = 0; j <= newest; ++j) ASSERT_EQ(scope().laneHeight(0, j), 0);
}

TEST_F(Displays, ATriggeredCaptureIsDrawnOnceReadyAndHandedBack) {
    auto capture = std::make_unique<DisplayCapture>();
    for (int i = 0; i < 1024; ++i) capture->samples[i] = i < 512 ? 0.5f : -0.25f;
    capture->samples[3] = NAN;
    capture->ready.store(0.0f);
    post(kScope, 5, 0.0f, 0, capture.get());
    editor.runTicks(1);
    EXPECT_EQ(scope().mode(), 5);
    EXPECT_EQ(scope().edgePolygon()[10].v, 8 + 66) << "not read before it is ready";
    capture->ready.store(5.0f);
    post(kScope, 5, 0.0f, 0, capture.get());
    editor.runTicks(1);
    EXPECT_EQ(capture->ready.load(), 0.0f);
    const auto& edge = scope().edgePolygon();
    ASSERT_EQ(edge.size(), 2u * 385u);
    EXPECT_EQ(edge[10].v, 8 + 66 - 33);
    EXPECT_EQ(edge[3].v, 8 + 66);  // NaN drawn as 0
    EXPECT_EQ(edge[2 * 385 - 1 - 10].v, 8 + 66 + 16);
    COffscreenContext context(1090, 420);
    OnEditorThread([&] { scope().draw(&context); });
}

TEST_F(Displays, TheLevelEnvelopeIsSymmetricAboutTheMiddle) {
    for (float v : {0.5f, 1.0f, 2.0f, NAN}) {
        post(kScope, 1, v);
        editor.runTicks(1);
    }
    EXPECT_EQ(scope().mode(), 1);
    const auto& edge = scope().edgePolygon();
    const int32_t points = 385, centre = 8 + 66;
    EXPECT_EQ(edge[points - 1].v, centre);       // the NaN, newest
    EXPECT_EQ(edge[points - 2].v, centre - 66);  // 2.0 held to full height
    EXPECT_EQ(edge[points - 3].v, centre - 66);
    EXPECT_EQ(edge[points - 4].v, centre - 33);
    EXPECT_EQ(edge[points].v, centre);
    EXPECT_EQ(edge[points + 2].v, centre + 66);
}

}  // namespace
