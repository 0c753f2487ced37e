#include "editor/displays/DynamicsOverlay.h"

#include "modules/framework/ModuleOwner.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFontDesc.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace VSTGUI;

namespace {

// The bar: 8 pixels wide, 4 from the window's right edge, its 0 dB mark 42 % of
// the way down (clear of the curves, which end at the top right corner).
constexpr int32_t kBarWidth = 8, kBarInset = 4;
constexpr double kZeroAt = 0.42;
// Below the bar, the number, right-aligned.
constexpr int32_t kNumberWidth = 70, kNumberHeight = 12;

constexpr CColor kTrack = {0, 0, 0, 110}, kTrackFrame = {255, 255, 255, 48}, kZeroMark = {255, 255, 255, 150};
constexpr CColor kReduction = {255, 176, 48, 220}, kBoost = {80, 216, 160, 220};
constexpr CColor kMarker = {255, 236, 190, 255}, kScaleTick = {255, 255, 255, 70};
constexpr CColor kNumber = {80, 216, 160, 255};
constexpr CColor kDot = {255, 196, 64, 255}, kDotEdge = {0, 0, 0, 170};

double ToDb(float gain) { return 20.0 * std::log10(std::max(double(gain), 1e-9)); }

}  // namespace

Mox_GUI_Dynamics_Overlay::Mox_GUI_Dynamics_Overlay(const CRect& w, double scale, CFontDesc* f)
    : window(w), pixelsPerDb(scale), zeroRow(int32_t(w.top + w.height() * kZeroAt)), font(f) {
    if (font) font->remember();
    dot = CPoint(window.left + kDotRadius, window.bottom - 1 - kDotRadius);
}

Mox_GUI_Dynamics_Overlay::~Mox_GUI_Dynamics_Overlay() {
    if (font) font->forget();
}

bool Mox_GUI_Dynamics_Overlay::take(const DisplayRecord& r) {
    if (r.code == DisplayRecord::kSilence) {
        silenced = true;
        return true;
    }
    if (r.code != 6) return false;
    auto finite = [](float v, float otherwise) { return std::isfinite(v) ? v : otherwise; };
    const float low = finite(r.channels[kGainLowest], 1.0f), high = finite(r.channels[kGainHighest], 1.0f);
    lowest = posts ? std::min(lowest, low) : low;
    highest = posts ? std::max(highest, high) : high;
    latestGain = finite(r.channels[kGainNow], 1.0f);
    latestDb = finite(r.channels[kDetectedDb], -180.0f);
    ++posts;
    silenced = false;
    return true;
}

void Mox_GUI_Dynamics_Overlay::tick() {
    if (posts > 0) {
        posts = 0;
        const double down = lowest < 1.0f ? ToDb(lowest) : 0.0, up = highest > 1.0f ? ToDb(highest) : 0.0;
        shownDb = -down >= up ? down : up;
        appliedNow = latestGain;
        levelDb = latestDb;
    } else if (silenced) {
        silenced = false;
        shownDb = 0.0;
        appliedNow = 1.0f;
        levelDb = -180.0;
    }
    // The farthest of the last second: the deepest reduction, else the highest boost.
    history[historyAt] = shownDb;
    historyAt = (historyAt + 1) % kHoldTicks;
    double deepest = 0.0, highestBoost = 0.0;
    for (double db : history) deepest = std::min(deepest, db), highestBoost = std::max(highestBoost, db);
    holdDb = deepest < 0.0 ? deepest : highestBoost;
}

int32_t Mox_GUI_Dynamics_Overlay::rowOf(double db) const {
    const double held = std::clamp(db, kFloorDb, kCeilingDb);
    return zeroRow - int32_t(std::lround(held * pixelsPerDb));
}

CRect Mox_GUI_Dynamics_Overlay::meterRect() const {
    CRect r = barRect();
    return r.unite(numberRect());
}

// The track with its frame and the ticks left of it.
CRect Mox_GUI_Dynamics_Overlay::barRect() const {
    const int32_t right = window.right - kBarInset;
    return CRect(right - kBarWidth - 5, rowOf(kCeilingDb) - 1, right + 1, rowOf(kFloorDb) + 2);
}

CRect Mox_GUI_Dynamics_Overlay::numberRect() const {
    const int32_t right = window.right - kBarInset, below = rowOf(kFloorDb) + 3;
    return CRect(right - kNumberWidth, below, right + 1, below + kNumberHeight);
}

CRect Mox_GUI_Dynamics_Overlay::dotRect(const CPoint& c) const {
    return CRect(c.h - kDotRadius - 1, c.v - kDotRadius - 1, c.h + kDotRadius + 2, c.v + kDotRadius + 2);
}

