#include "tools/skins/SkinCanvas.h"

#include "platform/DisplayScale.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

namespace skins {

namespace {

constexpr double kPi = 3.14159265358979323846;
FT_Library library = nullptr;
FT_Face ftFaces[2] = {nullptr, nullptr};
cairo_font_face_t* faces[2] = {nullptr, nullptr};

// Debian's fonts-liberation; "Arial" resolves to the same face in the editor.
const char* const kFontFiles[2] = {
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf",
};

// A line's centre on whole device pixels along one axis with scale s and
// translation t (device = logical x s + t).
double AlignOnAxis(double at, double& width, double s, double t) {
    if (s == 1.0) return at;
    const double pixels = std::max(1.0, std::floor(width * s + 0.5));
    width = pixels / s;
    const double centre = at * s + t;
    const double aligned = std::fmod(pixels, 2.0) == 1.0 ? std::floor(centre) + 0.5 : std::floor(centre + 0.5);
    return (aligned - t) / s;
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

Canvas::Canvas(int width, int height, double scale)
    : w(width), h(height), pixelScale(scale),
      image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, orva::platform::scaledPixels(width, scale),
                                       orva::platform::scaledPixels(height, scale))),
      context(cairo_create(image)) {
    if (scale != 1.0) cairo_scale(context, scale, scale);
    // Fixed rendering options: grey anti-aliasing, slight hinting, no subpixel order,
    // so every run on every machine with these fonts writes the same pixels.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
    cairo_set_font_options(context, options);
    cairo_font_options_destroy(options);
}

Canvas::~Canvas() {
    cairo_destroy(context);
    cairo_surface_destroy(image);
}

std::vector<uint8_t> Canvas::png() const {
    std::vector<uint8_t> bytes;
    cairo_surface_flush(image);
    cairo_surface_write_to_png_stream(image, AppendBytes, &bytes);
    return bytes;
}

int Canvas::alphaAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(image) || y >= cairo_image_surface_get_height(image))
        return 0;
    cairo_surface_flush(image);
    const unsigned char* row = cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
    return int(reinterpret_cast<const uint32_t*>(row)[x] >> 24);
}

bool LoadFonts(std::string& error) {
    if (faces[0]) return true;
    if (FT_Init_FreeType(&library) != 0) {
        error = "FreeType did not start";
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        if (FT_New_Face(library, kFontFiles[i], 0, &ftFaces[i]) != 0) {
            error = std::string("cannot open ") + kFontFiles[i] + " (Debian package fonts-liberation)";
            return false;
        }
        faces[i] = cairo_ft_font_face_create_for_ft_face(ftFaces[i], 0);
    }
    return true;
}

void UnloadFonts() {
    for (int i = 0; i < 2; ++i) {
        if (faces[i]) cairo_font_face_destroy(faces[i]);
        faces[i] = nullptr;
    }
    cairo_debug_reset_static_data();
    for (int i = 0; i < 2; ++i) {
        if (ftFaces[i]) FT_Done_Face(ftFaces[i]);
        ftFaces[i] = nullptr;
    }
    if (library) FT_Done_FreeType(library);
    library = nullptr;
}

void SetColour(cairo_t* cr, Rgb c, double alpha) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void SetSourceCanvas(cairo_t* cr, const Canvas& canvas, double x, double y) {
    cairo_set_source_surface(cr, canvas.surface(), x, y);
    if (canvas.scale() == 1.0) return;
    // Pattern space is the canvas's device pixels: (user - corner) x its scale.
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, canvas.scale(), canvas.scale());
    cairo_matrix_translate(&m, -x, -y);
    cairo_pattern_set_matrix(cairo_get_source(cr), &m);
}

double AlignX(cairo_t* cr, double at, double& width) {
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return AlignOnAxis(at, width, m.xx, m.x0);
}

double AlignY(cairo_t* cr, double at, double& width) {
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return AlignOnAxis(at, width, m.yy, m.y0);
}

void SetFont(cairo_t* cr, double size, Weight weight) {
    cairo_set_font_face(cr, faces[weight == Weight::Bold ? 1 : 0]);
    cairo_set_font_size(cr, size);
}

