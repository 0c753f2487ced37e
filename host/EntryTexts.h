// The texts of the editor's text entries, kept in the preset memories: two
// fields of 128 bytes in each record's reserved area (at record offsets 282 and
// 410), in the current program's record or, for a global entry, in record 0. A
// stored text is at most 127 bytes and always terminated; a field that holds no
// terminator (a loaded chunk may) is read only up to its end.
#pragma once

#include "host/PresetBank.h"

#include <cstddef>
#include <cstdint>

constexpr size_t kEntryTextSize = 128;
constexpr int32_t kEntryTextFields = 2;
// Bit of a storage key: the text lives in record 0 whatever the program.
constexpr uint32_t kEntryTextGlobal = 0x80000000u;

// The storage key of a text entry: kind * 256 + the entries built before it,
// with kEntryTextGlobal for a global entry.
constexpr int32_t EntryTextKey(int32_t kind, int32_t ordinal, bool global) {
    return int32_t(uint32_t(kind * 256 + ordinal) | (global ? kEntryTextGlobal : 0u));
}

// The field a key names in a record, or null (an ordinal of 2 or more).
uint8_t* EntryTextField(PresetMemory* record, int32_t key);

// Copies the field's text into out (at most outSize - 1 bytes, terminated);
// an empty text when there is no such field.
void ReadEntryText(const PresetMemory* record, int32_t key, char* out, size_t outSize);
// Stores text, cut to 127 bytes, terminated and the rest of the field cleared;
// false when the key names no field or the record is null.
bool WriteEntryText(PresetMemory* record, int32_t key, const char* text);
