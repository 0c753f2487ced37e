// The library as a host finds it: exported symbols, the entry points, the host
// handshake during creation and the AEffect record that comes back.

#include <dlfcn.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "OrvaVersion.h"
#include "tests/plugin/PluginHostSupport.h"

namespace {

using orva_plugin_test::PluginFixture;
using orva_plugin_test::PluginPath;

// A minimal host callback for creating effects by hand: a VST 2.4 host that
// answers nothing else.
intptr_t VSTCALLBACK PlainHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

// Opens the library by itself (without PluginLoader) for symbol checks.
class RawLibrary {
public:
    RawLibrary() : handle_(dlopen(PluginPath(), RTLD_NOW | RTLD_LOCAL)) {}
    ~RawLibrary() {
        if (handle_) dlclose(handle_);
    }
    RawLibrary(const RawLibrary&) = delete;
    RawLibrary& operator=(const RawLibrary&) = delete;

    bool ok() const { return handle_ != nullptr; }
    void* Find(const char* name) const { return dlsym(handle_, name); }
    VstPluginMainProc Entry(const char* name) const {
        return reinterpret_cast<VstPluginMainProc>(Find(name));
    }

private:
    void* handle_;
};

TEST(PluginEntry, ExportsOnlyTheTwoEntryPoints) {
    const std::string command = std::string("nm -D --defined-only '") + PluginPath() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr) << "cannot run nm";
    std::string listing;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) listing += line;
    const int status = pclose(pipe);
    if (status != 0 && listing.empty()) GTEST_SKIP() << "nm is not available";

    // Lines read "<address> <type> <name>"; symbol versions ("name@@V") are not
    // expected at all, so they stay part of the name and would show up as extras.
    std::set<std::string> defined;
    std::istringstream lines(listing);
    std::string entry;
    while (std::getline(lines, entry)) {
        std::istringstream fields(entry);
        std::string address, type, name;
        if (fields >> address >> type >> name) defined.insert(name);
    }
    EXPECT_EQ(defined, (std::set<std::string>{"VSTPluginMain", "main"})) << listing;
}

TEST(PluginEntry, InternalSymbolsAreNotVisibleToTheHost) {
    RawLibrary library;
    ASSERT_TRUE(library.ok()) << dlerror();
    EXPECT_NE(library.Find("VSTPluginMain"), nullptr);
    EXPECT_NE(library.Find("main"), nullptr);
    // Methods of the effect object and SDK classes stay inside the library; a host
    // that loads two plug-ins built on the same classes must not bind to ours.
    for (const char* hidden : {"_ZN11Mox_DSP_VST7suspendEv", "_ZN11Mox_DSP_VST6resumeEv",
                               "_Z11vst_strncpyPcPKci", "_Z18FormatDisplayValuefPc"}) {
        EXPECT_EQ(library.Find(hidden), nullptr) << hidden << " is exported";
    }
}

TEST(PluginEntry, BothEntryPointsCreateIndependentEffects) {
    RawLibrary library;
    ASSERT_TRUE(library.ok()) << dlerror();
    VstPluginMainProc entries[2] = {library.Entry("VSTPluginMain"), library.Entry("main")};
    ASSERT_NE(entries[0], nullptr);
    ASSERT_NE(entries[1], nullptr);

    AEffect* effects[2] = {entries[0](PlainHost), entries[1](PlainHost)};
    ASSERT_NE(effects[0], nullptr) << "VSTPluginMain created nothing";
    ASSERT_NE(effects[1], nullptr) << "main created nothing";
    EXPECT_NE(effects[0], effects[1]);
    EXPECT_NE(effects[0]->object, effects[1]->object);
    for (AEffect* effect : effects) {
        EXPECT_EQ(effect->magic, kEffectMagic);
        EXPECT_EQ(effect->uniqueID, VstFourCC('O', 'T', 's', 'q'));
        EXPECT_EQ(effect->numParams, 47);
    }

    // Each effect keeps its own parameter values.
    effects[0]->setParameter(effects[0], 9, 0.25f);
    effects[1]->setParameter(effects[1], 9, 0.75f);
    EXPECT_FLOAT_EQ(effects[0]->getParameter(effects[0], 9), 0.25f);
    EXPECT_FLOAT_EQ(effects[1]->getParameter(effects[1], 9), 0.75f);

    for (AEffect* effect : effects) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

TEST(PluginEntry, RefusesHostsWithoutAVersionOrCallback) {
    // A callback that answers 0 to audioMasterVersion is not a VST 2.x host.
    PluginLoader loader;
    loader.hostVersion = 0;
    EXPECT_FALSE(loader.Load(PluginPath()));
    EXPECT_EQ(loader.effect(), nullptr);
    // Nothing was constructed: the version request is the only call the host saw.
    ASSERT_EQ(loader.hostCalls.size(), 1u);
    EXPECT_EQ(loader.hostCalls[0].opcode, audioMasterVersion);

    RawLibrary library;
    ASSERT_TRUE(library.ok()) << dlerror();
    for (const char* name : {"VSTPluginMain", "main"}) {
        VstPluginMainProc entry = library.Entry(name);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry(nullptr), nullptr) << name << " accepted a null host callback";
    }

    // The refusal leaves nothing behind: a proper host still gets an effect.
    PluginLoader second;
    EXPECT_TRUE(second.Load(PluginPath())) << second.error();
}

