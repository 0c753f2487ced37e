// Mox_GUI_Editor: the plug-in's editor window. Created with the effect and opened,
// idled and closed by the host through the editor opcodes. Open builds a frame in
// the host's window, walks the control table into controls, panels and links
// (LayoutWalk), mirrors the host parameters into the controls and starts the
// 14 ms frame timer; from then on values travel both ways: a control the user
// moves goes to the effect's setParameterAutomated, a parameter the host or the
// effect changes comes back to the control with the same tag.
//
// Threads. open, close, idle, the timer and every mouse event run on the thread
// that runs the editor (the host's user-interface thread, or the frame's fallback
// pump), inside orva::platform::UiEntry. setParameter may arrive on any thread:
// on the editor's thread it is applied at once, from any other thread it is only
// recorded (ParameterInbox) and applied at the start of the next tick. The audio
// thread never touches a view; display data reaches the views from the effect's
// mailbox at each tick.
//
// Scale. The layout is 1090 x 420 logical pixels, drawn at 1, 1.5 or 2 device
// pixels per logical pixel: the user's choice from the size menu (a right click
// on the name printed below the detector EQ window), kept in the effect for the
// instance's life, or else the scale the X server's Xft.dpi asks for. getRect
// reports the scaled size; a choice made while open asks the host to resize the
// window and rebuilds the editor at the new scale, or keeps the old size and
// scale when the host refuses.
#pragma once

#include "editor/EditorRecords.h"
#include "editor/FrameClock.h"
#include "editor/ParameterInbox.h"
#include "host/ControlTable.h"
#include "modules/framework/ModuleOwner.h"
#include "sdk/AEffGUIEditor.h"
#include "toolkit/CBaseObject.h"

#include <cstdint>

class Mox_DSP_VST;

namespace VSTGUI {
class CBitmap;
class CFontDesc;
class CTooltipSupport;
class CVSTGUITimer;
class CViewContainer;
}  // namespace VSTGUI

class Mox_GUI_Editor : public AEffGUIEditor, public Mox_CControlListener {
public:
    static constexpr int kSlots = 92;
    static constexpr int kPanels = 41;
    static constexpr int kMidiLearnPanel = 40;
    // Ticks without any display data after which the meters fall as in silence: a
    // host that stops calling process leaves them at its last levels otherwise.
    static constexpr int kQuietTicks = 10;

    explicit Mox_GUI_Editor(Mox_DSP_VST* effect);
    ~Mox_GUI_Editor() override;

    // ----- host side (editor thread) -----
    // parentWindow: the host's X11 window id; false (and no frame) when it is null
    // or not a window. A second open without a close closes the first.
    bool open(void* parentWindow) override;
    // The same editor without any window: for pictures of the editor and tests,
    // at the pixel scale given unless the user chose a size.
    bool openOffscreen(double scale = 1.0);
    // The editor's size in device pixels; while closed, at the scale the next
    // open in a window takes.
    bool getRect(ERect** rect) override;
    bool frameResized(int32_t width, int32_t height) override;
    void close() override;
    void idle() override;
    // Any thread: the effect's parameter index changed to a normalised value.
    void setParameter(int32_t index, float normalised) override;

    // ----- listener (editor thread) -----
    void valueChanged(VSTGUI::CControl* control) override;
    int32_t controlModifierClicked(VSTGUI::CControl*, int32_t) override { return 0; }
    // point: in the control's own coordinates (0, 0 = its top left).
    void requestMidiLearn(VSTGUI::CControl* control, const VSTGUI::CPoint& point) override;
    // A control's edit gesture: reaches the host as begin/end edit, for host
    // parameters only (0..46), so a drag is recorded as one automation gesture.
    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;
    bool isEditing(int32_t index) const override {
        return index >= 0 && index < kHostParameterCount && openGestures[index] > 0;
    }

    // ----- size -----
    // Device pixels per logical pixel of the open editor (or of the last getRect).
    double scale() const { return pixelScale; }
    // The size menu at where (frame coordinates): "Size" and its four choices.
    void openSizeMenu(const VSTGUI::CPoint& where);
    // The user's choice in percent (100, 150, 200; 0 follows the screen). While
    // open it takes effect at the next idle or tick (never inside the event that
    // chose it, whose views the rebuild replaces).
    void chooseSize(int32_t percent);
    // Applies a choice made while open: asks the host for the window size of the
    // new scale and rebuilds the editor at it; a refusal keeps size and scale.
    void applySizeChoice();
    // Where the size menu answers a right click: the name printed on the face.
    static VSTGUI::CRect sizeMenuSpot() { return VSTGUI::CRect(8, 146, 124, 164); }

