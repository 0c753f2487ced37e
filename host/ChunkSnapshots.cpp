#include "host/ChunkSnapshots.h"

#include <new>

ChunkSnapshots::ChunkSnapshots(int records) {
    for (int s = 0; s < kSlots; ++s) {
        slots_[s].reset(new (std::nothrow) PresetMemory[static_cast<size_t>(records)]);
        filling_[s].store(false, std::memory_order_relaxed);
    }
}
