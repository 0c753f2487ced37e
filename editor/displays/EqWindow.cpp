#include "editor/displays/EqWindow.h"

#include "editor/EditorRecords.h"
#include "host/Mox_DSP_VST.h"
#include "modules/analysis/BiQuadCoeff.h"
#include "modules/convert/GlideModule.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFontDesc.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>

using namespace VSTGUI;

namespace {

// Position across the window (0..1, ten octaves) of a frequency.
float PositionOf(float hz) { return float(std::log2(hz / 20.0) / 10.0); }

constexpr int32_t kEqActiveIndex = 28;
constexpr double kPi = 3.14159265358979323846;
constexpr double kDbSpan = 30.0;  // the window's height in dB, -15 to +15

// The magnitude of a section at the angular frequency of z, in dB.
double SectionDb(const Mox_DSP_BiQuad_Coeff::Section<double>& s, std::complex<double> z) {
    const std::complex<double> h = (s.b0 + s.b1 * z + s.b2 * z * z) / (1.0 + s.a1 * z + s.a2 * z * z);
    return 20.0 * std::log10(std::max(std::abs(h), 1e-12));
}

}  // namespace

Mox_GUI_EQ_Window::Mox_GUI_EQ_Window(const CRect& r, CBitmap* handleBitmap, int32_t bandCount, int32_t variant,
                                     CControlListener* listener, CFontDesc* f, const Mox_DSP_VST* dspEffect)
    : CView(r), links(kSlotCount, listener), font(f), bands(std::clamp(bandCount, 0, kMaxBands)),
      width(std::max(r.width(), 0)), height(std::max(r.height(), 0)), centreY(r.top + r.height() / 2),
      effect(dspEffect) {
    setTransparency(true);
    if (font) font->remember();
    if (handleBitmap) {
        setBackground(handleBitmap);  // the view keeps the handle picture as its bitmap
        handleWidth = handleBitmap->getWidth();
        handleHeight = handleBitmap->getHeight();
    } else {
        handleWidth = handleHeight = 11;
    }
    fillColour = {0, 0, 0, 0};
    textColour = {255, 255, 255, 255};
    if (variant == 0) {
        gridColour = {7, 58, 35, 255};
        curveColour = {96, 200, 96, 160};
        const CColor c[kMaxBands] = {{255, 0, 0, 160}, {255, 255, 0, 160}, {0, 0, 255, 160},
                                     {0, 255, 255, 200}, {0, 160, 255, 200}};
        std::copy(c, c + kMaxBands, handleColour);
    } else {
        gridColour = {0, 255, 0, 120};
        curveColour = {186, 247, 247, 128};
        const CColor c[kMaxBands] = {{171, 184, 255, 51}, {228, 189, 123, 51}, {253, 191, 15, 198},
                                     {0, 0, 0, 255}, {140, 140, 140, 255}};
        std::copy(c, c + kMaxBands, handleColour);
    }
    const double lines[8] = {50, 100, 200, 500, 1000, 2000, 5000, 10000};
    for (int i = 0; i < 8; ++i)
        grid[i] = int32_t((std::log10(lines[i]) - 1.3010299956639813) * 0.3321928094887362 * width + r.left);
    // Off: the same shapes greyed, clearly apart from the live colours.
    offFillColour = {128, 128, 128, 56};
    offCurveColour = {150, 150, 150, 120};
    response.assign(size_t(width), 0.0);
    curve.assign(size_t(width), float(centreY));
    polygon.assign(size_t(width) + 2, CPoint());
    followEffect();
}

bool Mox_GUI_EQ_Window::followEffect() {
    if (!effect) return false;
    const bool on = IntegerForm(effect->ControlValue(kEqActiveIndex)) != 0;
    const float rate = effect->getSampleRate();
    const double hz = std::isfinite(rate) && rate >= 1000.0f ? double(rate) : 44100.0;
    if (on == eqActive && hz == sampleRate) return false;
    eqActive = on;
    sampleRate = hz;
    return true;
}

double Mox_GUI_EQ_Window::ColumnHz(int32_t column, int32_t w) {
    return 20.0 * std::exp2(10.0 * double(column) / double(std::max(w - 1, 1)));
}

Mox_GUI_EQ_Window::~Mox_GUI_EQ_Window() {
    if (font) font->forget();
}

