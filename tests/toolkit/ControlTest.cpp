// Controls: defaults, dirty state, the editing protocol, the default-value
// gesture, knob dragging, wheel and keys, and the on/off button.
#include "ToolkitTestSupport.h"

#include "toolkit/CAnimKnob.h"
#include "toolkit/CFrame.h"
#include "toolkit/CKnob.h"
#include "toolkit/COnOffButton.h"
#include "toolkit/CParamDisplay.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace VSTGUI;
using toolkit_test::Recorder;

namespace {

// A frame of 200 x 200 with one control added at (50, 50); events in frame coordinates.
struct Fixture : ::testing::Test {
    Recorder recorder;
    CFrame* frame = new CFrame(CRect(0, 0, 200, 200), nullptr, &recorder);
    ~Fixture() override { frame->forget(); }

    template <typename T>
    T* add(T* view) {
        frame->addView(view);
        return view;
    }
    CKnob* knob() { return add(new CKnob(CRect(50, 50, 90, 90), &recorder, 7, nullptr, nullptr)); }
};

using ControlBasics = Fixture;
using KnobDrag = Fixture;

}  // namespace

TEST_F(ControlBasics, NewControlDefaultsAndDirtyRules) {
    CControl* c = add(new CControl(CRect(0, 0, 10, 10), &recorder, 3));
    c->setDirty(false);
    EXPECT_EQ(c->getValue(), 0.0f);
    EXPECT_EQ(c->getMin(), 0.0f);
    EXPECT_EQ(c->getMax(), 1.0f);
    EXPECT_EQ(c->getDefaultValue(), 0.5f);
    EXPECT_EQ(c->getWheelInc(), 0.1f);
    EXPECT_GE(c->getDoubleClickTime(), 250);
    CControl fresh(CRect(0, 0, 1, 1));
    EXPECT_EQ(fresh.getOldValue(), 1.0f);

    EXPECT_FALSE(c->isDirty());
    c->setValue(0.25f);
    EXPECT_TRUE(c->isDirty());  // value differs from the one last drawn
    c->setDirty(false);
    EXPECT_EQ(c->getOldValue(), 0.25f);
    c->setDirty(true);
    EXPECT_EQ(c->getOldValue(), -1.0f);
    c->setValue(-1.0f);
    c->setDirty(true);
    EXPECT_EQ(c->getOldValue(), 0.0f);  // still differs from a value of -1
    EXPECT_TRUE(c->isTypeOf("CControl"));
    EXPECT_TRUE(c->isTypeOf("CView"));
    EXPECT_FALSE(c->isTypeOf("CKnob"));
}

TEST_F(ControlBasics, WheelRunsTheEditingProtocolInOrder) {
    CKnob* k = knob();
    k->setDirty(false);
    recorder.log.clear();
    CPoint p(70, 70);
    EXPECT_TRUE(frame->platformOnWheel(p, kMouseWheelAxisY, 1.0f, 0));
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"listenerBegin", "hostBegin:7", "valueChanged", "hostEnd:7",
                                                      "listenerEnd"}));
    EXPECT_FLOAT_EQ(k->getValue(), 0.1f);
}

TEST_F(ControlBasics, DefaultValueGestureIsLeftPlusControlOnly) {
    CKnob* k = knob();
    k->setValue(0.9f);
    k->setDirty(false);
    recorder.log.clear();
    // Left + control + shift is not the gesture (and goes to the listener first).
    EXPECT_EQ(frame->platformOnMouseDown(CPoint(70, 70), kLButton | kControl | kShift), kMouseEventHandled);
    frame->platformOnMouseUp(CPoint(70, 70), 0);
    EXPECT_FLOAT_EQ(k->getValue(), 0.9f);

    recorder.log.clear();
    EXPECT_EQ(frame->platformOnMouseDown(CPoint(70, 70), kLButton | kControl),
              kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FLOAT_EQ(k->getValue(), 0.5f);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"modifierClicked:34", "listenerBegin", "hostBegin:7",
                                                      "valueChanged", "hostEnd:7", "listenerEnd"}));
}

