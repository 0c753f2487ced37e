#include "tools/PluginLoader.h"

#include <dlfcn.h>

#include <mutex>

namespace {

// The callback receives the AEffect (or null during creation); the loader being
// created is remembered here until the effect knows its host data.
thread_local PluginLoader* tLoading = nullptr;
std::mutex gCallsMutex;

}  // namespace

PluginLoader::~PluginLoader() { Unload(); }

intptr_t VSTCALLBACK PluginLoader::HostCallback(AEffect* effect, int32_t opcode, int32_t index,
                                                intptr_t value, void* /*ptr*/, float opt) {
    PluginLoader* self = effect && effect->user ? static_cast<PluginLoader*>(effect->user) : tLoading;
    if (self) {
        std::lock_guard<std::mutex> lock(gCallsMutex);
        self->hostCalls.push_back(HostCall{opcode, index, value, opt});
    }
    switch (opcode) {
        case audioMasterVersion:
            return self ? self->hostVersion : 2400;
        case audioMasterGetSampleRate:
            return 44100;
        case audioMasterGetBlockSize:
            return 512;
        default:
            return 0;
    }
}

bool PluginLoader::Load(const std::string& path, bool allowLegacyMain) {
    Unload();
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        const char* why = dlerror();
        error_ = "cannot load " + path + ": " + (why ? why : "unknown error");
        return false;
    }
    using Entry = AEffect* (*)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(library_, "VSTPluginMain"));
    if (!entry && allowLegacyMain) entry = reinterpret_cast<Entry>(dlsym(library_, "main"));
    if (!entry) {
        error_ = path + (allowLegacyMain ? " exports neither VSTPluginMain nor main" : " does not export VSTPluginMain");
        Unload();
        return false;
    }
    tLoading = this;
    effect_ = entry(&PluginLoader::HostCallback);
    tLoading = nullptr;
    if (!effect_ || effect_->magic != kEffectMagic) {
        error_ = path + ": the plug-in did not create an effect";
        effect_ = nullptr;
        Unload();
        return false;
    }
    effect_->user = this;
    return true;
}

void PluginLoader::Unload() {
    if (effect_) {
        effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
        effect_ = nullptr;
    }
    if (library_) {
        dlclose(library_);
        library_ = nullptr;
    }
}

intptr_t PluginLoader::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    return effect_ ? effect_->dispatcher(effect_, opcode, index, value, ptr, opt) : 0;
}

std::string PluginLoader::ParameterName(int32_t index) {
    char text[256] = {};
    Dispatch(effGetParamName, index, 0, text);
    return text;
}

std::string PluginLoader::ParameterDisplay(int32_t index) {
    char text[256] = {};
    Dispatch(effGetParamDisplay, index, 0, text);
    return text;
}

std::string PluginLoader::ProgramName(int32_t program) {
    char text[256] = {};
    Dispatch(effGetProgramNameIndexed, program, 0, text);
    return text;
}

std::string PluginLoader::EffectName() {
    char text[256] = {};
    Dispatch(effGetEffectName, 0, 0, text);
    return text;
}
