// Mox_GUI_Wave_Freq_Display: the four-channel scope. Each display record of code 2
// carries the peaks of the four scope channels; at the next tick each becomes one
// new point at the right end of its lane (dB with a 1e-9 floor, halved below
// -30 dB, -50 dB and below flat), and the lanes, staggered back to front, scroll
// left by one point. Code 1 records draw a level envelope about the middle
// instead, and code 5 captures a triggered waveform (two halves of the capture
// buffer as the upper and lower edge). Codes 3 and 4 (spectra) are taken and the
// buffer handed back, but nothing is drawn for them.
#pragma once

#include "editor/EditorRecords.h"

#include <cstdint>
#include <vector>

struct DisplayCapture;

class Mox_GUI_Wave_Freq_Display : public VSTGUI::CView {
public:
    static constexpr int kLanes = 4;
    // Fill colours of lanes 1..4, drawn with alpha 128 of 255 (the container's
    // group alpha fades them with their panel).
    static constexpr uint8_t kLaneAlpha = 128;

    // background: drawn under the lanes when given (may be null).
    Mox_GUI_Wave_Freq_Display(const VSTGUI::CRect& size, VSTGUI::CBitmap* background);

    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override;
    void refresh() override;
    void draw(VSTGUI::CDrawContext* context) override;

    // Geometry and state, for tests and the benchmark.
    int32_t mode() const { return displayMode; }
    int32_t lanePoints() const { return laneCount; }
    int32_t laneShift() const { return shift; }
    float laneScale() const { return scale; }
    int32_t baseline(int lane) const { return baselines[lane]; }  // lane 0..3, parent coordinates
    // Height above the baseline of lane (0..3) at point j (0 oldest .. lanePoints-1 newest).
    int32_t laneHeight(int lane, int32_t j) const;
    // The polygon of a lane as drawn (lanePoints + 2 points).
    const std::vector<VSTGUI::CPoint>& lanePolygon(int lane) const { return polygons[lane]; }
    const std::vector<VSTGUI::CPoint>& edgePolygon() const { return edge; }

    // One point's height from a linear peak.
    static int32_t HeightOf(float peak, float laneScale);

private:
    void RebuildLanes();
    void RebuildEnvelope();
    void RebuildTriggered(const DisplayCapture& capture);

    int32_t height, half, centreY, points, shift, laneCount;
    int32_t baselines[kLanes];
    float scale;

    int32_t displayMode = 2;
    uint32_t pending = 0;
    float peaks[kLanes] = {0, 0, 0, 0};
    std::vector<int16_t> history[kLanes];
    int32_t writeIndex = 0;
    int32_t nonzero[kLanes] = {0, 0, 0, 0};  // heights above 0 in each ring
    std::vector<VSTGUI::CPoint> polygons[kLanes];
    std::vector<int16_t> envelope;  // mode 1
    int32_t envelopeIndex = 0;
    std::vector<VSTGUI::CPoint> edge;  // modes 1 and 5: upper edge left to right, lower edge back
    DisplayCapture* capture = nullptr;
};
