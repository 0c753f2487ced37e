// What the platform's window calls on the frame it shows: the user's input and
// the window's own events, all in frame (window) coordinates, and the back
// buffer to copy to the screen. The toolkit's frame implements it; the platform
// knows the frame only through this interface.
#pragma once

#include "platform/GuiTypes.h"

#include <cstdint>
#include <string>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;

namespace orva::platform {

class FrameEventSink {
public:
    virtual VSTGUI::CMouseEventResult platformOnMouseDown(VSTGUI::CPoint where, int32_t buttons) = 0;
    virtual VSTGUI::CMouseEventResult platformOnMouseUp(VSTGUI::CPoint where, int32_t buttons) = 0;
    virtual VSTGUI::CMouseEventResult platformOnMouseMoved(VSTGUI::CPoint where, int32_t buttons) = 0;
    virtual void platformOnMouseExited() = 0;
    virtual bool platformOnWheel(VSTGUI::CPoint where, VSTGUI::CMouseWheelAxis axis, float distance,
                                 int32_t buttons) = 0;
    // Answer -1 when the key was not taken.
    virtual int32_t platformOnKeyDown(unsigned char virt, int32_t character, unsigned char modifier) = 0;
    virtual int32_t platformOnKeyUp(unsigned char virt, int32_t character, unsigned char modifier) = 0;
    // Files dragged over the window: whether they may be dropped at the point,
    // and dropping them there.
    virtual bool platformCanDrop(VSTGUI::CPoint where) = 0;
    virtual bool platformOnDrop(VSTGUI::CPoint where, const std::vector<std::string>& files) = 0;
    // The rectangle of the window was exposed and must be drawn and shown.
    virtual void platformOnExpose(const VSTGUI::CRect& rect) = 0;
    // The window disappeared under us (the host destroyed its window).
    virtual void platformOnWindowLost() = 0;
    // The image the window shows: an ARGB32 cairo surface the size of the frame.
    // It may be replaced when the frame is resized, so ask again for each copy.
    virtual cairo_surface_t* platformBackBuffer() = 0;

protected:
    ~FrameEventSink() = default;  // not deleted through this interface
};

}  // namespace orva::platform
