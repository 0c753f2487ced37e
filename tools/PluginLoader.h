// Loads a VST 2.x plug-in the way a DAW does: dlopen, look up VSTPluginMain (then
// main), create the effect with a host callback, and talk to it only through the
// AEffect record. Used by the command-line tools and the host-level tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sdk/VstAbi.h"

class PluginLoader {
public:
    // What the host callback has been asked (for tests).
    struct HostCall {
        int32_t opcode;
        int32_t index;
        intptr_t value;
        float opt;
    };

    PluginLoader() = default;
    ~PluginLoader();
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    // Loads the library and creates the effect through VSTPluginMain (or, when
    // allowed, the older entry name main). On failure answers false and error()
    // says why.
    bool Load(const std::string& path, bool allowLegacyMain = true);
    // Closes the effect (effClose) and unloads the library.
    void Unload();

    AEffect* effect() const { return effect_; }
    const std::string& error() const { return error_; }

    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);
    std::string ParameterName(int32_t index);
    std::string ParameterDisplay(int32_t index);
    std::string ProgramName(int32_t program);
    std::string EffectName();

    // The calls the plug-in has made to the host, oldest first.
    std::vector<HostCall> hostCalls;
    // The version the host reports (0 makes the plug-in refuse to load).
    intptr_t hostVersion = 2400;

private:
    static intptr_t VSTCALLBACK HostCallback(AEffect* effect, int32_t opcode, int32_t index,
                                             intptr_t value, void* ptr, float opt);
    void* library_ = nullptr;
    AEffect* effect_ = nullptr;
    std::string error_;
};
