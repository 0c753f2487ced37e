// Whole lives of effects in one host process: many create/run/close cycles,
// several instances at once, unusual orders of the mains switch, and parameter
// changes from a second thread while the audio thread runs. The sanitizer build
// turns leaks and races on these paths into failures.

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "tests/plugin/PluginHostSupport.h"

namespace {

using orva_plugin_test::AudioBlock;
using orva_plugin_test::ExpectProcessedBlock;
using orva_plugin_test::ExpectSilentBlock;
using orva_plugin_test::PluginFixture;
using orva_plugin_test::PluginPath;

void Dispatch(AEffect* fx, int32_t opcode, int32_t index = 0, intptr_t value = 0, float opt = 0.0f) {
    fx->dispatcher(fx, opcode, index, value, nullptr, opt);
}

TEST(PluginLifecycle, FiftyCreateRunCloseCycles) {
    AudioBlock block(300);
    for (int cycle = 0; cycle < 50; ++cycle) {
        SCOPED_TRACE(cycle);
        PluginLoader loader;
        ASSERT_TRUE(loader.Load(PluginPath())) << loader.error();
        AEffect* fx = loader.effect();
        ASSERT_EQ(fx->magic, kEffectMagic);
        EXPECT_EQ(fx->dispatcher(fx, effGetProgram, 0, 0, nullptr, 0.0f), 0);

        Dispatch(fx, effOpen);
        Dispatch(fx, effSetSampleRate, 0, 0, cycle % 2 ? 48000.0f : 44100.0f);
        Dispatch(fx, effSetBlockSize, 0, 64 + cycle * 7);
        Dispatch(fx, effMainsChanged, 0, 1);
        fx->setParameter(fx, cycle % 47, 0.5f);
        ExpectProcessedBlock(fx, block);
        Dispatch(fx, effMainsChanged, 0, 0);
        Dispatch(fx, effMainsChanged, 0, 1);
        ExpectProcessedBlock(fx, block);
        Dispatch(fx, effMainsChanged, 0, 0);
        EXPECT_EQ(fx->getParameter(fx, cycle % 47), 0.5f);
        loader.Unload();  // effClose, then dlclose
        EXPECT_EQ(loader.effect(), nullptr);
    }
}

TEST(PluginLifecycle, InstancesKeepTheirOwnState) {
    std::unique_ptr<PluginLoader> loaders[3];
    AEffect* effects[3] = {};
    for (int i = 0; i < 3; ++i) {
        loaders[i] = std::make_unique<PluginLoader>();
        ASSERT_TRUE(loaders[i]->Load(PluginPath())) << loaders[i]->error();
        effects[i] = loaders[i]->effect();
    }
    ASSERT_NE(effects[0]->object, effects[1]->object);

    // Different values, programs and running states per instance.
    for (int i = 0; i < 3; ++i) {
        effects[i]->setParameter(effects[i], 9, 0.2f * static_cast<float>(i + 1));
        Dispatch(effects[i], effSetProgram, 0, 0);
    }
    Dispatch(effects[1], effSetProgram, 0, 7);
    effects[1]->setParameter(effects[1], 9, 0.9f);
    Dispatch(effects[2], effSetSampleRate, 0, 0, 96000.0f);
    Dispatch(effects[2], effSetBlockSize, 0, 32);
    Dispatch(effects[2], effMainsChanged, 0, 1);

    EXPECT_EQ(effects[0]->getParameter(effects[0], 9), 0.2f);
    EXPECT_EQ(effects[1]->getParameter(effects[1], 9), 0.9f);
    EXPECT_EQ(effects[2]->getParameter(effects[2], 9), 0.6f);
    EXPECT_EQ(effects[0]->dispatcher(effects[0], effGetProgram, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(effects[1]->dispatcher(effects[1], effGetProgram, 0, 0, nullptr, 0.0f), 7);
    EXPECT_EQ(effects[2]->dispatcher(effects[2], effGetProgram, 0, 0, nullptr, 0.0f), 0);

    // Closing one instance leaves the others working.
    loaders[1]->Unload();
    AudioBlock block(129);
    ExpectSilentBlock(effects[0], block);
    ExpectProcessedBlock(effects[2], block);
    EXPECT_EQ(effects[0]->getParameter(effects[0], 9), 0.2f);
    EXPECT_EQ(effects[2]->getParameter(effects[2], 9), 0.6f);
    char name[64] = {};
    effects[2]->dispatcher(effects[2], effGetParamName, 9, 0, name, 0.0f);
    EXPECT_STREQ(name, "Comp Ratio");
}

using PluginMains = PluginFixture;

TEST_F(PluginMains, UnusualOrdersOfTheMainsSwitch) {
    AudioBlock block(100);
    // Suspended before ever being resumed, twice.
    Dispatch(effMainsChanged, 0, 0);
    Dispatch(effMainsChanged, 0, 0);
    ExpectSilentBlock(fx, block);
    // Resumed twice in a row, with and without a change of rate in between.
    Start(44100.0f, 100);
    Dispatch(effMainsChanged, 0, 1);
    ExpectProcessedBlock(fx, block);
    Dispatch(effSetSampleRate, 0, 0, nullptr, 88200.0f);
    Dispatch(effMainsChanged, 0, 1);
    ExpectProcessedBlock(fx, block);
    // Rate and block size changed while running, taken at the next resume.
    Dispatch(effSetSampleRate, 0, 0, nullptr, 22050.0f);
    Dispatch(effSetBlockSize, 0, 17);
    ExpectProcessedBlock(fx, block);
    Dispatch(effMainsChanged, 0, 0);
    Dispatch(effMainsChanged, 0, 1);
    ExpectProcessedBlock(fx, block);
    // Closed while running (loader.Unload in TearDown sends effClose now).
}

TEST_F(PluginMains, ParameterChangesFromAnotherThreadWhileProcessing) {
    Start(48000.0f, 256);
    std::atomic<bool> stop{false};
    int32_t lastIndex = -1;
    float lastValue = -1.0f;
    std::thread editorSide([&] {
        char text[64];
        for (int round = 0; round < 100 || !stop.load(); ++round) {
            lastIndex = round % 47;
            lastValue = static_cast<float>(round % 101) / 100.0f;
            fx->setParameter(fx, lastIndex, lastValue);
            fx->dispatcher(fx, effGetParamDisplay, lastIndex, 0, text, 0.0f);
            (void)fx->getParameter(fx, lastIndex);
        }
    });
    AudioBlock block(256);
    for (int i = 0; i < 400; ++i) ExpectProcessedBlock(fx, block);
    stop.store(true);
    editorSide.join();
    ExpectProcessedBlock(fx, block);

    // No write from the other thread was lost or overtaken by an older one.
    ASSERT_GE(lastIndex, 0);
    EXPECT_EQ(GetParameter(lastIndex), lastValue);
}

}  // namespace
