// Mox_ExclusiveButton: a two-state button that switches the other members of its
// group off when it goes on, and slides the panels it drives in (on) or out (off).
// A type-17 button may be switched off by the user, leaving the group all off; a
// type-18 group always keeps one member on. While the editor is being built or the
// effect switches programs, members do not switch one another.
#pragma once

#include "editor/EditorRecords.h"
#include "toolkit/COnOffButton.h"

#include <vector>

class Mox_GUI_Editor;

class Mox_ExclusiveButton : public VSTGUI::COnOffButton, public EditorElement {
public:
    static constexpr size_t kMaxMembers = 32, kMaxPanels = 8;
    Mox_ExclusiveButton(const VSTGUI::CRect& size, Mox_GUI_Editor* editor, int32_t tag, VSTGUI::CBitmap* bitmap,
                        bool maySwitchOff);

    void setValue(float x) override;
    void refresh() override;
    bool hitTest(const VSTGUI::CPoint& where, const int32_t& buttons = -1) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;
    void addGroupMember(VSTGUI::CControl* member) override;
    void addDrivenPanel(VSTGUI::CView* panel) override;

protected:
    // On whenever the value is not 0, as the hit test and the toggle take it.
    bool showsOn() const override { return value != 0.0f; }

private:
    Mox_GUI_Editor* editor;
    bool maySwitchOff;
    std::vector<VSTGUI::CControl*> members;
    std::vector<VSTGUI::CView*> panels;
    int32_t redrawCounter = 0;
};
