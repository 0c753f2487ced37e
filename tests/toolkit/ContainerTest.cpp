// View tree: drawing order, mouse routing (topmost first, capture, modifier
// clicks), hit testing on skins and sliding panels, the offscreen picture.
#include "ToolkitTestSupport.h"

#include "platform/PlatformFrame.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"
#include "toolkit/COnOffButton.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using namespace VSTGUI;
using toolkit_test::Recorder;

namespace {

// A view that fills its rectangle with one colour and logs the mouse calls it gets.
struct Probe : CView {
    CColor colour;
    CMouseEventResult answer;
    std::vector<std::string>* log;
    std::string name;
    Probe(const CRect& r, CColor c, std::vector<std::string>* l, std::string n,
          CMouseEventResult a = kMouseEventHandled)
        : CView(r), colour(c), answer(a), log(l), name(std::move(n)) {}
    void draw(CDrawContext* context) override {
        context->setFillColor(colour);
        context->drawRect(size, kDrawFilled);
        log->push_back("draw " + name);
        setDirty(false);
    }
    CMouseEventResult onMouseDown(CPoint& p, const int32_t&) override {
        log->push_back("down " + name + " " + std::to_string(p.h) + "," + std::to_string(p.v));
        return answer;
    }
    CMouseEventResult onMouseMoved(CPoint& p, const int32_t&) override {
        log->push_back("moved " + name + " " + std::to_string(p.h) + "," + std::to_string(p.v));
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseUp(CPoint& p, const int32_t&) override {
        log->push_back("up " + name + " " + std::to_string(p.h) + "," + std::to_string(p.v));
        return kMouseEventHandled;
    }
};

constexpr CColor kRed{255, 0, 0, 255};
constexpr CColor kGreen{0, 255, 0, 255};
constexpr CColor kBlue{0, 0, 255, 255};

struct Tree : ::testing::Test {
    Recorder recorder;
    std::vector<std::string> log;
    CFrame* frame = new CFrame(CRect(0, 0, 100, 100), nullptr, &recorder);
    ~Tree() override { frame->forget(); }
    uint32_t pixel(int x, int y) { return frame->getBackBuffer()->getPixel(x, y); }
    auto* platform() { return static_cast<orva::platform::OffscreenFrame*>(frame->getPlatformFrame()); }
};

// A 20 x 20 skin: opaque on the left half, alpha 150 on the right half.
CBitmap* halfTransparentSkin() {
    toolkit_test::PngPicture params;
    params.width = 20;
    params.height = 20;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) params.rows.insert(params.rows.end(), {10, 20, 30, uint8_t(x < 10 ? 255 : 150)});
    const auto png = toolkit_test::writePng(params);
    return CBitmap::createFromPngData(png.data(), png.size());
}

}  // namespace

TEST_F(Tree, LaterChildrenDrawOnTopAndNestedContainersOffsetTheirChildren) {
    frame->addView(new Probe(CRect(0, 0, 60, 60), kRed, &log, "a"));
    frame->addView(new Probe(CRect(40, 40, 100, 100), kGreen, &log, "b"));
    auto* panel = new CViewContainer(CRect(70, 0, 100, 30));
    panel->addView(new Probe(CRect(5, 5, 15, 15), kBlue, &log, "c"));
    frame->addView(panel);
    frame->updateDirty();
    EXPECT_EQ(log, (std::vector<std::string>{"draw a", "draw b", "draw c"}));
    EXPECT_EQ(pixel(10, 10), 0xFFFF0000u);
    EXPECT_EQ(pixel(50, 50), 0xFF00FF00u);  // the overlap shows the later view
    EXPECT_EQ(pixel(76, 6), 0xFF0000FFu);   // 70 + 5 + 1, 0 + 5 + 1
    EXPECT_EQ(pixel(74, 4), 0u);

    // Nothing dirty: nothing drawn. One dirty view: it and what overlaps it redraw.
    log.clear();
    frame->updateDirty();
    EXPECT_TRUE(log.empty());
    frame->getView(0)->invalid();
    frame->updateDirty();
    EXPECT_EQ(log, (std::vector<std::string>{"draw a", "draw b"}));
    EXPECT_EQ(pixel(50, 50), 0xFF00FF00u);

    // The offscreen picture can be written as a PNG.
    const std::string path = ::testing::TempDir() + "/toolkit_tree.png";
    ASSERT_TRUE(frame->getBackBuffer()->writePNG(path.c_str()));
    std::ifstream file(path, std::ios::binary);
    char signature[4] = {};
    file.read(signature, 4);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
    std::remove(path.c_str());
}

