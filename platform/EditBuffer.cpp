#include "platform/EditBuffer.h"

#include "platform/PlatformFrame.h"

#include <cctype>

namespace orva::platform {

namespace {

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed sequence at text[i], or 0 when it is not one
// (overlong forms, surrogates and values above 0x10FFFF are refused).
size_t sequenceLength(const std::string& text, size_t i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length;
    unsigned long cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) length = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF) length = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4) length = 4, cp = c & 0x07;
    else return 0;
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        const unsigned char d = static_cast<unsigned char>(text[i + k]);
        if (!isContinuation(d)) return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    if ((length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000)) return 0;
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
    return length;
}

bool isWordByte(unsigned char c) { return c >= 0x80 || std::isalnum(c) || c == '_' || c == '.'; }

}  // namespace

size_t countUtf8(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if (!isContinuation(c)) ++n;
    return n;
}

std::string cleanUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = sequenceLength(text, i);
        if (length == 0) {
            ++i;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (length > 1 || (c >= 0x20 && c != 0x7F)) out.append(text, i, length);
        i += length;
    }
    return out;
}

void appendUtf8(std::string& s, unsigned long cp) {
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return;
    if (cp < 0x80) {
        s += char(cp);
    } else if (cp < 0x800) {
        s += char(0xC0 | (cp >> 6));
        s += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += char(0xE0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    } else {
        s += char(0xF0 | (cp >> 18));
        s += char(0x80 | ((cp >> 12) & 0x3F));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    }
}

EditBuffer::EditBuffer(const std::string& text, size_t limit)
    : content(truncateUtf8(cleanUtf8(text), limit)), maxChars(limit) {
    selectAll();
}

std::string EditBuffer::selectedText() const {
    return content.substr(selectionStart(), selectionEnd() - selectionStart());
}

void EditBuffer::selectAll() {
    anchor = 0;
    caretPos = content.size();
}

size_t EditBuffer::previousBoundary(size_t position) const {
    if (position == 0) return 0;
    --position;
    while (position > 0 && isContinuation(static_cast<unsigned char>(content[position]))) --position;
    return position;
}

size_t EditBuffer::nextBoundary(size_t position) const {
    if (position >= content.size()) return content.size();
    ++position;
    while (position < content.size() && isContinuation(static_cast<unsigned char>(content[position]))) ++position;
    return position;
}

void EditBuffer::place(size_t position, bool extend) {
    caretPos = position;
    if (!extend) anchor = position;
}

void EditBuffer::eraseSelection() {
    const size_t start = selectionStart();
    content.erase(start, selectionEnd() - start);
    caretPos = anchor = start;
}

void EditBuffer::insert(const std::string& text) {
    eraseSelection();
    const size_t used = countUtf8(content);
    if (used >= maxChars) return;
    const std::string piece = truncateUtf8(cleanUtf8(text), maxChars - used);
    content.insert(caretPos, piece);
    caretPos = anchor = caretPos + piece.size();
}

void EditBuffer::backspace() {
    if (!hasSelection()) anchor = previousBoundary(caretPos);
    eraseSelection();
}

void EditBuffer::deleteForward() {
    if (!hasSelection()) anchor = nextBoundary(caretPos);
    eraseSelection();
}

void EditBuffer::moveLeft(bool extend) {
    // Without extending, a selection collapses to its start.
    place(hasSelection() && !extend ? selectionStart() : previousBoundary(caretPos), extend);
}

void EditBuffer::moveRight(bool extend) {
    place(hasSelection() && !extend ? selectionEnd() : nextBoundary(caretPos), extend);
}

void EditBuffer::moveWordLeft(bool extend) {
    size_t p = caretPos;
    while (p > 0 && !isWordByte(static_cast<unsigned char>(content[previousBoundary(p)]))) p = previousBoundary(p);
    while (p > 0 && isWordByte(static_cast<unsigned char>(content[previousBoundary(p)]))) p = previousBoundary(p);
    place(p, extend);
}

void EditBuffer::moveWordRight(bool extend) {
    size_t p = caretPos;
    while (p < content.size() && !isWordByte(static_cast<unsigned char>(content[p]))) p = nextBoundary(p);
    while (p < content.size() && isWordByte(static_cast<unsigned char>(content[p]))) p = nextBoundary(p);
    place(p, extend);
}

void EditBuffer::moveHome(bool extend) { place(0, extend); }

void EditBuffer::moveEnd(bool extend) { place(content.size(), extend); }

void EditBuffer::setCaret(size_t position, bool extend) {
    if (position > content.size()) position = content.size();
    while (position > 0 && position < content.size() && isContinuation(static_cast<unsigned char>(content[position])))
        --position;
    place(position, extend);
}

}  // namespace orva::platform
