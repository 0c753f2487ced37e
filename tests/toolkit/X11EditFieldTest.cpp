// The edit field and the tooltip window in a real X server: caret keys,
// selection, a character the keyboard map has no key for, Escape, the clipboard
// in both directions, and the tooltip window appearing and going away.
#include "X11TestSupport.h"

#include "toolkit/CTextEdit.h"
#include "toolkit/CTooltipSupport.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <optional>
#include <string>

using namespace VSTGUI;
using namespace toolkit_test;

namespace {

struct X11Edit : X11Window {
    CFrame* frame = nullptr;
    CTextEdit* edit = nullptr;

    void openField(const char* text) {
        frame = new CFrame(CRect(0, 0, kWidth, kHeight), reinterpret_cast<void*>(uintptr_t(host)), &recorder);
        edit = new CTextEdit(CRect(20, 20, 200, 40), &recorder, 6, text);
        frame->addView(edit);
        frame->redrawAll();
        pointerTo(30, 30);
        pumpUntil(frame, [&] { return frame->getViewUnderMouse() == edit; });
        button(true);
        button(false);
        ASSERT_TRUE(pumpUntil(frame, [&] { return edit->isEditing(); }));
        pumpUntil(frame, [] { return false; }, 100);  // the field maps and takes the focus
    }
    void TearDown() override {
        if (frame) frame->forget();
        X11Window::TearDown();
    }

    void key(KeySym sym, unsigned int modifiers = 0) {
        const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
        const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
        if (modifiers & ShiftMask) XTestFakeKeyEvent(display, shift, True, CurrentTime);
        if (modifiers & ControlMask) XTestFakeKeyEvent(display, control, True, CurrentTime);
        const KeyCode code = XKeysymToKeycode(display, sym);
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        if (modifiers & ControlMask) XTestFakeKeyEvent(display, control, False, CurrentTime);
        if (modifiers & ShiftMask) XTestFakeKeyEvent(display, shift, False, CurrentTime);
        XSync(display, False);
    }
    void type(const std::string& text) {
        for (char c : text) key(c == '.' ? XK_period : c == '-' ? XK_minus : KeySym(c));
    }
    // A keysym the server's keyboard map lacks gets the highest unused keycode.
    void typeUnmapped(KeySym sym) {
        int minCode, maxCode, perCode;
        XDisplayKeycodes(display, &minCode, &maxCode);
        KeySym* map = XGetKeyboardMapping(display, KeyCode(minCode), maxCode - minCode + 1, &perCode);
        int spare = -1;
        for (int code = maxCode; code >= minCode && spare < 0; --code) {
            bool empty = true;
            for (int i = 0; i < perCode; ++i) empty &= map[(code - minCode) * perCode + i] == NoSymbol;
            if (empty) spare = code;
        }
        XFree(map);
        ASSERT_GE(spare, 0) << "no free keycode";
        KeySym both[2] = {sym, sym};
        XChangeKeyboardMapping(display, spare, 2, both, 1);
        XSync(display, False);  // the frame hears of the new mapping before the key
        XTestFakeKeyEvent(display, KeyCode(spare), True, CurrentTime);
        XTestFakeKeyEvent(display, KeyCode(spare), False, CurrentTime);
        XSync(display, False);
        pumpUntil(frame, [] { return false; }, 50);
        KeySym none[2] = {NoSymbol, NoSymbol};
        XChangeKeyboardMapping(display, spare, 2, none, 1);
        XSync(display, False);
    }
    void finishWith(KeySym sym) {
        key(sym);
        ASSERT_TRUE(pumpUntil(frame, [&] { return !edit->isEditing(); }));
    }
};

}  // namespace

TEST_F(X11Edit, CaretKeysSelectionAndACharacterWithoutAKey) {
    openField("-12.5");
    key(XK_Right);                  // collapses the selection to the end
    key(XK_BackSpace);              // "-12."
    key(XK_Home);
    key(XK_Delete);                 // "12."
    key(XK_End);
    type("7");                      // "12.7"
    key(XK_Left, ShiftMask);
    key(XK_Left, ShiftMask);        // "." and "7" selected
    type("5");                      // replaces them: "125"
    key(XK_Home);
    key(XK_Right);
    typeUnmapped(XK_eacute);        // "1é25"
    finishWith(XK_Return);
    EXPECT_TRUE(edit->wasEnteredByReturn());
    EXPECT_STREQ(edit->getText(), "1\xC3\xA9" "25");
}

TEST_F(X11Edit, TypedTextReplacesTheSelectionAndReturnSetsTheValue) {
    openField("1");
    type("0.37");  // the first key replaces the selected text
    key(XK_BackSpace);
    finishWith(XK_Return);
    EXPECT_TRUE(edit->wasEnteredByReturn());
    EXPECT_STREQ(edit->getText(), "0.3");
    EXPECT_FLOAT_EQ(edit->getValue(), 0.3f);
}

TEST_F(X11Edit, EscapeEndsWithTheTextItStartedWith) {
    openField("0.25");
    type("9");
    finishWith(XK_Escape);
    EXPECT_FALSE(edit->wasEnteredByReturn());
    EXPECT_STREQ(edit->getText(), "0.25");
    EXPECT_FLOAT_EQ(edit->getValue(), 0.25f);
}