TEST_F(ControlBasics, WheelAndArrowKeysStepAndStayInRange) {
    CKnob* k = knob();
    const CPoint p(70, 70);
    frame->platformOnWheel(p, kMouseWheelAxisY, 1.0f, 0);
    EXPECT_NEAR(k->getValue(), 0.1f, 1e-6);
    frame->platformOnWheel(p, kMouseWheelAxisY, 1.0f, kShift);
    EXPECT_NEAR(k->getValue(), 0.11f, 1e-6);
    frame->platformOnWheel(p, kMouseWheelAxisX, 1.0f, 0);  // horizontal runs the other way
    EXPECT_NEAR(k->getValue(), 0.01f, 1e-6);
    for (int i = 0; i < 30; ++i) frame->platformOnWheel(p, kMouseWheelAxisY, 1.0f, 0);
    EXPECT_EQ(k->getValue(), 1.0f);
    for (int i = 0; i < 30; ++i) frame->platformOnWheel(p, kMouseWheelAxisY, -1.0f, 0);
    EXPECT_EQ(k->getValue(), 0.0f);

    frame->platformOnMouseMoved(p, 0);  // keys go to the view under the mouse
    EXPECT_EQ(frame->platformOnKeyDown(kVKeyUp, 0, 0), 1);
    EXPECT_NEAR(k->getValue(), 0.1f, 1e-6);
    frame->platformOnKeyDown(kVKeyRight, 0, kVKeyModShift);
    EXPECT_NEAR(k->getValue(), 0.11f, 1e-6);
    frame->platformOnKeyDown(kVKeyLeft, 0, 0);
    frame->platformOnKeyDown(kVKeyDown, 0, 0);
    EXPECT_EQ(k->getValue(), 0.0f);
    EXPECT_EQ(frame->platformOnKeyDown(kVKeyHome, 'a', 0), -1);
}

TEST_F(KnobDrag, LinearDragWithShiftIsSlowerByTheZoomAndContinuous) {
    recorder.knobMode = kLinearMode;
    CKnob* k = knob();
    k->setZoomFactor(4.0f);
    k->setValue(0.5f);
    ASSERT_EQ(frame->platformOnMouseDown(CPoint(70, 70), kLButton), kMouseEventHandled);
    frame->platformOnMouseMoved(CPoint(90, 70), kLButton);  // 20 px right: 20 / 200
    EXPECT_NEAR(k->getValue(), 0.6f, 1e-6);
    frame->platformOnMouseMoved(CPoint(90, 60), kLButton);  // 10 px up
    EXPECT_NEAR(k->getValue(), 0.65f, 1e-6);

    // Shift pressed mid-drag: no jump, then 1/4 of the speed.
    frame->platformOnMouseMoved(CPoint(90, 60), kLButton | kShift);
    EXPECT_NEAR(k->getValue(), 0.65f, 1e-6);
    frame->platformOnMouseMoved(CPoint(130, 60), kLButton | kShift);  // 40 px: 40 / 800
    EXPECT_NEAR(k->getValue(), 0.70f, 1e-6);
    // Released mid-drag: continuous again, back to full speed.
    frame->platformOnMouseMoved(CPoint(130, 60), kLButton);
    EXPECT_NEAR(k->getValue(), 0.70f, 1e-6);
    frame->platformOnMouseMoved(CPoint(130, 40), kLButton);
    EXPECT_NEAR(k->getValue(), 0.80f, 1e-6);
    frame->platformOnMouseMoved(CPoint(130, -500), kLButton);
    EXPECT_EQ(k->getValue(), 1.0f);
    frame->platformOnMouseUp(CPoint(130, -500), 0);
    EXPECT_FALSE(k->isDragging());
    // One edit gesture for the whole drag.
    EXPECT_EQ(std::count(recorder.log.begin(), recorder.log.end(), "hostBegin:7"), 1);
    EXPECT_EQ(recorder.log.back(), "listenerEnd");
}

