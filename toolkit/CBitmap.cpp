#include "toolkit/CBitmap.h"

#include "platform/Resources.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/PngDecoder.h"

#include <cairo.h>

#include <cstring>

namespace VSTGUI {

CBitmap::CBitmap(const char* resourceName) {
    const EmbeddedResource* resource = resourceName ? FindEmbeddedResource("PNG", resourceName) : nullptr;
    DecodedImage image;
    if (resource && decodePng(resource->data, resource->size, image))
        adopt(std::move(image.pixels), int32_t(image.width), int32_t(image.height));
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

void CBitmap::adopt(std::vector<uint8_t>&& newPixels, int32_t w, int32_t h) {
    // Cairo's ARGB32 stride is exactly 4 bytes a pixel; the pixels are used as they are.
    if (cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, w) != w * 4) return;
    pixels = std::move(newPixels);
    cairo_surface_t* s = cairo_image_surface_create_for_data(pixels.data(), CAIRO_FORMAT_ARGB32, w, h, w * 4);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        pixels.clear();
        return;
    }
    surface = s;
    width = w;
    height = h;
}

uint32_t CBitmap::getPixel(int32_t x, int32_t y) const {
    if (!surface || x < 0 || y < 0 || x >= width || y >= height) return 0;
    uint32_t pixel;
    std::memcpy(&pixel, pixels.data() + (size_t(y) * width + x) * 4, 4);
    return pixel;
}

void CBitmap::paint(CDrawContext* context, const CRect& rect, const CPoint& offset, double alpha, bool copy) {
    if (!surface || !context || rect.isEmpty()) return;
    cairo_t* cr = context->getCairo();
    const CPoint o = context->getOffset();
    cairo_save(cr);
    const double x = rect.left + o.h, y = rect.top + o.v;
    if (rotation != 0.0f || scale != 1.0f) {
        // Rotate and scale about the rotation centre, given relative to rect's corner.
        const double cx = x + rotationCentre.h, cy = y + rotationCentre.v;
        cairo_translate(cr, cx, cy);
        cairo_rotate(cr, rotation * 3.14159265358979323846 / 180.0);
        cairo_scale(cr, scale, scale);
        cairo_translate(cr, -cx, -cy);
    }
    cairo_rectangle(cr, x, y, rect.width(), rect.height());
    cairo_clip(cr);
    cairo_set_source_surface(cr, surface, x - offset.h, y - offset.v);
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
