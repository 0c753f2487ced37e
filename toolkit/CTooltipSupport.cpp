#include "toolkit/CTooltipSupport.h"

#include "platform/PlatformFrame.h"
#include "toolkit/CFrame.h"
#include "toolkit/CVSTGUITimer.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace VSTGUI {

CTooltipSupport::CTooltipSupport(CFrame* f, int32_t d) : frame(f), delay(d) {
    timer = new CVSTGUITimer(this, delay);
    if (frame) frame->registerMouseObserver(this);
}

CTooltipSupport::~CTooltipSupport() {
    if (frame) frame->unregisterMouseObserver(this);
    timer->stop();
    timer->forget();
}

static bool tooltipText(CView* view, std::string& text) {
    size_t n = 0;
    if (!view || !view->getAttributeSize(kCViewTooltipAttribute, n) || n == 0) return false;
    std::vector<char> buffer(n + 1, 0);
    size_t got = 0;
    if (!view->getAttribute(kCViewTooltipAttribute, n, buffer.data(), got)) return false;
    text.assign(buffer.data());
    return !text.empty();
}

void CTooltipSupport::onMouseEntered(CView* view, CFrame*) {
    std::string text;
    if (!tooltipText(view, text)) return;
    currentView = view;
    if (state == kHidden || state == kHiding) {
        timer->setFireTime(state == kHiding ? 50 : delay);
        timer->start();
        state = kShowing;
    }
}

void CTooltipSupport::onMouseExited(CView*, CFrame*) {
    if (state == kHidden || state == kShowing) {
        hideTooltip();
        timer->stop();
        timer->setFireTime(delay);
        state = kHidden;
    } else {
        state = kHiding;
        timer->setFireTime(200);
        timer->start();
    }
    currentView = nullptr;
}

void CTooltipSupport::onMouseMoved(CFrame*, const CPoint& where) {
    if (!currentView || state == kForceVisible) return;
    if (std::abs(where.h - lastMouse.h) < 2 && std::abs(where.v - lastMouse.v) < 2) return;
    lastMouse = where;
    if (state == kHidden) {
        if (timer->isRunning()) timer->setFireTime(delay);
    } else if (state == kVisible) {
        state = kHiding;
        timer->setFireTime(200);
        timer->start();
    }
}

void CTooltipSupport::onMouseDown(CFrame*, const CPoint&) {
    if (state == kHidden) return;
    timer->stop();
    timer->setFireTime(delay);
    hideTooltip();
    state = kHidden;
}

CMessageResult CTooltipSupport::notify(CBaseObject* sender, const char* message) {
    if (!isMessage(message, kMsgTimerFired) || sender != timer) return kMessageUnknown;
    switch (state) {
    case kHiding:
        hideTooltip();
        timer->stop();
        timer->setFireTime(delay);
        state = kHidden;
        break;
    case kShowing:
        showTooltip();
        timer->setFireTime(100);
        state = kForceVisible;
        break;
    case kForceVisible:
        state = kVisible;
        timer->stop();
        timer->setFireTime(delay);
        break;
    default: break;
    }
    return kMessageNotified;
}

void CTooltipSupport::showTooltip() {
    std::string text;
    if (!frame || !frame->getPlatformFrame() || !tooltipText(currentView, text)) return;
    frame->getPlatformFrame()->showTooltip(currentView->getFrameRect(), text);
}

void CTooltipSupport::hideTooltip() {
    if (frame && frame->getPlatformFrame()) frame->getPlatformFrame()->hideTooltip();
}

}  // namespace VSTGUI
