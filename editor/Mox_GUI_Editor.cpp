#include "editor/Mox_GUI_Editor.h"

#include "editor/LayoutWalk.h"
#include "host/ControlTable.h"
#include "host/Mox_DSP_VST.h"
#include "platform/DisplayScale.h"
#include "platform/PlatformFrame.h"
#include "platform/Resources.h"
#include "platform/TimerQueue.h"
#include "platform/X11Frame.h"
#include "sdk/AudioEffectX.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CControl.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFontDesc.h"
#include "toolkit/CFrame.h"
#include "toolkit/CTooltipSupport.h"
#include "toolkit/CVSTGUITimer.h"
#include "toolkit/PngDecoder.h"

#include <vector>

using namespace VSTGUI;
using orva::platform::TimerQueue;
using orva::platform::UiEntry;

Mox_GUI_Editor::Mox_GUI_Editor(Mox_DSP_VST* effect)
    : AEffGUIEditor(effect), dsp(effect), layoutTable(controlTable), layoutRows(kControlTableRows) {
    // The size comes from the background skin's header; its pixels are decoded only
    // while the editor is open, so an effect whose editor never opens does not
    // carry the picture.
    uint32_t width = 0, height = 0;
    if (const EmbeddedResource* face = FindEmbeddedResource("PNG", controlTable[0].bitmap))
        pngSize(face->data, face->size, width, height);
    baseWidth = int32_t(width);
    baseHeight = int32_t(height);
    setRectForScale(1.0);
    fonts[0] = new CFontDesc("Arial", 12);
    fonts[1] = new CFontDesc("Arial", 11);
    if (dsp) {
        dsp->editorObject = this;
        dsp->setEditor(this);
    }
}

Mox_GUI_Editor::~Mox_GUI_Editor() {
    close();
    for (CFontDesc*& f : fonts) {
        f->forget();
        f = nullptr;
    }
}

bool Mox_GUI_Editor::open(void* parentWindow) {
    UiEntry entry;
    if (frame) close();
    if (!parentWindow) return false;
    return openGuarded(parentWindow);
}

bool Mox_GUI_Editor::openOffscreen(double scale) {
    UiEntry entry;
    if (frame) close();
    offscreenScale = scale;
    return openGuarded(nullptr);
}

double Mox_GUI_Editor::wantedScale(bool windowed) const {
    const int32_t percent = dsp ? dsp->editorSizePercent : 0;
    for (double s : orva::platform::kEditorScales)
        if (percent == int32_t(s * 100)) return s;
    return windowed ? orva::platform::xftDpiScale() : offscreenScale;
}

void Mox_GUI_Editor::setRectForScale(double s) {
    pixelScale = s;
    rect.top = rect.left = 0;
    rect.right = int16_t(orva::platform::scaledPixels(baseWidth, s));
    rect.bottom = int16_t(orva::platform::scaledPixels(baseHeight, s));
}

bool Mox_GUI_Editor::getRect(ERect** out) {
    // Hosts ask before they open the editor, to size their window.
    if (!frame) setRectForScale(wantedScale(true));
    return AEffGUIEditor::getRect(out);
}

bool Mox_GUI_Editor::frameResized(int32_t width, int32_t height) {
    // The frame speaks logical pixels; the host's window is in device pixels.
    return AEffGUIEditor::frameResized(orva::platform::scaledPixels(width, pixelScale),
                                       orva::platform::scaledPixels(height, pixelScale));
}

namespace {

// The name on the face: a right click there opens the size menu. Other buttons
// pass through to whatever lies below; it draws nothing.
class SizeMenuSpot : public CView {
public:
    SizeMenuSpot(const CRect& r, Mox_GUI_Editor* e) : CView(r), editor(e) {}
    bool hitTest(const CPoint& where, const int32_t& buttons) override {
        return buttons != -1 && (buttons & kRButton) && CView::hitTest(where, buttons);
    }
    CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override {
        if (!(buttons & kRButton)) return kMouseEventNotHandled;
        CPoint at = where;
        localToFrame(at);
        editor->openSizeMenu(at);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }

private:
    Mox_GUI_Editor* editor;
};

constexpr int32_t kSizePercents[] = {0, 100, 150, 200};
const char* const kSizeTitles[] = {"Automatic", "100 %", "150 %", "200 %"};

}  // namespace

