// The transfer-curve window and the equaliser window in the opened editor: their
// pictures for the linked values, the drags and what the host sees of them
// (through stand-in knobs that speak the link protocol), and bad input.
#include "tests/editor/DisplayWindowSupport.h"

#include "editor/displays/CompExpWindow.h"
#include "editor/displays/EqWindow.h"
#include "modules/analysis/BiQuadCoeff.h"
#include "modules/convert/GlideModule.h"
#include "modules/dynamics/CompressorAHR.h"
#include "toolkit/CDrawContext.h"

#include <cmath>
#include <complex>
#include <limits>
#include <tuple>

using namespace VSTGUI;
using namespace editor_test;

namespace {

constexpr int32_t kCurveTag = 72, kEqTag = 73;
// Parameters behind the curve window's slots.
constexpr int32_t kCompThresh = 8, kCompRatio = 9, kCompKnee = 10, kExpThresh = 11, kExpRatio = 12,
                  kExpKnee = 13, kGain = 14;
// Parameters of the equaliser's bands: frequency, gain, width of band n are
// 19 + 3n, 20 + 3n, 21 + 3n.
int32_t EqFreq(int n) { return 19 + 3 * n; }
int32_t EqGain(int n) { return 20 + 3 * n; }
int32_t EqWidth(int n) { return 21 + 3 * n; }

class DisplayWindows : public testing::Test {
protected:
    void SetUp() override {
        editor = &EditorOf(effect);
        ASSERT_TRUE(editor->openOffscreen());
        LinkStandIns(*editor, effect, kCurveTag);
        LinkStandIns(*editor, effect, kEqTag);
        curve = dynamic_cast<Mox_GUI_Comp_Exp_Window*>(editor->slot(kCurveTag));
        eq = dynamic_cast<Mox_GUI_EQ_Window*>(editor->slot(kEqTag));
        ASSERT_NE(curve, nullptr);
        ASSERT_NE(eq, nullptr);
        mouse.frame = editor->getFrame();
        editor->runTicks(2);
        RecordedHostCalls().clear();
    }
    void set(int32_t tag, float v) { OnEditorThread([&] { effect.setParameter(tag, v); }); }
    // The centre of a rectangle (parent coordinates are frame coordinates here).
    static CPoint Centre(const CRect& r) { return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }
    uint32_t pixel(int32_t x, int32_t y) { return editor->getFrame()->getBackBuffer()->getPixel(x, y); }

