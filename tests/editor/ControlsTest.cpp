// The editor's controls as the walk builds them from the control table, driven
// with synthetic mouse events through the frame as a user would: drags and their
// ranges, the proportional law, double clicks, press-through pixels, sliders,
// animated buttons, panels driven by buttons, groups and hubs, and what the host
// hears (begin/end edit, each change once).
#include "tests/editor/EditorTestSupport.h"

#include "editor/controls/AnimButton.h"
#include "editor/controls/ButtonHub.h"
#include "editor/controls/HVSlider.h"
#include "editor/controls/Knob.h"
#include "host/ControlTable.h"
#include "toolkit/CViewContainer.h"

#include <cmath>
#include <tuple>

using namespace VSTGUI;
using namespace editor_test;

namespace {

// An effect, its editor open, every picture at rest, the host's calls cleared.
class Controls : public OpenEditorTest {
protected:
    // The user: press, moves by (dx, dy) one pixel step at a time, release.
    void drag(CPoint at, int dx, int dy, int32_t buttons = kLButton, bool release = true) {
        OnEditorThread([&] {
            frame()->platformOnMouseDown(at, buttons);
            const int steps = std::max(std::abs(dx), std::abs(dy));
            for (int i = 1; i <= steps; ++i)
                frame()->platformOnMouseMoved(CPoint(at.h + dx * i / steps, at.v + dy * i / steps), buttons);
            if (release) frame()->platformOnMouseUp(CPoint(at.h + dx, at.v + dy), 0);
        });
    }
    int calls(int32_t opcode, int32_t index) {
        int n = 0;
        for (const HostRecord& r : RecordedHostCalls()) n += r.opcode == opcode && r.index == index;
        return n;
    }
};

// 60 pixels up raise a linear knob over its whole range; shift doubles, control
// triples the distance.
class KnobDrag : public Controls, public ::testing::WithParamInterface<std::tuple<int32_t, int>> {};

TEST_P(KnobDrag, TheWholeRangeTakesItsDistance) {
    const auto [modifier, pixels] = GetParam();
    set(10, 0.0f);  // Comp.Knee, a linear knob
    drag(centre(10), 0, -(pixels - 1), kLButton | modifier);
    EXPECT_LT(effect.getParameter(10), 1.0f);
    set(10, 0.0f);
    drag(centre(10), 0, -pixels, kLButton | modifier);
    EXPECT_FLOAT_EQ(effect.getParameter(10), 1.0f);
    set(10, 0.5f);
    drag(centre(10), 0, pixels / 2, kLButton | modifier);  // down half the distance
    EXPECT_NEAR(effect.getParameter(10), 0.0f, 1e-6);
}
INSTANTIATE_TEST_SUITE_P(Modifiers, KnobDrag,
                         ::testing::Values(std::make_tuple(0, 60), std::make_tuple(int32_t(kShift), 120),
                                           std::make_tuple(int32_t(kControl), 180)));

TEST_F(Controls, DownAndRightByTheSameAmountKeepsAKnobsValue) {
    set(10, 0.4f);
    drag(centre(10), 25, 25);
    EXPECT_FLOAT_EQ(effect.getParameter(10), 0.4f);
    drag(centre(10), 10, 0);  // right alone raises it
    EXPECT_NEAR(effect.getParameter(10), 0.4f + 10.0f / 60.0f, 1e-5);
}

TEST_F(Controls, ProportionalKnobStartsAtATenThousandthAndGrowsFivePercentPerMove) {
    set(9, 0.0f);  // Comp Ratio
    const CPoint at = centre(9);
    drag(at, 0, -1, kLButton, false);
    EXPECT_FLOAT_EQ(effect.getParameter(9), 0.0001f * 1.05f);
    OnEditorThread([&] { frame()->platformOnMouseMoved(CPoint(at.h, at.v - 2), kLButton); });
    EXPECT_FLOAT_EQ(effect.getParameter(9), 0.0001f * 1.05f * 1.05f);
    for (int i = 0; i < 3; ++i)  // down: 5 % less each move, then below 0.0001 it snaps to 0
        OnEditorThread([&] { frame()->platformOnMouseMoved(CPoint(at.h, at.v + i), kLButton); });
    EXPECT_EQ(effect.getParameter(9), 0.0f);
    OnEditorThread([&] { frame()->platformOnMouseUp(at, 0); });
    // The picture law: value 0.5 shows the frame of 1 - 0.5^4 = 0.9375 of the strip.
    set(9, 0.5f);
    auto* knob = dynamic_cast<Mox_Knob*>(editor.slot(9));
    ASSERT_NE(knob, nullptr);
    EXPECT_FLOAT_EQ(knob->shownValue(), 0.5f);
}

TEST_F(Controls, DoubleClickSetsTheFactoryDefaultAndHoldsUntilRelease) {
    set(10, 0.9f);
    const float factory = Mox_Knob::FactoryDefault(10);
    ASSERT_NE(factory, 0.9f);
    drag(centre(10), 0, -30, kLButton | kDoubleClick);
    EXPECT_FLOAT_EQ(effect.getParameter(10), factory) << "moves after the double click do nothing";
}

TEST_F(Controls, PressesPassThroughTransparentPixelsOfAKnob) {
    set(10, 0.2f);
    const CRect r = editor.slot(10)->getFrameRect();
    OnEditorThread([&] {
        EXPECT_EQ(frame()->platformOnMouseDown(CPoint(r.left + 1, r.top + 1), kLButton), kMouseEventNotHandled);
        EXPECT_EQ(frame()->platformOnMouseDown(centre(10), kLButton), kMouseEventHandled);
        frame()->platformOnMouseUp(centre(10), 0);
    });
}

TEST_F(Controls, SliderTravelsItsTrackAndOnlyTheHandleTakesPresses) {
    auto* slider = dynamic_cast<Mox_HV_Slider*>(editor.slot(8));  // Comp Thresh
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->travel(), 160);
    set(8, 0.0f);
    const CRect handle = slider->handleRect();
    const CRect view = slider->getFrameRect();
    OnEditorThread([&] {  // the bare track above the handle
        EXPECT_EQ(frame()->platformOnMouseDown(CPoint(view.left + 18, view.top + 20), kLButton), kMouseEventNotHandled);
    });
    drag(CPoint(handle.left + 18, handle.top + 27), 30, -160);  // sideways moves do nothing
    EXPECT_FLOAT_EQ(effect.getParameter(8), 1.0f);
}