double TextWidth(cairo_t* cr, const std::string& text, double size, Weight weight) {
    SetFont(cr, size, weight);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

void Text(cairo_t* cr, const std::string& text, double x, double y, double size, Rgb colour, Align align,
          Weight weight, double alpha) {
    const double width = TextWidth(cr, text, size, weight);
    double left = x;
    if (align == Align::Centre) left = x - width / 2;
    if (align == Align::Right) left = x - width;
    SetColour(cr, colour, alpha);
    // The baseline's start on a whole device pixel, as the glyphs are hinted there.
    double dx = left, dy = y;
    cairo_user_to_device(cr, &dx, &dy);
    dx = std::round(dx);
    dy = std::round(dy);
    cairo_device_to_user(cr, &dx, &dy);
    cairo_move_to(cr, dx, dy);
    cairo_show_text(cr, text.c_str());
    cairo_new_path(cr);
}

void TextInBox(cairo_t* cr, const std::string& text, double x, double y, double w, double h, double size,
               Rgb colour, Weight weight, double alpha) {
    // Cap height of Liberation Sans is about 0.72 of the size.
    Text(cr, text, x + w / 2, y + (h + size * 0.72) / 2, size, colour, Align::Centre, weight, alpha);
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius) {
    const double r = std::min(radius, std::min(w, h) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

void Well(cairo_t* cr, double x, double y, double w, double h, double radius) {
    RoundedRect(cr, x, y, w, h, radius);
    SetColour(cr, palette::kWell);
    cairo_fill(cr);
    double line = 1.0;
    const double top = AlignY(cr, y + 0.5, line), bottom = AlignY(cr, y + h + 0.5, line);
    cairo_set_line_width(cr, line);
    SetColour(cr, RgbOf(0, 0, 0), 0.8);
    cairo_move_to(cr, x + radius, top);
    cairo_line_to(cr, x + w - radius, top);
    cairo_stroke(cr);
    SetColour(cr, RgbOf(255, 255, 255), 0.07);
    cairo_move_to(cr, x + radius, bottom);
    cairo_line_to(cr, x + w - radius, bottom);
    cairo_stroke(cr);
}

void ButtonFace(cairo_t* cr, double x, double y, double w, double h, Rgb top, Rgb bottom, Rgb border,
                double radius) {
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, y, 0, y + h);
    cairo_pattern_add_color_stop_rgb(fill, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(fill, 1, bottom.r, bottom.g, bottom.b);
    // The border's one-pixel line on whole device pixels along the straight edges.
    double line = 1.0;
    const double x0 = AlignX(cr, x + 0.5, line), x1 = AlignX(cr, x + w - 0.5, line);
    const double y0 = AlignY(cr, y + 0.5, line), y1 = AlignY(cr, y + h - 0.5, line);
    RoundedRect(cr, x0, y0, x1 - x0, y1 - y0, radius);
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    cairo_set_line_width(cr, line);
    SetColour(cr, border);
    cairo_stroke(cr);
}

void Lamp(cairo_t* cr, double x, double y, double r, Rgb colour, double glow) {
    if (glow > 0) {
        cairo_pattern_t* halo = cairo_pattern_create_radial(x, y, r * 0.5, x, y, r * 2.0);
        cairo_pattern_add_color_stop_rgba(halo, 0, colour.r, colour.g, colour.b, 0.55 * glow);
        cairo_pattern_add_color_stop_rgba(halo, 1, colour.r, colour.g, colour.b, 0);
        cairo_set_source(cr, halo);
        cairo_arc(cr, x, y, r * 2.0, 0, 2 * kPi);
        cairo_fill(cr);
        cairo_pattern_destroy(halo);
    }
    // Unlit: the colour far down; lit: the colour with a bright core.
    const double k = 0.22 + 0.78 * glow;
    cairo_pattern_t* body = cairo_pattern_create_radial(x - r * 0.3, y - r * 0.3, 0, x, y, r);
    cairo_pattern_add_color_stop_rgb(body, 0, std::min(1.0, colour.r * k + 0.35 * glow),
                                     std::min(1.0, colour.g * k + 0.35 * glow),
                                     std::min(1.0, colour.b * k + 0.35 * glow));
    cairo_pattern_add_color_stop_rgb(body, 1, colour.r * k * 0.7, colour.g * k * 0.7, colour.b * k * 0.7);
    cairo_arc(cr, x, y, r, 0, 2 * kPi);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    cairo_set_line_width(cr, 1.0);
    SetColour(cr, RgbOf(0, 0, 0), 0.7);
    cairo_stroke(cr);
}

}  // namespace skins