TEST_F(KnobDrag, AltSwapsLinearAndCircular) {
    CKnob* k = knob();  // circular mode: alt makes it linear
    k->setValue(0.5f);
    frame->platformOnMouseDown(CPoint(70, 70), kLButton | kAlt);
    frame->platformOnMouseMoved(CPoint(80, 70), kLButton | kAlt);
    EXPECT_NEAR(k->getValue(), 0.55f, 1e-6);
    frame->platformOnMouseUp(CPoint(80, 70), 0);
}

TEST_F(KnobDrag, CircularDragFollowsTheAngleAndSnapsAcrossTheGap) {
    CKnob* k = knob();  // 40 x 40, centre (20, 20) local; range 3/4 pi .. 9/4 pi
    k->setValue(0.4f);
    ASSERT_EQ(frame->platformOnMouseDown(CPoint(70, 70), kLButton), kMouseEventHandled);
    frame->platformOnMouseMoved(CPoint(70, 50), kLButton);  // straight up: the middle
    EXPECT_NEAR(k->getValue(), 0.5f, 1e-5);
    frame->platformOnMouseMoved(CPoint(90, 70), kLButton);  // right: 5/6 of the range
    EXPECT_NEAR(k->getValue(), 5.0f / 6.0f, 1e-5);
    frame->platformOnMouseMoved(CPoint(80, 85), kLButton);  // lower right, near the end
    const float nearMax = k->getValue();
    EXPECT_GT(nearMax, 0.9f);
    // Across the gap to the lower left (raw angle near the minimum): snaps to the maximum.
    frame->platformOnMouseMoved(CPoint(60, 85), kLButton);
    EXPECT_EQ(k->getValue(), 1.0f);
    // Inside the gap, just right of the bottom: the nearer end is the maximum.
    frame->platformOnMouseMoved(CPoint(71, 95), kLButton);
    EXPECT_EQ(k->getValue(), 1.0f);
    frame->platformOnMouseUp(CPoint(71, 95), 0);

    // From the minimum the other way.
    k->setValue(0.02f);
    frame->platformOnMouseDown(CPoint(70, 70), kLButton);
    frame->platformOnMouseMoved(CPoint(80, 85), kLButton);
    EXPECT_EQ(k->getValue(), 0.0f);
    frame->platformOnMouseUp(CPoint(80, 85), 0);
}

TEST_F(KnobDrag, RelativeCircularModeTurnsByThePointersTurnWithoutJumping) {
    recorder.knobMode = kRelativCircularMode;
    CKnob* k = knob();  // centre (70, 70) in the frame; the range spans 1.5 pi
    k->setValue(0.5f);
    // Pressed to the right of the centre (an angle far from 0.5's): nothing moves yet.
    ASSERT_EQ(frame->platformOnMouseDown(CPoint(89, 70), kLButton), kMouseEventHandled);
    frame->platformOnMouseMoved(CPoint(89, 70), kLButton);
    EXPECT_NEAR(k->getValue(), 0.5f, 1e-6);
    // A quarter turn clockwise (right to bottom) is a third of the range.
    frame->platformOnMouseMoved(CPoint(70, 89), kLButton);
    EXPECT_NEAR(k->getValue(), 0.5f + 1.0f / 3.0f, 1e-5);
    // Back through the right and on to the top, across angle 0: two thirds down.
    frame->platformOnMouseMoved(CPoint(89, 70), kLButton);
    frame->platformOnMouseMoved(CPoint(70, 50), kLButton);
    EXPECT_NEAR(k->getValue(), 0.5f - 1.0f / 3.0f, 1e-5);
    // Turning on past the minimum stops there, and turning back counts at once.
    frame->platformOnMouseMoved(CPoint(50, 70), kLButton);
    frame->platformOnMouseMoved(CPoint(70, 89), kLButton);
    EXPECT_EQ(k->getValue(), 0.0f);
    frame->platformOnMouseMoved(CPoint(50, 70), kLButton);
    EXPECT_NEAR(k->getValue(), 1.0f / 3.0f, 1e-5);
    frame->platformOnMouseUp(CPoint(50, 70), 0);
}

