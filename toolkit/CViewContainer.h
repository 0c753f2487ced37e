// A view holding child views. Children's rectangles are in the container's own
// coordinates (relative to its left and top). Children are drawn in insertion
// order (later ones on top) and asked for mouse presses in reverse order.
#pragma once

#include "toolkit/CRegion.h"
#include "toolkit/CView.h"

#include <vector>

namespace VSTGUI {

class CViewContainer : public CView {
public:
    CViewContainer(const CRect& size, CFrame* frame = nullptr, CBitmap* background = nullptr);
    ~CViewContainer() override;

    CMessageResult notify(CBaseObject* sender, const char* message) override;
    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const int32_t& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const int32_t& buttons) override;
    bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                 const int32_t& buttons) override;
    bool onWheel(const CPoint& where, const float& distance, const int32_t& buttons) override;
    // Drops go to the topmost child under the point that can take input, as presses do.
    bool acceptsDrop(const CPoint& where) override;
    bool onDrop(const CPoint& where, const std::vector<std::string>& files) override;
    bool isTypeOf(const char* type) const override;
    CView* newCopy() const override;
    bool animate() override;

    // --- container operations ---
    // The container takes over the caller's reference.
    virtual bool addView(CView* view);
    virtual bool addView(CView* view, CView* before);
    virtual bool removeView(CView* view, bool withForget = true);
    virtual bool removeAll(bool withForget = true);
    virtual bool isChild(CView* view) const;
    virtual int32_t getNbViews() const { return int32_t(children.size()); }
    virtual CView* getView(int32_t index) const;
    // The topmost visible child whose rectangle holds where (in this container's
    // parent's coordinates); deep descends into child containers.
    virtual CView* getViewAt(const CPoint& where, bool deep = false) const;
    // The topmost visible, mouse-enabled child hit at where (parent coordinates),
    // and where in this container's coordinates.
    CView* childForInput(const CPoint& where, CPoint& local, int32_t buttons = -1) const;
    virtual void setBackgroundColor(CColor color);
    virtual CColor getBackgroundColor() const { return backgroundColor; }
    virtual void setBackgroundOffset(const CPoint& p) { backgroundOffset = p; }
    virtual const CPoint& getBackgroundOffset() const { return backgroundOffset; }
    // Adds the frame rectangles of every dirty view below to region.
    virtual void collectDirty(CRegion& region) const;

    CView* getMouseDownView() const { return mouseDownView; }
    // Forgets view (and anything inside it) as the mouse-down view, here and below.
    void forgetView(CView* view);
    // Hands the frame pointer to every view below (after the container is attached).
    void propagateFrame();

protected:
    void drawBackgroundRect(CDrawContext* context, const CRect& rect);

    std::vector<CView*> children;
    CColor backgroundColor = kTransparentCColor;
    CPoint backgroundOffset;
    CView* mouseDownView = nullptr;
};

// True when descendant is view or lies anywhere inside it.
bool isViewInside(const CView* descendant, const CView* view);

}  // namespace VSTGUI
