#include "platform/MenuModel.h"

#include <algorithm>
#include <utility>

namespace orva::platform {

bool isChoosable(const PopupMenuEntry& e) {
    return e.enabled && !e.separator && !e.titleItem && e.submenu.empty() && e.command >= 0;
}

bool opensSubmenu(const PopupMenuEntry& e) {
    return e.enabled && !e.separator && !e.titleItem && !e.submenu.empty();
}

bool isNavigable(const PopupMenuEntry& e) { return isChoosable(e) || opensSubmenu(e); }

int MenuPaneLayout::rowAt(int px, int py) const {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].contains(px, py)) return int(i);
    return -1;
}

MenuPaneLayout layoutMenuPane(const std::vector<PopupMenuEntry>& entries, const MenuTextMeasure& measure) {
    MenuPaneLayout layout;
    layout.rows.resize(entries.size());
    int x = 0, y = 0, columnWidth = 0;
    size_t columnStart = 0;
    auto closeColumn = [&](size_t end) {
        for (size_t i = columnStart; i < end; ++i) layout.rows[i].w = columnWidth;
        x += columnWidth;
        layout.height = std::max(layout.height, y);
        columnWidth = 0;
        y = 0;
        columnStart = end;
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        const PopupMenuEntry& e = entries[i];
        if (e.columnBreak && i > columnStart) closeColumn(i);
        MenuRowBox& row = layout.rows[i];
        row.x = x;
        row.y = y;
        row.h = e.separator ? kMenuSeparatorHeight : kMenuRowHeight;
        y += row.h;
        int w = kMenuTextLeft + kMenuTextRight;
        if (!e.separator) {
            w += std::max(0, measure ? measure(e.title) : 0);
            if (!e.submenu.empty()) w += kMenuArrowRoom;
        }
        columnWidth = std::max(columnWidth, w);
    }
    closeColumn(entries.size());
    layout.width = x;
    return layout;
}

namespace {

// The smallest move that puts [at, at + size) with its frame inside [0, limit);
// the start wins when the pane is larger than the screen.
int clampInto(int at, int size, int limit) {
    at = std::min(at, limit - size - kMenuPaneBorder);
    return std::max(at, kMenuPaneBorder);
}

}  // namespace

MenuPoint placeTopMenuPane(int rootX, int rootY, const MenuPaneLayout& pane, MenuScreen screen) {
    return {clampInto(rootX, pane.width, screen.width), clampInto(rootY, pane.height, screen.height)};
}

MenuPoint placeSubmenuPane(MenuPoint parentAt, const MenuPaneLayout& parent, size_t row, const MenuPaneLayout& sub,
                           MenuScreen screen) {
    const MenuRowBox box = row < parent.rows.size() ? parent.rows[row] : MenuRowBox{};
    MenuPoint at{parentAt.x + box.x + box.w - kMenuSubmenuOverlap, parentAt.y + box.y};
    if (at.x + sub.width + kMenuPaneBorder > screen.width) at.x = parentAt.x + kMenuSubmenuOverlap - sub.width;
    at.x = std::max(at.x, kMenuPaneBorder);
    at.y = clampInto(at.y, sub.height, screen.height);
    return at;
}

bool MenuPane::contains(int rootX, int rootY) const {
    return rootX >= at.x - kMenuPaneBorder && rootX < at.x + layout.width + kMenuPaneBorder &&
           rootY >= at.y - kMenuPaneBorder && rootY < at.y + layout.height + kMenuPaneBorder;
}

int MenuPane::rowAt(int rootX, int rootY) const { return layout.rowAt(rootX - at.x, rootY - at.y); }

MenuNavigator::MenuNavigator(const std::vector<PopupMenuEntry>& entries, int rootX, int rootY, MenuScreen s,
                             MenuTextMeasure m)
    : screen(s), measure(std::move(m)) {
    MenuPane top;
    top.entries = &entries;
    top.layout = layoutMenuPane(entries, measure);
    top.at = placeTopMenuPane(rootX, rootY, top.layout, screen);
    open.push_back(std::move(top));
}

int MenuNavigator::paneAt(int rootX, int rootY) const {
    // Deeper panes lie above their parents.
    for (size_t i = open.size(); i-- > 0;)
        if (open[i].contains(rootX, rootY)) return int(i);
    return -1;
}

void MenuNavigator::closeDeeperThan(size_t depth) {
    if (open.size() > depth + 1) open.resize(depth + 1);
}

void MenuNavigator::openSubmenu(size_t depth, int row) {
    closeDeeperThan(depth);
    MenuPane& parent = open[depth];
    parent.hover = row;
    MenuPane sub;
    sub.entries = &(*parent.entries)[size_t(row)].submenu;
    sub.layout = layoutMenuPane(*sub.entries, measure);
    sub.at = placeSubmenuPane(parent.at, parent.layout, size_t(row), sub.layout, screen);
    open.push_back(std::move(sub));  // parent is not used past this point
}

