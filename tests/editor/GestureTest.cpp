// Gestures through the editor built from the control table, offscreen: a
// proportional knob follows the distance dragged whatever number of move events
// carries it, a knob shows the effect's value once a press ends even when the
// host changed it during the press, and two-state buttons show "on" for any
// value that is not 0.
#include "tests/editor/EditorTestSupport.h"

#include "editor/controls/Knob.h"
#include "toolkit/CDrawContext.h"

#include <cmath>
#include <tuple>
#include <vector>

using namespace VSTGUI;
using namespace editor_test;

namespace {

constexpr int32_t kCompRatio = 9, kCompKnee = 10, kKneeNumber = 60, kEqActive = 28, kMeterButton = 68;

class Gestures : public OpenEditorTest {
protected:
    // Press at `at`, then `events` moves that share dy pixels evenly, release.
    void drag(CPoint at, int dy, int events, int32_t buttons) {
        OnEditorThread([&] {
            frame()->platformOnMouseDown(at, buttons);
            for (int i = 1; i <= events; ++i)
                frame()->platformOnMouseMoved(CPoint(at.h, at.v + dy * i / events), buttons);
            frame()->platformOnMouseUp(CPoint(at.h, at.v + dy), 0);
        });
    }
    std::vector<uint32_t> pixelsOf(int32_t tag) {
        editor.runTicks(100);
        OnEditorThread([&] { frame()->redrawAll(); });
        const CRect r = editor.slot(tag)->getFrameRect();
        std::vector<uint32_t> out;
        for (int32_t y = r.top; y < r.bottom; ++y)
            for (int32_t x = r.left; x < r.right; ++x) out.push_back(frame()->getBackBuffer()->getPixel(x, y));
        return out;
    }
};

// The same 24 pixels up or down, cut into 1 to 24 move events, under each
// modifier: every pixel is one step of the proportional law (5 %, 1.25 % with
// shift, a quarter of either with control).
class DistanceLaw : public Gestures, public ::testing::WithParamInterface<std::tuple<int, int32_t>> {};

TEST_P(DistanceLaw, AProportionalKnobFollowsThePixelsNotTheEvents) {
    const auto [events, modifier] = GetParam();
    float factor = (modifier & kShift) ? 0.0125f : 0.05f;
    if (modifier & kControl) factor *= 0.25f;
    float up = 0.1f, down = 0.1f;  // one event per pixel, step by step
    for (int i = 0; i < 24; ++i) {
        up = std::min(1.0f, up + up * factor);
        down -= down * factor;
    }
    set(kCompRatio, 0.1f);
    drag(centre(kCompRatio), -24, events, kLButton | modifier);
    EXPECT_NEAR(effect.getParameter(kCompRatio), up, up * 1e-5f) << events << " events up";
    set(kCompRatio, 0.1f);
    drag(centre(kCompRatio), 24, events, kLButton | modifier);
    EXPECT_NEAR(effect.getParameter(kCompRatio), down, down * 1e-5f) << events << " events down";
}
INSTANTIATE_TEST_SUITE_P(EventsAndModifiers, DistanceLaw,
                         ::testing::Combine(::testing::Values(1, 2, 6, 24),
                                            ::testing::Values(0, int32_t(kShift), int32_t(kControl),
                                                              int32_t(kShift | kControl))));

// The host sets Comp.Knee while the user holds it: the knob stays under the mouse,
// and on release it, its number and the effect agree on the host's value, unless
// the user moved it again after the host did.
TEST_F(Gestures, AfterAPressTheKnobShowsTheValueTheEffectHolds) {
    auto* knob = dynamic_cast<Mox_Knob*>(editor.slot(kCompKnee));
    ASSERT_NE(knob, nullptr);
    set(kCompKnee, 0.0f);
    const CPoint at = centre(kCompKnee);
    OnEditorThread([&] {
        frame()->platformOnMouseDown(at, kLButton);
        frame()->platformOnMouseMoved(CPoint(at.h, at.v - 15), kLButton);  // 25 %
        effect.setParameter(kCompKnee, 0.8f);                              // automation, on this thread
    });
    effect.setParameter(kCompKnee, 0.7f);  // outside the editor's thread: met at the next ticks
    editor.runTicks(5);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.25f) << "no jump under the mouse";
    OnEditorThread([&] { frame()->platformOnMouseUp(CPoint(at.h, at.v - 15), 0); });
    EXPECT_FLOAT_EQ(knob->getValue(), 0.7f);
    editor.runTicks(100);
    EXPECT_FLOAT_EQ(knob->shownValue(), 0.7f);
    EXPECT_FLOAT_EQ(ValueOf(editor, kKneeNumber), 0.7f) << "the number follows";
    EXPECT_FLOAT_EQ(effect.getParameter(kCompKnee), 0.7f);

    OnEditorThread([&] {
        frame()->platformOnMouseDown(at, kLButton);
        effect.setParameter(kCompKnee, 0.1f);
        frame()->platformOnMouseMoved(CPoint(at.h, at.v - 6), kLButton);  // the user has the last word
        frame()->platformOnMouseUp(CPoint(at.h, at.v - 6), 0);
    });
    editor.runTicks(100);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.8f);
    EXPECT_FLOAT_EQ(effect.getParameter(kCompKnee), 0.8f);
}

// "EQ Active" (an on/off button) and the meter panel's button (an exclusive
// button) at a value between 0 and 1 look exactly as at 1, and differ from 0.
TEST_F(Gestures, TwoStateButtonsShowOnForAnyValueButZero) {
    for (int32_t tag : {kEqActive, kMeterButton}) {
        set(tag, 0.0f);
        const std::vector<uint32_t> off = pixelsOf(tag);
        set(tag, 1.0f);
        const std::vector<uint32_t> on = pixelsOf(tag);
        ASSERT_NE(on, off) << "tag " << tag;
        for (float v : {0.5f, 0.01f}) {
            set(tag, v);
            EXPECT_EQ(pixelsOf(tag), on) << "tag " << tag << " at " << v;
        }
    }
}

}  // namespace
