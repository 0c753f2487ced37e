// Shows a view's tooltip attribute after the mouse rests on it: half a second
// at first, 50 ms when moving on from a tooltip that is being hidden, so a row
// of knobs can be browsed; pressing the mouse hides it.
#pragma once

#include "toolkit/CBaseObject.h"
#include "toolkit/IMouseObserver.h"

namespace VSTGUI {

class CVSTGUITimer;

class CTooltipSupport : public CBaseObject, public IMouseObserver {
public:
    enum State { kHidden, kShowing, kVisible, kForceVisible, kHiding };
    static constexpr int32_t kDelayMs = 500;

    explicit CTooltipSupport(CFrame* frame, int32_t delayMs = kDelayMs);
    ~CTooltipSupport() override;

    void onMouseEntered(CView* view, CFrame* frame) override;
    void onMouseExited(CView* view, CFrame* frame) override;
    void onMouseMoved(CFrame* frame, const CPoint& where) override;
    void onMouseDown(CFrame* frame, const CPoint& where) override;
    CMessageResult notify(CBaseObject* sender, const char* message) override;

    State getState() const { return state; }
    CView* getCurrentView() const { return currentView; }
    CVSTGUITimer* getTimer() const { return timer; }

private:
    void showTooltip();
    void hideTooltip();

    CFrame* frame;
    CVSTGUITimer* timer;
    CView* currentView = nullptr;
    CPoint lastMouse;
    int32_t delay;
    State state = kHidden;
};

}  // namespace VSTGUI
