// The sliding meter-settings and information panels and the MIDI-learn panel.
#include "tools/skins/SkinGeometry.h"
#include "tools/skins/Skins.h"

#include <cmath>

namespace skins {

using namespace geometry;
namespace pal = palette;

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr Rgb kCard = RgbOf(34, 39, 45);
constexpr Rgb kCardEdge = RgbOf(70, 80, 88);

// The card of a sliding panel: a body down to bodyBottom with rounded lower
// corners, and below it the tab that stays in view while the panel is closed.
// Everything else is transparent. A notch (when notchWidth > 0) leaves the top
// rows free where another panel's tab must stay visible and pressable.
void PanelCard(cairo_t* cr, int width, int height, int bodyBottom, int notchLeft, int notchWidth) {
    auto outline = [&] {
        cairo_new_path(cr);
        const double r = 5;
        cairo_move_to(cr, 0, 0);
        if (notchWidth > 0) {
            cairo_line_to(cr, notchLeft, 0);
            cairo_line_to(cr, notchLeft, kTabButtonHeight - 1);
            cairo_line_to(cr, notchLeft + notchWidth, kTabButtonHeight - 1);
            cairo_line_to(cr, notchLeft + notchWidth, 0);
        }
        cairo_line_to(cr, width, 0);
        cairo_arc(cr, width - r, bodyBottom - r, r, 0, kPi / 2);
        cairo_line_to(cr, kTabWidth, bodyBottom);
        cairo_arc(cr, kTabWidth - r, height - r, r, 0, kPi / 2);
        cairo_arc(cr, r, height - r, r, kPi / 2, kPi);
        cairo_close_path(cr);
    };
    outline();
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, 0, 0, height);
    cairo_pattern_add_color_stop_rgb(fill, 0, kCard.r, kCard.g, kCard.b);
    cairo_pattern_add_color_stop_rgb(fill, 1, kCard.r * 0.8, kCard.g * 0.8, kCard.b * 0.8);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
    // The edge straddles the outline: one pixel wide, a whole number of device
    // pixels at every scale.
    double line = 1.0;
    AlignX(cr, 0.0, line);
    outline();
    cairo_set_line_width(cr, line);
    SetColour(cr, kCardEdge);
    cairo_stroke(cr);
}

}  // namespace

// Meter settings: the peak-display selector and the four scope inputs, each under
// its label (the table's names), with the lane colour of each scope channel. The
// notch above the information panel's tab keeps that tab usable while this panel
// is open.
CanvasPtr DrawMeterPanel(const std::vector<Placement>& layout, int panel, double scale) {
    auto canvas = std::make_unique<Canvas>(kMeterPanelWidth, kMeterPanelHeight, scale);
    cairo_t* cr = canvas->cr();
    const Placement& self = layout[panel];
    // The information panel's tab, where it falls on this panel.
    int notchLeft = 0, notchWidth = 0;
    for (const Placement& p : layout)
        if (p.isPanel && &p != &self && p.d->bitmap && std::string(p.d->bitmap) == "InfoPanelD.png") {
            notchLeft = p.x - self.x;
            notchWidth = kTabWidth;
        }
    const int bodyBottom = kMeterPanelHeight - kTabButtonHeight - kTabTop + 3;
    PanelCard(cr, kMeterPanelWidth, kMeterPanelHeight, bodyBottom, notchLeft, notchWidth);

    Text(cr, "DISPLAY", 10, 36, 11, pal::kMint, Align::Left, Weight::Bold);
    const char* const help[] = {"Peak bars and", "read-outs: input", "or output. Scope", "lanes 1-4: any", "four signals."};
    for (int i = 0; i < 5; ++i) Text(cr, help[i], 10, 51 + i * 11, 9, pal::kDim);

    // Scope lane colours, channel 1 to 4 (yellow, blue, green, red).
    const Rgb lanes[4] = {RgbOf(255, 255, 0), RgbOf(60, 110, 255), RgbOf(0, 255, 0), RgbOf(255, 40, 40)};
    int lane = 0;
    for (const Placement& p : layout) {
        if (p.panel != panel || KindOf(p.d->type) != Kind::OptionImage) continue;
        const double centre = p.x + p.width / 2.0;
        LabelAbove(cr, p.d->label, centre, p.y);
        if (std::string(p.d->bitmap) == "scopeinput.png" && lane < 4) {
            const double w = TextWidth(cr, p.d->label, 10);
            cairo_rectangle(cr, centre - w / 2 - 9, p.y - 10, 6, 6);
            SetColour(cr, lanes[lane++]);
            cairo_fill(cr);
        }
    }
    return canvas;
}

