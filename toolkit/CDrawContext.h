// Drawing context over a cairo surface: colours, line attributes, font, an
// offset for drawing in a container's coordinates, a clip rectangle, and the
// primitives views draw with. All coordinates are integers in the current
// offset's coordinates; one-pixel lines are placed on pixel centres so that
// aliased drawing touches whole pixels.
//
// A context may draw at a pixel scale (1.5 or 2 device pixels per logical pixel):
// its cairo context then carries that scale, and every coordinate, clip and size
// it takes or answers stays in logical pixels.
#pragma once

#include "platform/GuiTypes.h"
#include "toolkit/CBaseObject.h"

#include <string>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace VSTGUI {

class CFontDesc;

class CDrawContext : public CBaseObject {
public:
    // Draws onto surface (retained for the context's life).
    explicit CDrawContext(cairo_surface_t* surface);
    ~CDrawContext() override;

    cairo_t* getCairo() const { return cr; }
    cairo_surface_t* getSurface() const { return surface; }

    void setDrawMode(CDrawMode mode);
    CDrawMode getDrawMode() const { return drawMode; }
    void setLineWidth(int32_t width) { lineWidth = width < 1 ? 1 : width; }
    int32_t getLineWidth() const { return lineWidth; }
    void setLineStyle(CLineStyle style) { lineStyle = style; }
    CLineStyle getLineStyle() const { return lineStyle; }
    void setFrameColor(CColor c) { frameColor = c; }
    CColor getFrameColor() const { return frameColor; }
    void setFillColor(CColor c) { fillColor = c; }
    CColor getFillColor() const { return fillColor; }
    void setFontColor(CColor c) { fontColor = c; }
    CColor getFontColor() const { return fontColor; }
    void setFont(CFontDesc* font, int32_t size = 0, int32_t style = -1);
    CFontDesc* getFont() const { return font; }
    // Multiplies every colour's and bitmap's alpha (fading panels).
    void setGlobalAlpha(float alpha) { globalAlpha = alpha; }
    float getGlobalAlpha() const { return globalAlpha; }

    void moveTo(const CPoint& p);
    void lineTo(const CPoint& p);
    // Each pair of points is one line.
    void drawLines(const CPoint* points, int32_t count);
    // One open path through all the points, stroked once: where its segments
    // meet or cross, a translucent colour is laid down only once (drawLines'
    // separate segments blend twice there). Leaves the pen at the last point.
    void drawPolyLine(const CPoint* points, int32_t count);
    void drawRect(const CRect& rect, CDrawStyle style = kDrawStroked);
    void drawPolygon(const CPoint* points, int32_t count, CDrawStyle style = kDrawFilled);
    void drawEllipse(const CRect& rect, CDrawStyle style = kDrawStroked);
    void drawString(const char* utf8, const CRect& rect, CHoriTxtAlign align = kCenterText,
                    bool antialias = true);
    int32_t getStringWidth(const char* utf8);

    // Clip rectangle in offset coordinates, always inside the device clip that the
    // frame set for this paint.
    void setClipRect(const CRect& rect);
    CRect getClipRect() const;
    void resetClipRect();
    // The frame's update area (frame coordinates, logical pixels); setClipRect
    // never leaves it.
    void setDeviceClip(const CRect& rect);
    // Device pixels per logical pixel.
    double getScale() const { return scale; }

    void setOffset(const CPoint& p);
    CPoint getOffset() const { return offset; }

    // Colour with the global alpha applied, as the cairo source.
    void setSourceColor(CColor c);

protected:
    void applyClip();
    void applyFont();
    void setupStroke();

    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    CDrawMode drawMode = kAntialias;
    int32_t lineWidth = 1;
    CLineStyle lineStyle = kLineSolid;
    CColor frameColor = kBlackCColor;
    CColor fillColor = kWhiteCColor;
    CColor fontColor = kBlackCColor;
    CFontDesc* font = nullptr;
    float globalAlpha = 1.0f;
    CPoint offset;
    CPoint penPosition;
    CRect deviceClip;
    CRect clipRect;  // frame coordinates
    double scale = 1.0;
};

// A drawing context over its own ARGB32 image: the frame's back buffer and the
// picture of a view tree taken without any window. At a pixel scale the image
// holds width x height logical pixels as orva::platform::scaledPixels of each.
class COffscreenContext : public CDrawContext {
public:
    COffscreenContext(int32_t width, int32_t height, double scale = 1.0);
    // Logical size.
    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    // The image's size in device pixels.
    int32_t getPixelWidth() const { return pixelWidth; }
    int32_t getPixelHeight() const { return pixelHeight; }
    // Device pixel (x, y) as premultiplied B, G, R, A bytes; zero outside the image.
    uint32_t getPixel(int32_t x, int32_t y);
    bool writePNG(const char* path);

private:
    int32_t width, height, pixelWidth, pixelHeight;
};

}  // namespace VSTGUI