    // ----- the frame timer -----
    // Runs the ticks due by the wall clock (at most 8), then draws once.
    void onTimer();
    // One tick: recorded parameters, display data, every control's refresh, panels.
    void tick();
    // Ticks run by a caller outside the timer (pictures of the editor, tests).
    void runTicks(int count);
    // Draws what changed and writes the window as a PNG file (an open editor only).
    bool writePicture(const char* path);

    // ----- what the walk builds into, and what controls reach -----
    Mox_DSP_VST* dspEffect() const { return dsp; }
    VSTGUI::CView* slot(int32_t tag) const { return tag >= 0 && tag < kSlots ? slots[tag] : nullptr; }
    VSTGUI::CViewContainer* panel(int32_t tag) const { return tag >= 0 && tag < kPanels ? panels[tag] : nullptr; }
    void setSlot(int32_t tag, VSTGUI::CView* view);
    void setPanel(int32_t tag, VSTGUI::CViewContainer* view);
    void setMidiLearnControl(MidiLearnElement* control) { midiLearnControl = control; }
    // The fonts the table selects: "Arial" 12 (first font row), then 11.
    VSTGUI::CFontDesc* font(int32_t which) const { return fonts[which ? 1 : 0]; }
    int32_t textEntriesBuilt() const { return textEntryCount; }
    void countTextEntry() { ++textEntryCount; }
    // Views the walk built in the current open.
    int32_t viewsBuilt() const { return builtViews; }
    void countView() { ++builtViews; }
    bool isOpenNow() const { return frame != nullptr; }
    // The table the next open walks (the control table unless a test gives another).
    void setLayoutTable(const ControlDescriptor* table, int rows) { layoutTable = table, layoutRows = rows; }
    // The element row of tag in the table walked (its range and label); the
    // header row when the table has none.
    const ControlDescriptor& rowOfTag(int32_t tag) const;

private:
    bool openGuarded(void* parentWindow);
    // The scale an open takes now: the user's choice, else the screen's (windowed)
    // or the caller's (offscreen).
    double wantedScale(bool windowed) const;
    void setRectForScale(double scale);
    bool openFrame(void* parentWindow);
    void applyParameter(int32_t index, float normalised);
    void dispatchDisplayData();
    void silenceDisplays();
    void showMeterType();

    // The timer's target: a toolkit object that forwards "timer fired".
    class TimerTarget : public VSTGUI::CBaseObject {
    public:
        explicit TimerTarget(Mox_GUI_Editor* e) : editor(e) {}
        VSTGUI::CMessageResult notify(VSTGUI::CBaseObject* sender, const char* message) override;

    private:
        Mox_GUI_Editor* editor;
    };

    Mox_DSP_VST* dsp;
    const ControlDescriptor* layoutTable;
    int layoutRows;
    VSTGUI::CFontDesc* fonts[2] = {nullptr, nullptr};
    VSTGUI::CView* slots[kSlots] = {};
    // Gestures the host was told of and not yet told the end of, per host parameter:
    // closing the editor mid-drag ends them, so the host never waits on one.
    int32_t openGestures[kHostParameterCount] = {};
    VSTGUI::CViewContainer* panels[kPanels] = {};
    MidiLearnElement* midiLearnControl = nullptr;
    VSTGUI::CTooltipSupport* tooltips = nullptr;
    VSTGUI::CVSTGUITimer* timer = nullptr;
    TimerTarget timerTarget{this};
    FrameClock clock;
    ParameterInbox inbox;
    int32_t textEntryCount = 0;
    int32_t builtViews = 0;
    int32_t quietTicks = 0;  // ticks since display data last arrived
    // The elements that follow the meter type (tag, display code), and the
    // parameter that sets it (-1 none): found at open.
    static constexpr int kMaxMeterTargets = 16;
    DisplayTarget meterTargets[kMaxMeterTargets] = {};
    int meterTargetCount = 0;
    int16_t meterTypeIndex = -1;
    bool ticking = false;
    int32_t baseWidth = 0, baseHeight = 0;  // the layout's logical size
    double pixelScale = 1.0;
    double offscreenScale = 1.0;
    bool sizeChoicePending = false;
};
