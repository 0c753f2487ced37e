// Mox_CTextEntry: a text field kept in the preset memory (a sample path, a
// note). Kinds: 0 editable, 1 read-only, 2 load-file, 3 save-file and 4 folder
// dialog. The dialog kinds open the file selector on a press; its answer, taken
// at a later tick, becomes the text. A path that does not fit the field is
// refused whole, never cut into another path.
#pragma once

#include "editor/EditorRecords.h"
#include "toolkit/CTextEdit.h"

#include <string>

class Mox_GUI_Editor;
class Mox_FileSelector;

class Mox_CTextEntry : public VSTGUI::CTextEdit, public EditorElement {
public:
    enum Kind { kEdit, kReadOnly, kLoadFile, kSaveFile, kFolder };

    // key: the storage key (EntryTextKey).
    Mox_CTextEntry(const VSTGUI::CRect& size, Mox_GUI_Editor* editor, int32_t tag, int32_t kind, int32_t key);
    ~Mox_CTextEntry() override;

    int32_t kind() const { return entryKind; }
    int32_t storageKey() const { return key; }
    bool dialogOpen() const;

    void setValue(float v) override;
    void refresh() override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;
    void editFieldEnded(const std::string& edited, bool byReturn) override;

private:
    // Stores the text in the effect and tells the listener.
    void store();

    Mox_GUI_Editor* editor;
    int32_t entryKind;
    int32_t key;
    int32_t redrawCounter = 0;
    std::string textBeforeEdit;
    Mox_FileSelector* selector = nullptr;
};
