#include "toolkit/COptionMenu.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CFrame.h"

#include <cstdio>
#include <cstring>

namespace VSTGUI {

CMenuItem::CMenuItem(const char* t, int32_t f, COptionMenu* sub, CBitmap* bitmap) : title(t ? t : ""), flags(f) {
    setSubmenu(sub);
    setIcon(bitmap);
}

CMenuItem::~CMenuItem() {
    if (submenu) submenu->forget();
    if (icon) icon->forget();
}

void CMenuItem::setSubmenu(COptionMenu* menu) {
    if (menu) menu->remember();
    if (submenu) submenu->forget();
    submenu = menu;
}

void CMenuItem::setIcon(CBitmap* bitmap) {
    if (bitmap) bitmap->remember();
    if (icon) icon->forget();
    icon = bitmap;
}

COptionMenu::COptionMenu(const CRect& size, CControlListener* l, int32_t t, CBitmap* bitmap, int32_t s)
    : CParamDisplay(size, bitmap, s) {
    listener = l;
    tag = t;
}

COptionMenu::~COptionMenu() { removeAllEntry(); }

bool COptionMenu::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "COptionMenu") == 0) || CParamDisplay::isTypeOf(type);
}

CView* COptionMenu::newCopy() const {
    auto* copy = new COptionMenu(size, listener, tag, background, style);
    for (CMenuItem* item : items)
        copy->addEntry(new CMenuItem(item->getTitle().c_str(), item->getFlags(), item->getSubmenu(), item->getIcon()));
    copy->currentIndex = currentIndex;
    copy->prefixNumbers = prefixNumbers;
    copy->nbItemsPerColumn = nbItemsPerColumn;
    copy->setFont(font);
    return copy;
}

// The value is an item index: the range follows the number of items.
static float lastIndex(size_t count) { return count > 1 ? float(count - 1) : 0.0f; }

CMenuItem* COptionMenu::addEntry(CMenuItem* item, int32_t index) {
    if (!item) return nullptr;
    if (index < 0 || index > int32_t(items.size())) items.push_back(item);
    else items.insert(items.begin() + index, item);
    vmax = lastIndex(items.size());
    return item;
}

CMenuItem* COptionMenu::addEntry(const char* title, int32_t index, int32_t flags) {
    if (title && std::strcmp(title, "-") == 0) flags |= CMenuItem::kSeparator;
    return addEntry(new CMenuItem(title, flags), index);
}

CMenuItem* COptionMenu::addEntry(COptionMenu* submenu, const char* title) {
    return addEntry(new CMenuItem(title, 0, submenu));
}

bool COptionMenu::removeEntry(int32_t index) {
    if (index < 0 || index >= int32_t(items.size())) return false;
    items[size_t(index)]->forget();
    items.erase(items.begin() + index);
    vmax = lastIndex(items.size());
    if (currentIndex >= int32_t(items.size())) currentIndex = int32_t(items.size()) - 1;
    return true;
}

void COptionMenu::removeAllEntry() {
    for (CMenuItem* item : items) item->forget();
    items.clear();
    vmax = 0.0f;
    currentIndex = -1;
}

void COptionMenu::setValue(float v) {
    CParamDisplay::setValue(v);
    const int32_t index = int32_t(v);
    if (index >= 0 && index < int32_t(items.size())) currentIndex = index;
}

CMenuItem* COptionMenu::getEntry(int32_t index) const {
    return index >= 0 && index < int32_t(items.size()) ? items[size_t(index)] : nullptr;
}

bool COptionMenu::setCurrent(int32_t index, bool) {
    if (index < 0 || index >= int32_t(items.size())) return false;
    currentIndex = index;
    value = float(index);
    setDirty();
    return true;
}

bool COptionMenu::checkEntry(int32_t index, bool checked) {
    CMenuItem* item = getEntry(index);
    if (!item) return false;
    item->setChecked(checked);
    return true;
}

