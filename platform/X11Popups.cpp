#include "platform/X11Popups.h"

#include "platform/FontResolver.h"
#include "toolkit/CBitmap.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace orva::platform::x11 {
namespace {

constexpr int kMenuRowHeight = 18;
constexpr int kMenuSeparatorHeight = 7;
constexpr int kTooltipWidth = 180;
constexpr double kFontSize = 12.0;

void selectFont(cairo_t* cr, const std::string& family, double size) {
    cairo_select_font_face(cr, resolveFontFamily(family).c_str(), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

double textWidth(cairo_t* cr, const std::string& s) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    return e.x_advance;
}

// Painting a window: drawn into an image first and copied over in one go (no
// flicker, and text never goes through the X server's glyph caches).
cairo_t* windowCairo(Display*, Window, int w, int h, cairo_surface_t*& image) {
    image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(w, 1), std::max(h, 1));
    return cairo_create(image);
}

void finishPaint(Display* display, Window window, int w, int h, cairo_t* cr, cairo_surface_t* image) {
    cairo_destroy(cr);
    cairo_surface_flush(image);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes)) {
        cairo_surface_t* target = cairo_xlib_surface_create(display, window, attributes.visual, w, h);
        cairo_t* out = cairo_create(target);
        cairo_set_operator(out, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(out, image, 0, 0);
        cairo_paint(out);
        cairo_destroy(out);
        cairo_surface_flush(target);
        cairo_surface_destroy(target);
    }
    cairo_surface_destroy(image);
}

// A measuring context without any window.
struct Measure {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(surface);
    ~Measure() {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
};

Window overrideRedirectWindow(Display* display, int screen, int x, int y, int w, int h, long events) {
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.background_pixel = WhitePixel(display, screen);
    a.border_pixel = BlackPixel(display, screen);
    a.event_mask = events;
    return XCreateWindow(display, RootWindow(display, screen), x, y, unsigned(std::max(w, 1)),
                         unsigned(std::max(h, 1)), 1, CopyFromParent, InputOutput, CopyFromParent,
                         CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWEventMask, &a);
}

// One row of the shown menu.
struct Row {
    const PopupMenuEntry* entry;
    int depth;
    int x = 0, y = 0, w = 0, h = 0;
};

void flatten(const std::vector<PopupMenuEntry>& entries, int depth, std::vector<Row>& rows) {
    for (const PopupMenuEntry& e : entries) {
        rows.push_back(Row{&e, depth});
        if (!e.submenu.empty()) flatten(e.submenu, depth + 1, rows);
    }
}

bool choosable(const Row& r) {
    return r.entry->enabled && !r.entry->separator && !r.entry->titleItem && r.entry->submenu.empty() &&
           r.entry->command >= 0;
}

}  // namespace

