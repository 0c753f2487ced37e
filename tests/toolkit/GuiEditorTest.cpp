// The editor base class: the host hears begin and end edit for a control's tag,
// keys reach the frame, and the host's idle drives the toolkit's timers.
#include "platform/TimerQueue.h"
#include "sdk/AEffGUIEditor.h"
#include "sdk/AudioEffectX.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"
#include "toolkit/CKnob.h"
#include "toolkit/CVSTGUITimer.h"

#include <gtest/gtest.h>

#include <vector>

using namespace VSTGUI;

namespace {

std::vector<std::pair<int32_t, int32_t>> hostCalls;  // opcode, index (or width for a resize)

intptr_t VSTCALLBACK recordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t value, void*, float) {
    if (opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit) hostCalls.emplace_back(opcode, index);
    if (opcode == audioMasterSizeWindow) {
        hostCalls.emplace_back(opcode, index);
        hostCalls.emplace_back(opcode, int32_t(value));
    }
    return 1;
}

struct Effect : AudioEffectX {
    Effect() : AudioEffectX(recordingHost, 1, 8) {}
};

// A minimal editor: a frame without a window holding one knob with tag 5.
struct Editor : AEffGUIEditor {
    CKnob* knob = nullptr;
    explicit Editor(AudioEffect* e) : AEffGUIEditor(e) {
        rect.right = 100;
        rect.bottom = 60;
    }
    bool open(void* parent) override {
        AEffGUIEditor::open(parent);
        frame = new CFrame(CRect(0, 0, 100, 60), nullptr, this);
        knob = new CKnob(CRect(10, 10, 50, 50), nullptr, 5, nullptr, nullptr);
        frame->addView(knob);
        return true;
    }
};

struct Ticks : CBaseObject {
    int count = 0;
    CMessageResult notify(CBaseObject*, const char*) override {
        ++count;
        return kMessageNotified;
    }
};

}  // namespace

TEST(GuiEditor, ControlEditsReachTheHostAndIdleDrivesTimers) {
    Effect effect;
    Editor editor(&effect);
    ERect* r = nullptr;
    ASSERT_TRUE(editor.getRect(&r));
    EXPECT_EQ(r->right, 100);
    ASSERT_TRUE(editor.open(nullptr));

    hostCalls.clear();
    editor.getFrame()->platformOnWheel(CPoint(20, 20), kMouseWheelAxisY, 1.0f, 0);
    EXPECT_EQ(hostCalls, (std::vector<std::pair<int32_t, int32_t>>{{audioMasterBeginEdit, 5}, {audioMasterEndEdit, 5}}));

    // Keys from the host go to the view under the mouse.
    editor.getFrame()->platformOnMouseMoved(CPoint(20, 20), 0);
    VstKeyCode up{0, kVKeyUp, 0};
    EXPECT_TRUE(editor.onKeyDown(up));
    EXPECT_NEAR(editor.knob->getValue(), 0.2f, 1e-6);
    VstKeyCode letter{'q', 0, 0};
    EXPECT_FALSE(editor.onKeyDown(letter));

    // Knob mode from the host decides linear dragging.
    editor.setKnobMode(kLinearMode);
    EXPECT_EQ(editor.getFrame()->getKnobMode(), kLinearMode);
    editor.getFrame()->platformOnMouseDown(CPoint(30, 30), kLButton);
    editor.getFrame()->platformOnMouseMoved(CPoint(50, 30), kLButton);
    editor.getFrame()->platformOnMouseUp(CPoint(50, 30), 0);
    EXPECT_NEAR(editor.knob->getValue(), 0.3f, 1e-6);
    editor.setKnobMode(kCircularMode);

    Ticks ticks;
    auto* timer = new CVSTGUITimer(&ticks, 1);
    timer->start();
    const uint64_t until = orva::platform::TimerQueue::instance().now() + 50;
    while (orva::platform::TimerQueue::instance().now() < until && ticks.count < 3) editor.idle();
    EXPECT_GE(ticks.count, 1);
    timer->forget();

    editor.close();
    EXPECT_EQ(editor.getFrame(), nullptr);
}

TEST(GuiEditor, ResizingTheFrameAsksTheHostAndUpdatesTheRectangle) {
    Effect effect;
    Editor editor(&effect);
    ASSERT_TRUE(editor.open(nullptr));
    hostCalls.clear();
    ASSERT_TRUE(editor.getFrame()->setSize(100, 60));  // unchanged: the host is not asked
    EXPECT_TRUE(hostCalls.empty());
    ASSERT_TRUE(editor.getFrame()->setSize(320, 200));
    EXPECT_EQ(hostCalls, (std::vector<std::pair<int32_t, int32_t>>{{audioMasterSizeWindow, 320},
                                                                   {audioMasterSizeWindow, 200}}));
    ERect* r = nullptr;
    ASSERT_TRUE(editor.getRect(&r));
    EXPECT_EQ(r->right - r->left, 320);
    EXPECT_EQ(r->bottom - r->top, 200);
    EXPECT_EQ(editor.getFrame()->getBackBuffer()->getWidth(), 320);
    // Sizes no window can have are refused and change nothing.
    hostCalls.clear();
    EXPECT_FALSE(editor.getFrame()->setSize(0, 200));
    EXPECT_FALSE(editor.getFrame()->setSize(70000, 200));
    EXPECT_TRUE(hostCalls.empty());
    EXPECT_EQ(r->right - r->left, 320);
    editor.close();
}
