#include "editor/displays/CompExpWindow.h"

#include "editor/EditorRecords.h"
#include "host/Mox_DSP_VST.h"
#include "modules/convert/GlideModule.h"
#include "modules/convert/LevelConverters.h"
#include "modules/dynamics/KneeMath.h"
#include "modules/dynamics/ParamAdj.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CControl.h"
#include "toolkit/CFrame.h"
#include "toolkit/VSTGUIEditorInterface.h"
#include "toolkit/CDrawContext.h"

#include <algorithm>
#include <cmath>

using namespace VSTGUI;

namespace {

// A threshold of exactly 0 dB would divide by zero in the knee terms.
double NonZeroThreshold(double db) { return db == 0.0 ? -0.0001 : db; }

// How far a curve point may lie outside the window: a line that leaves the
// window is drawn to just past its edge.
constexpr int32_t kBeyondEdge = 3;

// A knob's control value (what the modules read) from its normalised value and
// range, computed as the effect computes it.
float ControlValue(float normalised, float low, float high) { return ((high - low) * normalised + low) * 0.1f; }

// The parameters the red curve reads from the effect.
constexpr int32_t kParallelIndex = 3, kGainConstA = 39, kGainConstB = 40, kGainContour = 41, kBypassIndex = 65;

}  // namespace

Mox_GUI_Comp_Exp_Window::Mox_GUI_Comp_Exp_Window(const CRect& r, CBitmap* handle, int32_t variant,
                                                 CControlListener* listener, const Mox_DSP_VST* dspEffect,
                                                 CFontDesc* font)
    : CView(r), links(kSlotCount, listener), width(r.width()), height(r.height()), effect(dspEffect),
      live(r, r.width() * 0.0125, font) {
    compLine = {0, 255, 0, 255};
    compHandle = variant == 1 ? CColor{255, 0, 0, 200} : CColor{0, 255, 0, 200};
    expLine = {0, 0, 255, 255};
    expHandle = {0, 0, 255, 200};
    curveColour = {255, 255, 255, 255};
    makeupColour = {255, 0, 0, 96};
    fillColour = {0, 0, 0, 0};
    setTransparency(true);

    pixelsPerDb = width * 0.0125;
    dbPerPixel = width > 0 ? 80.0 / width : 0.0;
    zeroX = pixelsPerDb * 80.0;
    zeroY = pixelsPerDb * -80.0 + height;
    if (handle) {
        setBackground(handle);  // the view keeps the handle picture as its bitmap
        handleWidth = handle->getWidth();
        handleHeight = handle->getHeight();
    } else {
        handleWidth = handleHeight = 10;
    }
    const int32_t columns = std::max(width, 0);
    positions.assign(size_t(columns), 0.0);
    curveLine.assign(size_t(columns), CPoint());
    makeupLine.assign(size_t(columns), CPoint());
    compThreshDb = -80.0 * (1.0 - compThresh);
    expThreshDb = -80.0 * (1.0 - expThresh);
    compKneeTerms = CompKnee(compKnee);
    expKneeTerms = ExpKnee(expKnee);
    place();
    followOutputStage();
}

bool Mox_GUI_Comp_Exp_Window::followOutputStage() {
    if (!effect) return false;
    OutputStage now;
    now.dryShare = std::clamp(effect->ControlValue(kParallelIndex) * 0.1f, 0.0f, 1.0f);
    now.makeupConstA = effect->ControlValue(kGainConstA);
    now.makeupConstB = effect->ControlValue(kGainConstB);
    now.makeupContour = IntegerForm(effect->ControlValue(kGainContour));
    now.bypassed = IntegerForm(effect->ControlValue(kBypassIndex)) != 0;
    if (now == stage) return false;
    stage = now;
    return true;
}