    TestEffect effect;
    Mox_GUI_Editor* editor = nullptr;
    Mox_GUI_Comp_Exp_Window* curve = nullptr;
    Mox_GUI_EQ_Window* eq = nullptr;
    Mouse mouse;
};

// ---------------------------------------------------------------- transfer curve

TEST_F(DisplayWindows, CurveWindowSitsWhereTheTableSaysAndFollowsItsKnobs) {
    EXPECT_EQ(curve->getFrameRect(), CRect(333, 8, 333 + 354, 8 + 354));
    set(kCompThresh, 0.75f);  // -20 dB: 88.5 pixels below the top
    set(kExpThresh, 0.5f);    // -40 dB
    EXPECT_EQ(curve->compThreshRow(), 8 + 88);
    EXPECT_EQ(curve->expThreshRow(), 8 + 177);
    EXPECT_FLOAT_EQ(curve->linkedValue(Mox_GUI_Comp_Exp_Window::kCompThresh), 0.75f);
}

TEST_F(DisplayWindows, CurveHasTheRatioAboveTheThresholdAndIsTheIdentityBetween) {
    set(kCompThresh, 0.75f);                  // -20 dB
    set(kCompRatio, (4.0f - 0.1f) / 19.9f);   // 4 : 1
    set(kCompKnee, 0.0f);
    set(kExpThresh, 0.25f);                   // -60 dB
    set(kExpRatio, (0.5f - 0.1f) / 3.9f);     // 1 : 2 below it
    set(kExpKnee, 0.0f);
    set(kGain, 0.5f);                         // no make-up
    const double dbPerColumn = 80.0 / 354;
    // Between the thresholds the output is the input.
    for (int32_t i = 100; i < 260; i += 20) EXPECT_EQ(curve->curvePoint(i).v, 8 + 354 - i) << i;
    // Above the compressor threshold 4 dB in give 1 dB out; below the expander's
    // 1 dB in gives 2 dB out.
    const double compSlope = (curve->curvePoint(300).v - curve->curvePoint(350).v) / (50 * dbPerColumn * 4.425);
    EXPECT_NEAR(compSlope, 0.25, 0.02);
    const double expSlope = (curve->curvePoint(50).v - curve->curvePoint(80).v) / (30 * dbPerColumn * 4.425);
    EXPECT_NEAR(expSlope, 2.0, 0.05);
    EXPECT_NEAR(curve->outputDb(-10.0), -17.5, 1e-5);
    EXPECT_NEAR(curve->outputDb(-70.0), -80.0, 1e-5);
    // Make-up +12 dB lifts every point by 12 dB (53 pixels).
    set(kGain, 0.75f);
    for (int32_t i : {120, 200, 300}) EXPECT_NEAR(curve->curvePoint(i).v - curve->makeupPoint(i).v, 53, 1) << i;
}

TEST_F(DisplayWindows, SoftKneesBendTheCurveWithoutAJump) {
    set(kCompThresh, 0.75f);
    set(kCompRatio, 1.0f);  // 20 : 1
    set(kExpThresh, 0.5f);
    set(kExpRatio, 0.0f);
    for (float knee : {0.0f, 0.5f, 0.75f, 1.0f}) {
        set(kCompKnee, knee);
        set(kExpKnee, knee);
        for (int32_t i = 1; i < 354; ++i)
            ASSERT_LE(std::abs(curve->curvePoint(i).v - curve->curvePoint(i - 1).v), 11) << "knee " << knee << " column " << i;
        // The compressor never lifts the output above the input, nor below the threshold.
        for (int32_t i = 270; i < 354; i += 7) {
            const double in = i * 80.0 / 354 - 80.0, out = curve->outputDb(in);
            EXPECT_LE(out, in + 1e-9) << knee;
            EXPECT_GE(out, -20.0 - 1e-9) << knee;
        }
    }
    // A wider knee keeps more of the level just above the threshold.
    set(kCompKnee, 0.0f);
    const double hard = curve->outputDb(-15.0);
    set(kCompKnee, 0.4f);
    EXPECT_GT(curve->outputDb(-15.0), hard);
}

// Thresholds at 0 and -80 dB, ratios, knees and make-up at their ends: every
// point is a number inside the window or 3 pixels past its edge.
class CurveAtTheEnds : public DisplayWindows,
                       public testing::WithParamInterface<std::tuple<float, float, float, float>> {};

TEST_P(CurveAtTheEnds, NoPointIsNaNOrFurtherThanThreePixelsOut) {
    const auto [thresh, ratio, knee, gain] = GetParam();
    set(kCompThresh, thresh);
    set(kExpThresh, thresh == 1.0f ? 1.0f : 0.0f);
    set(kCompRatio, ratio);
    set(kExpRatio, ratio);
    set(kCompKnee, knee);
    set(kExpKnee, knee);
    set(kGain, gain);
    editor->runTicks(1);
    for (int32_t i = 0; i < 354; ++i) {
        for (CPoint p : {curve->curvePoint(i), curve->makeupPoint(i)}) {
            ASSERT_GE(p.v, 8 - 3) << i;
            ASSERT_LE(p.v, 8 + 354 + 3) << i;
        }
        ASSERT_FALSE(std::isnan(curve->outputDb(i * 80.0 / 354 - 80.0))) << i;
    }
    OnEditorThread([&] { editor->getFrame()->redrawAll(); });
}

INSTANTIATE_TEST_SUITE_P(Ends, CurveAtTheEnds,
                         testing::Combine(testing::Values(0.0f, 0.5f, 0.99999f, 1.0f), testing::Values(0.0f, 1.0f),
                                          testing::Values(0.0f, 0.5f, 1.0f), testing::Values(0.0f, 1.0f)));

TEST_F(DisplayWindows, ZeroDbThresholdLeavesTheCurveTheIdentity) {
    set(kCompThresh, 1.0f);
    set(kExpThresh, 0.0f);
    set(kCompRatio, 1.0f);
    for (int32_t i = 0; i < 354; i += 13) EXPECT_EQ(curve->curvePoint(i).v, 8 + 354 - i) << i;
    EXPECT_NEAR(curve->outputDb(-0.001), -0.001, 1e-9);
}

TEST_F(DisplayWindows, PointsFarOutsideAreDrawnThreePixelsPastTheEdge) {
    set(kCompThresh, 1.0f);
    set(kExpThresh, 0.5f);  // -40 dB, 1 : 10 below it
    set(kExpRatio, 0.0f);
    set(kExpKnee, 0.0f);
    set(kGain, 1.0f);       // +24 dB
    EXPECT_EQ(curve->curvePoint(0).v, 8 + 354 + 3);
    EXPECT_EQ(curve->makeupPoint(353).v, 8 - 3);
}

// The red curve is what reaches the output: a 1 kHz sine rendered through the
// plug-in's graph at a few levels comes out where the window says, within
// 0.5 dB, for factory programs with parallel mix and make-up, with a deep
// expander, and with a ratio below 1 that meets the bound on boost.
struct RenderedCase {
    int32_t program;
    std::vector<std::pair<int32_t, float>> changes;  // parameters set after the program
};

class RedCurve : public testing::TestWithParam<RenderedCase> {};

TEST_P(RedCurve, FollowsTheRenderedOutputLevel) {
    TestEffect effect;
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(480);
    effect.setProgram(GetParam().program);
    for (const auto& [index, value] : GetParam().changes) effect.setParameter(index, value);
    effect.resume();
    Mox_GUI_Editor& editor = EditorOf(effect);
    ASSERT_TRUE(editor.openOffscreen());
    editor.runTicks(1);
    auto* window = dynamic_cast<Mox_GUI_Comp_Exp_Window*>(editor.slot(kCurveTag));
    ASSERT_NE(window, nullptr);
    std::vector<float> l(480), r(480), ol(480), orr(480);
    long n = 0;
    for (double level : {-70.0, -45.0, -25.0, -10.0, 0.0}) {
        const double amplitude = std::pow(10.0, level / 20.0);
        double peak = 0.0;
        for (int block = 0; block < 300; ++block) {  // 3 s, the peak of the last 0.25 s
            for (float& v : l) v = float(amplitude * std::sin(2.0 * M_PI * 1000.0 * double(n++) / 48000.0));
            r = l;
            effect.Process(l, r, ol, orr);
            if (block >= 275)
                for (float v : ol) peak = std::max(peak, double(std::fabs(v)));
        }
        const double rendered = 20.0 * std::log10(std::max(peak, 1e-30));
        EXPECT_NEAR(window->deliveredDb(level), rendered, 0.5) << "at " << level << " dBFS";
        // And that is where the line is drawn (4.425 pixels a dB).
        const int32_t column = int32_t((level + 80.0) * 354.0 / 80.0 + 0.5) - (level == 0.0 ? 1 : 0);
        const double drawnDb = -(window->makeupPoint(column).v - 8) / 4.425;
        if (rendered > -80.0 && rendered < 0.0) {
            EXPECT_NEAR(drawnDb, rendered, 0.75) << "drawn at " << level;
        }
    }
}
INSTANTIATE_TEST_SUITE_P(
    Programs, RedCurve,
    testing::Values(RenderedCase{9, {}},   // "Parallel Compression": 70 % dry, +14 dB make-up
                    RenderedCase{14, {}},  // "Simple Gate": expander 1:10 below -45 dB
                    RenderedCase{5, {}},   // 30 % parallel, +11 dB
                    RenderedCase{0, {{kCompThresh, 0.25f}, {kCompRatio, 0.0f}, {kCompKnee, 0.0f}}},  // boost bound
                    RenderedCase{0, {{3, 0.5f}, {kGain, 0.25f}, {kCompRatio, 1.0f}}}));              // 50 %, -12 dB

// The gain-reduction meter and the level dot, fed by the plug-in's own graph with
// a -10 dBFS sine, +12 dB make-up and a hard knee: the meter shows the gain the
// envelope applies (the make-up left out), a boost as such, and 0 dB bypassed;
// the dot sits on the red curve at the detected level. {threshold, ratio,
// bypass, the gain expected in dB}.
struct GainCase {
    float thresholdDb, ratio;
    bool bypass;
    double expectedDb;
};

class GainReduction : public testing::TestWithParam<GainCase> {};

TEST_P(GainReduction, IsTheEnvelopesGainAndTheDotSitsOnTheRedCurve) {
    const GainCase& c = GetParam();
    TestEffect effect;
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(256);
    effect.setProgram(0);
    effect.setParameter(kCompThresh, (c.thresholdDb + 80.0f) / 80.0f);
    effect.setParameter(kCompRatio, (c.ratio - 0.1f) / 19.9f);
    effect.setParameter(kCompKnee, 0.0f);
    effect.setParameter(kGain, (12.0f + 24.0f) / 48.0f);
    effect.setParameter(65, c.bypass ? 1.0f : 0.0f);
    effect.resume();
    Mox_GUI_Editor& editor = EditorOf(effect);
    ASSERT_TRUE(editor.openOffscreen());
    auto* window = dynamic_cast<Mox_GUI_Comp_Exp_Window*>(editor.slot(kCurveTag));
    ASSERT_NE(window, nullptr);
    std::vector<float> l(256), r(256), ol(256), orr(256);
    long n = 0;
    for (int block = 0; block < 48000 / 256; ++block) {  // a second, a tick every 14 ms
        for (float& v : l) v = float(0.316227766 * std::sin(2.0 * M_PI * 1000.0 * double(n++) / 48000.0));
        r = l;
        effect.Process(l, r, ol, orr);
        if (block % 3 == 0) editor.runTicks(1);
    }
    editor.runTicks(1);
    const Mox_GUI_Dynamics_Overlay& live = window->dynamics();
    const auto* envelope = effect.ModuleOfCode<Mox_DSP_Compressor_AHR>(6173);
    ASSERT_NE(envelope, nullptr);
    if (!c.bypass) {
        EXPECT_NEAR(live.gainDb(), 20.0 * std::log10(envelope->envelopeValue()), 0.05);
    }
    EXPECT_NEAR(live.gainDb(), c.expectedDb, 0.3);
    EXPECT_NEAR(live.detectedDb(), -10.0, 0.3);
    EXPECT_EQ(live.number().substr(0, 4), c.expectedDb > 0.0 ? "GR +" : c.expectedDb < 0.0 ? "GR -" : "GR 0");
    // On the red curve, held whole inside the window (a boost lifts it past the top).
    const int32_t column = int32_t(70.0 * 354.0 / 80.0 + 0.5);  // -10 dBFS in
    EXPECT_NEAR(live.dotCentre().h, 333 + column, 1);
    EXPECT_NEAR(live.dotCentre().v, std::clamp(window->makeupPoint(column).v, 8 + 4, 8 + 354 - 1 - 4), 2);
}
INSTANTIATE_TEST_SUITE_P(Settings, GainReduction,
                         testing::Values(GainCase{-40.0f, 4.0f, false, -22.5},  // 30 dB over, 4:1
                                         GainCase{-20.0f, 2.0f, false, -5.0},
                                         GainCase{-20.0f, 0.5f, false, 10.0},  // upward: 10 dB over, 1:2
                                         GainCase{-40.0f, 4.0f, true, 0.0}));

// Display data for the dynamics without audio behind it: silence brings the meter
// back to 0 dB and the dot to its corner; the farthest of the last second stays
// on the number for a second.
TEST_F(DisplayWindows, GainReductionHoldsASecondAndRestsAfterTheHostStops) {
    auto post = [&](float lowest, float now, float detectedDb) {
        const float values[4] = {lowest, now, now, detectedDb};
        DisplayMessage m{};
        m.code = 6;
        m.data = values;
        ASSERT_TRUE(effect.displayMailbox().Post(kCurveTag, m));
    };
    const Mox_GUI_Dynamics_Overlay& live = curve->dynamics();
    post(0.25f, 0.5f, -6.0f);  // -12 dB at the deepest, -6 dB now
    editor->runTicks(1);
    EXPECT_NEAR(live.gainDb(), -12.04, 0.01);
    EXPECT_EQ(live.number(), "GR -12.0 dB");
    for (int i = 0; i < Mox_GUI_Dynamics_Overlay::kHoldTicks - 1; ++i) {
        post(0.5f, 0.5f, -6.0f);
        editor->runTicks(1);
    }
    EXPECT_NEAR(live.gainDb(), -6.02, 0.01);
    EXPECT_EQ(live.number(), "GR -12.0 dB") << "held for a second";
    post(0.5f, 0.5f, -6.0f);
    editor->runTicks(1);
    EXPECT_EQ(live.number(), "GR -6.0 dB");
    editor->runTicks(Mox_GUI_Editor::kQuietTicks);
    EXPECT_EQ(live.gainDb(), 0.0);
    EXPECT_EQ(live.dotCentre(), CPoint(333 + 4, 8 + 354 - 1 - 4)) << "resting in the lower left corner";
    editor->runTicks(Mox_GUI_Dynamics_Overlay::kHoldTicks);
    EXPECT_EQ(live.number(), "GR 0.0 dB");
}

TEST_F(DisplayWindows, ThresholdDraggedBelowTheOtherPullsItAtTheTickInOneGesture) {
    set(kCompThresh, 0.75f);
    set(kExpThresh, 0.5f);
    editor->runTicks(1);
    RecordedHostCalls().clear();
    mouse.down(CPoint(333 + 50, 8 + 88));
    EXPECT_EQ(curve->dragKind(), Mox_GUI_Comp_Exp_Window::kDragCompThresh);
    mouse.move(CPoint(333 + 50, 8 + 208));  // 120 pixels down: 0.411
    const float moved = (354.0f - 208.5f) / 354.0f;
    EXPECT_FLOAT_EQ(effect.getParameter(kCompThresh), moved);
    EXPECT_EQ(WhatTheHostSaw().automated.count(kExpThresh), 0u) << "no push before the tick";
    editor->runTicks(1);
    EXPECT_FLOAT_EQ(effect.getParameter(kExpThresh), moved);
    editor->runTicks(3);
    mouse.up(CPoint(333 + 50, 8 + 208));
    HostSeen seen = WhatTheHostSaw();
    EXPECT_EQ(seen.automated[kCompThresh], 1);
    EXPECT_EQ(seen.automated[kExpThresh], 1);
    for (int32_t tag : {kCompThresh, kExpThresh}) {
        EXPECT_EQ(seen.begun[tag], 1) << tag;
        EXPECT_EQ(seen.ended[tag], 1) << tag;
    }

    // The reverse: the expander threshold dragged above the compressor's pushes it up.
    set(kCompThresh, 0.75f);
    set(kExpThresh, 0.5f);
    editor->runTicks(1);
    RecordedHostCalls().clear();
    mouse.down(CPoint(333 + 50, 8 + 177));
    EXPECT_EQ(curve->dragKind(), Mox_GUI_Comp_Exp_Window::kDragExpThresh);
    mouse.move(CPoint(333 + 50, 8 + 27));
    editor->runTicks(1);
    mouse.up(CPoint(333 + 50, 8 + 27));
    EXPECT_FLOAT_EQ(effect.getParameter(kExpThresh), (354.0f - 27.0f) / 354.0f);
    EXPECT_FLOAT_EQ(effect.getParameter(kCompThresh), (354.0f - 27.0f) / 354.0f);
    seen = WhatTheHostSaw();
    EXPECT_EQ(seen.begun[kCompThresh], 1);
    EXPECT_EQ(seen.ended[kCompThresh], 1);
}

TEST_F(DisplayWindows, AKnobTheUserMovesBelowTheOtherThresholdPushesItInItsOwnGesture) {
    set(kCompThresh, 0.75f);
    set(kExpThresh, 0.5f);
    editor->runTicks(1);
    RecordedHostCalls().clear();
    auto* knob = dynamic_cast<CControl*>(editor->slot(kCompThresh));
    ASSERT_NE(knob, nullptr);
    OnEditorThread([&] {  // a press, a move and the release before the tick
        knob->beginEdit();
        effect.setParameterAutomated(kCompThresh, 0.3f);
        knob->endEdit();
    });
    editor->runTicks(2);
    EXPECT_FLOAT_EQ(effect.getParameter(kExpThresh), 0.3f);
    HostSeen seen = WhatTheHostSaw();
    EXPECT_EQ(seen.automated[kExpThresh], 1);
    EXPECT_EQ(seen.begun[kExpThresh], 1);
    EXPECT_EQ(seen.ended[kExpThresh], 1);
    // Thresholds in order: nothing is pushed.
    RecordedHostCalls().clear();
    OnEditorThread([&] {
        knob->beginEdit();
        effect.setParameterAutomated(kCompThresh, 0.9f);
        knob->endEdit();
    });
    editor->runTicks(2);
    EXPECT_EQ(WhatTheHostSaw().automated.count(kExpThresh), 0u);
}

// Values the host sets (automation, MIDI, a program or a chunk) may cross the
// thresholds: the window draws them as they are and tells the host nothing, as it
// would with the editor closed.
TEST_F(DisplayWindows, ThresholdsTheHostCrossesAreNeverPushed) {
    for (const bool compFirst : {true, false}) {
        set(kCompThresh, 0.75f);
        set(kExpThresh, 0.5f);
        editor->runTicks(1);
        RecordedHostCalls().clear();
        if (compFirst) set(kCompThresh, 0.2f);
        else set(kExpThresh, 0.9f);
        effect.setParameter(kExpRatio, 0.4f);  // and a value from another thread, at the next tick
        editor->runTicks(25);  // 350 ms
        EXPECT_TRUE(RecordedHostCalls().empty()) << "compressor threshold moved: " << compFirst;
        EXPECT_FLOAT_EQ(effect.getParameter(kCompThresh), compFirst ? 0.2f : 0.75f);
        EXPECT_FLOAT_EQ(effect.getParameter(kExpThresh), compFirst ? 0.5f : 0.9f);
    }
    // A program load whose thresholds cross.
    RecordedHostCalls().clear();
    OnEditorThread([&] {
        for (int p = 0; p < kProgramCount; ++p) {
            effect.setProgram(p);
            if (effect.getParameter(kExpThresh) > effect.getParameter(kCompThresh)) return;
        }
        effect.setProgram(1);
        effect.setParameter(kExpThresh, 0.95f);
    });
    const float comp = effect.getParameter(kCompThresh), exp = effect.getParameter(kExpThresh);
    editor->runTicks(25);
    EXPECT_TRUE(WhatTheHostSaw().automated.empty());
    EXPECT_EQ(effect.getParameter(kCompThresh), comp);
    EXPECT_EQ(effect.getParameter(kExpThresh), exp);
}

// Ratio drags: one step of 10 % per move event; a move with no vertical change
// lowers the ratio. {ratio before, vertical movement of each event, ratio after}.
struct RatioCase {
    bool compressor;
    float before;
    std::vector<int> dy;
    float after;
};

class RatioDrags : public DisplayWindows, public testing::WithParamInterface<RatioCase> {};

TEST_P(RatioDrags, EachMoveEventIsOneStepOfTenPercent) {
    const RatioCase& c = GetParam();
    set(kCompThresh, 0.75f);
    set(kExpThresh, 0.5f);
    const int32_t tag = c.compressor ? kCompRatio : kExpRatio;
    set(tag, c.before);
    editor->runTicks(1);
    RecordedHostCalls().clear();
    CPoint p = c.compressor ? CPoint(333 + 340, 8 + 10) : CPoint(333 + 10, 8 + 340);
    mouse.down(p);
    EXPECT_EQ(curve->dragKind(), c.compressor ? Mox_GUI_Comp_Exp_Window::kDragCompRatio
                                              : Mox_GUI_Comp_Exp_Window::kDragExpRatio);
    for (int dy : c.dy) {
        p.offset(1, dy);
        mouse.move(p);
    }
    mouse.up(p);
    EXPECT_NEAR(effect.getParameter(tag), c.after, 1e-6);
    const HostSeen seen = WhatTheHostSaw();
    if (c.after != c.before) {
        EXPECT_EQ(seen.begun.at(tag), 1);
        EXPECT_EQ(seen.ended.at(tag), 1);
    } else {
        EXPECT_EQ(seen.automated.count(tag), 0u) << "a ratio held at its end sends nothing";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, RatioDrags,
    testing::Values(RatioCase{true, 0.5f, {3}, 0.55f}, RatioCase{true, 0.5f, {-3}, 0.45f},
                    RatioCase{true, 0.5f, {0}, 0.45f}, RatioCase{true, 0.5f, {1, 1}, 0.605f},
                    RatioCase{true, 0.5f, {40}, 0.55f},  // one event, however far
                    RatioCase{true, 1.0f, {5}, 1.0f}, RatioCase{true, 0.001f, {-5}, 0.001f},
                    RatioCase{true, 0.0f, {5}, 0.001f},  // from 0 it starts again at the floor
                    RatioCase{false, 0.5f, {-3}, 0.55f}, RatioCase{false, 0.5f, {3}, 0.45f},
                    RatioCase{false, 0.5f, {0}, 0.45f}, RatioCase{false, 1.0f, {-2}, 1.0f}));

TEST_F(DisplayWindows, KneeHandlesSitOnTheThresholdsAndDragTheKnees) {
    set(kCompThresh, 0.75f);  // compressor threshold column 265.5, row 88.5
    set(kExpThresh, 0.5f);    // expander threshold column and row 177
    set(kCompKnee, 0.0f);
    set(kExpKnee, 0.0f);
    EXPECT_EQ(Centre(curve->compKneeHandle()), CPoint(333 + 265, 8 + 88));
    EXPECT_EQ(Centre(curve->expKneeHandle()), CPoint(333 + 177, 8 + 177));

    mouse.down(Centre(curve->compKneeHandle()));
    EXPECT_EQ(curve->dragKind(), Mox_GUI_Comp_Exp_Window::kDragCompKnee);
    mouse.move(CPoint(333 + 305, 8 + 88));
    mouse.up(CPoint(333 + 305, 8 + 88));
    EXPECT_NEAR(effect.getParameter(kCompKnee), (305 - 265.5) / 88.51, 1e-5);
    // The handle follows the knee along the rest of the width.
    EXPECT_NEAR(Centre(curve->compKneeHandle()).h, 333 + 265.5 + (354 - 265.5) * 0.4463, 1.5);

    mouse.down(Centre(curve->expKneeHandle()));
    EXPECT_EQ(curve->dragKind(), Mox_GUI_Comp_Exp_Window::kDragExpKnee);
    mouse.move(CPoint(333 + 117, 8 + 177));
    mouse.move(CPoint(333 - 500, 8 + 177));  // far outside: the knee stops at 1
    mouse.up(CPoint(333 - 500, 8 + 177));
    EXPECT_FLOAT_EQ(effect.getParameter(kExpKnee), 1.0f);
}

TEST_F(DisplayWindows, PressesAwayFromLinesAndHandlesAndOtherButtonsAreNotTaken) {
    set(kCompThresh, 0.75f);
    set(kExpThresh, 0.5f);
    // Between the two lines, left of the compressor threshold: nothing to drag.
    mouse.down(CPoint(333 + 100, 8 + 130));
    EXPECT_EQ(curve->dragKind(), Mox_GUI_Comp_Exp_Window::kNoDrag);
    mouse.down(CPoint(333 + 50, 8 + 88), kMButton);
    EXPECT_EQ(curve->dragKind(), Mox_GUI_Comp_Exp_Window::kNoDrag);
    mouse.down(CPoint(333 + 50, 8 + 88), kRButton);
    EXPECT_EQ(curve->dragKind(), Mox_GUI_Comp_Exp_Window::kDragCompThresh);
    mouse.up(CPoint(333 + 50, 8 + 88), kRButton);
}

TEST_F(DisplayWindows, DragsFarOutsideAndBadLinkValuesStayInRange) {
    set(kCompThresh, 0.75f);
    set(kExpThresh, 0.5f);
    mouse.down(CPoint(333 + 50, 8 + 88));
    mouse.move(CPoint(333 + 50, -30000));
    mouse.move(CPoint(333 + 50, 30000), kLButton | kShift | kControl);
    mouse.up(CPoint(333 + 50, 30000));
    editor->runTicks(1);
    EXPECT_TRUE(WhatTheHostSaw().allInRange);
    EXPECT_FLOAT_EQ(effect.getParameter(kCompThresh), 0.0f);
    EXPECT_FLOAT_EQ(effect.getParameter(kExpThresh), 0.0f) << "pulled down with it";

    // NaN through a link keeps the value; out-of-range values are held to 0..1.
    OnEditorThread([&] {
        curve->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 1, 0.3f));
        curve->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 1, std::numeric_limits<float>::quiet_NaN()));
        curve->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 2, 7.0f));
        curve->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 5, -3.0f));
        curve->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 4, 0.5f));   // an unused slot
        curve->notifyRecord(nullptr, LinkMessage(LinkMessage::kRegister, 99));     // no such slot
    });
    EXPECT_FLOAT_EQ(curve->linkedValue(1), 0.3f);
    EXPECT_FLOAT_EQ(curve->linkedValue(2), 1.0f);
    EXPECT_FLOAT_EQ(curve->linkedValue(5), 0.0f);
    for (int32_t i = 0; i < 354; ++i) ASSERT_GE(curve->curvePoint(i).v, 5);
}

