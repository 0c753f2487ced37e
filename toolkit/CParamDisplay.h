// Shows a control's value as text over a background, with a frame, in its font,
// colours and alignment.
#pragma once

#include "toolkit/CControl.h"

namespace VSTGUI {

class CFontDesc;

// Style bits of a parameter display.
enum : int32_t {
    kNoTextStyle = 1 << 1,   // draws no text
    kNoDrawStyle = 1 << 2,   // draws nothing
    kNoFrame = 1 << 3,       // draws no frame
    kShadowText = 1 << 4,
    kCheckStyle = 1 << 5,    // option menus: checked items show a check mark
    kMarkCurrentStyle = 1 << 6,  // option menus: the current checked item shows one
};

using CParamDisplayValueToString = void (*)(float value, char* string);
using CParamDisplayValueToStringUserData = void (*)(float value, char* string, void* userData);

class CParamDisplay : public CControl {
public:
    CParamDisplay(const CRect& size, CBitmap* background = nullptr, int32_t style = 0);
    CParamDisplay(const CParamDisplay& other);
    ~CParamDisplay() override;

    void draw(CDrawContext* context) override;
    bool isTypeOf(const char* type) const override;
    CView* newCopy() const override { return new CParamDisplay(*this); }

    void setFont(CFontDesc* font);
    CFontDesc* getFont() const { return font; }
    void setFontColor(CColor c) { fontColor = c; setDirty(); }
    CColor getFontColor() const { return fontColor; }
    void setBackColor(CColor c) { backColor = c; setDirty(); }
    CColor getBackColor() const { return backColor; }
    void setFrameColor(CColor c) { frameColor = c; setDirty(); }
    CColor getFrameColor() const { return frameColor; }
    void setHoriAlign(CHoriTxtAlign a) { horiAlign = a; setDirty(); }
    CHoriTxtAlign getHoriAlign() const { return horiAlign; }
    void setStyle(int32_t s) { style = s; setDirty(); }
    int32_t getStyle() const { return style; }
    void setStringConvert(CParamDisplayValueToString convert) { stringConvert = convert; }
    void setStringConvert(CParamDisplayValueToStringUserData convert, void* userData) {
        stringConvertUserData = convert;
        this->userData = userData;
    }
    // The text the current value shows (256 characters at most).
    void valueToString(char out[256]) const;

protected:
    // Draws background, frame and text in rect.
    void drawText(CDrawContext* context, const char* text);

    CFontDesc* font = nullptr;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    CHoriTxtAlign horiAlign = kCenterText;
    int32_t style = 0;
    CParamDisplayValueToString stringConvert = nullptr;
    CParamDisplayValueToStringUserData stringConvertUserData = nullptr;
    void* userData = nullptr;
};

}  // namespace VSTGUI
