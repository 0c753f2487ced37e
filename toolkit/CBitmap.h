// A skin bitmap: premultiplied B G R A pixels held in a cairo ARGB32 image, with
// an optional rotation (degrees, about a centre in bitmap coordinates) and scale
// applied when it is drawn. A bitmap whose resource is missing or undecodable is
// 0 x 0 and draws nothing.
//
// A bitmap may be made for a pixel scale (device pixels per logical pixel: 1.5 or
// 2, from the skin drawn for that scale). Its width, height, pixel reads and
// drawing are all in logical pixels, as for the 1x picture; its cairo image
// carries the scale as its device scale, so under a context scaled by the same
// factor it is drawn pixel for pixel.
#pragma once

#include "platform/GuiTypes.h"
#include "toolkit/CBaseObject.h"

#include <cstddef>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;

namespace VSTGUI {

class CDrawContext;

class CBitmap : public CBaseObject {
public:
    // The embedded PNG resource of that name.
    explicit CBitmap(const char* resourceName);
    // The same picture drawn for a pixel scale: at 1.5 or 2 the resource
    // "Name@1.5x.png" or "Name@2x.png" when it exists and its size is the 1x size
    // times the scale (rounded as orva::platform::scaledPixels does); otherwise
    // the 1x picture at pixel scale 1. Width and height are the 1x size either way.
    CBitmap(const char* resourceName, double scale);
    // A blank (transparent) bitmap of that size.
    CBitmap(int32_t width, int32_t height);
    ~CBitmap() override;
    // From PNG bytes in memory; empty (0 x 0) when they do not decode.
    static CBitmap* createFromPngData(const void* data, size_t size);

    // Logical size (the 1x picture's).
    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    // Device pixels per logical pixel, and the image's size in device pixels.
    double getPixelScale() const { return pixelScale; }
    int32_t getPixelWidth() const { return pixelWidth; }
    int32_t getPixelHeight() const { return pixelHeight; }
    bool isLoaded() const { return surface != nullptr; }
    // The image, with the pixel scale as its cairo device scale.
    cairo_surface_t* getSurface() const { return surface; }
    // Premultiplied B, G, R, A of the logical pixel (x, y) as one little-endian
    // word (at a pixel scale, the mean of the device pixels it covers); 0 outside.
    uint32_t getPixel(int32_t x, int32_t y) const;
    uint8_t getAlpha(int32_t x, int32_t y) const { return uint8_t(getPixel(x, y) >> 24); }

    // Draws the part of the bitmap starting at offset into rect (rect's size).
    void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint());
    // The same with a global alpha (0-255) on top of the pixels' own.
    void drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(),
                        uint8_t alpha = 128);
    // Copies the pixels over the destination without blending (opaque views).
    void drawCopy(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint());

    void setRotation(float degrees, CPoint centre) { rotation = degrees; rotationCentre = centre; }
    float getRotation() const { return rotation; }
    CPoint getRotationCentre() const { return rotationCentre; }
    void setScale(float s) { scale = s; }
    float getScale() const { return scale; }

private:
    CBitmap() = default;
    void adopt(std::vector<uint8_t>&& pixels, int32_t w, int32_t h, double pixelScale = 1.0, int32_t logicalW = 0,
               int32_t logicalH = 0);
    bool loadScaled(const char* resourceName, double scale);
    void paint(CDrawContext* context, const CRect& rect, const CPoint& offset, double alpha, bool copy);

    int32_t width = 0;
    int32_t height = 0;
    double pixelScale = 1.0;
    int32_t pixelWidth = 0;
    int32_t pixelHeight = 0;
    std::vector<uint8_t> pixels;
    cairo_surface_t* surface = nullptr;
    float rotation = 0.0f;
    CPoint rotationCentre;
    float scale = 1.0f;
};

}  // namespace VSTGUI
