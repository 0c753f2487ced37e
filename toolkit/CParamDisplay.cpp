#include "toolkit/CParamDisplay.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFontDesc.h"

#include <cstdio>
#include <cstring>

namespace VSTGUI {

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* bitmap, int32_t s)
    : CControl(size, nullptr, 0, bitmap), style(s) {
    font = new CFontDesc("Arial", 12);
}

CParamDisplay::CParamDisplay(const CParamDisplay& other) : CControl(other) {
    font = other.font;
    if (font) font->remember();
    fontColor = other.fontColor;
    backColor = other.backColor;
    frameColor = other.frameColor;
    horiAlign = other.horiAlign;
    style = other.style;
    stringConvert = other.stringConvert;
    stringConvertUserData = other.stringConvertUserData;
    userData = other.userData;
}

CParamDisplay::~CParamDisplay() {
    if (font) font->forget();
}

bool CParamDisplay::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "CParamDisplay") == 0) || CControl::isTypeOf(type);
}

void CParamDisplay::setFont(CFontDesc* newFont) {
    if (newFont) newFont->remember();
    if (font) font->forget();
    font = newFont;
    setDirty();
}

void CParamDisplay::valueToString(char out[256]) const {
    out[0] = 0;
    if (stringConvertUserData) stringConvertUserData(value, out, userData);
    else if (stringConvert) stringConvert(value, out);
    else std::snprintf(out, 256, "%2.2f", double(value));
    out[255] = 0;
}

void CParamDisplay::draw(CDrawContext* context) {
    char text[256];
    valueToString(text);
    drawText(context, text);
    setDirty(false);
}

void CParamDisplay::drawText(CDrawContext* context, const char* text) {
    if (style & kNoDrawStyle) return;
    if (background) {
        background->draw(context, size, backOffset);
    } else if (!transparent) {
        context->setFillColor(backColor);
        context->drawRect(size, kDrawFilled);
    }
    if (!(style & kNoFrame) && !transparent) {
        context->setFrameColor(frameColor);
        context->drawRect(size, kDrawStroked);
    }
    if (style & kNoTextStyle) return;
    if (font) context->setFont(font);
    CRect textRect = size;
    textRect.left += 2;
    textRect.right -= 2;
    if (style & kShadowText) {
        CRect shadow = textRect;
        shadow.offset(1, 1);
        context->setFontColor(CColor{0, 0, 0, fontColor.alpha});
        context->drawString(text, shadow, horiAlign);
    }
    context->setFontColor(fontColor);
    context->drawString(text, textRect, horiAlign);
}

}  // namespace VSTGUI
