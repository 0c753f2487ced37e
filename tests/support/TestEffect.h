// An effect object whose graph comes from a test description built of stand-in
// modules, plus a recording host callback.
#pragma once

#include <vector>

#include "host/Mox_DSP_VST.h"
#include "tests/support/TestModules.h"

struct HostRecord {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    float opt;
};

// Host callback for effects built in tests: answers the version and records calls.
intptr_t VSTCALLBACK RecordingHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                   void* ptr, float opt);
std::vector<HostRecord>& RecordedHostCalls();
// Whether the recording host grants audioMasterSizeWindow (it refuses by default).
bool& HostGrantsWindowSize();

class TestEffect : public Mox_DSP_VST {
public:
    // description: null keeps the plug-in's own (empty) graph.
    explicit TestEffect(const GraphRecord* description = nullptr);

    using Mox_DSP_VST::constantPool;
    template <typename T>
    T* ModuleOfCode(int16_t code) {
        int index = moduleOfCode[code - kFirstGraphCode];
        return index >= 0 ? static_cast<T*>(ModuleAt(index)) : nullptr;
    }
    // Runs processReplacing on stereo buffers plus silent sidechains.
    void Process(std::vector<float>& left, std::vector<float>& right, std::vector<float>& outL,
                 std::vector<float>& outR);
};

// In (6003) -> recorder (6101, pins: 0 <- index 9, 1 <- 29, 2 <- 70, 3 <- 15)
// -> gain (6100: audio in 0/1, gain <- index 14), the last module.
extern const GraphRecord kRecorderGainGraph[];
