// The pop-up menu's model without any window: row layout in columns, where
// submenu panes open, and how pointer, buttons and keys open, close and choose.
#include "platform/MenuModel.h"

#include <gtest/gtest.h>

using namespace orva::platform;

namespace {

// Six pixels a byte: widths are easy to work out by hand.
int sixPerByte(const std::string& s) { return int(s.size()) * 6; }

PopupMenuEntry item(const std::string& title, int32_t command) {
    PopupMenuEntry e;
    e.title = title;
    e.command = command;
    return e;
}

PopupMenuEntry disabled(const std::string& title, int32_t command) {
    PopupMenuEntry e = item(title, command);
    e.enabled = false;
    return e;
}

PopupMenuEntry titleRow(const std::string& title) {
    PopupMenuEntry e = item(title, -1);
    e.titleItem = true;
    return e;
}

PopupMenuEntry separator() {
    PopupMenuEntry e;
    e.separator = true;
    e.enabled = false;
    return e;
}

PopupMenuEntry submenu(const std::string& title, std::vector<PopupMenuEntry> entries) {
    PopupMenuEntry e = item(title, -1);
    e.submenu = std::move(entries);
    return e;
}

// The root point in the middle of a pane's row.
MenuPoint middleOf(const MenuPane& pane, size_t row) {
    const MenuRowBox& r = pane.layout.rows.at(row);
    return {pane.at.x + r.x + r.w / 2, pane.at.y + r.y + r.h / 2};
}

constexpr MenuScreen kScreen{1024, 768};

// Commands numbered as COptionMenu numbers them: every row has its number, the
// submenu rows' numbers carry no choice.
std::vector<PopupMenuEntry> nestedMenu() {
    return {item("Alpha", 0),
            submenu("More", {item("Deep A", 2), submenu("Deeper", {item("X", 4), item("Y", 5)}), item("Deep C", 6)}),
            item("Gamma", 7),
            disabled("Off", 8),
            [] {
                PopupMenuEntry locked = submenu("Locked", {item("Z", 10)});
                locked.enabled = false;
                return locked;
            }()};
}

struct Pointer {
    MenuNavigator& menu;
    void to(size_t pane, size_t row) {
        const MenuPoint p = middleOf(menu.panes().at(pane), row);
        menu.pointerAt(p.x, p.y);
    }
    MenuOutcome release(size_t pane, size_t row) {
        const MenuPoint p = middleOf(menu.panes().at(pane), row);
        return menu.release(p.x, p.y);
    }
};

}  // namespace

TEST(MenuLayout, ColumnsStartAtBreaksAndTakeTheirWidestRow) {
    std::vector<PopupMenuEntry> entries;
    for (int i = 0; i < 20; ++i) entries.push_back(item("Item " + std::to_string(i + 1), i));
    entries[3] = separator();
    entries[8].columnBreak = true;   // item 9
    entries[16].columnBreak = true;  // item 17
    entries[18].submenu = {item("Inner", 30)};

    const MenuPaneLayout layout = layoutMenuPane(entries, sixPerByte);
    ASSERT_EQ(layout.rows.size(), 20u);
    // "Item 1" .. "Item 8": 36 px of text between the check room and the right margin.
    const int first = kMenuTextLeft + 36 + kMenuTextRight;
    // Two-digit numbers are 6 px wider; item 19's arrow widens the third column.
    const int second = kMenuTextLeft + 42 + kMenuTextRight;
    const int third = second + kMenuArrowRoom;
    for (int i = 0; i < 20; ++i) {
        const int column = i < 8 ? 0 : i < 16 ? 1 : 2;
        const int x = column == 0 ? 0 : column == 1 ? first : first + second;
        const int w = column == 0 ? first : column == 1 ? second : third;
        EXPECT_EQ(layout.rows[size_t(i)].x, x) << "row " << i;
        EXPECT_EQ(layout.rows[size_t(i)].w, w) << "row " << i;
    }
    // The separator is 7 px high and the rows after it move up accordingly.
    EXPECT_EQ(layout.rows[3].h, kMenuSeparatorHeight);
    EXPECT_EQ(layout.rows[4].y, 3 * kMenuRowHeight + kMenuSeparatorHeight);
    EXPECT_EQ(layout.rows[8].y, 0);
    EXPECT_EQ(layout.rows[19].y, 3 * kMenuRowHeight);
    EXPECT_EQ(layout.width, first + second + third);
    EXPECT_EQ(layout.height, 8 * kMenuRowHeight);  // the tallest column

    // Hit testing: a row of the second column, and the empty space under the third.
    EXPECT_EQ(layout.rowAt(first + 1, kMenuRowHeight + 1), 9);
    EXPECT_EQ(layout.rowAt(first + second + 5, 5 * kMenuRowHeight), -1);
    EXPECT_EQ(layout.rowAt(layout.width, 0), -1);
}

