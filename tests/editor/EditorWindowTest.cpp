// The editor in a real X server, through the loaded plug-in as a DAW opens it:
// effEditOpen on the host's window, the face drawn there, idle, hide and show,
// close and reopen a hundred times, a host that destroys its window first, and
// window ids that are not windows. Run inside a private Xvfb (run-with-xvfb.sh).
#include <gtest/gtest.h>

#include "tools/PluginLoader.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

constexpr int kWidth = 1090, kHeight = 420;

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        if (!display) GTEST_SKIP() << "no X server";
        ASSERT_TRUE(plugin.Load(ORVA_PLUGIN_PATH)) << plugin.error();
        face = cairo_image_surface_create_from_png(ORVA_SOURCE_DIR "/tests/data/editor-reference.png");
        ASSERT_EQ(cairo_surface_status(face), CAIRO_STATUS_SUCCESS);
        host = newHostWindow();
    }
    void TearDown() override {
        plugin.Unload();
        if (face) cairo_surface_destroy(face);
        if (display) {
            if (host) XDestroyWindow(display, host);
            XCloseDisplay(display);
        }
    }

    Window newHostWindow() {
        Window w = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, 0, 0);
        XMapWindow(display, w);
        XSync(display, False);
        return w;
    }
    // The host's idle loop for a while (the editor draws from its timer).
    void idleFor(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            plugin.Dispatch(effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    int children(Window w) {
        Window root, parent, *kids = nullptr;
        unsigned int count = 0;
        XSync(display, False);
        if (!XQueryTree(display, w, &root, &parent, &kids, &count)) return -1;
        if (kids) XFree(kids);
        return int(count);
    }
    // Pixels inside the transfer-curve window that differ from the reviewed picture
    // of the editor drawn offscreen (the same drawing, program 0's values, nothing
    // there that moves with time); -1 when the window cannot be read.
    long faceDifferences(Window w) {
        XImage* image = XGetImage(display, w, 340, 20, 340, 330, AllPlanes, ZPixmap);
        if (!image) return -1;
        cairo_surface_flush(face);
        const unsigned char* data = cairo_image_surface_get_data(face);
        const int stride = cairo_image_surface_get_stride(face);
        long off = 0;
        for (int y = 0; y < 330; ++y)
            for (int x = 0; x < 340; ++x) {
                const uint32_t want = reinterpret_cast<const uint32_t*>(data + (y + 20) * stride)[x + 340] & 0xFFFFFF;
                if ((XGetPixel(image, x, y) & 0xFFFFFF) != want) ++off;
            }
        XDestroyImage(image);
        return off;
    }

    Display* display = nullptr;
    Window host = 0;
    PluginLoader plugin;
    cairo_surface_t* face = nullptr;
};

TEST_F(EditorWindow, OpensInTheHostWindowShowsTheFaceAndClosesWithoutATrace) {
    ERect* rect = nullptr;
    ASSERT_EQ(plugin.Dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, kWidth);
    EXPECT_EQ(rect->bottom - rect->top, kHeight);

    ASSERT_EQ(plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
    idleFor(150);
    EXPECT_EQ(children(host), 1);
    EXPECT_EQ(faceDifferences(host), 0);

    // Ardour hides the plug-in window without closing the editor, then shows it again.
    XUnmapWindow(display, host);
    XSync(display, False);
    idleFor(60);
    XMapWindow(display, host);
    XSync(display, False);
    idleFor(150);
    EXPECT_EQ(faceDifferences(host), 0) << "redrawn after the window came back";

    plugin.Dispatch(effEditClose);
    EXPECT_EQ(children(host), 0);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1) << "round " << i;
        plugin.Dispatch(effEditIdle);
        plugin.Dispatch(effEditClose);
    }
    EXPECT_EQ(children(host), 0) << "no window left over after 100 rounds";
    ASSERT_EQ(plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
    idleFor(150);
    EXPECT_EQ(faceDifferences(host), 0);
    plugin.Dispatch(effEditClose);
}

// The user drags "Comp Ratio" up with the real mouse (XTest): the host hears
// parameter 9 rise, inside one begin/end edit.
TEST_F(EditorWindow, AMouseDragOnCompRatioReachesTheHost) {
    ASSERT_EQ(plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
    idleFor(200);
    const float before = plugin.effect()->getParameter(plugin.effect(), 9);
    plugin.hostCalls.clear();
    const int x = 215 + 19, y = 175 + 19;  // the knob's centre (its row's position, 38-pixel frames)
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XFlush(display);
    idleFor(40);
    for (int i = 1; i <= 20; ++i) {
        XTestFakeMotionEvent(display, -1, x, y - 2 * i, CurrentTime);
        XFlush(display);
        idleFor(15);
    }
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    idleFor(60);
    const float after = plugin.effect()->getParameter(plugin.effect(), 9);
    EXPECT_GT(after, before);
    int begins = 0, ends = 0, automations = 0;
    for (const PluginLoader::HostCall& c : plugin.hostCalls) {
        begins += c.opcode == audioMasterBeginEdit && c.index == 9;
        ends += c.opcode == audioMasterEndEdit && c.index == 9;
        automations += c.opcode == audioMasterAutomate && c.index == 9;
    }
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_GT(automations, 5);
    plugin.Dispatch(effEditClose);
}

TEST_F(EditorWindow, SurvivesAHostThatDestroysItsWindowFirstAndRefusesNonWindows) {
    ASSERT_EQ(plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
    idleFor(60);
    XDestroyWindow(display, host);
    XSync(display, False);
    host = 0;
    idleFor(60);
    plugin.Dispatch(effEditClose);

    EXPECT_EQ(plugin.Dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t(0x3fffff1))), 0);
    plugin.Dispatch(effEditIdle);
    plugin.Dispatch(effEditClose);

    host = newHostWindow();
    ASSERT_EQ(plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
    idleFor(150);
    EXPECT_EQ(faceDifferences(host), 0);
    plugin.Dispatch(effEditClose);
}

}  // namespace