int32_t runPopupMenu(Display* display, int screen, const std::vector<PopupMenuEntry>& entries, int rootX, int rootY) {
    std::vector<Row> rows;
    flatten(entries, 0, rows);
    if (rows.empty()) return -1;

    // Layout: columns start at column breaks of the top level.
    Measure m;
    selectFont(m.cr, "Arial", kFontSize);
    int x = 0, y = 0, columnWidth = 0, totalHeight = 0;
    size_t columnStart = 0;
    auto closeColumn = [&](size_t end) {
        for (size_t i = columnStart; i < end; ++i) rows[i].w = columnWidth;
        x += columnWidth;
        columnWidth = 0;
        totalHeight = std::max(totalHeight, y);
        y = 0;
        columnStart = end;
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        Row& r = rows[i];
        if (r.entry->columnBreak && r.depth == 0 && i > 0) closeColumn(i);
        r.x = x;
        r.y = y;
        r.h = r.entry->separator ? kMenuSeparatorHeight : kMenuRowHeight;
        y += r.h;
        const int w = int(textWidth(m.cr, r.entry->title)) + 34 + 12 * r.depth;
        columnWidth = std::max(columnWidth, w);
    }
    closeColumn(rows.size());
    const int width = x, height = totalHeight;

    const int screenW = DisplayWidth(display, screen), screenH = DisplayHeight(display, screen);
    rootX = std::max(0, std::min(rootX, screenW - width - 2));
    rootY = std::max(0, std::min(rootY, screenH - height - 2));
    const Window window = overrideRedirectWindow(display, screen, rootX, rootY, width, height,
                                                 ExposureMask | ButtonPressMask | ButtonReleaseMask |
                                                     PointerMotionMask | KeyPressMask);
    XMapRaised(display, window);
    XSync(display, False);

    // Grab pointer and keyboard so a click anywhere else closes the menu.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (XGrabPointer(display, window, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                         GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    XGrabKeyboard(display, window, False, GrabModeAsync, GrabModeAsync, CurrentTime);

    int hover = -1;
    auto rowAt = [&](int px, int py) {
        for (size_t i = 0; i < rows.size(); ++i)
            if (px >= rows[i].x && px < rows[i].x + rows[i].w && py >= rows[i].y && py < rows[i].y + rows[i].h)
                return int(i);
        return -1;
    };
    auto draw = [&] {
        cairo_surface_t* surface = nullptr;
        cairo_t* cr = windowCairo(display, window, width, height, surface);
        selectFont(cr, "Arial", kFontSize);
        cairo_set_source_rgb(cr, 0.94, 0.94, 0.94);
        cairo_paint(cr);
        for (size_t i = 0; i < rows.size(); ++i) {
            const Row& r = rows[i];
            if (r.entry->separator) {
                cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
                cairo_rectangle(cr, r.x + 4, r.y + 3, r.w - 8, 1);
                cairo_fill(cr);
                continue;
            }
            if (int(i) == hover && choosable(r)) {
                cairo_set_source_rgb(cr, 0.2, 0.4, 0.8);
                cairo_rectangle(cr, r.x, r.y, r.w, r.h);
                cairo_fill(cr);
            }
            const bool grey = !r.entry->enabled || r.entry->titleItem;
            if (int(i) == hover && choosable(r)) cairo_set_source_rgb(cr, 1, 1, 1);
            else if (grey) cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
            else cairo_set_source_rgb(cr, 0, 0, 0);
            const int textX = r.x + 20 + 12 * r.depth;
            if (r.entry->checked) {
                cairo_move_to(cr, r.x + 5, r.y + 9);
                cairo_line_to(cr, r.x + 8, r.y + 13);
                cairo_line_to(cr, r.x + 14, r.y + 5);
                cairo_set_line_width(cr, 1.5);
                cairo_stroke(cr);
            }
            if (r.entry->icon && r.entry->icon->isLoaded()) {
                cairo_save(cr);
                cairo_rectangle(cr, r.x + 2, r.y + 1, 16, 16);
                cairo_clip(cr);
                cairo_set_source_surface(cr, r.entry->icon->getSurface(), r.x + 2, r.y + 1);
                cairo_paint(cr);
                cairo_restore(cr);
            }
            cairo_move_to(cr, textX, r.y + 13);
            cairo_show_text(cr, r.entry->title.c_str());
            if (!r.entry->submenu.empty()) cairo_show_text(cr, " \xE2\x96\xB8");
        }
        finishPaint(display, window, width, height, cr, surface);
        XFlush(display);
    };

    int32_t result = -1;
    bool done = false;
    bool released = false;  // the press that opened the menu may still be held
    while (!done) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.xany.window != window) {
            if (event.type == Expose || event.type == ClientMessage) continue;
            if (event.type == DestroyNotify) done = true;
            continue;
        }
        switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) draw();
            break;
        case MotionNotify: {
            const int row = rowAt(event.xmotion.x, event.xmotion.y);
            if (row != hover) {
                hover = row;
                draw();
            }
            break;
        }
        case ButtonPress:
            if (rowAt(event.xbutton.x, event.xbutton.y) < 0) done = true;  // outside: cancel
            break;
        case ButtonRelease: {
            const int row = rowAt(event.xbutton.x, event.xbutton.y);
            if (row >= 0 && choosable(rows[size_t(row)])) {
                result = rows[size_t(row)].entry->command;
                done = true;
            } else if (row < 0 && released) {
                done = true;
            }
            released = true;
            break;
        }
        case KeyPress: {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            if (key == XK_Escape) done = true;
            if ((key == XK_Return || key == XK_KP_Enter) && hover >= 0 && choosable(rows[size_t(hover)])) {
                result = rows[size_t(hover)].entry->command;
                done = true;
            }
            break;
        }
        default: break;
        }
    }
    XUngrabKeyboard(display, CurrentTime);
    XUngrabPointer(display, CurrentTime);
    XDestroyWindow(display, window);
    XFlush(display);
    return result;
}

