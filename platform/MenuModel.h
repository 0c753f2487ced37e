// The pop-up menu without any window system: where the rows of a pane lie, where
// a submenu's pane opens, and which panes are open and hovered as the pointer
// moves and keys are pressed. The X11 menu (X11Menu.cpp) shows what this model
// holds, one window per open pane; the tests drive the model directly.
//
// All positions are root (screen) coordinates of a pane's inside; every pane has
// a frame of kMenuPaneBorder pixels around it, which belongs to the pane.
#pragma once

#include "platform/PlatformFrame.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orva::platform {

constexpr int kMenuRowHeight = 18;
constexpr int kMenuSeparatorHeight = 7;
constexpr int kMenuTextLeft = 20;      // room for the check mark or icon before the text
constexpr int kMenuTextRight = 14;     // room after the text
constexpr int kMenuArrowRoom = 12;     // further room for the arrow of a submenu row
constexpr int kMenuSubmenuOverlap = 2; // a submenu's pane covers this much of its parent
constexpr int kMenuPaneBorder = 1;

// Answers the width in pixels of a UTF-8 text as the menu draws it.
using MenuTextMeasure = std::function<int(const std::string&)>;

// An entry the user can choose: enabled, neither separator, title nor submenu,
// and with a command.
bool isChoosable(const PopupMenuEntry& entry);
// An entry whose submenu opens from its row (enabled, not a title, not empty).
bool opensSubmenu(const PopupMenuEntry& entry);
// An entry the keyboard stops on: choosable or opening a submenu.
bool isNavigable(const PopupMenuEntry& entry);

struct MenuRowBox {
    int x = 0, y = 0, w = 0, h = 0;
    bool contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

// The rows of one pane, relative to its inside; rows[i] belongs to entries[i].
struct MenuPaneLayout {
    std::vector<MenuRowBox> rows;
    int width = 0, height = 0;
    // The row at a point of the pane's inside, or -1.
    int rowAt(int px, int py) const;
};

// Rows are stacked in columns; an entry with columnBreak (other than the first)
// starts a new column. Each column is as wide as its widest row.
MenuPaneLayout layoutMenuPane(const std::vector<PopupMenuEntry>& entries, const MenuTextMeasure& measure);

struct MenuScreen {
    int width = 0, height = 0;
};

// How long a submenu stays open after the pointer moved on to a sibling row.
constexpr uint64_t kMenuSubmenuDelayMs = 250;

struct MenuPoint {
    int x = 0, y = 0;
    bool operator==(const MenuPoint&) const = default;
};

// The top pane at (rootX, rootY), moved as little as needed to lie on the screen
// with its frame.
MenuPoint placeTopMenuPane(int rootX, int rootY, const MenuPaneLayout& pane, MenuScreen screen);
// A submenu's pane: right of its row, overlapping it by kMenuSubmenuOverlap and
// with its top at the row's top; left of the parent pane when there is no room on
// the right; moved up (or down) to lie on the screen.
MenuPoint placeSubmenuPane(MenuPoint parentAt, const MenuPaneLayout& parent, size_t row, const MenuPaneLayout& sub,
                           MenuScreen screen);

// One open pane. entries points into the entries the navigator was made with.
struct MenuPane {
    const std::vector<PopupMenuEntry>* entries = nullptr;
    MenuPaneLayout layout;
    MenuPoint at;
    int hover = -1;  // a navigable row, or -1
    // Whether a root point lies on the pane or its frame.
    bool contains(int rootX, int rootY) const;
    // The row under a root point, or -1.
    int rowAt(int rootX, int rootY) const;
};

enum class MenuKey { Up, Down, Left, Right, Return, Escape };

struct MenuOutcome {
    enum Kind { Nothing, Choose, Cancel };  // not "None": Xlib defines that as a macro
    Kind kind = Nothing;
    int32_t command = -1;  // for Choose
    bool operator==(const MenuOutcome&) const = default;
};

// The open panes of a menu, outermost first. Every pane but the deepest has the
// row its child opened from as its hover. The entries must outlive the navigator.
class MenuNavigator {
public:
    MenuNavigator(const std::vector<PopupMenuEntry>& entries, int rootX, int rootY, MenuScreen screen,
                  MenuTextMeasure measure);

    const std::vector<MenuPane>& panes() const { return open; }

    // The pointer moved to a root point: hovering a submenu row opens its pane,
    // hovering any other row closes the panes deeper than the row's own.
    void pointerAt(int rootX, int rootY);
    // The same as the user moves: leaving the row an open submenu came from for
    // another row of the same pane takes effect only kMenuSubmenuDelayMs later
    // (tick), so a diagonal path to the submenu across its siblings keeps it open;
    // reaching the submenu's pane, or coming back to the row, drops the change.
    void pointerAt(int rootX, int rootY, uint64_t nowMs);
    void tick(uint64_t nowMs);
    // Milliseconds until a deferred change is due, or -1 when there is none.
    int64_t msUntilDue(uint64_t nowMs) const;
    // A button went down: outside every pane that cancels the menu.
    MenuOutcome press(int rootX, int rootY);
    // A button went up: on a choosable row that chooses it; outside every pane it
    // cancels, except for the first release (the press that opened the menu may
    // still have been held).
    MenuOutcome release(int rootX, int rootY);
    MenuOutcome key(MenuKey key);

private:
    int paneAt(int rootX, int rootY) const;
    void closeDeeperThan(size_t depth);
    void openSubmenu(size_t depth, int row);
    int step(const MenuPane& pane, int direction) const;

    std::vector<MenuPane> open;
    MenuScreen screen;
    MenuTextMeasure measure;
    bool sawRelease = false;
    bool pending = false;  // a deferred pointer move
    MenuPoint pendingPoint;
    uint64_t pendingDue = 0;
};

}  // namespace orva::platform
