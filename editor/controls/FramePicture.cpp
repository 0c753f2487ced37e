#include "editor/controls/FramePicture.h"

#include "editor/Mox_GUI_Editor.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

using namespace VSTGUI;

Mox_FramePicture::Mox_FramePicture(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* bitmap,
                                   int32_t frameCount, Style s)
    : CControl(size, listener, tag, bitmap), frames(frameCount > 0 ? frameCount : 1), style(s) {
    setTransparency(true);
}

void Mox_FramePicture::setValue(float v) {
    if (v != value) {
        CControl::setValue(v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v));
        setDirty(true);
    }
    if (numberEntryTag < 0 || feedingEntry) return;
    if (auto* editor = dynamic_cast<Mox_GUI_Editor*>(listener))
        if (auto* entry = dynamic_cast<CControl*>(editor->slot(numberEntryTag))) {
            feedingEntry = true;
            entry->setValue(value);
            feedingEntry = false;
        }
}

void Mox_FramePicture::setNeedle(int32_t pivot, float start, float end) {
    pivotBelowCentre = pivot;
    startDegrees = start;
    endDegrees = end;
}

void Mox_FramePicture::draw(CDrawContext* context) {
    CBitmap* bitmap = getBackground();
    if (bitmap && bitmap->isLoaded()) {
        const int32_t w = bitmap->getWidth(), h = bitmap->getHeight();
        switch (style) {
        case kStrip: {
            const int32_t frameHeight = h / frames;
            const int32_t index = int32_t((frames - 1) * value);
            bitmap->draw(context, size, CPoint(0, index * frameHeight));
            break;
        }
        case kVerticalHandle: {
            const int32_t travel = size.height() - h;
            CRect handle(size.left, size.top + int32_t((1.0f - value) * travel), size.left + w, 0);
            handle.setHeight(h);
            bitmap->draw(context, handle, CPoint());
            break;
        }
        case kHorizontalHandle: {
            const int32_t travel = size.width() - w;
            CRect handle(size.left + int32_t(value * travel), size.top, 0, size.top + h);
            handle.setWidth(w);
            bitmap->draw(context, handle, CPoint());
            break;
        }
        case kNeedle:
            bitmap->setRotation(startDegrees + (endDegrees - startDegrees) * value,
                                CPoint(w / 2, h / 2 + pivotBelowCentre));
            bitmap->draw(context, size, CPoint());
            bitmap->setRotation(0.0f, CPoint());
            break;
        }
    }
    setDirty(false);
}
