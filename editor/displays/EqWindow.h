// Mox_GUI_EQ_Window: the detector equaliser over a logarithmic frequency axis
// from 20 Hz to 20 480 Hz (ten octaves across the window; the full height spans
// -15 to +15 dB), one handle per band, and the filled area between the curve and
// the centre line. The curve is the magnitude response of the peaking sections
// the detector runs, from the coefficient designer's own law at the running
// sample rate (in double precision, here on the editor's thread); while "EQ
// Active" is off the detector hears no equaliser, and fill and curve are drawn
// greyed (the handles stay as they are and can be dragged). Handles are drawn
// whole inside the window, also at its edges. The band knobs are linked to it and
// carry the values.
//
// Link slots: 0..4 band frequency, 5..9 band gain, 10..14 band width.
//
// Drags on a handle (the lowest band whose handle holds the point): the left
// button moves frequency sideways and gain up and down; the right button moves
// width sideways and gain up and down, never frequency. While a handle is
// dragged the band's values are printed at the top.
#pragma once

#include "editor/displays/LinkSlots.h"
#include "toolkit/CView.h"

#include <cstdint>
#include <string>
#include <vector>

namespace VSTGUI {
class CControlListener;
class CFontDesc;
}
class Mox_DSP_VST;

class Mox_GUI_EQ_Window : public VSTGUI::CView {
public:
    static constexpr int32_t kMaxBands = 5;
    static constexpr int32_t kSlotCount = 15;
    static constexpr float kLowestHz = 20.0f, kHighestHz = 20480.0f;

    // handle: the handles' picture, or null for filled squares; bands 1..5;
    // variant 0..3 (the row's type code - 83); font: the value texts' font;
    // effect: gives "EQ Active" and the sample rate (null: on, at 44100 Hz).
    Mox_GUI_EQ_Window(const VSTGUI::CRect& size, VSTGUI::CBitmap* handle, int32_t bands, int32_t variant,
                      VSTGUI::CControlListener* listener, VSTGUI::CFontDesc* font, const Mox_DSP_VST* effect = nullptr);
    ~Mox_GUI_EQ_Window() override;

    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override;
    void refresh() override;
    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const int32_t& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const int32_t& buttons) override;

    // ----- what the window shows (parent coordinates) -----
    int32_t bandCount() const { return bands; }
    const VSTGUI::CRect& handle(int32_t band);
    // The curve's point of a column (0 .. width - 1) and its unrounded value.
    VSTGUI::CPoint curvePoint(int32_t column);
    float curveValue(int32_t column);
    // The response drawn at a column, in dB, and the frequency of the column.
    double responseDb(int32_t column);
    static double ColumnHz(int32_t column, int32_t width);
    bool active() const { return eqActive; }
    double responseRate() const { return sampleRate; }
    int32_t centreRow() const { return centreY; }
    int32_t gridColumn(int32_t line) const { return line >= 0 && line < 8 ? grid[line] : 0; }
    int32_t draggedBand() const { return dragBand; }
    float frequencyHz(int32_t band) const { return band >= 0 && band < kMaxBands ? state[band].frequency : 0.0f; }
    // The three value lines shown while the band is dragged.
    std::string valueText(int32_t band, int32_t line) const;

private:
    struct Band {
        float frequencyValue = 620.0f / 20460.0f;  // the linked knob's value
        float frequency = 640.0f;
        float pos = 0.5f;
        float gain = 0.5f;
        float bandWidth = 1.0f;
        VSTGUI::CRect handle;
    };
    void recomputeIfDue();
    void send(int32_t slot, float value, float held);
    // Reads "EQ Active" and the sample rate from the effect; true when they changed.
    bool followEffect();

    LinkSlots links;
    VSTGUI::CFontDesc* font;
    int32_t bands;
    int32_t width, height, centreY;
    int32_t handleWidth, handleHeight;
    VSTGUI::CColor fillColour, gridColour, curveColour, textColour, offFillColour, offCurveColour;
    VSTGUI::CColor handleColour[kMaxBands];
    int32_t grid[8];
    Band state[kMaxBands];
    const Mox_DSP_VST* effect;
    bool eqActive = true;
    double sampleRate = 44100.0;
    std::vector<double> response;  // dB of each column
    std::vector<float> curve;
    std::vector<VSTGUI::CPoint> polygon;  // width curve points, then the centre line back
    int32_t recomputeCount = -1;
    int32_t redrawPending = -1;
    int32_t dragBand = -1;
    VSTGUI::CPoint lastPoint;
};
