// The text colours a text-style row (type 110) selects: three entries from its aux
// on (font, background, frame).
#pragma once

#include "platform/GuiTypes.h"

#include <cstdint>

struct TextColours {
    VSTGUI::CColor font, background, frame;
};

constexpr int kColourTableSize = 18;

// Entry i of the colour table (transparent black for entries outside it).
VSTGUI::CColor ColourTableEntry(int32_t i);

// The set starting at entry first; entries past the table read as transparent.
TextColours TextColoursFrom(int32_t first);
