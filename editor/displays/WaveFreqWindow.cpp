#include "editor/displays/WaveFreqWindow.h"

#include "modules/framework/ModuleOwner.h"
#include "platform/RealFftLibrary.h"
#include "sdk/AudioEffect.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace VSTGUI;

namespace {

constexpr CColor kLaneColours[Mox_GUI_Wave_Freq_Display::kLanes] = {
    {255, 255, 0, Mox_GUI_Wave_Freq_Display::kLaneAlpha},
    {0, 0, 255, Mox_GUI_Wave_Freq_Display::kLaneAlpha},
    {0, 255, 0, Mox_GUI_Wave_Freq_Display::kLaneAlpha},
    {255, 0, 0, Mox_GUI_Wave_Freq_Display::kLaneAlpha},
};
constexpr float kBaselineAt[Mox_GUI_Wave_Freq_Display::kLanes] = {0.68f, 0.78f, 0.89f, 0.999f};

float Finite(float v) { return std::isfinite(v) ? v : 0.0f; }

// Grid frequencies (Hz): linear mode, logarithmic mode. Lines at or above half the
// sample rate, or beyond the right edge, are left out.
constexpr float kLinearGrid[] = {100, 1000, 2000, 5000, 10000, 15000, 20000, 30000, 40000};
constexpr float kLogGrid[] = {50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
constexpr float kLowestHz = 20.0f;
constexpr float kOctaves = 10.0f;  // logarithmic mode: 20 Hz .. 20480 Hz across the width

}  // namespace

// The spectrum's fixed storage: the analysis window, the real FFT's state, its
// input and output, and the spectrum values of the linear bins and log entries.
// The FFT library is opened and its state made on the first spectrum drawn.
struct Mox_GUI_Wave_Freq_Display::Spectrum {
    Spectrum() {
        constexpr double kPi = 3.14159265358979323846;
        for (int j = 0; j < kWindow; ++j) {
            const double w = std::sin(kPi * j / kWindow);
            window[j] = float(w * w);
        }
    }
    ~Spectrum() { std::free(cfg); }
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    // True once the transform can run; false for good when the library is missing.
    bool Open() {
        if (!cfg && !tried) {
            tried = true;
            if (!library) library = &orva::platform::RealFftLibrary::Shared();
            if (library->ok()) cfg = library->alloc(kWindow, 0, nullptr, nullptr);
        }
        return cfg != nullptr;
    }

