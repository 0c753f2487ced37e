// The static text views: Mox_GUI_TextOnly (one line) and Mox_GUI_MultiText (a
// log of the 32 newest lines, newest at the bottom). Both fade with the panel
// that holds them, more steeply than the panel itself, and take new text only as
// a typed TextMessage record, so no other notification can be shown as text.
#pragma once

#include "toolkit/CNotifyRecord.h"
#include "toolkit/CView.h"

#include <cstdint>

namespace VSTGUI {
class CFontDesc;
}

// A text for a text view. kTimed prefixes it with seconds as "hh:mm:ss ".
struct TextMessage : VSTGUI::CNotifyRecord {
    static constexpr int32_t kPlain = 0, kTimed = 1;
    explicit TextMessage(const char* text, int32_t seconds = 0, int32_t form = kPlain)
        : CNotifyRecord(kText), text(text), seconds(seconds), form(form) {}
    const char* text;
    int32_t seconds;
    int32_t form;
};

// Copies at most size - 1 bytes of text into out, never splitting a UTF-8
// character, and terminates it.
void CopyTextCut(char* out, size_t size, const char* text);

class Mox_TextViewBase : public VSTGUI::CView {
public:
    Mox_TextViewBase(const VSTGUI::CRect& size, int32_t align);
    ~Mox_TextViewBase() override;
    void setStyle(VSTGUI::CFontDesc* font, VSTGUI::CColor text, VSTGUI::CColor frame, VSTGUI::CColor fill);
    // Each colour's alpha scaled by m / 255, m = p * p / 255 of the holding panel's alpha p.
    VSTGUI::CColor faded(VSTGUI::CColor c) const;

protected:
    // Fill and frame (when their alpha is not 0), with the colours faded.
    void drawBox(VSTGUI::CDrawContext* context);

    VSTGUI::CHoriTxtAlign align;
    VSTGUI::CFontDesc* font = nullptr;
    VSTGUI::CColor textColour = VSTGUI::kWhiteCColor;
    VSTGUI::CColor frameColour = VSTGUI::kTransparentCColor;
    VSTGUI::CColor fillColour = VSTGUI::kTransparentCColor;
};

class Mox_GUI_TextOnly : public Mox_TextViewBase {
public:
    static constexpr size_t kTextSize = 132;  // with the terminating zero

    Mox_GUI_TextOnly(const VSTGUI::CRect& size, const char* text, int32_t align);
    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override;
    void draw(VSTGUI::CDrawContext* context) override;
    const char* getText() const { return text; }

private:
    char text[kTextSize] = {};
};

class Mox_GUI_MultiText : public Mox_TextViewBase {
public:
    static constexpr int32_t kLines = 32;
    static constexpr size_t kLineSize = 64;  // with the terminating zero

    Mox_GUI_MultiText(const VSTGUI::CRect& size, const char* firstLine, int32_t align);
    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override;
    void draw(VSTGUI::CDrawContext* context) override;
    // Line k back from the newest (0 = newest).
    const char* line(int32_t back) const { return lines[((newest - back) % kLines + kLines) % kLines]; }

private:
    char lines[kLines][kLineSize] = {};
    int32_t newest = 0;
};
