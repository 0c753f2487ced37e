// Timers on a test clock, and the tooltip's show/hide timing.
#include "platform/PlatformFrame.h"
#include "platform/TimerQueue.h"
#include "toolkit/CFrame.h"
#include "toolkit/CTooltipSupport.h"
#include "toolkit/CVSTGUITimer.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace VSTGUI;
using orva::platform::TimerQueue;

namespace {

uint64_t fakeNow = 1000;
uint64_t fakeClock() { return fakeNow; }

struct Clocked : ::testing::Test {
    Clocked() { TimerQueue::instance().setClockForTesting(fakeClock); }
    ~Clocked() override { TimerQueue::instance().setClockForTesting(nullptr); }
    void advance(uint64_t ms) {
        // Step in small increments, as a UI loop would.
        for (uint64_t i = 0; i < ms; ++i) {
            ++fakeNow;
            TimerQueue::instance().fireDue(fakeNow);
        }
    }
};

struct Counter : CBaseObject {
    int ticks = 0;
    CMessageResult notify(CBaseObject*, const char* message) override {
        if (isMessage(message, kMsgTimerFired)) ++ticks;
        return kMessageNotified;
    }
};

}  // namespace

TEST_F(Clocked, TimerFiresEveryPeriodUntilStoppedAndRestartsOnNewPeriod) {
    Counter target;
    auto* timer = new CVSTGUITimer(&target, 14);
    advance(100);
    EXPECT_EQ(target.ticks, 0);  // not started
    timer->start();
    advance(140);
    EXPECT_EQ(target.ticks, 10);
    advance(10);
    timer->setFireTime(100);  // restarts: next tick 100 ms from now
    advance(99);
    EXPECT_EQ(target.ticks, 10);
    advance(1);
    EXPECT_EQ(target.ticks, 11);
    timer->stop();
    advance(500);
    EXPECT_EQ(target.ticks, 11);
    timer->start();
    timer->forget();  // destruction stops it
    advance(500);
    EXPECT_EQ(target.ticks, 11);
}

TEST_F(Clocked, TooltipShowsAfterTheDelayAndFollowsTheMouse) {
    CFrame* frame = new CFrame(CRect(0, 0, 200, 100), nullptr, nullptr);
    auto* platform = static_cast<orva::platform::OffscreenFrame*>(frame->getPlatformFrame());
    auto* a = new CView(CRect(0, 0, 50, 50));
    auto* b = new CView(CRect(60, 0, 110, 50));
    auto* silent = new CView(CRect(120, 0, 170, 50));
    a->setAttribute(kCViewTooltipAttribute, 6, "Attack");
    b->setAttribute(kCViewTooltipAttribute, 8, "Release");
    frame->addView(a);
    frame->addView(b);
    frame->addView(silent);
    auto* tips = new CTooltipSupport(frame);

    frame->platformOnMouseMoved(CPoint(10, 10), 0);
    EXPECT_EQ(tips->getState(), CTooltipSupport::kShowing);
    advance(499);
    EXPECT_FALSE(platform->tooltipVisible);
    advance(1);
    EXPECT_TRUE(platform->tooltipVisible);
    EXPECT_EQ(platform->tooltipText, "Attack");
    EXPECT_EQ(platform->tooltipRect, CRect(0, 0, 50, 50));
    advance(100);
    EXPECT_EQ(tips->getState(), CTooltipSupport::kVisible);

    // On to the neighbour: hiding, then its tooltip 50 ms after entering.
    frame->platformOnMouseMoved(CPoint(70, 10), 0);
    EXPECT_EQ(tips->getState(), CTooltipSupport::kShowing);
    advance(49);
    EXPECT_EQ(platform->tooltipText, "Attack");
    advance(1);
    EXPECT_EQ(platform->tooltipText, "Release");

    // A press hides it at once.
    advance(100);
    frame->platformOnMouseDown(CPoint(70, 10), kLButton);
    EXPECT_FALSE(platform->tooltipVisible);
    EXPECT_EQ(tips->getState(), CTooltipSupport::kHidden);

    // A view without a tooltip shows nothing.
    frame->platformOnMouseUp(CPoint(70, 10), 0);
    frame->platformOnMouseMoved(CPoint(130, 10), 0);
    advance(1000);
    EXPECT_FALSE(platform->tooltipVisible);

    tips->forget();
    frame->forget();
}

TEST(TooltipText, BreaksAtNewlinesAndWrapsAt180Pixels) {
    auto sixPerChar = [](const std::string& s) { return int32_t(s.size() * 6); };  // 30 characters per line
    const auto lines = orva::platform::wrapText(
        "Short\nThe release time sets how fast the gain returns\n" + std::string(40, 'w'), 180, sixPerChar);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Short");
    EXPECT_EQ(lines[1], "The release time sets how fast");
    EXPECT_EQ(lines[2], "the gain returns");
    EXPECT_EQ(lines[3], std::string(30, 'w'));
    EXPECT_EQ(lines[4], std::string(10, 'w'));
}
