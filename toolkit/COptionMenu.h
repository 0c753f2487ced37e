// A pop-up menu of items (titles with flags, icons and submenus) shown when the
// control is clicked; the chosen item becomes the current index and the value.
#pragma once

#include "platform/PlatformFrame.h"
#include "toolkit/CParamDisplay.h"

#include <string>
#include <vector>

namespace VSTGUI {

class COptionMenu;

class CMenuItem : public CBaseObject {
public:
    enum Flags : int32_t { kDisabled = 1, kTitle = 2, kChecked = 4, kSeparator = 8 };

    explicit CMenuItem(const char* title, int32_t flags = 0, COptionMenu* submenu = nullptr,
                       CBitmap* icon = nullptr);
    ~CMenuItem() override;

    const std::string& getTitle() const { return title; }
    void setTitle(const char* t) { title = t ? t : ""; }
    int32_t getFlags() const { return flags; }
    void setFlags(int32_t f) { flags = f; }
    bool isEnabled() const { return !(flags & kDisabled); }
    bool isChecked() const { return (flags & kChecked) != 0; }
    void setChecked(bool c) { flags = c ? (flags | kChecked) : (flags & ~kChecked); }
    bool isTitle() const { return (flags & kTitle) != 0; }
    bool isSeparator() const { return (flags & kSeparator) != 0; }
    COptionMenu* getSubmenu() const { return submenu; }
    void setSubmenu(COptionMenu* menu);
    CBitmap* getIcon() const { return icon; }
    void setIcon(CBitmap* bitmap);

private:
    std::string title;
    int32_t flags;
    COptionMenu* submenu = nullptr;
    CBitmap* icon = nullptr;
};

class COptionMenu : public CParamDisplay {
public:
    // Menus with this many items or more are never broken into columns.
    static constexpr int32_t kMaxItemsForColumns = 160;

    COptionMenu(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background = nullptr,
                int32_t style = 0);
    ~COptionMenu() override;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override;
    void takeFocus() override;
    bool isTypeOf(const char* type) const override;
    CView* newCopy() const override;
    // The value is the current item's index.
    void setValue(float v) override;

    // Adds an item (the menu takes over the reference); a title of "-" is a separator.
    CMenuItem* addEntry(CMenuItem* item, int32_t index = -1);
    CMenuItem* addEntry(const char* title, int32_t index = -1, int32_t flags = 0);
    CMenuItem* addEntry(COptionMenu* submenu, const char* title);
    CMenuItem* addSeparator() { return addEntry(new CMenuItem("", CMenuItem::kSeparator)); }
    bool removeEntry(int32_t index);
    void removeAllEntry();
    int32_t getNbEntries() const { return int32_t(items.size()); }
    CMenuItem* getEntry(int32_t index) const;
    bool setCurrent(int32_t index, bool countSeparator = true);
    int32_t getCurrentIndex() const { return currentIndex; }
    CMenuItem* getCurrent() const { return getEntry(currentIndex); }
    bool checkEntry(int32_t index, bool checked);

    // 0: no numbers; 2, 3, 4: titles prefixed "%1d ", "%02d ", "%03d " (1-based).
    void setPrefixNumbers(int32_t style) { prefixNumbers = style; }
    int32_t getPrefixNumbers() const { return prefixNumbers; }
    void setNbItemsPerColumn(int32_t n) { nbItemsPerColumn = n; }
    int32_t getNbItemsPerColumn() const { return nbItemsPerColumn; }

    // The entries the platform shows; commands are numbered from firstCommand,
    // consecutively through the submenus (depth first).
    std::vector<orva::platform::PopupMenuEntry> buildPlatformMenu(int32_t& firstCommand) const;
    // Applies the choice of a command number: true when it named an enabled item.
    bool choose(int32_t command);
    // The menu and index of the last choice (a submenu when chosen there).
    COptionMenu* getLastMenu() const { return lastMenu; }
    int32_t getLastResult() const { return lastResult; }

private:
    bool findCommand(int32_t& command, COptionMenu*& menu, int32_t& index);

    std::vector<CMenuItem*> items;
    int32_t currentIndex = -1;
    int32_t prefixNumbers = 0;
    int32_t nbItemsPerColumn = -1;
    COptionMenu* lastMenu = nullptr;
    int32_t lastResult = -1;
};

}  // namespace VSTGUI