// The module chain from the detected level to the output, static: gain computer,
// dB to level, the envelope settled on it times the make-up level, and the output
// stage's wet/dry mix. The values the modules would receive are formed from the
// linked knobs as the effect forms them.
double Mox_GUI_Comp_Exp_Window::outputGainDb(double detectorDb) const {
    if (stage.bypassed) return 0.0;
    const float settings[7] = {0.0f,
                               ControlValue(compThresh, -80.0f, 0.0f),
                               ControlValue(compKnee, 0.0f, 100.0f),
                               ControlValue(compRatio, 0.1f, 20.0f),
                               ControlValue(expThresh, -80.0f, 0.0f),
                               ControlValue(expKnee, 0.0f, 100.0f),
                               ControlValue(expRatio, 0.1f, 4.0f)};
    const float change = Mox_DSP_CompExp_Knee_Math::StaticGainChange(settings, float(detectorDb * 0.1));
    return mixedDb(Mox_DSP_dB_to_Level::ToLevel(change));
}

float Mox_GUI_Comp_Exp_Window::makeupLevel() const {
    Mox_DSP_OrvaMaster_ParamAdj::Group groups[4];
    groups[3].value = ControlValue(makeupGain, -24.0f, 24.0f);
    groups[3].constA = stage.makeupConstA;
    groups[3].constB = stage.makeupConstB;
    groups[3].contour = stage.makeupContour;
    float results[4];
    Mox_DSP_OrvaMaster_ParamAdj::Results(groups, results);
    return Mox_DSP_FdB_to_VLevel::TargetOf(results[3]);
}

double Mox_GUI_Comp_Exp_Window::mixedDb(float applied) const {
    if (stage.bypassed) return 0.0;
    const float gain = makeupLevel() * applied, dry = stage.dryShare;
    const double mixed = double((1.0f - dry) * gain) + double(dry);
    return 20.0 * std::log10(std::max(mixed, 1e-30));
}

// The dot sits on the red curve when the gain has settled: its output level is
// the detected level through the make-up and the mix, with the gain applied now.
void Mox_GUI_Comp_Exp_Window::tickDynamics() {
    live.tick();
    CRect changed[Mox_GUI_Dynamics_Overlay::kChanges];
    const int n = live.place(live.detectedDb() + mixedDb(live.gainNow()), changed);
    for (int i = 0; i < n; ++i) invalidRect(changed[i]);
}

Mox_GUI_Comp_Exp_Window::Knee Mox_GUI_Comp_Exp_Window::CompKnee(float v) {
    Knee n;
    if (v > 0.5f) {
        n.soft = true;
        n.k1 = (v - 0.5) * 2.0;
        n.k2 = n.k1 * n.k1 * 12.0 + 3.0;
    } else {
        n.k = 2.0 * v;
    }
    return n;
}

Mox_GUI_Comp_Exp_Window::Knee Mox_GUI_Comp_Exp_Window::ExpKnee(float v) {
    Knee n;
    if (v > 0.5f) {
        n.soft = true;
        n.k1 = (v - 0.5) * 2.0;
        n.k2 = n.k1 * n.k1 * 40.0 - 9.0;
    } else {
        n.k = 2.0 * v;
    }
    return n;
}

void Mox_GUI_Comp_Exp_Window::place() {
    compThreshY = float(zeroY - compThreshDb * pixelsPerDb);
    compThreshX = float(zeroX + compThreshDb * pixelsPerDb);
    expThreshY = float(zeroY - expThreshDb * pixelsPerDb);
    expThreshX = float(zeroX + expThreshDb * pixelsPerDb);
}

float Mox_GUI_Comp_Exp_Window::linkedValue(int32_t slot) const {
    switch (slot) {
    case kCompThresh: return compThresh;
    case kCompRatio: return compRatio;
    case kCompKnee: return compKnee;
    case kMakeup: return makeupGain;
    case kExpThresh: return expThresh;
    case kExpRatio: return expRatio;
    case kExpKnee: return expKnee;
    default: return 0.0f;
    }
}

