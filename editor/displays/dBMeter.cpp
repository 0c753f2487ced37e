#include "editor/displays/dBMeter.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

using namespace VSTGUI;

namespace {

constexpr float kTypeOffsetDb[4] = {0.0f, 12.0f, 14.0f, 20.0f};  // Std, K12, K14, K20
// The numeric read-out's well holds five characters: it reads no lower than this,
// far below the meters' own scale (which ends at -70 dBFS). Silence would
// otherwise read -180.0 (the 1e-9 floor) and overflow the well.
constexpr float kReadoutFloorDb = -99.9f;

// dB of a linear level with the 1e-9 floor; non-finite input reads as silence.
float LinearToDb(float v) {
    if (!std::isfinite(v)) v = 0.0f;
    return 20.0f * std::log10(std::max(v, 1e-9f));
}

// Below -30 dB the scale is compressed by half.
float Compress(float db) { return db < -30.0f ? (db + 30.0f) * 0.5f - 30.0f : db; }

}  // namespace

Mox_GUI_dBMeter::Mox_GUI_dBMeter(const CRect& size, CBitmap* skin, int32_t style, int32_t floor, int32_t segments,
                                 float style1, float style2)
    : CView(size),
      sections(style & 0xFF),
      threeStates((style & 0xFF00) != 0),
      floorDb(floor < 0 ? float(floor) : -50.0f) {
    setBackground(skin);
    setTransparency(true);
    const int32_t h = skin ? skin->getHeight() : 0;
    if (sections > 0) {
        sectionHeight = h / sections;
        travel = sectionHeight / (threeStates ? 3 : 2);
        maxType = sections - 1;
        step = (segments == 255 || segments <= 0) ? 1 : std::max(1, travel / segments);
        pixelsPerDb = float(travel) / floorDb;
    } else {
        pivotBelowCentre = segments;
        needleOffset = style2;
        needleSlope = (style1 - style2) / floorDb;
    }
    peakDb = rmsDb = peakShown = rmsShown = floorDb;
}

CMessageResult Mox_GUI_dBMeter::notifyRecord(CBaseObject* sender, const CNotifyRecord& record) {
    if (record.kind == CNotifyRecord::kLink) {
        const auto& link = static_cast<const LinkMessage&>(record);
        if (link.kind != LinkMessage::kRegister || (link.slot != 0 && link.slot != 1)) return kMessageUnknown;
        links[link.slot] = dynamic_cast<CView*>(sender);
        return kMessageNotified;
    }
    if (record.kind != CNotifyRecord::kDisplay) return kMessageUnknown;
    const auto& d = static_cast<const DisplayRecord&>(record);
    if (d.code == 110) {
        type = std::clamp(d.aux, 0, maxType);
        typeOffset = type * sectionHeight;
        setDirty(true);
        return kMessageNotified;
    }
    if (d.code == DisplayRecord::kSilence) {
        silenced = true;
        // A read-out that holds no maximum reads its floor, as silence makes it
        // read (also at once when the editor opens, before any audio).
        if (links[1] && readoutMax < kReadoutFloorDb) {
            readoutMax = LinearToDb(0.0f);
            SendLink(1, kReadoutFloorDb);
        }
        return kMessageNotified;
    }
    if (d.code >= 2) return kMessageUnknown;  // blocks and captures are the scope's
    const float v = std::isfinite(d.value) ? d.value : 0.0f;
    const uint32_t n = d.posts ? d.posts : 1;
    if (d.code == 1 && threeStates) {
        rmsIn = std::max(rmsIn, v);
        rmsCount += n;
    } else {
        peakIn = std::max(peakIn, v);
        peakCount += n;
    }
    return kMessageNotified;
}

void Mox_GUI_dBMeter::SendLink(int32_t slot, float value) {
    if (links[slot]) links[slot]->notifyRecord(this, LinkMessage(LinkMessage::kValue, slot, value));
}

float Mox_GUI_dBMeter::ScaleDb(float linear, float floor) {
    return std::clamp(Compress(LinearToDb(linear)), floor, 0.0f);
}

