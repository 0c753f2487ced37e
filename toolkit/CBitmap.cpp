#include "toolkit/CBitmap.h"

#include "platform/DisplayScale.h"
#include "platform/Resources.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/PngDecoder.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace VSTGUI {

CBitmap::CBitmap(const char* resourceName) : CBitmap(resourceName, 1.0) {}

CBitmap::CBitmap(const char* resourceName, double scale) {
    if (scale != 1.0 && loadScaled(resourceName, scale)) return;
    const EmbeddedResource* resource = resourceName ? FindEmbeddedResource("PNG", resourceName) : nullptr;
    DecodedImage image;
    if (resource && decodePng(resource->data, resource->size, image))
        adopt(std::move(image.pixels), int32_t(image.width), int32_t(image.height));
}

bool CBitmap::loadScaled(const char* resourceName, double scale) {
    // The logical size is the 1x picture's, read from its header without decoding it.
    const EmbeddedResource* base = resourceName ? FindEmbeddedResource("PNG", resourceName) : nullptr;
    uint32_t w = 0, h = 0;
    if (!base || !pngSize(base->data, base->size, w, h)) return false;
    const std::string name = orva::platform::scaledResourceName(resourceName, scale);
    const EmbeddedResource* resource = FindEmbeddedResource("PNG", name.c_str());
    DecodedImage image;
    if (!resource || !decodePng(resource->data, resource->size, image)) return false;
    if (int32_t(image.width) != orva::platform::scaledPixels(int32_t(w), scale) ||
        int32_t(image.height) != orva::platform::scaledPixels(int32_t(h), scale))
        return false;
    adopt(std::move(image.pixels), int32_t(image.width), int32_t(image.height), scale, int32_t(w), int32_t(h));
    return surface != nullptr;
}

CBitmap::CBitmap(int32_t w, int32_t h) {
    if (w > 0 && h > 0 && uint64_t(w) * uint64_t(h) <= kMaxPngPixels)
        adopt(std::vector<uint8_t>(size_t(w) * size_t(h) * 4, 0), w, h);
}

CBitmap* CBitmap::createFromPngData(const void* data, size_t size) {
    auto* bitmap = new CBitmap();
    DecodedImage image;
    if (decodePng(static_cast<const uint8_t*>(data), size, image))
        bitmap->adopt(std::move(image.pixels), int32_t(image.width), int32_t(image.height));
    return bitmap;
}

CBitmap::~CBitmap() {
    if (surface) cairo_surface_destroy(surface);
}

void CBitmap::adopt(std::vector<uint8_t>&& newPixels, int32_t w, int32_t h, double scale, int32_t logicalW,
                    int32_t logicalH) {
    // Cairo's ARGB32 stride is exactly 4 bytes a pixel; the pixels are used as they are.
    if (cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, w) != w * 4) return;
    pixels = std::move(newPixels);
    cairo_surface_t* s = cairo_image_surface_create_for_data(pixels.data(), CAIRO_FORMAT_ARGB32, w, h, w * 4);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        pixels.clear();
        return;
    }
    // Cairo then measures the image in logical pixels wherever it is a source.
    if (scale != 1.0) cairo_surface_set_device_scale(s, scale, scale);
    surface = s;
    pixelScale = scale;
    pixelWidth = w;
    pixelHeight = h;
    width = scale != 1.0 ? logicalW : w;
    height = scale != 1.0 ? logicalH : h;
}

uint32_t CBitmap::getPixel(int32_t x, int32_t y) const {
    if (!surface || x < 0 || y < 0 || x >= width || y >= height) return 0;
    uint32_t pixel;
    if (pixelScale == 1.0) {
        std::memcpy(&pixel, pixels.data() + (size_t(y) * pixelWidth + x) * 4, 4);
        return pixel;
    }
    // The device pixels the logical pixel covers, each weighted by the part of it
    // that lies inside: the logical pixel's colour and alpha as the 1x picture
    // would hold them, so hit tests answer alike at every scale.
    const double s = pixelScale, x0 = x * s, x1 = (x + 1) * s, y0 = y * s, y1 = (y + 1) * s;
    double sum[4] = {0, 0, 0, 0};
    for (int32_t j = int32_t(y0); j < std::min(pixelHeight, int32_t(std::ceil(y1))); ++j) {
        const double wy = std::min(j + 1.0, y1) - std::max(double(j), y0);
        for (int32_t i = int32_t(x0); i < std::min(pixelWidth, int32_t(std::ceil(x1))); ++i) {
            const double w = wy * (std::min(i + 1.0, x1) - std::max(double(i), x0));
            const uint8_t* p = pixels.data() + (size_t(j) * pixelWidth + i) * 4;
            for (int c = 0; c < 4; ++c) sum[c] += w * p[c];
        }
    }
    pixel = 0;
    for (int c = 0; c < 4; ++c) pixel |= uint32_t(std::min(255.0, std::floor(sum[c] / (s * s) + 0.5))) << (8 * c);
    return pixel;
}

void CBitmap::paint(CDrawContext* context, const CRect& rect, const CPoint& offset, double alpha, bool copy) {
    if (!surface || !context || rect.isEmpty()) return;
    cairo_t* cr = context->getCairo();
    const CPoint o = context->getOffset();
    cairo_save(cr);
    const double x = rect.left + o.h, y = rect.top + o.v;
    // Destination and source corner, in the context's user space.
    double x0 = x, y0 = y, x1 = x + rect.width(), y1 = y + rect.height();
    double sx = x - offset.h, sy = y - offset.v;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    if (rotation != 0.0f || scale != 1.0f) {
        // Rotate and scale about the rotation centre, given relative to rect's corner.
        const double cx = x + rotationCentre.h, cy = y + rotationCentre.v;
        cairo_translate(cr, cx, cy);
        cairo_rotate(cr, rotation * 3.14159265358979323846 / 180.0);
        cairo_scale(cr, scale, scale);
        cairo_translate(cr, -cx, -cy);
    } else if ((m.xx != 1.0 || m.yy != 1.0) && m.xx > 0.0 && m.yy > 0.0 && m.xy == 0.0 && m.yx == 0.0) {
        // Under a context scale (1.5 or 2 device pixels per logical pixel) a logical
        // edge may fall inside a device pixel: the clip and the picture's corner go
        // to the nearest device-pixel edges, so a picture made for that scale lands
        // pixel for pixel and neighbouring views meet on the same device edge.
        // Halves go up, on both sides of zero, so that a source corner far above the
        // view (a film-strip frame) keeps its whole-pixel distance to the clip.
        auto onX = [&](double v) { return (std::floor(v * m.xx + m.x0 + 0.5) - m.x0) / m.xx; };
        auto onY = [&](double v) { return (std::floor(v * m.yy + m.y0 + 0.5) - m.y0) / m.yy; };
        x0 = onX(x0), x1 = onX(x1), sx = onX(sx);
        y0 = onY(y0), y1 = onY(y1), sy = onY(sy);
    }
    cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
    cairo_clip(cr);
    cairo_set_source_surface(cr, surface, sx, sy);
    if (copy) cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    const double a = alpha * context->getGlobalAlpha();
    if (a >= 1.0) cairo_paint(cr);
    else cairo_paint_with_alpha(cr, a);
    cairo_restore(cr);
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    paint(context, rect, offset, 1.0, false);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset, uint8_t alpha) {
    paint(context, rect, offset, alpha / 255.0, false);
}

void CBitmap::drawCopy(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    paint(context, rect, offset, 1.0, true);
}

}  // namespace VSTGUI
