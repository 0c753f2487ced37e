// The root of the view tree. It owns the platform side (an X11 child window of
// the host's window, or nothing at all for offscreen use) and a back buffer the
// whole tree is drawn into; the window shows the back buffer. Platform events,
// and synthetic ones from tests, enter through the platformOn... operations (the
// platform's FrameEventSink, through which the window knows the frame).
//
// A frame may draw at a pixel scale (1.5 or 2 device pixels per logical pixel):
// its back buffer and window then have the scaled size in device pixels, while
// its size, the views, every event point and every dirty rectangle stay in
// logical pixels.
#pragma once

#include "platform/FrameEventSink.h"
#include "toolkit/CViewContainer.h"

#include <memory>
#include <vector>

namespace orva::platform {
class PlatformFrame;
}

namespace VSTGUI {

class COffscreenContext;
class IMouseObserver;
class VSTGUIEditorInterface;

class CFrame : public CViewContainer, public orva::platform::FrameEventSink {
public:
    // systemWindow: the host's X11 window id, or null for a frame without a window.
    // scale: device pixels per logical pixel (1, 1.5 or 2).
    CFrame(const CRect& size, void* systemWindow, VSTGUIEditorInterface* editor, double scale = 1.0);
    ~CFrame() override;

    bool isTypeOf(const char* type) const override;
    void invalidRect(const CRect& rect) override { invalidFrameRect(rect); }
    void setViewSize(const CRect& rect, bool invalidate = true) override;

    // --- frame operations ---
    // Opens on a native parent window (an X11 window id); false when it cannot.
    virtual bool open(void* systemWindow);
    virtual void close();
    // Answers whether the frame is open; draws nothing.
    virtual bool idle() { return isOpen(); }
    virtual void setFocusView(CView* view);
    virtual CView* getFocusView() const { return focusView; }
    virtual void setModalView(CView* view);
    virtual CView* getModalView() const { return modalView; }
    virtual bool setSize(int32_t width, int32_t height);
    virtual VSTGUIEditorInterface* getEditor() const { return editor; }
    virtual int32_t getKnobMode() const;
    virtual void registerMouseObserver(IMouseObserver* observer);
    virtual void unregisterMouseObserver(IMouseObserver* observer);

    bool isOpen() const { return opened; }
    double getScale() const { return scale; }
    // True while a mouse press, release or key is being handled (a pop-up menu's
    // loop may run timers then: they must not replace the views handling it).
    bool isHandlingInput() const { return inputDepth > 0; }
    // rect grown to the nearest logical coordinates that fall on device-pixel
    // edges (even ones at 1.5x; rect itself at 1x and 2x).
    CRect toWholeDevicePixels(const CRect& rect) const;
    void setKnobMode(int32_t mode) { knobMode = mode; }
    orva::platform::PlatformFrame* getPlatformFrame() const { return platform.get(); }
    COffscreenContext* getBackBuffer() const { return backBuffer; }
    // Adds a rectangle (frame coordinates) to the area to redraw.
    void invalidFrameRect(const CRect& rect);
    // Draws every dirty view and invalidated area into the back buffer and shows it,
    // rectangle by rectangle of the dirty region.
    void updateDirty();
    // Pixels drawn by the last updateDirty (for measurements and tests).
    long getLastRedrawArea() const { return lastRedrawArea; }
    // One tick: panels slide and fade, then dirty views are redrawn.
    void animateAndRedraw();
    // Redraws the whole tree into the back buffer (and the window).
    void redrawAll();
    // Called by containers when a view leaves the tree.
    void onViewRemoved(CView* view);
    CView* getViewUnderMouse() const { return viewUnderMouse; }
    int32_t getIdleTicks() const { return idleTicks; }
    void countTick() { ++idleTicks; }

    // --- input, in frame coordinates ---
    CMouseEventResult platformOnMouseDown(CPoint where, int32_t buttons) override;
    CMouseEventResult platformOnMouseUp(CPoint where, int32_t buttons) override;
    CMouseEventResult platformOnMouseMoved(CPoint where, int32_t buttons) override;
    void platformOnMouseExited() override;
    bool platformOnWheel(CPoint where, CMouseWheelAxis axis, float distance, int32_t buttons) override;
    int32_t platformOnKeyDown(unsigned char virt, int32_t character, unsigned char modifier) override;
    int32_t platformOnKeyUp(unsigned char virt, int32_t character, unsigned char modifier) override;
    // Files dragged over the frame: whether the view under the point takes them,
    // and dropping them there (nothing goes past a modal view).
    bool platformCanDrop(CPoint where) override;
    bool platformOnDrop(CPoint where, const std::vector<std::string>& files) override;
    // The window was exposed or resized (frame coordinates).
    void platformOnExpose(const CRect& rect) override;
    // The platform window disappeared under us (the host destroyed its window).
    void platformOnWindowLost() override;
    // The back buffer's surface, for the window to show.
    cairo_surface_t* platformBackBuffer() override;

private:
    void updateViewUnderMouse(const CPoint& where, int32_t buttons);

    VSTGUIEditorInterface* editor;
    double scale = 1.0;
    std::unique_ptr<orva::platform::PlatformFrame> platform;
    COffscreenContext* backBuffer = nullptr;
    CRegion invalidRegion;
    bool opened = false;
    bool drawing = false;
    CView* focusView = nullptr;
    CView* modalView = nullptr;
    CView* viewUnderMouse = nullptr;
    std::vector<IMouseObserver*> mouseObservers;
    int32_t knobMode = kCircularMode;
    int32_t idleTicks = 0;
    int32_t inputDepth = 0;
    long lastRedrawArea = 0;
};

}  // namespace VSTGUI
