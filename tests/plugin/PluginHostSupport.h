// Shared pieces of the host-level tests: a fixture that loads the built plug-in
// through PluginLoader, text-opcode helpers that detect writes past the
// terminator, and audio buffers with guard zones around every channel.
//
// Everything here talks to the plug-in only through the AEffect record and its
// dispatcher, as a DAW does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "sdk/VstAbi.h"
#include "tools/PluginLoader.h"

namespace orva_plugin_test {

inline const char* PluginPath() { return ORVA_PLUGIN_PATH; }

// Byte the text buffers are filled with before an opcode runs.
constexpr unsigned char kTextFill = 0xA5;
constexpr size_t kTextBufferSize = 256;

// What a text opcode left in the host's buffer.
struct TextReply {
    std::string text;     // up to the first terminator (or the whole buffer)
    size_t bytesWritten;  // 1 + position of the last byte that differs from the fill
    bool terminated;      // a terminator was found inside the buffer
};

inline TextReply AskText(AEffect* effect, int32_t opcode, int32_t index) {
    unsigned char buffer[kTextBufferSize];
    std::memset(buffer, kTextFill, sizeof buffer);
    effect->dispatcher(effect, opcode, index, 0, buffer, 0.0f);
    TextReply reply{};
    const void* zero = std::memchr(buffer, 0, sizeof buffer);
    reply.terminated = zero != nullptr;
    const size_t length = reply.terminated
                              ? static_cast<size_t>(static_cast<const unsigned char*>(zero) - buffer)
                              : sizeof buffer;
    reply.text.assign(reinterpret_cast<const char*>(buffer), length);
    for (size_t i = sizeof buffer; i > 0; --i) {
        if (buffer[i - 1] != kTextFill) {
            reply.bytesWritten = i;
            break;
        }
    }
    return reply;
}

// A freshly created effect per test.
class PluginFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(loader.Load(PluginPath())) << loader.error();
        fx = loader.effect();
        ASSERT_NE(fx, nullptr);
    }

    void TearDown() override { loader.Unload(); }

    void SetParameter(int32_t index, float value) { fx->setParameter(fx, index, value); }
    float GetParameter(int32_t index) { return fx->getParameter(fx, index); }
    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) {
        return fx->dispatcher(fx, opcode, index, value, ptr, opt);
    }
    TextReply Name(int32_t index) { return AskText(fx, effGetParamName, index); }
    TextReply Label(int32_t index) { return AskText(fx, effGetParamLabel, index); }
    TextReply Display(int32_t index) { return AskText(fx, effGetParamDisplay, index); }

    // The usual start of playback: rate, block size, then the mains switched on.
    void Start(float sampleRate, int32_t blockSize) {
        Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
        Dispatch(effSetBlockSize, 0, blockSize);
        Dispatch(effMainsChanged, 0, 1);
    }

    PluginLoader loader;
    AEffect* fx = nullptr;
};

// Host-side audio buffers: 4 inputs and 2 outputs, each channel with guard zones
// before and after the frames handed to the plug-in.
class AudioBlock {
public:
    static constexpr size_t kGuard = 32;
    static constexpr uint32_t kSentinelBits = 0x7FC0DEADu;  // a quiet NaN with a payload

    explicit AudioBlock(int32_t frames) : frames_(frames > 0 ? frames : 0) {
        const size_t total = static_cast<size_t>(frames_) + 2 * kGuard;
        for (auto& channel : in_) channel.assign(total, 0.0f);
        for (auto& channel : out_) channel.assign(total, 0.0f);
        for (int c = 0; c < 4; ++c) {
            for (size_t i = 0; i < total; ++i) {
                // A loud, different signal on every input: silence at the outputs
                // cannot come from silent inputs.
                const float phase = static_cast<float>(i) * (0.013f + 0.007f * static_cast<float>(c));
                in_[c][i] = 0.8f * (phase - static_cast<float>(static_cast<int>(phase))) - 0.4f;
            }
            inputs_[c] = in_[c].data() + kGuard;
        }
        for (int c = 0; c < 4; ++c) inputCopy_[c] = in_[c];
        FillOutputsWithSentinel();
        for (int c = 0; c < 2; ++c) outputs_[c] = out_[c].data() + kGuard;
    }

