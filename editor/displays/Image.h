// Mox_GUI_Image: one frame of a vertical strip bitmap, chosen by display and link
// records (the dB scale follows the meter type this way). It can fade (a step of
// alpha per tick) and, when the editor gives it an animation, run through its
// frames: looping (kind 1), back and forth (2), cross-fading (3) or sliding each
// new frame in from one of four sides in turn (4). A change of the chosen frame
// is told to the views linked to it.
#pragma once

#include "editor/EditorRecords.h"

#include <cstdint>

class Mox_GUI_Image : public VSTGUI::CView {
public:
    static constexpr int kMaxLinks = 8;
    enum Animation { kNone = 0, kLoop = 1, kBounce = 2, kCrossFade = 3, kSlide = 4 };

    // visible: shown at alpha 255, else hidden at alpha 0. frames: the strip's frame
    // count; the view's height is one frame.
    Mox_GUI_Image(const VSTGUI::CRect& size, VSTGUI::CBitmap* strip, bool visible, int32_t frames);

    // kind: Animation; delayTicks: ticks a whole frame is held; speed: frames a tick;
    // easing: a slide decelerates (cubed) instead of moving evenly.
    void setAnimation(int32_t kind, int32_t delayTicks, float speed, bool easing);

    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override;
    void refresh() override;
    void draw(VSTGUI::CDrawContext* context) override;

    int32_t frame() const { return frameIndex; }
    int32_t shownFrame() const { return int32_t(position); }
    int32_t alpha() const { return imageAlpha; }
    int32_t slideDirection() const { return direction; }

private:
    void SetFrame(int32_t index);

    int32_t frames;
    int32_t frameHeight;
    int32_t frameIndex = 0;
    int32_t imageAlpha;
    int32_t imageFadeStep = 0;
    struct Link {
        VSTGUI::CView* view;
        int32_t slot;
    } links[kMaxLinks] = {};
    int32_t linkCount = 0;
    bool broadcasting = false;

    int32_t kind = kNone;
    int32_t delay = 0, delayLeft = 0;
    float speed = 0.0f;
    bool easing = false;
    float position = 0.0f;     // float frame position (animations), else frameIndex
    int32_t previousFrame = 0; // the frame before the current whole one
    int32_t direction = 0;     // slide side, 0..3
};