TEST_F(DisplayWindows, CurveWindowRedrawsOnlyWhenAValueChanged) {
    set(kCompRatio, 0.4f);
    editor->runTicks(1);
    EXPECT_TRUE(curve->isDirty());
    OnEditorThread([&] { editor->getFrame()->updateDirty(); });
    editor->runTicks(5);
    EXPECT_FALSE(curve->isDirty()) << "ticks alone do not redraw it";
    set(kCompRatio, 0.4f);
    editor->runTicks(1);
    EXPECT_FALSE(curve->isDirty()) << "the same value again does not redraw it";
    set(kCompKnee, 0.3f);
    editor->runTicks(1);
    EXPECT_TRUE(curve->isDirty());
}

TEST_F(DisplayWindows, CurveWindowDrawsItsLinesAndCurveOverTheGrid) {
    set(kCompThresh, 0.75f);
    set(kExpThresh, 0.5f);
    set(kCompKnee, 0.0f);
    set(kGain, 0.5f);
    editor->runTicks(1);
    OnEditorThread([&] { editor->getFrame()->redrawAll(); });
    auto channels = [](uint32_t p) { return std::make_tuple(int(p >> 16 & 255), int(p >> 8 & 255), int(p & 255)); };
    // The compressor threshold line is green, the expander's blue, left of the curve.
    auto [r1, g1, b1] = channels(pixel(333 + 20, 8 + 88));
    EXPECT_GT(g1, 200);
    EXPECT_LT(r1 + b1, 120);
    auto [r2, g2, b2] = channels(pixel(333 + 20, 8 + 177));
    EXPECT_GT(b2, 200);
    EXPECT_LT(r2 + g2, 120);
    // The curve is white where it is the identity (through column 120, row 354 - 120,
    // up to the right: the pixel left of that point lies on its diagonal).
    auto [r3, g3, b3] = channels(pixel(333 + 119, 8 + 354 - 120));
    EXPECT_GT(std::min({r3, g3, b3}), 200);
    // The compressor's knee handle is a green square.
    const CPoint knee = Centre(curve->compKneeHandle());
    auto [r4, g4, b4] = channels(pixel(knee.h + 3, knee.v + 3));
    EXPECT_GT(g4, 150);
    EXPECT_LT(r4, 100);
}

