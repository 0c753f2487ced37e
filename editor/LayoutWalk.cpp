#include "editor/LayoutWalk.h"

#include "editor/EditorRecords.h"
#include "editor/Mox_GUI_Editor.h"
#include "editor/controls/AnimButton.h"
#include "editor/controls/AssignMidiCC.h"
#include "editor/controls/ButtonHub.h"
#include "editor/controls/ExclusiveButton.h"
#include "editor/controls/GlobalDisplays.h"
#include "editor/controls/HVSlider.h"
#include "editor/controls/Knob.h"
#include "editor/controls/NumberEntry.h"
#include "editor/controls/OnOffButton.h"
#include "editor/controls/OptionMenus.h"
#include "editor/controls/RotateKnob.h"
#include "editor/controls/TextEntry.h"
#include "editor/controls/TextViews.h"
#include "editor/displays/CompExpWindow.h"
#include "editor/displays/EqWindow.h"
#include "editor/displays/Image.h"
#include "editor/displays/WaveFreqWindow.h"
#include "editor/displays/dBMeter.h"
#include "host/EntryTexts.h"
#include "host/Mox_DSP_VST.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CParamDisplay.h"
#include "toolkit/CViewContainer.h"

#include <cstring>

using namespace VSTGUI;

namespace {

bool IsPanel(int16_t type) { return type == kTypeBeginPanel || type == kTypeBeginPanelOwnRect; }

// Sub-pictures of height total / frames, when that gives whole non-empty frames.
bool Frames(int32_t total, int32_t frames, RowGeometry& g) {
    if (frames <= 0 || total / frames <= 0) return false;
    g.frames = frames;
    g.frameHeight = total / frames;
    return true;
}

}  // namespace

bool LayoutWalk::SizeRule(const ControlDescriptor& row, const LayoutRegisters& regs, int32_t boxW, int32_t boxH,
                          int32_t bw, int32_t bh, RowGeometry& g) {
    const int16_t type = row.type;
    const bool hasBitmap = bw > 0 && bh > 0;
    int32_t w = 0, h = 0;
    g.frames = 1;
    if (type >= 0 && type <= 2) {  // film-strip knobs
        if (!hasBitmap || !Frames(bh, regs.knobFrames ? regs.knobFrames : bh / bw, g)) return false;
        w = bw, h = g.frameHeight;
    } else if (type == 3 || type == 4) {  // rotary knobs: one layer high
        if (!hasBitmap || !Frames(bh, regs.rotaryLayers, g)) return false;
        w = bw, h = g.frameHeight;
        g.frames = 1;
    } else if (type == 5 || type == 6) {  // sliders: the slider geometry; the bitmap is the handle
        if (!hasBitmap || regs.sliderWidth <= 0 || regs.sliderHeight <= 0) return false;
        w = regs.sliderWidth, h = regs.sliderHeight;
        g.frameHeight = bh;
    } else if (type >= 7 && type <= 12) {  // animated buttons
        if (!hasBitmap || !Frames(bh, regs.animFrames ? regs.animFrames : bh / bw, g)) return false;
        w = bw, h = g.frameHeight;
    } else if ((type >= 13 && type <= 15) || type == 17 || type == 18) {  // two states, off above on
        if (!hasBitmap || !Frames(bh, 2, g)) return false;
        w = bw, h = g.frameHeight;
    } else if (type == 16 || type == 38) {  // invisible hubs and stores
    } else if (type >= 20 && type <= 27) {  // option pictures
        const int32_t items = CountOptionItems(row.options);
        if (!hasBitmap || !Frames(bh, regs.animFrames ? regs.animFrames : items, g)) return false;
        w = bw, h = g.frameHeight;
    } else if (type == 19 || (type >= 28 && type <= 37) || (type >= 41 && type <= 45)) {
        w = hasBitmap ? bw : boxW, h = hasBitmap ? bh : boxH;
    } else if (type == 39 || type == 40 || type == 60 || type == 61) {
        w = boxW, h = boxH;
    } else if (type == 54) {
        if (!hasBitmap) return false;
        w = bw, h = bh;
    } else if (type >= 55 && type <= 59) {  // images: aux frames
        if (!hasBitmap || !Frames(bh, row.aux, g)) return false;
        w = bw, h = g.frameHeight;
    } else if (type == 62) {  // scope
        w = hasBitmap ? bw : int32_t(row.low), h = hasBitmap ? bh : int32_t(row.high);
    } else if ((type >= 63 && type <= 66) || (type >= 83 && type <= 90)) {  // curve and EQ windows
        w = int32_t(row.x + row.low) - row.x, h = int32_t(row.y + row.high) - row.y;
    } else if (type >= 67 && type <= 73) {  // meters
        if (!hasBitmap) return false;
        w = bw, h = bh;
        if (type > 67) {
            const int32_t states = (row.aux & 0xFF00) ? 3 : 2;
            if (!Frames(bh, (type - 67) * states, g)) return false;
            h = g.frameHeight;
        }
    } else {
        return false;  // not an element type
    }
    g.rect = CRect(row.x, row.y, row.x + w, row.y + h);
    return true;
}

