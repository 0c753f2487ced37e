// The frame in a real X server: this program plays the host, opens a frame in
// its own top-level window, drives it with XTest, and compares the window's
// pixels with the same scene drawn offscreen. Run through run-with-xvfb.sh;
// skipped without an X display.
#include "ToolkitTestSupport.h"
#include "X11TestSupport.h"

#include "platform/PlatformFrame.h"
#include "platform/TimerQueue.h"
#include "platform/X11Frame.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"
#include "toolkit/CKnob.h"
#include "toolkit/COnOffButton.h"
#include "toolkit/COptionMenu.h"
#include "toolkit/CTextEdit.h"
#include "toolkit/CParamDisplay.h"
#include "toolkit/CVSTGUITimer.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using namespace VSTGUI;
using namespace toolkit_test;

namespace {

// A knob drawn on a filled disc so that its pixels are easy to compare.
struct Scene {
    CKnob* knob;
    COnOffButton* button;
    CParamDisplay* display;
};

Scene buildScene(CFrame* frame, Recorder* recorder, CBitmap* buttonSkin) {
    frame->setBackgroundColor(CColor{40, 60, 80, 255});
    Scene s;
    s.knob = new CKnob(CRect(20, 20, 80, 80), recorder, 1, nullptr, nullptr);
    s.knob->setValue(0.5f);
    s.knob->setColorHandle(CColor{255, 200, 0, 255});
    frame->addView(s.knob);
    s.button = new COnOffButton(CRect(120, 20, 160, 40), recorder, 2, buttonSkin);
    frame->addView(s.button);
    s.display = new CParamDisplay(CRect(100, 100, 220, 130));
    s.display->setBackColor(CColor{0, 0, 0, 255});
    s.display->setFrameColor(CColor{255, 255, 255, 255});
    frame->addView(s.display);
    return s;
}

CBitmap* makeButtonSkin() {
    toolkit_test::PngPicture params;  // 40 x 40: red (off) above green (on)
    params.width = 40;
    params.height = 40;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            params.rows.insert(params.rows.end(), {uint8_t(y < 20 ? 220 : 0), uint8_t(y < 20 ? 0 : 220), 0, 255});
    const auto png = toolkit_test::writePng(params);
    return CBitmap::createFromPngData(png.data(), png.size());
}

}  // namespace

