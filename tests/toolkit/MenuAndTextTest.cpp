// Option menus (columns, numbering, flags, submenus, choosing) and the text
// edit's field (opening, Return, focus loss, length limit).
#include "ToolkitTestSupport.h"

#include "platform/PlatformFrame.h"
#include "toolkit/CFontDesc.h"
#include "toolkit/CFrame.h"
#include "toolkit/COptionMenu.h"
#include "toolkit/CTextEdit.h"

#include <gtest/gtest.h>

using namespace VSTGUI;
using orva::platform::OffscreenFrame;
using orva::platform::PopupMenuEntry;
using toolkit_test::Recorder;

namespace {

struct Menus : ::testing::Test {
    Recorder recorder;
    CFrame* frame = new CFrame(CRect(0, 0, 300, 200), nullptr, &recorder);
    ~Menus() override { frame->forget(); }
    OffscreenFrame* platform() { return static_cast<OffscreenFrame*>(frame->getPlatformFrame()); }
    COptionMenu* menu(int items, int style = 0) {
        auto* m = new COptionMenu(CRect(10, 10, 110, 30), &recorder, 12, nullptr, style);
        for (int i = 0; i < items; ++i) m->addEntry(("Item " + std::to_string(i + 1)).c_str());
        frame->addView(m);
        return m;
    }
};

std::vector<int> breaks(const std::vector<PopupMenuEntry>& entries) {
    std::vector<int> out;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].columnBreak) out.push_back(int(i) + 1);  // 1-based item numbers
    return out;
}

}  // namespace

TEST_F(Menus, LongMenusBreakIntoColumnsBelow160Items) {
    COptionMenu* m = menu(20);
    m->setNbItemsPerColumn(8);
    int command = 0;
    EXPECT_EQ(breaks(m->buildPlatformMenu(command)), (std::vector<int>{9, 17}));
    m->setNbItemsPerColumn(0);
    command = 0;
    EXPECT_TRUE(breaks(m->buildPlatformMenu(command)).empty());

    COptionMenu* big = menu(160);
    big->setNbItemsPerColumn(8);
    command = 0;
    EXPECT_TRUE(breaks(big->buildPlatformMenu(command)).empty());
    big->removeEntry(0);  // 159 items
    command = 0;
    EXPECT_EQ(breaks(big->buildPlatformMenu(command)).size(), 19u);
}

TEST_F(Menus, NumberingFlagsAndCheckMarks) {
    COptionMenu* m = menu(0, kCheckStyle);
    m->addEntry("Header", -1, CMenuItem::kTitle);
    m->addEntry("-");
    m->addEntry("Off", -1, CMenuItem::kDisabled);
    m->addEntry("On", -1, CMenuItem::kChecked);
    for (int i = 0; i < 8; ++i) m->addEntry("x");
    m->setPrefixNumbers(2);
    int command = 0;
    auto entries = m->buildPlatformMenu(command);
    ASSERT_EQ(entries.size(), 12u);
    EXPECT_EQ(entries[0].title, "1 Header");
    EXPECT_TRUE(entries[0].titleItem);
    EXPECT_EQ(entries[0].command, -1);
    EXPECT_TRUE(entries[1].separator);
    EXPECT_FALSE(entries[2].enabled);
    EXPECT_TRUE(entries[3].checked);
    EXPECT_EQ(entries[11].title, "12 x");
    m->setPrefixNumbers(3);
    command = 0;
    EXPECT_EQ(m->buildPlatformMenu(command)[3].title, "04 On");
    m->setPrefixNumbers(4);
    command = 0;
    EXPECT_EQ(m->buildPlatformMenu(command)[3].title, "004 On");

    // Mark-current style: only the current item's check shows.
    m->setStyle(kMarkCurrentStyle);
    m->checkEntry(5, true);
    m->setCurrent(5);
    command = 0;
    entries = m->buildPlatformMenu(command);
    EXPECT_FALSE(entries[3].checked);
    EXPECT_TRUE(entries[5].checked);

    // Disabled, title and separator items cannot be chosen.
    EXPECT_FALSE(m->choose(0));
    EXPECT_FALSE(m->choose(1));
    EXPECT_FALSE(m->choose(2));
    EXPECT_TRUE(m->choose(3));
    EXPECT_EQ(m->getCurrentIndex(), 3);
}