CMessageResult Mox_GUI_EQ_Window::notifyRecord(CBaseObject* sender, const CNotifyRecord& record) {
    if (record.kind != CNotifyRecord::kLink) return kMessageUnknown;
    const auto& m = static_cast<const LinkMessage&>(record);
    if (m.kind == LinkMessage::kRegister) return links.registerLink(sender, m.slot) ? kMessageNotified : kMessageUnknown;
    if (m.kind != LinkMessage::kValue || m.slot < 0 || m.slot >= kSlotCount) return kMessageUnknown;
    Band& b = state[m.slot % kMaxBands];
    bool changed = false;
    if (m.slot < 5) {
        if (TakeLinkValue(m.value, b.frequencyValue)) {
            b.frequency = b.frequencyValue * 20460.0f + 20.0f;
            b.pos = std::clamp(PositionOf(b.frequency), 0.0f, 1.0f);
            changed = true;
        }
    } else if (m.slot < 10) {
        changed = TakeLinkValue(m.value, b.gain);
    } else {
        changed = TakeLinkValue(m.value, b.bandWidth);
    }
    if (changed) {
        ++recomputeCount;
        ++redrawPending;
    }
    return kMessageNotified;
}

void Mox_GUI_EQ_Window::refresh() {
    if (followEffect()) {
        ++recomputeCount;
        ++redrawPending;
    }
    if (redrawPending) {
        redrawPending = 0;
        invalid();
    }
}

void Mox_GUI_EQ_Window::recomputeIfDue() {
    if (recomputeCount == 0) return;
    recomputeCount = 0;
    // Handles: centred on the band's position and gain, moved in to be drawn whole.
    for (int32_t n = 0; n < bands && width > 0; ++n) {
        Band& b = state[n];
        const int32_t index = std::clamp(int32_t((width - 1) * b.pos), 0, width - 1);
        const double e = -(b.gain - 0.5) * height;  // boost upwards; the full range spans the height
        int32_t x = size.left + index - handleWidth / 2, y = int32_t(centreY + e) - handleHeight / 2;
        x = std::clamp(x, int32_t(size.left), std::max(int32_t(size.left), int32_t(size.right) - handleWidth));
        y = std::clamp(y, int32_t(size.top), std::max(int32_t(size.top), int32_t(size.bottom) - handleHeight));
        b.handle = CRect(x, y, x + handleWidth, y + handleHeight);
    }
    // The detector's sections as the designer gives them: frequency in Hz, width
    // 0..1 and the shaped gain signal, from the linked knobs' values as the
    // graph's converters pass them on.
    Mox_DSP_BiQuad_Coeff::Section<double> sections[kMaxBands];
    for (int32_t n = 0; n < bands; ++n) {
        const Band& b = state[n];
        const double hz = double((20460.0f * b.frequencyValue + 20.0f) * 0.1f) * 10.0;
        const float gainVolts = (30.0f * b.gain - 15.0f) * 0.1f;
        sections[n] = Mox_DSP_BiQuad_Coeff::PeakingSection(hz, sampleRate, double(b.bandWidth),
                                                           double(Mox_DSP_FdB_to_VFGain::TargetOf(gainVolts)));
    }
    // Columns above half the sample rate (low rates) show the response just below it.
    const double pixelsPerDb = height / kDbSpan;
    for (int32_t i = 0; i < width; ++i) {
        const double w = 2.0 * kPi * std::min(ColumnHz(i, width), 0.499 * sampleRate) / sampleRate;
        const std::complex<double> z = std::polar(1.0, -w);
        double db = 0.0;
        for (int32_t n = 0; n < bands; ++n) db += SectionDb(sections[n], z);
        response[size_t(i)] = db;
        curve[size_t(i)] = float(centreY - db * pixelsPerDb);
    }
    for (int32_t i = 0; i < width; ++i) {
        const float v = curve[size_t(i)];
        const int32_t y = std::isnan(v) ? centreY : int32_t(std::clamp(v, float(size.top), float(size.bottom - 1)));
        polygon[size_t(i)] = CPoint(size.left + i, y);
    }
    polygon[size_t(width)] = CPoint(size.left + width, centreY);
    polygon[size_t(width) + 1] = CPoint(size.left, centreY);
}

double Mox_GUI_EQ_Window::responseDb(int32_t column) {
    recomputeIfDue();
    return column >= 0 && column < width ? response[size_t(column)] : 0.0;
}

const CRect& Mox_GUI_EQ_Window::handle(int32_t band) {
    recomputeIfDue();
    static const CRect none;
    return band >= 0 && band < bands ? state[band].handle : none;
}

CPoint Mox_GUI_EQ_Window::curvePoint(int32_t column) {
    recomputeIfDue();
    return column >= 0 && column < width ? polygon[size_t(column)] : CPoint();
}

float Mox_GUI_EQ_Window::curveValue(int32_t column) {
    recomputeIfDue();
    return column >= 0 && column < width ? curve[size_t(column)] : float(centreY);
}

