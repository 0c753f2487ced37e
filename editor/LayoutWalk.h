// The walk of the control table that builds the editor's window: every control
// descriptor becomes a control or display window in its container, every layout
// directive sets a register, opens or closes a panel or links two elements. A row
// whose skin is missing or whose size rule cannot divide its skin is left out;
// the rest builds.
#pragma once

#include "editor/ColourTable.h"
#include "host/ControlTable.h"
#include "platform/GuiTypes.h"

#include <cstdint>
#include <map>
#include <string>

class Mox_GUI_Editor;

namespace VSTGUI {
class CBitmap;
class CFontDesc;
class CParamDisplay;
class CView;
class CViewContainer;
}

// The layout registers: each keeps its last value for the rest of the walk.
struct LayoutRegisters {
    int32_t knobFrames = 0;       // 111: frames of later knobs, 0 = square frames
    int32_t animFrames = 0;       // 112 aux: frames of buttons, selectors, images
    int32_t rotaryLayers = 0;     // 112 aux
    int32_t styleTag = 0;         // 112 tag
    float style1 = 0, style2 = 0; // 112 x, y (needle angles, option-image angles)
    float animSpeed = 1.0f;       // 112 low
    int32_t sliderWidth = 0, sliderHeight = 0, sliderOrientation = 0;  // 113
    int32_t panelAltX = 0, panelAltY = 0, panelStartsHidden = 0;       // 114
    float panelSlide = 0, panelFade = 0;                               // 114 low, high
    TextColours text = TextColoursFrom(0);                             // 110 aux
    int32_t fontRows = 0;         // 115 rows met so far
};

// What a row builds into: its size, sub-picture count and bitmap.
struct RowGeometry {
    VSTGUI::CRect rect;
    int32_t frames = 1;
    int32_t frameHeight = 0;
};

class LayoutWalk {
public:
    // table: the control table (rows 0 .. rows - 1, row 0 the header).
    LayoutWalk(Mox_GUI_Editor& editor, const ControlDescriptor* table, int rows)
        : editor(editor), table(table), rows(rows) {}
    ~LayoutWalk();
    // Builds rows 1 .. the end row into the frame.
    void run(VSTGUI::CViewContainer* frame);

    const LayoutRegisters& registers() const { return regs; }

    // The size rule of a row's type code for a skin of that size (0 x 0 when the
    // row names none); false when the rule cannot be applied (no skin where one is
    // needed, or a division that would not give whole, non-empty frames).
    static bool SizeRule(const ControlDescriptor& row, const LayoutRegisters& regs, int32_t textBoxWidth,
                         int32_t textBoxHeight, int32_t bitmapWidth, int32_t bitmapHeight, RowGeometry& out);

private:
    // Walks one container from row; answers the row that ended it (its 118 or 119).
    int walk(VSTGUI::CViewContainer* container, int row);
    void buildRow(VSTGUI::CViewContainer* container, int row, int32_t textBoxWidth, int32_t textBoxHeight);
    int openPanel(VSTGUI::CViewContainer* container, int row);
    void directive(const ControlDescriptor& row);
    VSTGUI::CView* build(const ControlDescriptor& row, VSTGUI::CBitmap* bitmap, const RowGeometry& g);
    VSTGUI::CView* buildTextual(const ControlDescriptor& row, VSTGUI::CBitmap* bitmap, const RowGeometry& g);
    VSTGUI::CFontDesc* textFont() const;
    void applyTextStyle(VSTGUI::CParamDisplay* display) const;

    // The skin of that name, decoded once per walk; null when the resources lack it.
    // The caller gets its own reference.
    VSTGUI::CBitmap* loadSkin(const char* name);
    // The element row of tag (the header row when none).
    const ControlDescriptor& rowOfTag(int32_t tag) const;

    Mox_GUI_Editor& editor;
    const ControlDescriptor* table;
    int rows;
    LayoutRegisters regs;
    std::map<std::string, VSTGUI::CBitmap*> skins;
};
