// A rectangular view in the tree under a frame. Its size and mouseable rectangles
// are in its parent container's coordinates (the frame's for views added to the
// frame itself). A view can be set up as a sliding panel: it then moves between a
// home and an alternate rectangle and can fade, one step per frame-timer tick.
#pragma once

#include "toolkit/CBaseObject.h"
#include "platform/GuiTypes.h"
#include "toolkit/CNotifyRecord.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace VSTGUI {

class CBitmap;
class CDrawContext;
class CFrame;
class CViewContainer;

// Attribute identifier of a view's tooltip text (UTF-8, zero-terminated).
constexpr uint32_t kCViewTooltipAttribute = 0x63767474;

class CView : public CBaseObject {
public:
    explicit CView(const CRect& size);
    CView(const CView& other);
    ~CView() override;

    // --- virtual operations, in table order after CBaseObject's ---
    // Called on every control at every frame-timer tick; nothing here.
    virtual void refresh() {}
    // Makes the view a sliding panel: alternate is where it rests when hidden; it
    // starts there (not visible at all when startsHidden). slideFraction is the part of the remaining distance covered
    // per tick; fadeRate other than 1.0 also fades it in and out.
    virtual void setupSlidingPanel(const CRect& alternate, bool startsHidden, float slideFraction,
                                   float fadeRate);
    // Moves the view to rect at once and makes it its home; an alternate rectangle
    // that was the home until now moves with it. A non-zero fadeStep starts a fade
    // with that step per tick.
    virtual void setHomeRect(const CRect& rect, float fadeStep);
    // Where a sliding panel goes when it is hidden.
    virtual void setAlternateRect(const CRect& rect);
    // Typed records between views (links, display data): a separate path from the
    // string notifications, so neither can be taken for the other.
    virtual CMessageResult notifyRecord(CBaseObject* /*sender*/, const CNotifyRecord& /*record*/) {
        return kMessageUnknown;
    }
    virtual void draw(CDrawContext* context);
    virtual void drawRect(CDrawContext* context, const CRect& updateRect);
    virtual bool checkUpdate(const CRect& updateRect) const { return updateRect.rectOverlap(size); }
    virtual bool isDirty() const { return dirty; }
    virtual void setDirty(bool value = true) { dirty = value; }
    virtual void invalidRect(const CRect& rect);
    virtual void invalid();
    virtual void setVisible(bool state);
    virtual CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons);
    virtual CMouseEventResult onMouseUp(CPoint& where, const int32_t& buttons);
    virtual CMouseEventResult onMouseMoved(CPoint& where, const int32_t& buttons);
    virtual CMouseEventResult onMouseEntered(CPoint& where, const int32_t& buttons);
    virtual CMouseEventResult onMouseExited(CPoint& where, const int32_t& buttons);
    virtual bool hitTest(const CPoint& where, const int32_t& buttons = -1);
    // Vertical wheel goes to the plain wheel; horizontal goes there negated.
    virtual bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                         const int32_t& buttons);
    virtual bool onWheel(const CPoint& where, const float& distance, const int32_t& buttons);
    virtual void setMouseableArea(const CRect& rect) { mouseableArea = rect; }
    virtual void setViewSize(const CRect& rect, bool invalidate = true);
    virtual CPoint& frameToLocal(CPoint& point) const;
    virtual CPoint& localToFrame(CPoint& point) const;
    virtual void looseFocus() {}
    virtual void takeFocus() {}
    virtual void setBackground(CBitmap* background);
    virtual bool isTypeOf(const char* type) const;
    virtual CView* newCopy() const { return new CView(*this); }
    // Keys (VST 2.x key codes); -1 when not handled.
    virtual int32_t onKeyDown(const unsigned char virt, const int32_t character, const unsigned char modifier);
    virtual int32_t onKeyUp(const unsigned char virt, const int32_t character, const unsigned char modifier);
    // One tick of the sliding and fading animation; true while anything moved.
    virtual bool animate();
    // Files dragged over the view (where in the parent's coordinates, like the
    // mouse): whether it would take them, and taking them (absolute paths with
    // links resolved). Views take no files unless they say so.
    virtual bool acceptsDrop(const CPoint& /*where*/) { return false; }
    virtual bool onDrop(const CPoint& /*where*/, const std::vector<std::string>& /*files*/) { return false; }

    // --- plain state ---
    const CRect& getViewSize() const { return size; }
    void getViewSize(CRect& rect) const { rect = size; }
    const CRect& getMouseableArea() const { return mouseableArea; }
    CBitmap* getBackground() const { return background; }
    CFrame* getFrame() const { return frame; }
    CViewContainer* getParentView() const { return parent; }
    void attached(CViewContainer* newParent, CFrame* newFrame) { parent = newParent; frame = newFrame; }
    bool getMouseEnabled() const { return mouseEnabled; }
    void setMouseEnabled(bool enabled) { mouseEnabled = enabled; }
    bool isVisible() const { return visible; }
    bool getTransparency() const { return transparent; }
    void setTransparency(bool value) { transparent = value; }
    bool wantsFocus() const { return wantsFocusFlag; }
    void setWantsFocus(bool value) { wantsFocusFlag = value; }
    // The view's rectangle in frame coordinates.
    CRect getFrameRect() const;

    // At rest: where its animation is headed and fully opaque.
    bool isAtRest() const { return size == targetRect && opacity >= 1.0f; }
    bool isSlidingPanel() const { return slidingPanel; }
    const CRect& getTargetRect() const { return targetRect; }
    const CRect& getHomeRect() const { return homeRect; }
    const CRect& getAlternateRect() const { return alternateRect; }
    float getOpacity() const { return opacity; }
    uint8_t getAlpha() const { return uint8_t(opacity * 255.0f); }

    // Attributes: opaque byte strings by 32-bit identifier (tooltips).
    bool setAttribute(uint32_t id, size_t size, const void* data);
    bool getAttributeSize(uint32_t id, size_t& outSize) const;
    bool getAttribute(uint32_t id, size_t inSize, void* data, size_t& outSize) const;
    bool removeAttribute(uint32_t id) { return attributes.erase(id) != 0; }

protected:
    // Moves the view's rectangles to r without invalidating.
    void placeAt(const CRect& r);
    // Whether showing and hiding fade: a rate strictly between 0 and 1 per tick.
    bool fades() const;

    CRect size;
    CRect mouseableArea;
    CFrame* frame = nullptr;
    CViewContainer* parent = nullptr;
    CBitmap* background = nullptr;
    bool dirty = false;
    bool mouseEnabled = true;
    bool visible = true;
    bool transparent = false;
    bool wantsFocusFlag = false;

    // Sliding panel state.
    bool slidingPanel = false;
    bool startsHidden = false;
    bool hideOnArrival = false;
    CRect homeRect, alternateRect, targetRect;
    float slideFraction = 1.0f;
    float fadeRate = 1.0f;
    float fadeStep = 0.0f;
    float opacity = 1.0f;
    float posX = 0.0f, posY = 0.0f;

    std::map<uint32_t, std::vector<uint8_t>> attributes;
};

}  // namespace VSTGUI
