#include "platform/X11Paint.h"

#include "platform/FontResolver.h"

#include <cairo-xlib.h>

#include <algorithm>

namespace orva::platform::x11 {

void selectFont(cairo_t* cr, const std::string& family, double size) {
    cairo_select_font_face(cr, resolveFontFamily(family).c_str(), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

double textWidth(cairo_t* cr, const std::string& s) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    return e.x_advance;
}

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

}  // namespace orva::platform::x11
