// Watches the mouse over a frame (the tooltip support is one).
#pragma once

#include "platform/GuiTypes.h"

namespace VSTGUI {

class CView;
class CFrame;

class IMouseObserver {
public:
    virtual ~IMouseObserver() = default;
    virtual void onMouseEntered(CView* view, CFrame* frame) = 0;
    virtual void onMouseExited(CView* view, CFrame* frame) = 0;
    virtual void onMouseMoved(CFrame* frame, const CPoint& where) = 0;
    virtual void onMouseDown(CFrame* frame, const CPoint& where) = 0;
};

}  // namespace VSTGUI
