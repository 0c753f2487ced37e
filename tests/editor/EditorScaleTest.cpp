// The editor at 1.5 and 2 device pixels per logical pixel, built from the control
// table without a window: the same hit tests and drag distances as at 1x, the
// size menu on the name label, and the resize the host is asked for.
#include "tests/editor/EditorTestSupport.h"

#include "platform/DisplayScale.h"
#include "platform/PlatformFrame.h"
#include "toolkit/CDrawContext.h"

#include <vector>

using namespace VSTGUI;
using editor_test::EditorOf;
using editor_test::OnEditorThread;

namespace {

struct ScaledEditor {
    explicit ScaledEditor(double scale) {
        EXPECT_TRUE(editor.openOffscreen(scale));
        editor.runTicks(100);
        RecordedHostCalls().clear();
    }
    CFrame* frame() { return editor.getFrame(); }
    orva::platform::OffscreenFrame& platform() {
        return *static_cast<orva::platform::OffscreenFrame*>(frame()->getPlatformFrame());
    }
    void drag(CPoint at, int dy) {
        OnEditorThread([&] {
            frame()->platformOnMouseDown(at, kLButton);
            for (int i = 1; i <= std::abs(dy); ++i)
                frame()->platformOnMouseMoved(CPoint(at.h, at.v + (dy < 0 ? -i : i)), kLButton);
            frame()->platformOnMouseUp(CPoint(at.h, at.v + dy), 0);
        });
    }
    void rightClick(CPoint at) {
        OnEditorThread([&] {
            frame()->platformOnMouseDown(at, kRButton);
            frame()->platformOnMouseUp(at, 0);
        });
    }
    std::vector<HostRecord> sizeRequests() {
        std::vector<HostRecord> found;
        for (const HostRecord& r : RecordedHostCalls())
            if (r.opcode == audioMasterSizeWindow) found.push_back(r);
        return found;
    }

    TestEffect effect;
    Mox_GUI_Editor& editor = EditorOf(effect);
};

constexpr int32_t kParallel = 3;

class AtScale : public ::testing::TestWithParam<double> {};

TEST_P(AtScale, HitTestsAndDragDistancesAreThoseOfTheLayout) {
    const double scale = GetParam();
    ScaledEditor plain(1.0), scaled(scale);
    ASSERT_DOUBLE_EQ(scaled.editor.scale(), scale);
    // The back buffer holds the scaled picture; the frame stays 1090 x 420.
    EXPECT_EQ(scaled.frame()->getViewSize().width(), 1090);
    EXPECT_EQ(scaled.frame()->getBackBuffer()->getPixelWidth(), orva::platform::scaledPixels(1090, scale));
    EXPECT_EQ(scaled.frame()->getBackBuffer()->getPixelHeight(), orva::platform::scaledPixels(420, scale));

    // Every control takes a press where it does at 1x (alpha hit tests of knobs
    // and buttons included), at every third logical pixel of it. Only a
    // pixel on a picture's edge, whose alpha the finer picture draws a little
    // differently (text glyphs most), may answer otherwise, and only as a 1x
    // pixel at most two away does.
    size_t points = 0, misses = 0, different = 0;
    for (int32_t tag = 0; tag < Mox_GUI_Editor::kSlots; ++tag) {
        CView* at1 = plain.editor.slot(tag);
        CView* atS = scaled.editor.slot(tag);
        ASSERT_EQ(at1 == nullptr, atS == nullptr);
        if (!dynamic_cast<CControl*>(at1) || !at1->isVisible()) continue;
        const CRect r = at1->getViewSize();
        ASSERT_EQ(atS->getViewSize(), r);
        for (int32_t y = r.top; y < r.bottom; y += 3)
            for (int32_t x = r.left; x < r.right; x += 3) {
                const bool expected = at1->hitTest(CPoint(x, y), kLButton);
                const bool found = atS->hitTest(CPoint(x, y), kLButton);
                ++points;
                misses += !expected;
                if (found == expected) continue;
                bool onEdge = false;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx) onEdge |= at1->hitTest(CPoint(x + dx, y + dy), kLButton) == found;
                EXPECT_TRUE(onEdge) << "tag " << tag << " at " << x << ", " << y;
                ++different;
            }
    }
    EXPECT_GT(misses, 0u) << "the knobs' transparent corners take no press";
    EXPECT_LT(different * 200, points) << "edge pixels only";

    // "Parallel": 60 logical pixels up cover the whole range, 59 do not.
    const CRect knob = scaled.editor.slot(kParallel)->getFrameRect();
    const CPoint centre((knob.left + knob.right) / 2, (knob.top + knob.bottom) / 2);
    OnEditorThread([&] { scaled.effect.setParameter(kParallel, 0.0f); });
    scaled.drag(centre, -59);
    EXPECT_LT(scaled.effect.getParameter(kParallel), 1.0f);
    OnEditorThread([&] { scaled.effect.setParameter(kParallel, 0.0f); });
    scaled.drag(centre, -60);
    EXPECT_FLOAT_EQ(scaled.effect.getParameter(kParallel), 1.0f);
}

