#include "editor/ColourTable.h"

namespace {

// Entries 0-2 and 15-17 are the ones the control table uses: white text on a
// transparent ground (0) and mint-green text on a transparent ground (15). The
// ones between are plain colours for tables that want them.
constexpr VSTGUI::CColor kTable[kColourTableSize] = {
    {255, 255, 255, 255}, {0, 0, 0, 0},       {255, 255, 255, 0},   // 0-2
    {0, 0, 0, 255},       {255, 255, 255, 255}, {0, 0, 0, 255},     // 3-5: black on white
    {128, 128, 128, 255}, {0, 0, 0, 0},       {128, 128, 128, 0},   // 6-8: grey
    {255, 0, 0, 255},     {0, 0, 0, 0},       {255, 0, 0, 0},       // 9-11: red
    {255, 255, 0, 255},   {0, 0, 0, 0},       {255, 255, 0, 0},     // 12-14: yellow
    {80, 216, 160, 255},  {0, 0, 0, 0},       {255, 255, 255, 0},   // 15-17: mint
};

}  // namespace

VSTGUI::CColor ColourTableEntry(int32_t i) {
    return i >= 0 && i < kColourTableSize ? kTable[i] : VSTGUI::kTransparentCColor;
}

TextColours TextColoursFrom(int32_t first) {
    return {ColourTableEntry(first), ColourTableEntry(first + 1), ColourTableEntry(first + 2)};
}