void Mox_GUI_Editor::openSizeMenu(const CPoint& where) {
    if (!frame || !frame->getPlatformFrame()) return;
    std::vector<orva::platform::PopupMenuEntry> entries(1);
    entries[0].title = "Size";
    entries[0].titleItem = true;
    const int32_t current = dsp ? dsp->editorSizePercent : 0;
    for (int i = 0; i < 4; ++i) {
        orva::platform::PopupMenuEntry e;
        e.title = kSizeTitles[i];
        e.command = kSizePercents[i];
        e.checked = kSizePercents[i] == current;
        entries.push_back(e);
    }
    const int32_t chosen = frame->getPlatformFrame()->popupMenu(entries, where);
    if (chosen >= 0) chooseSize(chosen);
}

void Mox_GUI_Editor::chooseSize(int32_t percent) {
    if (!dsp) return;
    bool known = false;
    for (int32_t p : kSizePercents) known |= p == percent;
    if (!known) return;
    dsp->editorSizePercent = percent;
    if (frame) sizeChoicePending = true;
}

void Mox_GUI_Editor::applySizeChoice() {
    if (!sizeChoicePending) return;
    sizeChoicePending = false;
    if (!frame) return;
    const bool windowed = frame->getPlatformFrame() && frame->getPlatformFrame()->isWindowed();
    const double next = wantedScale(windowed);
    if (next == pixelScale) return;
    const double previous = pixelScale;
    void* parentWindow = systemWindow;
    // The host may ask for the rectangle while it resizes: it is the new one by then.
    setRectForScale(next);
    auto* host = static_cast<AudioEffectX*>(effect);
    if (!host || !host->sizeWindow(rect.right, rect.bottom)) {
        setRectForScale(previous);
        return;
    }
    close();
    openGuarded(windowed ? parentWindow : nullptr);
}

// Memory running out while the views are built leaves the editor closed: what was
// built goes with the frame, and no exception reaches the host.
bool Mox_GUI_Editor::openGuarded(void* parentWindow) {
    try {
        return openFrame(parentWindow);
    } catch (...) {
        close();
        if (dsp) dsp->editorBuilding = 0;
        return false;
    }
}

bool Mox_GUI_Editor::openFrame(void* parentWindow) {
    setRectForScale(wantedScale(parentWindow != nullptr));
    auto* newFrame = new CFrame(CRect(0, 0, baseWidth, baseHeight), parentWindow, this, pixelScale);
    if (!newFrame->isOpen()) {  // not a window we can open in
        newFrame->forget();
        return false;
    }
    AEffEditor::open(parentWindow);
    frame = newFrame;
    auto* face = new CBitmap(controlTable[0].bitmap, pixelScale);
    newFrame->setBackground(face);
    face->forget();
    // First in the frame, so that every view over the name keeps its clicks.
    newFrame->addView(new SizeMenuSpot(sizeMenuSpot(), this));

    textEntryCount = 0;
    builtViews = 0;
    inbox.Clear();
    if (dsp) dsp->editorBuilding = -1;
    LayoutWalk(*this, layoutTable, layoutRows).run(frame);
    tooltips = new CTooltipSupport(frame);
    // The host parameters as they are now; editor elements (47 and up) start at rest.
    for (int32_t tag = 0; tag < kHostParameterCount; ++tag)
        applyParameter(tag, dsp ? dsp->getParameter(tag) : 0.0f);
    if (dsp) {
        dsp->editorBuilding = 0;
        // The displays show the present: nothing posted before this open, the meter
        // type in force, and the meters and read-outs at their floor until audio
        // tells them more.
        dsp->displayMailbox().SetOpen(true);
        meterTargetCount = dsp->MeterTypeTargets(meterTargets, kMaxMeterTargets, meterTypeIndex);
        showMeterType();
    }
    silenceDisplays();
    quietTicks = kQuietTicks;
    clock.Start(TimerQueue::instance().now());
    timer = new CVSTGUITimer(&timerTarget, FrameClock::kTickMs);
    timer->start();
    frame->redrawAll();
    return true;
}