CMessageResult Mox_GUI_Comp_Exp_Window::notifyRecord(CBaseObject* sender, const CNotifyRecord& record) {
    if (record.kind == CNotifyRecord::kDisplay)
        return live.take(static_cast<const DisplayRecord&>(record)) ? kMessageNotified : kMessageUnknown;
    if (record.kind != CNotifyRecord::kLink) return kMessageUnknown;
    const auto& m = static_cast<const LinkMessage&>(record);
    if (m.kind == LinkMessage::kRegister) return links.registerLink(sender, m.slot) ? kMessageNotified : kMessageUnknown;
    if (m.kind != LinkMessage::kValue) return kMessageUnknown;
    bool changed = false;
    switch (m.slot) {
    case kCompThresh:
        changed = TakeLinkValue(m.value, compThresh);
        compThreshDb = -80.0 * (1.0 - compThresh);
        break;
    case kCompRatio: changed = TakeLinkValue(m.value, compRatio); break;
    case kCompKnee:
        changed = TakeLinkValue(m.value, compKnee);
        compKneeTerms = CompKnee(compKnee);
        break;
    case kMakeup: changed = TakeLinkValue(m.value, makeupGain); break;
    case kExpThresh:
        changed = TakeLinkValue(m.value, expThresh);
        expThreshDb = -80.0 * (1.0 - expThresh);
        break;
    case kExpRatio: changed = TakeLinkValue(m.value, expRatio); break;
    case kExpKnee:
        changed = TakeLinkValue(m.value, expKnee);
        expKneeTerms = ExpKnee(expKnee);
        break;
    default: return kMessageUnknown;
    }
    if (std::isnan(m.value)) return kMessageNotified;
    if ((m.slot == kCompThresh || m.slot == kExpThresh) && movedByUser(m.slot)) pushFrom = m.slot;
    if (changed) {
        place();
        ++recomputeCount;
        ++redrawPending;
    }
    return kMessageNotified;
}

// A threshold value is the user's when it arrives while a gesture on its linked
// control is open: a drag in this window (which opens one), a knob or fader held,
// a wheel turn. Values set by the host, MIDI or a program or chunk load come
// outside any gesture.
bool Mox_GUI_Comp_Exp_Window::movedByUser(int32_t slot) const {
    auto* control = dynamic_cast<CControl*>(links.linked(slot));
    const CFrame* frame = getFrame();
    return control && frame && frame->getEditor() && frame->getEditor()->isEditing(control->getTag());
}

// The threshold the user just moved pushes the other one, here at the tick rather
// than while drawing: the push goes out to a knob and from there to the host, in a
// gesture of its own. Thresholds crossed by the host are drawn as they are and
// never pushed: the host would record a change nobody made.
void Mox_GUI_Comp_Exp_Window::refresh() {
    if (followOutputStage()) {
        ++recomputeCount;
        ++redrawPending;
    }
    tickDynamics();
    const int32_t moved = pushFrom;
    pushFrom = -1;
    if (compThresh < expThresh) {
        if (moved == kCompThresh) send(kExpThresh, compThresh);
        else if (moved == kExpThresh) send(kCompThresh, expThresh);
    }
    if (redrawPending) {
        redrawPending = 0;
        invalid();
    }
}

void Mox_GUI_Comp_Exp_Window::send(int32_t slot, float value) {
    if (std::isnan(value)) return;
    value = std::clamp(value, 0.0f, 1.0f);
    if (value == linkedValue(slot)) return;  // nothing would change
    links.send(this, slot, value);
}

double Mox_GUI_Comp_Exp_Window::compressed(double x) const {
    const double t = NonZeroThreshold(compThreshDb);
    const double r = compRatio * 19.9 + 0.1;
    const double u = x / t;
    const Knee& n = compKneeTerms;
    if (n.soft) return (x - t) / ((n.k1 * u * n.k2 * r + r) * (1.0 - u) + u) + t;
    const double f = u * n.k;
    return (x - t) / ((1.0 - f) * r + f) + t;
}

double Mox_GUI_Comp_Exp_Window::expanded(double x) const {
    const double e = NonZeroThreshold(expThreshDb);
    const double m = expRatio * 3.9 + 0.1;
    const double span = -80.0 - e;
    const double w = (-80.0 - x) / span;
    const Knee& n = expKneeTerms;
    if (n.soft) {
        const double t = w * w * w;
        return (x - e) / ((n.k1 * t * m * n.k2 + m) * (1.0 - t) + t) + e;
    }
    const double t = w * n.k;
    return (x - e) / ((1.0 - t) * m + t) + e;
}

double Mox_GUI_Comp_Exp_Window::outputDb(double x) const {
    const double column = (x + 80.0) / (dbPerPixel > 0 ? dbPerPixel : 1.0);
    double y = x;
    if (column >= int32_t(compThreshX) + 1) y = compressed(x);
    if (expThreshX != 0.0f && column <= int32_t(expThreshX)) y = expanded(x);
    return y;
}