// ---------------------------------------------------------------- equaliser

TEST_F(DisplayWindows, EqWindowFlatGainsGiveTheCentreLineAndNoFill) {
    EXPECT_EQ(eq->getFrameRect(), CRect(9, 8, 9 + 306, 8 + 133));
    EXPECT_EQ(eq->bandCount(), 3);
    for (int n = 0; n < 3; ++n) set(EqGain(n), 0.5f);
    for (int32_t i = 0; i < 306; ++i) ASSERT_EQ(eq->curvePoint(i).v, eq->centreRow()) << i;
    EXPECT_EQ(eq->centreRow(), 8 + 66);

    // The picture a few rows above and below the line is the background's.
    editor->runTicks(1);
    std::vector<uint32_t> shown, hidden;
    auto rows = [&](std::vector<uint32_t>& out) {
        OnEditorThread([&] { editor->getFrame()->redrawAll(); });
        for (int32_t dy : {-20, -7, 7, 20})  // clear of the line and the handles
            for (int32_t x = 9 + 20; x < 9 + 290; x += 3) {
                bool onGrid = false;
                for (int line = 0; line < 8; ++line) onGrid |= std::abs(x - eq->gridColumn(line)) <= 1;
                if (!onGrid) out.push_back(pixel(x, eq->centreRow() + dy));
            }
    };
    rows(shown);
    OnEditorThread([&] { eq->setVisible(false); });
    rows(hidden);
    EXPECT_EQ(shown, hidden);
}

