// A view with a value: range, default, the value last drawn, a tag, a listener,
// and the editing protocol every user change runs through.
#pragma once

#include "toolkit/CView.h"

namespace VSTGUI {

class CControlListener;

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener = nullptr, int32_t tag = 0,
             CBitmap* background = nullptr);
    CControl(const CControl& other) = default;

    // Dirty when the value is not the one last drawn, or when marked.
    bool isDirty() const override;
    void setDirty(bool value = true) override;
    bool isTypeOf(const char* type) const override;
    CView* newCopy() const override { return new CControl(*this); }
    void draw(CDrawContext* context) override;

    // --- control operations, in table order ---
    virtual void setValue(float v) { value = v; }
    virtual float getValue() const { return value; }
    virtual void setMin(float v) { vmin = v; }
    virtual float getMin() const { return vmin; }
    virtual void setMax(float v) { vmax = v; }
    virtual float getMax() const { return vmax; }
    virtual void setOldValue(float v) { oldValue = v; }
    virtual float getOldValue() const { return oldValue; }
    virtual void setDefaultValue(float v) { defaultValue = v; }
    virtual float getDefaultValue() const { return defaultValue; }
    virtual void bounceValue();
    // The default-value gesture: left + control sets the default value.
    virtual bool checkDefaultValue(int32_t buttons);
    virtual void setTag(int32_t t) { tag = t; }
    virtual int32_t getTag() const { return tag; }
    virtual void beginEdit();
    virtual void endEdit();
    virtual CControlListener* getListener() const { return listener; }
    virtual void setListener(CControlListener* l) { listener = l; }
    virtual void setBackOffset(const CPoint& p) { backOffset = p; }
    virtual void copyBackOffset(CPoint& p) const { p = backOffset; }
    virtual void setWheelInc(float v) { wheelInc = v; }
    virtual float getWheelInc() const { return wheelInc; }

    // The value change a user made, inside its own begin/end edit.
    void userChangeValue(float newValue);
    // The middle of the protocol for a change inside an open edit (drags): set,
    // bounce, report when changed, redraw when dirty.
    void applyUserValue(float newValue);
    const CPoint& getBackOffset() const { return backOffset; }
    int32_t getDoubleClickTime() const { return doubleClickTime; }

protected:
    float value = 0.0f;
    float vmin = 0.0f;
    float vmax = 1.0f;
    float defaultValue = 0.5f;
    float oldValue = 1.0f;
    float wheelInc = 0.1f;
    int32_t tag = 0;
    CControlListener* listener = nullptr;
    CPoint backOffset;
    int32_t doubleClickTime = 250;
};

}  // namespace VSTGUI
