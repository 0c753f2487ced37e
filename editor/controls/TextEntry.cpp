#include "editor/controls/TextEntry.h"

#include "editor/Mox_GUI_Editor.h"
#include "editor/controls/FileSelector.h"
#include "host/EntryTexts.h"
#include "host/Mox_DSP_VST.h"
#include "toolkit/CFrame.h"
#include "toolkit/CViewContainer.h"

using namespace VSTGUI;

namespace {

PresetMemory* RecordOf(Mox_DSP_VST* dsp, int32_t key) {
    if (!dsp) return nullptr;
    return (uint32_t(key) & kEntryTextGlobal) ? dsp->globalRecord : dsp->currentRecord;
}

}  // namespace

Mox_CTextEntry::Mox_CTextEntry(const CRect& size, Mox_GUI_Editor* e, int32_t tag, int32_t k, int32_t storage)
    : CTextEdit(size, e, tag), editor(e), entryKind(k), key(storage) {}

Mox_CTextEntry::~Mox_CTextEntry() {
    if (selector) selector->forget();  // ends a dialog still open
}

bool Mox_CTextEntry::dialogOpen() const { return selector && selector->busy(); }

void Mox_CTextEntry::setValue(float) {
    char stored[kEntryTextSize + 1];
    ReadEntryText(RecordOf(editor->dspEffect(), key), key, stored, sizeof stored);
    if (!editing) setText(stored);
    value = 0.0f;
    ++redrawCounter;
}

void Mox_CTextEntry::store() {
    WriteEntryText(RecordOf(editor->dspEffect(), key), key, text.c_str());
    if (listener) listener->valueChanged(this);
}

void Mox_CTextEntry::refresh() {
    if (selector) {
        switch (selector->poll()) {
        case Mox_FileSelector::kChosen:
            // The field holds 127 bytes: a longer path is refused, not cut.
            if (selector->path().size() < kEntryTextSize) {
                text = selector->path();
                store();
                ++redrawCounter;
            }
            [[fallthrough]];
        case Mox_FileSelector::kNothing:
        case Mox_FileSelector::kIdle:
            selector->forget();
            selector = nullptr;
            break;
        case Mox_FileSelector::kOpen: break;
        }
    }
    RedrawWhenCounted(*this, redrawCounter);
}

CMouseEventResult Mox_CTextEntry::onMouseDown(CPoint&, const int32_t& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    if (entryKind == kEdit || entryKind == kReadOnly) {
        textBeforeEdit = text;
        takeFocus();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (dialogOpen()) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;  // one dialog at a time
    static const char* const kTitles[] = {"Select a .wav sample to LOAD", "Select a .wav sample to SAVE",
                                          "Set the Directory Path for ALL Samples"};
    static const Mox_FileSelector::Kind kKinds[] = {Mox_FileSelector::kLoad, Mox_FileSelector::kSave,
                                                     Mox_FileSelector::kFolder};
    const int32_t which = entryKind - kLoadFile;
    if (which < 0 || which > 2) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    auto* dialog = new Mox_FileSelector;
    if (dialog->start(kKinds[which], "Wav", "*.wav", kTitles[which])) selector = dialog;
    else dialog->forget();  // no dialog program: nothing happens
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void Mox_CTextEntry::editFieldEnded(const std::string& edited, bool byReturn) {
    if (!takeEndedText(edited, byReturn)) return;
    if (text != textBeforeEdit) {
        if (entryKind == kReadOnly) text = textBeforeEdit;
        // What is kept is what fits the field.
        char stored[kEntryTextSize + 1];
        WriteEntryText(RecordOf(editor->dspEffect(), key), key, text.c_str());
        ReadEntryText(RecordOf(editor->dspEffect(), key), key, stored, sizeof stored);
        if (RecordOf(editor->dspEffect(), key)) text = stored;
        if (listener) listener->valueChanged(this);
    }
    if (frame && frame->getFocusView() == this) frame->setFocusView(nullptr);
    invalid();
    if (parent) parent->notify(this, kMsgLooseFocus);
}