std::string Mox_GUI_Dynamics_Overlay::number() const {
    const double tenths = std::round(holdDb * 10.0);
    char text[32];
    if (tenths == 0.0) return "GR 0.0 dB";  // neither "-0.0" nor "+0.0"
    std::snprintf(text, sizeof text, "GR %+.1f dB", tenths / 10.0);
    return text;
}

int Mox_GUI_Dynamics_Overlay::place(double outputDb, CRect changed[kChanges]) {
    int n = 0;
    // The bar and the number apart: the bar moves at every tick, the number seldom.
    const int32_t rows[2] = {rowOf(shownDb), rowOf(holdDb)}, tenths = int32_t(std::lround(holdDb * 10.0));
    if (!placed || rows[0] != drawn[0] || rows[1] != drawn[1]) changed[n++] = barRect();
    if (!placed || tenths != drawn[2]) changed[n++] = numberRect();
    drawn[0] = rows[0], drawn[1] = rows[1], drawn[2] = tenths;
    // Input level across, output level up, as the window places its curves; the
    // dot is held whole inside the window.
    const double in = std::clamp(levelDb, -80.0, 0.0), out = std::isfinite(outputDb) ? outputDb : -200.0;
    const double x = window.left + (in + 80.0) * pixelsPerDb, y = window.bottom - (out + 80.0) * pixelsPerDb;
    const CPoint centre(
        int32_t(std::clamp(x, double(window.left + kDotRadius), double(window.right - 1 - kDotRadius))),
        int32_t(std::clamp(y, double(window.top + kDotRadius), double(window.bottom - 1 - kDotRadius))));
    if (!placed || centre != dot) {
        CRect moved = dotRect(dot);
        const CRect to = dotRect(centre);
        const bool apart = !moved.rectOverlap(to);
        if (apart) changed[n++] = to;  // two small areas rather than the span between them
        else moved.unite(to);
        changed[n++] = moved;
        dot = centre;
    }
    placed = true;
    return n;
}

void Mox_GUI_Dynamics_Overlay::drawMeter(CDrawContext* context) const {
    const CRect area = context->getClipRect();
    if (area.rectOverlap(barRect())) drawBar(context);
    if (!area.rectOverlap(numberRect())) return;
    if (font) context->setFont(font);
    context->setFontColor(kNumber);
    context->drawString(number().c_str(), numberRect(), kRightText);
}

void Mox_GUI_Dynamics_Overlay::drawBar(CDrawContext* context) const {
    const int32_t right = window.right - kBarInset, left = right - kBarWidth;
    const int32_t top = rowOf(kCeilingDb), bottom = rowOf(kFloorDb);
    context->setDrawMode(kAliasing);
    context->setLineWidth(1);
    context->setFillColor(kTrack);
    context->drawRect(CRect(left, top, right, bottom + 1), kDrawFilled);
    context->setFrameColor(kTrackFrame);
    context->drawRect(CRect(left - 1, top - 1, right + 1, bottom + 2), kDrawStroked);
    // Ticks every 6 dB on the left of the track.
    context->setFrameColor(kScaleTick);
    for (double db = kCeilingDb; db >= kFloorDb; db -= 6.0) {
        const int32_t row = rowOf(db);
        context->moveTo(CPoint(left - 5, row));
        context->lineTo(CPoint(left - 2, row));
    }
    // The bar from the 0 dB mark: down for a reduction, up for a boost.
    const int32_t end = rowOf(shownDb);
    if (end > zeroRow) {
        context->setFillColor(kReduction);
        context->drawRect(CRect(left, zeroRow, right, end + 1), kDrawFilled);
    } else if (end < zeroRow) {
        context->setFillColor(kBoost);
        context->drawRect(CRect(left, end, right, zeroRow), kDrawFilled);
    }
    context->setFrameColor(kZeroMark);
    context->moveTo(CPoint(left - 5, zeroRow));
    context->lineTo(CPoint(right, zeroRow));
    if (holdDb != 0.0) {
        context->setFillColor(kMarker);
        const int32_t row = rowOf(holdDb);
        context->drawRect(CRect(left, row - 1, right, row + 1), kDrawFilled);
    }
    context->setDrawMode(kAntialias);
}

void Mox_GUI_Dynamics_Overlay::drawDot(CDrawContext* context) const {
    if (!context->getClipRect().rectOverlap(dotRect(dot))) return;
    context->setDrawMode(kAntialias);
    context->setLineWidth(1);
    context->setFillColor(kDot);
    context->setFrameColor(kDotEdge);
    const CRect r(dot.h - kDotRadius, dot.v - kDotRadius, dot.h + kDotRadius + 1, dot.v + kDotRadius + 1);
    context->drawEllipse(r, kDrawFilledAndStroked);
}