namespace {

// The test's own window as the other party of the clipboard.
struct ClipboardPeer {
    Display* display;
    Window window;
    Atom clipboard, utf8, property;
    std::string offered;
    std::optional<std::string> received;
    int answered = 0;  // requests answered

    ClipboardPeer(Display* d, Window parent)
        : display(d),
          window(XCreateSimpleWindow(d, parent, 0, 0, 1, 1, 0, 0, 0)),
          clipboard(XInternAtom(d, "CLIPBOARD", False)),
          utf8(XInternAtom(d, "UTF8_STRING", False)),
          property(XInternAtom(d, "TEST_PASTE", False)) {}
    void offer(const std::string& text) {
        offered = text;
        XSetSelectionOwner(display, clipboard, window, CurrentTime);
        XSync(display, False);
    }
    void request() {
        XConvertSelection(display, clipboard, utf8, property, window, CurrentTime);
        XSync(display, False);
    }
    // Answers requests for what it offers and collects what it asked for.
    void serve() {
        while (XPending(display)) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type == SelectionRequest) {
                const XSelectionRequestEvent& r = e.xselectionrequest;
                answerSelectionRequest(display, r, r.target == utf8 ? &offered : nullptr);
                ++answered;
            } else if (e.type == SelectionNotify && e.xselection.property != None) {
                Atom type;
                int format;
                unsigned long count, remaining;
                unsigned char* data = nullptr;
                XGetWindowProperty(display, window, property, 0, 1024, True, AnyPropertyType, &type, &format, &count,
                                   &remaining, &data);
                received = std::string(reinterpret_cast<char*>(data), count);
                XFree(data);
            }
        }
    }
};

}  // namespace

TEST_F(X11Edit, PastesFromAndCopiesToTheClipboard) {
    openField("1");
    ClipboardPeer peer(display, host);
    peer.offer("-6.5\n");  // the line break of a copied line does not get in
    auto pump = [&](const std::function<bool()>& done, int ms) {
        return pumpUntil(
            frame,
            [&] {
                peer.serve();
                return done();
            },
            ms);
    };
    key(XK_v, ControlMask);  // asks for the clipboard; the answer replaces the selected "1"
    // Once answered, the data reaches the field ahead of the keys sent after it.
    ASSERT_TRUE(pump([&] { return peer.answered > 0; }, 2000));
    key(XK_Home);
    key(XK_Delete);          // "6.5"
    key(XK_a, ControlMask);
    key(XK_c, ControlMask);  // the field takes over the clipboard
    ASSERT_TRUE(pumpUntil(frame, [&] {
        const Window owner = XGetSelectionOwner(display, peer.clipboard);
        return owner != None && owner != peer.window;
    }));
    peer.request();
    ASSERT_TRUE(pump([&] { return peer.received.has_value(); }, 2000));
    EXPECT_EQ(*peer.received, "6.5");
    finishWith(XK_Return);
    EXPECT_STREQ(edit->getText(), "6.5");
}

TEST_F(X11Window, TooltipWindowShowsTheTextAfterTheDelayAndGoesAway) {
    CFrame* frame = new CFrame(CRect(0, 0, kWidth, kHeight), reinterpret_cast<void*>(uintptr_t(host)), &recorder);
    auto* view = new CView(CRect(20, 20, 80, 60));
    const std::string text = "Release:\nhow fast the gain returns once the signal falls below the threshold";
    view->setAttribute(kCViewTooltipAttribute, int32_t(text.size() + 1), text.c_str());
    frame->addView(view);
    auto* tips = new CTooltipSupport(frame);
    frame->redrawAll();
    ASSERT_TRUE(mappedPopups(display).empty());

    pointerTo(40, 40);
    const auto shownAt = std::chrono::steady_clock::now();
    ASSERT_TRUE(pumpUntil(frame, [&] { return !mappedPopups(display).empty(); }));
    EXPECT_GE(std::chrono::steady_clock::now() - shownAt, std::chrono::milliseconds(450));
    const Window tip = mappedPopups(display).front().window;
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(display, tip, &a));
    // Below the view, at most 180 pixels of text wide, and three or more lines
    // (the break, then the long line wrapped).
    int hostX, hostY;
    Window child;
    XTranslateCoordinates(display, host, DefaultRootWindow(display), 20, 60, &hostX, &hostY, &child);
    EXPECT_GE(a.y, hostY);
    EXPECT_LE(a.width, 180 + 8);
    EXPECT_GE(a.height, 3 * 15);
    pumpUntil(frame, [] { return false; }, 100);  // drawn
    XImage* image = XGetImage(display, tip, 0, 0, 3, 3, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    const unsigned long pixel = XGetPixel(image, 1, 1);  // the tooltip's pale yellow
    EXPECT_EQ(pixel >> 8 & 0xFFFF, 0xFFFFu);
    EXPECT_NEAR(double(pixel & 0xFF), 224.0, 2.0);
    XDestroyImage(image);

    // Leaving the view hides it after a short while.
    pointerTo(200, 140);
    EXPECT_TRUE(pumpUntil(frame, [&] { return mappedPopups(display).empty(); }));
    tips->forget();
    frame->forget();
}
