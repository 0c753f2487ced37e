// The generator's reading of the control table: where each element lands and how
// large it is, by the same size rules the editor applies when it walks the table.
#pragma once

#include "host/ControlTable.h"

#include <functional>
#include <string>
#include <vector>

namespace skins {

struct Size {
    int width = 0, height = 0;
};

struct Placement {
    int row = 0;              // control-table row
    const ControlDescriptor* d = nullptr;
    int panel = -1;           // placement index of the containing panel, -1 = the window
    int x = 0, y = 0;         // top-left in the containing panel
    int absX = 0, absY = 0;   // top-left in the window with every panel at home
    int width = 0, height = 0;
    int frames = 1;           // sub-pictures stacked in the bitmap
    bool isPanel = false;
    int altX = 0, altY = 0;   // panels: the alternate (closed) position
};

enum class Kind { Knob, Slider, AnimButton, OnOff, Exclusive, OptionText, OptionImage, Number, Image,
                  Scope, Curve, Meter, EqWindow, MidiLearn, Panel, Other };
Kind KindOf(int type);

// Walks rows 1 .. the end row. skinSize answers the size of a named skin (0 x 0
// when unknown: such rows get no size).
std::vector<Placement> WalkTable(const std::function<Size(const std::string&)>& skinSize);

// Whether an element shows in the window (hidden controls sit at negative or
// far-out positions).
bool Visible(const Placement& p);

// The element with that tag, or null.
const Placement* FindTag(const std::vector<Placement>& all, int tag);

// Every skin the table names, each once, in table order.
std::vector<std::string> SkinNames();

}  // namespace skins