TEST_F(Controls, OverloadLampLightsAtOnceAndGoesOutInOneTick) {
    auto* lamp = dynamic_cast<Mox_AnimButton*>(editor.slot(80));
    ASSERT_NE(lamp, nullptr);
    EXPECT_FALSE(lamp->getMouseEnabled());
    OnEditorThread([&] { lamp->setValue(1.0f); });
    EXPECT_EQ(lamp->phase(), 1.0f);
    OnEditorThread([&] { lamp->setValue(0.0f); });
    editor.runTicks(1);  // (2 frames - 1) / speed 1 = one tick
    EXPECT_EQ(lamp->phase(), 0.0f);
}

TEST_F(Controls, BypassPulsesWhileOnAndSettlesOffWhenClickedAgain) {
    auto* bypass = dynamic_cast<Mox_AnimButton*>(editor.slot(65));
    ASSERT_NE(bypass, nullptr);
    OnEditorThread([&] { frame()->platformOnMouseDown(centre(65), kLButton); });
    EXPECT_EQ(effect.ControlValue(65), 0.1f) << "the host's bypass parameter is on";
    // The first tick lifts it to the second frame, then 0.5/7 per tick to the top
    // (13 ticks in all), back at half speed, never below the second frame.
    editor.runTicks(12);
    EXPECT_LT(bypass->phase(), 1.0f);
    editor.runTicks(1);
    EXPECT_FLOAT_EQ(bypass->phase(), 1.0f);
    float lowest = 1.0f;
    for (int i = 0; i < 100; ++i) {
        editor.runTicks(1);
        lowest = std::min(lowest, bypass->phase());
    }
    EXPECT_NEAR(lowest, 1.0f / 7.0f, 1e-5);
    OnEditorThread([&] { frame()->platformOnMouseDown(centre(65), kLButton); });
    editor.runTicks(15);
    EXPECT_EQ(bypass->phase(), 0.0f);
    EXPECT_EQ(bypass->shownFrame(), 0);
}

TEST_F(Controls, MeterButtonSlidesThePanelDownAndBack) {
    CViewContainer* meters = editor.panel(1);
    const CRect closed = meters->getViewSize();
    const CRect button = editor.slot(68)->getFrameRect();
    ASSERT_LT(button.top, 0) << "the closed panel's button hangs at the top edge";
    OnEditorThread([&] { frame()->platformOnMouseDown(CPoint(button.left + 20, 8), kLButton); });
    editor.runTicks(100);
    EXPECT_EQ(meters->getViewSize().top, 0);
    OnEditorThread([&] { frame()->platformOnMouseDown(centre(68), kLButton); });
    editor.runTicks(100);
    EXPECT_EQ(meters->getViewSize(), closed);
}

