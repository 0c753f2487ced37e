// The host's side of the real-window tests: a top-level window on the X server
// named by DISPLAY (run-with-xvfb.sh starts a private one), XTest input, and a
// pump that plays the host's editor idle.
#pragma once

#include "ToolkitTestSupport.h"

#include "platform/PlatformFrame.h"
#include "platform/TimerQueue.h"
#include "toolkit/CFrame.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>
#include <thread>

namespace toolkit_test {

using namespace VSTGUI;

// Cairo and fontconfig keep process-wide caches (fonts, per-connection state);
// emptied at the end so the leak checker sees only what the toolkit leaves.
struct LibraryCaches : ::testing::Environment {
    void TearDown() override {
        cairo_debug_reset_static_data();
        FcFini();
    }
};
inline const auto* const libraryCaches = ::testing::AddGlobalTestEnvironment(new LibraryCaches);

constexpr int kWidth = 240, kHeight = 160;

// The mapped override-redirect windows on the root (menu panes, tooltips), bottom
// first, with their outer geometry.
struct PopupWindow {
    Window window;
    int x, y, width, height, border;
};

inline std::vector<PopupWindow> mappedPopups(Display* d) {
    std::vector<PopupWindow> out;
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return out;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, children[i], &a) && a.override_redirect && a.map_state == IsViewable)
            out.push_back({children[i], a.x, a.y, a.width, a.height, a.border_width});
    }
    if (children) XFree(children);
    return out;
}

// Answers another client's request for a selection this test owns: with text
// (stored as the requested target's type), or refused when text is null.
inline void answerSelectionRequest(Display* display, const XSelectionRequestEvent& request, const std::string* text) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    if (text) {
        XChangeProperty(display, request.requestor, request.property, request.target, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text->data()), int(text->size()));
        reply.xselection.property = request.property;
    }
    XSendEvent(display, request.requestor, False, NoEventMask, &reply);
    XSync(display, False);
}

struct X11Window : ::testing::Test {
    Display* display = nullptr;
    Window host = 0;
    Recorder recorder;

    void SetUp() override {
        display = XOpenDisplay(nullptr);
        if (!display) GTEST_SKIP() << "no X display (run through run-with-xvfb.sh)";
        int eventBase, errorBase, major, minor;
        if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor))
            GTEST_SKIP() << "the X server has no XTest extension";
        XSetWindowAttributes a{};
        a.event_mask = StructureNotifyMask;
        a.background_pixel = BlackPixel(display, DefaultScreen(display));
        host = XCreateWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, CopyFromParent,
                             InputOutput, CopyFromParent, CWEventMask | CWBackPixel, &a);
        XMapWindow(display, host);
        for (XEvent e;;) {
            XNextEvent(display, &e);
            if (e.type == MapNotify) break;
        }
    }
    void TearDown() override {
        if (display) XCloseDisplay(display);
    }

    // Pumps the frame as a host's idle would until done() or the time runs out.
    bool pumpUntil(CFrame* frame, const std::function<bool()>& done, int ms = 2000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            XSync(display, False);
            frame->getPlatformFrame()->pumpEvents();
            orva::platform::TimerQueue::instance().fireDue();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done();
    }

    void pointerTo(int x, int y) {
        int rx, ry;
        Window child;
        XTranslateCoordinates(display, host, DefaultRootWindow(display), x, y, &rx, &ry, &child);
        XTestFakeMotionEvent(display, DefaultScreen(display), rx, ry, CurrentTime);
        XSync(display, False);
    }
    void button(bool press) {
        XTestFakeButtonEvent(display, 1, press ? True : False, CurrentTime);
        XSync(display, False);
    }
};

}  // namespace toolkit_test