void Mox_GUI_Comp_Exp_Window::recomputeIfDue() {
    if (recomputeCount == 0) return;
    recomputeCount = 0;
    place();
    const double top = size.top, bottom = size.bottom;
    for (int32_t i = 0; i < width; ++i) positions[size_t(i)] = bottom - i;
    for (int32_t i = std::max(int32_t(compThreshX) + 1, 0); i < width; ++i)
        positions[size_t(i)] = top + zeroY - compressed(i * dbPerPixel - 80.0) * pixelsPerDb;
    if (expThreshX != 0.0f)
        for (int32_t i = std::min(int32_t(expThreshX), width - 1); i >= 0; --i)
            positions[size_t(i)] = top + zeroY - expanded(i * dbPerPixel - 80.0) * pixelsPerDb;

    const double lo = top - kBeyondEdge, hi = bottom + kBeyondEdge;
    auto held = [&](double y) { return int32_t(std::isnan(y) ? hi : std::clamp(y, lo, hi)); };
    for (int32_t i = 0; i < width; ++i) {
        curveLine[size_t(i)] = CPoint(size.left + i, held(positions[size_t(i)]));
        const double delivered = deliveredDb(i * dbPerPixel - 80.0);
        makeupLine[size_t(i)] = CPoint(size.left + i, held(top + zeroY - delivered * pixelsPerDb));
    }

    auto centred = [&](int32_t x, int32_t y) {
        return CRect(x - handleWidth / 2, y - handleHeight / 2, x - handleWidth / 2 + handleWidth,
                     y - handleHeight / 2 + handleHeight);
    };
    compHandleRect = centred(int32_t((width - compThreshX) * compKnee + compThreshX + size.left),
                             int32_t(size.top + compThreshY));
    expHandleRect = centred(int32_t(expThreshX - expThreshX * expKnee + size.left), int32_t(size.top + expThreshY));
}

CPoint Mox_GUI_Comp_Exp_Window::curvePoint(int32_t column) {
    recomputeIfDue();
    return column >= 0 && column < width ? curveLine[size_t(column)] : CPoint();
}

CPoint Mox_GUI_Comp_Exp_Window::makeupPoint(int32_t column) {
    recomputeIfDue();
    return column >= 0 && column < width ? makeupLine[size_t(column)] : CPoint();
}

const CRect& Mox_GUI_Comp_Exp_Window::compKneeHandle() {
    recomputeIfDue();
    return compHandleRect;
}

const CRect& Mox_GUI_Comp_Exp_Window::expKneeHandle() {
    recomputeIfDue();
    return expHandleRect;
}

int32_t Mox_GUI_Comp_Exp_Window::compThreshRow() const { return size.top + int32_t(compThreshY); }
int32_t Mox_GUI_Comp_Exp_Window::expThreshRow() const { return size.top + int32_t(expThreshY); }

void Mox_GUI_Comp_Exp_Window::draw(CDrawContext* context) {
    if (fillColour.alpha) {
        context->setFillColor(fillColour);
        context->drawRect(size, kDrawFilled);
    }
    // Only what lies in the area being redrawn is stroked: the live dynamics redraw
    // small parts of the window at every tick.
    const CRect area = context->getClipRect();
    live.drawMeter(context);  // under the curves and lines: it hides none of them
    recomputeIfDue();
    const int32_t first = std::clamp(int32_t(area.left - size.left) - 2, 0, width);
    const int32_t last = std::clamp(int32_t(area.right - size.left) + 2, first, width);
    if (last - first >= 2) {
        context->setDrawMode(kAntialias);
        context->setLineWidth(2);
        context->setFrameColor(makeupColour);
        context->drawPolyLine(makeupLine.data() + first, last - first);
        context->setFrameColor(curveColour);
        context->drawPolyLine(curveLine.data() + first, last - first);
    }

    context->setLineWidth(1);
    context->setDrawMode(kAliasing);
    auto line = [&](int32_t row, CColor c) {
        const CColor half{c.red, c.green, c.blue, uint8_t(c.alpha / 2)};
        const int32_t rows[3] = {row, row - 1, row + 1};
        for (int k = 0; k < 3; ++k) {
            context->setFrameColor(k == 0 ? c : half);
            context->moveTo(CPoint(size.left, rows[k]));
            context->lineTo(CPoint(size.right, rows[k]));
        }
    };
    line(expThreshRow(), expLine);
    line(compThreshRow(), compLine);

    if (CBitmap* handle = getBackground(); handle && handle->isLoaded()) {
        handle->draw(context, compHandleRect, CPoint());
        handle->draw(context, expHandleRect, CPoint());
    } else {
        context->setFillColor(compHandle);
        context->drawRect(compHandleRect, kDrawFilled);
        context->setFillColor(expHandle);
        context->drawRect(expHandleRect, kDrawFilled);
    }
    live.drawDot(context);
    context->setDrawMode(kAntialias);
    setDirty(false);
}

