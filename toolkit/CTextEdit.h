// A one-line text the user can edit: a click opens the platform's edit field
// over the control; Return or losing the focus ends the edit, and the text is
// converted to the value.
#pragma once

#include "platform/PlatformFrame.h"
#include "toolkit/CParamDisplay.h"

#include <string>

namespace VSTGUI {

// Converts an edited text to a value; false leaves the value as it was.
using CTextEditStringToValue = bool (*)(const char* text, float& value, void* userData);

class CTextEdit : public CParamDisplay, public orva::platform::EditFieldClient {
public:
    static constexpr size_t kMaxChars = 255;

    CTextEdit(const CRect& size, CControlListener* listener, int32_t tag, const char* text = nullptr,
              CBitmap* background = nullptr, int32_t style = 0);
    ~CTextEdit() override;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override;
    void takeFocus() override;
    void looseFocus() override;
    bool isTypeOf(const char* type) const override;
    CView* newCopy() const override;

    void setText(const char* text);
    const char* getText() const { return text.c_str(); }
    void setStringToValue(CTextEditStringToValue convert, void* userData = nullptr) {
        stringToValue = convert;
        stringToValueUserData = userData;
    }
    bool isEditing() const { return editing; }
    bool wasEnteredByReturn() const { return enteredByReturn; }

    void editFieldEnded(const std::string& text, bool byReturn) override;

protected:
    // The first step of ending an edit, for this class and the subclasses that end
    // it their own way: false when no edit is open; otherwise the edit is closed
    // and the field's text taken as the text.
    bool takeEndedText(const std::string& edited, bool byReturn);

    std::string text;
    bool editing = false;
    bool enteredByReturn = false;

private:
    CTextEditStringToValue stringToValue = nullptr;
    void* stringToValueUserData = nullptr;
};

}  // namespace VSTGUI
