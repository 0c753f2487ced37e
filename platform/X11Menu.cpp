// The pop-up menu on X11: one override-redirect window per open pane of the
// menu model, a pointer and keyboard grab on the top pane's window, and a modal
// event loop that feeds the model with root coordinates (every pointer event is
// reported to the grabbing window, whichever pane it happened over). At a scale
// the model works in logical pixels (root coordinates divided by the scale) and
// the panes are drawn and placed at that scale.
#include "platform/MenuModel.h"
#include "platform/TimerQueue.h"
#include "platform/X11Paint.h"
#include "platform/X11Popups.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace orva::platform::x11 {
namespace {

constexpr double kFontSize = 12.0;
constexpr long kPaneEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;

// The window showing one open pane.
struct PaneWindow {
    Window window = 0;
    const std::vector<PopupMenuEntry>* entries = nullptr;  // which pane it shows
    MenuPoint at;
    double scale = 1.0;
    int drawnHover = -2;  // not drawn yet
};

void drawPane(Display* display, PaneWindow& shown, const MenuPane& pane) {
    const int width = int(std::lround(pane.layout.width * shown.scale));
    const int height = int(std::lround(pane.layout.height * shown.scale));
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = windowCairo(display, shown.window, width, height, surface);
    cairo_scale(cr, shown.scale, shown.scale);
    selectFont(cr, "Arial", kFontSize);
    cairo_set_source_rgb(cr, 0.94, 0.94, 0.94);
    cairo_paint(cr);
    for (size_t i = 0; i < pane.entries->size(); ++i) {
        const PopupMenuEntry& e = (*pane.entries)[i];
        const MenuRowBox& r = pane.layout.rows[i];
        if (e.separator) {
            cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
            cairo_rectangle(cr, r.x + 4, r.y + 3, r.w - 8, 1);
            cairo_fill(cr);
            continue;
        }
        // The hover is always a navigable row; in outer panes it is the row whose
        // submenu is open.
        const bool hovered = int(i) == pane.hover;
        if (hovered) {
            cairo_set_source_rgb(cr, 0.2, 0.4, 0.8);
            cairo_rectangle(cr, r.x, r.y, r.w, r.h);
            cairo_fill(cr);
        }
        if (hovered) cairo_set_source_rgb(cr, 1, 1, 1);
        else if (!e.enabled || e.titleItem) cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
        else cairo_set_source_rgb(cr, 0, 0, 0);
        if (e.checked) {
            cairo_move_to(cr, r.x + 5, r.y + 9);
            cairo_line_to(cr, r.x + 8, r.y + 13);
            cairo_line_to(cr, r.x + 14, r.y + 5);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
        }
        if (e.icon) {
            cairo_save(cr);
            cairo_rectangle(cr, r.x + 2, r.y + 1, 16, 16);
            cairo_clip(cr);
            cairo_set_source_surface(cr, e.icon, r.x + 2, r.y + 1);
            cairo_paint(cr);
            cairo_restore(cr);
        }
        cairo_move_to(cr, r.x + kMenuTextLeft, r.y + 13);
        cairo_show_text(cr, e.title.c_str());
        if (!e.submenu.empty()) {
            // The arrow: a small triangle pointing right, at the row's right end.
            const double tipX = r.x + r.w - 6, midY = r.y + r.h / 2.0;
            cairo_move_to(cr, tipX - 5, midY - 4);
            cairo_line_to(cr, tipX, midY);
            cairo_line_to(cr, tipX - 5, midY + 4);
            cairo_close_path(cr);
            cairo_fill(cr);
        }
    }
    finishPaint(display, shown.window, width, height, cr, surface);
    shown.drawnHover = pane.hover;
}

bool menuKey(KeySym sym, MenuKey& key) {
    switch (sym) {
    case XK_Up: case XK_KP_Up: key = MenuKey::Up; return true;
    case XK_Down: case XK_KP_Down: key = MenuKey::Down; return true;
    case XK_Left: case XK_KP_Left: key = MenuKey::Left; return true;
    case XK_Right: case XK_KP_Right: key = MenuKey::Right; return true;
    case XK_Return: case XK_KP_Enter: key = MenuKey::Return; return true;
    case XK_Escape: key = MenuKey::Escape; return true;
    default: return false;
    }
}

// Buttons 4 to 7 are wheel notches: they neither choose nor cancel.
bool isWheel(unsigned int button) { return button >= 4 && button <= 7; }

}  // namespace

