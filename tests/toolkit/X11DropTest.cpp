// Files dropped onto the frame's window in a real X server: this program plays
// the file manager's side of XDND (enter, positions, drop, the uri-list on
// request) and checks the answers and what the view under the pointer received.
#include "X11TestSupport.h"

#include <X11/Xatom.h>

#include <optional>

using namespace VSTGUI;
using namespace toolkit_test;

namespace {

struct Bin : CView {
    std::vector<std::string> files;
    using CView::CView;
    bool acceptsDrop(const CPoint&) override { return true; }
    bool onDrop(const CPoint&, const std::vector<std::string>& dropped) override {
        files = dropped;
        return true;
    }
};

Atom atom(Display* d, const char* name) { return XInternAtom(d, name, False); }

// The drag source: a window of the test's connection.
struct Source {
    Display* display;
    Window window;
    Window target = 0;
    std::string offered;
    std::optional<XClientMessageEvent> status, finished;

    Source(Display* d) : display(d), window(XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0)) {}
    ~Source() { XDestroyWindow(display, window); }

    void send(const char* type, long l1, long l2, long l3, long l4) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = target;
        e.xclient.message_type = atom(display, type);
        e.xclient.format = 32;
        e.xclient.data.l[0] = long(window);
        e.xclient.data.l[1] = l1;
        e.xclient.data.l[2] = l2;
        e.xclient.data.l[3] = l3;
        e.xclient.data.l[4] = l4;
        XSendEvent(display, target, False, NoEventMask, &e);
        XSync(display, False);
    }
    void enter() { send("XdndEnter", 5L << 24, long(atom(display, "text/uri-list")), 0, 0); }
    void position(int rootX, int rootY) {
        status.reset();
        send("XdndPosition", 0, (long(rootX) << 16) | rootY, CurrentTime, long(atom(display, "XdndActionCopy")));
    }
    void drop(const std::string& uriList) {
        offered = uriList;
        XSetSelectionOwner(display, atom(display, "XdndSelection"), window, CurrentTime);
        send("XdndDrop", 0, CurrentTime, 0, 0);
    }
    // Answers the target's request for the data and collects its messages.
    void serve() {
        while (XPending(display)) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type == ClientMessage && e.xclient.message_type == atom(display, "XdndStatus")) status = e.xclient;
            if (e.type == ClientMessage && e.xclient.message_type == atom(display, "XdndFinished")) finished = e.xclient;
            if (e.type == SelectionRequest) answerSelectionRequest(display, e.xselectionrequest, &offered);
        }
    }
};

}  // namespace

TEST_F(X11Window, FilesDroppedFromAFileManagerReachTheViewUnderThePointer) {
    CFrame* frame = new CFrame(CRect(0, 0, kWidth, kHeight), reinterpret_cast<void*>(uintptr_t(host)), &recorder);
    auto* bin = new Bin(CRect(20, 20, 120, 80));
    frame->addView(bin);
    frame->redrawAll();

    // The frame's window is the host window's child and says it speaks XDND 5.
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    ASSERT_TRUE(XQueryTree(display, host, &root, &parent, &children, &count));
    ASSERT_EQ(count, 1u);
    Source source(display);
    source.target = children[0];
    XFree(children);
    Atom type;
    int format;
    unsigned long items, remaining;
    unsigned char* data = nullptr;
    ASSERT_EQ(XGetWindowProperty(display, source.target, atom(display, "XdndAware"), 0, 1, False, XA_ATOM, &type,
                                 &format, &items, &remaining, &data),
              Success);
    ASSERT_EQ(items, 1u);
    EXPECT_EQ(*reinterpret_cast<Atom*>(data), Atom(5));
    XFree(data);

    auto pump = [&](const std::function<bool()>& done) {
        return pumpUntil(frame, [&] {
            source.serve();
            return done();
        });
    };
    int rootX, rootY;
    Window child;
    XTranslateCoordinates(display, host, DefaultRootWindow(display), 0, 0, &rootX, &rootY, &child);

    source.enter();
    // Over empty frame: refused. Over the view that takes files: accepted, as a copy.
    source.position(rootX + 200, rootY + 120);
    ASSERT_TRUE(pump([&] { return source.status.has_value(); }));
    EXPECT_EQ(source.status->data.l[1] & 1, 0);
    source.position(rootX + 50, rootY + 50);
    ASSERT_TRUE(pump([&] { return source.status.has_value(); }));
    EXPECT_EQ(source.status->data.l[1] & 1, 1);
    EXPECT_EQ(Atom(source.status->data.l[4]), atom(display, "XdndActionCopy"));

    source.drop("file:///tmp/dropped%20take.wav\r\nhttp://example.org/not-a-file.wav\r\n");
    ASSERT_TRUE(pump([&] { return source.finished.has_value(); }));
    EXPECT_EQ(source.finished->data.l[1] & 1, 1);
    EXPECT_EQ(bin->files, std::vector<std::string>{"/tmp/dropped take.wav"});

    // A drag without files (plain text only) is refused even over the view.
    source.finished.reset();
    source.send("XdndEnter", 5L << 24, long(atom(display, "UTF8_STRING")), 0, 0);
    source.position(rootX + 50, rootY + 50);
    ASSERT_TRUE(pump([&] { return source.status.has_value(); }));
    EXPECT_EQ(source.status->data.l[1] & 1, 0);
    source.send("XdndDrop", 0, CurrentTime, 0, 0);
    ASSERT_TRUE(pump([&] { return source.finished.has_value(); }));
    EXPECT_EQ(source.finished->data.l[1] & 1, 0);
    frame->forget();
}
