#include "platform/X11Frame.h"

#include "platform/DisplayScale.h"
#include "platform/DoubleClick.h"
#include "platform/FrameEventSink.h"
#include "platform/TimerQueue.h"
#include "platform/X11DropTarget.h"
#include "platform/X11Popups.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>

namespace orva::platform {

std::recursive_timed_mutex& uiMutex() {
    static std::recursive_timed_mutex mutex;
    return mutex;
}

namespace {
thread_local int uiEntryDepth = 0;
}

UiEntry::UiEntry() {
    uiMutex().lock();
    ++uiEntryDepth;
}

UiEntry::~UiEntry() {
    --uiEntryDepth;
    uiMutex().unlock();
}

bool insideUiEntry() { return uiEntryDepth > 0; }

void markUiEntry(int delta) { uiEntryDepth += delta; }

namespace {

using namespace VSTGUI;

// Xlib's error handler is one per process. Ours is in force only while one of our
// frames exists: the first frame installs it, the last one puts back the handler
// it replaced. The host may unload the library after that, and its own handler
// must not be left pointing into unmapped code.
std::mutex displaysMutex;
std::set<Display*> ourDisplays;  // guarded by displaysMutex, as are the two below
int handlerUsers = 0;
XErrorHandler previousHandler = nullptr;
std::atomic<unsigned long> errorCount{0};

int onXError(Display* display, XErrorEvent* event) {
    bool ours;
    XErrorHandler previous;
    {
        std::lock_guard<std::mutex> lock(displaysMutex);
        ours = ourDisplays.count(display) != 0;
        previous = previousHandler;
    }
    if (ours || !previous || previous == onXError) {
        ++errorCount;  // a window that went away under us, most likely: ignored
        return 0;
    }
    return previous(display, event);
}

void takeErrorHandler(Display* display) {
    std::lock_guard<std::mutex> lock(displaysMutex);
    ourDisplays.insert(display);
    if (handlerUsers++ == 0) previousHandler = XSetErrorHandler(onXError);
}

void giveBackErrorHandler(Display* display) {
    std::lock_guard<std::mutex> lock(displaysMutex);
    ourDisplays.erase(display);
    if (--handlerUsers > 0) return;
    // Only when ours is still the one in force: a handler installed after ours
    // (by the host, most likely) stays.
    const XErrorHandler current = XSetErrorHandler(previousHandler);
    if (current != onXError) XSetErrorHandler(current);
    previousHandler = nullptr;
}

uint64_t nowMs() {
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

int32_t modifierBits(unsigned int state) {
    int32_t b = 0;
    if (state & ShiftMask) b |= kShift;
    if (state & ControlMask) b |= kControl;
    if (state & Mod1Mask) b |= kAlt;
    return b;
}

int32_t heldButtons(unsigned int state) {
    int32_t b = 0;
    if (state & Button1Mask) b |= kLButton;
    if (state & Button2Mask) b |= kMButton;
    if (state & Button3Mask) b |= kRButton;
    return b;
}

int32_t buttonBit(unsigned int button) {
    switch (button) {
    case 1: return kLButton;
    case 2: return kMButton;
    case 3: return kRButton;
    case 8: return kButton4;
    case 9: return kButton5;
    default: return 0;
    }
}

unsigned char virtualKey(KeySym sym) {
    switch (sym) {
    case XK_BackSpace: return kVKeyBack;
    case XK_Tab: return kVKeyTab;
    case XK_Return: case XK_KP_Enter: return kVKeyReturn;
    case XK_Escape: return kVKeyEscape;
    case XK_space: return kVKeySpace;
    case XK_End: return kVKeyEnd;
    case XK_Home: return kVKeyHome;
    case XK_Left: case XK_KP_Left: return kVKeyLeft;
    case XK_Up: case XK_KP_Up: return kVKeyUp;
    case XK_Right: case XK_KP_Right: return kVKeyRight;
    case XK_Down: case XK_KP_Down: return kVKeyDown;
    case XK_Page_Up: return kVKeyPageUp;
    case XK_Page_Down: return kVKeyPageDown;
    default: return 0;
    }
}

class X11Frame : public PlatformFrame {
public:
    X11Frame(FrameEventSink* frame, Display* display, Window parent, int32_t width, int32_t height, double scale);
    ~X11Frame() override;
    bool ok() const { return window != 0; }

    bool isWindowed() const override { return true; }
    void requestUpdate() override {}
    void present(const CRect& rect) override;
    void setMouseCapture(bool captured) override;
    int32_t popupMenu(const std::vector<PopupMenuEntry>& entries, CPoint where) override;
    bool openEditField(const EditFieldParams& params, EditFieldClient* client) override;
    void closeEditField() override;
    void showTooltip(const CRect& viewRect, const std::string& text) override;
    void hideTooltip() override;
    void setSize(int32_t width, int32_t height) override;
    void pumpEvents() override;

private:
    void dispatch(XEvent& event);
    void fallbackLoop();
    bool toRoot(int x, int y, int& rootX, int& rootY);
    void finishEditField();
    // The window lost the pointer grab, its mapping or the focus while a press
    // was held: the press ends as if released where the pointer was last seen.
    void endLostPress();
    bool isViewable();
    // Window (device) pixels to the frame's logical ones and back.
    VSTGUI::CPoint logical(int x, int y) const {
        return VSTGUI::CPoint(VSTGUI::CCoord(std::floor(x / scale)), VSTGUI::CCoord(std::floor(y / scale)));
    }
    int toDevice(VSTGUI::CCoord v) const { return int(std::floor(v * scale + 0.5)); }

    FrameEventSink* frame;
    Display* display;
    int screen;
    Window parent;
    Window window = 0;
    cairo_surface_t* surface = nullptr;
    cairo_device_t* device = nullptr;
    int32_t width, height;  // device pixels
    double scale;
    bool captured = false;
    bool windowGone = false;
    VSTGUI::CPoint lastPointer;       // where the last press or move was reported
    int32_t pressButton = 0;          // the button of the press being held, 0 when none
    unsigned long ownGrabSerial = 0;  // the request that last grabbed or released the pointer
    std::unique_ptr<x11::EditField> editField;
    std::unique_ptr<x11::Tooltip> tooltip;
    std::unique_ptr<x11::DropTarget> dropTarget;

    // Double clicks: the same button again within the time and 4 pixels.
    unsigned int lastButton = 0;
    Time lastPressTime = 0;
    int lastX = -100, lastY = -100;
    uint32_t doubleClickMs;

    // Fallback pump for hosts that never idle the editor.
    std::atomic<uint64_t> lastHostPump{0};
    std::atomic<bool> stopping{false};
    int wakePipe[2] = {-1, -1};
    std::thread pumpThread;
    uint64_t openedAt;
    bool insidePump = false;
    Cursor cursor = 0;
};

X11Frame::X11Frame(FrameEventSink* f, Display* d, Window p, int32_t w, int32_t h, double s)
    : frame(f), display(d), screen(DefaultScreen(d)), parent(p), width(scaledPixels(w, s)), height(scaledPixels(h, s)),
      scale(s), doubleClickMs(uint32_t(std::max<int32_t>(250, doubleClickTimeMs()))), openedAt(nowMs()) {
    XWindowAttributes parentAttributes;
    if (!XGetWindowAttributes(display, parent, &parentAttributes)) return;  // no such parent
    XSetWindowAttributes a{};
    a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                   LeaveWindowMask | KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask;
    a.background_pixel = 0;
    a.bit_gravity = NorthWestGravity;
    window = XCreateWindow(display, parent, 0, 0, unsigned(width), unsigned(height), 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWEventMask | CWBackPixel | CWBitGravity, &a);
    XSync(display, False);
    XWindowAttributes own;
    if (!window || !XGetWindowAttributes(display, window, &own)) {
        window = 0;
        return;
    }
    // The arrow, whatever cursor the host's window shows.
    cursor = XCreateFontCursor(display, XC_left_ptr);
    if (cursor) XDefineCursor(display, window, cursor);
    XMapWindow(display, window);
    surface = cairo_xlib_surface_create(display, window, own.visual, width, height);
    device = cairo_device_reference(cairo_surface_get_device(surface));
    tooltip = std::make_unique<x11::Tooltip>(display, screen, scale);
    dropTarget = std::make_unique<x11::DropTarget>(display, window, frame, scale);
    XFlush(display);
    if (pipe(wakePipe) == 0) pumpThread = std::thread([this] { fallbackLoop(); });
}

X11Frame::~X11Frame() {
    stopping = true;
    if (wakePipe[1] >= 0) {
        const char c = 0;
        (void)!write(wakePipe[1], &c, 1);
    }
    if (pumpThread.joinable()) pumpThread.join();
    if (wakePipe[0] >= 0) close(wakePipe[0]);
    if (wakePipe[1] >= 0) close(wakePipe[1]);
    editField.reset();
    tooltip.reset();
    if (surface) cairo_surface_destroy(surface);
    if (window && !windowGone) XDestroyWindow(display, window);
    if (cursor) XFreeCursor(display, cursor);
    XSync(display, False);
    // Cairo keeps per-connection state (screens, font options) until told the
    // connection ends.
    if (device) {
        cairo_device_finish(device);
        cairo_device_destroy(device);
    }
    XCloseDisplay(display);
    giveBackErrorHandler(display);
}

void X11Frame::present(const CRect& rect) {
    if (!surface || windowGone) return;
    cairo_surface_t* buffer = frame->platformBackBuffer();
    if (!buffer) return;
    cairo_surface_flush(buffer);
    cairo_t* cr = cairo_create(surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, buffer, 0, 0);
    // The logical rectangle's device pixels, every one it touches.
    const double l = std::floor(rect.left * scale), t = std::floor(rect.top * scale);
    cairo_rectangle(cr, l, t, std::ceil(rect.right * scale) - l, std::ceil(rect.bottom * scale) - t);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    XFlush(display);
}

void X11Frame::setMouseCapture(bool on) {
    if (windowGone || on == captured) return;
    captured = on;
    ownGrabSerial = NextRequest(display);
    if (on)
        XGrabPointer(display, window, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                     GrabModeAsync, None, None, CurrentTime);
    else
        XUngrabPointer(display, CurrentTime);
    // Crossing events of our own grab carry its serial; anything after it a later one.
    XNoOp(display);
    XFlush(display);
}

bool X11Frame::toRoot(int x, int y, int& rootX, int& rootY) {
    Window child;
    return !windowGone && XTranslateCoordinates(display, window, RootWindow(display, screen), x, y, &rootX, &rootY,
                                                &child);
}

int32_t X11Frame::popupMenu(const std::vector<PopupMenuEntry>& entries, CPoint where) {
    int rx = 0, ry = 0;
    if (!toRoot(toDevice(where.h), toDevice(where.v), rx, ry)) return -1;
    if (captured) setMouseCapture(false);
    return x11::runPopupMenu(display, screen, entries, rx, ry, scale);
}

bool X11Frame::openEditField(const EditFieldParams& params, EditFieldClient* client) {
    if (windowGone) return false;
    finishEditField();
    auto field = std::make_unique<x11::EditField>(display, window, params, client, scale);
    if (!field->isValid()) return false;
    editField = std::move(field);
    return true;
}

void X11Frame::finishEditField() {
    if (!editField) return;
    std::unique_ptr<x11::EditField> field = std::move(editField);
    field->finish(false);
}

void X11Frame::closeEditField() { finishEditField(); }

void X11Frame::showTooltip(const CRect& viewRect, const std::string& text) {
    int rx = 0, ry = 0;
    if (tooltip && toRoot(toDevice(viewRect.left), toDevice(viewRect.bottom), rx, ry)) tooltip->show(rx, ry, text);
}

void X11Frame::hideTooltip() {
    if (tooltip) tooltip->hide();
}

void X11Frame::setSize(int32_t w, int32_t h) {
    width = scaledPixels(w, scale);
    height = scaledPixels(h, scale);
    if (windowGone) return;
    XResizeWindow(display, window, unsigned(width), unsigned(height));
    if (surface) cairo_xlib_surface_set_size(surface, width, height);
    XFlush(display);
}

void X11Frame::pumpEvents() {
    std::lock_guard<std::recursive_timed_mutex> lock(uiMutex());
    if (std::this_thread::get_id() != pumpThread.get_id()) lastHostPump = nowMs();
    if (insidePump) return;  // a modal loop (menu) is running
    insidePump = true;
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        dispatch(event);
    }
    insidePump = false;
}

void X11Frame::dispatch(XEvent& event) {
    if (event.type == MappingNotify) {
        // The keyboard map changed (another layout, a remapped key). With XKB Xlib
        // follows by itself; without it, its copy must be refreshed, or keys would
        // keep their old meaning in this connection.
        XRefreshKeyboardMapping(&event.xmapping);
        return;
    }
    if (editField && editField->handleEvent(event)) {
        if (editField && editField->isFinished()) editField.reset();
        return;
    }
    if (tooltip && tooltip->handleEvent(event)) return;
    if (event.xany.window != window) return;
    if (dropTarget && !windowGone && dropTarget->handleEvent(event)) return;
    switch (event.type) {
    case Expose: {
        // The exposed area is drawn from the view tree (the back buffer may never
        // have been drawn there yet) and shown.
        // At a scale, every logical pixel the device rectangle touches.
        const XExposeEvent& e = event.xexpose;
        frame->platformOnExpose(CRect(CCoord(std::floor(e.x / scale)), CCoord(std::floor(e.y / scale)),
                                      CCoord(std::ceil((e.x + e.width) / scale)),
                                      CCoord(std::ceil((e.y + e.height) / scale))));
        break;
    }
    case ButtonPress: {
        const XButtonEvent& b = event.xbutton;
        if (b.button >= 4 && b.button <= 7) {
            // Wheel notches: 4 up, 5 down, 6 left, 7 right; one notch is 1.0, up and
            // right positive. The views turn the horizontal axis round themselves
            // (a right tilt lowers a knob), so it is not negated here.
            const bool horizontal = b.button >= 6;
            const float distance = (b.button == 4 || b.button == 7) ? 1.0f : -1.0f;
            frame->platformOnWheel(logical(b.x, b.y), horizontal ? kMouseWheelAxisX : kMouseWheelAxisY, distance,
                                   modifierBits(b.state) | heldButtons(b.state));
            break;
        }
        int32_t buttons = buttonBit(b.button) | modifierBits(b.state);
        if (b.button == lastButton && b.time - lastPressTime <= doubleClickMs && std::abs(b.x - lastX) <= 4 &&
            std::abs(b.y - lastY) <= 4) {
            buttons |= kDoubleClick;
            lastButton = 0;
        } else {
            lastButton = b.button;
            lastPressTime = b.time;
            lastX = b.x;
            lastY = b.y;
        }
        if (editField) finishEditField();
        lastPointer = logical(b.x, b.y);
        frame->platformOnMouseDown(lastPointer, buttons);
        if (captured) pressButton = buttonBit(b.button);
        break;
    }
    case ButtonRelease: {
        const XButtonEvent& b = event.xbutton;
        if (b.button >= 4 && b.button <= 7) break;
        // The state still holds the released button: report the ones left held.
        const int32_t held = heldButtons(b.state) & ~buttonBit(b.button);
        pressButton = 0;
        lastPointer = logical(b.x, b.y);
        frame->platformOnMouseUp(lastPointer, held | buttonBit(b.button) | modifierBits(b.state));
        break;
    }
    case MotionNotify: {
        // Only the newest of a run of moves matters, but only moves that follow one
        // another directly (same window, same buttons and modifiers) are merged: a
        // move queued behind a press, a release or a key keeps its place after it.
        XEvent latest = event;
        while (XEventsQueued(display, QueuedAfterReading) > 0) {
            XEvent next;
            XPeekEvent(display, &next);
            if (next.type != MotionNotify || next.xmotion.window != window ||
                next.xmotion.state != latest.xmotion.state)
                break;
            XNextEvent(display, &latest);
        }
        const XMotionEvent& m = latest.xmotion;
        lastPointer = logical(m.x, m.y);
        frame->platformOnMouseMoved(lastPointer, heldButtons(m.state) | modifierBits(m.state));
        break;
    }
    case EnterNotify:
    case LeaveNotify:
        if (event.xcrossing.mode == NotifyGrab || event.xcrossing.mode == NotifyUngrab) {
            // A grab taken or given up during a press, other than by our own
            // capture, means ours is gone and the release will not come here.
            if (event.xcrossing.serial != ownGrabSerial) endLostPress();
        } else {
            // Our capture takes no crossing events: one that arrives during a press
            // came before the capture began, or after it broke because the window
            // stopped being viewable (the host hid it with the pointer inside).
            if (captured && !isViewable()) endLostPress();
            if (event.type == LeaveNotify) frame->platformOnMouseExited();
        }
        break;
    case FocusOut:
        // The focus left this window (or a window inside it) for somewhere else;
        // focus moving into our own edit field or following the pointer is not a loss.
        if (event.xfocus.detail == NotifyAncestor || event.xfocus.detail == NotifyVirtual ||
            event.xfocus.detail == NotifyNonlinear || event.xfocus.detail == NotifyNonlinearVirtual)
            endLostPress();
        break;
    case UnmapNotify:
        if (event.xunmap.window == window) endLostPress();
        break;
    case KeyPress:
    case KeyRelease: {
        XKeyEvent key = event.xkey;
        char buffer[16] = {};
        KeySym sym = 0;
        XLookupString(&key, buffer, sizeof buffer - 1, &sym, nullptr);
        unsigned char modifier = 0;
        if (key.state & ShiftMask) modifier |= kVKeyModShift;
        if (key.state & Mod1Mask) modifier |= kVKeyModAlternate;
        if (key.state & ControlMask) modifier |= kVKeyModControl;
        const int32_t character = static_cast<unsigned char>(buffer[0]);
        if (event.type == KeyPress) frame->platformOnKeyDown(virtualKey(sym), character, modifier);
        else frame->platformOnKeyUp(virtualKey(sym), character, modifier);
        break;
    }
    case DestroyNotify:
        if (event.xdestroywindow.window == window) {
            // The host destroyed its window (and ours with it) before closing the editor.
            windowGone = true;
            if (surface) {
                cairo_surface_destroy(surface);
                surface = nullptr;
            }
            frame->platformOnWindowLost();
        }
        break;
    default: break;
    }
}

bool X11Frame::isViewable() {
    XWindowAttributes a;
    return !windowGone && XGetWindowAttributes(display, window, &a) && a.map_state == IsViewable;
}

void X11Frame::endLostPress() {
    if (!captured || windowGone) return;
    const int32_t button = pressButton ? pressButton : kLButton;
    pressButton = 0;
    frame->platformOnMouseUp(lastPointer, button);  // gives up the capture
    if (captured) setMouseCapture(false);
}

void X11Frame::fallbackLoop() {
    const int xfd = ConnectionNumber(display);
    bool engaged = false;
    while (!stopping) {
        if (!engaged) {
            // Engage when the host has not idled the editor within 500 ms of opening.
            if (lastHostPump == 0 && nowMs() - openedAt >= 500) engaged = true;
            else if (lastHostPump != 0) {
                // The host idles: nothing to do but wait to be stopped.
                pollfd p{wakePipe[0], POLLIN, 0};
                poll(&p, 1, -1);
                continue;
            }
        }
        if (!engaged) {
            pollfd p{wakePipe[0], POLLIN, 0};
            poll(&p, 1, 100);
            continue;
        }
        int timeout = 100;
        {
            const int64_t next = TimerQueue::instance().msUntilNext(TimerQueue::instance().now());
            if (next >= 0) timeout = int(std::min<int64_t>(next, 100));
        }
        pollfd fds[2] = {{wakePipe[0], POLLIN, 0}, {xfd, POLLIN, 0}};
        poll(fds, 2, timeout);
        if (stopping) break;
        // try_lock_for: the host may be closing this frame and waiting for us to stop.
        if (!uiMutex().try_lock_for(std::chrono::milliseconds(20))) continue;
        if (!stopping) {
            markUiEntry(+1);
            pumpEvents();
            TimerQueue::instance().fireDue();
            markUiEntry(-1);
        }
        uiMutex().unlock();
    }
}

}  // namespace

unsigned long xErrorCount() { return errorCount; }

namespace {

// A server that is busy accepting other clients can turn a connection away for a
// moment (the socket's queue is full): a few quick tries before giving up. Without
// any server the first try fails at once and so do the others.
Display* openDisplay() {
    for (int attempt = 0;; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) return display;
        if (attempt == 3 || !std::getenv("DISPLAY")) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

double xftDpiScale() {
    Display* display = openDisplay();
    if (!display) return 1.0;
    double scale = 1.0;
    // The desktop sets Xft.dpi in the server's resource database (the root
    // window's RESOURCE_MANAGER property, as xrdb writes it).
    if (const char* resources = XResourceManagerString(display)) {
        XrmInitialize();
        if (XrmDatabase database = XrmGetStringDatabase(resources)) {
            char* type = nullptr;
            XrmValue value{};
            if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr && type &&
                std::strcmp(type, "String") == 0)
                scale = scaleForXftDpi(value.addr);
            XrmDestroyDatabase(database);
        }
    }
    XCloseDisplay(display);
    return scale;
}

std::unique_ptr<PlatformFrame> createX11Frame(FrameEventSink* frame, void* parentWindow, int32_t width, int32_t height,
                                              double scale) {
    const Window parent = Window(reinterpret_cast<uintptr_t>(parentWindow));
    if (!parent || !frame) return nullptr;
    Display* display = openDisplay();
    if (!display) return nullptr;
    takeErrorHandler(display);  // given back by the frame's destructor
    if (!std::isfinite(scale) || scale < 1.0 || scale > 4.0) scale = 1.0;
    auto x11 = std::make_unique<X11Frame>(frame, display, parent, width, height, scale);
    if (!x11->ok()) return nullptr;  // the destructor closes the connection
    return x11;
}

}  // namespace orva::platform
