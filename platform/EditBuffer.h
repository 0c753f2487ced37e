// The text of a one-line edit field with its caret and selection. Positions are
// byte offsets into the UTF-8 text and always sit on character boundaries; the
// length limit counts characters, not bytes. No windowing here: the X11 field
// feeds it keys and draws what it holds.
#pragma once

#include <cstddef>
#include <string>

namespace orva::platform {

class EditBuffer {
public:
    EditBuffer(const std::string& text, size_t maxChars);

    const std::string& text() const { return content; }
    size_t caret() const { return caretPos; }
    // The selected bytes are [selectionStart, selectionEnd); empty when equal.
    size_t selectionStart() const { return caretPos < anchor ? caretPos : anchor; }
    size_t selectionEnd() const { return caretPos < anchor ? anchor : caretPos; }
    bool hasSelection() const { return caretPos != anchor; }
    std::string selectedText() const;

    void selectAll();
    // Replaces the selection with text (cut to what the limit leaves room for);
    // invalid UTF-8 bytes and control characters are dropped.
    void insert(const std::string& text);
    // Deletes the selection, else the character before (backspace) or after the caret.
    void backspace();
    void deleteForward();
    // Caret movement; extend keeps the other end of the selection where it is.
    void moveLeft(bool extend);
    void moveRight(bool extend);
    void moveWordLeft(bool extend);
    void moveWordRight(bool extend);
    void moveHome(bool extend);
    void moveEnd(bool extend);
    // Puts the caret at a byte offset (moved back to a character boundary).
    void setCaret(size_t position, bool extend);

private:
    size_t previousBoundary(size_t position) const;
    size_t nextBoundary(size_t position) const;
    void eraseSelection();
    void place(size_t position, bool extend);

    std::string content;
    size_t maxChars;
    size_t caretPos = 0;
    size_t anchor = 0;
};

// Characters (not bytes) in a UTF-8 string.
size_t countUtf8(const std::string& text);
// The well-formed characters of text, without control characters (below 0x20 and 0x7F).
std::string cleanUtf8(const std::string& text);
// Appends one code point as UTF-8 (nothing for surrogates or values above 0x10FFFF).
void appendUtf8(std::string& out, unsigned long codePoint);

}  // namespace orva::platform
