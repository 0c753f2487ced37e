// The editor in a real X server, through the loaded plug-in as a DAW opens it:
// effEditOpen on the host's window, the face drawn there, idle, hide and show,
// close and reopen a hundred times, a host that destroys its window first,
// window ids that are not windows, and MIDI learn by XTest clicks and MIDI sent
// through effProcessEvents. Run inside a private Xvfb (run-with-xvfb.sh).
#include <gtest/gtest.h>

#include "tools/PluginLoader.h"

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <array>
#include <atomic>
#include <cstring>
#include <chrono>
#include <cmath>
#include <vector>
#include <string>
#include <thread>
#include <utility>

namespace {

constexpr int kWidth = 1090, kHeight = 420;

// The plug-in's cairo and fontconfig keep process-wide caches; emptied at the end
// so the leak checker sees only what the plug-in itself leaves.
struct LibraryCaches : ::testing::Environment {
    void TearDown() override {
        cairo_debug_reset_static_data();
        FcFini();
    }
};
const auto* const libraryCaches = ::testing::AddGlobalTestEnvironment(new LibraryCaches);

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        // A busy X server can refuse a connection for a moment (it has not yet
        // accepted the ones before): only a server that keeps refusing is none.
        for (int attempt = 0; attempt < 20 && !display; ++attempt) {
            if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(25));
            display = XOpenDisplay(nullptr);
        }
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
    // One thing the user does, then the host idles a while.
    template <typename F>
    void userStep(F f) {
        f();
        XSync(display, False);
        idleFor(60);
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

// The host's own X error handler: counts the errors of its own connection.
std::atomic<int> hostErrors{0};
int HostErrorHandler(Display*, XErrorEvent*) {
    ++hostErrors;
    return 0;
}

// A host that opens and closes the editor, closes the plug-in and unloads it (as
// Ardour does when its last instance goes), then makes a bad request of its own:
// its own error handler hears of it, whatever the plug-in installed while it was
// loaded. Twice, so a reload is tried too.
TEST_F(EditorWindow, AfterTheHostUnloadsUsItsOwnErrorHandlerIsInForce) {
    const XErrorHandler before = XSetErrorHandler(HostErrorHandler);
    for (int round = 0; round < 2; ++round) {
        if (round > 0) {
            ASSERT_TRUE(plugin.Load(ORVA_PLUGIN_PATH)) << plugin.error();
        }
        ASSERT_EQ(plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
        idleFor(80);
        plugin.Dispatch(effEditClose);
        plugin.Unload();  // effClose, then dlclose
        EXPECT_EQ(dlopen(ORVA_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the library was unmapped";

        const int errors = hostErrors.load();
        XWindowAttributes attributes;
        XGetWindowAttributes(display, Window(0x7FFFFF0), &attributes);
        XSync(display, False);
        EXPECT_EQ(hostErrors.load(), errors + 1) << "round " << round;
    }
    XSetErrorHandler(before);
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

// Begin and end edits the host heard for a parameter.
std::pair<int, int> Gestures(const PluginLoader& plugin, int index) {
    int begins = 0, ends = 0;
    for (const PluginLoader::HostCall& c : plugin.hostCalls) {
        begins += c.opcode == audioMasterBeginEdit && c.index == index;
        ends += c.opcode == audioMasterEndEdit && c.index == index;
    }
    return {begins, ends};
}

constexpr int kParallel = 3;
constexpr int kParallelX = 840 + 19, kParallelY = 369 + 19;  // the knob's centre

// A quick drag whose press, three moves and release (and a move after it) all
// wait in the queue for one idle of a host that idles slowly: the events are
// taken in their order, so the 30 pixels up move "Parallel" from 0 to half.
TEST_F(EditorWindow, AQuickDragQueuedBeforeOneIdleKeepsItsTravel) {
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) GTEST_SKIP() << "no XTest";
    ASSERT_EQ(plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
    plugin.effect()->setParameter(plugin.effect(), kParallel, 0.0f);
    idleFor(600);  // the knob's picture settles at 0 (a press starts from the picture)
    plugin.hostCalls.clear();

    XTestFakeMotionEvent(display, -1, kParallelX, kParallelY, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    for (int dy : {10, 20, 30}) XTestFakeMotionEvent(display, -1, kParallelX, kParallelY - dy, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XTestFakeMotionEvent(display, -1, kParallelX, kParallelY - 40, CurrentTime);
    XSync(display, False);
    plugin.Dispatch(effEditIdle);
    idleFor(60);  // nothing more happens: whatever arrived late is in order too
    EXPECT_FLOAT_EQ(plugin.effect()->getParameter(plugin.effect(), kParallel), 0.5f);
    EXPECT_EQ(Gestures(plugin, kParallel), std::make_pair(1, 1));
    plugin.Dispatch(effEditClose);
}

// The host hides its window while the user holds a knob: the grab is gone and the
// release will not come, so the drag ends there (one end edit, not one at close),
// and the release that comes later does not end it again. The same when another
// window takes the keyboard focus from the editor mid-drag.
TEST_F(EditorWindow, APressWhoseReleaseNeverComesEndsWhenTheWindowIsHidden) {
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) GTEST_SKIP() << "no XTest";
    ASSERT_EQ(plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
    plugin.effect()->setParameter(plugin.effect(), kParallel, 0.0f);
    idleFor(600);
    plugin.hostCalls.clear();

    userStep([&] { XTestFakeMotionEvent(display, -1, kParallelX, kParallelY, CurrentTime); });
    userStep([&] { XTestFakeButtonEvent(display, 1, True, CurrentTime); });
    userStep([&] { XTestFakeMotionEvent(display, -1, kParallelX, kParallelY - 12, CurrentTime); });
    ASSERT_FLOAT_EQ(plugin.effect()->getParameter(plugin.effect(), kParallel), 0.2f) << "the drag is under way";
    ASSERT_EQ(Gestures(plugin, kParallel), std::make_pair(1, 0));

    XUnmapWindow(display, host);
    XSync(display, False);
    idleFor(100);
    EXPECT_EQ(Gestures(plugin, kParallel), std::make_pair(1, 1)) << "ended when the window went";

    XTestFakeMotionEvent(display, -1, kParallelX, kParallelY - 30, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XMapWindow(display, host);
    XSync(display, False);
    idleFor(100);
    EXPECT_EQ(Gestures(plugin, kParallel), std::make_pair(1, 1)) << "the late release ends nothing";
    EXPECT_FLOAT_EQ(plugin.effect()->getParameter(plugin.effect(), kParallel), 0.2f);

    // The editor's window has the keyboard focus; another window takes it mid-drag.
    Window editorWindow = 0;
    {
        Window root, parent, *kids = nullptr;
        unsigned int count = 0;
        ASSERT_TRUE(XQueryTree(display, host, &root, &parent, &kids, &count) && count == 1);
        editorWindow = kids[0];
        XFree(kids);
    }
    XSetInputFocus(display, editorWindow, RevertToParent, CurrentTime);
    userStep([&] { XTestFakeMotionEvent(display, -1, kParallelX, kParallelY, CurrentTime); });
    userStep([&] { XTestFakeButtonEvent(display, 1, True, CurrentTime); });
    userStep([&] { XTestFakeMotionEvent(display, -1, kParallelX, kParallelY - 6, CurrentTime); });
    ASSERT_EQ(Gestures(plugin, kParallel), std::make_pair(2, 1));
    const Window other = newHostWindow();
    XSetInputFocus(display, other, RevertToParent, CurrentTime);
    XSync(display, False);
    idleFor(100);
    EXPECT_EQ(Gestures(plugin, kParallel), std::make_pair(2, 2)) << "ended when the focus went";
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    idleFor(60);
    XDestroyWindow(display, other);
    plugin.Dispatch(effEditClose);
    EXPECT_EQ(Gestures(plugin, kParallel), std::make_pair(2, 2));
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

// A press and release of button at a point of the host's window.
void Click(Display* display, Window host, int x, int y, unsigned int button) {
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(display, host, DefaultRootWindow(display), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(display, DefaultScreen(display), rx, ry, CurrentTime);
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XFlush(display);
}

// One control change sent as a host's audio thread does, before a block.
void SendControlChange(PluginLoader& plugin, uint8_t controller, uint8_t value) {
    std::thread audio([&] {
        VstMidiEvent m{};
        m.type = kVstMidiType;
        m.byteSize = sizeof m;
        m.midiData[0] = char(0xB2);
        m.midiData[1] = char(controller);
        m.midiData[2] = char(value);
        struct {
            VstEvents list;
            VstEvent* more[1];
        } events{};
        events.list.numEvents = 1;
        events.list.events[0] = reinterpret_cast<VstEvent*>(&m);
        plugin.Dispatch(effProcessEvents, 0, 0, &events.list);
    });
    audio.join();
}

TEST_F(EditorWindow, RightClickOpensMidiLearnOkBindsAndTheControllerMovesTheParameter) {
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) GTEST_SKIP() << "no XTest";
    constexpr int kStereoMode = 16;
    const int clickX = 379, clickY = 397;          // the stereo-mode selector
    const int panelX = clickX, panelY = 420 - 108;  // held inside the editor
    ASSERT_EQ(plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
    idleFor(150);
    auto grab = [&] {
        XImage* image = XGetImage(display, host, panelX, panelY, 160, 108, AllPlanes, ZPixmap);
        std::vector<unsigned long> pixels;
        for (int y = 0; image && y < 108; ++y)
            for (int x = 0; x < 160; ++x) pixels.push_back(XGetPixel(image, x, y));
        if (image) XDestroyImage(image);
        return pixels;
    };
    const std::vector<unsigned long> before = grab();
    plugin.effect()->setParameter(plugin.effect(), kStereoMode, 0.0f);

    Click(display, host, clickX, clickY, 3);
    idleFor(150);
    const std::vector<unsigned long> open = grab();
    ASSERT_EQ(open.size(), before.size());
    long changed = 0;
    for (size_t i = 0; i < open.size(); ++i) changed += open[i] != before[i];
    EXPECT_GT(changed, 160 * 108 / 4) << "the panel is drawn at the click";
    EXPECT_FLOAT_EQ(plugin.effect()->getParameter(plugin.effect(), kStereoMode), 0.0f) << "a right click does not step";

    SendControlChange(plugin, 74, 5);
    idleFor(100);
    Click(display, host, panelX + 79, panelY + 90, 1);  // OK
    idleFor(150);
    void* chunk = nullptr;
    ASSERT_EQ(plugin.Dispatch(effGetChunk, 0, 0, &chunk), 72192);
    int16_t bound = 0;
    std::memcpy(&bound, static_cast<const char*>(chunk) + 188 + 2 * kStereoMode, 2);
    EXPECT_EQ(bound, 74);

    SendControlChange(plugin, 74, 127);
    EXPECT_FLOAT_EQ(plugin.effect()->getParameter(plugin.effect(), kStereoMode), 1.0f);
    idleFor(60);
    plugin.Dispatch(effEditClose);
}

}  // namespace

// Audio plays on a second thread as a host's engine runs it: the meter area of the
// window (bars and needles) changes picture while a tone plays and returns to its
// resting picture after some seconds of silence (hold 150 ticks, then the fall).
TEST_F(EditorWindow, TheMeterAreaMovesWhileAudioPlaysAndComesToRestInSilence) {
    AEffect* fx = plugin.effect();
    plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    plugin.Dispatch(effSetBlockSize, 0, 128);
    plugin.Dispatch(effMainsChanged, 0, 1);
    ASSERT_EQ(plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
    idleFor(300);
    // The bars and the needles, in window coordinates.
    auto meterArea = [&] {
        std::vector<uint32_t> pixels;
        for (auto [x, y, w, h] : {std::array<int, 4>{975, 187, 110, 180}, {701, 155, 249, 124}}) {
            XImage* image = XGetImage(display, host, x, y, w, h, AllPlanes, ZPixmap);
            if (!image) return std::vector<uint32_t>();
            for (int j = 0; j < h; ++j)
                for (int i = 0; i < w; ++i) pixels.push_back(uint32_t(XGetPixel(image, i, j) & 0xFFFFFF));
            XDestroyImage(image);
        }
        return pixels;
    };
    auto differences = [](const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
        long n = 0;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
        return n;
    };
    const std::vector<uint32_t> rest = meterArea();
    ASSERT_FALSE(rest.empty());

    std::atomic<bool> playing{true}, tone{true};
    std::thread engine([&] {
        const int channels = std::max(fx->numInputs, fx->numOutputs);
        std::vector<std::vector<float>> in(size_t(channels), std::vector<float>(128)), out = in;
        std::vector<float*> inPtr, outPtr;
        for (auto& c : in) inPtr.push_back(c.data());
        for (auto& c : out) outPtr.push_back(c.data());
        long n = 0;
        auto next = std::chrono::steady_clock::now();
        while (playing.load()) {
            for (int i = 0; i < 128; ++i, ++n) {
                const float s = tone.load() ? 0.5f * float(std::sin(2.0 * 3.14159265 * 440.0 * double(n) / 48000.0)) : 0.0f;
                for (auto& c : in) c[size_t(i)] = s;
            }
            fx->processReplacing(fx, inPtr.data(), outPtr.data(), 128);
            next += std::chrono::microseconds(2667);
            std::this_thread::sleep_until(next);
        }
    });
    idleFor(600);
    const long moving = differences(meterArea(), rest);
    tone.store(false);
    idleFor(4000);
    const long resting = differences(meterArea(), rest);
    playing.store(false);
    engine.join();
    plugin.Dispatch(effEditClose);
    plugin.Dispatch(effMainsChanged, 0, 0);
    EXPECT_GT(moving, 2000) << "bars lit and needles turned while the tone played";
    EXPECT_EQ(resting, 0) << "back at rest in silence";
}

// A desktop at Xft.dpi 192 (the server's resource database, as xrdb sets it):
// the editor reports and fills 2180 x 840, drawn from pictures made for 2x (their
// lines and text are not blocks of four equal pixels), and a 120-pixel drag on
// the screen moves "Parallel" over its whole range (60 logical pixels).
TEST_F(EditorWindow, AtXftDpi192ItReportsAndFillsTheDoubleSize) {
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) GTEST_SKIP() << "no XTest";
    const Window root = DefaultRootWindow(display);
    if (DisplayWidth(display, DefaultScreen(display)) < 2 * kWidth) GTEST_SKIP() << "screen narrower than 2180";
    struct Resources {  // the server's resources go back to none whatever happens
        Display* display;
        Window root;
        ~Resources() {
            XDeleteProperty(display, root, XA_RESOURCE_MANAGER);
            XSync(display, False);
        }
    } resources{display, root};
    const char database[] = "Xft.antialias:\t1\nXft.dpi:\t192\n";
    XChangeProperty(display, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(database), int(std::strlen(database)));
    XSync(display, False);

    ERect* rect = nullptr;
    ASSERT_EQ(plugin.Dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 2 * kWidth);
    EXPECT_EQ(rect->bottom - rect->top, 2 * kHeight);
    XResizeWindow(display, host, 2 * kWidth, 2 * kHeight);
    XSync(display, False);
    ASSERT_EQ(plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
    plugin.effect()->setParameter(plugin.effect(), kParallel, 0.0f);
    idleFor(600);
    ASSERT_EQ(children(host), 1);
    Window rootBack, parent, *kids = nullptr;
    unsigned int count = 0;
    ASSERT_TRUE(XQueryTree(display, host, &rootBack, &parent, &kids, &count) && count == 1);
    const Window editor = kids[0];
    XFree(kids);
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(display, editor, &a));
    EXPECT_EQ(a.width, 2 * kWidth);
    EXPECT_EQ(a.height, 2 * kHeight);

    // Filled: the bottom-right corner (the output meters' read-outs) is drawn, and
    // the name label's 2 x 2 pixel blocks are not all of one colour.
    XImage* image = XGetImage(display, editor, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    long drawnCorner = 0, splitBlocks = 0;
    for (int y = 2 * 400; y < 2 * 420; ++y)
        for (int x = 2 * 960; x < 2 * 1090; ++x) drawnCorner += (XGetPixel(image, x, y) & 0xFFFFFF) != 0;
    for (int y = 2 * 146; y < 2 * 164; y += 2)
        for (int x = 2 * 8; x < 2 * 124; x += 2) {
            const unsigned long p = XGetPixel(image, x, y) & 0xFFFFFF;
            splitBlocks += (XGetPixel(image, x + 1, y) & 0xFFFFFF) != p || (XGetPixel(image, x, y + 1) & 0xFFFFFF) != p ||
                           (XGetPixel(image, x + 1, y + 1) & 0xFFFFFF) != p;
        }
    XDestroyImage(image);
    EXPECT_GT(drawnCorner, 2 * 130 * 2 * 20 / 2);
    EXPECT_GT(splitBlocks, 50) << "text drawn at 2x, not doubled from 1x";

    // 120 screen pixels up: the whole range.
    plugin.hostCalls.clear();
    userStep([&] { XTestFakeMotionEvent(display, -1, 2 * kParallelX, 2 * kParallelY, CurrentTime); });
    userStep([&] { XTestFakeButtonEvent(display, 1, True, CurrentTime); });
    for (int dy = 20; dy <= 120; dy += 20)
        userStep([&] { XTestFakeMotionEvent(display, -1, 2 * kParallelX, 2 * kParallelY - dy, CurrentTime); });
    userStep([&] { XTestFakeButtonEvent(display, 1, False, CurrentTime); });
    EXPECT_FLOAT_EQ(plugin.effect()->getParameter(plugin.effect(), kParallel), 1.0f);
    plugin.Dispatch(effEditClose);
}