TEST_F(DisplayWindows, EqBumpsRiseAtTheirBandAndNarrowWithTheWidthValue) {
    set(EqFreq(0), 0.05f);  // 1 043 Hz
    set(EqGain(0), 1.0f);   // all the way up: half the window's height
    set(EqGain(1), 0.5f);
    set(EqGain(2), 0.5f);
    const int32_t index = int32_t(305 * std::log2((0.05 * 20460 + 20) / 20) / 10);
    // The filter's peak, +15 dB (half the height), lies at the band's column; the
    // handle is drawn whole inside the window.
    EXPECT_NEAR(eq->curveValue(index), 74.0f - 66.5f, 0.5f);
    int32_t highest = 0;
    for (int32_t i = 1; i < 306; ++i)
        if (eq->curveValue(i) < eq->curveValue(highest)) highest = i;
    EXPECT_NEAR(highest, index, 2);
    EXPECT_EQ(Centre(eq->handle(0)).h, 9 + index);
    EXPECT_EQ(eq->handle(0).top, 8);
    auto raised = [&] {
        int n = 0;
        for (int32_t i = 0; i < 306; ++i) n += eq->curvePoint(i).v < eq->centreRow() - 2;
        return n;
    };
    set(EqWidth(0), 1.0f);
    const int narrow = raised();
    set(EqWidth(0), 0.0f);
    const int wide = raised();
    EXPECT_LT(narrow, wide);
    EXPECT_GT(narrow, 2);
    // A cut goes below the line, never past the window's bottom row.
    set(EqGain(0), 0.0f);
    EXPECT_EQ(eq->curvePoint(index).v, 8 + 133 - 1);
}

