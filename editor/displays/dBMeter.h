// Mox_GUI_dBMeter: a level in dB, as a segmented bar drawn from a skin of
// meter-type sections (each an unlit, a lit and optionally a third state) or as a
// needle turned about its pivot. It takes linear levels from the display data
// (largest since the last tick, and how many arrived), converts them at every
// frame-timer tick with a 1e-9 floor, halves the scale below -30 dB, holds the
// peak for three ticks and lets it fall with a step growing by 0.05 dB a tick,
// keeps a peak-hold marker for 150 ticks, and through its links lights an
// overload lamp (slot 0) for 70 ticks and shows the held maximum on a numeric
// read-out (slot 1), offset by the K-scale of the meter type. Told that no more
// levels follow (the host stopped), it falls as it does in silence.
#pragma once

#include "editor/EditorRecords.h"

#include <cstdint>

typedef struct _cairo_surface cairo_surface_t;

class Mox_GUI_dBMeter : public VSTGUI::CView {
public:
    static constexpr int32_t kHoldTicks = 150;
    static constexpr int32_t kLampTicks = 70;
    static constexpr int32_t kFallDelayTicks = 3;

    // style: low byte the meter-type sections in the skin (0: a needle), bits 8..15
    // nonzero: three states per section. floorDb: the bottom of the scale (negative).
    // segments: bars, segments over the travel (255: one a pixel); needles, the
    // pivot's offset below the bitmap's centre. style1/style2: the needle's angle at
    // floorDb and at 0 dB.
    Mox_GUI_dBMeter(const VSTGUI::CRect& size, VSTGUI::CBitmap* skin, int32_t style, int32_t floorDb,
                    int32_t segments, float style1, float style2);

    ~Mox_GUI_dBMeter() override;

    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override;
    void refresh() override;
    void draw(VSTGUI::CDrawContext* context) override;

    // The converted, shown state (dB, on the compressed scale).
    bool isNeedle() const { return sections == 0; }
    float peakShownDb() const { return peakShown; }
    float rmsShownDb() const { return rmsShown; }
    float peakHoldDb() const { return peakHold; }
    int32_t meterType() const { return type; }
    // Bars: pixels from the top that are unlit; the hold marker's top.
    int32_t unlitPixels() const { return Position(peakShown); }
    int32_t holdPixels() const;
    // The view linked under slot 0 (lamp) or 1 (read-out).
    VSTGUI::CView* linked(int32_t slot) const { return slot == 0 || slot == 1 ? links[slot] : nullptr; }
    // Needles: the angle the needle is drawn at.
    float needleDegrees() const { return needleSlope * peakShown + needleOffset; }
    // The dB a converted level shows at: 1e-9 floor, halved below -30, not below
    // the floor, not above 0.
    static float ScaleDb(float linear, float floorDb);

private:
    int32_t Position(float db) const;
    void SendLink(int32_t slot, float value);
    void DrawNeedle(VSTGUI::CDrawContext* context, VSTGUI::CBitmap& skin);

    // Geometry.
    int32_t sections;
    bool threeStates;
    float floorDb;
    int32_t sectionHeight = 0, travel = 0, maxType = 0, step = 1;
    float pixelsPerDb = 0.0f;
    float needleSlope = 0.0f, needleOffset = 0.0f;
    int32_t pivotBelowCentre = 0;

    // Input since the last tick (editor thread: the editor hands the display data over at a tick).
    float peakIn = -200.0f, rmsIn = -200.0f;
    uint32_t peakCount = 0, rmsCount = 0;
    bool silenced = false;  // no more levels follow: fall to the floor

    // Converted and shown state.
    float peakDb, rmsDb, peakShown, rmsShown;
    float peakFall = 0.0f, rmsFall = 0.0f;
    int32_t fallDelay = 0;
    float peakHold = -200.0f;
    int32_t holdTimer = 0;
    float readoutMax = -200.0f;
    int32_t lampTimer = 0;
    int32_t type = 0, typeOffset = 0;
    VSTGUI::CView* links[2] = {nullptr, nullptr};
    VSTGUI::CRect needleBox;
    cairo_surface_t* needlePart = nullptr;  // the skin's drawn part (needles)
};