TEST_F(KnobDrag, HandlePointFollowsTheValue) {
    CKnob* k = knob();
    k->setValue(0.5f);
    EXPECT_EQ(k->valueToPoint(), CPoint(20, 3));  // straight up, radius 20 - inset 3
    k->setValue(0.0f);
    const CPoint p = k->valueToPoint();  // lower left at 3/4 pi
    EXPECT_EQ(p, CPoint(int(std::lround(20 - 17 * std::sqrt(0.5))), int(std::lround(20 + 17 * std::sqrt(0.5)))));
}

TEST_F(ControlBasics, OnOffButtonTogglesOnPressNotRelease) {
    COnOffButton* b = add(new COnOffButton(CRect(10, 10, 30, 30), &recorder, 4, nullptr));
    EXPECT_EQ(frame->platformOnMouseDown(CPoint(15, 15), kLButton), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_EQ(b->getValue(), 1.0f);
    frame->platformOnMouseUp(CPoint(15, 15), 0);
    EXPECT_EQ(b->getValue(), 1.0f);
    b->setValue(2.5f);  // any non-zero integer part counts as on
    frame->platformOnMouseDown(CPoint(15, 15), kLButton);
    EXPECT_EQ(b->getValue(), 0.0f);
    b->setValue(0.7f);  // truncates to 0: off
    frame->platformOnMouseDown(CPoint(15, 15), kLButton);
    EXPECT_EQ(b->getValue(), 1.0f);
    frame->platformOnMouseDown(CPoint(15, 15), kMButton);  // only the left button
    EXPECT_EQ(b->getValue(), 1.0f);
    EXPECT_EQ(recorder.values, (std::vector<float>{1.0f, 0.0f, 1.0f}));
}

TEST_F(ControlBasics, AnimKnobPicksTheSubPictureFromTheValue) {
    CAnimKnob* k = add(new CAnimKnob(CRect(0, 0, 10, 10), &recorder, 1, 11, 10, nullptr));
    k->setValue(0.0f);
    EXPECT_EQ(k->frameIndex(), 0);
    k->setValue(0.55f);
    EXPECT_EQ(k->frameIndex(), 5);
    k->setValue(1.0f);
    EXPECT_EQ(k->frameIndex(), 10);
    k->setInverseBitmap(true);
    EXPECT_EQ(k->frameIndex(), 0);
    k->setValue(-0.5f);
    EXPECT_EQ(k->frameIndex(), -1);
    EXPECT_TRUE(k->isTypeOf("CKnob"));
}

TEST_F(ControlBasics, ParamDisplayTextFromCallbacks) {
    CParamDisplay* d = add(new CParamDisplay(CRect(0, 0, 50, 20)));
    d->setValue(0.126f);
    char text[256];
    d->valueToString(text);
    EXPECT_STREQ(text, "0.13");
    d->setStringConvert([](float v, char* s) { std::snprintf(s, 256, "%d%%", int(v * 100)); });
    d->valueToString(text);
    EXPECT_STREQ(text, "12%");
    static int tagSeen = 0;
    int userTag = 42;
    d->setStringConvert([](float, char* s, void* user) { tagSeen = *static_cast<int*>(user); std::snprintf(s, 256, "u"); },
                        &userTag);
    d->valueToString(text);
    EXPECT_STREQ(text, "u");  // the user-data form wins
    EXPECT_EQ(tagSeen, 42);
}