// ---------------------------------------------------------------------------

EditField::EditField(Display* d, Window parent, const EditFieldParams& s, EditFieldClient* c)
    : display(d), params(s), client(c), text(truncateUtf8(s.text, s.maxChars)) {
    XSetWindowAttributes a{};
    a.event_mask = ExposureMask | KeyPressMask | FocusChangeMask | ButtonPressMask;
    a.background_pixel = 0;
    window = XCreateWindow(display, parent, params.rect.left, params.rect.top, unsigned(std::max(1, params.rect.width())),
                           unsigned(std::max(1, params.rect.height())), 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWEventMask | CWBackPixel, &a);
    if (!window) return;
    XMapRaised(display, window);
    XSync(display, False);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XFlush(display);
}

EditField::~EditField() {
    if (window) XDestroyWindow(display, window);
    XFlush(display);
}

void EditField::draw() {
    if (!window) return;
    cairo_surface_t* surface = nullptr;
    const int w = params.rect.width(), h = params.rect.height();
    cairo_t* cr = windowCairo(display, window, w, h, surface);
    auto colour = [&](VSTGUI::CColor c) { cairo_set_source_rgb(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0); };
    colour(params.backColor);
    cairo_paint(cr);
    colour(params.frameColor);
    cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    selectFont(cr, params.fontFamily, params.fontHeight);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    const double tw = textWidth(cr, text);
    double x = params.margin;
    if (params.align == VSTGUI::kCenterText) x = (w - tw) / 2;
    else if (params.align == VSTGUI::kRightText) x = w - params.margin - tw;
    const double baseline = (h + fe.ascent - fe.descent) / 2;
    if (allSelected && !text.empty()) {
        cairo_set_source_rgb(cr, 0.2, 0.4, 0.8);
        cairo_rectangle(cr, x, params.margin, tw, h - 2 * params.margin);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 1, 1, 1);
    } else {
        colour(params.fontColor);
    }
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, text.c_str());
    // The caret after the text.
    colour(params.fontColor);
    cairo_rectangle(cr, x + tw + 1, params.margin, 1, h - 2 * params.margin);
    cairo_fill(cr);
    finishPaint(display, window, w, h, cr, surface);
    XFlush(display);
}

static void appendUtf8(std::string& s, unsigned long cp) {
    if (cp < 0x80) s += char(cp);
    else if (cp < 0x800) { s += char(0xC0 | (cp >> 6)); s += char(0x80 | (cp & 0x3F)); }
    else if (cp < 0x10000) { s += char(0xE0 | (cp >> 12)); s += char(0x80 | ((cp >> 6) & 0x3F)); s += char(0x80 | (cp & 0x3F)); }
    else if (cp < 0x110000) {
        s += char(0xF0 | (cp >> 18)); s += char(0x80 | ((cp >> 12) & 0x3F));
        s += char(0x80 | ((cp >> 6) & 0x3F)); s += char(0x80 | (cp & 0x3F));
    }
}

static void eraseLastUtf8(std::string& s) {
    while (!s.empty()) {
        const unsigned char c = static_cast<unsigned char>(s.back());
        s.pop_back();
        if ((c & 0xC0) != 0x80) break;
    }
}

void EditField::finish(bool byReturn) {
    if (finished) return;
    finished = true;
    if (client) client->editFieldEnded(text, byReturn);
}