LayoutWalk::~LayoutWalk() {
    for (auto& [name, bitmap] : skins)
        if (bitmap) bitmap->forget();
}

CBitmap* LayoutWalk::loadSkin(const char* name) {
    auto it = skins.find(name);
    if (it == skins.end()) {
        auto* bitmap = new CBitmap(name, editor.scale());
        if (!bitmap->isLoaded()) {
            bitmap->forget();
            bitmap = nullptr;
        }
        it = skins.emplace(name, bitmap).first;
    }
    if (it->second) it->second->remember();
    return it->second;
}

void LayoutWalk::run(CViewContainer* frame) {
    if (table && rows > 1) walk(frame, 1);
}

const ControlDescriptor& LayoutWalk::rowOfTag(int32_t tag) const {
    for (int r = 1; r < rows && table[r].type != kTypeEndOfTable; ++r)
        if (table[r].type < 99 && table[r].tag == tag) return table[r];
    return table[0];
}

int LayoutWalk::walk(CViewContainer* container, int row) {
    int32_t boxW = 0, boxH = 0;  // the default text box of this level
    for (; row < rows; ++row) {
        const ControlDescriptor& d = table[row];
        if (d.type == kTypeEndOfTable || d.type == kTypeEndPanel) return row;
        if (d.type == kTypeTextStyle) {
            boxW = d.x, boxH = d.y;
            regs.text = TextColoursFrom(d.aux);
        } else if (IsPanel(d.type)) {
            row = openPanel(container, row);
            if (row >= rows || table[row].type == kTypeEndOfTable) return row;
        } else if (d.type >= 99) {
            directive(d);
        } else {
            buildRow(container, row, boxW, boxH);
        }
    }
    return row;
}

void LayoutWalk::buildRow(CViewContainer* container, int rowIndex, int32_t boxW, int32_t boxH) {
    const ControlDescriptor& row = table[rowIndex];
    const int32_t tag = row.tag;
    if (tag >= Mox_GUI_Editor::kSlots) return;
    if (row.type >= 41 && row.type <= 45 && editor.textEntriesBuilt() >= 2) return;
    CBitmap* bitmap = nullptr;
    if (row.bitmap && *row.bitmap) {
        bitmap = loadSkin(row.bitmap);
        if (!bitmap) return;  // a skin the resources do not hold: the row is left out
    }
    RowGeometry g;
    if (!SizeRule(row, regs, boxW, boxH, bitmap ? bitmap->getWidth() : 0, bitmap ? bitmap->getHeight() : 0, g)) {
        if (bitmap) bitmap->forget();
        return;
    }
    CView* view = build(row, bitmap, g);
    if (bitmap) bitmap->forget();  // the view keeps its own reference
    if (!view) return;
    if (row.tooltip && *row.tooltip)
        view->setAttribute(kCViewTooltipAttribute, std::strlen(row.tooltip) + 1, row.tooltip);
    if (row.flags & kDisplayOnly) view->setMouseEnabled(false);
    container->addView(view);
    editor.setSlot(tag, view);
    editor.countView();

    Mox_DSP_VST* dsp = editor.dspEffect();
    const int16_t type = row.type;
    if (type == 16 || type == 19 || (type >= 20 && type <= 27)) optionCountOfIndex[tag] = int16_t(CountOptionItems(row.options));
    if (type == 39 && dsp) dsp->globalDisplayTags[0] = tag;
    if (type == 40 && dsp) dsp->globalDisplayTags[1] = tag;
    if (type >= 41 && type <= 45) editor.countTextEntry();
    if (type == 54)
        if (auto* learn = dynamic_cast<MidiLearnElement*>(view)) editor.setMidiLearnControl(learn);
}

