// Preset memories: the 128 programs of the plug-in, each a fixed 564-byte record,
// kept back to back in one bank that is also the host's chunk. Memory 0 doubles as
// the global store (values of kGlobalValue parameters and the MIDI controller map).
#pragma once

#include <cstdint>

constexpr int kProgramCount = 128;
constexpr int kPresetParamCount = 47;

#pragma pack(push, 1)
struct PresetMemory {
    float values[kPresetParamCount];      // normalised values of parameters 0..46
    int16_t midiMap[kPresetParamCount];   // MIDI controller of each parameter, -1 = none
    uint8_t reserved[256];                // kept as loaded, saved back unchanged
    char name[25];                        // program name, at most 24 characters
    uint8_t spare;                        // kept as loaded
};
#pragma pack(pop)

static_assert(sizeof(PresetMemory) == 564, "preset memory record is 564 bytes");
constexpr int kBankBytes = kProgramCount * static_cast<int>(sizeof(PresetMemory));  // 72192

// Initialises one record: values 0, controller map from the control table's
// defaults, reserved zero, name "Empty %2.0f" of ++counter.
void InitialisePresetMemory(PresetMemory& memory, int& counter);
