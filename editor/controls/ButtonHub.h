// Invisible controls that tie buttons to parameters.
// Mox_GUI_Multi_Button_Hub: a row of N registered buttons as one N-way parameter;
// the pressed member's slot number is the chosen index, value index / (N - 1).
// Mox_GUI_Float_Store: relays one parameter to one linked view and back.
#pragma once

#include "editor/EditorRecords.h"
#include "toolkit/CControl.h"

#include <vector>

class Mox_DSP_VST;

class Mox_GUI_Multi_Button_Hub : public VSTGUI::CControl {
public:
    static constexpr size_t kMaxMembers = 32;
    Mox_GUI_Multi_Button_Hub(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                             Mox_DSP_VST* effect);
    void setValue(float x) override;
    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override;
    void draw(VSTGUI::CDrawContext*) override { setDirty(false); }
    bool isTypeOf(const char* type) const override;
    int32_t selected() const { return selectedIndex; }

private:
    struct Member {
        VSTGUI::CView* view;
        int32_t slot;
    };
    Mox_DSP_VST* effect;
    std::vector<Member> members;
    int32_t selectedIndex = 0;
    bool guard = false;
};

class Mox_GUI_Float_Store : public VSTGUI::CControl {
public:
    Mox_GUI_Float_Store(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                        Mox_DSP_VST* effect);
    void setValue(float x) override;
    VSTGUI::CMessageResult notifyRecord(VSTGUI::CBaseObject* sender, const VSTGUI::CNotifyRecord& record) override;
    void draw(VSTGUI::CDrawContext*) override { setDirty(false); }
    bool isTypeOf(const char* type) const override;

private:
    Mox_DSP_VST* effect;
    VSTGUI::CView* linked = nullptr;
    int32_t linkedSlot = 0;
};
