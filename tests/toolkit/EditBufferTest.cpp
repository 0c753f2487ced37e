// The edit field's text model: caret and selection on UTF-8 character
// boundaries, the character limit, and what typing, deleting and pasting do.
#include "platform/EditBuffer.h"

#include <gtest/gtest.h>

using orva::platform::EditBuffer;

TEST(EditBuffer, OpensWithEverythingSelectedAndTypingReplacesIt) {
    EditBuffer b("12.5", 255);
    EXPECT_EQ(b.selectedText(), "12.5");
    b.insert("7");
    EXPECT_EQ(b.text(), "7");
    EXPECT_EQ(b.caret(), 1u);
    EXPECT_FALSE(b.hasSelection());
    b.insert(".25");
    EXPECT_EQ(b.text(), "7.25");
}

TEST(EditBuffer, CaretMovesAndDeletesByWholeCharacters) {
    EditBuffer b("a\xC3\xA9\xE2\x82\xAC" "b", 255);  // a é € b
    b.moveEnd(false);
    b.moveLeft(false);  // before b
    b.moveLeft(false);  // before €: three bytes back
    EXPECT_EQ(b.caret(), 3u);
    b.backspace();  // removes é (two bytes)
    EXPECT_EQ(b.text(), "a\xE2\x82\xAC" "b");
    EXPECT_EQ(b.caret(), 1u);
    b.deleteForward();  // removes €
    EXPECT_EQ(b.text(), "ab");
    b.moveHome(false);
    b.backspace();  // nothing before the start
    b.moveEnd(false);
    b.deleteForward();  // nothing after the end
    EXPECT_EQ(b.text(), "ab");
    // A caret put inside a character goes back to its start.
    EditBuffer c("\xE2\x82\xAC", 255);
    c.setCaret(2, false);
    EXPECT_EQ(c.caret(), 0u);
    c.setCaret(99, false);
    EXPECT_EQ(c.caret(), 3u);
}

TEST(EditBuffer, ShiftExtendsTheSelectionAndPlainMovesCollapseIt) {
    EditBuffer b("-12.0 dB", 255);
    b.moveHome(false);
    b.moveRight(true);
    b.moveRight(true);
    EXPECT_EQ(b.selectedText(), "-1");
    b.moveRight(false);  // collapses to the selection's end
    EXPECT_EQ(b.caret(), 2u);
    EXPECT_FALSE(b.hasSelection());
    b.moveEnd(true);
    EXPECT_EQ(b.selectedText(), "2.0 dB");
    b.backspace();  // deletes the selection only
    EXPECT_EQ(b.text(), "-1");
    b.selectAll();
    b.moveLeft(false);  // collapses to the start
    EXPECT_EQ(b.caret(), 0u);
}

TEST(EditBuffer, WordMovesStepOverNumbersAndSpaces) {
    EditBuffer b("-12.5 dB", 255);
    b.moveHome(false);
    b.moveWordRight(false);  // over "-" then "12.5"
    EXPECT_EQ(b.caret(), 5u);
    b.moveWordRight(false);
    EXPECT_EQ(b.caret(), 8u);
    b.moveWordLeft(true);
    EXPECT_EQ(b.selectedText(), "dB");
}

TEST(EditBuffer, TheLimitCountsCharactersAndPastedTextIsCleaned) {
    EditBuffer b(std::string(300, 'x'), 255);  // longer than the limit: cut
    EXPECT_EQ(b.text().size(), 255u);
    b.moveEnd(false);
    b.insert("y");  // full: nothing is added
    EXPECT_EQ(b.text().size(), 255u);
    b.backspace();
    b.insert("\xC3\xA9\xC3\xA9");  // room for one more character: only the first é
    EXPECT_EQ(orva::platform::countUtf8(b.text()), 255u);
    EXPECT_EQ(b.text().substr(254), "\xC3\xA9");

    // Control characters, stray continuation bytes, overlong forms and
    // surrogates do not get in; line breaks from a pasted text are dropped.
    EditBuffer c("", 255);
    c.insert("1\n2\t3\x80\xC0\xAF\xED\xA0\x80" "4\xF0\x9F\x8E\xB5");
    EXPECT_EQ(c.text(), "1234\xF0\x9F\x8E\xB5");
    // A truncated sequence at the end is dropped, not half kept.
    c.insert("\xE2\x82");
    EXPECT_EQ(c.text(), "1234\xF0\x9F\x8E\xB5");
}

TEST(EditBuffer, Utf8Encoding) {
    std::string s;
    orva::platform::appendUtf8(s, 0x41);
    orva::platform::appendUtf8(s, 0xE9);
    orva::platform::appendUtf8(s, 0x20AC);
    orva::platform::appendUtf8(s, 0x1F3B5);
    orva::platform::appendUtf8(s, 0xD800);    // surrogate: nothing
    orva::platform::appendUtf8(s, 0x110000);  // beyond Unicode: nothing
    EXPECT_EQ(s, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5");
    EXPECT_EQ(orva::platform::countUtf8(s), 4u);
    EXPECT_EQ(orva::platform::cleanUtf8(s), s);
}
