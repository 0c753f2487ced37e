// A knob drawn as one of several pictures stacked vertically in its bitmap.
#pragma once

#include "toolkit/CKnob.h"

namespace VSTGUI {

class IMultiBitmapControl {
public:
    virtual ~IMultiBitmapControl() = default;
    virtual void setHeightOfOneImage(int32_t height) { heightOfOneImage = height; }
    virtual int32_t getHeightOfOneImage() const { return heightOfOneImage; }
    void setNumSubPixmaps(int32_t count) { subPixmaps = count; }
    int32_t getNumSubPixmaps() const { return subPixmaps; }

protected:
    int32_t heightOfOneImage = 0;
    int32_t subPixmaps = 0;
};

class CAnimKnob : public CKnob, public IMultiBitmapControl {
public:
    CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
              int32_t heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint());
    // The sub-picture count follows from the bitmap's height and the view's height.
    CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
              const CPoint& offset = CPoint());

    void draw(CDrawContext* context) override;
    bool isTypeOf(const char* type) const override;
    CView* newCopy() const override { return new CAnimKnob(*this); }

    void setInverseBitmap(bool value) { inverseBitmap = value; }
    bool getInverseBitmap() const { return inverseBitmap; }
    // The sub-picture the current value shows, or -1 when the value is negative.
    int32_t frameIndex() const;

private:
    bool inverseBitmap = false;
};

}  // namespace VSTGUI
