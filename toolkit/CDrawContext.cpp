#include "toolkit/CDrawContext.h"

#include "platform/DisplayScale.h"
#include "platform/FontResolver.h"
#include "toolkit/CFontDesc.h"

#include <cairo.h>

#include <cmath>
#include <cstring>

namespace VSTGUI {

CDrawContext::CDrawContext(cairo_surface_t* s) : surface(cairo_surface_reference(s)) {
    cr = cairo_create(surface);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    // Non-image surfaces answer 0: give them a practically unbounded clip.
    deviceClip = (w > 0 && h > 0) ? CRect(0, 0, w, h) : CRect(0, 0, 1 << 15, 1 << 15);
    clipRect = deviceClip;
    font = new CFontDesc("Arial", 12);
}

CDrawContext::~CDrawContext() {
    if (font) font->forget();
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

void CDrawContext::setDrawMode(CDrawMode mode) {
    drawMode = mode;
    cairo_set_antialias(cr, mode == kAliasing ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_DEFAULT);
}

void CDrawContext::setFont(CFontDesc* newFont, int32_t size, int32_t style) {
    if (!newFont) return;
    CFontDesc* copy = new CFontDesc(newFont->getName().c_str(), size > 0 ? size : newFont->getSize(),
                                    style >= 0 ? style : newFont->getStyle());
    if (font) font->forget();
    font = copy;
}

void CDrawContext::setSourceColor(CColor c) {
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0,
                          c.alpha / 255.0 * globalAlpha);
}

void CDrawContext::setupStroke() {
    cairo_set_line_width(cr, lineWidth);
    if (lineStyle == kLineOnOffDash) {
        const double dash[] = {double(lineWidth), double(lineWidth)};
        cairo_set_dash(cr, dash, 2, 0);
    } else {
        cairo_set_dash(cr, nullptr, 0, 0);
    }
    setSourceColor(frameColor);
}

// Odd line widths sit on pixel centres.
static double pixelCentre(int32_t lineWidth) { return (lineWidth & 1) ? 0.5 : 0.0; }

void CDrawContext::moveTo(const CPoint& p) { penPosition = p; }

void CDrawContext::lineTo(const CPoint& p) {
    const double c = pixelCentre(lineWidth);
    setupStroke();
    cairo_move_to(cr, penPosition.h + offset.h + c, penPosition.v + offset.v + c);
    cairo_line_to(cr, p.h + offset.h + c, p.v + offset.v + c);
    cairo_stroke(cr);
    penPosition = p;
}

void CDrawContext::drawLines(const CPoint* points, int32_t count) {
    for (int32_t i = 0; i + 1 < count; i += 2) {
        moveTo(points[i]);
        lineTo(points[i + 1]);
    }
}

void CDrawContext::drawPolyLine(const CPoint* points, int32_t count) {
    if (!points || count < 2) return;
    const double c = pixelCentre(lineWidth);
    setupStroke();
    cairo_new_path(cr);
    for (int32_t i = 0; i < count; ++i) cairo_line_to(cr, points[i].h + offset.h + c, points[i].v + offset.v + c);
    cairo_stroke(cr);
    penPosition = points[count - 1];
}

void CDrawContext::drawRect(const CRect& r, CDrawStyle style) {
    const double x = r.left + offset.h, y = r.top + offset.v;
    if (style != kDrawStroked) {
        setSourceColor(fillColor);
        cairo_rectangle(cr, x, y, r.width(), r.height());
        cairo_fill(cr);
    }
    if (style != kDrawFilled) {
        const double c = pixelCentre(lineWidth);
        setupStroke();
        cairo_rectangle(cr, x + c, y + c, r.width() - 1, r.height() - 1);
        cairo_stroke(cr);
    }
}

void CDrawContext::drawPolygon(const CPoint* points, int32_t count, CDrawStyle style) {
    if (count < 2) return;
    auto path = [&](double c) {
        cairo_new_path(cr);
        for (int32_t i = 0; i < count; ++i)
            cairo_line_to(cr, points[i].h + offset.h + c, points[i].v + offset.v + c);
        cairo_close_path(cr);
    };
    if (style != kDrawStroked) {
        path(0);
        setSourceColor(fillColor);
        cairo_fill(cr);
    }
    if (style != kDrawFilled) {
        path(pixelCentre(lineWidth));
        setupStroke();
        cairo_stroke(cr);
    }
}

void CDrawContext::drawEllipse(const CRect& r, CDrawStyle style) {
    if (r.isEmpty()) return;
    auto path = [&] {
        cairo_save(cr);
        cairo_translate(cr, r.left + offset.h + r.width() / 2.0, r.top + offset.v + r.height() / 2.0);
        cairo_scale(cr, r.width() / 2.0, r.height() / 2.0);
        cairo_new_path(cr);
        cairo_arc(cr, 0, 0, 1, 0, 2 * 3.14159265358979323846);
        cairo_restore(cr);
    };
    if (style != kDrawStroked) {
        path();
        setSourceColor(fillColor);
        cairo_fill(cr);
    }
    if (style != kDrawFilled) {
        path();
        setupStroke();
        cairo_stroke(cr);
    }
}

void CDrawContext::applyFont() {
    const std::string family = orva::platform::resolveFontFamily(font->getName());
    cairo_select_font_face(cr, family.c_str(),
                           (font->getStyle() & kItalicFace) ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           (font->getStyle() & kBoldFace) ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, font->getSize());
}

void CDrawContext::drawString(const char* utf8, const CRect& r, CHoriTxtAlign align, bool antialias) {
    if (!utf8 || !*utf8) return;
    applyFont();
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);