std::vector<orva::platform::PopupMenuEntry> COptionMenu::buildPlatformMenu(int32_t& command) const {
    std::vector<orva::platform::PopupMenuEntry> out;
    const int32_t count = int32_t(items.size());
    const bool columns = count < kMaxItemsForColumns && nbItemsPerColumn > 0;
    for (int32_t i = 0; i < count; ++i) {
        const CMenuItem* item = items[size_t(i)];
        orva::platform::PopupMenuEntry entry;
        entry.columnBreak = columns && i != 0 && i % nbItemsPerColumn == 0;
        if (item->isSeparator()) {
            entry.separator = true;
            entry.enabled = false;
            ++command;  // every item has its number, so indices and commands stay aligned
            out.push_back(std::move(entry));
            continue;
        }
        char text[512];
        const char* title = item->getTitle().c_str();
        switch (prefixNumbers) {
        case 2: std::snprintf(text, sizeof text, "%1d %s", i + 1, title); break;
        case 3: std::snprintf(text, sizeof text, "%02d %s", i + 1, title); break;
        case 4: std::snprintf(text, sizeof text, "%03d %s", i + 1, title); break;
        default: std::snprintf(text, sizeof text, "%s", title); break;
        }
        entry.title = text;
        entry.enabled = item->isEnabled();
        entry.titleItem = item->isTitle();
        entry.checked = item->isChecked() &&
                        ((style & kCheckStyle) || ((style & kMarkCurrentStyle) && i == currentIndex));
        entry.icon = item->getIcon() ? item->getIcon()->getSurface() : nullptr;
        if (COptionMenu* sub = item->getSubmenu()) {
            ++command;  // the submenu's own item carries no choice
            entry.submenu = sub->buildPlatformMenu(command);
        } else {
            entry.command = command++;
        }
        if (entry.titleItem) entry.command = -1;
        out.push_back(std::move(entry));
    }
    return out;
}

bool COptionMenu::findCommand(int32_t& command, COptionMenu*& menu, int32_t& index) {
    for (int32_t i = 0; i < int32_t(items.size()); ++i) {
        CMenuItem* item = items[size_t(i)];
        if (COptionMenu* sub = item->getSubmenu(); sub && !item->isSeparator()) {
            --command;
            if (sub->findCommand(command, menu, index)) return true;
            continue;
        }
        if (command == 0) {
            menu = this;
            index = i;
            return true;
        }
        --command;
    }
    return false;
}

bool COptionMenu::choose(int32_t command) {
    if (command < 0) return false;
    COptionMenu* menu = nullptr;
    int32_t index = -1;
    int32_t remaining = command;
    if (!findCommand(remaining, menu, index)) return false;
    CMenuItem* item = menu->getEntry(index);
    if (!item || !item->isEnabled() || item->isTitle() || item->isSeparator()) return false;
    lastMenu = menu;
    lastResult = index;
    if (menu != this) {
        menu->currentIndex = index;
        menu->value = float(index);
    }
    beginEdit();
    if (menu == this) currentIndex = index;
    applyUserValue(float(index));
    endEdit();
    return true;
}

void COptionMenu::takeFocus() {
    if (!frame || !frame->getPlatformFrame() || items.empty()) return;
    int32_t first = 0;
    const auto entries = buildPlatformMenu(first);
    CPoint where(size.left, size.bottom);
    localToFrame(where);
    const int32_t command = frame->getPlatformFrame()->popupMenu(entries, where);
    choose(command);
}

CMouseEventResult COptionMenu::onMouseDown(CPoint&, const int32_t& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    if (checkDefaultValue(buttons)) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    takeFocus();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void COptionMenu::draw(CDrawContext* context) {
    const CMenuItem* item = getEntry(currentIndex);
    drawText(context, item ? item->getTitle().c_str() : "");
    setDirty(false);
}

}  // namespace VSTGUI