bool EditField::handleEvent(const XEvent& event) {
    if (event.xany.window != window || finished) return false;
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0) draw();
        break;
    case FocusOut:
        // Only a real loss counts: with the focus following the pointer root, the
        // window under the pointer also hears pointer-detail focus events.
        if (event.xfocus.mode == NotifyNormal && event.xfocus.detail != NotifyInferior &&
            event.xfocus.detail != NotifyPointer && event.xfocus.detail != NotifyPointerRoot &&
            event.xfocus.detail != NotifyDetailNone)
            finish(false);
        break;
    case KeyPress: {
        XKeyEvent key = event.xkey;
        char buffer[32];
        KeySym sym = 0;
        const int n = XLookupString(&key, buffer, sizeof buffer, &sym, nullptr);
        if (sym == XK_Return || sym == XK_KP_Enter) {
            finish(true);
            return true;
        }
        if (sym == XK_Escape || sym == XK_Tab) {
            finish(false);
            return true;
        }
        if (sym == XK_BackSpace || sym == XK_Delete) {
            if (allSelected) text.clear();
            else eraseLastUtf8(text);
            allSelected = false;
        } else {
            // Latin-1 keysyms are their code points; Unicode keysyms carry theirs.
            unsigned long cp = 0;
            if (sym >= 0x20 && sym <= 0xFF) cp = sym;
            else if ((sym & 0xFF000000UL) == 0x01000000UL) cp = sym & 0x00FFFFFFUL;
            else if (n == 1 && static_cast<unsigned char>(buffer[0]) >= 0x20) cp = static_cast<unsigned char>(buffer[0]);
            if (cp) {
                if (allSelected) text.clear();
                allSelected = false;
                std::string next = text;
                appendUtf8(next, cp);
                text = truncateUtf8(next, params.maxChars);
            }
        }
        draw();
        break;
    }
    default: break;
    }
    return true;
}

// ---------------------------------------------------------------------------

Tooltip::Tooltip(Display* d, int s) : display(d), screen(s) {}

Tooltip::~Tooltip() {
    if (window) XDestroyWindow(display, window);
}

void Tooltip::show(int rootLeft, int rootBottom, const std::string& text) {
    Measure m;
    selectFont(m.cr, "Arial", kFontSize);
    lines = wrapText(text, kTooltipWidth, [&](const std::string& s) { return int32_t(textWidth(m.cr, s) + 0.5); });
    width = 0;
    for (const auto& l : lines) width = std::max(width, int(textWidth(m.cr, l) + 0.5));
    width += 8;
    height = int(lines.size()) * 15 + 6;
    const int x = std::max(0, std::min(rootLeft, DisplayWidth(display, screen) - width - 2));
    const int y = std::max(0, std::min(rootBottom + 2, DisplayHeight(display, screen) - height - 2));
    if (!window) window = overrideRedirectWindow(display, screen, x, y, width, height, ExposureMask);
    else XMoveResizeWindow(display, window, x, y, unsigned(width), unsigned(height));
    XMapRaised(display, window);
    visible = true;
    draw();
}

void Tooltip::hide() {
    if (window && visible) XUnmapWindow(display, window);
    visible = false;
    XFlush(display);
}

void Tooltip::draw() {
    if (!window || !visible) return;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = windowCairo(display, window, width, height, surface);
    cairo_set_source_rgb(cr, 1.0, 1.0, 0.88);
    cairo_paint(cr);
    selectFont(cr, "Arial", kFontSize);
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (size_t i = 0; i < lines.size(); ++i) {
        cairo_move_to(cr, 4, 15 + 15 * double(i));
        cairo_show_text(cr, lines[i].c_str());
    }
    finishPaint(display, window, width, height, cr, surface);
    XFlush(display);
}

bool Tooltip::handleEvent(const XEvent& event) {
    if (!window || event.xany.window != window) return false;
    if (event.type == Expose && event.xexpose.count == 0) draw();
    return true;
}

}  // namespace orva::platform::x11
