// Drawing helpers of the skin generator: an ARGB32 cairo canvas drawn at a scale
// (device pixels per logical pixel: every picture is drawn in logical pixels at 1,
// 1.5 and 2), the two faces of Liberation Sans loaded straight from their files (no
// fontconfig, so the output does not depend on the machine's font settings), text
// placement, lines on whole device pixels and PNG bytes.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace skins {

struct Rgb {
    double r, g, b;
};
constexpr Rgb RgbOf(int r, int g, int b) { return Rgb{r / 255.0, g / 255.0, b / 255.0}; }

// The colours every skin shares.
namespace palette {
constexpr Rgb kMint = RgbOf(80, 216, 160);    // labels and accents (the text colour set 15)
constexpr Rgb kWhite = RgbOf(255, 255, 255);  // values
constexpr Rgb kGround = RgbOf(22, 25, 29);    // window ground
constexpr Rgb kGroup = RgbOf(30, 34, 39);     // group panels
constexpr Rgb kEdge = RgbOf(48, 55, 62);      // group borders
constexpr Rgb kWell = RgbOf(11, 13, 15);      // recessed areas: wells, windows
constexpr Rgb kGrid = RgbOf(40, 48, 54);      // grid lines of the display windows
constexpr Rgb kDim = RgbOf(128, 138, 146);    // secondary text
constexpr Rgb kAmber = RgbOf(255, 176, 48);   // bypass, input needle
constexpr Rgb kRed = RgbOf(236, 64, 52);      // overload
constexpr Rgb kYellow = RgbOf(232, 208, 64);  // warning zone of the meters
}  // namespace palette

enum class Weight { Regular, Bold };
enum class Align { Left, Centre, Right };

class Canvas {
public:
    // width x height logical pixels; the image is that size times scale (rounded to
    // the nearest pixel, halves up) and its context draws in logical pixels.
    Canvas(int width, int height, double scale = 1.0);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* cr() const { return context; }
    cairo_surface_t* surface() const { return image; }
    // Logical size.
    int width() const { return w; }
    int height() const { return h; }
    double scale() const { return pixelScale; }
    // The PNG file of the canvas.
    std::vector<uint8_t> png() const;
    // Alpha of one device pixel (0 outside).
    int alphaAt(int x, int y) const;

private:
    int w, h;
    double pixelScale;
    cairo_surface_t* image;
    cairo_t* context;
};

// Loads the faces once; false (with a message) when a font file is missing.
bool LoadFonts(std::string& error);
// Frees the faces and cairo's caches (after every canvas is gone).
void UnloadFonts();

void SetColour(cairo_t* cr, Rgb c, double alpha = 1.0);
// The canvas as the source, its logical top-left corner at (x, y) in the target's
// logical pixels: at equal scales its pixels land one to one on the target's.
void SetSourceCanvas(cairo_t* cr, const Canvas& canvas, double x, double y);
// Where a vertical line (AlignX) or a horizontal line (AlignY) of `width` logical
// pixels centred at `at` goes so that it covers whole device pixels under the
// context's scale: the width becomes a whole number of device pixels (at least
// one) and the centre moves by less than a device pixel. At scale 1 both stay.
double AlignX(cairo_t* cr, double at, double& width);
double AlignY(cairo_t* cr, double at, double& width);
void SetFont(cairo_t* cr, double size, Weight weight = Weight::Regular);
double TextWidth(cairo_t* cr, const std::string& text, double size, Weight weight = Weight::Regular);
// Draws text with its baseline at y; x is its left edge, centre or right edge.
void Text(cairo_t* cr, const std::string& text, double x, double y, double size, Rgb colour,
          Align align = Align::Left, Weight weight = Weight::Regular, double alpha = 1.0);
// Text centred horizontally and vertically (by its cap height) in a box.
void TextInBox(cairo_t* cr, const std::string& text, double x, double y, double w, double h, double size,
               Rgb colour, Weight weight = Weight::Regular, double alpha = 1.0);

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius);
// A recessed box: dark fill, a darker top edge and a faint lighter bottom edge.
void Well(cairo_t* cr, double x, double y, double w, double h, double radius = 2.0);
// A raised button face: vertical gradient between two colours with a thin border.
void ButtonFace(cairo_t* cr, double x, double y, double w, double h, Rgb top, Rgb bottom, Rgb border,
                double radius = 3.0);
// A round lamp of radius r at (x, y): glow 0 = unlit, 1 = fully lit.
void Lamp(cairo_t* cr, double x, double y, double r, Rgb colour, double glow);

}  // namespace skins
