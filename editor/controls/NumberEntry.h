// Mox_CNumberEntry: the numeric read-out under a knob or slider. It shows the
// display value (low + (high - low) x value, with the range of the control it
// shows) with 0 to 4 decimals and, unless built in its no-edit form, opens the
// edit field on a click: a typed number inside the range becomes that
// parameter's value through the effect; anything else brings the old text back.
#pragma once

#include "editor/EditorRecords.h"
#include "editor/controls/LinkTable.h"
#include "toolkit/CTextEdit.h"

#include "host/ControlTable.h"

#include <string>

class Mox_GUI_Editor;
class Mox_DSP_VST;

// A typed number: an optional "-", then an optional "+", digits, and at most one
// "." followed by fraction digits; an empty text is 0. False for anything else.
bool ParseTypedNumber(const char* text, double& out);
// A typed display value of row's parameter as its normalised value: false when
// the text is not a number or lies outside the row's range.
bool TypedFraction(const char* text, const ControlDescriptor& row, float& fraction);
// The end of an edit: the typed text, when it is whole (no zero byte from a paste),
// differs from the text before and reads as a value of row's range.
bool AcceptedEdit(const std::string& edited, const std::string& before, const ControlDescriptor& row,
                  float& fraction);

// value with 0 to 4 decimals ("%1.<d>f"; other counts are held to that range).
std::string FormatDecimals(double value, int32_t decimals);

class Mox_CNumberEntry : public VSTGUI::CTextEdit, public EditorElement {
public:
    // editor: the listener and where the entry finds the table rows, the effect
    // and the global displays.
    Mox_CNumberEntry(const VSTGUI::CRect& size, Mox_GUI_Editor* editor, int32_t tag, int32_t decimals,
                     bool noEdit);

    void setShownTag(int32_t tag) override;
    int32_t getShownTag() const { return shownTag; }
    // The parameter whose value this entry shows and sets.
    int32_t valueTag() const { return shownTag ? shownTag : tag; }
    bool isNoEdit() const { return noEdit; }

    void setValue(float v) override;
    void draw(VSTGUI::CDrawContext* context) override;
    void refresh() override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;
    void editFieldEnded(const std::string& edited, bool byReturn) override;
    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override;

    // The text the current value shows.
    std::string valueText() const;

private:
    // Sends v to the effect for index, with the entry's own echo kept out.
    void sendToEffect(int32_t index, float v);

    Mox_GUI_Editor* editor;
    int32_t decimals;
    int32_t shownTag = 0;
    bool noEdit;
    bool setValueGuard = false;
    float lastDrawnValue;
    int32_t redrawCounter = 0;
    std::string textBeforeEdit;
    LinkTable links;
};
