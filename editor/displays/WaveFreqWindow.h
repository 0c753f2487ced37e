// Mox_GUI_Wave_Freq_Display: the four-channel scope. Each display record of code 2
// carries the peaks of the four scope channels of one message of the display
// feeder and becomes one new point at the right end of each lane (dB with a 1e-9
// floor, halved below -30 dB, -50 dB and below flat): the lanes, staggered back
// to front, scroll left by one point per message (16.7 ms of audio or a little
// more), whatever the host's block size and idle rate; they are redrawn at the
// next tick. Code 1 records draw a level envelope about the middle
// instead, and code 5 captures a triggered waveform (two halves of the capture
// buffer as the upper and lower edge). Codes 3 and 4 draw the spectrum of the
// capture buffer (sin² window, real FFT through KissFFT) as filled columns, with
// a linear (3) or logarithmic (4) frequency grid.
#pragma once

#include "editor/EditorRecords.h"

#include <cstdint>
#include <memory>
#include <vector>

struct DisplayCapture;
class AudioEffect;
namespace orva::platform {
class RealFftLibrary;
}

class Mox_GUI_Wave_Freq_Display : public VSTGUI::CView {
public:
    static constexpr int kLanes = 4;
    // Fill colours of lanes 1..4, drawn with alpha 128 of 255 (the container's
    // group alpha fades them with their panel).
    static constexpr uint8_t kLaneAlpha = 128;

    // Spectrum modes: the analysed capture length, the bins spread across the
    // width in mode 3 and the log-spaced entries in mode 4, and the range of the
    // spectrum value s (dB relative to a full-scale sine, see the .cpp).
    static constexpr int kWindow = 1024;
    static constexpr int kLinearBins = 512;
    static constexpr int kLogBins = 480;
    static constexpr float kTopDb = 6.0f;
    static constexpr float kFloorDb = -74.0f;
    static constexpr int kMaxGrid = 12;

    // background: drawn under the lanes when given (may be null). effect: gives
    // the sample rate for the spectrum modes (may be null: 44100 Hz).
    Mox_GUI_Wave_Freq_Display(const VSTGUI::CRect& size, VSTGUI::CBitmap* background,
                              const AudioEffect* effect = nullptr);
    ~Mox_GUI_Wave_Freq_Display() override;

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

    // Spectrum modes: the columns (one per pixel of the width), the y of the top
    // of column x (0 .. spectrumColumns-1, parent coordinates), pixels per dB, and
    // the grid lines' x positions (parent coordinates).
    int32_t spectrumColumns() const { return int32_t(columnTops.size()); }
    int32_t columnTop(int32_t x) const;
    float spectrumScale() const { return spectrumPixels; }
    float spectrumRate() const { return sampleRate; }
    int32_t gridLines() const { return gridCount; }
    int32_t gridLine(int32_t i) const { return i >= 0 && i < gridCount ? grid[i] : 0; }

    // The FFT library of the spectrum modes (null: the shared KissFFT, opened on
    // the first spectrum). Without a usable one those modes draw nothing.
    void useFftLibrary(const orva::platform::RealFftLibrary* library);

    // One point's height from a linear peak.
    static int32_t HeightOf(float peak, float laneScale);

private:
    struct Spectrum;

    void AddPoint(const float peaks[kLanes]);
    bool LanesFlat() const;
    void RebuildLanes();
    void RebuildEnvelope();
    void RebuildTriggered(const DisplayCapture& capture);
    void RebuildSpectrum(const DisplayCapture& capture, bool logarithmic);
    void RebuildGrid(bool logarithmic);

    int32_t height, half, centreY, points, shift, laneCount;
    int32_t baselines[kLanes];
    float scale;

    int32_t displayMode = 2;
    uint32_t pending = 0;
    bool flatBefore = true;  // the lanes were flat before this tick's points
    std::vector<int16_t> history[kLanes];
    int32_t writeIndex = 0;
    int32_t nonzero[kLanes] = {0, 0, 0, 0};  // heights above 0 in each ring
    std::vector<VSTGUI::CPoint> polygons[kLanes];
    std::vector<int16_t> envelope;  // mode 1
    int32_t envelopeIndex = 0;
    std::vector<VSTGUI::CPoint> edge;  // modes 1 and 5: upper edge left to right, lower edge back
    DisplayCapture* capture = nullptr;

    // Spectrum modes (3, 4): everything allocated at construction but the FFT
    // state, made on the UI thread when the first spectrum is drawn.
    const AudioEffect* effect;
    float sampleRate = 44100.0f;
    float spectrumPixels;
    std::unique_ptr<Spectrum> spectrum;  // window, FFT state and work arrays
    std::vector<int16_t> columnTops;
    std::vector<VSTGUI::CPoint> columnPolygon;  // column tops left to right, then the two floor corners
    int32_t grid[kMaxGrid] = {};
    int32_t gridCount = 0;
    int32_t gridMode = 0;  // mode and rate the grid was built for
    float gridRate = 0.0f;
};