void Mox_GUI_Editor::close() {
    UiEntry entry;
    if (dsp) dsp->displayMailbox().SetOpen(false);
    if (timer) {
        timer->forget();
        timer = nullptr;
    }
    if (tooltips) {
        tooltips->forget();
        tooltips = nullptr;
    }
    // Nothing may point at the views the frame is about to delete.
    for (CView*& v : slots) v = nullptr;
    for (CViewContainer*& p : panels) p = nullptr;
    midiLearnControl = nullptr;
    inbox.Clear();
    for (int32_t index = 0; index < kHostParameterCount; ++index)
        while (openGestures[index] > 0) endEdit(index);
    AEffGUIEditor::close();
}

void Mox_GUI_Editor::idle() {
    if (!frame) return;
    AEffGUIEditor::idle();
    UiEntry entry;
    applySizeChoice();
}

const ControlDescriptor& Mox_GUI_Editor::rowOfTag(int32_t tag) const {
    if (!layoutTable || layoutRows < 1) return controlTable[0];
    for (int r = 1; r < layoutRows && layoutTable[r].type != kTypeEndOfTable; ++r)
        if (layoutTable[r].type < 99 && layoutTable[r].tag == tag) return layoutTable[r];
    return layoutTable[0];
}

void Mox_GUI_Editor::setSlot(int32_t tag, CView* view) {
    if (tag >= 0 && tag < kSlots) slots[tag] = view;
}

void Mox_GUI_Editor::setPanel(int32_t tag, CViewContainer* view) {
    if (tag >= 0 && tag < kPanels) panels[tag] = view;
}

void Mox_GUI_Editor::setParameter(int32_t index, float normalised) {
    if (index < 0 || index >= kSlots) return;
    if (orva::platform::insideUiEntry()) {
        if (frame) applyParameter(index, normalised);
    } else {
        inbox.Post(index, normalised);  // any other thread: at the next tick
    }
}

void Mox_GUI_Editor::applyParameter(int32_t index, float normalised) {
    if (auto* control = dynamic_cast<CControl*>(slot(index))) control->setValue(normalised);
    if (index == meterTypeIndex) showMeterType();
}

// The meter type in force, to the meters and the scale at once: the display
// feeders tell them only while audio runs.
void Mox_GUI_Editor::showMeterType() {
    if (!dsp || meterTypeIndex < 0) return;
    const int32_t type = IntegerForm(dsp->ControlValue(meterTypeIndex));
    DisplayRecord r;
    r.aux = type < 0 ? 0 : type > 3 ? 3 : type;
    for (int i = 0; i < meterTargetCount; ++i) {
        r.code = meterTargets[i].code;
        if (CView* view = slot(meterTargets[i].tag)) view->notifyRecord(nullptr, r);
    }
}

void Mox_GUI_Editor::valueChanged(CControl* control) {
    if (!control || !dsp) return;
    UiEntry entry;
    dsp->setParameterAutomated(control->getTag(), control->getValue());
}

void Mox_GUI_Editor::beginEdit(int32_t index) {
    if (index < 0 || index >= kHostParameterCount) return;
    ++openGestures[index];
    AEffGUIEditor::beginEdit(index);
}

// An end without its begin is not passed on: the host would hear of a gesture it
// never saw start.
void Mox_GUI_Editor::endEdit(int32_t index) {
    if (index < 0 || index >= kHostParameterCount || openGestures[index] == 0) return;
    --openGestures[index];
    AEffGUIEditor::endEdit(index);
}

void Mox_GUI_Editor::requestMidiLearn(CControl* control, const CPoint& point) {
    if (!control || !frame || !midiLearnControl || !dsp) return;
    const int32_t tag = control->getTag();
    const CRect at = control->getFrameRect();
    const CPoint where(at.left + point.h, at.top + point.v);
    midiLearnControl->arm(tag, dsp->GetMidiAssignment(tag), where);
    if (CViewContainer* learn = panel(kMidiLearnPanel); learn && !learn->isVisible()) {
        learn->setVisible(true);
        frame->invalid();
    }
}