CMouseEventResult Mox_GUI_Comp_Exp_Window::onMouseDown(CPoint& where, const int32_t& buttons) {
    if (!(buttons & (kLButton | kRButton))) return kMouseEventNotHandled;
    recomputeIfDue();
    const float x = float(where.h - size.left), y = float(where.v - size.top);
    int32_t kind = kNoDrag;
    if (compHandleRect.pointInside(where)) kind = kDragCompKnee;
    else if (expHandleRect.pointInside(where)) kind = kDragExpKnee;
    else if (y <= compThreshY - 2 && x >= compThreshX) kind = kDragCompRatio;
    else if (y >= expThreshY + 2 && x <= expThreshX) kind = kDragExpRatio;
    else if (std::fabs(y - compThreshY) <= 4) kind = kDragCompThresh;
    else if (std::fabs(y - expThreshY) <= 4) kind = kDragExpThresh;
    if (kind == kNoDrag) return kMouseEventNotHandled;
    if (drag != kNoDrag) links.endDrag();  // a press without the release of the last
    drag = kind;
    lastPoint = where;
    links.beginDrag();
    return kMouseEventHandled;
}

CMouseEventResult Mox_GUI_Comp_Exp_Window::onMouseMoved(CPoint& where, const int32_t& buttons) {
    if (drag == kNoDrag) return kMouseEventNotHandled;
    if (!(buttons & (kLButton | kRButton))) return kMouseEventHandled;
    float rate = (buttons & kShift) ? 0.5f : 1.0f;
    if (buttons & kControl) rate *= 0.5f;
    const float dy = float(where.v - lastPoint.v) * rate;
    const float x = float(where.h - size.left);
    const float h = float(height > 0 ? height : 1);
    // A ratio at 0 would never grow by a factor: it starts again from the floor.
    auto ratioStep = [](float ratio, bool up) {
        return std::clamp(ratio * (up ? 1.1f : 0.9f), 0.001f, 1.0f);
    };
    switch (drag) {
    case kDragCompThresh:
        compThreshY = std::clamp(compThreshY + dy, 0.0f, h);
        send(kCompThresh, (h - compThreshY) / h);
        break;
    case kDragCompRatio: send(kCompRatio, ratioStep(compRatio, dy > 0)); break;
    case kDragCompKnee: send(kCompKnee, std::clamp((x - compThreshX) / (compThreshY + 0.01f), 0.0f, 1.0f)); break;
    case kDragExpThresh:
        expThreshY = std::clamp(expThreshY + dy, 0.0f, h);
        send(kExpThresh, (h - expThreshY) / h);
        break;
    case kDragExpRatio: send(kExpRatio, ratioStep(expRatio, dy < 0)); break;
    case kDragExpKnee: send(kExpKnee, std::clamp((expThreshX - x) / (expThreshX + 0.01f), 0.0f, 1.0f)); break;
    default: break;
    }
    lastPoint = where;
    ++recomputeCount;
    ++redrawPending;
    return kMouseEventHandled;
}

CMouseEventResult Mox_GUI_Comp_Exp_Window::onMouseUp(CPoint&, const int32_t&) {
    if (drag == kNoDrag) return kMouseEventNotHandled;
    drag = kNoDrag;
    links.endDrag();
    return kMouseEventHandled;
}