    cairo_text_extents_t text;
    cairo_text_extents(cr, utf8, &text);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    double x = r.left + offset.h;
    if (align == kCenterText) x += (r.width() - text.x_advance) / 2.0;
    else if (align == kRightText) x += r.width() - text.x_advance;
    const double y = r.top + offset.v + (r.height() + fe.ascent - fe.descent) / 2.0;

    cairo_save(cr);
    cairo_rectangle(cr, r.left + offset.h, r.top + offset.v, r.width(), r.height());
    cairo_clip(cr);
    setSourceColor(fontColor);
    cairo_move_to(cr, int(x + 0.5), int(y + 0.5));
    cairo_show_text(cr, utf8);
    cairo_restore(cr);
}

int32_t CDrawContext::getStringWidth(const char* utf8) {
    if (!utf8 || !*utf8) return 0;
    applyFont();
    cairo_text_extents_t text;
    cairo_text_extents(cr, utf8, &text);
    return int32_t(text.x_advance + 0.5);
}

void CDrawContext::applyClip() {
    cairo_reset_clip(cr);
    double l = clipRect.left, t = clipRect.top, r = clipRect.right, b = clipRect.bottom;
    if (scale != 1.0) {
        // A logical edge may fall inside a device pixel (1.5x): the clip takes the
        // nearest device-pixel edge, as bitmaps do, so neighbouring views meet on
        // one edge and no edge pixel is drawn half by each.
        auto snap = [this](double v) { return std::floor(v * scale + 0.5) / scale; };
        l = snap(l), t = snap(t), r = snap(r), b = snap(b);
    }
    cairo_rectangle(cr, l, t, r - l, b - t);
    cairo_clip(cr);
}

void CDrawContext::setDeviceClip(const CRect& rect) {
    deviceClip = rect;
    clipRect = rect;
    applyClip();
}

void CDrawContext::setClipRect(const CRect& rect) {
    CRect device = rect;
    device.offset(offset.h, offset.v);
    clipRect = device.bound(deviceClip);
    applyClip();
}

CRect CDrawContext::getClipRect() const {
    CRect r = clipRect;
    return r.offset(-offset.h, -offset.v);
}

void CDrawContext::resetClipRect() {
    clipRect = deviceClip;
    applyClip();
}

void CDrawContext::setOffset(const CPoint& p) { offset = p; }

static cairo_surface_t* newImage(int32_t w, int32_t h) {
    return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w > 0 ? w : 1, h > 0 ? h : 1);
}

static double validScale(double s) { return std::isfinite(s) && s > 0.0 ? s : 1.0; }

COffscreenContext::COffscreenContext(int32_t w, int32_t h, double s)
    : CDrawContext(
          newImage(orva::platform::scaledPixels(w, validScale(s)), orva::platform::scaledPixels(h, validScale(s)))),
      width(w > 0 ? w : 1), height(h > 0 ? h : 1) {
    cairo_surface_destroy(surface);  // the context keeps its own reference
    pixelWidth = cairo_image_surface_get_width(surface);
    pixelHeight = cairo_image_surface_get_height(surface);
    scale = validScale(s);
    if (scale != 1.0) {
        // Everything is drawn in logical pixels; the clip follows suit.
        cairo_scale(cr, scale, scale);
        deviceClip = clipRect = CRect(0, 0, width, height);
        applyClip();
    }
}

uint32_t COffscreenContext::getPixel(int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= pixelWidth || y >= pixelHeight) return 0;
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    uint32_t pixel;
    std::memcpy(&pixel, data + y * stride + x * 4, 4);
    return pixel;
}

bool COffscreenContext::writePNG(const char* path) {
    cairo_surface_flush(surface);
    return cairo_surface_write_to_png(surface, path) == CAIRO_STATUS_SUCCESS;
}

}  // namespace VSTGUI