TEST_F(Tree, PressGoesToTheTopmostHitViewOnlyAndCapturesTheMouse) {
    frame->addView(new Probe(CRect(0, 0, 60, 60), kRed, &log, "a"));
    frame->addView(new Probe(CRect(40, 40, 100, 100), kGreen, &log, "b"));
    auto* panel = new CViewContainer(CRect(50, 50, 100, 100));
    panel->addView(new Probe(CRect(0, 0, 20, 20), kBlue, &log, "c"));
    frame->addView(panel);

    EXPECT_EQ(frame->platformOnMouseDown(CPoint(55, 55), kLButton), kMouseEventHandled);
    EXPECT_TRUE(platform()->mouseCaptured);
    frame->platformOnMouseMoved(CPoint(0, 0), kLButton);  // outside every view: still c's
    EXPECT_EQ(frame->platformOnMouseUp(CPoint(1, 2), 0), kMouseEventHandled);
    EXPECT_FALSE(platform()->mouseCaptured);
    EXPECT_EQ(log, (std::vector<std::string>{"down c 5,5", "moved c -50,-50", "up c -49,-48"}));

    // A view that does not handle the press stops the search all the same.
    log.clear();
    frame->addView(new Probe(CRect(0, 0, 10, 10), kRed, &log, "d", kMouseEventNotHandled));
    EXPECT_EQ(frame->platformOnMouseDown(CPoint(5, 5), kLButton), kMouseEventNotHandled);
    EXPECT_EQ(log, (std::vector<std::string>{"down d 5,5"}));
    EXPECT_FALSE(platform()->mouseCaptured);
    frame->platformOnMouseMoved(CPoint(6, 6), kLButton);  // no capture: a plain move

    // Handled without wanting moves: no capture, no moves routed.
    log.clear();
    EXPECT_EQ(frame->platformOnMouseDown(CPoint(95, 5), kLButton), kMouseEventNotHandled);  // nothing there
    EXPECT_TRUE(log.empty());
}

TEST_F(Tree, ModifierClicksAskTheListenerFirst) {
    auto* button = new COnOffButton(CRect(0, 0, 20, 20), &recorder, 9, nullptr);
    frame->addView(button);
    // Plain left and middle presses do not ask.
    frame->platformOnMouseDown(CPoint(5, 5), kLButton);
    EXPECT_EQ(recorder.log.front(), "listenerBegin");
    EXPECT_EQ(button->getValue(), 1.0f);

    recorder.log.clear();
    recorder.takeModifierClicks = 1;
    EXPECT_EQ(frame->platformOnMouseDown(CPoint(5, 5), kRButton), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_EQ(frame->platformOnMouseDown(CPoint(5, 5), kLButton | kShift),
              kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"modifierClicked:8", "modifierClicked:18"}));
    EXPECT_EQ(button->getValue(), 1.0f);  // taken: the button never saw them

    recorder.log.clear();
    recorder.takeModifierClicks = 0;
    frame->platformOnMouseDown(CPoint(5, 5), kLButton | kShift);  // not taken: the button toggles
    EXPECT_EQ(recorder.log.front(), "modifierClicked:18");
    EXPECT_EQ(button->getValue(), 0.0f);
}