void Mox_GUI_dBMeter::refresh() {
    const float peakBefore = peakShown;
    const int32_t pictureBefore[4] = {Position(peakShown), Position(rmsShown), holdPixels(), typeOffset};
    if (peakCount > 0) {
        peakCount = 0;
        float db = LinearToDb(peakIn);
        peakIn = -1000.0f;
        if (db > readoutMax && links[1]) {
            readoutMax = db;
            SendLink(1, std::max(db + kTypeOffsetDb[std::clamp(type, 0, 3)], kReadoutFloorDb));
        }
        db = Compress(db);
        if (sections > 0 && db > peakHold) {
            peakHold = db;
            holdTimer = kHoldTicks;
        }
        if (db < floorDb) {
            db = floorDb;
        } else if (db > 0.0f) {
            db = 0.0f;
            if (links[0]) {
                lampTimer = kLampTicks;
                SendLink(0, 1.0f);
            }
        }
        peakDb = db;
        if (peakDb > peakShown) {
            peakShown = peakDb;
            peakFall = 0.0f;
            fallDelay = kFallDelayTicks;
        }
    }
    if (rmsCount > 0) {
        rmsCount = 0;
        rmsDb = ScaleDb(rmsIn, floorDb);
        rmsIn = -1000.0f;
        if (rmsDb > rmsShown) {
            rmsShown = rmsDb;
            rmsFall = 0.0f;
        }
    }
    if (silenced) {
        // No more levels follow: from here the meter falls as it does in silence
        // (after what arrived with the news, which is shown first).
        silenced = false;
        peakDb = rmsDb = floorDb;
    }
    if (fallDelay >= 0) --fallDelay;
    if (fallDelay < 0) {
        peakFall += 0.05f;
        peakShown = std::max(peakShown - peakFall, peakDb);
    }
    rmsFall += 0.05f;
    rmsShown = std::max(rmsShown - rmsFall, rmsDb);

    if (holdTimer > 0 && --holdTimer == 0) {
        peakHold = -200.0f;
        readoutMax = -200.0f;
    }
    if (lampTimer > 0 && --lampTimer == 0 && links[0]) SendLink(0, 0.0f);

    if (isNeedle()) {
        // A needle changes picture only when its angle moves by a visible amount.
        if (peakShown != peakBefore) setDirty(true);
    } else {
        // A bar changes picture only when a whole segment or the marker moves.
        const int32_t picture[4] = {Position(peakShown), Position(rmsShown), holdPixels(), typeOffset};
        if (!std::equal(picture, picture + 4, pictureBefore)) setDirty(true);
    }
}

Mox_GUI_dBMeter::~Mox_GUI_dBMeter() {
    if (needlePart) cairo_surface_destroy(needlePart);
}

// The needle turned about its pivot. Only the part of the skin that has any
// pixels is painted (found once), so the rotated paint covers the needle's own
// box instead of the whole view: the same picture at a fraction of the cost.
void Mox_GUI_dBMeter::DrawNeedle(CDrawContext* context, CBitmap& skin) {
    const int32_t w = skin.getWidth(), h = skin.getHeight();
    if (!needlePart) {
        int32_t x0 = w, y0 = h, x1 = -1, y1 = -1;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                if (skin.getAlpha(x, y)) x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        if (x1 < 0) return;  // nothing to draw
        // One transparent pixel around it keeps the filtered edge as it was.
        x0 = std::max(0, x0 - 1), y0 = std::max(0, y0 - 1), x1 = std::min(w - 1, x1 + 1), y1 = std::min(h - 1, y1 + 1);
        needleBox = CRect(x0, y0, x1 + 1, y1 + 1);
        needlePart = cairo_surface_create_for_rectangle(skin.getSurface(), x0, y0, x1 - x0 + 1, y1 - y0 + 1);
    }
    cairo_t* cr = context->getCairo();
    const CPoint o = context->getOffset();
    const double pivotX = w / 2, pivotY = h / 2 + pivotBelowCentre;
    cairo_save(cr);
    cairo_translate(cr, size.left + o.h + pivotX, size.top + o.v + pivotY);
    cairo_rotate(cr, double(needleDegrees()) * 3.14159265358979323846 / 180.0);
    cairo_translate(cr, -pivotX, -pivotY);
    cairo_set_source_surface(cr, needlePart, needleBox.left, needleBox.top);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_NONE);
    const double a = context->getGlobalAlpha();
    if (a >= 1.0) cairo_paint(cr);
    else cairo_paint_with_alpha(cr, a);
    cairo_restore(cr);
}

int32_t Mox_GUI_dBMeter::Position(float db) const {
    if (sections == 0) return 0;
    const int32_t pixels = int32_t(db * pixelsPerDb);
    return step * (pixels / step);
}

int32_t Mox_GUI_dBMeter::holdPixels() const {
    if (sections == 0 || !(peakHold > -80.0f)) return -1;
    return std::max(0, Position(peakHold));
}

void Mox_GUI_dBMeter::draw(CDrawContext* context) {
    CBitmap* skin = getBackground();
    if (skin && skin->isLoaded()) {
        if (isNeedle()) {
            DrawNeedle(context, *skin);
        } else {
            const int32_t w = size.width(), h = std::min(size.height(), travel);
            const int32_t p = std::clamp(Position(peakShown), 0, h);
            // Unlit above p, lit from p down (the lit state lies one travel lower).
            if (p > 0) skin->draw(context, CRect(size.left, size.top, size.left + w, size.top + p), CPoint(0, typeOffset));
            if (p < h)
                skin->draw(context, CRect(size.left, size.top + p, size.left + w, size.top + h),
                           CPoint(0, typeOffset + travel + p));
            if (threeStates && rmsShown > floorDb) {
                const int32_t r = std::clamp(Position(rmsShown), 0, h);
                if (r < h)
                    skin->draw(context, CRect(size.left, size.top + r, size.left + w, size.top + h),
                               CPoint(0, typeOffset + 2 * travel + r));
            }
            const int32_t g = holdPixels();
            if (g >= 0 && g < h) {
                const int32_t bottom = std::min(h, g + step);
                skin->draw(context, CRect(size.left, size.top + g, size.left + w, size.top + bottom),
                           CPoint(0, typeOffset + travel + g));
            }
        }
    }
    setDirty(false);
}
