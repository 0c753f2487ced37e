// Base class of a plug-in editor as the VST 2.x host sees it: the effect forwards
// the editor opcodes (get rect, open, close, idle, keys, knob mode) to it.
// All of these run on the host's user-interface thread.
#pragma once

#include "sdk/VstAbi.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() = default;

    // Size of the editor window; rect receives a pointer to a record the editor owns.
    virtual bool getRect(ERect** rect) {
        if (rect) *rect = nullptr;
        return false;
    }
    // Opens the editor inside the host's window (an X11 window id on Linux).
    virtual bool open(void* parentWindow) {
        systemWindow = parentWindow;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() const { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode& /*key*/) { return false; }
    virtual bool onKeyUp(VstKeyCode& /*key*/) { return false; }
    virtual bool setKnobMode(int32_t /*mode*/) { return false; }
    // The effect's parameter index took a new normalised value (any thread).
    virtual void setParameter(int32_t /*index*/, float /*normalised*/) {}

    AudioEffect* getEffect() const { return effect; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};
