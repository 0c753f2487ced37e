// Bar meters, their dB scale and the needles.
#include "tools/skins/MeterLaw.h"
#include "tools/skins/SkinGeometry.h"
#include "tools/skins/Skins.h"

#include <cstdio>

namespace skins {

using namespace geometry;
namespace pal = palette;

namespace {

constexpr Rgb kGreen = RgbOf(70, 210, 120);

// Colour zone of a level on each meter type: green, then yellow from the type's
// reference level, red near full scale. Std: yellow from -12 dBFS, red from -3.
// K-n: yellow from K0 (-n dBFS), red from K+4.
Rgb ZoneColour(int meterType, double dbfs) {
    const double yellowFrom = meterType == 0 ? -12.0 : -KOffset(meterType);
    const double redFrom = meterType == 0 ? -3.0 : yellowFrom + 4.0;
    if (dbfs >= redFrom) return pal::kRed;
    if (dbfs >= yellowFrom) return pal::kYellow;
    return kGreen;
}

}  // namespace

// A bar strip: for each meter type a section of an unlit and a lit state, each
// kBarTravel rows, top = 0 dBFS. Peak bars are drawn as a ladder of segments, RMS
// bars as a solid column, so the two read apart at a glance.
CanvasPtr DrawBar(bool peak, double scale) {
    const int width = peak ? kPeakBarWidth : kRmsBarWidth;
    auto canvas = std::make_unique<Canvas>(width, kBarSections * 2 * kBarTravel, scale);
    cairo_t* cr = canvas->cr();
    for (int type = 0; type < kBarSections; ++type) {
        for (int lit = 0; lit < 2; ++lit) {
            const int top = (type * 2 + lit) * kBarTravel;
            SetColour(cr, RgbOf(6, 7, 8));
            cairo_rectangle(cr, 0, top, width, kBarTravel);
            cairo_fill(cr);
            for (int row = 0; row < kBarTravel; ++row) {
                if (peak && row % 3 == 2) continue;  // gap between segments
                const Rgb zone = ZoneColour(type, DbfsAtBarRow(row + 0.5));
                const double k = lit ? (peak ? 1.0 : 0.78) : 0.16;
                // Lighter in the middle of the column, darker at its edges.
                cairo_pattern_t* shade = cairo_pattern_create_linear(0, 0, width, 0);
                cairo_pattern_add_color_stop_rgb(shade, 0, zone.r * k * 0.7, zone.g * k * 0.7, zone.b * k * 0.7);
                cairo_pattern_add_color_stop_rgb(shade, 0.45, zone.r * k, zone.g * k, zone.b * k);
                cairo_pattern_add_color_stop_rgb(shade, 1, zone.r * k * 0.7, zone.g * k * 0.7, zone.b * k * 0.7);
                cairo_rectangle(cr, 1, top + row, width - 2, 1);
                cairo_set_source(cr, shade);
                cairo_fill(cr);
                cairo_pattern_destroy(shade);
            }
        }
    }
    return canvas;
}

// The dB scale between the bars, one frame per meter type, in that type's units:
// dBFS for Std, K units (dBFS + n) for K-n. Each mark sits at the row where the
// bars' law puts its level; labels are every 5 dB down to -30 dBFS, every 10 dB
// below (where the scale is halved), skipping any that would crowd the last one.
CanvasPtr DrawBarScale(double scale) {
    auto canvas = std::make_unique<Canvas>(kScaleWidth, kScaleFrameHeight * kBarSections, scale);
    cairo_t* cr = canvas->cr();
    const double labelX = 12.5;
    for (int type = 0; type < kBarSections; ++type) {
        const int k = KOffset(type);
        const double top = type * kScaleFrameHeight + kScaleTop;
        auto rowOf = [&](double dbfs) { return top + BarRowsFromTop(dbfs); };
        // Minor ticks every 1 dB above -30 dBFS' reading, every 2 dB below.
        for (int u = k; u >= k - 70; --u) {
            const double dbfs = u - k;
            if (dbfs < -30 && u % 2 != 0) continue;
            const bool major = dbfs >= -30 ? u % 5 == 0 : u % 10 == 0;
            double line = 1.0;
            const double y = AlignY(cr, std::round(rowOf(dbfs)) + 0.5, line);
            cairo_set_line_width(cr, line);
            SetColour(cr, pal::kDim, major ? 0.9 : 0.45);
            cairo_move_to(cr, 0, y);
            cairo_line_to(cr, major ? 4 : 2, y);
            cairo_move_to(cr, kScaleWidth - (major ? 4 : 2), y);
            cairo_line_to(cr, kScaleWidth, y);
            cairo_stroke(cr);
        }
        double lastRow = -100;
        for (int u = k; u >= k - 70; --u) {
            const double dbfs = u - k;
            const bool labelled = u == k || (dbfs >= -30 ? u % 5 == 0 : u % 10 == 0) || dbfs == -70;
            if (!labelled) continue;
            const double row = rowOf(dbfs);
            if (row - lastRow < 13) continue;
            char text[16];
            std::snprintf(text, sizeof text, u > 0 ? "+%d" : "%d", u);
            Text(cr, text, labelX, row + 3.5, 9, u == 0 ? pal::kWhite : pal::kDim, Align::Centre,
                 u == 0 ? Weight::Bold : Weight::Regular);
            lastRow = row;
        }
    }
    return canvas;
}

// A needle for rotation about its pivot, 40 pixels below the bitmap's centre. The
// front needle (output) is white with a cap over the pivot; the needle behind it
// (input) is amber and slimmer, so both read when they overlap.
CanvasPtr DrawNeedle(bool front, double scale) {
    auto canvas = std::make_unique<Canvas>(kNeedleWidth, kNeedleHeight, scale);
    cairo_t* cr = canvas->cr();
    const double px = kNeedleWidth / 2.0, py = kNeedleHeight / 2.0 + kNeedlePivotBelowCentre;
    const double tail = 9.0;
    const Rgb colour = front ? RgbOf(245, 245, 240) : pal::kAmber;
    const double base = front ? 1.6 : 1.2;
    // A slim wedge from a short tail behind the pivot up to the tip.
    cairo_move_to(cr, px - base, py + tail);
    cairo_line_to(cr, px - 0.5, py - kNeedleLength);
    cairo_line_to(cr, px + 0.5, py - kNeedleLength);
    cairo_line_to(cr, px + base, py + tail);
    cairo_close_path(cr);
    SetColour(cr, colour);
    cairo_fill(cr);
    if (front) {
        cairo_arc(cr, px, py, 5.0, 0, 2 * 3.14159265358979323846);
        cairo_pattern_t* cap = cairo_pattern_create_linear(0, py - 5, 0, py + 5);
        cairo_pattern_add_color_stop_rgb(cap, 0, 0.45, 0.48, 0.52);
        cairo_pattern_add_color_stop_rgb(cap, 1, 0.12, 0.13, 0.15);
        cairo_set_source(cr, cap);
        cairo_fill(cr);
        cairo_pattern_destroy(cap);
    }
    return canvas;
}

}  // namespace skins
