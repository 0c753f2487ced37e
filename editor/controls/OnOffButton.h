// Mox_COnOffButton: a two-state button, off above on in its skin. Mode (type code
// - 13): 0 toggles, 1 is on only while held, 2 only switches on. Linked views hear
// its value; a link may set it or toggle it (kind kToggle).
#pragma once

#include "editor/EditorRecords.h"
#include "editor/controls/LinkTable.h"
#include "toolkit/COnOffButton.h"

class Mox_GUI_Editor;

class Mox_COnOffButton : public VSTGUI::COnOffButton, public EditorElement {
public:
    static constexpr int32_t kToggle = -65536;  // link kind that flips the value
    enum Mode { kToggleMode = 0, kMomentary = 1, kSetOnly = 2 };
    Mox_COnOffButton(const VSTGUI::CRect& size, Mox_GUI_Editor* editor, int32_t tag, VSTGUI::CBitmap* bitmap,
                     int32_t mode);

    void setValue(float x) override;
    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override;
    void refresh() override;
    bool hitTest(const VSTGUI::CPoint& where, const int32_t& buttons = -1) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const int32_t& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint&, const int32_t&) override {
        return VSTGUI::kMouseEventHandled;
    }

protected:
    // On whenever the value is not 0, as the hit test and the toggle take it.
    bool showsOn() const override { return value != 0.0f; }
    void report();
    LinkTable links;
    int32_t mode;
    int32_t redrawCounter = 0;
    bool held = false;
};

// Shared by the two-state buttons: the pixel under where (parent coordinates) in
// the half of the skin the value shows must be opaque enough (alpha above 199).
bool TwoStateHit(const VSTGUI::CView& view, float value, const VSTGUI::CPoint& where);
// A right press on a host parameter's control asks the editor for MIDI learn.
bool AskForMidiLearn(VSTGUI::CControl& control, const VSTGUI::CPoint& where, int32_t buttons);