// The curve is the response of the three sections the detector's designer makes
// (its audio path: float coefficients from the shared tables) at the running
// sample rate, within 0.05 dB at every column; every handle lies whole inside the
// window, at the edges too. {sample rate, {frequency, gain, width} per band}.
struct EqCase {
    float rate;
    float bands[3][3];
};

class EqResponse : public DisplayWindows, public testing::WithParamInterface<EqCase> {};

TEST_P(EqResponse, IsTheDesignersSectionsAndTheHandlesAreWhole) {
    const EqCase& c = GetParam();
    effect.setSampleRate(c.rate);
    Mox_DSP_BiQuad_Coeff designer(&effect, false);
    designer.Open();
    Mox_DSP_BiQuad_Coeff::Coefficients sections[3];
    for (int n = 0; n < 3; ++n) {
        set(EqFreq(n), c.bands[n][0]);
        set(EqGain(n), c.bands[n][1]);
        set(EqWidth(n), c.bands[n][2]);
        const float volts = (20460.0f * c.bands[n][0] + 20.0f) * 0.1f, gain = (30.0f * c.bands[n][1] - 15.0f) * 0.1f;
        designer.DesignOne(9, volts, c.bands[n][2], Mox_DSP_FdB_to_VFGain::TargetOf(gain), sections[n]);
    }
    editor->runTicks(1);
    EXPECT_EQ(eq->responseRate(), double(c.rate));
    for (int32_t i = 0; i < 306; ++i) {
        const double hz = std::min(Mox_GUI_EQ_Window::ColumnHz(i, 306), 0.499 * c.rate);
        const std::complex<double> z = std::polar(1.0, -2.0 * M_PI * hz / c.rate);
        double db = 0.0;
        for (const auto& k : sections)
            db += 20.0 * std::log10(std::abs((double(k.b0) + double(k.b1) * z + double(k.b2) * z * z) /
                                             (1.0 + double(k.a1) * z + double(k.a2) * z * z)));
        ASSERT_NEAR(eq->responseDb(i), db, 0.05) << "column " << i << ", " << hz << " Hz";
        ASSERT_NEAR(eq->curveValue(i), 8 + 66 - eq->responseDb(i) * 133.0 / 30.0, 1e-3) << i;
    }
    for (int n = 0; n < 3; ++n) {
        const CRect& h = eq->handle(n);
        EXPECT_EQ(h.width(), 11);
        EXPECT_EQ(h.height(), 11);
        EXPECT_TRUE(h.left >= 9 && h.right <= 9 + 306 && h.top >= 8 && h.bottom <= 8 + 133) << "band " << n;
    }
}
INSTANTIATE_TEST_SUITE_P(
    Bands, EqResponse,
    testing::Values(EqCase{48000.0f, {{0.05f, 1.0f, 1.0f}, {0.5f, 0.5f, 0.5f}, {0.2f, 0.3f, 0.0f}}},
                    EqCase{44100.0f, {{0.0f, 0.0f, 0.26f}, {1.0f, 1.0f, 0.36f}, {0.03f, 0.61f, 0.38f}}},
                    EqCase{96000.0f, {{0.004f, 0.2f, 0.5f}, {0.146f, 0.63f, 0.5f}, {0.0293f, 0.5f, 0.5f}}},
                    EqCase{22050.0f, {{0.9f, 1.0f, 0.1f}, {0.45f, 0.0f, 0.9f}, {0.0f, 1.0f, 0.0f}}}));

