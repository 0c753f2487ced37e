#include "host/EntryTexts.h"

#include <cstring>

uint8_t* EntryTextField(PresetMemory* record, int32_t key) {
    const int32_t ordinal = int32_t(uint32_t(key) & 0xFF);
    if (!record || ordinal >= kEntryTextFields) return nullptr;
    static_assert(sizeof(PresetMemory::reserved) >= kEntryTextFields * kEntryTextSize);
    return record->reserved + size_t(ordinal) * kEntryTextSize;
}

void ReadEntryText(const PresetMemory* record, int32_t key, char* out, size_t outSize) {
    if (!out || outSize == 0) return;
    out[0] = 0;
    const uint8_t* field = EntryTextField(const_cast<PresetMemory*>(record), key);
    if (!field) return;
    size_t n = 0;
    while (n < kEntryTextSize && field[n]) ++n;
    if (n > outSize - 1) n = outSize - 1;
    std::memcpy(out, field, n);
    out[n] = 0;
}

bool WriteEntryText(PresetMemory* record, int32_t key, const char* text) {
    uint8_t* field = EntryTextField(record, key);
    if (!field) return false;
    size_t n = text ? strnlen(text, kEntryTextSize - 1) : 0;
    // A cut text ends before the character it would split.
    if (n == kEntryTextSize - 1 && text[n] != 0)
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    std::memset(field, 0, kEntryTextSize);
    if (n) std::memcpy(field, text, n);
    return true;
}