CMessageResult Mox_GUI_Editor::TimerTarget::notify(CBaseObject*, const char* message) {
    if (!isMessage(message, kMsgTimerFired)) return kMessageUnknown;
    editor->onTimer();
    return kMessageNotified;
}

void Mox_GUI_Editor::onTimer() {
    if (!frame || ticking) return;
    UiEntry entry;
    // A host that never idles the editor: its timer applies the size choice,
    // unless it fires from inside a pop-up menu's loop (an event of the frame).
    if (sizeChoicePending && !frame->isHandlingInput()) {
        applySizeChoice();
        return;
    }
    const int due = clock.TicksDue(TimerQueue::instance().now());
    if (due == 0) return;
    ticking = true;
    for (int i = 0; i < due && frame; ++i) tick();
    if (frame) frame->updateDirty();
    ticking = false;
}

void Mox_GUI_Editor::tick() {
    if (!frame) return;
    inbox.TakeAll([this](int32_t index, float value) { applyParameter(index, value); });
    dispatchDisplayData();
    for (CView* view : slots)
        if (view) view->refresh();
    frame->countTick();
    frame->animate();
}

void Mox_GUI_Editor::runTicks(int count) {
    UiEntry entry;
    for (int i = 0; i < count && frame; ++i) tick();
}

bool Mox_GUI_Editor::writePicture(const char* path) {
    UiEntry entry;
    if (!frame || !path) return false;
    frame->redrawAll();
    return frame->getBackBuffer()->writePNG(path);
}

// Display data posted on the audio thread since the last tick, to the element of
// each index (meter types first, so a meter reads a level in its new type). When
// the host suspends the plug-in, or nothing has arrived for kQuietTicks, the
// displays are told that no more data follows.
void Mox_GUI_Editor::dispatchDisplayData() {
    if (!dsp) return;
    DisplayMailbox& mailbox = dsp->displayMailbox();
    bool arrived = false;
    for (int32_t tag = kHostParameterCount; tag < kSlots; ++tag) {
        CView* view = slots[tag];
        if (!view) continue;
        DisplayMailbox::TypeReading type;
        if (mailbox.TakeType(tag, type)) {
            arrived = true;
            DisplayRecord r;
            r.code = type.code;
            r.aux = type.aux;
            view->notifyRecord(nullptr, r);
        }
        DisplayMailbox::LevelReading level;
        if (mailbox.TakeLevel(tag, level)) {
            arrived = true;
            DisplayRecord r;
            r.code = level.code;
            r.value = level.maximum;
            r.posts = level.posts;
            view->notifyRecord(nullptr, r);
        }
        DisplayMailbox::BlockReading block;
        if (mailbox.TakeBlock(tag, block)) {
            arrived = true;
            DisplayRecord r;
            r.code = block.code;
            r.data = block.data;
            view->notifyRecord(nullptr, r);
        }
    }
    // Queued messages one by one, in the order they were posted.
    DisplayMailbox::QueuedReading queued;
    while (mailbox.TakeQueued(queued)) {
        arrived = true;
        CView* view = queued.index >= kHostParameterCount ? slot(queued.index) : nullptr;
        if (!view) continue;
        DisplayRecord r;
        r.code = queued.code;
        r.posts = 1;
        for (int c = 0; c < 4; ++c) r.channels[c] = queued.values[c];
        view->notifyRecord(nullptr, r);
    }
    if (mailbox.TakeStopped()) {
        quietTicks = kQuietTicks;
        silenceDisplays();
    } else if (arrived) {
        quietTicks = 0;
    } else if (quietTicks < kQuietTicks && ++quietTicks == kQuietTicks) {
        silenceDisplays();
    }
}

void Mox_GUI_Editor::silenceDisplays() {
    DisplayRecord r;
    r.code = DisplayRecord::kSilence;
    for (int32_t tag = kHostParameterCount; tag < kSlots; ++tag)
        if (CView* view = slots[tag]) view->notifyRecord(nullptr, r);
}