TEST_F(X11Window, ViewsReceiveXTestInputAndTheWindowShowsTheOffscreenPicture) {
    recorder.knobMode = kLinearMode;
    CBitmap* skin = makeButtonSkin();
    CFrame* frame = new CFrame(CRect(0, 0, kWidth, kHeight), reinterpret_cast<void*>(uintptr_t(host)), &recorder);
    ASSERT_TRUE(frame->isOpen());
    ASSERT_TRUE(frame->getPlatformFrame()->isWindowed());
    Scene scene = buildScene(frame, &recorder, skin);
    frame->redrawAll();

    // A linear drag: 30 pixels right is 30/200 of the range.
    pointerTo(50, 50);
    ASSERT_TRUE(pumpUntil(frame, [&] { return frame->getViewUnderMouse() == scene.knob; }));
    button(true);
    ASSERT_TRUE(pumpUntil(frame, [&] { return scene.knob->isDragging(); }));
    pointerTo(80, 50);
    pumpUntil(frame, [&] { return scene.knob->getValue() > 0.64f; });
    pointerTo(95, 50);  // outside the knob: the grab keeps the moves coming
    pumpUntil(frame, [&] { return scene.knob->getValue() > 0.72f; });
    button(false);
    ASSERT_TRUE(pumpUntil(frame, [&] { return !scene.knob->isDragging(); }));
    EXPECT_NEAR(scene.knob->getValue(), 0.725f, 1e-5);
    EXPECT_EQ(recorder.log.front(), "listenerBegin");
    EXPECT_EQ(recorder.log.back(), "listenerEnd");

    // The on/off button switches on the press.
    pointerTo(130, 30);
    pumpUntil(frame, [&] { return frame->getViewUnderMouse() == scene.button; });
    button(true);
    EXPECT_TRUE(pumpUntil(frame, [&] { return scene.button->getValue() == 1.0f; }));
    button(false);
    pumpUntil(frame, [] { return false; }, 50);

    // The window's pixels equal the same scene drawn without any window.
    scene.display->setValue(scene.knob->getValue());
    frame->updateDirty();
    XSync(display, False);
    CFrame* offscreen = new CFrame(CRect(0, 0, kWidth, kHeight), nullptr, &recorder);
    Scene copy = buildScene(offscreen, &recorder, skin);
    copy.knob->setValue(scene.knob->getValue());
    copy.button->setValue(scene.button->getValue());
    copy.display->setValue(scene.knob->getValue());
    offscreen->redrawAll();

    XImage* image = XGetImage(display, host, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    int differing = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if ((XGetPixel(image, x, y) & 0xFFFFFF) != (offscreen->getBackBuffer()->getPixel(x, y) & 0xFFFFFF))
                ++differing;
    XDestroyImage(image);
    EXPECT_EQ(differing, 0);
    // And the scene is not trivially uniform: the button shows green where it was red.
    EXPECT_EQ(offscreen->getBackBuffer()->getPixel(130, 30) & 0xFFFFFF, 0x00DC00u);

    offscreen->forget();
    frame->forget();
    skin->forget();
}

TEST_F(X11Window, HostDestroyingItsWindowFirstDoesNotCrash) {
    const unsigned long errorsBefore = orva::platform::xErrorCount();
    CFrame* frame = new CFrame(CRect(0, 0, kWidth, kHeight), reinterpret_cast<void*>(uintptr_t(host)), &recorder);
    ASSERT_TRUE(frame->getPlatformFrame() && frame->getPlatformFrame()->isWindowed());
    frame->addView(new CKnob(CRect(0, 0, 40, 40), &recorder, 1, nullptr, nullptr));
    frame->redrawAll();
    XDestroyWindow(display, host);
    XSync(display, False);
    host = 0;
    // Drawing, grabbing and closing after the window went away: errors are absorbed.
    frame->getView(0)->invalid();
    frame->updateDirty();
    frame->getPlatformFrame()->setMouseCapture(true);
    frame->forget();
    EXPECT_GT(orva::platform::xErrorCount(), errorsBefore);

    // Opening on a window that does not exist fails cleanly.
    CFrame* orphan = new CFrame(CRect(0, 0, 10, 10), reinterpret_cast<void*>(uintptr_t(0x7FFFFF0)), &recorder);
    EXPECT_FALSE(orphan->isOpen());
    orphan->forget();
}

TEST_F(X11Window, TimersRunForAHostThatNeverIdles) {
    struct Counter : CBaseObject {
        std::atomic<int> ticks{0};
        std::atomic<bool> onHostThread{false};
        std::thread::id host = std::this_thread::get_id();
        CMessageResult notify(CBaseObject*, const char*) override {
            if (std::this_thread::get_id() == host) onHostThread = true;
            ++ticks;
            return kMessageNotified;
        }
    } counter;
    CFrame* frame = new CFrame(CRect(0, 0, kWidth, kHeight), reinterpret_cast<void*>(uintptr_t(host)), &recorder);
    ASSERT_TRUE(frame->isOpen());
    auto* timer = new CVSTGUITimer(&counter, 14);
    {
        std::lock_guard<std::recursive_timed_mutex> lock(orva::platform::uiMutex());
        timer->start();
    }
    // No idle calls at all: the frame's own thread takes over after half a second.
    for (int i = 0; i < 200 && counter.ticks < 10; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(counter.ticks.load(), 10);
    EXPECT_FALSE(counter.onHostThread.load());
    {
        std::lock_guard<std::recursive_timed_mutex> lock(orva::platform::uiMutex());
        timer->forget();
        frame->forget();
    }
}

namespace {

// Records the button states a view is pressed with.
struct PressProbe : CView {
    std::vector<int32_t> presses;
    using CView::CView;
    CMouseEventResult onMouseDown(CPoint&, const int32_t& buttons) override {
        presses.push_back(buttons);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
};

}  // namespace

TEST_F(X11Window, ButtonsModifiersDoubleClicksAndWheelNotches) {
    CFrame* frame = new CFrame(CRect(0, 0, kWidth, kHeight), reinterpret_cast<void*>(uintptr_t(host)), &recorder);
    auto* probe = new PressProbe(CRect(0, 0, 100, 100));
    frame->addView(probe);
    auto* knob = new CKnob(CRect(120, 0, 180, 60), &recorder, 3, nullptr, nullptr);
    frame->addView(knob);
    frame->redrawAll();

    pointerTo(30, 30);
    pumpUntil(frame, [&] { return frame->getViewUnderMouse() == probe; });
    auto click = [&](unsigned int b) {
        XTestFakeButtonEvent(display, b, True, CurrentTime);
        XTestFakeButtonEvent(display, b, False, CurrentTime);
        XSync(display, False);
    };
    click(1);
    click(1);  // within the double-click time and place
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    XTestFakeKeyEvent(display, shift, True, CurrentTime);
    click(3);
    XTestFakeKeyEvent(display, shift, False, CurrentTime);
    click(2);
    ASSERT_TRUE(pumpUntil(frame, [&] { return probe->presses.size() >= 4; }));
    EXPECT_EQ(probe->presses, (std::vector<int32_t>{kLButton, kLButton | kDoubleClick, kRButton | kShift, kMButton}));

    // Wheel notches over the knob: one up is +0.1, one down -0.1; a tilt to the
    // right lowers it, one to the left raises it.
    pointerTo(150, 30);
    pumpUntil(frame, [&] { return frame->getViewUnderMouse() == knob; });
    click(4);
    click(4);
    click(5);
    ASSERT_TRUE(pumpUntil(frame, [&] { return recorder.values.size() >= 3; }));
    EXPECT_NEAR(knob->getValue(), 0.1f, 1e-6);
    click(6);
    ASSERT_TRUE(pumpUntil(frame, [&] { return recorder.values.size() >= 4; }));
    EXPECT_NEAR(knob->getValue(), 0.2f, 1e-6) << "left tilt";
    click(7);
    click(7);
    ASSERT_TRUE(pumpUntil(frame, [&] { return recorder.values.size() >= 6; }));
    EXPECT_NEAR(knob->getValue(), 0.0f, 1e-6) << "right tilt";
    frame->forget();
}

TEST_F(X11Window, PopupMenuChoiceWithTheMouse) {
    CFrame* frame = new CFrame(CRect(0, 0, kWidth, kHeight), reinterpret_cast<void*>(uintptr_t(host)), &recorder);
    auto* menu = new COptionMenu(CRect(10, 10, 110, 30), &recorder, 8);
    for (const char* item : {"Peak", "RMS", "K-14"}) menu->addEntry(item);
    frame->addView(menu);
    frame->redrawAll();
    pointerTo(20, 20);
    pumpUntil(frame, [&] { return frame->getViewUnderMouse() == menu; });

    // The menu's loop runs on this thread: another connection plays the user.
    int rootX, rootY;
    Window child;
    XTranslateCoordinates(display, host, DefaultRootWindow(display), 10, 30, &rootX, &rootY, &child);
    std::thread user([rootX, rootY] {
        Display* d = XOpenDisplay(nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        XTestFakeMotionEvent(d, DefaultScreen(d), rootX + 30, rootY + 2 * 18 + 9, CurrentTime);  // third row
        XSync(d, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        XTestFakeButtonEvent(d, 1, True, CurrentTime);
        XTestFakeButtonEvent(d, 1, False, CurrentTime);
        XSync(d, False);
        XCloseDisplay(d);
    });
    button(true);
    button(false);
    pumpUntil(frame, [&] { return menu->getCurrentIndex() == 2; }, 3000);
    user.join();
    EXPECT_EQ(menu->getCurrentIndex(), 2);
    EXPECT_EQ(menu->getValue(), 2.0f);
    frame->forget();
}


TEST_F(X11Window, SubmenuOpensBesideItsRowAndTakesTheChoice) {
    CFrame* frame = new CFrame(CRect(0, 0, kWidth, kHeight), reinterpret_cast<void*>(uintptr_t(host)), &recorder);
    auto* menu = new COptionMenu(CRect(10, 10, 110, 30), &recorder, 9);
    auto* sub = new COptionMenu(CRect(0, 0, 1, 1), nullptr, 0);
    for (const char* item : {"Soft", "Medium", "Hard"}) sub->addEntry(item);
    menu->addEntry("Peak");
    menu->addEntry("RMS");
    menu->addEntry(sub, "Knee");
    sub->forget();  // its item holds it
    menu->addEntry("Last");
    frame->addView(menu);
    frame->redrawAll();
    pointerTo(20, 20);
    pumpUntil(frame, [&] { return frame->getViewUnderMouse() == menu; });
    const size_t popupsBefore = mappedPopups(display).size();

    // The user finds the panes by their windows: the top pane, then the one that
    // opens when the pointer rests on the submenu's row.
    struct Seen {
        bool ok = false;
        PopupWindow top{}, submenu{};
        bool openOnSibling = false;         // still open just after moving to a sibling row
        std::chrono::milliseconds closedAfter{-1};
    } seen;
    std::thread user([&seen, popupsBefore] {
        Display* d = XOpenDisplay(nullptr);
        auto waitFor = [&](size_t count, std::vector<PopupWindow>& found) {
            for (int i = 0; i < 200; ++i) {
                found = mappedPopups(d);
                if (found.size() == count) return true;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return false;
        };
        std::vector<PopupWindow> popups;
        if (waitFor(popupsBefore + 1, popups)) {
            seen.top = popups.back();
            const int insideX = seen.top.x + seen.top.border, insideY = seen.top.y + seen.top.border;
            auto toRow = [&](int row) {
                XTestFakeMotionEvent(d, DefaultScreen(d), insideX + 20, insideY + row * 18 + 9, CurrentTime);
                XSync(d, False);
            };
            toRow(2);  // Knee
            if (waitFor(popupsBefore + 2, popups)) {
                // On to a sibling row (Peak): the submenu waits a moment, then closes.
                const auto left = std::chrono::steady_clock::now();
                toRow(0);
                std::this_thread::sleep_for(std::chrono::milliseconds(60));
                seen.openOnSibling = mappedPopups(d).size() == popupsBefore + 2;
                if (waitFor(popupsBefore + 1, popups))
                    seen.closedAfter = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - left);
                toRow(2);  // back on Knee: open again
            }
            if (waitFor(popupsBefore + 2, popups)) {
                seen.submenu = popups.back();
                const int subX = seen.submenu.x + seen.submenu.border, subY = seen.submenu.y + seen.submenu.border;
                XTestFakeMotionEvent(d, DefaultScreen(d), subX + 20, subY + 9, CurrentTime);  // into the pane
                XSync(d, False);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                XTestFakeMotionEvent(d, DefaultScreen(d), subX + 20, subY + 18 + 9, CurrentTime);  // Medium
                XSync(d, False);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                XTestFakeButtonEvent(d, 1, True, CurrentTime);
                XTestFakeButtonEvent(d, 1, False, CurrentTime);
                XSync(d, False);
                seen.ok = true;
            }
        }
        if (!seen.ok) {
            // Whatever went wrong, the menu must not stay open: Escape closes it.
            const KeyCode escape = XKeysymToKeycode(d, XK_Escape);
            for (int i = 0; i < 4; ++i) {
                XTestFakeKeyEvent(d, escape, True, CurrentTime);
                XTestFakeKeyEvent(d, escape, False, CurrentTime);
            }
            XSync(d, False);
        }
        XCloseDisplay(d);
    });
    button(true);
    button(false);
    pumpUntil(frame, [&] { return menu->getLastMenu() == sub; }, 3000);
    user.join();
    ASSERT_TRUE(seen.ok) << "the menu's panes did not appear";
    EXPECT_TRUE(seen.openOnSibling);
    EXPECT_GE(seen.closedAfter.count(), 200);
    EXPECT_LT(seen.closedAfter.count(), 1500);

    // The submenu's pane lies right of its row, overlapping it, its top at the row's.
    EXPECT_EQ(seen.submenu.y, seen.top.y + 2 * 18);
    EXPECT_EQ(seen.submenu.x, seen.top.x + seen.top.width - 2);

    // COptionMenu reports a choice inside a submenu as the submenu and its index;
    // the control's listener hears the index.
    EXPECT_EQ(menu->getLastMenu(), sub);
    EXPECT_EQ(menu->getLastResult(), 1);
    EXPECT_EQ(sub->getCurrentIndex(), 1);
    ASSERT_FALSE(recorder.values.empty());
    EXPECT_EQ(recorder.values.back(), 1.0f);

    // Every pane's window is gone.
    XSync(display, False);
    EXPECT_EQ(mappedPopups(display).size(), popupsBefore);
    frame->forget();
}
