#include "host/PresetBank.h"

#include <cstdio>
#include <cstring>

#include "host/ControlTable.h"

void InitialisePresetMemory(PresetMemory& memory, int& counter) {
    std::memset(&memory, 0, sizeof memory);
    for (int16_t& entry : memory.midiMap) entry = -1;
    for (int row = 1; row < kControlTableRows && controlTable[row].type != kTypeEndOfTable; ++row) {
        const ControlDescriptor& d = controlTable[row];
        if (d.tag < kPresetParamCount && d.type < 53) memory.midiMap[d.tag] = d.aux;
    }
    char name[32];
    std::snprintf(name, sizeof name, "Empty %2.0f", static_cast<double>(counter + 1));
    std::strncpy(memory.name, name, 24);
    memory.name[24] = 0;
    ++counter;
}