int32_t runPopupMenu(Display* display, int screen, const std::vector<PopupMenuEntry>& entries, int rootX, int rootY,
                     double scale) {
    if (entries.empty()) return -1;
    if (!std::isfinite(scale) || scale < 1.0) scale = 1.0;
    Measure measure;
    selectFont(measure.cr, "Arial", kFontSize);
    // Root (device) pixels to the model's logical ones and back.
    const auto logical = [scale](int v) { return int(std::floor(v / scale)); };
    const auto device = [scale](int v) { return int(std::lround(v * scale)); };
    MenuNavigator menu(entries, logical(rootX), logical(rootY),
                       MenuScreen{logical(DisplayWidth(display, screen)), logical(DisplayHeight(display, screen))},
                       [&measure](const std::string& s) { return int(textWidth(measure.cr, s)); });

    std::vector<PaneWindow> shown;
    std::vector<Window> retired;  // closed panes: their late events are dropped
    auto openWindow = [&](const MenuPane& pane) {
        PaneWindow w;
        // The window's frame lies outside its inside, which is where the pane is.
        w.window = overrideRedirectWindow(display, screen, device(pane.at.x) - kMenuPaneBorder,
                                          device(pane.at.y) - kMenuPaneBorder, device(pane.layout.width),
                                          device(pane.layout.height), kPaneEvents);
        w.entries = pane.entries;
        w.at = pane.at;
        w.scale = scale;
        XMapRaised(display, w.window);
        shown.push_back(w);
    };
    // Brings the windows in line with the model: closed panes' windows go, new
    // panes get theirs (drawn on their first Expose), changed hovers are redrawn.
    auto showPanes = [&] {
        const std::vector<MenuPane>& panes = menu.panes();
        size_t same = 0;
        while (same < shown.size() && same < panes.size() && shown[same].entries == panes[same].entries &&
               shown[same].at == panes[same].at)
            ++same;
        same = std::max<size_t>(same, 1);  // the top pane never changes
        while (shown.size() > same) {
            XDestroyWindow(display, shown.back().window);
            retired.push_back(shown.back().window);
            shown.pop_back();
        }
        for (size_t i = 0; i < shown.size(); ++i)
            if (shown[i].drawnHover != -2 && shown[i].drawnHover != panes[i].hover) drawPane(display, shown[i], panes[i]);
        for (size_t i = shown.size(); i < panes.size(); ++i) openWindow(panes[i]);
        XFlush(display);
    };
    auto paneOf = [&](Window window) {
        for (size_t i = 0; i < shown.size(); ++i)
            if (shown[i].window == window) return int(i);
        return -1;
    };

    openWindow(menu.panes().front());
    const Window top = shown.front().window;
    XSync(display, False);
    // Grab pointer and keyboard so a click anywhere else closes the menu. Until the
    // host's own grab (the press that opened the menu) ends, the grab may fail.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (XGrabPointer(display, top, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                         GrabModeAsync, None, None, CurrentTime) == GrabSuccess)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    XGrabKeyboard(display, top, False, GrabModeAsync, GrabModeAsync, CurrentTime);

    // Events for other windows (the frame's exposures, its window going away, ...)
    // are kept and handed back once the menu is closed.
    std::vector<XEvent> others;
    int32_t result = -1;
    bool done = false;
    const auto now = [] {
        return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count());
    };
    TimerQueue& timers = TimerQueue::instance();
    while (!done) {
        // The frame's timers keep running while the menu is open, so meters and
        // the MIDI-learn read-out go on updating behind it.
        timers.fireDue();
        // A deferred submenu change, or a timer, falls due while no event comes.
        int64_t wait = menu.msUntilDue(now());
        const int64_t timerWait = timers.msUntilNext(timers.now());
        if (timerWait >= 0 && (wait < 0 || timerWait < wait)) wait = timerWait;
        if (wait >= 0 && XPending(display) == 0) {
            pollfd p{ConnectionNumber(display), POLLIN, 0};
            if (poll(&p, 1, int(wait)) == 0) {
                menu.tick(now());
                showPanes();
                continue;
            }
            if (XPending(display) == 0) continue;  // woke for nothing yet
        }
        XEvent event;
        XNextEvent(display, &event);
        const int pane = paneOf(event.xany.window);
        if (pane < 0) {
            if (std::find(retired.begin(), retired.end(), event.xany.window) != retired.end()) continue;
            others.push_back(event);
            if (event.type == DestroyNotify) done = true;  // the frame's window went away
            continue;
        }
        MenuOutcome outcome;
        switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) {
                drawPane(display, shown[size_t(pane)], menu.panes()[size_t(pane)]);
                XFlush(display);
            }
            continue;
        case MotionNotify:
            // Only the newest of a run of moves matters (moves behind a press or a
            // key stay in their place).
            while (XEventsQueued(display, QueuedAfterReading) > 0) {
                XEvent next;
                XPeekEvent(display, &next);
                if (next.type != MotionNotify || next.xany.window != event.xany.window) break;
                XNextEvent(display, &event);
            }
            menu.pointerAt(logical(event.xmotion.x_root), logical(event.xmotion.y_root), now());
            break;
        case ButtonPress:
            if (isWheel(event.xbutton.button)) continue;
            outcome = menu.press(logical(event.xbutton.x_root), logical(event.xbutton.y_root));
            break;
        case ButtonRelease:
            if (isWheel(event.xbutton.button)) continue;
            outcome = menu.release(logical(event.xbutton.x_root), logical(event.xbutton.y_root));
            break;
        case KeyPress: {
            MenuKey key;
            if (!menuKey(XLookupKeysym(&event.xkey, 0), key)) continue;
            outcome = menu.key(key);
            break;
        }
        default: continue;
        }
        if (outcome.kind == MenuOutcome::Choose) result = outcome.command;
        if (outcome.kind != MenuOutcome::Nothing) done = true;
        else showPanes();
    }

    XUngrabKeyboard(display, CurrentTime);
    XUngrabPointer(display, CurrentTime);
    for (auto it = shown.rbegin(); it != shown.rend(); ++it) XDestroyWindow(display, it->window);
    // Handed back in their order: each put back goes to the front of the queue.
    for (auto it = others.rbegin(); it != others.rend(); ++it) XPutBackEvent(display, &*it);
    XFlush(display);
    return result;
}

}  // namespace orva::platform::x11
