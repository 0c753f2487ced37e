#include "toolkit/CControl.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CControlListener.h"
#include "toolkit/CFrame.h"
#include "toolkit/VSTGUIEditorInterface.h"
#include "platform/DoubleClick.h"

#include <algorithm>
#include <cstring>

namespace VSTGUI {

CControl::CControl(const CRect& size, CControlListener* l, int32_t t, CBitmap* bitmap)
    : CView(size), tag(t), listener(l) {
    if (bitmap) {
        bitmap->remember();
        background = bitmap;
    }
    doubleClickTime = std::max<int32_t>(250, orva::platform::doubleClickTimeMs());
}

bool CControl::isDirty() const { return value != oldValue || CView::isDirty(); }

void CControl::setDirty(bool v) {
    CView::setDirty(v);
    if (v) oldValue = value != -1.0f ? -1.0f : 0.0f;
    else oldValue = value;
}

bool CControl::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "CControl") == 0) || CView::isTypeOf(type);
}

void CControl::draw(CDrawContext* context) {
    if (background) background->draw(context, size, backOffset);
    setDirty(false);
}

void CControl::bounceValue() {
    if (value > vmax) value = vmax;
    else if (value < vmin) value = vmin;
}

void CControl::beginEdit() {
    if (listener) listener->controlBeginEdit(this);
    if (frame && frame->getEditor()) frame->getEditor()->beginEdit(tag);
}

void CControl::endEdit() {
    if (frame && frame->getEditor()) frame->getEditor()->endEdit(tag);
    if (listener) listener->controlEndEdit(this);
}

void CControl::applyUserValue(float newValue) {
    setValue(newValue);
    bounceValue();
    if (isDirty()) {
        if (listener) listener->valueChanged(this);
        invalid();
    }
}

void CControl::userChangeValue(float newValue) {
    beginEdit();
    applyUserValue(newValue);
    endEdit();
}

bool CControl::checkDefaultValue(int32_t buttons) {
    if (buttons != (kLButton | kControl)) return false;
    beginEdit();
    setValue(defaultValue);
    if (isDirty()) {
        if (listener) listener->valueChanged(this);
        invalid();
    }
    endEdit();
    return true;
}

}  // namespace VSTGUI
