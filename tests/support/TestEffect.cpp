#include "tests/support/TestEffect.h"

#include <mutex>

namespace {
std::mutex gHostMutex;
}

std::vector<HostRecord>& RecordedHostCalls() {
    static std::vector<HostRecord> calls;
    return calls;
}

intptr_t VSTCALLBACK RecordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t value, void*,
                                   float opt) {
    {
        std::lock_guard<std::mutex> lock(gHostMutex);
        RecordedHostCalls().push_back(HostRecord{opcode, index, value, opt});
    }
    if (opcode == audioMasterSizeWindow) return HostGrantsWindowSize() ? 1 : 0;
    return opcode == audioMasterVersion ? 2400 : 0;
}

bool& HostGrantsWindowSize() {
    static bool grants = false;
    return grants;
}

TestEffect::TestEffect(const GraphRecord* description) : Mox_DSP_VST(RecordingHost) {
    if (description) {
        graphDescription = description;
        moduleFactory = CreateTestModule;
    }
}

void TestEffect::Process(std::vector<float>& left, std::vector<float>& right, std::vector<float>& outL,
                         std::vector<float>& outR) {
    std::vector<float> silence(left.size(), 0.0f);
    float* in[4] = {left.data(), right.data(), silence.data(), silence.data()};
    float* out[2] = {outL.data(), outR.data()};
    processReplacing(in, out, static_cast<int32_t>(left.size()));
}

const GraphRecord kRecorderGainGraph[] = {
    Record(kTestAudioIn, {}),
    Record(kTestRecorder, {ControlLink(0, 9), ControlLink(1, 29), ControlLink(2, 70), ControlLink(3, 15)}),
    Record(kTestGain, {ModuleLink(0, kTestAudioIn, 0), ModuleLink(1, kTestAudioIn, 1), ControlLink(2, 14)}),
    EndOfDescription(),
};
