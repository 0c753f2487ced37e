// An effect with its editor opened without a window, for the editor's offscreen
// tests: the effect runs the plug-in's own graph description through the test
// effect's recording host.
#pragma once

#include "editor/Mox_GUI_Editor.h"
#include "platform/X11Frame.h"
#include "tests/support/TestEffect.h"
#include "toolkit/CControl.h"
#include "toolkit/CFrame.h"

#include <gtest/gtest.h>

#include <cairo.h>
#include <fontconfig/fontconfig.h>

namespace editor_test {

// Cairo and fontconfig keep process-wide caches (fonts, patterns) for the life
// of the process; emptied at the end so the leak checker sees only what the
// editor itself leaves.
struct LibraryCaches : ::testing::Environment {
    void TearDown() override {
        cairo_debug_reset_static_data();
        FcFini();
    }
};
inline const auto* const libraryCaches = ::testing::AddGlobalTestEnvironment(new LibraryCaches);

inline Mox_GUI_Editor& EditorOf(Mox_DSP_VST& effect) { return *static_cast<Mox_GUI_Editor*>(effect.editorObject); }

// A control's value as the editor's thread sees it.
inline float ValueOf(Mox_GUI_Editor& editor, int32_t tag) {
    auto* control = dynamic_cast<VSTGUI::CControl*>(editor.slot(tag));
    return control ? control->getValue() : -1.0f;
}

// What the host's user-interface thread does around a call into the editor.
template <typename F>
void OnEditorThread(F f) {
    orva::platform::UiEntry entry;
    f();
}

// An effect, its editor open offscreen, every picture at rest, the host's calls
// cleared; the users of the controls' tests build on it.
class OpenEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(editor.openOffscreen());
        editor.runTicks(100);
        RecordedHostCalls().clear();
    }
    VSTGUI::CFrame* frame() { return editor.getFrame(); }
    VSTGUI::CPoint centre(int32_t tag) {
        const VSTGUI::CRect r = editor.slot(tag)->getFrameRect();
        return VSTGUI::CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    // A value set by the host, then time for every picture to settle.
    void set(int32_t tag, float v) {
        OnEditorThread([&] { effect.setParameter(tag, v); });
        editor.runTicks(100);
    }

    TestEffect effect;
    Mox_GUI_Editor& editor = EditorOf(effect);
};

}  // namespace editor_test