TEST_F(Controls, MomentaryButtonIsOnOnlyWhileHeld) {
    set(67, 1.0f);  // the information panel, which holds the web-link button
    const CPoint web = centre(70);
    OnEditorThread([&] { frame()->platformOnMouseDown(web, kLButton); });
    EXPECT_FLOAT_EQ(effect.ControlValue(70), 0.1f);
    OnEditorThread([&] { frame()->platformOnMouseUp(web, 0); });
    EXPECT_FLOAT_EQ(effect.ControlValue(70), 0.0f);
}

TEST_F(Controls, AHostHearsADragAsOneGestureWithEachChangeOnce) {
    set(10, 0.0f);
    RecordedHostCalls().clear();
    drag(centre(10), 0, -12);
    EXPECT_EQ(calls(audioMasterBeginEdit, 10), 1);
    EXPECT_EQ(calls(audioMasterEndEdit, 10), 1);
    EXPECT_EQ(calls(audioMasterAutomate, 10), 12);
    for (const HostRecord& r : RecordedHostCalls()) {
        if (r.opcode == audioMasterAutomate) {
            EXPECT_TRUE(r.opt >= 0.0f && r.opt <= 1.0f);
        }
    }
    // Editor elements (the meter button) are not host parameters: no gesture, no automation.
    RecordedHostCalls().clear();
    OnEditorThread([&] { frame()->platformOnMouseDown(centre(68), kLButton); });
    EXPECT_EQ(calls(audioMasterBeginEdit, 68) + calls(audioMasterAutomate, 68), 0);
}

// The host waits for the end of every gesture it heard begin: closing the editor
// in the middle of a drag ends it, once, and no later end reaches the host.
TEST_F(Controls, ClosingTheEditorMidDragEndsTheGesture) {
    set(10, 0.0f);
    drag(centre(10), 0, -12, kLButton, false);
    ASSERT_EQ(calls(audioMasterBeginEdit, 10), 1);
    ASSERT_EQ(calls(audioMasterEndEdit, 10), 0);
    OnEditorThread([&] { editor.close(); });
    EXPECT_EQ(calls(audioMasterEndEdit, 10), 1);
    OnEditorThread([&] { editor.endEdit(10); });
    EXPECT_EQ(calls(audioMasterEndEdit, 10), 1);
    ASSERT_TRUE(editor.openOffscreen());
    editor.runTicks(10);
    drag(centre(10), 0, 5);
    EXPECT_EQ(calls(audioMasterBeginEdit, 10), 2);
    EXPECT_EQ(calls(audioMasterEndEdit, 10), 2);
}

TEST_F(Controls, AutomationWrittenBackDuringADragDoesNotMoveTheKnob) {
    set(10, 0.0f);
    const CPoint at = centre(10);
    drag(at, 0, -30, kLButton, false);
    effect.setParameter(10, 0.1f);  // the host's automation thread, late
    editor.runTicks(2);
    OnEditorThread([&] { frame()->platformOnMouseMoved(CPoint(at.h, at.v - 31), kLButton); });
    EXPECT_NEAR(effect.getParameter(10), 31.0f / 60.0f, 1e-5);
    OnEditorThread([&] { frame()->platformOnMouseUp(at, 0); });
}

TEST_F(Controls, ControlsEaseToTheValuesOfAProgram) {
    effect.dispatcher(effSetProgram, 0, 3, nullptr, 0.0f);  // the host's thread: taken at the next tick
    editor.runTicks(100);
    for (int32_t tag : {4, 6, 8, 9, 10, 14, 15}) {
        auto* knob = dynamic_cast<Mox_Knob*>(editor.slot(tag));
        ASSERT_NE(knob, nullptr);
        EXPECT_NEAR(knob->shownValue(), effect.getParameter(tag), 0.005f) << "tag " << tag;
    }
}

TEST_F(Controls, ManyEventsAndBadInputKeepValuesInRange) {
    const CPoint at = centre(10);
    OnEditorThread([&] {
        frame()->platformOnMouseDown(at, kLButton);
        for (int i = 0; i < 5000; ++i) frame()->platformOnMouseMoved(CPoint(at.h + (i * 7919) % 3000 - 1500, at.v - i % 900), kLButton);
        frame()->platformOnMouseUp(CPoint(-5000, 9000), 0);  // released far outside the window
        frame()->platformOnWheel(at, kMouseWheelAxisY, std::nanf(""), 0);
        frame()->platformOnWheel(at, kMouseWheelAxisY, 1e30f, 0);
        frame()->platformOnMouseDown(CPoint(-10, -10), kLButton);
        frame()->platformOnMouseUp(CPoint(-10, -10), 0);
    });
    const float v = effect.getParameter(10);
    EXPECT_TRUE(v >= 0.0f && v <= 1.0f);
    for (const HostRecord& r : RecordedHostCalls()) {
        if (r.opcode == audioMasterAutomate) {
            ASSERT_TRUE(r.opt >= 0.0f && r.opt <= 1.0f) << r.opt;
        }
    }
}

