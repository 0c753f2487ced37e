// An effect with its editor opened offscreen, and the user's hands: presses,
// drags and typing through the frame as the window would deliver them, on the
// editor's thread.
#pragma once

#include "tests/editor/EditorTestSupport.h"

#include "platform/PlatformFrame.h"

#include <string>

namespace editor_test {

struct OpenEditor {
    TestEffect effect;  // first: the editor belongs to it
    Mox_GUI_Editor& editor;

    explicit OpenEditor(const ControlDescriptor* table = nullptr, int rows = 0) : editor(EditorOf(effect)) {
        if (table) editor.setLayoutTable(table, rows);
        EXPECT_TRUE(editor.openOffscreen());
    }
    VSTGUI::CFrame* frame() { return editor.getFrame(); }
    orva::platform::OffscreenFrame& platform() {
        return *static_cast<orva::platform::OffscreenFrame*>(frame()->getPlatformFrame());
    }
    template <typename T>
    T* view(int32_t tag) {
        return dynamic_cast<T*>(editor.slot(tag));
    }
    // The middle of a slot's view in frame coordinates.
    VSTGUI::CPoint centreOf(int32_t tag) {
        const VSTGUI::CRect r = editor.slot(tag)->getFrameRect();
        return VSTGUI::CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void press(VSTGUI::CPoint where, int32_t buttons = VSTGUI::kLButton) {
        OnEditorThread([&] {
            frame()->platformOnMouseDown(where, buttons);
            frame()->platformOnMouseUp(where, 0);
        });
    }
    void down(VSTGUI::CPoint where, int32_t buttons = VSTGUI::kLButton) {
        OnEditorThread([&] { frame()->platformOnMouseDown(where, buttons); });
    }
    void move(VSTGUI::CPoint where, int32_t buttons = VSTGUI::kLButton) {
        OnEditorThread([&] { frame()->platformOnMouseMoved(where, buttons); });
    }
    void up(VSTGUI::CPoint where) {
        OnEditorThread([&] { frame()->platformOnMouseUp(where, 0); });
    }
    // Clicks a slot, types text and ends with Return; false when no field opened.
    bool typeInto(int32_t tag, const std::string& text) {
        press(centreOf(tag));
        if (!platform().isEditing()) return false;
        OnEditorThread([&] {
            platform().typeText(text);
            platform().pressReturn();
        });
        return true;
    }
    void draw() {
        OnEditorThread([&] { frame()->updateDirty(); });
    }
};

}  // namespace editor_test