// "EQ Active" off: the detector hears no equaliser, and fill and curve are grey;
// the handles keep their colours and still take a drag.
TEST_F(DisplayWindows, EqWindowIsGreyedWhileTheEqualiserIsOff) {
    set(EqFreq(0), 0.05f);
    set(EqGain(0), 1.0f);
    set(EqWidth(0), 0.0f);  // wide: a broad hill around 1 kHz
    auto fillAt = [&](bool on) {
        set(28, on ? 1.0f : 0.0f);
        editor->runTicks(1);
        EXPECT_EQ(eq->active(), on);
        OnEditorThread([&] { editor->getFrame()->redrawAll(); });
        const uint32_t p = pixel(9 + 150, 8 + 60);  // inside the filled hill, clear of grid and handles
        return std::make_tuple(int(p >> 16 & 255), int(p >> 8 & 255), int(p & 255));
    };
    const auto [r1, g1, b1] = fillAt(true);
    EXPECT_GT(g1, r1 + 40) << "green while on";
    const auto [r0, g0, b0] = fillAt(false);
    EXPECT_LT(std::abs(g0 - r0) + std::abs(g0 - b0), 24) << "grey while off";
    EXPECT_LT(g0, g1);
    // The handle still takes a drag.
    const CPoint at = Centre(eq->handle(0));
    mouse.down(at);
    EXPECT_EQ(eq->draggedBand(), 0);
    mouse.move(CPoint(at.h + 10, at.v + 10));
    mouse.up(CPoint(at.h + 10, at.v + 10));
    EXPECT_LT(effect.getParameter(EqGain(0)), 1.0f);
}

TEST_F(DisplayWindows, EqFrequencyDraggedPastTheRightEdgeSendsExactlyOne) {
    set(EqFreq(0), 0.2f);
    set(EqGain(0), 0.5f);
    editor->runTicks(1);
    RecordedHostCalls().clear();
    CPoint p = Centre(eq->handle(0));
    mouse.down(p);
    EXPECT_EQ(eq->draggedBand(), 0);
    for (int step = 0; step < 4; ++step) {
        p.offset(3000, 0);
        mouse.move(p);
    }
    mouse.up(p);
    const HostSeen seen = WhatTheHostSaw();
    EXPECT_EQ(seen.lastValue.at(EqFreq(0)), 1.0f);
    EXPECT_EQ(eq->frequencyHz(0), 20480.0f);
    EXPECT_EQ(seen.automated.at(EqFreq(0)), 1) << "once at the edge; further moves change nothing";
    EXPECT_EQ(seen.automated.count(EqGain(0)), 0u) << "no vertical movement, no gain sent";
    EXPECT_EQ(seen.begun.at(EqFreq(0)), 1);
    EXPECT_EQ(seen.ended.at(EqFreq(0)), 1);
    EXPECT_TRUE(seen.allInRange);
}

TEST_F(DisplayWindows, EqLeftDragMovesFrequencyAndGainAtHalfRateWithShift) {
    set(EqFreq(1), 0.1f);
    set(EqGain(1), 0.5f);
    CPoint p = Centre(eq->handle(1));
    const float pos = float(std::log2((0.1 * 20460 + 20) / 20) / 10);
    mouse.down(p);
    p.offset(30, -20);
    mouse.move(p, kLButton | kShift);
    mouse.up(p);
    const double hz = 20 * std::exp2(10 * (pos + 15.0 / 306));
    EXPECT_NEAR(effect.getParameter(EqFreq(1)), (hz - 20) / 20460, 2e-5);
    EXPECT_NEAR(effect.getParameter(EqGain(1)), 0.5 + 10.0 / 133, 1e-5);
}

