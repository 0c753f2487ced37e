// Saved state as hosts handle it: bank and preset chunks carried from one instance
// to another, a chunk restored after every parameter was moved, and chunks of every
// length from 0 to past a whole bank with random contents. Whatever a chunk holds,
// the values that reach the modules stay in 0..1 and the audio stays finite.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/PresetBank.h"
#include "tests/robustness/RobustnessSupport.h"

namespace {

using namespace orva_robust;

std::vector<uint8_t> GetChunk(Host& h, bool preset) {
    void* data = nullptr;
    const intptr_t size = h.Dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
    if (size <= 0 || !data) return {};
    return std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

intptr_t SetChunk(Host& h, std::vector<uint8_t>& chunk, bool preset) {
    return h.Dispatch(effSetChunk, preset ? 1 : 0, static_cast<intptr_t>(chunk.size()), chunk.data());
}

std::vector<float> Parameters(Host& h) {
    std::vector<float> v(47);
    for (int32_t i = 0; i < 47; ++i) v[static_cast<size_t>(i)] = h.GetParameter(i);
    return v;
}

// Output of the same input from a freshly built signal graph, so that two states
// with the same settings compare sample for sample. (A plain suspend and resume
// clears the delay lines and filters but keeps the detector's and the envelope's
// state, so the graph is rebuilt here by announcing another block size.)
std::vector<float> Render(Host& h) {
    static int flip = 0;
    flip ^= 1;
    h.Suspend();
    h.Dispatch(effSetBlockSize, 0, flip ? 100 : 128);
    h.Dispatch(effMainsChanged, 0, 1);
    std::vector<float> in = Sine(24000, 330.0, 0.7, 48000.0), side = Sine(24000, 70.0, 0.3, 48000.0);
    for (size_t i = 0; i < in.size(); ++i) in[i] *= (i / 3000) % 2 ? 1.0f : 0.1f;
    std::vector<float> outL, outR;
    h.Run(in, side, outL, outR, 333, &side, &in);
    outL.insert(outL.end(), outR.begin(), outR.end());
    return outL;
}

// Parameter changes as automation, MIDI-learned controllers and program names give them.
void Scramble(Host& h, uint32_t seed) {
    for (int32_t i = 0; i < 47; ++i) {
        seed = seed * 1664525u + 1013904223u;
        h.SetParameter(i, static_cast<float>(seed >> 8) / static_cast<float>(1 << 24));
    }
    char name[32];
    std::snprintf(name, sizeof name, "Scrambled %u", seed % 1000);
    h.Dispatch(effSetProgramName, 0, 0, name);
}

TEST(State, BankAndPresetChunksCarryTheWholeStateToAnotherInstance) {
    Host a, b;
    ASSERT_TRUE(a.Load());
    ASSERT_TRUE(b.Load());
    a.Start(48000.0f, 333);
    b.Start(48000.0f, 333);
    for (int32_t program : {0, 1, 17, 64, 127}) {
        a.Dispatch(effSetProgram, 0, program);
        Scramble(a, static_cast<uint32_t>(program) + 1);
    }
    a.Dispatch(effSetProgram, 0, 17);

    // The bank: the same bytes, the same program, the same parameters, the same sound.
    std::vector<uint8_t> bank = GetChunk(a, false);
    ASSERT_EQ(bank.size(), static_cast<size_t>(kBankBytes));
    b.Dispatch(effSetProgram, 0, 17);
    EXPECT_EQ(SetChunk(b, bank, false), kBankBytes);
    EXPECT_EQ(GetChunk(b, false), bank);
    for (int32_t program : {0, 1, 17, 64, 127, 17}) {
        a.Dispatch(effSetProgram, 0, program);
        b.Dispatch(effSetProgram, 0, program);
        EXPECT_EQ(Parameters(b), Parameters(a)) << "program " << program;
    }
    const std::vector<float> soundA = Render(a);
    EXPECT_EQ(Render(b), soundA);

    // A preset: into another program slot of a third instance, then saved back the same.
    std::vector<uint8_t> preset = GetChunk(a, true);
    ASSERT_EQ(preset.size(), sizeof(PresetMemory));
    Host c;
    ASSERT_TRUE(c.Load());
    c.Start(48000.0f, 333);
    c.Dispatch(effSetProgram, 0, 99);
    EXPECT_EQ(SetChunk(c, preset, true), static_cast<intptr_t>(sizeof(PresetMemory)));
    EXPECT_EQ(GetChunk(c, true), preset);
    // Global values (kept in memory 0) travel with the bank, not with a preset.
    for (int32_t i = 0; i < 47; ++i) {
        if (DescriptorOf(i).flags & kGlobalValue) continue;
        EXPECT_EQ(c.GetParameter(i), a.GetParameter(i)) << i;
    }
    EXPECT_EQ(a.guardFaults + b.guardFaults + c.guardFaults, 0);
}

TEST(State, AShortBankChunkReplacesExactlyItsBytes) {
    // Lengths that end inside a value, inside a controller entry, inside the name
    // and just past a record: the bank holds the chunk's bytes up to its length
    // and its own after. (Values are in 0..1, so applying them keeps them.)
    Host source, h;
    ASSERT_TRUE(source.Load());
    ASSERT_TRUE(h.Load());
    for (int32_t program = 0; program < 128; program += 5) {
        source.Dispatch(effSetProgram, 0, program);
        Scramble(source, static_cast<uint32_t>(program) * 7 + 3);
    }
    std::vector<uint8_t> incoming = GetChunk(source, false);
    for (size_t i = 0; i < incoming.size(); i += sizeof(PresetMemory)) {
        for (size_t k = offsetof(PresetMemory, midiMap); k < offsetof(PresetMemory, name); ++k)
            incoming[i + k] = static_cast<uint8_t>(k * 31 + i);
    }
    for (int32_t length : {1, 2, 3, 5, 187, 189, 190, 191, 281, 283, 537, 563, 565, 1000, 1129, kBankBytes - 1}) {
        SCOPED_TRACE(length);
        const std::vector<uint8_t> before = GetChunk(h, false);
        EXPECT_EQ(h.Dispatch(effSetChunk, 0, length, incoming.data()), length);
        std::vector<uint8_t> expected = before;
        std::memcpy(expected.data(), incoming.data(), static_cast<size_t>(length));
        const std::vector<uint8_t> after = GetChunk(h, false);
        size_t differ = 0, first = 0;
        for (size_t i = 0; i < after.size(); ++i)
            if (after[i] != expected[i] && differ++ == 0) first = i;
        EXPECT_EQ(differ, 0u) << "first differing byte " << first;
    }
}

TEST(State, ASavedChunkRestoresTheStateAfterEverythingWasMoved) {
    Host h;
    ASSERT_TRUE(h.Load());
    h.Start(48000.0f, 333);
    h.Dispatch(effSetProgram, 0, 3);
    Scramble(h, 42);
    std::vector<uint8_t> bank = GetChunk(h, false), preset = GetChunk(h, true);
    const std::vector<float> parameters = Parameters(h);
    const std::vector<float> sound = Render(h);

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        // Every parameter fuzzed, in range and beyond, plus MIDI controllers and
        // other programs' values.
        Scramble(h, 1000u + static_cast<uint32_t>(round));
        for (int32_t i = 0; i < 47; ++i) h.SetParameter(i, i % 3 == 0 ? -5.0f : i % 3 == 1 ? 7.0f : NAN);
        VstMidiEvent cc{};
        cc.type = kVstMidiType;
        cc.byteSize = sizeof cc;
        cc.midiData[0] = static_cast<char>(0xB0);
        cc.midiData[2] = 99;
        VstEvents events{};
        events.numEvents = 1;
        events.events[0] = reinterpret_cast<VstEvent*>(&cc);
        for (int controller = 0; controller < 128; ++controller) {
            cc.midiData[1] = static_cast<char>(controller);
            h.Dispatch(effProcessEvents, 0, 0, &events);
        }
        h.Dispatch(effSetProgram, 0, 9);
        Scramble(h, 77);
        h.Dispatch(effSetProgram, 0, 3);

        if (round == 0) {
            // The bank brings back everything.
            EXPECT_EQ(SetChunk(h, bank, false), kBankBytes);
            EXPECT_EQ(GetChunk(h, false), bank);
        } else {
            // A preset brings back the program; the global values, moved too, come
            // back with the bank's first record (loaded as a short bank chunk).
            EXPECT_EQ(SetChunk(h, preset, true), static_cast<intptr_t>(sizeof(PresetMemory)));
            EXPECT_EQ(GetChunk(h, true), preset);
            std::vector<uint8_t> bankHead(bank.begin(), bank.begin() + sizeof(PresetMemory) + 1);
            EXPECT_EQ(SetChunk(h, bankHead, false), static_cast<intptr_t>(bankHead.size()));
        }
        EXPECT_EQ(Parameters(h), parameters);
        EXPECT_EQ(Render(h), sound);
    }
    EXPECT_EQ(h.guardFaults, 0);
}

TEST(State, RandomChunksOfEveryLengthNeverPoisonTheModules) {
    Host h;
    ASSERT_TRUE(h.Load());
    h.Start(44100.0f, 64);
    constexpr int32_t kLongest = kBankBytes + 100;
    // Random bytes, with many of the words that matter made hostile floats: NaN,
    // infinities, huge, negative and denormal values.
    std::vector<uint8_t> chunk(static_cast<size_t>(kLongest));
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    for (uint8_t& byte : chunk) byte = static_cast<uint8_t>(next() >> 24);
    const float hostile[] = {NAN, -NAN, INFINITY, -INFINITY, 1e30f, -1e30f, -0.5f, 1.5f, 1e-40f, -1e-40f};
    for (size_t at = 0; at + 4 <= chunk.size(); at += 4)
        if (next() % 3 == 0) std::memcpy(&chunk[at], &hostile[next() % 10], 4);

    std::vector<float> in = Sine(64, 1000.0, 0.5, 44100.0), silence(64, 0.0f), outL, outR;
    long outOfRange = 0, notFinite = 0, badTexts = 0, processed = 0;
    for (int32_t length = 0; length <= kLongest; ++length) {
        // Fresh random bytes where this length ends, so that successive lengths
        // do not load identical records.
        for (int k = 0; k < 4 && length > k; ++k) chunk[static_cast<size_t>(length - 1 - k)] = static_cast<uint8_t>(next() >> 24);
        const intptr_t answer = h.Dispatch(effSetChunk, length % 2, length, chunk.data());
        if (answer != (length > 0 ? length : 0)) ++badTexts;
        for (int32_t i = 0; i < 47; ++i) {
            const float v = h.GetParameter(i);
            if (!(v >= 0.0f && v <= 1.0f)) ++outOfRange;
        }
        const bool checkpoint = length % 97 == 0 || length < 600 || (length > 72000 && length < 72300) ||
                                length % static_cast<int32_t>(sizeof(PresetMemory)) < 2;
        if (!checkpoint) continue;
        ++processed;
        h.Run(in, in, outL, outR, 64, &silence, &silence);
        notFinite += static_cast<long>(CountNotFinite(outL) + CountNotFinite(outR));
        // Texts stay texts: every display a number or an option, program names
        // terminated within their 24 characters.
        for (int32_t i = 0; i < 47; ++i) {
            const orva_plugin_test::TextReply text = orva_plugin_test::AskText(h.fx, effGetParamDisplay, i);
            if (!text.terminated || text.bytesWritten > 9 || text.text.find("nan") != std::string::npos ||
                text.text.find("inf") != std::string::npos)
                ++badTexts;
        }
        for (int32_t program : {0, 1, 127}) {
            const orva_plugin_test::TextReply name = orva_plugin_test::AskText(h.fx, effGetProgramNameIndexed, program);
            if (!name.terminated || name.text.size() > 24) ++badTexts;
        }
    }
    std::printf("[ figures  ] %d chunk lengths loaded, audio and texts checked after %ld of them\n", kLongest + 1,
                processed);
    EXPECT_EQ(outOfRange, 0);
    EXPECT_EQ(notFinite, 0);
    EXPECT_EQ(badTexts, 0);
    EXPECT_EQ(h.guardFaults, 0);
}

}  // namespace