// The control class of each row (null for a type with no class: the row is left out).
CView* LayoutWalk::build(const ControlDescriptor& row, CBitmap* bitmap, const RowGeometry& g) {
    const int16_t type = row.type;
    const int32_t tag = row.tag;
    Mox_GUI_Editor* listener = &editor;
    if (CView* textual = buildTextual(row, bitmap, g)) return textual;
    if (type >= 0 && type <= 2) return new Mox_Knob(g.rect, listener, tag, g.frames, g.frameHeight, bitmap, type);
    if (type == 3 || type == 4)
        return new Mox_Rotate_Knob(g.rect, listener, tag, bitmap, type - 3, regs.style1, regs.style2, regs.animSpeed,
                                   regs.rotaryLayers);
    if (type == 5 || type == 6) return new Mox_HV_Slider(g.rect, listener, tag, bitmap, regs.sliderOrientation, type - 5);
    if (type >= 7 && type <= 12)
        return new Mox_AnimButton(g.rect, listener, tag, g.frames, g.frameHeight, bitmap, regs.animSpeed, type - 7,
                                  (row.flags & kDisplayOnly) != 0);
    if (type >= 13 && type <= 15) return new Mox_COnOffButton(g.rect, listener, tag, bitmap, type - 13);
    if (type == 16) return new Mox_GUI_Multi_Button_Hub(g.rect, listener, tag, editor.dspEffect());
    if (type == 17 || type == 18) return new Mox_ExclusiveButton(g.rect, listener, tag, bitmap, type == 17);
    if (type == 38) return new Mox_GUI_Float_Store(g.rect, listener, tag, editor.dspEffect());
    if (type >= 63 && type <= 66)
        return new Mox_GUI_Comp_Exp_Window(g.rect, bitmap, type - 63, listener, editor.dspEffect(), editor.font(1));
    if (type >= 83 && type <= 90)
        return new Mox_GUI_EQ_Window(g.rect, bitmap, row.aux, type - 83, listener, editor.font(1), editor.dspEffect());
    if (type >= 55 && type <= 59) {
        auto* image = new Mox_GUI_Image(g.rect, bitmap, int32_t(row.low) != 0, g.frames);
        // Animated images: kind, ticks a frame is held (the style tag), speed, easing (first style number).
        if (type > 55) image->setAnimation(type - 55, regs.styleTag, regs.animSpeed, regs.style1 != 0.0f);
        image->setMouseEnabled(false);
        return image;
    }
    if (type == 62) {
        auto* scope = new Mox_GUI_Wave_Freq_Display(g.rect, bitmap, editor.dspEffect());
        scope->setMouseEnabled(false);
        return scope;
    }
    if (type >= 67 && type <= 73) {
        auto* meter = new Mox_GUI_dBMeter(g.rect, bitmap, type + (row.aux & 0xFF00) - 67, int32_t(row.low), row.aux & 0xFF,
                                          regs.style1, regs.style2);
        meter->setMouseEnabled(false);
        return meter;
    }
    return nullptr;
}

