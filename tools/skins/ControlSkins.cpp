// Knob, slider handle, buttons, lamps and option pictures.
#include "tools/skins/SkinGeometry.h"
#include "tools/skins/Skins.h"

#include <cmath>

namespace skins {

using namespace geometry;
namespace pal = palette;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double Radians(double degrees) { return degrees * kPi / 180.0; }

// Face colours of the buttons.
constexpr Rgb kFaceTop = RgbOf(58, 65, 72);
constexpr Rgb kFaceBottom = RgbOf(36, 41, 46);
constexpr Rgb kFaceBorder = RgbOf(12, 14, 16);
constexpr Rgb kOffText = RgbOf(150, 160, 168);

Rgb Mix(Rgb a, Rgb b, double t) { return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

}  // namespace

// Knob: a dark cap inside a value ring. The ring's lit arc and the white pointer run
// over 270 degrees, from 135 degrees left of upright (value 0) to 135 degrees right
// (value 1). Everything outside the ring is transparent, so presses in the corners
// pass through.
CanvasPtr DrawKnob(double scale) {
    auto canvas = std::make_unique<Canvas>(kKnobSize, kKnobSize * kKnobFrames, scale);
    cairo_t* cr = canvas->cr();
    const double c = kKnobSize / 2.0;
    for (int frame = 0; frame < kKnobFrames; ++frame) {
        const double v = double(frame) / (kKnobFrames - 1);
        const double cy = frame * kKnobSize + c;
        // Seat of the ring.
        cairo_arc(cr, c, cy, c - 0.5, 0, 2 * kPi);
        SetColour(cr, RgbOf(16, 18, 21));
        cairo_fill(cr);
        // Ring: cairo angles run clockwise from the right; upright is -90 degrees.
        const double start = Radians(-90 - 135), end = Radians(-90 + 135);
        const double at = start + (end - start) * v;
        cairo_set_line_width(cr, 3.0);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        cairo_arc(cr, c, cy, c - 3.0, start, end);
        SetColour(cr, RgbOf(50, 57, 64));
        cairo_stroke(cr);
        if (v > 0) {
            cairo_arc(cr, c, cy, c - 3.0, start, at);
            SetColour(cr, pal::kMint);
            cairo_stroke(cr);
        }
        // Cap with light from above.
        const double capRadius = c - 6.0;
        cairo_pattern_t* cap = cairo_pattern_create_linear(0, cy - capRadius, 0, cy + capRadius);
        cairo_pattern_add_color_stop_rgb(cap, 0, 0.33, 0.36, 0.40);
        cairo_pattern_add_color_stop_rgb(cap, 1, 0.15, 0.17, 0.19);
        cairo_arc(cr, c, cy, capRadius, 0, 2 * kPi);
        cairo_set_source(cr, cap);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(cap);
        cairo_set_line_width(cr, 1.0);
        SetColour(cr, RgbOf(8, 9, 10));
        cairo_stroke(cr);
        // Pointer.
        cairo_set_line_width(cr, 2.4);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_move_to(cr, c + std::cos(at) * 3.5, cy + std::sin(at) * 3.5);
        cairo_line_to(cr, c + std::cos(at) * (capRadius - 1.5), cy + std::sin(at) * (capRadius - 1.5));
        SetColour(cr, pal::kWhite);
        cairo_stroke(cr);
    }
    return canvas;
}

// Fader cap: grip ridges and a mint line through its centre, the row at which the
// slider's scale is read.
CanvasPtr DrawSliderHandle(double scale) {
    auto canvas = std::make_unique<Canvas>(kSliderWidth, kHandleHeight, scale);
    cairo_t* cr = canvas->cr();
    ButtonFace(cr, 2, 0, kSliderWidth - 4, kHandleHeight, RgbOf(92, 100, 108), RgbOf(40, 45, 50), kFaceBorder, 4);
    const double mid = kHandleHeight / 2.0;
    for (int k = -3; k <= 3; ++k) {
        if (k == 0) continue;
        // A dark ridge and the light line under it, each on whole device pixels.
        double line = 1.0;
        const double y = AlignY(cr, std::round(mid + k * 6.0) + 0.5, line);
        const double below = AlignY(cr, std::round(mid + k * 6.0) + 1.5, line);
        cairo_set_line_width(cr, line);
        SetColour(cr, RgbOf(0, 0, 0), 0.45);
        cairo_move_to(cr, 8, y);
        cairo_line_to(cr, kSliderWidth - 8, y);
        cairo_stroke(cr);
        SetColour(cr, RgbOf(255, 255, 255), 0.12);
        cairo_move_to(cr, 8, below);
        cairo_line_to(cr, kSliderWidth - 8, below);
        cairo_stroke(cr);
    }
    cairo_set_line_width(cr, 2.0);
    SetColour(cr, pal::kMint);
    cairo_move_to(cr, 4, mid);
    cairo_line_to(cr, kSliderWidth - 4, mid);
    cairo_stroke(cr);
    return canvas;
}

// Bypass: frame 0 is off; frames 1-7 are on with a lamp that glows brighter frame by
// frame (the button pulses through them while the effect is bypassed).
CanvasPtr DrawBypass(double scale) {
    auto canvas = std::make_unique<Canvas>(kBypassWidth, kBypassHeight * kBypassFrames, scale);
    cairo_t* cr = canvas->cr();
    for (int frame = 0; frame < kBypassFrames; ++frame) {
        const double top = frame * kBypassHeight;
        const double glow = frame == 0 ? 0.0 : 0.45 + 0.55 * (frame - 1) / (kBypassFrames - 2);
        ButtonFace(cr, 0, top, kBypassWidth, kBypassHeight, Mix(kFaceTop, RgbOf(110, 74, 20), glow * 0.8),
                   Mix(kFaceBottom, RgbOf(70, 44, 10), glow * 0.8), kFaceBorder);
        Lamp(cr, 14, top + kBypassHeight / 2.0, 4.0, pal::kAmber, glow);
        const Rgb text = frame == 0 ? kOffText : Mix(RgbOf(255, 214, 150), pal::kWhite, glow * 0.5);
        TextInBox(cr, "BYPASS", 24, top, kBypassWidth - 30, kBypassHeight, 11, text, Weight::Bold);
    }
    return canvas;
}

// EQ Active: a narrow upright switch beside the EQ window, off above on.
CanvasPtr DrawEqOn(double scale) {
    auto canvas = std::make_unique<Canvas>(kEqOnWidth, kEqOnHeight * 2, scale);
    cairo_t* cr = canvas->cr();
    for (int state = 0; state < 2; ++state) {
        const double top = state * kEqOnHeight;
        ButtonFace(cr, 0, top, kEqOnWidth, kEqOnHeight, kFaceTop, kFaceBottom, kFaceBorder);
        Lamp(cr, kEqOnWidth / 2.0, top + 10, 3.5, pal::kMint, state);
        const Rgb text = state ? pal::kMint : kOffText;
        Text(cr, "E", kEqOnWidth / 2.0, top + 31, 11, text, Align::Centre, Weight::Bold);
        Text(cr, "Q", kEqOnWidth / 2.0, top + 45, 11, text, Align::Centre, Weight::Bold);
    }
    return canvas;
}

// The handle of a sliding panel: a tab with its name and an arrow that points the
// way the panel will move (down to open, up to close).
CanvasPtr DrawTabButton(const std::string& text, double scale) {
    auto canvas = std::make_unique<Canvas>(kTabButtonWidth, kTabButtonHeight * 2, scale);
    cairo_t* cr = canvas->cr();
    for (int state = 0; state < 2; ++state) {
        const double top = state * kTabButtonHeight;
        ButtonFace(cr, 0, top, kTabButtonWidth, kTabButtonHeight, state ? RgbOf(46, 84, 70) : kFaceTop,
                   state ? RgbOf(30, 56, 46) : kFaceBottom, kFaceBorder);
        const Rgb ink = state ? pal::kWhite : pal::kMint;
        // The top rows hide above the window edge while the panel is closed: centre on
        // the visible rows.
        const double mid = top + kTabButtonHeight / 2.0 + 1;
        Text(cr, text, 8, mid + 4, 10, ink, Align::Left, Weight::Bold);
        const double ax = kTabButtonWidth - 13, dir = state ? -1.0 : 1.0;
        cairo_move_to(cr, ax - 4, mid - 2 * dir);
        cairo_line_to(cr, ax + 4, mid - 2 * dir);
        cairo_line_to(cr, ax, mid + 3 * dir);
        cairo_close_path(cr);
        SetColour(cr, ink);
        cairo_fill(cr);
    }
    return canvas;
}

// Web link: released above pressed.
CanvasPtr DrawWebButton(double scale) {
    auto canvas = std::make_unique<Canvas>(kWebButtonWidth, kWebButtonHeight * 2, scale);
    cairo_t* cr = canvas->cr();
    for (int state = 0; state < 2; ++state) {
        const double top = state * kWebButtonHeight;
        ButtonFace(cr, 0, top, kWebButtonWidth, kWebButtonHeight, state ? RgbOf(46, 84, 70) : kFaceTop,
                   state ? RgbOf(30, 56, 46) : kFaceBottom, kFaceBorder);
        TextInBox(cr, "orva-tessmark.org", 0, top, kWebButtonWidth, kWebButtonHeight, 11,
                  state ? pal::kWhite : pal::kMint, Weight::Bold);
    }
    return canvas;
}

// Peak overload lamp above the bars: unlit above lit.
CanvasPtr DrawClip(double scale) {
    auto canvas = std::make_unique<Canvas>(kClipWidth, kClipHeight * 2, scale);
    cairo_t* cr = canvas->cr();
    for (int state = 0; state < 2; ++state) {
        const double top = state * kClipHeight;
        ButtonFace(cr, 0, top, kClipWidth, kClipHeight, state ? RgbOf(250, 80, 64) : RgbOf(64, 30, 28),
                   state ? RgbOf(190, 36, 28) : RgbOf(44, 20, 18), kFaceBorder, 2);
        TextInBox(cr, "CLIP", 0, top, kClipWidth, kClipHeight, 9, state ? pal::kWhite : RgbOf(130, 80, 76),
                  Weight::Bold);
    }
    return canvas;
}

// Overload lamp of a needle meter: unlit above lit.
CanvasPtr DrawLed(double scale) {
    auto canvas = std::make_unique<Canvas>(kLedSize, kLedSize * 2, scale);
    cairo_t* cr = canvas->cr();
    for (int state = 0; state < 2; ++state) {
        const double c = kLedSize / 2.0;
        cairo_arc(cr, c, state * kLedSize + c, c - 0.5, 0, 2 * kPi);
        SetColour(cr, RgbOf(12, 14, 16));
        cairo_fill(cr);
        Lamp(cr, c, state * kLedSize + c, c - 3.5, pal::kRed, state);
    }
    return canvas;
}

// Option pictures, one frame per item. Segmented: every item in its own cell, the
// chosen one lit. Otherwise the chosen item's text with a row of dots that tells
// which of the items it is.
CanvasPtr DrawOptionStrip(const std::vector<std::string>& items, int width, int height, bool segmented, double scale) {
    const int count = int(items.size());
    auto canvas = std::make_unique<Canvas>(width, height * count, scale);
    cairo_t* cr = canvas->cr();
    for (int chosen = 0; chosen < count; ++chosen) {
        const double top = chosen * height;
        if (segmented) {
            const double cell = double(width) / count;
            for (int k = 0; k < count; ++k) {
                const bool on = k == chosen;
                const double left = std::round(k * cell), right = std::round((k + 1) * cell);
                ButtonFace(cr, left, top, right - left, height, on ? RgbOf(96, 226, 172) : kFaceTop,
                           on ? RgbOf(60, 170, 124) : kFaceBottom, kFaceBorder, 2);
                TextInBox(cr, items[k], left, top, right - left, height, 10,
                          on ? RgbOf(10, 30, 22) : kOffText, Weight::Bold);
            }
            continue;
        }
        ButtonFace(cr, 0, top, width, height, kFaceTop, kFaceBottom, kFaceBorder);
        TextInBox(cr, items[chosen], 0, top - 2, width, height, 11, pal::kWhite, Weight::Bold);
        const double spacing = 6.0, first = width / 2.0 - spacing * (count - 1) / 2.0;
        for (int k = 0; k < count; ++k) {
            cairo_arc(cr, first + k * spacing, top + height - 4.5, k == chosen ? 2.0 : 1.5, 0, 2 * kPi);
            SetColour(cr, k == chosen ? pal::kMint : RgbOf(86, 96, 104));
            cairo_fill(cr);
        }
    }
    return canvas;
}

}  // namespace skins
