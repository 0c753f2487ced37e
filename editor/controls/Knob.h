// Mox_Knob: a knob drawn from a vertical strip of frames. Its picture eases toward
// the value on the frame timer; the mouse drags it linearly (up and right raise
// it, 60 pixels for the whole range, shift x 2, control x 3) or, for proportional
// knobs (ratios, times), by 5 % of the value per pixel moved; a spring knob returns
// to the middle on release; a double click sets the factory default and holds
// until release; a value the host sets during a press is shown once the press
// ends; a right click asks for MIDI learn. It keeps links to display
// windows and to its number entry. Mox_Rotate_Knob, Mox_HV_Slider and
// Mox_AnimButton derive from it.
#pragma once

#include "editor/EditorRecords.h"
#include "editor/controls/LinkTable.h"
#include "toolkit/CAnimKnob.h"

class Mox_DSP_VST;
class Mox_GUI_Editor;

class Mox_Knob : public VSTGUI::CAnimKnob, public EditorElement {
public:
    enum Mode { kLinear = 0, kSpring = 1, kProportional = 2 };
    Mox_Knob(const VSTGUI::CRect& size, Mox_GUI_Editor* editor, int32_t tag, int32_t frames, int32_t frameHeight,
             VSTGUI::CBitmap* bitmap, int32_t mode);

    // The editor's path for every change (host, program, link, the knob's own).
    void setValue(float x) override;
    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override;
    void refresh() override;
    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const int32_t& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const int32_t& buttons) override;
    bool onWheel(const VSTGUI::CPoint& where, const float& distance, const int32_t& buttons) override;
    bool hitTest(const VSTGUI::CPoint& where, const int32_t& buttons = -1) override;
    void setNumberEntryTag(int32_t tag) override { numberEntry = tag; }

    float shownValue() const { return shown; }
    bool pressed() const { return isPressed; }
    // The factory program's value of a parameter, the double click's target.
    static float FactoryDefault(int32_t tag);

protected:
    // Easing factor per tick (0.2 for knobs, 0.1 for sliders).
    virtual float easing() const { return 0.2f; }
    // Sub-picture index for a drawn value.
    int32_t frameFor(float v) const;
    void askForMidiLearn(const VSTGUI::CPoint& where);
    // After the user changed the value by a gesture: report it when it differs from
    // what the knob last had, and redraw.
    void reportIfChanged(float before);
    void linearDrag(const VSTGUI::CPoint& where, int32_t buttons, float range, bool useX, bool useY);
    // After a press: the value the effect holds now, when the host changed it
    // while the knob ignored it.
    void catchUpAfterPress();

    Mox_GUI_Editor* editor;
    Mox_DSP_VST* effect;
    float shown = 0.0f;
    float lastSet = 1.0e24f;
    int32_t numberEntry = 0;
    bool setValueGuard = false;
    float dragRange = 60.0f;
    bool pressLock = false;
    bool isPressed = false;
    bool heldBack = false;       // a value from the effect was ignored during the press
    float heldBackValue = 0.0f;  // the last such value
    VSTGUI::CPoint anchor;
    float anchorValue = 0.0f;
    int32_t anchorButtons = 0;
    LinkTable links;
    bool spring = false;
    bool proportional = false;
    int32_t redrawCounter = 0;
};
