#include "editor/displays/WaveFreqWindow.h"

#include "modules/framework/ModuleOwner.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

#include <algorithm>
#include <cmath>

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

}  // namespace

Mox_GUI_Wave_Freq_Display::Mox_GUI_Wave_Freq_Display(const CRect& r, CBitmap* bitmap) : CView(r) {
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
    RebuildLanes();
    RebuildEnvelope();
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
        for (int k = 0; k < kLanes; ++k) peaks[k] = Finite(d.channels[k]);
        break;
    case 3:
    case 4:
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
        bool wasFlat = true;
        for (int k = 0; k < kLanes; ++k) {
            std::vector<int16_t>& ring = history[k];
            wasFlat = wasFlat && nonzero[k] == 0;
            const int16_t h = int16_t(HeightOf(peaks[k], scale));
            nonzero[k] += (h > 0) - (ring[size_t(writeIndex)] > 0);
            ring[size_t(writeIndex)] = h;
        }
        writeIndex = (writeIndex + 1) % laneCount;
        RebuildLanes();
        // Flat lanes that stay flat scroll without changing the picture.
        changed = !(wasFlat && nonzero[0] == 0 && nonzero[1] == 0 && nonzero[2] == 0 && nonzero[3] == 0);
    } else if (displayMode == 1) {
        RebuildEnvelope();
    } else if (capture) {
        // Captures: read only after the module has marked the buffer complete.
        const float ready = capture->ready.load(std::memory_order_acquire);
        if (ready != 0.0f) {
            if (displayMode == 5) RebuildTriggered(*capture);
            capture->ready.store(0.0f, std::memory_order_release);
        } else {
            changed = false;
        }
    }
    if (changed) setDirty(true);
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
    }
    context->setDrawMode(savedMode);
    setDirty(false);
}
