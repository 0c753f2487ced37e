#include "modules/framework/ModuleOwner.h"

#include <atomic>
#include <cstring>

#include "modules/framework/ModuleBase.h"

ModuleOwner::ModuleOwner() {
    SharedTables& tables = *this;
    std::memset(&tables, 0, sizeof(SharedTables));
    for (float*& p : hostInputs) p = nullptr;
    snapAfterProgram = snapAfterBuild = 0;
    voiceCount = 0;
    runningTime = 0;
    chunkOffset = 0;
    for (Mox_ModuleBase*& m : modules) m = nullptr;
    for (int16_t& m : moduleOfCode) m = 0;
    moduleCount = 0;
    for (Mox_ModuleBase*& m : displayModules) m = nullptr;
    displayModuleCount = 0;
    sampleRateInt = 0;
    builtSampleRate = 0;
    frequencyLimit = 0;
    samplesPerMs = 0.0f;
    blockMilliseconds = 0.0f;
    internalBlockSize = kMaxChunk;
    builtBlockSize = 0;
    for (float& v : controlValues) v = 0.0f;
    for (ConnectionNode*& c : controlConnections) c = nullptr;
}

void ModuleOwner::AddDisplayModule(Mox_ModuleBase* module) {
    for (int i = 0; i < displayModuleCount; ++i)
        if (displayModules[i] == module) return;
    if (module && displayModuleCount < kMaxDisplayModules) displayModules[displayModuleCount++] = module;
}

void ModuleOwner::WakeDisplayModules() {
    for (int i = 0; i < displayModuleCount; ++i) displayModules[i]->flags &= ~Mox_ModuleBase::kAsleep;
}

bool ModuleOwner::SnapRequested() const {
    auto load = [](const int32_t& word) {
        return std::atomic_ref<int32_t>(const_cast<int32_t&>(word)).load(std::memory_order_relaxed);
    };
    return load(snapAfterProgram) != 0 || load(snapAfterBuild) != 0;
}

float LoadControl(const float* value) {
    return std::atomic_ref<float>(*const_cast<float*>(value)).load(std::memory_order_relaxed);
}

void StoreControl(float* target, float value) {
    std::atomic_ref<float>(*target).store(value, std::memory_order_relaxed);
}

int32_t IntegerForm(float controlValue) {
    // Computed in float, as every receiver expects: int(x * 10 + 1000.5) - 1000.
    float shifted = controlValue * 10.0f + 1000.5f;
    if (shifted != shifted) return 0;  // NaN
    if (shifted >= 2.0e9f) return 2000000000 - 1000;
    if (shifted <= -2.0e9f) return -2000000000 - 1000;
    return static_cast<int32_t>(shifted) - 1000;
}