    const orva::platform::RealFftLibrary* library = nullptr;  // null: the shared one
    bool tried = false;
    kiss_fftr_cfg cfg = nullptr;
    float window[kWindow];
    float input[kWindow];
    kiss_fft_cpx output[kWindow / 2 + 1];
    float linear[kLinearBins];
    float logarithmic[kLogBins];
};

Mox_GUI_Wave_Freq_Display::Mox_GUI_Wave_Freq_Display(const CRect& r, CBitmap* bitmap, const AudioEffect* dspEffect)
    : CView(r), effect(dspEffect), spectrum(new Spectrum) {
    setBackground(bitmap);
    setTransparency(true);
    height = size.height();
    half = height / 2;
    centreY = size.top + half;
    points = size.width() + 1;
    shift = int32_t(float(points) * 0.06f);
    laneCount = std::max(1, points - 3 * shift);
    for (int k = 0; k < kLanes; ++k) baselines[k] = size.top + int32_t(float(height) * kBaselineAt[k]);
    scale = float(int32_t(float(height) * 0.68f)) * 0.02f;
    for (int k = 0; k < kLanes; ++k) {
        history[k].assign(size_t(laneCount), 0);
        polygons[k].resize(size_t(laneCount) + 2);
    }
    envelope.assign(size_t(points), 0);
    edge.resize(size_t(points) * 2);
    spectrumPixels = float(height) * 0.0125f;
    const int32_t columns = std::max(1, int32_t(size.width()));
    std::fill(std::begin(spectrum->linear), std::end(spectrum->linear), kFloorDb);
    std::fill(std::begin(spectrum->logarithmic), std::end(spectrum->logarithmic), kFloorDb);
    columnTops.assign(size_t(columns), int16_t((kTopDb - kFloorDb) * spectrumPixels + float(size.top)));
    columnPolygon.resize(size_t(columns) + 2);
    for (int32_t x = 0; x < columns; ++x) columnPolygon[size_t(x)] = CPoint(size.left + x, columnTops[size_t(x)]);
    columnPolygon[size_t(columns)] = CPoint(size.left + columns - 1, size.bottom);
    columnPolygon[size_t(columns) + 1] = CPoint(size.left, size.bottom);
    RebuildLanes();
    RebuildEnvelope();
}

Mox_GUI_Wave_Freq_Display::~Mox_GUI_Wave_Freq_Display() = default;

void Mox_GUI_Wave_Freq_Display::useFftLibrary(const orva::platform::RealFftLibrary* library) {
    std::free(spectrum->cfg);
    spectrum->cfg = nullptr;
    spectrum->tried = false;
    spectrum->library = library;
}

int32_t Mox_GUI_Wave_Freq_Display::HeightOf(float peak, float laneScale) {
    float db = 20.0f * std::log10(std::max(Finite(peak), 1e-9f));
    if (db < -30.0f) db = (db + 30.0f) * 0.5f - 30.0f;
    db = std::clamp(db, -50.0f, 0.0f);  // peaks above full scale stay at the top of the lane
    return int32_t((db + 50.0f) * laneScale);
}

CMessageResult Mox_GUI_Wave_Freq_Display::notifyRecord(CBaseObject*, const CNotifyRecord& record) {
    if (record.kind != CNotifyRecord::kDisplay) return kMessageUnknown;
    const auto& d = static_cast<const DisplayRecord&>(record);
    switch (d.code) {
    case 1: {
        const float v = std::clamp(Finite(d.value), 0.0f, 1.0f);
        envelope[size_t(envelopeIndex)] = int16_t(float(half) * v);
        envelopeIndex = (envelopeIndex + 1) % points;
        break;
    }
    case 2:
        if (pending == 0 || displayMode != 2) flatBefore = LanesFlat();
        AddPoint(d.channels);
        break;
    case 3:
    case 4:
        if (effect) {
            const float rate = effect->getSampleRate();
            if (std::isfinite(rate) && rate >= 1000.0f) sampleRate = rate;
        }
        [[fallthrough]];
    case 5:
        capture = static_cast<DisplayCapture*>(const_cast<void*>(d.data));
        break;
    default:
        return kMessageUnknown;
    }
    displayMode = d.code;
    ++pending;
    return kMessageNotified;
}

void Mox_GUI_Wave_Freq_Display::refresh() {
    if (pending == 0) return;
    pending = 0;
    bool changed = true;
    if (displayMode == 2) {
        RebuildLanes();
        // Flat lanes that stay flat scroll without changing the picture.
        changed = !(flatBefore && LanesFlat());
    } else if (displayMode == 1) {
        RebuildEnvelope();
    } else if (capture) {
        // Without the FFT library the spectrum modes draw nothing.
        const bool spectral = displayMode == 3 || displayMode == 4;
        const bool transform = spectral && spectrum->Open();
        // Captures: read only after the module has marked the buffer complete.
        const float ready = capture->ready.load(std::memory_order_acquire);
        if (ready != 0.0f) {
            if (displayMode == 5) RebuildTriggered(*capture);
            else if (transform) RebuildSpectrum(*capture, displayMode == 4);
            capture->ready.store(0.0f, std::memory_order_release);
        } else {
            changed = false;
        }
        if (transform && (gridMode != displayMode || gridRate != sampleRate)) {
            RebuildGrid(displayMode == 4);
            changed = true;
        }
    }
    if (changed) setDirty(true);
}

// One message's peaks: one new point at the right end of each lane.
void Mox_GUI_Wave_Freq_Display::AddPoint(const float peaks[kLanes]) {
    for (int k = 0; k < kLanes; ++k) {
        std::vector<int16_t>& ring = history[k];
        const int16_t h = int16_t(HeightOf(peaks[k], scale));
        nonzero[k] += (h > 0) - (ring[size_t(writeIndex)] > 0);
        ring[size_t(writeIndex)] = h;
    }
    writeIndex = (writeIndex + 1) % laneCount;
}

bool Mox_GUI_Wave_Freq_Display::LanesFlat() const {
    return nonzero[0] == 0 && nonzero[1] == 0 && nonzero[2] == 0 && nonzero[3] == 0;
}

int32_t Mox_GUI_Wave_Freq_Display::laneHeight(int lane, int32_t j) const {
    if (lane < 0 || lane >= kLanes || j < 0 || j >= laneCount) return 0;
    return history[lane][size_t((writeIndex + j) % laneCount)];
}

void Mox_GUI_Wave_Freq_Display::RebuildLanes() {
    for (int k = 0; k < kLanes; ++k) {
        std::vector<CPoint>& poly = polygons[k];
        const int32_t x0 = size.left + (kLanes - 1 - k) * shift;  // lane 1 furthest right
        const int32_t base = baselines[k];
        int32_t r = writeIndex;
        for (int32_t j = 0; j < laneCount; ++j) {
            poly[size_t(j)] = CPoint(x0 + j, base - history[k][size_t(r)]);
            if (++r == laneCount) r = 0;
        }
        poly[size_t(laneCount)] = CPoint(x0 + laneCount - 1, base + 1);
        poly[size_t(laneCount) + 1] = CPoint(x0, base + 1);
    }
}

void Mox_GUI_Wave_Freq_Display::RebuildEnvelope() {
    int32_t r = envelopeIndex;
    for (int32_t i = 0; i < points; ++i) {
        const int32_t h = envelope[size_t(r)];
        if (++r == points) r = 0;
        edge[size_t(i)] = CPoint(size.left + i, centreY - h);
        edge[size_t(2 * points - 1 - i)] = CPoint(size.left + i, centreY + h);
    }
}

void Mox_GUI_Wave_Freq_Display::RebuildTriggered(const DisplayCapture& c) {
    constexpr int kHalf = DisplayCapture::kSamples / 2;
    for (int32_t i = 0; i < points; ++i) {
        const int32_t s = std::min(i, kHalf - 1);
        const float a = std::clamp(Finite(c.samples[s]), -1.0f, 1.0f);
        const float b = std::clamp(Finite(c.samples[kHalf + s]), -1.0f, 1.0f);
        edge[size_t(i)] = CPoint(size.left + i, centreY - int32_t(float(half) * a));
        edge[size_t(2 * points - 1 - i)] = CPoint(size.left + i, centreY - int32_t(float(half) * b));
    }
}

int32_t Mox_GUI_Wave_Freq_Display::columnTop(int32_t x) const {
    if (x < 0 || x >= spectrumColumns()) return 0;
    return columnTops[size_t(x)];
}

// The spectrum value s of a bin is its level in dB relative to a full-scale sine
// centred on a bin (the sin² window's coherent gain is 1/2, so such a sine's bin
// magnitude is N/4), clamped to [kFloorDb, kTopDb] = [-74, +6] dB. The column top
// int((6 - s) x spectrumScale + top) then puts +6 dB at the top of the view, a
// full-scale sine 6 dB below it and -74 dB (80 dB down, 80 x 0.0125 = the whole
// height) on the floor. A column takes the strongest bin (mode 3) or log entry
// (mode 4) under it; each log entry the strongest bin of its frequency band.
void Mox_GUI_Wave_Freq_Display::RebuildSpectrum(const DisplayCapture& c, bool logarithmic) {
    Spectrum& sp = *spectrum;
    for (int j = 0; j < kWindow; ++j) sp.input[j] = std::clamp(Finite(c.samples[j]), -16.0f, 16.0f) * sp.window[j];
    sp.library->forward(sp.cfg, sp.input, sp.output);
    const double fullScale = double(kWindow) / 4.0;
    for (int k = 0; k < kLinearBins; ++k) {
        // Float parts squared in double can neither overflow nor underflow (and
        // need no libm hypot, whose current symbol version is newer than the
        // C libraries the plug-in supports).
        const double re = sp.output[k].r, im = sp.output[k].i;
        const double m = std::sqrt(re * re + im * im) / fullScale;
        const double db = 20.0 * std::log10(std::max(m, 1e-12));
        sp.linear[k] = std::isfinite(db) ? std::clamp(float(db), kFloorDb, kTopDb) : kFloorDb;
    }
    const double binsPerHz = double(kWindow) / double(sampleRate);
    // The bins whose centres lie in [lowHz, highHz), at least the one nearest lowHz.
    auto strongest = [&](double lowHz, double highHz) {
        const int first = int(lowHz * binsPerHz + 0.5);
        if (first >= kLinearBins) return kFloorDb;
        const int last = std::min(kLinearBins - 1, std::max(first, int(highHz * binsPerHz + 0.5) - 1));
        return *std::max_element(sp.linear + first, sp.linear + last + 1);
    };
    const int32_t columns = spectrumColumns();
    const double nyquist = 0.5 * double(sampleRate);
    if (logarithmic) {
        for (int i = 0; i < kLogBins; ++i)
            sp.logarithmic[i] = strongest(kLowestHz * std::exp2(kOctaves * i / kLogBins),
                                          kLowestHz * std::exp2(kOctaves * (i + 1) / kLogBins));
    }
    for (int32_t x = 0; x < columns; ++x) {
        float s;
        if (logarithmic) {
            const int first = int(int64_t(x) * kLogBins / columns);
            const int last = std::max(first, int(int64_t(x + 1) * kLogBins / columns) - 1);
            s = *std::max_element(sp.logarithmic + first, sp.logarithmic + last + 1);
        } else {
            const double span = (nyquist - kLowestHz) / columns;
            s = strongest(kLowestHz + span * x, kLowestHz + span * (x + 1));
        }
        const int16_t top = int16_t((kTopDb - s) * spectrumPixels + float(size.top));
        columnTops[size_t(x)] = top;
        columnPolygon[size_t(x)].v = top;
    }
}

void Mox_GUI_Wave_Freq_Display::RebuildGrid(bool logarithmic) {
    gridMode = logarithmic ? 4 : 3;
    gridRate = sampleRate;
    gridCount = 0;
    const float width = float(size.width()), nyquist = 0.5f * sampleRate;
    const float* list = logarithmic ? kLogGrid : kLinearGrid;
    const size_t n = logarithmic ? std::size(kLogGrid) : std::size(kLinearGrid);
    for (size_t i = 0; i < n && gridCount < kMaxGrid; ++i) {
        const float f = list[i];
        if (f >= nyquist) break;
        const float at = logarithmic ? std::log2(f / kLowestHz) / kOctaves : (f - kLowestHz) / (nyquist - kLowestHz);
        const int32_t x = int32_t(at * width);
        if (x >= int32_t(width)) break;
        grid[gridCount++] = size.left + x;
    }
}

void Mox_GUI_Wave_Freq_Display::draw(CDrawContext* context) {
    if (CBitmap* bitmap = getBackground()) bitmap->draw(context, size, CPoint());
    const CDrawMode savedMode = context->getDrawMode();
    context->setDrawMode(kAliasing);
    context->setLineWidth(1);
    context->setLineStyle(kLineSolid);
    if (displayMode == 2) {
        for (int k = 0; k < kLanes; ++k) {  // back to front
            context->setFillColor(kLaneColours[k]);
            context->drawPolygon(polygons[k].data(), int32_t(polygons[k].size()), kDrawFilled);
        }
    } else if (displayMode == 1 || displayMode == 5) {
        context->setFillColor(CColor{255, 255, 255, kLaneAlpha});
        context->drawPolygon(edge.data(), int32_t(edge.size()), kDrawFilled);
        if (displayMode == 1) {
            context->setFrameColor(CColor{255, 255, 255, kLaneAlpha});
            context->moveTo(CPoint(size.left, centreY));
            context->lineTo(CPoint(size.right - 1, centreY));
        }
    } else if ((displayMode == 3 || displayMode == 4) && spectrum->cfg) {
        context->setFillColor(CColor{255, 255, 255, kLaneAlpha});
        context->drawPolygon(columnPolygon.data(), int32_t(columnPolygon.size()), kDrawFilled);
        context->setFrameColor(CColor{255, 255, 255, kLaneAlpha / 2});
        for (int32_t i = 0; i < gridCount; ++i) {
            context->moveTo(CPoint(grid[i], size.top));
            context->lineTo(CPoint(grid[i], size.bottom - 1));
        }
    }
    context->setDrawMode(savedMode);
    setDirty(false);
}
