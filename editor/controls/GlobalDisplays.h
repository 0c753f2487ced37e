// The read-out and the label that follow whichever control was pressed last:
// Mox_GlobalNumberDisplay shows that parameter's display value with four
// decimals and can be typed into; Mox_GlobalNameDisplay shows its label. The
// effect keeps the tags of both displays; controls find them through it.
#pragma once

#include "editor/EditorRecords.h"
#include "toolkit/CTextEdit.h"

#include <string>

class Mox_GUI_Editor;

class Mox_GlobalNumberDisplay : public VSTGUI::CTextEdit, public EditorElement {
public:
    // Style bit: the field opens only on a double click.
    static constexpr int32_t kOpenOnDoubleClick = 0x2000;

    Mox_GlobalNumberDisplay(const VSTGUI::CRect& size, Mox_GUI_Editor* editor, int32_t tag);
    // The display the editor built in this open, or null.
    static Mox_GlobalNumberDisplay* Of(const Mox_GUI_Editor& editor);

    void setShownTag(int32_t tag) override;
    int32_t getShownTag() const { return shownTag; }
    void setValue(float v) override;
    void refresh() override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;
    void editFieldEnded(const std::string& edited, bool byReturn) override;

private:
    Mox_GUI_Editor* editor;
    int32_t shownTag = 0;
    bool reentry = false;
    int32_t redrawCounter = 0;
    std::string textBeforeEdit;
};

class Mox_GlobalNameDisplay : public VSTGUI::CParamDisplay, public EditorElement {
public:
    Mox_GlobalNameDisplay(const VSTGUI::CRect& size, Mox_GUI_Editor* editor, int32_t tag);
    static Mox_GlobalNameDisplay* Of(const Mox_GUI_Editor& editor);

    void setShownTag(int32_t tag) override;
    int32_t getShownTag() const { return shownTag; }
    void setValue(float v) override;
    void refresh() override;
    void draw(VSTGUI::CDrawContext* context) override;

private:
    Mox_GUI_Editor* editor;
    int32_t shownTag = 0;
    int32_t redrawCounter = 0;
};
