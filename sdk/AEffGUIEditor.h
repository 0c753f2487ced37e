// An editor built on the view toolkit: it owns the frame (created by a derived
// editor's open) and forwards the host's keys, knob mode and edit gestures.
// The host's effEditIdle pumps the frame's window events and fires the toolkit's
// timers; the frame itself draws only from its timer. open, close and idle hold
// the toolkit's user-interface lock (platform/X11Frame.h explains why); a derived
// editor builds its frame inside its open, under that lock.
#pragma once

#include "sdk/AEffEditor.h"
#include "toolkit/VSTGUIEditorInterface.h"

namespace VSTGUI {
class CFrame;
}

class AEffGUIEditor : public AEffEditor, public VSTGUI::VSTGUIEditorInterface {
public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    bool getRect(ERect** rect) override;
    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;
    bool onKeyDown(VstKeyCode& key) override;
    bool onKeyUp(VstKeyCode& key) override;
    bool setKnobMode(int32_t mode) override;

    // VSTGUIEditorInterface
    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;
    int32_t getKnobMode() const override { return knobMode; }
    bool frameResized(int32_t width, int32_t height) override;
    VSTGUI::CFrame* getFrame() const override { return frame; }

    // Redraws the whole frame.
    virtual void update();

protected:
    ERect rect{0, 0, 0, 0};
    VSTGUI::CFrame* frame = nullptr;
    static int32_t knobMode;
};