    int32_t frames() const { return frames_; }
    float** inputs() { return inputs_; }
    float** outputs() { return outputs_; }

    void FillOutputsWithSentinel() {
        for (auto& channel : out_)
            for (float& sample : channel) std::memcpy(&sample, &kSentinelBits, sizeof sample);
    }

    static bool IsSentinel(float sample) {
        uint32_t bits;
        std::memcpy(&bits, &sample, sizeof bits);
        return bits == kSentinelBits;
    }

    float Out(int channel, int32_t frame) const { return out_[channel][kGuard + frame]; }

    // Number of guard samples (before and after the frames) that no longer hold the sentinel.
    int OutputGuardsTouched(int channel) const {
        int touched = 0;
        const auto& data = out_[channel];
        for (size_t i = 0; i < kGuard; ++i) {
            if (!IsSentinel(data[i])) ++touched;
            if (!IsSentinel(data[kGuard + static_cast<size_t>(frames_) + i])) ++touched;
        }
        return touched;
    }

    // Number of frames (inside the range) that still hold the sentinel.
    int OutputFramesUnwritten(int channel) const {
        int unwritten = 0;
        for (int32_t f = 0; f < frames_; ++f)
            if (IsSentinel(Out(channel, f))) ++unwritten;
        return unwritten;
    }

    // Number of frames that are not exactly zero (NaN and the sentinel count).
    int OutputFramesNotSilent(int channel) const {
        int loud = 0;
        for (int32_t f = 0; f < frames_; ++f)
            if (!(Out(channel, f) == 0.0f)) ++loud;
        return loud;
    }

    // Number of frames that are not finite (unwritten sentinels count too). With
    // arbitrary settings a finite output may be large: upward expansion and make-up
    // can boost quiet passages by many decibels.
    int OutputFramesNotFinite(int channel) const {
        int bad = 0;
        for (int32_t f = 0; f < frames_; ++f)
            if (!std::isfinite(Out(channel, f))) ++bad;
        return bad;
    }

    // The plug-in may only read its inputs.
    bool InputsUnchanged() const {
        for (int c = 0; c < 4; ++c)
            if (std::memcmp(in_[c].data(), inputCopy_[c].data(), in_[c].size() * sizeof(float)) != 0)
                return false;
        return true;
    }

private:
    int32_t frames_;
    std::vector<float> in_[4];
    std::vector<float> out_[2];
    std::vector<float> inputCopy_[4];
    float* inputs_[4] = {};
    float* outputs_[2] = {};
};

// Runs processReplacing over a block and checks that both outputs hold exactly
// `frames` samples of silence, the guards are intact and the inputs untouched.
inline void ExpectSilentBlock(AEffect* fx, AudioBlock& block) {
    block.FillOutputsWithSentinel();
    fx->processReplacing(fx, block.inputs(), block.outputs(), block.frames());
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(block.OutputFramesNotSilent(c), 0)
            << "output " << c << ", block of " << block.frames() << " frames";
        EXPECT_EQ(block.OutputGuardsTouched(c), 0)
            << "output " << c << " written outside a block of " << block.frames() << " frames";
    }
    EXPECT_TRUE(block.InputsUnchanged()) << "the inputs of a block of " << block.frames()
                                         << " frames were modified";
}

// Runs processReplacing over a block of audio and checks that both outputs hold
// `frames` finite samples, the guards are intact and the inputs untouched.
inline void ExpectProcessedBlock(AEffect* fx, AudioBlock& block) {
    block.FillOutputsWithSentinel();
    fx->processReplacing(fx, block.inputs(), block.outputs(), block.frames());
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(block.OutputFramesNotFinite(c), 0)
            << "output " << c << ", block of " << block.frames() << " frames";
        EXPECT_EQ(block.OutputGuardsTouched(c), 0)
            << "output " << c << " written outside a block of " << block.frames() << " frames";
    }
    EXPECT_TRUE(block.InputsUnchanged()) << "the inputs of a block of " << block.frames()
                                         << " frames were modified";
}

}  // namespace orva_plugin_test
