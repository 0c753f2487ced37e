// The signal graph of this plug-in: its static description, the constant pool
// that constant links point into, and the factory that creates a module for each
// graph code.
#pragma once

#include "modules/framework/GraphBuilder.h"

// The description walked by every rebuild; ends with a code above 6390.
extern const GraphRecord kGraphDescription[];

// Creates the module of a graph code, or null for codes without a class.
Mox_ModuleBase* CreateModuleOfCode(int16_t code, ModuleOwner* owner, bool startDisabled);

// The graph codes of the display feeders (Mox_DSP_Wave_Freq_Display).
constexpr bool IsDisplayFeederCode(int16_t code) { return code >= 6369 && code <= 6371; }

// Fills the 256-entry constant pool with the values the description uses.
void FillConstantPool(float* pool);