std::string Mox_GUI_EQ_Window::valueText(int32_t band, int32_t line) const {
    if (band < 0 || band >= kMaxBands) return {};
    const Band& b = state[band];
    char text[64];
    if (line == 0) {
        std::snprintf(text, sizeof text, "Freq: %2.0f (Hz)", double(b.frequency));
    } else if (line == 1) {
        double db = b.gain * 30.0 - 15.0;
        if (std::fabs(db) < 0.005) db = 0.0;  // never "-0.00"
        std::snprintf(text, sizeof text, "Gain: %2.2f (dB)", db);
    } else {
        std::snprintf(text, sizeof text, "Width: %2.1f", (1.0 - b.bandWidth) * 90.0 + 10.0);
    }
    return text;
}

void Mox_GUI_EQ_Window::draw(CDrawContext* context) {
    if (fillColour.alpha) {
        context->setFillColor(fillColour);
        context->drawRect(size, kDrawFilled);
    }
    context->setDrawMode(kAntialias);
    context->setLineWidth(2);
    context->setFrameColor(gridColour);
    for (int32_t x : grid) {
        context->moveTo(CPoint(x, size.top));
        context->lineTo(CPoint(x, size.bottom));
    }

    recomputeIfDue();
    if (width >= 2) {
        context->setFillColor(eqActive ? curveColour : offFillColour);
        context->drawPolygon(polygon.data(), width + 2, kDrawFilled);
        context->setFrameColor(eqActive ? curveColour : offCurveColour);
        context->drawPolyLine(polygon.data(), width);
    }
    context->setLineWidth(1);
    context->setDrawMode(kAliasing);

    CBitmap* picture = getBackground();
    for (int32_t n = 0; n < bands; ++n) {
        if (picture && picture->isLoaded()) {
            picture->draw(context, state[n].handle, CPoint());
        } else {
            context->setFillColor(handleColour[n]);
            context->drawRect(state[n].handle, kDrawFilled);
        }
    }
    if (dragBand >= 0) {
        if (font) context->setFont(font);
        context->setFontColor(textColour);
        for (int32_t line = 0; line < 3; ++line) {
            const CRect box(size.left, size.top + line * 10, size.right, size.top + line * 10 + 12);
            context->drawString(valueText(dragBand, line).c_str(), box, kCenterText);
        }
    }
    context->setDrawMode(kAntialias);
    setDirty(false);
}

CMouseEventResult Mox_GUI_EQ_Window::onMouseDown(CPoint& where, const int32_t& buttons) {
    if (!(buttons & (kLButton | kRButton))) return kMouseEventNotHandled;
    recomputeIfDue();
    int32_t hit = -1;
    for (int32_t n = 0; n < bands && hit < 0; ++n)
        if (state[n].handle.pointInside(where)) hit = n;
    if (hit < 0) return kMouseEventNotHandled;
    if (dragBand >= 0) links.endDrag();  // a press without the release of the last
    dragBand = hit;
    lastPoint = where;
    links.beginDrag();
    ++redrawPending;
    return kMouseEventHandled;
}

void Mox_GUI_EQ_Window::send(int32_t slot, float value, float held) {
    if (std::isnan(value) || value == held) return;  // nothing would change
    links.send(this, slot, value);
}

CMouseEventResult Mox_GUI_EQ_Window::onMouseMoved(CPoint& where, const int32_t& buttons) {
    if (dragBand < 0) return kMouseEventNotHandled;
    if (!(buttons & (kLButton | kRButton))) return kMouseEventHandled;
    float rate = (buttons & kShift) ? 0.5f : 1.0f;
    if (buttons & kControl) rate *= 0.5f;
    const float dx = float(where.h - lastPoint.h) * rate, dy = float(where.v - lastPoint.v) * rate;
    const float w = float(width > 0 ? width : 1), h = float(height > 0 ? height : 1);
    Band& b = state[dragBand];
    if (buttons & kRButton) {
        const float held = b.bandWidth;
        b.bandWidth = std::clamp(b.bandWidth - dx * 2.0f / w, 0.0f, 1.0f);
        send(10 + dragBand, b.bandWidth, held);
    } else {
        const float held = b.frequencyValue;
        b.pos = std::clamp(b.pos + dx / w, 0.0f, 1.0f);
        b.frequency = float(20.0 * std::exp2(10.0 * b.pos));
        // 20 480 Hz, the right edge, is the knob's 1.0 exactly.
        const float value = std::clamp((std::min(b.frequency, kHighestHz) - 20.0f) / 20460.0f, 0.0f, 1.0f);
        send(dragBand, value, held);
    }
    const float held = b.gain;
    b.gain = std::clamp(b.gain - dy / h, 0.0f, 1.0f);
    send(5 + dragBand, b.gain, held);
    lastPoint = where;
    ++recomputeCount;
    ++redrawPending;
    return kMouseEventHandled;
}

CMouseEventResult Mox_GUI_EQ_Window::onMouseUp(CPoint&, const int32_t&) {
    if (dragBand < 0) return kMouseEventNotHandled;
    dragBand = -1;
    links.endDrag();
    ++redrawPending;
    return kMouseEventHandled;
}
