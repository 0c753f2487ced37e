// The plug-in driven from several threads at once, as hosts do: one audio thread
// (MIDI events, then processReplacing, every block) while an automation thread
// sets parameters, in range and out of it, and a user-interface thread switches
// programs and saves and loads bank and preset chunks. Each thread runs a fixed
// number of iterations. The ThreadSanitizer build runs these tests (group
// Threads) and must report nothing; here every output sample must be finite.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <thread>
#include <vector>

#include "host/PresetBank.h"
#include "tests/robustness/RobustnessSupport.h"

namespace {

using namespace orva_robust;

struct Random {
    uint32_t state;
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int32_t Below(int32_t n) { return static_cast<int32_t>(Next() % static_cast<uint32_t>(n)); }
    float Unit() { return static_cast<float>(Next() >> 8) / static_cast<float>(1 << 24); }
};

constexpr int kBlock = 128;
constexpr int kAudioBlocks = 6000;        // 16 s of audio at 48 kHz
constexpr int kAutomationChanges = 50000;
constexpr int kInterfaceActions = 1500;

// Starts all threads at once, so that their work overlaps.
class StartLine {
public:
    explicit StartLine(int threads) : waiting_(threads) {}
    void Arrive() {
        waiting_.fetch_sub(1);
        while (waiting_.load() > 0) std::this_thread::yield();
    }

private:
    std::atomic<int> waiting_;
};

TEST(Threads, AudioRunsWhileOtherThreadsAutomateSwitchProgramsAndSwapChunks) {
    Host h;
    ASSERT_TRUE(h.Load()) << h.loader.error();
    AEffect* fx = h.fx;
    h.Dispatch(effOpen);
    h.Start(48000.0f, kBlock);

    // A bank as a host would have saved it, to be loaded back while audio runs.
    void* data = nullptr;
    ASSERT_EQ(h.Dispatch(effGetChunk, 0, 0, &data), kBankBytes);
    const std::vector<uint8_t> factoryBank(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + kBankBytes);

    StartLine start(3);
    std::atomic<long> notFinite{0};
    std::atomic<int> audioDone{0}, automationDone{0}, interfaceDone{0};

    std::thread audio([&] {
        std::vector<float> in[4], out[2];
        for (auto& c : in) c.assign(kBlock, 0.0f);
        for (auto& c : out) c.assign(kBlock, 0.0f);
        VstMidiEvent midi[4] = {};
        VstEvents* events = static_cast<VstEvents*>(
            ::operator new(sizeof(VstEvents) + 4 * sizeof(VstEvent*)));
        Random rnd{99};
        start.Arrive();
        for (int b = 0; b < kAudioBlocks; ++b) {
            for (int i = 0; i < kBlock; ++i) {
                const double t = static_cast<double>(b * kBlock + i) / 48000.0;
                const float level = (b / 40) % 2 ? 0.9f : 0.05f;
                in[0][static_cast<size_t>(i)] = level * static_cast<float>(std::sin(2 * kPi * 220.0 * t));
                in[1][static_cast<size_t>(i)] = level * static_cast<float>(std::sin(2 * kPi * 330.0 * t));
                in[2][static_cast<size_t>(i)] = in[0][static_cast<size_t>(i)] * 0.5f;
                in[3][static_cast<size_t>(i)] = in[1][static_cast<size_t>(i)] * 0.5f;
            }
            // Control changes on the controllers of the default MIDI map and others,
            // all-notes-off now and then, and a note.
            const int count = rnd.Below(5);
            for (int e = 0; e < count; ++e) {
                midi[e] = VstMidiEvent{};
                midi[e].type = kVstMidiType;
                midi[e].byteSize = sizeof(VstMidiEvent);
                midi[e].deltaFrames = rnd.Below(kBlock);
                const int kind = rnd.Below(10);
                midi[e].midiData[0] = static_cast<char>(kind == 9 ? 0x90 : 0xB0 | rnd.Below(16));
                midi[e].midiData[1] = static_cast<char>(kind < 5 ? rnd.Below(8) : kind == 8 ? 123 : rnd.Below(128));
                midi[e].midiData[2] = static_cast<char>(rnd.Below(128));
                events->events[e] = reinterpret_cast<VstEvent*>(&midi[e]);
            }
            events->numEvents = count;
            fx->dispatcher(fx, effProcessEvents, 0, 0, events, 0.0f);
            float* ins[4] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
            float* outs[2] = {out[0].data(), out[1].data()};
            fx->processReplacing(fx, ins, outs, kBlock);
            for (const auto& c : out)
                for (float v : c)
                    if (!std::isfinite(v)) notFinite.fetch_add(1);
            audioDone.fetch_add(1);
        }
        ::operator delete(events);
    });

    std::thread automation([&] {
        Random rnd{7};
        const int32_t outside[] = {-1, -1000, 47, 64, 91, 92, 93, 5000, std::numeric_limits<int32_t>::min(),
                                   std::numeric_limits<int32_t>::max()};
        const float oddValues[] = {-1.0f, 2.0f, std::numeric_limits<float>::quiet_NaN(),
                                   std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                                   1e-40f};
        start.Arrive();
        for (int k = 0; k < kAutomationChanges; ++k) {
            const bool inRange = rnd.Below(5) != 0;
            const int32_t index = inRange ? rnd.Below(47) : outside[rnd.Below(10)];
            const float value = rnd.Below(8) ? rnd.Unit() : oddValues[rnd.Below(6)];
            fx->setParameter(fx, index, value);
            const float back = fx->getParameter(fx, inRange ? index : rnd.Below(47));
            if (!(back >= 0.0f && back <= 1.0f)) notFinite.fetch_add(1);
            automationDone.fetch_add(1);
        }
    });

    std::thread ui([&] {
        Random rnd{3};
        std::vector<uint8_t> saved;
        char name[64];
        start.Arrive();
        for (int k = 0; k < kInterfaceActions; ++k) {
            void* chunk = nullptr;
            switch (rnd.Below(6)) {
                case 0:
                    fx->dispatcher(fx, effSetProgram, 0, rnd.Below(140) - 6, nullptr, 0.0f);
                    break;
                case 1: {  // save the bank or the program
                    const bool preset = rnd.Below(2) != 0;
                    const intptr_t size = fx->dispatcher(fx, effGetChunk, preset, 0, &chunk, 0.0f);
                    if (size > 0 && chunk)
                        saved.assign(static_cast<uint8_t*>(chunk), static_cast<uint8_t*>(chunk) + size);
                    break;
                }
                case 2:  // load what was saved (bank or preset, by its size)
                    if (!saved.empty())
                        fx->dispatcher(fx, effSetChunk, saved.size() == sizeof(PresetMemory) ? 1 : 0,
                                       static_cast<intptr_t>(saved.size()), saved.data(), 0.0f);
                    break;
                case 3:  // the factory bank, or part of it
                    fx->dispatcher(fx, effSetChunk, 0, rnd.Below(2) ? kBankBytes : 1 + rnd.Below(kBankBytes),
                                   const_cast<uint8_t*>(factoryBank.data()), 0.0f);
                    break;
                case 4:
                    fx->dispatcher(fx, effGetProgramName, 0, 0, name, 0.0f);
                    fx->dispatcher(fx, effGetParamDisplay, rnd.Below(47), 0, name, 0.0f);
                    break;
                default:
                    fx->dispatcher(fx, effGetProgram, 0, 0, nullptr, 0.0f);
                    break;
            }
            interfaceDone.fetch_add(1);
        }
    });

    audio.join();
    automation.join();
    ui.join();
    std::printf("[ figures  ] audio %d blocks of %d, automation %d changes, interface %d actions\n",
                audioDone.load(), kBlock, automationDone.load(), interfaceDone.load());
    EXPECT_EQ(notFinite.load(), 0);
    ASSERT_EQ(audioDone.load(), kAudioBlocks);

    // Whatever the threads left behind, loading the saved bank gives exactly it back,
    // and the plug-in goes on producing the sound of its program.
    ASSERT_EQ(h.Dispatch(effSetChunk, 0, kBankBytes, const_cast<uint8_t*>(factoryBank.data())), kBankBytes);
    ASSERT_EQ(h.Dispatch(effGetChunk, 0, 0, &data), kBankBytes);
    EXPECT_EQ(std::memcmp(data, factoryBank.data(), kBankBytes), 0);
    for (int32_t i = 0; i < 47; ++i) {
        const float v = h.GetParameter(i);
        EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << i;
    }
    const std::vector<float> tone = Sine(48000, 1000.0, 0.5, 48000.0);
    std::vector<float> outL, outR;
    h.Run(tone, tone, outL, outR, kBlock);
    EXPECT_EQ(CountNotFinite(outL) + CountNotFinite(outR), 0u);
    EXPECT_GT(PeakOf(outL, 40000, 48000), 0.05);
    EXPECT_EQ(h.guardFaults, 0);
}

// A host that suspends, changes the block size and sample rate and resumes from its
// user-interface thread while its audio thread keeps processing (hosts should not,
// some do): the audio thread never touches a graph or table being rebuilt (the
// sanitizer builds see every access), never waits, and the plug-in sounds as
// before once the host settles.
TEST(Threads, ReconfiguringWhileAnotherThreadProcessesIsSafe) {
    Host h;
    ASSERT_TRUE(h.Load()) << h.loader.error();
    AEffect* fx = h.fx;
    h.Dispatch(effOpen);
    h.Start(48000.0f, kBlock);

    constexpr int kReconfigurations = 200;
    StartLine start(2);
    std::atomic<bool> reconfiguring{true};
    std::atomic<long> notFinite{0}, blocks{0};

    std::thread audio([&] {
        std::vector<float> in(kBlock), out[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
        VstMidiEvent cc{};
        cc.type = kVstMidiType;
        cc.byteSize = sizeof cc;
        VstEvents events{};
        events.numEvents = 1;
        events.events[0] = reinterpret_cast<VstEvent*>(&cc);
        Random rnd{5};
        start.Arrive();
        for (long b = 0; reconfiguring.load() || b < 100; ++b) {
            for (int i = 0; i < kBlock; ++i)
                in[static_cast<size_t>(i)] = 0.5f * static_cast<float>(std::sin(2 * kPi * 440.0 * (b * kBlock + i) / 48000.0));
            cc.deltaFrames = rnd.Below(kBlock);
            cc.midiData[0] = static_cast<char>(0xB0);
            cc.midiData[1] = static_cast<char>(rnd.Below(8));
            cc.midiData[2] = static_cast<char>(rnd.Below(128));
            fx->dispatcher(fx, effProcessEvents, 0, 0, &events, 0.0f);
            float* ins[4] = {in.data(), in.data(), in.data(), in.data()};
            float* outs[2] = {out[0].data(), out[1].data()};
            const int32_t frames = 1 + rnd.Below(kBlock);
            fx->processReplacing(fx, ins, outs, frames);
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < frames; ++i)
                    if (!std::isfinite(out[c][static_cast<size_t>(i)])) notFinite.fetch_add(1);
            blocks.fetch_add(1);
        }
    });

    std::thread host([&] {
        const float rates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f};
        const intptr_t sizes[] = {32, 64, 128, 512, 4096};
        Random rnd{11};
        start.Arrive();
        for (int k = 0; k < kReconfigurations; ++k) {
            fx->dispatcher(fx, effMainsChanged, 0, 0, nullptr, 0.0f);
            fx->dispatcher(fx, effSetBlockSize, 0, sizes[rnd.Below(5)], nullptr, 0.0f);
            fx->dispatcher(fx, effSetSampleRate, 0, 0, nullptr, rates[rnd.Below(4)]);
            fx->dispatcher(fx, effMainsChanged, 0, 1, nullptr, 0.0f);
            if (k % 4 == 0) std::this_thread::yield();
        }
        reconfiguring.store(false);
    });

    audio.join();
    host.join();
    std::printf("[ figures  ] %d reconfigurations while %ld blocks were processed\n", kReconfigurations,
                blocks.load());
    EXPECT_EQ(notFinite.load(), 0);

    h.Suspend();
    h.Start(48000.0f, kBlock);
    const std::vector<float> tone = Sine(48000, 1000.0, 0.5, 48000.0);
    std::vector<float> outL, outR;
    h.Run(tone, tone, outL, outR, kBlock);
    EXPECT_EQ(CountNotFinite(outL) + CountNotFinite(outR), 0u);
    EXPECT_GT(PeakOf(outL, 40000, 48000), 0.05);
    EXPECT_EQ(h.guardFaults, 0);
}

}  // namespace