TEST_F(Tree, HitTestSkipsTransparentSkinPixelsAndViewsInMotion) {
    CBitmap* skin = halfTransparentSkin();
    auto* lower = new Probe(CRect(0, 0, 40, 40), kRed, &log, "lower");
    auto* upper = new Probe(CRect(0, 0, 20, 20), kGreen, &log, "upper");
    upper->setBackground(skin);
    skin->forget();
    frame->addView(lower);
    frame->addView(upper);
    frame->platformOnMouseDown(CPoint(5, 5), kLButton);   // opaque part of the skin
    frame->platformOnMouseUp(CPoint(5, 5), 0);
    frame->platformOnMouseDown(CPoint(15, 5), kLButton);  // alpha 150: falls through
    frame->platformOnMouseUp(CPoint(15, 5), 0);
    EXPECT_EQ(log[0], "down upper 5,5");
    EXPECT_EQ(log[2], "down lower 15,5");

    // A sliding panel takes no presses until it has arrived.
    log.clear();
    auto* panel = new CViewContainer(CRect(0, 0, 40, 40));
    panel->addView(new Probe(CRect(0, 0, 40, 40), kBlue, &log, "inPanel"));
    frame->addView(panel);
    panel->setupSlidingPanel(CRect(0, -30, 40, 10), false, 0.5f, 1.0f);
    EXPECT_TRUE(panel->isAtRest());
    panel->setVisible(true);  // on its way home
    frame->animateAndRedraw();
    EXPECT_FALSE(panel->isAtRest());
    EXPECT_EQ(panel->getViewSize().top, -15);
    frame->platformOnMouseDown(CPoint(5, 5), kLButton);
    frame->platformOnMouseUp(CPoint(5, 5), 0);
    for (int i = 0; i < 20 && !panel->isAtRest(); ++i) frame->animateAndRedraw();
    EXPECT_EQ(panel->getViewSize(), CRect(0, 0, 40, 40));
    frame->platformOnMouseDown(CPoint(5, 5), kLButton);
    frame->platformOnMouseUp(CPoint(5, 5), 0);
    std::vector<std::string> presses;
    for (const auto& entry : log)
        if (entry.rfind("draw", 0) != 0) presses.push_back(entry);
    EXPECT_EQ(presses, (std::vector<std::string>{"down upper 5,5", "up upper 5,5", "down inPanel 5,5", "up inPanel 5,5"}));
}

TEST_F(Tree, FadingPanelIsNotHitAndHidesOnArrival) {
    auto* panel = new CViewContainer(CRect(10, 10, 30, 30));
    panel->addView(new Probe(CRect(0, 0, 20, 20), kBlue, &log, "p"));
    frame->addView(panel);
    panel->setupSlidingPanel(CRect(10, 10, 30, 30), true, 1.0f, 0.5f);
    panel->setVisible(false);
    frame->animateAndRedraw();
    EXPECT_FALSE(panel->isVisible());
    panel->setVisible(true);
    EXPECT_TRUE(panel->isVisible());
    frame->animateAndRedraw();  // opacity 0.5: drawn half transparent, not hit
    EXPECT_NEAR(int(pixel(15, 15) >> 24), 128, 1);
    EXPECT_EQ(frame->platformOnMouseDown(CPoint(15, 15), kLButton), kMouseEventNotHandled);
    frame->animateAndRedraw();
    EXPECT_EQ(pixel(15, 15), 0xFF0000FFu);
    EXPECT_EQ(frame->platformOnMouseDown(CPoint(15, 15), kLButton), kMouseEventHandled);
    frame->platformOnMouseUp(CPoint(15, 15), 0);
}

TEST_F(Tree, RemovingTheCapturingViewMidDragIsSafe) {
    auto* v = new Probe(CRect(0, 0, 20, 20), kRed, &log, "v");
    frame->addView(v);
    frame->platformOnMouseMoved(CPoint(5, 5), 0);
    EXPECT_EQ(frame->getViewUnderMouse(), v);
    frame->platformOnMouseDown(CPoint(5, 5), kLButton);
    frame->removeView(v);
    EXPECT_EQ(frame->getViewUnderMouse(), nullptr);
    EXPECT_EQ(frame->platformOnMouseMoved(CPoint(6, 6), kLButton), kMouseEventNotHandled);
    EXPECT_EQ(frame->platformOnMouseUp(CPoint(6, 6), 0), kMouseEventNotHandled);
}

TEST(BaseObject, ReferenceCountingAndContainerNotification) {
    static int deleted = 0;
    struct Counted : CView {
        using CView::CView;
        ~Counted() override { ++deleted; }
    };
    auto* container = new CViewContainer(CRect(0, 0, 10, 10));
    auto* view = new Counted(CRect(0, 0, 5, 5));
    EXPECT_EQ(view->getNbReference(), 1);
    view->remember();
    container->addView(view);
    container->removeView(view, true);  // the container's reference
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(view->getNbReference(), 1);
    EXPECT_EQ(view->notify(nullptr, kMsgCheckIfViewContainer), kMessageUnknown);
    EXPECT_EQ(container->notify(nullptr, std::string("kMsgCheckIfViewContainer").c_str()), kMessageNotified);
    container->addView(view);
    container->forget();  // releases its children
    EXPECT_EQ(deleted, 1);
}
