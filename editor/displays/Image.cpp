#include "editor/displays/Image.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

#include <algorithm>
#include <cmath>

using namespace VSTGUI;

Mox_GUI_Image::Mox_GUI_Image(const CRect& size, CBitmap* strip, bool shown, int32_t frameCount)
    : CView(size), frames(std::max(1, frameCount)), imageAlpha(shown ? 255 : 0) {
    setBackground(strip);
    setTransparency(true);
    frameHeight = strip ? strip->getHeight() / frames : size.height();
    visible = shown;
}

void Mox_GUI_Image::setAnimation(int32_t k, int32_t delayTicks, float s, bool ease) {
    kind = (k >= kLoop && k <= kSlide) ? k : kNone;
    delay = std::max(0, delayTicks);
    delayLeft = 0;  // the first frame change comes at once
    speed = std::isfinite(s) ? s : 0.0f;
    easing = ease;
}

CMessageResult Mox_GUI_Image::notifyRecord(CBaseObject* sender, const CNotifyRecord& record) {
    if (broadcasting) return kMessageUnknown;
    if (record.kind == CNotifyRecord::kLink) {
        const auto& link = static_cast<const LinkMessage&>(record);
        if (link.kind != LinkMessage::kRegister) return kMessageUnknown;
        auto* view = dynamic_cast<CView*>(sender);
        if (!view || linkCount >= kMaxLinks) return kMessageUnknown;
        links[linkCount++] = {view, link.slot};
        return kMessageNotified;
    }
    if (record.kind != CNotifyRecord::kDisplay) return kMessageUnknown;
    const auto& d = static_cast<const DisplayRecord&>(record);
    const bool nonzero = d.value != 0.0f && d.value == d.value;
    switch (d.code) {
    case 100:
        if (nonzero) SetFrame(std::min(frameIndex + 1, frames - 1));
        break;
    case 101:
        if (nonzero) SetFrame(std::max(frameIndex - 1, 0));
        break;
    case 102:
        imageFadeStep = d.aux;
        if (imageFadeStep != 0 && !visible) {
            setVisible(true);
            setDirty(true);
        }
        break;
    case 103: {
        const float v = std::isfinite(d.value) ? std::clamp(d.value, 0.0f, 1.0f) : 0.0f;
        SetFrame(int32_t(float(frames - 1) * v));
        break;
    }
    case 104:
    case 110:
        SetFrame(std::clamp(d.aux, 0, frames - 1));
        break;
    default:
        return kMessageUnknown;
    }
    return kMessageNotified;
}

void Mox_GUI_Image::SetFrame(int32_t index) {
    if (index == frameIndex) return;
    frameIndex = index;
    if (kind == kNone) {
        position = float(frameIndex);
        setDirty(true);
    }
    broadcasting = true;
    for (int32_t i = 0; i < linkCount; ++i)
        links[i].view->notifyRecord(this, LinkMessage(LinkMessage::kValue, links[i].slot, float(frameIndex)));
    broadcasting = false;
}

void Mox_GUI_Image::refresh() {
    if (imageFadeStep != 0) {
        const int32_t before = imageAlpha;
        imageAlpha += imageFadeStep;
        if (imageAlpha < 0) {
            imageAlpha = 0;
            imageFadeStep = 0;
            setVisible(false);
        } else if (imageAlpha > 255) {
            imageAlpha = 255;
            imageFadeStep = 0;
        }
        if (imageAlpha != before) setDirty(true);
    }
    if (kind == kNone) {
        position = float(frameIndex);
        return;
    }
    if (delayLeft > 0) {
        --delayLeft;
        return;
    }
    const int32_t last = frames - 1;
    const int32_t wholeBefore = int32_t(position);
    position += speed;
    if (kind == kBounce) {
        if (position >= float(last)) position = float(last), speed = -std::fabs(speed);
        else if (position <= 0.0f) position = 0.0f, speed = std::fabs(speed);
    } else if (position >= float(last + 1) || position < 0.0f) {
        position = 0.0f;  // past the last frame: wrap to the first
    }
    const int32_t whole = int32_t(position);
    if (whole != wholeBefore) {
        previousFrame = wholeBefore;
        delayLeft = delay;
        if (kind == kSlide) direction = (direction + 1) & 3;
    }
    // Cross-fades and slides change picture between whole frames too.
    if (whole != wholeBefore || kind == kCrossFade || kind == kSlide) setDirty(true);
}

void Mox_GUI_Image::draw(CDrawContext* context) {
    CBitmap* strip = getBackground();
    setDirty(false);
    if (!strip || !strip->isLoaded() || imageAlpha <= 0) return;
    const int32_t current = std::clamp(int32_t(position), 0, frames - 1);
    const int32_t before = std::clamp(previousFrame, 0, frames - 1);
    const float d = position - std::floor(position);
    const auto a = uint8_t(imageAlpha);
    if (kind == kCrossFade) {
        strip->drawAlphaBlend(context, size, CPoint(0, before * frameHeight), uint8_t(a * (1.0f - d * d)));
        strip->drawAlphaBlend(context, size, CPoint(0, current * frameHeight), uint8_t(a * d * d));
    } else if (kind == kSlide) {
        strip->drawAlphaBlend(context, size, CPoint(0, before * frameHeight), a);
        float f = 1.0f - d;
        if (easing) f = f * f * f;
        const int32_t dx = int32_t(f * float(size.width())), dy = int32_t(f * float(size.height()));
        CRect in = size;
        CPoint from(0, current * frameHeight);
        // The part of the incoming frame already inside, entering from one side.
        switch (direction) {
        case 0: in.right -= dx, from.h += dx; break;  // from the left
        case 1: in.bottom -= dy, from.v += dy; break; // from the top
        case 2: in.left += dx; break;                 // from the right
        default: in.top += dy; break;                 // from the bottom
        }
        if (!in.isEmpty()) strip->drawAlphaBlend(context, in, from, a);
    } else {
        strip->drawAlphaBlend(context, size, CPoint(0, current * frameHeight), a);
    }
}
