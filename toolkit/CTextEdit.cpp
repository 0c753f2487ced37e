#include "toolkit/CTextEdit.h"

#include "toolkit/CFontDesc.h"
#include "toolkit/CFrame.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace VSTGUI {

CTextEdit::CTextEdit(const CRect& size, CControlListener* l, int32_t t, const char* initial, CBitmap* bitmap,
                     int32_t s)
    : CParamDisplay(size, bitmap, s) {
    listener = l;
    tag = t;
    setText(initial);
}

CTextEdit::~CTextEdit() {
    if (editing && frame && frame->getPlatformFrame()) {
        editing = false;
        frame->getPlatformFrame()->closeEditField();
    }
}

CView* CTextEdit::newCopy() const {
    auto* copy = new CTextEdit(size, listener, tag, text.c_str(), background, style);
    copy->setFont(font);
    copy->fontColor = fontColor;
    copy->backColor = backColor;
    copy->frameColor = frameColor;
    copy->horiAlign = horiAlign;
    copy->stringToValue = stringToValue;
    copy->stringToValueUserData = stringToValueUserData;
    return copy;
}

bool CTextEdit::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "CTextEdit") == 0) || CParamDisplay::isTypeOf(type);
}

void CTextEdit::setText(const char* newText) {
    text = orva::platform::truncateUtf8(newText ? newText : "", kMaxChars);
    setDirty();
}

void CTextEdit::draw(CDrawContext* context) {
    // While the edit field is open it covers the control.
    drawText(context, editing ? "" : text.c_str());
    setDirty(false);
}

CMouseEventResult CTextEdit::onMouseDown(CPoint&, const int32_t& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    if (checkDefaultValue(buttons)) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    takeFocus();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void CTextEdit::takeFocus() {
    if (editing || !frame || !frame->getPlatformFrame()) return;
    orva::platform::EditFieldParams params;
    params.rect = getFrameRect();
    params.text = text;
    params.fontFamily = font ? font->getName() : "Arial";
    const int32_t fontSize = font ? font->getSize() : 12;
    params.fontHeight = std::max(1, std::min(fontSize, size.height() - 1));
    params.align = horiAlign;
    params.fontColor = fontColor;
    params.backColor = backColor;
    params.frameColor = frameColor;
    params.margin = 3;
    params.maxChars = kMaxChars;
    enteredByReturn = false;
    editing = true;
    if (!frame->getPlatformFrame()->openEditField(params, this)) {
        editing = false;  // no field: stays closed, value unchanged
        return;
    }
    frame->setFocusView(this);
    invalid();
}

void CTextEdit::looseFocus() {
    if (editing && frame && frame->getPlatformFrame()) frame->getPlatformFrame()->closeEditField();
}

bool CTextEdit::takeEndedText(const std::string& edited, bool byReturn) {
    if (!editing) return false;
    editing = false;
    enteredByReturn = byReturn;
    setText(edited.c_str());
    return true;
}

void CTextEdit::editFieldEnded(const std::string& edited, bool byReturn) {
    if (!takeEndedText(edited, byReturn)) return;
    float next = value;
    if (stringToValue) {
        if (!stringToValue(text.c_str(), next, stringToValueUserData)) next = value;
    } else {
        char* end = nullptr;
        const float parsed = std::strtof(text.c_str(), &end);
        if (end != text.c_str()) next = parsed;
    }
    if (frame && frame->getFocusView() == this) frame->setFocusView(nullptr);
    beginEdit();
    applyUserValue(next);
    invalid();
    endEdit();
}

}  // namespace VSTGUI