TEST_F(DisplayWindows, EqRightDragChangesWidthAndGainNeverFrequency) {
    set(EqFreq(0), 0.3f);
    set(EqGain(0), 0.5f);
    set(EqWidth(0), 1.0f);
    editor->runTicks(1);
    RecordedHostCalls().clear();
    CPoint p = Centre(eq->handle(0));
    mouse.down(p, kRButton);
    EXPECT_EQ(eq->draggedBand(), 0);
    p.offset(30, -20);
    mouse.move(p, kRButton);
    p.offset(-5000, 0);  // and far to the left
    mouse.move(p, kRButton);
    mouse.up(p, kRButton);
    const HostSeen seen = WhatTheHostSaw();
    EXPECT_EQ(seen.automated.count(EqFreq(0)), 0u);
    EXPECT_FLOAT_EQ(effect.getParameter(EqFreq(0)), 0.3f);
    EXPECT_NEAR(effect.getParameter(EqGain(0)), 0.5 + 20.0 / 133, 1e-5);
    EXPECT_FLOAT_EQ(effect.getParameter(EqWidth(0)), 1.0f) << "-60/306 then +10000/306: back at the top";
    EXPECT_EQ(seen.automated.at(EqWidth(0)), 2);
    EXPECT_EQ(seen.begun.at(EqWidth(0)), 1);
    EXPECT_EQ(seen.ended.at(EqWidth(0)), 1);
}

// Overlapping handles: the lowest band among those under the press is dragged.
class EqOverlap : public DisplayWindows, public testing::WithParamInterface<std::tuple<std::vector<float>, int>> {};

TEST_P(EqOverlap, TheLowerNumberedBandIsPicked) {
    const auto& [freqs, expected] = GetParam();
    for (int n = 0; n < 3; ++n) {
        set(EqFreq(n), freqs[size_t(n)]);
        set(EqGain(n), 0.5f);
    }
    const CPoint p = Centre(eq->handle(expected));
    mouse.down(p);
    EXPECT_EQ(eq->draggedBand(), expected);
    RecordedHostCalls().clear();
    mouse.move(CPoint(p.h + 4, p.v - 4));
    mouse.up(CPoint(p.h + 4, p.v - 4));
    const HostSeen seen = WhatTheHostSaw();
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(seen.automated.count(EqGain(n)), n == expected ? 1u : 0u) << "band " << n;
}

INSTANTIATE_TEST_SUITE_P(Handles, EqOverlap,
                         testing::Values(std::make_tuple(std::vector<float>{0.3f, 0.3f, 0.3f}, 0),
                                         std::make_tuple(std::vector<float>{0.9f, 0.3f, 0.3f}, 1),
                                         std::make_tuple(std::vector<float>{0.3001f, 0.3f, 0.9f}, 0)));

// The value texts while a band is dragged. {gain value, text}.
class EqGainText : public DisplayWindows, public testing::WithParamInterface<std::tuple<float, const char*>> {};

TEST_P(EqGainText, PrintsTheKnobsGainInDb) {
    set(EqGain(2), std::get<0>(GetParam()));
    EXPECT_EQ(eq->valueText(2, 1), std::get<1>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Values, EqGainText,
                         testing::Values(std::make_tuple(0.0f, "Gain: -15.00 (dB)"),
                                         std::make_tuple(0.5f, "Gain: 0.00 (dB)"),
                                         std::make_tuple(1.0f, "Gain: 15.00 (dB)"),
                                         std::make_tuple(0.49999f, "Gain: 0.00 (dB)")));

TEST_F(DisplayWindows, EqTextsShowWhileDraggingOnly) {
    set(EqFreq(0), 1.0f);
    set(EqWidth(0), 0.0f);
    EXPECT_EQ(eq->valueText(0, 0), "Freq: 20480 (Hz)");
    EXPECT_EQ(eq->valueText(0, 2), "Width: 100.0");
    set(EqGain(0), 0.5f);
    set(EqFreq(0), 0.3f);
    auto textRowLit = [&] {
        editor->runTicks(1);
        OnEditorThread([&] { editor->getFrame()->updateDirty(); });
        int lit = 0;
        for (int32_t x = 9 + 100; x < 9 + 206; ++x)
            for (int32_t y = 8 + 2; y < 8 + 10; ++y) lit += (pixel(x, y) >> 16 & 255) > 220 && (pixel(x, y) & 255) > 220;
        return lit;
    };
    const int before = textRowLit();
    const CPoint p = Centre(eq->handle(0));
    mouse.down(p);
    EXPECT_GT(textRowLit(), before + 20);
    mouse.up(p);
    EXPECT_EQ(textRowLit(), before);
}

TEST_F(DisplayWindows, EqWindowBadInputAndRedrawOnlyOnChange) {
    OnEditorThread([&] {
        eq->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 0, std::numeric_limits<float>::quiet_NaN()));
        eq->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 5, 40.0f));
        eq->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 10, -1.0f));
        eq->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 15, 0.5f));
        eq->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, -1, 0.5f));
    });
    EXPECT_FALSE(std::isnan(eq->frequencyHz(0)));
    for (int32_t i = 0; i < 306; ++i) {
        ASSERT_GE(eq->curvePoint(i).v, 8);
        ASSERT_LE(eq->curvePoint(i).v, 8 + 132);
    }
    editor->runTicks(1);
    OnEditorThread([&] { editor->getFrame()->updateDirty(); });
    editor->runTicks(5);
    EXPECT_FALSE(eq->isDirty());
    set(EqGain(1), 0.7f);
    editor->runTicks(1);
    EXPECT_TRUE(eq->isDirty());
    // Presses off the handles are not taken; moves without a press do nothing.
    CPoint off;
    for (int32_t x = 9; x < 9 + 306; x += 20) {
        off = CPoint(x, 8 + 30);
        bool onHandle = false;
        for (int n = 0; n < 3; ++n) onHandle |= eq->handle(n).pointInside(off);
        if (!onHandle) break;
    }
    mouse.down(off);
    EXPECT_EQ(eq->draggedBand(), -1);
    mouse.move(CPoint(9 + 50, 8 + 50));
}

}  // namespace
