#include "editor/controls/OptionMenus.h"

#include "editor/Mox_GUI_Editor.h"
#include "host/Mox_DSP_VST.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CFrame.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace VSTGUI;

std::vector<std::string> SplitOptionItems(const char* options) {
    std::vector<std::string> items;
    if (!options) return items;
    std::string item;
    for (const char* p = options; *p; ++p) {
        if (*p == ',') {
            items.push_back(item);
            item.clear();
        } else {
            item += *p;
        }
    }
    return items;
}

// ---------------------------------------------------------------------------
// Text menu

Mox_COptionsText::Mox_COptionsText(const CRect& size, Mox_GUI_Editor* e, int32_t tag, const char* options,
                                   CBitmap* background)
    : COptionMenu(size, e, tag, background, kCheckStyle), editor(e) {
    for (const std::string& item : SplitOptionItems(options)) addEntry(new CMenuItem(item.c_str()));
    if (getNbEntries() > 0) setCurrent(0);
    value = 0.0f;
    vmax = 1.0f;
}

void Mox_COptionsText::setGeometry(int32_t /*items*/, int32_t height, int32_t frames, int32_t s1, int32_t s2) {
    bitmapHeight = height;
    frameCount = frames > 0 ? frames : 1;
    frameHeight = bitmapHeight / frameCount;
    const int32_t n = itemCount() > 0 ? itemCount() : 1;
    scrollRange = frameCount > 1 ? bitmapHeight - frameHeight : bitmapHeight - bitmapHeight / n;
    style1 = s1, style2 = s2;
}

void Mox_COptionsText::setAnimation(float speed, int32_t mode, int32_t styleTag) {
    animSpeed = speed;
    animMode = mode;
    animStyleTag = styleTag;
}

void Mox_COptionsText::setItemPanel(int32_t item, CView* panel) {
    if (item < 0 || item >= kMaxPanels || !panel) return;
    panels[item] = panel;
    hasPanels = true;
}

float Mox_COptionsText::valueOfIndex(int32_t i) const {
    const int32_t n = itemCount();
    return n > 1 ? float(i) / float(n - 1) : 0.0f;
}

void Mox_COptionsText::setValue(float x) {
    if (!(x >= 0.0f && x <= 1.0f)) return;  // also refuses NaN
    const int32_t n = itemCount();
    const int32_t i = n > 1 ? int32_t(float(n - 1) * x + 0.5f) : 0;
    if (n > 0) setCurrent(i);
    value = x;
    links.broadcast(this, x);
    if (hasPanels) {
        for (int32_t k = 0; k < kMaxPanels; ++k)
            if (panels[k]) panels[k]->setVisible(k == i);
        if (frame) frame->invalid();
    }
    startAnimation();
    ++redrawCounter;
}

void Mox_COptionsText::refresh() {
    RedrawWhenCounted(*this, redrawCounter);
}

void Mox_COptionsText::draw(CDrawContext* context) { COptionMenu::draw(context); }

void Mox_COptionsText::sendToEffect(float v) {
    if (Mox_DSP_VST* dsp = editor->dspEffect()) dsp->setParameterAutomated(tag, v);
}

void Mox_COptionsText::selectAndSend(int32_t i) {
    setCurrent(i);
    value = valueOfIndex(i);
    sendToEffect(value);
}

