#include "editor/controls/GlobalDisplays.h"

#include "editor/Mox_GUI_Editor.h"
#include "editor/controls/NumberEntry.h"
#include "host/Mox_DSP_VST.h"
#include "toolkit/CFrame.h"
#include "toolkit/CViewContainer.h"

#include <cmath>
#include <cstdio>

using namespace VSTGUI;

namespace {

// While the editor builds or a program is being applied, the displays show nothing.
bool Quiet(Mox_DSP_VST* dsp) { return dsp && (dsp->editorBuilding || dsp->loadingProgram); }

}  // namespace

Mox_GlobalNumberDisplay::Mox_GlobalNumberDisplay(const CRect& size, Mox_GUI_Editor* e, int32_t tag)
    : CTextEdit(size, e, tag), editor(e) {}

Mox_GlobalNumberDisplay* Mox_GlobalNumberDisplay::Of(const Mox_GUI_Editor& editor) {
    Mox_DSP_VST* dsp = editor.dspEffect();
    if (!dsp || dsp->globalDisplayTags[0] <= 0) return nullptr;
    return dynamic_cast<Mox_GlobalNumberDisplay*>(editor.slot(dsp->globalDisplayTags[0]));
}

void Mox_GlobalNumberDisplay::setShownTag(int32_t t) {
    shownTag = t;
    ++redrawCounter;
}

void Mox_GlobalNumberDisplay::setValue(float v) {
    if (reentry || !std::isfinite(v)) return;
    value = v;
    if (shownTag <= 0 || Quiet(editor->dspEffect())) {
        setText("");
    } else {
        const ControlDescriptor& row = editor->rowOfTag(shownTag);
        char out[64];
        std::snprintf(out, sizeof out, "%4.4f", double(row.low) + (double(row.high) - double(row.low)) * double(v));
        setText(out);
    }
    ++redrawCounter;
}

void Mox_GlobalNumberDisplay::refresh() {
    RedrawWhenCounted(*this, redrawCounter);
}

CMouseEventResult Mox_GlobalNumberDisplay::onMouseDown(CPoint&, const int32_t& buttons) {
    if (!(buttons & kLButton) || shownTag <= 0 || editing) return kMouseEventNotHandled;
    if ((style & kOpenOnDoubleClick) && !(buttons & kDoubleClick)) return kMouseEventHandled;
    textBeforeEdit = text;
    beginEdit();
    takeFocus();
    if (!editing) endEdit();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void Mox_GlobalNumberDisplay::editFieldEnded(const std::string& edited, bool byReturn) {
    if (!takeEndedText(edited, byReturn)) return;
    bool accepted = false;
    float fraction = 0.0f;
    if (shownTag > 0 && AcceptedEdit(edited, textBeforeEdit, editor->rowOfTag(shownTag), fraction)) {
        accepted = true;
        if (Mox_DSP_VST* dsp = editor->dspEffect()) dsp->setParameterAutomated(shownTag, fraction);
        setValue(fraction);
    }
    if (!accepted) setText(textBeforeEdit.c_str());
    if (frame && frame->getFocusView() == this) frame->setFocusView(nullptr);
    endEdit();
    invalid();
    if (parent) parent->notify(this, kMsgLooseFocus);
}

Mox_GlobalNameDisplay::Mox_GlobalNameDisplay(const CRect& size, Mox_GUI_Editor* e, int32_t tag)
    : CParamDisplay(size), editor(e) {
    this->tag = tag;
    listener = e;
}

Mox_GlobalNameDisplay* Mox_GlobalNameDisplay::Of(const Mox_GUI_Editor& editor) {
    Mox_DSP_VST* dsp = editor.dspEffect();
    if (!dsp || dsp->globalDisplayTags[1] <= 0) return nullptr;
    return dynamic_cast<Mox_GlobalNameDisplay*>(editor.slot(dsp->globalDisplayTags[1]));
}

void Mox_GlobalNameDisplay::setShownTag(int32_t t) {
    shownTag = t;
    ++redrawCounter;
}

void Mox_GlobalNameDisplay::setValue(float v) {
    if (std::isfinite(v)) value = v;
    if (Quiet(editor->dspEffect())) shownTag = 0;
    ++redrawCounter;
}

void Mox_GlobalNameDisplay::refresh() {
    RedrawWhenCounted(*this, redrawCounter);
}

void Mox_GlobalNameDisplay::draw(CDrawContext* context) {
    const ControlDescriptor& row = editor->rowOfTag(shownTag);
    drawText(context, shownTag > 0 && row.label ? row.label : "");
    setDirty(false);
}
