// Mox_GUI_Dynamics_Overlay: what the compressor does right now, drawn inside the
// transfer-curve window. Along the window's right edge a gain-reduction meter: a
// bar from the 0 dB mark down to -24 dB for a reduction (up to +6 dB for an
// upward expansion), with a marker and a number for the farthest the gain went
// in the last second (the deepest reduction, or the highest boost when there was
// none). And a dot where the detected level sits on the window's red curve now
// (input level across, output level up); in silence it rests in the lower left
// corner. Both are fed by the display data of code 6 (the gain the envelope
// applies, make-up divided out, and the detected level) and move on the frame
// timer's ticks; told that no more data comes (the host stopped), the gain
// returns to 0 dB and the dot to its corner.
#pragma once

#include "editor/EditorRecords.h"

#include <cstdint>
#include <string>

namespace VSTGUI {
class CDrawContext;
class CFontDesc;
}  // namespace VSTGUI

class Mox_GUI_Dynamics_Overlay {
public:
    static constexpr int32_t kHoldTicks = 72;                    // a second of 14 ms ticks
    static constexpr double kFloorDb = -24.0, kCeilingDb = 6.0;  // the bar's range
    static constexpr int32_t kDotRadius = 4;

    // window: the transfer-curve window's rectangle (parent coordinates) and its
    // scale, which the bar shares. font: the number's (may be null).
    Mox_GUI_Dynamics_Overlay(const VSTGUI::CRect& window, double pixelsPerDb, VSTGUI::CFontDesc* font);
    ~Mox_GUI_Dynamics_Overlay();
    Mox_GUI_Dynamics_Overlay(const Mox_GUI_Dynamics_Overlay&) = delete;
    Mox_GUI_Dynamics_Overlay& operator=(const Mox_GUI_Dynamics_Overlay&) = delete;

    // A display record of code 6, or kSilence; false for anything else.
    bool take(const DisplayRecord& record);
    // One tick: what arrived since the last one becomes what is shown.
    void tick();
    // The dot at an output level in dB, the detected level across (the window
    // works out the output level from detectedDb() and gainNow()). Fills the
    // rectangles whose picture changed since the last call (at most kChanges)
    // and answers how many.
    static constexpr int kChanges = 4;
    int place(double outputDb, VSTGUI::CRect changed[kChanges]);

    // Each draws only when the area being redrawn (the context's clip) holds it.
    void drawMeter(VSTGUI::CDrawContext* context) const;
    void drawDot(VSTGUI::CDrawContext* context) const;

    // What is shown: the gain now and the farthest of the last second (dB, below
    // 0 a reduction), the number's text, the detected level (dB), the gain the
    // envelope applies now (linear), the dot's centre and the meter's rectangle.
    double gainDb() const { return shownDb; }
    double heldDb() const { return holdDb; }
    std::string number() const;
    double detectedDb() const { return levelDb; }
    float gainNow() const { return appliedNow; }
    VSTGUI::CPoint dotCentre() const { return dot; }
    VSTGUI::CRect meterRect() const;
    VSTGUI::CRect barRect() const;
    VSTGUI::CRect numberRect() const;
    // The row of a gain in dB on the bar (held to its range).
    int32_t rowOf(double db) const;

private:
    VSTGUI::CRect dotRect(const VSTGUI::CPoint& centre) const;
    void drawBar(VSTGUI::CDrawContext* context) const;

    VSTGUI::CRect window;
    double pixelsPerDb;
    int32_t zeroRow;  // the bar's 0 dB mark
    VSTGUI::CFontDesc* font;

    // Since the last tick.
    uint32_t posts = 0;
    float lowest = 1.0f, highest = 1.0f, latestGain = 1.0f, latestDb = -180.0f;
    bool silenced = false;

    // Shown.
    double shownDb = 0.0, holdDb = 0.0, levelDb = -180.0;
    float appliedNow = 1.0f;
    double history[kHoldTicks] = {};
    int32_t historyAt = 0;
    VSTGUI::CPoint dot;
    bool placed = false;
    int32_t drawn[3] = {0, 0, 0};  // the bar's end row, the marker's row, the number in tenths of a dB
};
