#include "toolkit/CAnimKnob.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

#include <cstring>

namespace VSTGUI {

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t count,
                     int32_t height, CBitmap* bitmap, const CPoint& o)
    : CKnob(size, listener, tag, bitmap, nullptr, o) {
    subPixmaps = count;
    heightOfOneImage = height;
}

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* bitmap,
                     const CPoint& o)
    : CKnob(size, listener, tag, bitmap, nullptr, o) {
    heightOfOneImage = size.height();
    subPixmaps = (bitmap && heightOfOneImage > 0) ? bitmap->getHeight() / heightOfOneImage : 0;
}

bool CAnimKnob::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "CAnimKnob") == 0) || CKnob::isTypeOf(type);
}

int32_t CAnimKnob::frameIndex() const {
    if (value < 0.0f || subPixmaps <= 0) return -1;
    const float v = inverseBitmap ? 1.0f - value : value;
    int32_t index = int32_t(float(subPixmaps - 1) * v);
    if (index > subPixmaps - 1) index = subPixmaps - 1;
    if (index < 0) index = 0;
    return index;
}

void CAnimKnob::draw(CDrawContext* context) {
    const int32_t index = frameIndex();
    if (background && index >= 0) {
        const CPoint where(0, index * heightOfOneImage);
        if (transparent) background->drawAlphaBlend(context, size, where, 255);
        else background->draw(context, size, where);
    }
    setDirty(false);
}

}  // namespace VSTGUI