// Groups, hubs and the spring knob on a table of the test's own.
const ControlDescriptor kGroupTable[] = {
    {0, 0, 0, 1, 0, 0, "BGD.png", 0, 0, "BGD.png", "", ""},
    {0, 0, kTypeKnobFrames, -1, 0, 0, "", 0, 0, "", "", ""},
    {3, 0, 1, -1, 10, 10, "Knob.png", 0, 1, "Parallel", "", ""},              // spring knob
    {47, 0, 18, -1, 100, 10, "InfoBut.png", 0, 1, "", "", ""},               // type-18 pair
    {48, 0, 18, -1, 200, 10, "InfoBut.png", 0, 1, "", "", ""},
    {47, 0, 103, 48, -1, -1, "", 0, 0, "", "", ""},
    {48, 0, 103, 47, -1, -1, "", 0, 0, "", "", ""},
    {49, 0, 16, -1, 0, 0, "", 0, 1, "", "a,b,c,d,", ""},                       // hub of four
    {50, 0, 13, -1, 100, 100, "eqon.png", 0, 1, "", "", ""},
    {51, 0, 13, -1, 120, 100, "eqon.png", 0, 1, "", "", ""},
    {52, 0, 13, -1, 140, 100, "eqon.png", 0, 1, "", "", ""},
    {53, 0, 13, -1, 160, 100, "eqon.png", 0, 1, "", "", ""},
    {49, 0, kTypeLinkWindow, 0, 50, 0, "", 0, 0, "", "", ""},
    {49, 0, kTypeLinkWindow, 1, 51, 0, "", 0, 0, "", "", ""},
    {49, 0, kTypeLinkWindow, 2, 52, 0, "", 0, 0, "", "", ""},
    {49, 0, kTypeLinkWindow, 3, 53, 0, "", 0, 0, "", "", ""},
    {0, 0, kTypeEndOfTable, 0, 0, 0, "", 0, 0, "", "", ""},
};

class SmallTable : public Controls {
protected:
    void SetUp() override {
        editor.setLayoutTable(kGroupTable, int(std::size(kGroupTable)));
        Controls::SetUp();
    }
};

TEST_F(SmallTable, SpringKnobReturnsToTheMiddleAndSaysSo) {
    set(3, 0.1f);
    RecordedHostCalls().clear();
    drag(centre(3), 0, -20);
    EXPECT_FLOAT_EQ(effect.getParameter(3), 0.5f);
    EXPECT_GT(calls(audioMasterAutomate, 3), 0);
}

TEST_F(SmallTable, AGroupThatMustKeepOneOnNeverEndsAllOff) {
    OnEditorThread([&] { frame()->platformOnMouseDown(centre(47), kLButton); });
    EXPECT_EQ(ValueOf(editor, 47), 1.0f);
    EXPECT_EQ(ValueOf(editor, 48), 0.0f);
    OnEditorThread([&] { frame()->platformOnMouseDown(centre(48), kLButton); });
    EXPECT_EQ(ValueOf(editor, 47), 0.0f) << "the other member goes off";
    EXPECT_EQ(ValueOf(editor, 48), 1.0f);
    OnEditorThread([&] { frame()->platformOnMouseDown(centre(48), kLButton); });
    EXPECT_EQ(ValueOf(editor, 48), 1.0f) << "pressing the one that is on leaves it on";
}

TEST_F(SmallTable, HubOfFourAtOneHalfSelectsTheSecond) {
    auto* hub = dynamic_cast<Mox_GUI_Multi_Button_Hub*>(editor.slot(49));
    ASSERT_NE(hub, nullptr);
    OnEditorThread([&] { hub->setValue(0.5f); });
    EXPECT_EQ(hub->selected(), 1);
    EXPECT_EQ(std::make_tuple(ValueOf(editor, 50), ValueOf(editor, 51), ValueOf(editor, 52), ValueOf(editor, 53)),
              std::make_tuple(0.0f, 1.0f, 0.0f, 0.0f));
    // Pressing the fourth member makes the hub's value 3 / 3.
    OnEditorThread([&] { frame()->platformOnMouseDown(centre(53), kLButton); });
    EXPECT_EQ(hub->selected(), 3);
    EXPECT_FLOAT_EQ(hub->getValue(), 1.0f);
}

}  // namespace
