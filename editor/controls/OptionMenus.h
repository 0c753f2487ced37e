// The list controls. Mox_COptionsText shows the current item as text and pops
// up the whole list on a click (the contour selectors); Mox_COptionsImage shows
// it as one picture of a stack that a click or a 9-pixel vertical drag steps
// through (stereo mode, level detection, meter type, peak display, scope inputs).
// Both take their items from the row's option list, keep the value as
// index / (items - 1), tell their links, and may show one panel per item.
#pragma once

#include "editor/EditorRecords.h"
#include "editor/controls/LinkTable.h"
#include "toolkit/COptionMenu.h"

#include <string>
#include <vector>

class Mox_GUI_Editor;

// The items of an option list: every item ends with a comma ("Peak,RMS," gives
// two); text after the last comma is not an item.
std::vector<std::string> SplitOptionItems(const char* options);

class Mox_COptionsText : public VSTGUI::COptionMenu, public EditorElement {
public:
    static constexpr int32_t kMaxPanels = 41;
    // Style bit: the list opens with its top at the control's top.
    static constexpr int32_t kPopupAtTop = 0x200;
    // Slot numbers of link messages that step to the next and the previous item.
    static constexpr int32_t kStepNext = 100, kStepPrevious = 101;

    Mox_COptionsText(const VSTGUI::CRect& size, Mox_GUI_Editor* editor, int32_t tag, const char* options,
                     VSTGUI::CBitmap* background = nullptr);

    // Build time.
    void setGeometry(int32_t itemCount, int32_t bitmapHeight, int32_t frameCount, int32_t style1, int32_t style2);
    void setAnimation(float speed, int32_t mode, int32_t styleTag);
    void setItemPanel(int32_t item, VSTGUI::CView* panel) override;

    int32_t itemCount() const { return getNbEntries(); }
    int32_t index() const { return getCurrentIndex(); }
    // Value of item i: i / (items - 1).
    float valueOfIndex(int32_t i) const;

    void setValue(float v) override;
    void refresh() override;
    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;
    void takeFocus() override;
    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override;

protected:
    // Makes item i current with its value and sends that value to the effect.
    void selectAndSend(int32_t i);
    void sendToEffect(float v);
    // Picture state that follows a new index (the image menu's animation).
    virtual void startAnimation() {}

    Mox_GUI_Editor* editor;
    LinkTable links;
    VSTGUI::CView* panels[kMaxPanels] = {};
    bool hasPanels = false;
    int32_t redrawCounter = 0;
    // Geometry and animation set at build.
    int32_t frameCount = 1, bitmapHeight = 0, frameHeight = 0, scrollRange = 0;
    int32_t style1 = 0, style2 = 0;
    float animSpeed = 1.0f;
    int32_t animMode = 1, animStyleTag = 0;
};

class Mox_COptionsImage : public Mox_COptionsText {
public:
    // Vertical pixels of drag that step one item.
    static constexpr int32_t kDragStep = 9;

    Mox_COptionsImage(const VSTGUI::CRect& size, Mox_GUI_Editor* editor, int32_t tag, const char* options,
                      VSTGUI::CBitmap* bitmap, bool clickAdvances);

    void refresh() override;
    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const int32_t& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const int32_t& buttons) override;

    float shownPosition() const { return position; }

protected:
    void startAnimation() override;

private:
    // The offset of the sub-picture for a position 0..1.
    int32_t offsetOf(float pos) const;

    bool clickAdvances;
    bool dragging = false;
    VSTGUI::CPoint lastPoint;
    float step = 0.0f;
    float position = 0.0f;       // shown position 0..1
    float phase = 1.0f;          // cross-fade phase 0..1 (modes 4 and 5)
    float previousPosition = 0.0f;
};
