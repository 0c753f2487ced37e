// Audio through processReplacing as a host drives it: before and after the mains
// are switched on, with odd and changing block sizes, with missing channels.
// The signal graph is still empty, so every block must come out as silence; the
// checks on frame counts, guards and inputs hold whatever the graph becomes.

#include <cstdint>
#include <limits>

#include "tests/plugin/PluginHostSupport.h"

namespace {

using orva_plugin_test::AudioBlock;
using orva_plugin_test::ExpectProcessedBlock;
using orva_plugin_test::ExpectSilentBlock;
using orva_plugin_test::PluginFixture;

using PluginProcess = PluginFixture;

TEST_F(PluginProcess, WritesSilenceBeforeTheFirstResume) {
    for (int32_t frames : {1, 64, 300, 1024}) {
        AudioBlock block(frames);
        ExpectSilentBlock(fx, block);
    }
}

TEST_F(PluginProcess, EmptyOrNegativeBlocksWriteNothing) {
    AudioBlock block(64);
    for (bool running : {false, true}) {
        if (running) Start(44100.0f, 64);
        for (int32_t frames : {0, -1, -64, std::numeric_limits<int32_t>::min()}) {
            block.FillOutputsWithSentinel();
            fx->processReplacing(fx, block.inputs(), block.outputs(), frames);
            for (int c = 0; c < 2; ++c) {
                EXPECT_EQ(block.OutputFramesUnwritten(c), 64)
                    << frames << " frames, running " << running << ", output " << c;
                EXPECT_EQ(block.OutputGuardsTouched(c), 0) << frames << " frames";
            }
            EXPECT_TRUE(block.InputsUnchanged());
        }
    }
}

TEST_F(PluginProcess, OddBlockSizesAfterResumeStayInsideTheirBuffers) {
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        for (int32_t size : {1, 7, 129, 300, 4096}) {
            Dispatch(effMainsChanged, 0, 0);
            Start(rate, size);
            AudioBlock block(size);
            for (int repeat = 0; repeat < 3; ++repeat) ExpectProcessedBlock(fx, block);
        }
    }
}

TEST_F(PluginProcess, BlocksOtherThanTheAnnouncedSize) {
    // Hosts announce a maximum and then send shorter blocks, and some send longer ones.
    Start(44100.0f, 64);
    for (int32_t frames : {1, 63, 64, 65, 127, 128, 129, 300, 7, 2048}) {
        AudioBlock block(frames);
        ExpectProcessedBlock(fx, block);
    }
    Start(48000.0f, 512);
    for (int32_t frames : {13, 512, 100, 1000}) {
        AudioBlock block(frames);
        ExpectProcessedBlock(fx, block);
    }
}

TEST_F(PluginProcess, UnusableRatesAndBlockSizesAreSurvived) {
    Start(44100.0f, 256);
    for (float rate : {std::numeric_limits<float>::quiet_NaN(), 0.0f, -44100.0f,
                       std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                       std::numeric_limits<float>::denorm_min()}) {
        Dispatch(effMainsChanged, 0, 0);
        Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        Dispatch(effMainsChanged, 0, 1);
        AudioBlock block(200);
        ExpectProcessedBlock(fx, block);
    }
    for (intptr_t size : {intptr_t{0}, intptr_t{-1}, intptr_t{-4096},
                          static_cast<intptr_t>(std::numeric_limits<int32_t>::max())}) {
        Dispatch(effMainsChanged, 0, 0);
        Dispatch(effSetBlockSize, 0, size);
        Dispatch(effMainsChanged, 0, 1);
        AudioBlock block(200);
        ExpectProcessedBlock(fx, block);
    }
}

TEST_F(PluginProcess, MissingChannelPointersDoNotCrash) {
    for (bool running : {false, true}) {
        if (running) Start(44100.0f, 128);
        AudioBlock block(257);

        float* noInputs[4] = {block.inputs()[0], nullptr, nullptr, nullptr};
        block.FillOutputsWithSentinel();
        fx->processReplacing(fx, noInputs, block.outputs(), block.frames());
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(running ? block.OutputFramesNotFinite(c) : block.OutputFramesNotSilent(c), 0)
                << "running " << running;
            EXPECT_EQ(block.OutputGuardsTouched(c), 0);
        }

        float* allNull[4] = {nullptr, nullptr, nullptr, nullptr};
        block.FillOutputsWithSentinel();
        fx->processReplacing(fx, allNull, block.outputs(), block.frames());
        for (int c = 0; c < 2; ++c)
            EXPECT_EQ(running ? block.OutputFramesNotFinite(c) : block.OutputFramesNotSilent(c), 0);

        // A missing right output: the left one is still written, nothing else.
        float* leftOnly[2] = {block.outputs()[0], nullptr};
        block.FillOutputsWithSentinel();
        fx->processReplacing(fx, block.inputs(), leftOnly, block.frames());
        EXPECT_EQ(running ? block.OutputFramesNotFinite(0) : block.OutputFramesNotSilent(0), 0);
        EXPECT_EQ(block.OutputGuardsTouched(0), 0);
        EXPECT_EQ(block.OutputFramesUnwritten(1), block.frames());
        EXPECT_TRUE(block.InputsUnchanged());
    }
}

TEST_F(PluginProcess, ParameterAndProgramChangesBetweenBlocks) {
    Start(44100.0f, 128);
    AudioBlock block(300);
    ExpectProcessedBlock(fx, block);
    for (int32_t index = 0; index < fx->numParams; ++index) SetParameter(index, 1.0f);
    ExpectProcessedBlock(fx, block);
    Dispatch(effSetProgram, 0, 5);
    ExpectProcessedBlock(fx, block);
    for (int32_t index = 0; index < fx->numParams; ++index) SetParameter(index, 0.0f);
    Dispatch(effSetProgram, 0, 0);
    ExpectProcessedBlock(fx, block);
}

}  // namespace
