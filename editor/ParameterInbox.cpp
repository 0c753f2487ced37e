#include "editor/ParameterInbox.h"

void ParameterInbox::Post(int32_t index, float normalised) {
    if (index < 0 || index >= kIndices) return;
    // Value first, then the bit with release order: a taker that sees the bit sees
    // this value or a later one.
    values[index].store(normalised, std::memory_order_relaxed);
    pending[index / 64].fetch_or(uint64_t(1) << (index % 64), std::memory_order_release);
}

void ParameterInbox::Clear() {
    pending[0].store(0, std::memory_order_relaxed);
    pending[1].store(0, std::memory_order_relaxed);
}