// Partial redraws leave no seams: after knobs and a fader move (each redrawn
// alone, rectangles whose logical edges may fall inside device pixels), the
// picture is the one a full redraw makes.
TEST_P(AtScale, PartialRedrawsMatchAFullRedraw) {
    ScaledEditor e(GetParam());
    OnEditorThread([&] { e.frame()->redrawAll(); });
    for (int32_t tag : {kParallel, 10, 6, 8})
        OnEditorThread([&] { e.effect.setParameter(tag, 0.73f); });
    for (int i = 0; i < 40; ++i) {
        e.editor.runTicks(1);
        OnEditorThread([&] { e.frame()->updateDirty(); });
    }
    ASSERT_GT(e.frame()->getLastRedrawArea(), -1);
    COffscreenContext* buffer = e.frame()->getBackBuffer();
    std::vector<uint32_t> partial;
    for (int32_t y = 0; y < buffer->getPixelHeight(); ++y)
        for (int32_t x = 0; x < buffer->getPixelWidth(); ++x) partial.push_back(buffer->getPixel(x, y));
    OnEditorThread([&] { e.frame()->redrawAll(); });
    long differences = 0;
    size_t i = 0;
    for (int32_t y = 0; y < buffer->getPixelHeight(); ++y)
        for (int32_t x = 0; x < buffer->getPixelWidth(); ++x) differences += partial[i++] != buffer->getPixel(x, y);
    EXPECT_EQ(differences, 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, AtScale, ::testing::Values(1.5, 2.0));

int32_t ChooseTwoHundred(const std::vector<orva::platform::PopupMenuEntry>& entries, void*) {
    for (const auto& e : entries)
        if (e.title == "200 %") return e.command;
    return -1;
}

CPoint NameLabel() {
    const CRect r = Mox_GUI_Editor::sizeMenuSpot();
    return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// The size menu: "Size" over its four choices; 200 % asks the host for 2180 x 840
// and, granted, rebuilds the editor at 2; refused, everything stays at 1x.
class SizeMenu : public ::testing::TestWithParam<bool> {
protected:
    void TearDown() override { HostGrantsWindowSize() = false; }
};

TEST_P(SizeMenu, TwoHundredPercentAsksTheHostForTheDoubleSize) {
    const bool granted = GetParam();
    HostGrantsWindowSize() = granted;
    ScaledEditor e(1.0);
    e.platform().menuChooser = ChooseTwoHundred;
    e.rightClick(NameLabel());
    std::vector<std::string> titles;
    for (const auto& entry : e.platform().lastMenu) titles.push_back(entry.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"Size", "Automatic", "100 %", "150 %", "200 %"}));
    EXPECT_TRUE(e.platform().lastMenu[0].titleItem);
    EXPECT_TRUE(e.sizeRequests().empty()) << "nothing is rebuilt inside the click";

    e.editor.idle();
    const std::vector<HostRecord> requests = e.sizeRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].index, 2180);
    EXPECT_EQ(requests[0].value, 840);
    ERect* rect = nullptr;
    ASSERT_TRUE(e.editor.getRect(&rect));
    EXPECT_EQ(rect->right - rect->left, granted ? 2180 : 1090);
    EXPECT_EQ(rect->bottom - rect->top, granted ? 840 : 420);
    EXPECT_DOUBLE_EQ(e.editor.scale(), granted ? 2.0 : 1.0);
    EXPECT_EQ(e.frame()->getBackBuffer()->getPixelWidth(), granted ? 2180 : 1090);
    ASSERT_NE(e.editor.slot(kParallel), nullptr) << "the rebuilt editor has its controls";

    // The choice stays with the instance: the next open takes it.
    EXPECT_EQ(e.effect.editorSizePercent, 200);
    e.editor.close();
    ASSERT_TRUE(e.editor.openOffscreen(1.0));
    EXPECT_DOUBLE_EQ(e.editor.scale(), 2.0);
    e.editor.idle();
    EXPECT_EQ(e.sizeRequests().size(), 1u) << "an open at the chosen size asks for nothing more";
}
INSTANTIATE_TEST_SUITE_P(Host, SizeMenu, ::testing::Values(true, false));

TEST(SizeMenuSpot, OnlyTheRightButtonOpensTheMenu) {
    ScaledEditor e(1.0);
    OnEditorThread([&] {
        e.frame()->platformOnMouseDown(NameLabel(), kLButton);
        e.frame()->platformOnMouseUp(NameLabel(), 0);
    });
    EXPECT_TRUE(e.platform().lastMenu.empty());
    e.rightClick(NameLabel());
    EXPECT_FALSE(e.platform().lastMenu.empty());
    e.editor.idle();  // cancelled: nothing changes
    EXPECT_TRUE(e.sizeRequests().empty());
    EXPECT_EQ(e.effect.editorSizePercent, 0);
}

}  // namespace