TEST_F(Menus, ClickPopsUpAndTheChoiceRunsTheEditingProtocol) {
    COptionMenu* m = menu(3);
    auto* sub = new COptionMenu(CRect(0, 0, 1, 1), nullptr, 0);
    sub->addEntry("Deep A");
    sub->addEntry("Deep B");
    m->addEntry(sub, "More");
    sub->forget();
    m->addEntry("Last");

    platform()->menuChooser = [](const std::vector<PopupMenuEntry>& entries, void*) {
        return entries[1].command;
    };
    recorder.log.clear();
    EXPECT_EQ(frame->platformOnMouseDown(CPoint(20, 20), kLButton), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_EQ(platform()->lastMenuPoint, CPoint(10, 30));  // below the control
    EXPECT_EQ(m->getCurrentIndex(), 1);
    EXPECT_EQ(m->getValue(), 1.0f);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"listenerBegin", "hostBegin:12", "valueChanged", "hostEnd:12",
                                                      "listenerEnd"}));

    // Commands run on through the submenu: Deep B, then Last.
    const auto& entries = platform()->lastMenu;
    ASSERT_EQ(entries[3].submenu.size(), 2u);
    EXPECT_EQ(entries[3].submenu[1].command, entries[3].submenu[0].command + 1);
    EXPECT_EQ(entries[4].command, entries[3].submenu[1].command + 1);
    EXPECT_TRUE(m->choose(entries[3].submenu[1].command));
    EXPECT_EQ(m->getLastMenu(), sub);
    EXPECT_EQ(m->getLastResult(), 1);
    EXPECT_TRUE(m->choose(entries[4].command));
    EXPECT_EQ(m->getCurrentIndex(), 4);
    EXPECT_EQ(m->getValue(), 4.0f);  // the range follows the item count, so the index is not cut to 1
    EXPECT_EQ(m->getMax(), 4.0f);

    // Cancelled: nothing changes.
    platform()->menuChooser = nullptr;
    recorder.log.clear();
    frame->platformOnMouseDown(CPoint(20, 20), kLButton);
    EXPECT_EQ(m->getCurrentIndex(), 4);
    EXPECT_TRUE(recorder.log.empty());
}

TEST_F(Menus, TextEditOpensAFieldAndReturnOrFocusLossEndsIt) {
    auto* panel = new CViewContainer(CRect(100, 50, 300, 200));
    auto* edit = new CTextEdit(CRect(10, 20, 110, 36), &recorder, 5, "1.5");
    CFontDesc font("Arial", 20);
    edit->setFont(&font);
    edit->setHoriAlign(kRightText);
    panel->addView(edit);
    frame->addView(panel);

    EXPECT_EQ(frame->platformOnMouseDown(CPoint(120, 75), kLButton), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    ASSERT_TRUE(platform()->isEditing());
    EXPECT_TRUE(edit->isEditing());
    EXPECT_EQ(frame->getFocusView(), edit);
    const auto& params = platform()->editParams;
    EXPECT_EQ(params.rect, CRect(110, 70, 210, 86));  // through the panel into window coordinates
    EXPECT_EQ(params.fontHeight, 15);                  // the rectangle's height minus 1 is smaller than 20
    EXPECT_EQ(params.align, kRightText);
    EXPECT_EQ(params.margin, 3);
    EXPECT_EQ(params.text, "1.5");

    platform()->typeText("0.25");
    platform()->pressReturn();
    EXPECT_FALSE(edit->isEditing());
    EXPECT_TRUE(edit->wasEnteredByReturn());
    EXPECT_STREQ(edit->getText(), "0.25");
    EXPECT_FLOAT_EQ(edit->getValue(), 0.25f);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    EXPECT_EQ(recorder.log.back(), "listenerEnd");

    // A press elsewhere takes the focus away, which ends the edit too.
    frame->platformOnMouseDown(CPoint(120, 75), kLButton);
    platform()->typeText(std::string(300, 'x') + "0.5");
    frame->platformOnMouseDown(CPoint(5, 5), kLButton);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_FALSE(edit->wasEnteredByReturn());
    EXPECT_EQ(std::string(edit->getText()), std::string(255, 'x'));  // 255 characters at most
    EXPECT_FLOAT_EQ(edit->getValue(), 0.25f);                        // not a number: value kept

    // The limit counts characters, not bytes: a UTF-8 text is never cut inside a character.
    frame->platformOnMouseDown(CPoint(120, 75), kLButton);
    std::string umlauts;
    for (int i = 0; i < 300; ++i) umlauts += "\xC3\xBC";
    platform()->typeText(umlauts);
    platform()->pressReturn();
    EXPECT_EQ(std::string(edit->getText()).size(), 510u);

    // Closing the frame while editing ends the edit without touching freed views.
    frame->platformOnMouseDown(CPoint(120, 75), kLButton);
    EXPECT_TRUE(platform()->isEditing());
    frame->removeAll();
    EXPECT_FALSE(platform()->isEditing());
}
