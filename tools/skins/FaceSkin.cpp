// The window background: groups, labels, seats and wells for every visible control
// at its table position, and the faces of the display windows and meters.
#include "tools/skins/MeterLaw.h"
#include "tools/skins/SkinGeometry.h"
#include "tools/skins/Skins.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace skins {

using namespace geometry;
namespace pal = palette;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLabelSize = 10;

struct Rect {
    double x0, y0, x1, y1;
    bool intersects(const Rect& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
    Rect grown(double by) const { return {x0 - by, y0 - by, x1 + by, y1 + by}; }
    void add(const Rect& o) {
        x0 = std::min(x0, o.x0); y0 = std::min(y0, o.y0);
        x1 = std::max(x1, o.x1); y1 = std::max(y1, o.y1);
    }
};

Rect RectOf(const Placement& p) { return {double(p.absX), double(p.absY), double(p.absX + p.width), double(p.absY + p.height)}; }

std::string Format(const char* format, double v) {
    char text[16];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

std::string Signed(int v) { return Format(v > 0 ? "+%.0f" : "%.0f", v); }

bool OnFace(const Placement& p) { return p.panel < 0 && Visible(p); }

class Face {
public:
    Face(const std::vector<Placement>& layout, double scale)
        : layout(layout), canvas(std::make_unique<Canvas>(kFaceWidth, kFaceHeight, scale)), cr(canvas->cr()) {
        for (const Placement& p : layout)
            if (OnFace(p) && !p.isPanel) taken.push_back(RectOf(p));
    }

    CanvasPtr draw() {
        ground();
        placeLabels();
        groups();
        eqWindow();
        curveWindow();
        scope();
        needleFaces();
        barWell();
        for (const Placement& p : layout) {
            if (!OnFace(p)) continue;
            switch (KindOf(p.d->type)) {
            case Kind::Number: Well(cr, p.absX, p.absY, p.width, p.height, 2); break;
            case Kind::Slider: sliderTrack(p); break;
            case Kind::Knob: knobSeat(p); break;
            default: break;
            }
        }
        for (const Label& label : labels) LabelAbove(cr, label.text, label.centreX, label.top);
        productName();
        return std::move(canvas);
    }

private:
    struct Label {
        std::string text;
        double centreX, top;
        Rect rect;
        const Placement* owner;
    };

    void ground() {
        cairo_pattern_t* fill = cairo_pattern_create_linear(0, 0, 0, kFaceHeight);
        cairo_pattern_add_color_stop_rgb(fill, 0, pal::kGround.r * 1.08, pal::kGround.g * 1.08, pal::kGround.b * 1.08);
        cairo_pattern_add_color_stop_rgb(fill, 1, pal::kGround.r * 0.85, pal::kGround.g * 0.85, pal::kGround.b * 0.85);
        cairo_rectangle(cr, 0, 0, kFaceWidth, kFaceHeight);
        cairo_set_source(cr, fill);
        cairo_fill(cr);
        cairo_pattern_destroy(fill);
    }

    // Labels: above a knob, slider or selector when the space there is free, else
    // above its number field (the knobs whose field stands beside them). A label
    // that finds no free place is left out (the tooltip still names the control).
    void placeLabels() {
        std::vector<std::pair<int, int>> fieldOf;  // (shown tag, number-field tag) from the link rows
        for (int row = 1; row < kControlTableRows && controlTable[row].type != kTypeEndOfTable; ++row)
            if (controlTable[row].type == kTypeLinkNumber) fieldOf.push_back({controlTable[row].aux, controlTable[row].tag});
        for (const Placement& p : layout) {
            const Kind kind = KindOf(p.d->type);
            if (!OnFace(p) || !p.d->label || !*p.d->label) continue;
            if (kind != Kind::Knob && kind != Kind::Slider && kind != Kind::OptionImage && kind != Kind::OptionText)
                continue;
            std::vector<const Placement*> seats{&p};
            for (auto [shown, field] : fieldOf)
                if (shown == p.d->tag)
                    if (const Placement* f = FindTag(layout, field)) seats.push_back(f);
            for (const Placement* seat : seats) {
                Label label{p.d->label, seat->absX + seat->width / 2.0, double(seat->absY), {}, &p};
                const double w = TextWidth(cr, label.text, kLabelSize);
                label.rect = {label.centreX - w / 2, label.top - 12, label.centreX + w / 2, label.top - 2};
                if (fits(label.rect)) {
                    labels.push_back(label);
                    taken.push_back(label.rect);
                    break;
                }
            }
        }
    }

    bool fits(const Rect& r) const {
        if (r.x0 < 2 || r.y0 < 2 || r.x1 > kFaceWidth - 2) return false;
        for (const Rect& t : taken)
            if (t.intersects(r)) return false;
        return true;
    }

    // Bounding box of the elements with these tags and their labels.
    Rect around(std::initializer_list<int> tags) const {
        Rect box{1e9, 1e9, -1e9, -1e9};
        for (int tag : tags) {
            const Placement* p = FindTag(layout, tag);
            if (!p || !OnFace(*p)) continue;
            box.add(RectOf(*p));
            for (const Label& l : labels)
                if (l.owner == p) box.add(l.rect);
        }
        return box;
    }

    void group(const Rect& box, const char* title, bool titleInside) {
        const Rect r = box.grown(5);
        double line = 1.0;
        const double left = AlignX(cr, r.x0 + 0.5, line), right = AlignX(cr, r.x1 + 0.5, line);
        const double top = AlignY(cr, r.y0 + 0.5, line), bottom = AlignY(cr, r.y1 + 0.5, line);
        RoundedRect(cr, left, top, right - left, bottom - top, 6);
        SetColour(cr, pal::kGroup);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, line);
        SetColour(cr, pal::kEdge);
        cairo_stroke(cr);
        if (title && titleInside) Text(cr, title, r.x0 + 8, r.y0 + 14, 9, pal::kMint, Align::Left, Weight::Bold, 0.8);
    }

    // The four groups: detector and EQ | compressor/expander and curve | envelope and
    // output | meters and scope.
    void groups() {
        Rect detector = around({73, 28});
        group(detector, nullptr, false);
        // The compressor/expander group reaches up to the EQ group: its top row
        // carries the product name.
        Rect dynamics = around({8, 11, 14, 9, 12, 10, 13, 15, 58, 61, 64, 59, 62, 60, 63, 51});
        dynamics.y0 = detector.y1 + 12;
        group(dynamics, nullptr, false);
        group(around({72, 16, 65, 18}), nullptr, false);
        group(around({74}), nullptr, false);
        group(around({84, 85, 86, 87, 88, 89}), nullptr, false);
        group(around({75, 76, 77, 78, 79, 80, 81, 82, 83, 29}), nullptr, false);
        group(around({4, 5, 6, 17, 3, 53, 54, 55, 57, 52}), nullptr, false);
    }

    void windowGround(const Placement& p) {
        cairo_rectangle(cr, p.absX - 1, p.absY - 1, p.width + 2, p.height + 2);
        SetColour(cr, RgbOf(0, 0, 0));
        cairo_fill(cr);
        cairo_rectangle(cr, p.absX, p.absY, p.width, p.height);
        SetColour(cr, pal::kWell);
        cairo_fill(cr);
    }

    void hLine(double x0, double x1, double y, Rgb c, double alpha) {
        double line = 1.0;
        const double at = AlignY(cr, std::floor(y) + 0.5, line);
        cairo_set_line_width(cr, line);
        SetColour(cr, c, alpha);
        cairo_move_to(cr, x0, at);
        cairo_line_to(cr, x1, at);
        cairo_stroke(cr);
    }
    void vLine(double x, double y0, double y1, Rgb c, double alpha) {
        double line = 1.0;
        const double at = AlignX(cr, std::floor(x) + 0.5, line);
        cairo_set_line_width(cr, line);
        SetColour(cr, c, alpha);
        cairo_move_to(cr, at, y0);
        cairo_line_to(cr, at, y1);
        cairo_stroke(cr);
    }

    // EQ window: gain lines (the window spans -15 .. +15 dB over its height, flat in
    // the middle) and the frequencies of the eight grid lines it draws itself.
    void eqWindow() {
        const Placement* p = FindTag(layout, 73);
        if (!p) return;
        windowGround(*p);
        const double centre = p->absY + p->height / 2, perDb = p->height / 30.0;
        for (int db = -10; db <= 10; db += 5) {
            hLine(p->absX, p->absX + p->width, centre - db * perDb, db == 0 ? pal::kDim : pal::kGrid, db == 0 ? 0.5 : 1.0);
            if (db != 0) Text(cr, Signed(db), p->absX + 4, centre - db * perDb - 2, 8, pal::kDim, Align::Left, Weight::Regular, 0.8);
        }
        const int freqs[8] = {50, 100, 200, 500, 1000, 2000, 5000, 10000};
        for (int f : freqs) {
            const int x = int((std::log10(double(f)) - 1.3010299956639813) * 0.3321928094887362 * p->width + p->absX);
            const std::string text = f >= 1000 ? Format("%.0fk", f / 1000.0) : Format("%.0f", f);
            Text(cr, text, x + 3, p->absY + p->height - 4, 8, pal::kDim);
        }
        Text(cr, "DETECTOR EQ", p->absX + p->width - 5, p->absY + 13, 9, pal::kMint, Align::Right, Weight::Bold, 0.8);
    }

    // Transfer curve: -80 .. 0 dB on both axes at width x 0.0125 pixels per dB, the
    // 0 dB corner top right, and the unity line.
    void curveWindow() {
        const Placement* p = FindTag(layout, 72);
        if (!p) return;
        windowGround(*p);
        const double perDb = p->width * 0.0125;
        const double left = p->absX, top = p->absY, right = left + p->width, bottom = top + p->height;
        for (int db = -70; db <= -10; db += 10) {
            vLine(left + (db + 80) * perDb, top, bottom, pal::kGrid, 1.0);
            hLine(left, right, top - db * perDb, pal::kGrid, 1.0);
            Text(cr, Format("%.0f", db), left + (db + 80) * perDb + 2, bottom - 4, 8, pal::kDim, Align::Left, Weight::Regular, 0.8);
            Text(cr, Format("%.0f", db), left + 3, top - db * perDb - 2, 8, pal::kDim, Align::Left, Weight::Regular, 0.8);
        }
        cairo_set_line_width(cr, 1.0);
        const double dash[2] = {3, 3};
        cairo_set_dash(cr, dash, 2, 0);
        SetColour(cr, pal::kDim, 0.35);
        cairo_move_to(cr, left, bottom);
        cairo_line_to(cr, right, top);
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
        Text(cr, "OUTPUT dB", left + 5, top + 13, 9, pal::kMint, Align::Left, Weight::Bold, 0.8);
        Text(cr, "INPUT dB", right - 5, bottom - 16, 9, pal::kMint, Align::Right, Weight::Bold, 0.8);
    }

    // Scope: four staggered lanes. Lane k starts (4 - k) x 6 % of the width from the
    // left, its baseline at 68, 78, 89 and 99.9 % of the height; 50 dB span
    // 0.68 x height pixels, so the -20 dBFS mark of each lane is 30 dB above it.
    void scope() {
        const Placement* p = FindTag(layout, 74);
        if (!p) return;
        windowGround(*p);
        const int points = p->width + 1, shift = int(points * 0.06), lanePoints = points - 3 * shift;
        const double fractions[4] = {0.68, 0.78, 0.89, 0.999};
        const double perDb = int(p->height * 0.68) * 0.02;
        const Rgb colours[4] = {RgbOf(255, 255, 0), RgbOf(60, 110, 255), RgbOf(0, 255, 0), RgbOf(255, 40, 40)};
        for (int k = 1; k <= 4; ++k) {
            const double x0 = p->absX + (4 - k) * shift, x1 = x0 + lanePoints;
            const double base = p->absY + int(p->height * fractions[k - 1]);
            hLine(x0, x1, base - 30 * perDb, pal::kGrid, 0.6);
            hLine(x0, x1, base - 1, colours[k - 1], 0.45);
            Text(cr, Format("%.0f", k), x0 + 3, base - 4, 8, colours[k - 1], Align::Left, Weight::Bold, 0.8);
        }
        Text(cr, "SCOPE", p->absX + p->width - 5, p->absY + 13, 9, pal::kMint, Align::Right, Weight::Bold, 0.8);
    }

    // Needle faces: the arc of the needles' law (0 dBFS at +65 degrees, -30 at -13,
    // -70 at -65) about the pivot 40 pixels below the needle bitmap's centre, a red
    // arc over the top 6 dB, the channel letter and the two needles' colours.
    void needleFaces() {
        for (const Placement& p : layout) {
            if (!OnFace(p) || KindOf(p.d->type) != Kind::Meter || p.d->type != 67) continue;
            if (!p.d->bitmap || std::strcmp(p.d->bitmap, "dB_Needle1.png") != 0) continue;
            const double px = p.absX + p.width / 2.0, py = p.absY + p.height / 2.0 + (p.d->aux & 0xFF);
            Rect face{p.absX - 7.0, p.absY - 5.0, p.absX + p.width + 17.0, p.absY + p.height + 4.0};
            RoundedRect(cr, face.x0, face.y0, face.x1 - face.x0, face.y1 - face.y0, 5);
            SetColour(cr, RgbOf(14, 16, 18));
            cairo_fill(cr);
            auto at = [&](double dbfs, double r) {
                const double a = (NeedleDegrees(dbfs) - 90) * kPi / 180;
                return std::pair<double, double>{px + std::cos(a) * r, py + std::sin(a) * r};
            };
            const double r = kNeedleLength - 4;
            cairo_set_line_width(cr, 1.0);
            SetColour(cr, pal::kDim, 0.8);
            cairo_arc(cr, px, py, r, (NeedleDegrees(-70) - 90) * kPi / 180, (NeedleDegrees(0) - 90) * kPi / 180);
            cairo_stroke(cr);
            cairo_set_line_width(cr, 3.0);
            SetColour(cr, pal::kRed, 0.9);
            cairo_arc(cr, px, py, r + 2, (NeedleDegrees(-6) - 90) * kPi / 180, (NeedleDegrees(0) - 90) * kPi / 180);
            cairo_stroke(cr);
            const int labelled[] = {0, -5, -10, -20, -30, -40, -50, -70};
            const int minor[] = {-1, -2, -3, -4, -6, -7, -8, -9, -15, -25, -35, -45, -60};
            cairo_set_line_width(cr, 1.0);
            for (int db : minor) {
                auto [x0, y0] = at(db, r);
                auto [x1, y1] = at(db, r + 3);
                SetColour(cr, pal::kDim, 0.8);
                cairo_move_to(cr, x0, y0);
                cairo_line_to(cr, x1, y1);
                cairo_stroke(cr);
            }
            for (int db : labelled) {
                auto [x0, y0] = at(db, r);
                auto [x1, y1] = at(db, r + 6);
                SetColour(cr, pal::kWhite, 0.85);
                cairo_move_to(cr, x0, y0);
                cairo_line_to(cr, x1, y1);
                cairo_stroke(cr);
                auto [tx, ty] = at(db, r + 12);
                Text(cr, Format("%.0f", db), tx, ty + 3, 8, db == 0 ? pal::kWhite : pal::kDim, Align::Centre,
                     db == 0 ? Weight::Bold : Weight::Regular);
            }
            const bool left = p.d->tooltip && std::strstr(p.d->tooltip, "Left");
            Text(cr, left ? "L" : "R", face.x0 + 7, face.y0 + 15, 11, pal::kMint, Align::Left, Weight::Bold);
            Text(cr, "dBFS", px, py - 18, 8, pal::kDim, Align::Centre);
            Text(cr, "OUT", px - 4, face.y1 - 5, 8, pal::kWhite, Align::Right, Weight::Bold);
            Text(cr, "IN", px + 4, face.y1 - 5, 8, pal::kAmber, Align::Left, Weight::Bold);
        }
    }

    // The bar meters stand in one recess with the scale between them; the channel
    // letters under each pair.
    void barWell() {
        Rect box = around({76, 77, 78, 79});
        if (box.x0 > box.x1) return;
        box = box.grown(2);
        Well(cr, box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0, 2);
        const Rect left = around({76, 78}), right = around({77, 79});
        Text(cr, "L", (left.x0 + left.x1) / 2, box.y1 + 12, 10, pal::kMint, Align::Centre, Weight::Bold);
        Text(cr, "R", (right.x0 + right.x1) / 2, box.y1 + 12, 10, pal::kMint, Align::Centre, Weight::Bold);
        Text(cr, "rms pk", (left.x0 + left.x1) / 2, box.y1 + 21, 7, pal::kDim, Align::Centre);
        Text(cr, "pk rms", (right.x0 + right.x1) / 2, box.y1 + 21, 7, pal::kDim, Align::Centre);
    }

    // Slider: a slot along the handle's centre-line travel and a scale to its right,
    // marks where the handle's mint line stands for each value.
    void sliderTrack(const Placement& p) {
        const double cx = p.absX + p.width / 2.0;
        const double top = p.absY + kHandleHeight / 2.0, travel = p.height - kHandleHeight;
        RoundedRect(cr, cx - 2, top - 2, 4, travel + 4, 2);
        SetColour(cr, RgbOf(0, 0, 0));
        cairo_fill(cr);
        const double range = p.d->high - p.d->low;
        const int steps[] = {1, 2, 3, 5, 6, 10, 12, 20, 24, 25, 50, 100};
        int step = steps[0];
        for (int s : steps) {
            step = s;
            if (std::fmod(range, s) == 0 && travel * s / range >= 18) break;
        }
        for (double v = p.d->low; v <= p.d->high + 1e-9; v += step / 2.0) {
            double line = 1.0;
            const double y = AlignY(cr, std::round(top + travel * (p.d->high - v) / range) + 0.5, line);
            const bool major = std::fmod(v - p.d->low, step) == 0;
            cairo_set_line_width(cr, line);
            SetColour(cr, pal::kDim, major ? 0.9 : 0.5);
            cairo_move_to(cr, p.absX + p.width + 1, y);
            cairo_line_to(cr, p.absX + p.width + (major ? 5 : 3), y);
            cairo_stroke(cr);
            if (major) Text(cr, Signed(int(v)), p.absX + p.width + 7, y + 3, 8, pal::kDim);
        }
    }

    void knobSeat(const Placement& p) {
        const double cx = p.absX + p.width / 2.0, cy = p.absY + p.height / 2.0;
        cairo_pattern_t* shadow = cairo_pattern_create_radial(cx, cy + 1, p.width / 2.0 - 2, cx, cy + 1, p.width / 2.0 + 4);
        cairo_pattern_add_color_stop_rgba(shadow, 0, 0, 0, 0, 0.6);
        cairo_pattern_add_color_stop_rgba(shadow, 1, 0, 0, 0, 0);
        cairo_arc(cr, cx, cy + 1, p.width / 2.0 + 4, 0, 2 * kPi);
        cairo_set_source(cr, shadow);
        cairo_fill(cr);
        cairo_pattern_destroy(shadow);
    }

    // The product name in the top row of the compressor/expander group, left of the
    // ratio knobs' labels.
    void productName() {
        const Rect detector = around({73, 28});
        Text(cr, "ORVA_TESSMARK", detector.x0 + 4, detector.y1 + 19, 11, pal::kWhite, Align::Left, Weight::Bold, 0.9);
    }

    const std::vector<Placement>& layout;
    CanvasPtr canvas;
    cairo_t* cr;
    std::vector<Rect> taken;
    std::vector<Label> labels;
};

}  // namespace

void LabelAbove(cairo_t* cr, const std::string& text, double centreX, double top) {
    Text(cr, text, centreX, top - 4, kLabelSize, pal::kMint, Align::Centre);
}

CanvasPtr DrawFace(const std::vector<Placement>& layout, double scale) { return Face(layout, scale).draw(); }

}  // namespace skins