int LayoutWalk::openPanel(CViewContainer* container, int rowIndex) {
    const ControlDescriptor& row = table[rowIndex];
    CBitmap* bitmap = nullptr;
    bool missing = false;
    if (row.bitmap && *row.bitmap) {
        bitmap = loadSkin(row.bitmap);
        missing = bitmap == nullptr;
    }
    const int32_t w = bitmap ? bitmap->getWidth() : int32_t(row.low);
    const int32_t h = bitmap ? bitmap->getHeight() : int32_t(row.high);
    const CRect home(row.x, row.y, row.x + w, row.y + h);
    auto* panel = new CViewContainer(home, nullptr, bitmap);
    if (bitmap) bitmap->forget();
    panel->setTransparency(true);
    container->addView(panel);
    editor.setPanel(row.tag, panel);
    editor.countView();

    const int end = walk(panel, rowIndex + 1);
    if (row.type == kTypeBeginPanel) {
        CRect alternate = home;
        alternate.moveTo(regs.panelAltX, regs.panelAltY);
        panel->setupSlidingPanel(alternate, regs.panelStartsHidden != 0, regs.panelSlide, regs.panelFade);
    } else {
        panel->setupSlidingPanel(home, true, 1.0f, 1.0f);
    }
    // A panel whose skin is missing keeps its rows but never shows them.
    if (missing) panel->setupSlidingPanel(home, true, 1.0f, 1.0f);
    return end;
}

void LayoutWalk::directive(const ControlDescriptor& d) {
    auto slotView = [&](int32_t tag) { return editor.slot(tag); };
    auto element = [&](int32_t tag) { return dynamic_cast<EditorElement*>(slotView(tag)); };
    switch (d.type) {
    case 102:
        if (EditorElement* menu = element(d.tag))
            if (CViewContainer* p = editor.panel(d.aux)) menu->setItemPanel(d.x, p);
        break;
    case 103:
        if (EditorElement* button = element(d.tag))
            for (int32_t member : {int32_t(d.aux), int32_t(d.x), int32_t(d.y)})
                if (member != -1)
                    if (auto* control = dynamic_cast<CControl*>(slotView(member))) button->addGroupMember(control);
        break;
    case kTypeLinkAttachPanel:
        if (EditorElement* button = element(d.tag))
            for (int32_t p : {int32_t(d.aux), int32_t(d.x), int32_t(d.y)})
                if (p != -1)
                    if (CViewContainer* panel = editor.panel(p)) button->addDrivenPanel(panel);
        break;
    case kTypeLinkIndicator:  // [tag] will notify [x] as its indicator aux
        if (CView* meter = slotView(d.tag))
            if (CView* indicator = slotView(d.x)) meter->notifyRecord(indicator, LinkMessage(LinkMessage::kRegister, d.aux));
        break;
    case kTypeLinkWindow:  // two-way, between a display window and a knob it edits
        if (CView* window = slotView(d.tag))
            if (CView* knob = slotView(d.x)) {
                window->notifyRecord(knob, LinkMessage(LinkMessage::kRegister, d.aux));
                knob->notifyRecord(window, LinkMessage(LinkMessage::kRegister, d.aux));
            }
        break;
    case kTypeLinkNumber:
        if (CView* number = slotView(d.tag)) {
            if (auto* e = dynamic_cast<EditorElement*>(number)) e->setShownTag(d.aux);
            const ControlDescriptor& shown = rowOfTag(d.aux);
            if (shown.type >= 0 && shown.type <= 6)
                if (EditorElement* knob = element(d.aux)) knob->setNumberEntryTag(d.tag);
            // A number field repeats the tooltip of the control it shows.
            size_t size = 0;
            if (!number->getAttributeSize(kCViewTooltipAttribute, size) && shown.tooltip && *shown.tooltip)
                number->setAttribute(kCViewTooltipAttribute, std::strlen(shown.tooltip) + 1, shown.tooltip);
        }
        break;
    case kTypeKnobFrames: regs.knobFrames = d.x; break;
    case kTypeControlStyle:
        regs.animFrames = regs.rotaryLayers = d.aux;
        regs.styleTag = d.tag;
        regs.style1 = float(d.x), regs.style2 = float(d.y);
        regs.animSpeed = d.low;
        break;
    case kTypeSliderGeometry:
        regs.sliderWidth = d.x, regs.sliderHeight = d.y, regs.sliderOrientation = d.aux;
        break;
    case kTypePanelGeometry:
        regs.panelAltX = d.x, regs.panelAltY = d.y, regs.panelStartsHidden = d.aux;
        regs.panelSlide = d.low, regs.panelFade = d.high;
        break;
    case kTypeFont: ++regs.fontRows; break;  // the first selects "Arial" 12, later ones 11
    default: break;  // 105, 106 and unknown codes build nothing
    }
}