// Information: the product, a few lines on how the editor is played, and the web
// link (its button is a control of its own, drawn over the seat left for it).
CanvasPtr DrawInfoPanel(const std::vector<Placement>& layout, int panel, double scale) {
    auto canvas = std::make_unique<Canvas>(kInfoPanelWidth, kInfoPanelHeight, scale);
    cairo_t* cr = canvas->cr();
    const int bodyBottom = kInfoPanelHeight - kTabButtonHeight - kTabTop + 3;
    PanelCard(cr, kInfoPanelWidth, kInfoPanelHeight, bodyBottom, 0, 0);
    // The panel's home is 3 rows above the window's top edge.
    Text(cr, "Orva_Tessmark", 16, 34, 18, pal::kMint, Align::Left, Weight::Bold);
    Text(cr, "Stereo compressor / expander", 16, 52, 11, pal::kWhite);
    Text(cr, "with a three-band detector EQ", 16, 66, 11, pal::kWhite);
    int webBottom = 0;
    for (const Placement& p : layout)
        if (p.panel == panel && p.d->tag == 70) webBottom = p.y + p.height;
    const char* const lines[] = {
        "Drag a knob or fader up or down;",
        "Shift for finer steps, Ctrl finer still.",
        "Double-click: back to the default.",
        "Mouse wheel: small steps.",
        "Right-click a control: MIDI learn -",
        "move a controller, then press OK.",
        "Transfer curve: drag the threshold",
        "lines and the knee handles.",
        "EQ window: drag a band's handle;",
        "with the right button, its width.",
        "Click a selector to step through it.",
    };
    double y = webBottom + 28;
    for (const char* line : lines) {
        Text(cr, line, 16, y, 10, pal::kDim);
        y += 15;
    }
    return canvas;
}

// MIDI learn: title, the name box (white name drawn by the control), the controller
// box (the control writes the number in black, so the box is light) and the OK area.
// Every pixel is opaque: the whole panel takes presses.
CanvasPtr DrawMidiLearnPanel(double scale) {
    auto canvas = std::make_unique<Canvas>(kMidiPanelWidth, kMidiPanelHeight, scale);
    cairo_t* cr = canvas->cr();
    cairo_rectangle(cr, 0, 0, kMidiPanelWidth, kMidiPanelHeight);
    SetColour(cr, kCard);
    cairo_fill(cr);
    double line = 1.0;
    const double left = AlignX(cr, 0.5, line), right = AlignX(cr, kMidiPanelWidth - 0.5, line);
    const double top = AlignY(cr, 0.5, line), bottom = AlignY(cr, kMidiPanelHeight - 0.5, line);
    cairo_rectangle(cr, left, top, right - left, bottom - top);
    cairo_set_line_width(cr, line);
    SetColour(cr, pal::kMint);
    cairo_stroke(cr);
    Text(cr, "MIDI LEARN", 7, 18, 11, pal::kMint, Align::Left, Weight::Bold);
    Text(cr, "move a controller", kMidiPanelWidth - 7, 18, 9, pal::kDim, Align::Right);
    const Box& name = kMidiNameBox;
    Well(cr, name.left, name.top, name.right - name.left, name.bottom - name.top, 3);
    const Box& cc = kMidiControllerBox;
    Text(cr, "Controller", cc.left - 6, cc.bottom - 3, 10, pal::kWhite, Align::Right);
    RoundedRect(cr, cc.left, cc.top, cc.right - cc.left, cc.bottom - cc.top, 2);
    SetColour(cr, RgbOf(214, 220, 224));
    cairo_fill(cr);
    const Box& ok = kMidiOkBox;
    ButtonFace(cr, ok.left, ok.top, ok.right - ok.left, ok.bottom - ok.top, RgbOf(96, 226, 172), RgbOf(56, 160, 118),
               RgbOf(10, 30, 22), 4);
    TextInBox(cr, "OK", ok.left, ok.top, ok.right - ok.left, ok.bottom - ok.top, 12, RgbOf(10, 30, 22), Weight::Bold);
    return canvas;
}

}  // namespace skins