void MenuNavigator::pointerAt(int rootX, int rootY) {
    const int found = paneAt(rootX, rootY);
    if (found < 0) {
        // Off the menu: the path of open submenus stays, the deepest row loses its hover.
        open.back().hover = -1;
        return;
    }
    const size_t depth = size_t(found);
    MenuPane& pane = open[depth];
    const int row = pane.rowAt(rootX, rootY);
    if (row < 0) {
        // On a frame or below a short column: nothing opens or closes.
        if (depth + 1 == open.size()) pane.hover = -1;
        return;
    }
    const PopupMenuEntry& entry = (*pane.entries)[size_t(row)];
    if (opensSubmenu(entry)) {
        if (depth + 1 < open.size() && pane.hover == row) {
            // Its submenu is open already: back on the row, only deeper panes close.
            closeDeeperThan(depth + 1);
            open[depth + 1].hover = -1;
        } else {
            openSubmenu(depth, row);
        }
        return;
    }
    closeDeeperThan(depth);
    pane.hover = isNavigable(entry) ? row : -1;
}

void MenuNavigator::pointerAt(int rootX, int rootY, uint64_t nowMs) {
    const int found = paneAt(rootX, rootY);
    if (found >= 0 && size_t(found) + 1 < open.size()) {
        const MenuPane& pane = open[size_t(found)];
        const int row = pane.rowAt(rootX, rootY);
        if (row >= 0 && row != pane.hover) {
            // A sibling of the open submenu's row: wait, the pointer may be on its way.
            if (!pending) pendingDue = nowMs + kMenuSubmenuDelayMs;
            pending = true;
            pendingPoint = {rootX, rootY};
            return;
        }
    }
    pending = false;
    pointerAt(rootX, rootY);
}

void MenuNavigator::tick(uint64_t nowMs) {
    if (!pending || nowMs < pendingDue) return;
    pending = false;
    pointerAt(pendingPoint.x, pendingPoint.y);
}

int64_t MenuNavigator::msUntilDue(uint64_t nowMs) const {
    if (!pending) return -1;
    return nowMs >= pendingDue ? 0 : int64_t(pendingDue - nowMs);
}

MenuOutcome MenuNavigator::press(int rootX, int rootY) {
    pending = false;
    if (paneAt(rootX, rootY) < 0) return {MenuOutcome::Cancel};
    pointerAt(rootX, rootY);
    return {};
}

MenuOutcome MenuNavigator::release(int rootX, int rootY) {
    pending = false;
    const bool first = !sawRelease;
    sawRelease = true;
    const int found = paneAt(rootX, rootY);
    if (found < 0) return first ? MenuOutcome{} : MenuOutcome{MenuOutcome::Cancel};
    const MenuPane& pane = open[size_t(found)];
    const int row = pane.rowAt(rootX, rootY);
    if (row >= 0 && isChoosable((*pane.entries)[size_t(row)]))
        return {MenuOutcome::Choose, (*pane.entries)[size_t(row)].command};
    return {};
}

int MenuNavigator::step(const MenuPane& pane, int direction) const {
    const int n = int(pane.entries->size());
    const int start = pane.hover >= 0 ? pane.hover : (direction > 0 ? -1 : n);
    for (int i = 1; i <= n; ++i) {
        const int row = ((start + direction * i) % n + n) % n;
        if (isNavigable((*pane.entries)[size_t(row)])) return row;
    }
    return pane.hover;  // nothing to stop on
}

MenuOutcome MenuNavigator::key(MenuKey key) {
    pending = false;
    const size_t depth = open.size() - 1;
    switch (key) {
    case MenuKey::Up:
    case MenuKey::Down:
        open[depth].hover = step(open[depth], key == MenuKey::Down ? 1 : -1);
        return {};
    case MenuKey::Right:
    case MenuKey::Return: {
        const int row = open[depth].hover;
        if (row < 0) return {};
        const PopupMenuEntry& entry = (*open[depth].entries)[size_t(row)];
        if (opensSubmenu(entry)) {
            openSubmenu(depth, row);
            open.back().hover = step(open.back(), 1);
            return {};
        }
        if (key == MenuKey::Return && isChoosable(entry)) return {MenuOutcome::Choose, entry.command};
        return {};
    }
    case MenuKey::Left:
        if (depth > 0) open.pop_back();
        return {};
    case MenuKey::Escape:
        if (depth == 0) return {MenuOutcome::Cancel};
        open.pop_back();
        return {};
    }
    return {};
}

}  // namespace orva::platform