CMouseEventResult Mox_COptionsText::onMouseDown(CPoint& where, const int32_t& buttons) {
    if (buttons & kRButton) {
        if (tag < kHostParameterCount) editor->requestMidiLearn(this, CPoint(where.h - size.left, where.v - size.top));
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    beginEdit();
    takeFocus();
    endEdit();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void Mox_COptionsText::takeFocus() {
    const int32_t n = itemCount();
    if (!frame || !frame->getPlatformFrame() || n == 0) return;
    for (int32_t i = 0; i < n; ++i) checkEntry(i, i == index());
    int32_t first = 0;
    const auto entries = buildPlatformMenu(first);
    CPoint where(size.left, (style & kPopupAtTop) ? size.top : size.bottom);
    localToFrame(where);
    const int32_t chosen = frame->getPlatformFrame()->popupMenu(entries, where);
    // The editor may have been closed while the menu was open.
    if (!frame) return;
    if (chosen >= 0 && chosen < n && getEntry(chosen)->isEnabled()) {
        setValue(valueOfIndex(chosen));
        if (listener) listener->valueChanged(this);
    }
    frame->setFocusView(nullptr);
}

CMessageResult Mox_COptionsText::notifyRecord(CBaseObject* sender, const CNotifyRecord& record) {
    if (record.kind != CNotifyRecord::kLink) return kMessageUnknown;
    if (links.broadcasting()) return kMessageNotified;
    const auto& message = static_cast<const LinkMessage&>(record);
    if (message.kind == LinkMessage::kRegister) {
        links.add(dynamic_cast<CView*>(sender), message.slot);
        return kMessageNotified;
    }
    if (message.kind != LinkMessage::kValue) return kMessageUnknown;
    const int32_t n = itemCount();
    if (n > 0) {
        if (message.slot == kStepNext || message.slot == kStepPrevious) {
            if (message.value != 0.0f) {
                const int32_t step = message.slot == kStepNext ? 1 : n - 1;
                selectAndSend((index() + step) % n);
            }
        } else if (message.value >= 0.0f && message.value <= 1.0f) {
            setCurrent(int32_t(float(n - 1) * message.value));
            value = message.value;
            sendToEffect(value);
        }
    }
    ++redrawCounter;
    return kMessageNotified;
}

// ---------------------------------------------------------------------------
// Picture menu

Mox_COptionsImage::Mox_COptionsImage(const CRect& size, Mox_GUI_Editor* e, int32_t tag, const char* options,
                                     CBitmap* bitmap, bool advances)
    : Mox_COptionsText(size, e, tag, options, bitmap), clickAdvances(advances) {
    setTransparency(true);
}

void Mox_COptionsImage::startAnimation() {
    const float target = valueOfIndex(index());
    if (animMode >= 4 && animMode <= 5) {
        previousPosition = position;
        phase = 0.0f;
        step = animSpeed;
        position = target;
    } else if (animSpeed != 1.0f && animSpeed > 0.0f && target != position) {
        step = (target - position) * animSpeed;
    } else {
        position = target;
        step = 0.0f;
    }
}

void Mox_COptionsImage::refresh() {
    if (step != 0.0f) {
        if (animMode >= 4 && animMode <= 5) {
            phase += step;
            if (phase >= 1.0f || step <= 0.0f) {  // a speed that cannot finish the fade ends it
                phase = 1.0f;
                step = 0.0f;
                previousPosition = position;
            }
        } else if (animStyleTag == 0) {
            position += step;
            if ((step > 0.0f && position >= value) || (step < 0.0f && position <= value)) {
                position = value;
                step = 0.0f;
            }
        } else {
            // Beyond 1 the easing would overshoot and never settle.
            position += (value - position) * std::min(animSpeed, 1.0f);
            if (std::fabs(value - position) < 0.005f) {
                position = value;
                step = 0.0f;
            }
        }
        ++redrawCounter;
    }
    Mox_COptionsText::refresh();
}

int32_t Mox_COptionsImage::offsetOf(float pos) const { return int32_t(std::lround(double(pos) * scrollRange)); }

void Mox_COptionsImage::draw(CDrawContext* context) {
    CBitmap* bitmap = getBackground();
    if (bitmap && bitmap->isLoaded()) {
        if ((animMode == 2 || animMode == 3) && frameCount < 2) {
            const CPoint centre(bitmap->getWidth() / 2, bitmap->getHeight() / 2);
            bitmap->setRotation(float(style1) + position * float(style2 - style1), centre);
            bitmap->draw(context, size, CPoint());
            bitmap->setRotation(0.0f, CPoint());
        } else if (animMode == 2 || animMode == 3) {
            bitmap->draw(context, size, CPoint(0, int32_t(float(frameCount - 1) * position) * frameHeight));
        } else if (animMode == 4 || animMode == 5) {
            bitmap->drawAlphaBlend(context, size, CPoint(0, offsetOf(previousPosition)),
                                   uint8_t((1.0f - phase) * 255.0f));
            bitmap->drawAlphaBlend(context, size, CPoint(0, offsetOf(position)), uint8_t(phase * 255.0f));
        } else {
            bitmap->draw(context, size, CPoint(0, offsetOf(position)));
        }
    }
    setDirty(false);
}

CMouseEventResult Mox_COptionsImage::onMouseDown(CPoint& where, const int32_t& buttons) {
    if (!clickAdvances || !(buttons & kLButton) || (buttons & kRButton)) {
        dragging = false;
        return Mox_COptionsText::onMouseDown(where, buttons);
    }
    const int32_t n = itemCount();
    if (n == 0) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    lastPoint = where;
    dragging = true;
    // The picture follows when the effect hands the value back through setValue.
    sendToEffect(valueOfIndex((index() + 1) % n));
    return kMouseEventHandled;
}

CMouseEventResult Mox_COptionsImage::onMouseMoved(CPoint& where, const int32_t& buttons) {
    if (!dragging || !(buttons & kLButton)) return kMouseEventNotHandled;
    const int32_t d = lastPoint.v - where.v;
    const int32_t n = itemCount();
    int32_t next = index();
    if (d >= kDragStep && next < n - 1) ++next;
    else if (d <= -kDragStep && next > 0) --next;
    else return kMouseEventHandled;
    lastPoint = where;
    sendToEffect(valueOfIndex(next));
    return kMouseEventHandled;
}

CMouseEventResult Mox_COptionsImage::onMouseUp(CPoint&, const int32_t&) {
    dragging = false;
    return kMouseEventHandled;
}
