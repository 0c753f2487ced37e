// What the toolkit needs from the editor that owns a frame: the host's edit
// gestures for a parameter, the knob mode, and the frame-timer tick.
#pragma once

#include <cstdint>

namespace VSTGUI {

class CFrame;

class VSTGUIEditorInterface {
public:
    virtual ~VSTGUIEditorInterface() = default;
    virtual void doIdleStuff() {}
    virtual void beginEdit(int32_t /*index*/) {}
    virtual void endEdit(int32_t /*index*/) {}
    // True while a gesture of the user on the parameter is open (between its begin
    // and end edit).
    virtual bool isEditing(int32_t /*index*/) const { return false; }
    virtual int32_t getKnobMode() const { return 0; }
    // The frame took a new size; the editor reports it and asks the host for a
    // window of that size. Answers whether the host agreed.
    virtual bool frameResized(int32_t /*width*/, int32_t /*height*/) { return false; }
    virtual CFrame* getFrame() const { return nullptr; }
};

}  // namespace VSTGUI