TEST(MenuPlacement, PanesStayOnTheScreen) {
    const MenuScreen screen{400, 300};
    std::vector<PopupMenuEntry> five;
    for (int i = 0; i < 5; ++i) five.push_back(item("Five!", i));
    std::vector<PopupMenuEntry> three;
    for (int i = 0; i < 3; ++i) three.push_back(item("Ten chars!", i));
    const MenuPaneLayout parent = layoutMenuPane(five, sixPerByte);  // 64 x 90
    const MenuPaneLayout sub = layoutMenuPane(three, sixPerByte);    // 94 x 54
    ASSERT_EQ(parent.width, 64);
    ASSERT_EQ(sub.width, 94);

    // Right of the row, overlapping it by 2 px, its top at the row's top.
    EXPECT_EQ(placeSubmenuPane({100, 50}, parent, 2, sub, screen), (MenuPoint{162, 86}));
    // No room on the right (with its frame): left of the parent pane instead.
    EXPECT_EQ(placeSubmenuPane({250, 50}, parent, 2, sub, screen), (MenuPoint{158, 86}));
    EXPECT_EQ(placeSubmenuPane({243, 50}, parent, 2, sub, screen), (MenuPoint{305, 86}));  // frame on the last column
    EXPECT_EQ(placeSubmenuPane({244, 50}, parent, 2, sub, screen), (MenuPoint{152, 86}));
    // Near the bottom it moves up until its frame is on the screen.
    EXPECT_EQ(placeSubmenuPane({100, 250}, parent, 4, sub, screen), (MenuPoint{162, 300 - 54 - 1}));
    // Room on neither side: its left edge stays on the screen.
    EXPECT_EQ(placeSubmenuPane({40, 0}, parent, 0, sub, MenuScreen{150, 300}).x, kMenuPaneBorder);

    // The top pane keeps its place when it fits, else moves just enough.
    EXPECT_EQ(placeTopMenuPane(10, 20, parent, screen), (MenuPoint{10, 20}));
    EXPECT_EQ(placeTopMenuPane(390, 290, parent, screen), (MenuPoint{400 - 64 - 1, 300 - 90 - 1}));
    EXPECT_EQ(placeTopMenuPane(-20, -5, parent, screen), (MenuPoint{1, 1}));
}

TEST(MenuNavigation, AnOpenSubmenuWaitsBeforeASiblingRowClosesIt) {
    const auto entries = nestedMenu();
    MenuNavigator menu(entries, 100, 100, kScreen, sixPerByte);
    auto moveTo = [&](size_t pane, size_t row, uint64_t now) {
        const MenuPoint p = middleOf(menu.panes().at(pane), row);
        menu.pointerAt(p.x, p.y, now);
    };
    moveTo(0, 1, 1000);  // More: opens at once
    ASSERT_EQ(menu.panes().size(), 2u);
    EXPECT_EQ(menu.msUntilDue(1000), -1);

    // On the way to the submenu across Gamma: nothing changes yet ...
    moveTo(0, 2, 1010);
    EXPECT_EQ(menu.panes().size(), 2u);
    EXPECT_EQ(menu.panes()[0].hover, 1);
    EXPECT_EQ(menu.msUntilDue(1010), int64_t(kMenuSubmenuDelayMs));
    menu.tick(1100);
    EXPECT_EQ(menu.panes().size(), 2u);
    // ... and reaching the submenu's pane drops the change for good.
    moveTo(1, 0, 1120);
    EXPECT_EQ(menu.msUntilDue(1120), -1);
    menu.tick(5000);
    ASSERT_EQ(menu.panes().size(), 2u);
    EXPECT_EQ(menu.panes()[1].hover, 0);

    // Resting on a sibling: the submenu closes when the delay is over, counted
    // from leaving its row (moves along the way do not restart it).
    moveTo(0, 0, 6000);
    moveTo(0, 2, 6100);
    EXPECT_EQ(menu.msUntilDue(6100), int64_t(kMenuSubmenuDelayMs) - 100);
    menu.tick(6249);
    EXPECT_EQ(menu.panes().size(), 2u);
    menu.tick(6250);
    EXPECT_EQ(menu.panes().size(), 1u);
    EXPECT_EQ(menu.panes()[0].hover, 2);  // where the pointer was last

    // A key or a button acts on what is shown and drops a waiting change.
    moveTo(0, 1, 7000);
    moveTo(0, 0, 7010);
    EXPECT_EQ(menu.key(MenuKey::Escape), MenuOutcome{});  // closes the submenu
    EXPECT_EQ(menu.msUntilDue(7020), -1);
    EXPECT_EQ(menu.panes().size(), 1u);
}

