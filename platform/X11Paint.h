// Painting the frame's pop-up windows (menu panes, edit field, tooltip) with
// cairo: fonts, text widths, flicker-free window painting and the
// override-redirect windows the pop-ups live in.
#pragma once

#include <X11/Xlib.h>
#include <cairo.h>

#include <string>

namespace orva::platform::x11 {

void selectFont(cairo_t* cr, const std::string& family, double size);
double textWidth(cairo_t* cr, const std::string& s);

// Painting a window: drawn into an image first and copied over in one go (no
// flicker, and text never goes through the X server's glyph caches). windowCairo
// answers the context to draw with; finishPaint copies the image to the window and
// frees both.
cairo_t* windowCairo(Display* display, Window window, int w, int h, cairo_surface_t*& image);
void finishPaint(Display* display, Window window, int w, int h, cairo_t* cr, cairo_surface_t* image);

// A measuring context without any window.
struct Measure {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(surface);
    Measure() = default;
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;
    ~Measure() {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
};

// A white window with a one-pixel black frame, outside the window manager's
// control, whose inside starts at (x, y) + 1 on the root window.
Window overrideRedirectWindow(Display* display, int screen, int x, int y, int w, int h, long events);

}  // namespace orva::platform::x11
