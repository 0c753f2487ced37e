// effSetChunk with any bytes and any length. The input's first byte chooses the
// preset or bank form, the second the program selected before loading; the rest
// is the chunk, handed over in a buffer of exactly its length. After loading: the
// checks of FuzzHost, a block of audio, and loading what getChunk then gives must
// change nothing (a loaded state saves and loads back exactly).
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/FuzzHost.h"

using orva_fuzz::Fail;
using orva_fuzz::FuzzHost;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzHost* host = new FuzzHost;
    if (size < 2) return 0;
    host->Baseline();
    const bool preset = data[0] & 1;
    host->Dispatch(effSetProgram, 0, data[1] % kProgramCount);

    std::vector<uint8_t> chunk(data + 2, data + size);
    const intptr_t length = static_cast<intptr_t>(chunk.size());
    const intptr_t answer = host->Dispatch(effSetChunk, preset, length, chunk.empty() ? nullptr : chunk.data());
    if (answer != (chunk.empty() ? 0 : length)) Fail("setChunk answered another length", static_cast<long>(answer));
    host->CheckState();
    host->Process(200, 0.5f, data[0]);

    for (int form = 0; form < 2; ++form) {
        void* saved = nullptr;
        const intptr_t savedSize = host->Dispatch(effGetChunk, form, 0, &saved);
        if (savedSize != (form ? static_cast<intptr_t>(sizeof(PresetMemory)) : kBankBytes) || !saved)
            Fail("getChunk size", static_cast<long>(savedSize));
        const std::vector<uint8_t> first(static_cast<uint8_t*>(saved), static_cast<uint8_t*>(saved) + savedSize);
        std::vector<uint8_t> copy = first;
        host->Dispatch(effSetChunk, form, savedSize, copy.data());
        void* again = nullptr;
        host->Dispatch(effGetChunk, form, 0, &again);
        if (std::memcmp(again, first.data(), first.size()) != 0) Fail("a saved chunk does not load back exactly", form);
    }
    host->CheckState();
    return 0;
}