TEST(MenuNavigation, HoverOpensAndClosesSubmenus) {
    const auto entries = nestedMenu();
    MenuNavigator menu(entries, 100, 100, kScreen, sixPerByte);
    Pointer pointer{menu};
    ASSERT_EQ(menu.panes().size(), 1u);
    EXPECT_EQ(menu.panes()[0].at, (MenuPoint{100, 100}));

    pointer.to(0, 1);  // More
    ASSERT_EQ(menu.panes().size(), 2u);
    EXPECT_EQ(menu.panes()[0].hover, 1);
    EXPECT_EQ(menu.panes()[1].entries, &entries[1].submenu);
    EXPECT_EQ(menu.panes()[1].hover, -1);
    EXPECT_EQ(menu.panes()[1].at, placeSubmenuPane(menu.panes()[0].at, menu.panes()[0].layout, 1,
                                                   menu.panes()[1].layout, kScreen));

    // The deepest pane is hit first where it covers its parent.
    const MenuPane& sub = menu.panes()[1];
    menu.pointerAt(sub.at.x, sub.at.y + 2);
    EXPECT_EQ(menu.panes()[1].hover, 0);
    EXPECT_EQ(menu.panes()[0].hover, 1);

    pointer.to(1, 1);  // Deeper
    ASSERT_EQ(menu.panes().size(), 3u);
    EXPECT_EQ(menu.panes()[2].entries, &entries[1].submenu[1].submenu);
    pointer.to(1, 2);  // Deep C: a plain row closes Deeper's pane
    EXPECT_EQ(menu.panes().size(), 2u);
    EXPECT_EQ(menu.panes()[1].hover, 2);

    pointer.to(1, 1);
    pointer.to(2, 0);  // X
    ASSERT_EQ(menu.panes().size(), 3u);
    EXPECT_EQ(menu.panes()[2].hover, 0);
    // Back on More, whose pane is open: only the panes below it close.
    pointer.to(0, 1);
    ASSERT_EQ(menu.panes().size(), 2u);
    EXPECT_EQ(menu.panes()[1].hover, -1);

    // Off the menu: the open path stays, only the deepest hover goes.
    pointer.to(1, 0);
    menu.pointerAt(5, 5);
    ASSERT_EQ(menu.panes().size(), 2u);
    EXPECT_EQ(menu.panes()[0].hover, 1);
    EXPECT_EQ(menu.panes()[1].hover, -1);

    // A row of the top pane closes every submenu; disabled rows take no hover and a
    // disabled submenu does not open.
    pointer.to(0, 2);
    EXPECT_EQ(menu.panes().size(), 1u);
    EXPECT_EQ(menu.panes()[0].hover, 2);
    pointer.to(0, 3);
    EXPECT_EQ(menu.panes()[0].hover, -1);
    pointer.to(0, 4);
    EXPECT_EQ(menu.panes().size(), 1u);
    EXPECT_EQ(menu.panes()[0].hover, -1);
}

TEST(MenuNavigation, ButtonsChooseCancelOrDoNothing) {
    const auto entries = nestedMenu();
    {
        // A command inside a nested submenu.
        MenuNavigator menu(entries, 100, 100, kScreen, sixPerByte);
        Pointer pointer{menu};
        pointer.to(0, 1);
        pointer.to(1, 1);
        EXPECT_EQ(pointer.release(1, 1), MenuOutcome{});  // Deeper itself is no choice
        EXPECT_EQ(pointer.release(0, 1), MenuOutcome{});  // nor is More
        EXPECT_EQ(pointer.release(0, 3), MenuOutcome{});  // Off is disabled
        EXPECT_EQ(pointer.release(0, 4), MenuOutcome{});  // Locked is a disabled submenu
        ASSERT_EQ(menu.panes().size(), 3u);
        EXPECT_EQ(pointer.release(2, 1), (MenuOutcome{MenuOutcome::Choose, 5}));
    }
    {
        // The press that opened the menu may still be held: its release outside does
        // not cancel, the next one does.
        MenuNavigator menu(entries, 100, 100, kScreen, sixPerByte);
        EXPECT_EQ(menu.release(10, 10), MenuOutcome{});
        EXPECT_EQ(menu.release(10, 10), MenuOutcome{MenuOutcome::Cancel});
    }
    {
        // A press inside does nothing (on a submenu row it opens it); outside it cancels.
        MenuNavigator menu(entries, 100, 100, kScreen, sixPerByte);
        const MenuPoint more = middleOf(menu.panes()[0], 1);
        EXPECT_EQ(menu.press(more.x, more.y), MenuOutcome{});
        EXPECT_EQ(menu.panes().size(), 2u);
        const MenuPane& top = menu.panes()[0];
        EXPECT_EQ(menu.press(top.at.x - 1, top.at.y - 1), MenuOutcome{});  // on the frame
        EXPECT_EQ(menu.press(top.at.x - 2, top.at.y), MenuOutcome{MenuOutcome::Cancel});
    }
}

