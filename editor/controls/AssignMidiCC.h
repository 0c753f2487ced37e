// Mox_AssignMidiCC: the MIDI-learn control, covering the whole MIDI-learn panel.
// The editor arms it for a parameter (a right press on that parameter's
// control): the panel opens at the mouse, shows the parameter's name and the
// controller bound to it, and follows the controller number arriving on the MIDI
// input (read from the effect at every tick, never from the MIDI thread). A
// press on the number opens the list of controllers; a press on OK binds the
// shown controller ("None" unbinds) and closes the panel.
#pragma once

#include "editor/EditorRecords.h"
#include "toolkit/CView.h"

class Mox_GUI_Editor;

namespace VSTGUI {
class CFontDesc;
}

class Mox_AssignMidiCC : public VSTGUI::CView, public MidiLearnElement {
public:
    // Areas relative to the control's own left-top corner.
    static inline const VSTGUI::CRect kControllerBox{99, 57, 138, 71};
    static inline const VSTGUI::CRect kNameBox{6, 28, 154, 52};
    static inline const VSTGUI::CRect kOkArea{42, 80, 116, 101};
    // The controller list: "None", then "CC 0" .. "CC 127", 26 to a column.
    static constexpr int32_t kListItems = 129;
    static constexpr int32_t kListColumn = 26;

    Mox_AssignMidiCC(const VSTGUI::CRect& size, Mox_GUI_Editor* editor);
    ~Mox_AssignMidiCC() override;

    void arm(int32_t tag, int32_t controller, const VSTGUI::CPoint& where) override;
    void refresh() override;
    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;

    int32_t armedTag() const { return tag; }
    int32_t selectedController() const { return selected; }
    // The text the controller box shows.
    const char* controllerText() const { return text; }

private:
    void select(int32_t controller);
    void chooseFromList(const VSTGUI::CPoint& framePoint);
    void bindAndClose();

    Mox_GUI_Editor* editor;
    VSTGUI::CFontDesc* font;
    int32_t tag = -1;
    int32_t selected = -1;
    char text[16] = "None";
};
