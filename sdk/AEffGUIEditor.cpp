#include "sdk/AEffGUIEditor.h"

#include "platform/PlatformFrame.h"
#include "platform/TimerQueue.h"
#include "platform/X11Frame.h"
#include "sdk/AudioEffectX.h"
#include "toolkit/CFrame.h"

int32_t AEffGUIEditor::knobMode = VSTGUI::kCircularMode;

AEffGUIEditor::AEffGUIEditor(AudioEffect* e) : AEffEditor(e) {}

AEffGUIEditor::~AEffGUIEditor() {
    if (frame) {
        frame->forget();
        frame = nullptr;
    }
}

bool AEffGUIEditor::getRect(ERect** out) {
    if (!out) return false;
    *out = &rect;
    return true;
}

bool AEffGUIEditor::open(void* parentWindow) {
    orva::platform::UiEntry entry;
    return AEffEditor::open(parentWindow);
}

void AEffGUIEditor::close() {
    orva::platform::UiEntry entry;
    if (frame) {
        frame->forget();
        frame = nullptr;
    }
    AEffEditor::close();
}

void AEffGUIEditor::idle() {
    orva::platform::UiEntry entry;
    if (frame && frame->getPlatformFrame()) frame->getPlatformFrame()->pumpEvents();
    orva::platform::TimerQueue::instance().fireDue();
    if (frame) frame->idle();
}

// Keys the host forwards reach the views under the same lock as open, close and
// idle: the frame's fallback pump may be running them on its own thread.
bool AEffGUIEditor::onKeyDown(VstKeyCode& key) {
    orva::platform::UiEntry entry;
    return frame && frame->platformOnKeyDown(key.virt, key.character, key.modifier) != -1;
}

bool AEffGUIEditor::onKeyUp(VstKeyCode& key) {
    orva::platform::UiEntry entry;
    return frame && frame->platformOnKeyUp(key.virt, key.character, key.modifier) != -1;
}

bool AEffGUIEditor::setKnobMode(int32_t mode) {
    knobMode = mode;
    return true;
}

void AEffGUIEditor::beginEdit(int32_t index) {
    if (effect) static_cast<AudioEffectX*>(effect)->beginEdit(index);
}

void AEffGUIEditor::endEdit(int32_t index) {
    if (effect) static_cast<AudioEffectX*>(effect)->endEdit(index);
}

bool AEffGUIEditor::frameResized(int32_t width, int32_t height) {
    if (width == rect.right - rect.left && height == rect.bottom - rect.top) return true;
    rect.right = int16_t(rect.left + width);
    rect.bottom = int16_t(rect.top + height);
    return effect && static_cast<AudioEffectX*>(effect)->sizeWindow(width, height);
}

void AEffGUIEditor::update() {
    if (frame) frame->redrawAll();
}
