// The graph description format and the builder that turns it into a module table.
//
// Each 258-byte record creates one module (its graph code names the class and the
// module) and lists up to 64 links: where each input comes from (another module's
// output, a constant-pool entry or a parameter index) or the value of a setting.
// Records are in run order; a code above 6390 ends the description.
#pragma once

#include <cstdint>

#include "modules/framework/ModuleOwner.h"

class Mox_ModuleBase;

struct GraphLink {
    uint8_t pin;        // input pin of the new module; 230.. = setting pin - 230; 255 ends
    uint8_t sourcePin;  // output pin of the source module
    int16_t source;     // >= 6000 module code, 5500..5999 constant, < 5500 parameter index
};

struct GraphRecord {
    int16_t code;
    GraphLink links[64];
};
static_assert(sizeof(GraphLink) == 4 && sizeof(GraphRecord) == 258, "graph record layout");

constexpr int16_t kGraphEndCode = 6391;        // any code above 6390 ends a description
constexpr int kConstantPoolSize = 256;
constexpr int16_t kConstantBase = 5500;
constexpr uint8_t kSettingPinBase = 230;
constexpr uint8_t kEndOfLinks = 255;

// Creates the module for a graph code, or null for a code it does not know (or a
// failed allocation). Modules inside a voice group start disabled.
using ModuleFactory = Mox_ModuleBase* (*)(int16_t code, ModuleOwner* owner, bool startDisabled);

// Builds owner's module table from a description: empties the control connection
// lists, creates and wires each module, and sets owner.moduleCount. A record whose
// module cannot be created takes no table index (inside a voice group it keeps an
// empty slot, so that every voice keeps its layout), and links that name it are
// left unconnected, so a missing module is never run or dereferenced. Voice groups
// (splitter, 6388 start, member records, 6389 end, merger) are built once per voice.
void BuildGraphFrom(ModuleOwner& owner, const GraphRecord* description, ModuleFactory factory,
                    float* constantPool);
