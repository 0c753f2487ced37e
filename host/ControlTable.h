// The control table: one static row per host parameter and per editor element.
//
// The effect object takes ranges and names of its parameters from it, the editor
// walks it in order to build its window, and controls read their ranges, labels
// and option lists from it. The table is constant; only the index maps below are
// filled once per process.
#pragma once

#include <cstdint>

// Bits of ControlDescriptor::flags.
enum : uint16_t {
    kGlobalValue = 0x8000,  // value lives in preset memory 0, whatever the program
    kDisplayOnly = 0x4000,  // element is built with mouse input switched off
};

// Type codes from 99 up are layout directives (they build no control).
enum ControlTypeCode : int16_t {
    kTypeLinkAttachPanel = 104,  // 'h': button tag switches panel aux
    kTypeLinkIndicator = 107,    // 'k': meter tag drives element x as indicator aux
    kTypeLinkWindow = 108,       // 'l': window tag shows parameter x in slot aux
    kTypeLinkNumber = 109,       // 'm': number field tag shows parameter aux
    kTypeTextStyle = 110,        // 'n'
    kTypeKnobFrames = 111,       // 'o'
    kTypeControlStyle = 112,     // 'p'
    kTypeSliderGeometry = 113,   // 'q'
    kTypePanelGeometry = 114,    // 'r'
    kTypeFont = 115,             // 's'
    kTypeBeginPanel = 116,       // 't'
    kTypeBeginPanelOwnRect = 117,// 'u'
    kTypeEndPanel = 118,         // 'v'
    kTypeEndOfTable = 119,       // 'w'
};

struct ControlDescriptor {
    uint16_t tag;         // parameter index 0..91 (or a selector on layout rows)
    uint16_t flags;       // kGlobalValue, kDisplayOnly
    int16_t type;         // type code
    int16_t aux;          // default MIDI controller, frame count, style, link...
    int16_t x, y;         // top-left corner in pixels within the containing panel
    const char* bitmap;   // PNG skin resource name, "" when the element draws itself
    float low, high;      // display-value range (or width/height, or style values)
    const char* label;    // short name; the host parameter name
    const char* options;  // option items, each followed by a comma; "" otherwise
    const char* tooltip;  // tooltip text; "" when there is none
};

constexpr int kControlTableRows = 149;      // header row .. end row inclusive
constexpr int kParameterIndexCount = 92;    // indices 0..91
constexpr int kHostParameterCount = 47;     // indices 0..46

extern const ControlDescriptor controlTable[kControlTableRows];

// Index maps over the table, built once per process by BuildControlIndexMaps().
extern int32_t descriptorOfIndex[kParameterIndexCount];  // row of each index, 0 = none
extern uint8_t ordinalOfIndex[kParameterIndexCount];     // text-entry ordinal, 0xFF = none
extern int16_t optionCountOfIndex[kParameterIndexCount]; // items of an option element

// Builds the maps on first call; later calls do nothing.
void BuildControlIndexMaps();

// Row describing a parameter index (the header row for unmapped or out-of-range indices).
const ControlDescriptor& DescriptorOf(int index);

// Number of comma-terminated items in an option list (0 for null or empty).
int CountOptionItems(const char* options);

// Copies item k of an option list into text (at most maxChars characters plus the
// terminator). Returns false, leaving text untouched, when there is no such item.
bool CopyOptionItem(const char* options, int k, char* text, int maxChars);