TEST(PluginEntry, AsksForTheHostVersionFirstAndForMidiDuringCreation) {
    PluginLoader loader;
    ASSERT_TRUE(loader.Load(PluginPath())) << loader.error();
    const std::vector<PluginLoader::HostCall> calls = loader.hostCalls;
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().opcode, audioMasterVersion);
    EXPECT_EQ(calls.front().index, 0);
    EXPECT_EQ(calls.front().value, 0);

    int midiRequests = 0;
    for (const PluginLoader::HostCall& call : calls) {
        if (call.opcode == audioMasterWantMidi) {
            ++midiRequests;
            EXPECT_EQ(call.value, 1);
        }
        // Creation and the initial program must not report automation to the host.
        EXPECT_NE(call.opcode, audioMasterAutomate) << "automation reported for index " << call.index;
    }
    EXPECT_EQ(midiRequests, 1);
}

using PublishedEffect = PluginFixture;

TEST_F(PublishedEffect, RecordDescribesAStereoCompressorWithSidechain) {
    EXPECT_EQ(fx->magic, kEffectMagic);
    EXPECT_EQ(fx->numPrograms, 128);
    EXPECT_EQ(fx->numParams, 47);
    EXPECT_EQ(fx->numInputs, 4);
    EXPECT_EQ(fx->numOutputs, 2);
    EXPECT_NE(fx->flags & effFlagsCanReplacing, 0);
    EXPECT_NE(fx->flags & effFlagsProgramChunks, 0);
    EXPECT_EQ(fx->flags & effFlagsNoSoundInStop, 0);
    EXPECT_EQ(fx->flags & effFlagsIsSynth, 0);
    EXPECT_EQ(fx->uniqueID, VstFourCC('O', 'T', 's', 'q'));
    EXPECT_EQ(fx->initialDelay, 8);  // the look-ahead of program 0 (0.2 ms) at the 44.1 kHz assumed until told
    EXPECT_EQ(fx->ioRatio, 1.0f);
    EXPECT_NE(fx->object, nullptr);

    // Every entry a host may call is present.
    EXPECT_NE(fx->dispatcher, nullptr);
    EXPECT_NE(fx->process, nullptr);
    EXPECT_NE(fx->processReplacing, nullptr);
    EXPECT_NE(fx->setParameter, nullptr);
    EXPECT_NE(fx->getParameter, nullptr);

    EXPECT_EQ(Dispatch(effGetProgram), 0);
}

TEST_F(PublishedEffect, RecordAndVendorVersionCarryTheProjectVersion) {
    int major = -1, minor = -1, patch = -1;
    ASSERT_EQ(std::sscanf(ORVA_VERSION_STRING, "%d.%d.%d", &major, &minor, &patch), 3) << ORVA_VERSION_STRING;
    const int32_t packed = major * 1000 + minor * 100 + patch * 10;
    EXPECT_EQ(fx->version, packed) << "AEffect::version for " << ORVA_VERSION_STRING;
    EXPECT_EQ(Dispatch(effGetVendorVersion), packed) << "effGetVendorVersion for " << ORVA_VERSION_STRING;
}

}  // namespace