TEST(MenuNavigation, KeysSkipRowsThatCannotBeChosenAndWrapAround) {
    const std::vector<PopupMenuEntry> entries = {
        titleRow("Modes"),
        item("A", 1),
        separator(),
        disabled("Off", 3),
        submenu("More", {titleRow("Head"), disabled("Off", 6), item("S1", 7), item("S2", 8)}),
        item("B", 9),
    };
    MenuNavigator menu(entries, 100, 100, kScreen, sixPerByte);
    auto hover = [&](size_t pane) { return menu.panes().at(pane).hover; };

    EXPECT_EQ(menu.key(MenuKey::Return), MenuOutcome{});  // nothing hovered yet
    menu.key(MenuKey::Down);
    EXPECT_EQ(hover(0), 1);
    menu.key(MenuKey::Down);
    EXPECT_EQ(hover(0), 4);  // past the separator and the disabled row
    EXPECT_EQ(menu.panes().size(), 1u);  // the keyboard opens submenus only when asked
    menu.key(MenuKey::Down);
    EXPECT_EQ(hover(0), 5);
    menu.key(MenuKey::Down);
    EXPECT_EQ(hover(0), 1);  // round past the title row
    menu.key(MenuKey::Up);
    EXPECT_EQ(hover(0), 5);
    menu.key(MenuKey::Up);
    EXPECT_EQ(hover(0), 4);

    // Right opens the submenu on its first choosable row.
    EXPECT_EQ(menu.key(MenuKey::Right), MenuOutcome{});
    ASSERT_EQ(menu.panes().size(), 2u);
    EXPECT_EQ(hover(1), 2);
    menu.key(MenuKey::Down);
    EXPECT_EQ(hover(1), 3);
    menu.key(MenuKey::Down);
    EXPECT_EQ(hover(1), 2);
    menu.key(MenuKey::Up);
    EXPECT_EQ(hover(1), 3);

    // Left and Escape close the submenu, back on its row; Return opens it again.
    menu.key(MenuKey::Left);
    ASSERT_EQ(menu.panes().size(), 1u);
    EXPECT_EQ(hover(0), 4);
    EXPECT_EQ(menu.key(MenuKey::Return), MenuOutcome{});  // opens, never chooses
    ASSERT_EQ(menu.panes().size(), 2u);
    EXPECT_EQ(menu.key(MenuKey::Escape), MenuOutcome{});
    EXPECT_EQ(menu.panes().size(), 1u);
    menu.key(MenuKey::Left);  // nothing to close in the top pane
    EXPECT_EQ(menu.panes().size(), 1u);

    // Return chooses inside the submenu; Right on a plain row does nothing.
    menu.key(MenuKey::Right);
    menu.key(MenuKey::Down);
    EXPECT_EQ(menu.key(MenuKey::Right), MenuOutcome{});
    EXPECT_EQ(menu.key(MenuKey::Return), (MenuOutcome{MenuOutcome::Choose, 8}));

    // Up with nothing hovered starts from the bottom; Escape in the top pane cancels.
    MenuNavigator other(entries, 100, 100, kScreen, sixPerByte);
    other.key(MenuKey::Up);
    EXPECT_EQ(other.panes()[0].hover, 5);
    EXPECT_EQ(other.key(MenuKey::Escape), MenuOutcome{MenuOutcome::Cancel});

    // A pane with nothing to stop on keeps no hover.
    const std::vector<PopupMenuEntry> inert = {titleRow("Only"), separator(), disabled("Off", 2)};
    MenuNavigator none(inert, 0, 0, kScreen, sixPerByte);
    none.key(MenuKey::Down);
    none.key(MenuKey::Up);
    EXPECT_EQ(none.panes()[0].hover, -1);
    EXPECT_EQ(none.key(MenuKey::Return), MenuOutcome{});
}
