#include "editor/controls/TextViews.h"

#include "toolkit/CDrawContext.h"
#include "toolkit/CFontDesc.h"
#include "toolkit/CViewContainer.h"

#include <cstdio>
#include <cstring>

using namespace VSTGUI;

void CopyTextCut(char* out, size_t size, const char* text) {
    if (!out || size == 0) return;
    size_t n = text ? strnlen(text, size - 1) : 0;
    // Back off to the first byte of a character that the cut would split.
    if (n == size - 1 && text[n] != 0)
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    if (n) std::memcpy(out, text, n);
    out[n] = 0;
}

Mox_TextViewBase::Mox_TextViewBase(const CRect& size, int32_t a)
    : CView(size), align(a >= kLeftText && a <= kRightText ? CHoriTxtAlign(a) : kCenterText) {
    setTransparency(true);
    setMouseEnabled(false);
}

Mox_TextViewBase::~Mox_TextViewBase() {
    if (font) font->forget();
}

void Mox_TextViewBase::setStyle(CFontDesc* f, CColor text, CColor frameC, CColor fill) {
    if (f) f->remember();
    if (font) font->forget();
    font = f;
    textColour = text, frameColour = frameC, fillColour = fill;
    setDirty();
}

CColor Mox_TextViewBase::faded(CColor c) const {
    const int32_t p = parent ? parent->getAlpha() : 255;
    const int32_t m = p * p / 255;
    c.alpha = uint8_t(c.alpha * m / 255);
    return c;
}

void Mox_TextViewBase::drawBox(CDrawContext* context) {
    const CColor fill = faded(fillColour), edge = faded(frameColour);
    if (fill.alpha) {
        context->setFillColor(fill);
        context->drawRect(size, kDrawFilled);
    }
    if (edge.alpha) {
        context->setFillColor(edge);
        context->drawRect(CRect(size.left, size.top, size.right, size.top + 1), kDrawFilled);
        context->drawRect(CRect(size.left, size.bottom - 1, size.right, size.bottom), kDrawFilled);
        context->drawRect(CRect(size.left, size.top, size.left + 1, size.bottom), kDrawFilled);
        context->drawRect(CRect(size.right - 1, size.top, size.right, size.bottom), kDrawFilled);
    }
}

Mox_GUI_TextOnly::Mox_GUI_TextOnly(const CRect& size, const char* t, int32_t a) : Mox_TextViewBase(size, a) {
    CopyTextCut(text, sizeof text, t);
}

CMessageResult Mox_GUI_TextOnly::notifyRecord(CBaseObject*, const CNotifyRecord& record) {
    if (record.kind != CNotifyRecord::kText) return kMessageUnknown;
    CopyTextCut(text, sizeof text, static_cast<const TextMessage&>(record).text);
    setDirty();
    return kMessageNotified;
}

void Mox_GUI_TextOnly::draw(CDrawContext* context) {
    setDirty(false);
    if (!text[0]) return;
    drawBox(context);
    if (font) context->setFont(font);
    context->setFontColor(faded(textColour));
    context->drawString(text, size, align, true);
}

Mox_GUI_MultiText::Mox_GUI_MultiText(const CRect& size, const char* firstLine, int32_t a)
    : Mox_TextViewBase(size, a) {
    CopyTextCut(lines[0], kLineSize, firstLine);
}

CMessageResult Mox_GUI_MultiText::notifyRecord(CBaseObject*, const CNotifyRecord& record) {
    if (record.kind != CNotifyRecord::kText) return kMessageUnknown;
    const auto& message = static_cast<const TextMessage&>(record);
    newest = (newest + 1) % kLines;
    char* out = lines[newest];
    if (message.form == TextMessage::kTimed) {
        const int32_t s = message.seconds > 0 ? message.seconds : 0;
        char prefix[32];
        const int used = std::snprintf(prefix, sizeof prefix, "%02d:%02d:%02d ", int(s / 3600), int(s % 3600 / 60),
                                       int(s % 60));
        CopyTextCut(out, kLineSize, prefix);
        if (used > 0 && size_t(used) < kLineSize - 1) CopyTextCut(out + used, kLineSize - size_t(used), message.text);
    } else {
        CopyTextCut(out, kLineSize, message.text);
    }
    setDirty();
    return kMessageNotified;
}

void Mox_GUI_MultiText::draw(CDrawContext* context) {
    setDirty(false);
    drawBox(context);
    if (font) context->setFont(font);
    context->setFontColor(faded(textColour));
    const int32_t lineHeight = (font ? font->getSize() : 12) + 1;
    int32_t top = size.bottom - lineHeight;
    for (int32_t back = 0; back < kLines && top >= size.top; ++back, top -= lineHeight)
        if (const char* l = line(back); l[0])
            context->drawString(l, CRect(size.left, top, size.right, top + lineHeight), align, true);
}