// The text font of the walk so far: the first font row selects the larger one.
CFontDesc* LayoutWalk::textFont() const { return editor.font(regs.fontRows > 1 ? 1 : 0); }

void LayoutWalk::applyTextStyle(CParamDisplay* display) const {
    display->setFont(textFont());
    display->setFontColor(regs.text.font);
    display->setBackColor(regs.text.background);
    display->setFrameColor(regs.text.frame);
    // Transparent ground and frame colours draw nothing: the view lets its panel show.
    display->setTransparency(regs.text.background.alpha == 0);
    if (regs.text.frame.alpha == 0) display->setStyle(display->getStyle() | kNoFrame);
}

// The rows that show text or lists: menus, number entries, global displays,
// text entries, the MIDI-learn control and the text views.
CView* LayoutWalk::buildTextual(const ControlDescriptor& row, CBitmap* bitmap, const RowGeometry& g) {
    const int16_t type = row.type;
    const int32_t tag = row.tag;
    Mox_GUI_Editor* e = &editor;
    if (type == 19) {
        auto* menu = new Mox_COptionsText(g.rect, e, tag, row.options, bitmap);
        applyTextStyle(menu);
        menu->setGeometry(menu->itemCount(), g.rect.height(), 1, 1, 1);
        return menu;
    }
    if (type >= 20 && type <= 27) {
        auto* menu = new Mox_COptionsImage(g.rect, e, tag, row.options, bitmap, (type & 1) != 0);
        menu->setGeometry(menu->itemCount(), bitmap ? bitmap->getHeight() : 0, g.frames, int32_t(regs.style1),
                          int32_t(regs.style2));
        if (type >= 22) menu->setAnimation(regs.animSpeed, type - 22, regs.styleTag);
        return menu;
    }
    if (type >= 28 && type <= 37) {
        auto* entry = new Mox_CNumberEntry(g.rect, e, tag, type < 33 ? type - 28 : type - 33, type >= 33);
        if (bitmap) entry->setBackground(bitmap);
        applyTextStyle(entry);
        return entry;
    }
    if (type == 39) {
        auto* display = new Mox_GlobalNumberDisplay(g.rect, e, tag);
        applyTextStyle(display);
        return display;
    }
    if (type == 40) {
        auto* display = new Mox_GlobalNameDisplay(g.rect, e, tag);
        applyTextStyle(display);
        return display;
    }
    if (type >= 41 && type <= 45) {
        const int32_t key = EntryTextKey(type - 41, editor.textEntriesBuilt(), (row.flags & kGlobalValue) != 0);
        auto* entry = new Mox_CTextEntry(g.rect, e, tag, type - 41, key);
        if (bitmap) entry->setBackground(bitmap);
        applyTextStyle(entry);
        entry->setValue(0.0f);  // the stored text
        return entry;
    }
    if (type == 54) return new Mox_AssignMidiCC(g.rect, e);
    if (type == 60 || type == 61) {
        Mox_TextViewBase* view = nullptr;
        if (type == 60) view = new Mox_GUI_TextOnly(g.rect, row.options, row.aux);
        else view = new Mox_GUI_MultiText(g.rect, row.options, row.aux);
        view->setStyle(textFont(), regs.text.font, regs.text.frame, regs.text.background);
        return view;
    }
    return nullptr;
}
