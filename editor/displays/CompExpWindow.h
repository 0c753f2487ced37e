// Mox_GUI_Comp_Exp_Window: the static input/output curve of the compressor and
// the expander (input level across, output level up, -80 to 0 dB on both axes),
// with and without make-up gain, the two threshold lines and the two knee
// handles. It holds no parameter: the knobs linked to it tell it their values,
// and what the user drags goes back to those knobs as link messages.
//
// Link slots: 0 compressor threshold, 1 compressor ratio, 2 compressor knee,
// 3 make-up gain, 5 expander threshold, 6 expander ratio, 7 expander knee.
//
// Drags: on a knee handle the knee; above the compressor threshold and right of
// it the compressor ratio (10 % per move event); below the expander threshold and
// left of it the expander ratio; near a threshold line the threshold. The
// expander threshold never stays above the compressor threshold: the one just
// moved pushes the other. That push is sent at the tick, never while drawing.
#pragma once

#include "editor/displays/DynamicsOverlay.h"
#include "editor/displays/LinkSlots.h"
#include "toolkit/CView.h"

#include <cstdint>
#include <vector>

namespace VSTGUI {
class CControlListener;
class CFontDesc;
}
class Mox_DSP_VST;

// The white curve is the compressor and expander alone, by the window's own law;
// the red curve is what reaches the output: the plug-in's gain computer (with its
// bound on boost), the make-up gain as its contour shapes it, and the parallel
// mix, as the output stage applies them. What the red curve needs besides the
// linked knobs ("Parallel", the make-up contour, "Bypass") it reads from the
// effect at every tick. Over the curves it shows the live dynamics (display
// data of code 6): a gain-reduction meter along the right edge and a dot where
// the detected level sits on the red curve (Mox_GUI_Dynamics_Overlay).
class Mox_GUI_Comp_Exp_Window : public VSTGUI::CView {
public:
    enum Slot : int32_t {
        kCompThresh = 0, kCompRatio = 1, kCompKnee = 2, kMakeup = 3,
        kExpThresh = 5, kExpRatio = 6, kExpKnee = 7, kSlotCount = 8
    };
    enum Drag : int32_t {
        kNoDrag = -1, kDragCompThresh = 0, kDragCompRatio = 1, kDragCompKnee = 2,
        kDragExpThresh = 5, kDragExpRatio = 6, kDragExpKnee = 7
    };

    // handle: the knee handles' picture, or null for filled squares; variant 0..3
    // (the row's type code - 63); listener: where begin and end edit of a drag go;
    // effect: where the output stage's values are read (null: no parallel mix,
    // the make-up gain as the knob says it, not bypassed); font: the gain
    // reduction's number (may be null).
    Mox_GUI_Comp_Exp_Window(const VSTGUI::CRect& size, VSTGUI::CBitmap* handle, int32_t variant,
                            VSTGUI::CControlListener* listener, const Mox_DSP_VST* effect = nullptr,
                            VSTGUI::CFontDesc* font = nullptr);

    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override;
    void refresh() override;
    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const int32_t& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const int32_t& buttons) override;

    // ----- what the window shows (parent coordinates) -----
    // Output level in dB of the window's static curve at an input level in dB.
    double outputDb(double inputDb) const;
    // The gain in dB from input to output (make-up and parallel mix included) when
    // the detector hears detectorDb, and the red curve: the output level in dB
    // of a signal the detector hears at its own level.
    double outputGainDb(double detectorDb) const;
    double deliveredDb(double inputDb) const { return inputDb + outputGainDb(inputDb); }
    // The curve's and the make-up curve's point of a column (0 .. width - 1).
    VSTGUI::CPoint curvePoint(int32_t column);
    VSTGUI::CPoint makeupPoint(int32_t column);
    const VSTGUI::CRect& compKneeHandle();
    const VSTGUI::CRect& expKneeHandle();
    // Rows of the two threshold lines.
    int32_t compThreshRow() const;
    int32_t expThreshRow() const;
    int32_t dragKind() const { return drag; }
    // Linked value of a slot as the window holds it (0..1).
    float linkedValue(int32_t slot) const;
    // The gain-reduction meter and the level dot.
    const Mox_GUI_Dynamics_Overlay& dynamics() const { return live; }

private:
    struct Knee {
        bool soft = false;
        double k = 0, k1 = 0, k2 = 0;
    };
    static Knee CompKnee(float v);
    static Knee ExpKnee(float v);
    // Threshold rows and columns from the dB values.
    void place();
    void recomputeIfDue();
    // The output level in dB of the input level x, from the current values
    // (double precision, as the curve is computed).
    double compressed(double x) const;
    double expanded(double x) const;
    void send(int32_t slot, float value);
    bool movedByUser(int32_t slot) const;
    // Reads the output stage's values from the effect; true when they changed.
    bool followOutputStage();
    // The make-up level as the envelope applies it, and the output stage's mix
    // of an applied gain (linear) with the dry signal, in dB.
    float makeupLevel() const;
    double mixedDb(float applied) const;
    // One tick of the live dynamics: what changed is redrawn.
    void tickDynamics();

    LinkSlots links;
    VSTGUI::CColor compLine, compHandle, expLine, expHandle, curveColour, makeupColour, fillColour;
    int32_t width, height;
    double pixelsPerDb, dbPerPixel, zeroX, zeroY;
    int32_t handleWidth, handleHeight;

    float compThresh = 0.9f, compRatio = 0.1f, compKnee = 0.0f, makeupGain = 0.5f;
    float expThresh = 0.1f, expRatio = 0.1f, expKnee = 0.0f;
    double compThreshDb, expThreshDb;
    Knee compKneeTerms, expKneeTerms;
    float compThreshX = 0, compThreshY = 0, expThreshX = 0, expThreshY = 0;

    // The output stage as the red curve follows it.
    struct OutputStage {
        float dryShare = 0.0f;                           // "Parallel": 0 all wet .. 1 all dry
        float makeupConstA = 2.4f, makeupConstB = 0.0f;  // dB volts: the knob's value as is
        int32_t makeupContour = 0;
        bool bypassed = false;
        bool operator==(const OutputStage&) const = default;
    };
    const Mox_DSP_VST* effect;
    OutputStage stage;
    Mox_GUI_Dynamics_Overlay live;

    std::vector<double> positions;  // output y of each column, before clamping
    std::vector<VSTGUI::CPoint> curveLine, makeupLine;
    VSTGUI::CRect compHandleRect, expHandleRect;

    int32_t recomputeCount = -1;
    int32_t redrawPending = -1;
    int32_t pushFrom = -1;  // threshold slot the user moved since the last tick, or -1
    int32_t drag = kNoDrag;
    VSTGUI::CPoint lastPoint;
};
