#include "platform/PlatformFrame.h"

namespace orva::platform {

std::string truncateUtf8(const std::string& text, size_t maxChars) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80) {  // the first byte of a character
            if (chars == maxChars) return text.substr(0, i);
            ++chars;
        }
    }
    return text;
}

int32_t OffscreenFrame::popupMenu(const std::vector<PopupMenuEntry>& entries, VSTGUI::CPoint where) {
    lastMenu = entries;
    lastMenuPoint = where;
    return menuChooser ? menuChooser(entries, menuChooserUser) : -1;
}

bool OffscreenFrame::openEditField(const EditFieldParams& params, EditFieldClient* client) {
    if (editClient) closeEditField();
    editParams = params;
    editText = truncateUtf8(params.text, params.maxChars);
    editClient = client;
    return true;
}

void OffscreenFrame::typeText(const std::string& text) {
    if (editClient) editText = truncateUtf8(text, editParams.maxChars);
}

void OffscreenFrame::pressReturn() {
    if (EditFieldClient* client = editClient) {
        editClient = nullptr;
        client->editFieldEnded(editText, true);
    }
}

void OffscreenFrame::pressEscape() {
    if (EditFieldClient* client = editClient) {
        editClient = nullptr;
        editText = truncateUtf8(editParams.text, editParams.maxChars);
        client->editFieldEnded(editText, false);
    }
}

void OffscreenFrame::closeEditField() {
    if (EditFieldClient* client = editClient) {
        editClient = nullptr;
        client->editFieldEnded(editText, false);
    }
}

void OffscreenFrame::showTooltip(const VSTGUI::CRect& viewRect, const std::string& text) {
    tooltipVisible = true;
    tooltipText = text;
    tooltipRect = viewRect;
}

}  // namespace orva::platform
