// The effect as a host drives it through the dispatcher: identification, pins,
// capabilities, programs, chunks, MIDI input and the factory bank.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "host/ControlTable.h"
#include "tests/support/TestEffect.h"

namespace {

intptr_t Dispatch(Mox_DSP_VST& e, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                  void* ptr = nullptr, float opt = 0.0f) {
    AEffect* a = e.getAeffect();
    return a->dispatcher(a, opcode, index, value, ptr, opt);
}

std::string Text(Mox_DSP_VST& e, int32_t opcode, int32_t index = 0) {
    char text[256];
    std::memset(text, 'x', sizeof text);
    text[255] = 0;
    Dispatch(e, opcode, index, 0, text);
    return text;
}

class Listener : public NoteListener {
public:
    void NoteReceived(int32_t note) override { notes.push_back(note); }
    std::vector<int32_t> notes;
};

// In -> recorder (pins 0..3 <- indices 49, 4, 6, 5) -> gain.
const GraphRecord kMidiGraph[] = {
    Record(kTestAudioIn, {}),
    Record(kTestRecorder, {ControlLink(0, 49), ControlLink(1, 4), ControlLink(2, 6), ControlLink(3, 5)}),
    Record(kTestGain, {ModuleLink(0, kTestAudioIn, 0), ModuleLink(1, kTestAudioIn, 1)}),
    EndOfDescription(),
};

VstMidiEvent Midi(uint8_t status, uint8_t d1, uint8_t d2, int32_t delta = 0) {
    VstMidiEvent m{};
    m.type = kVstMidiType;
    m.byteSize = sizeof m;
    m.deltaFrames = delta;
    m.midiData[0] = static_cast<char>(status);
    m.midiData[1] = static_cast<char>(d1);
    m.midiData[2] = static_cast<char>(d2);
    return m;
}

// Sends the MIDI events to the effect as one VstEvents list.
void Send(Mox_DSP_VST& e, std::vector<VstMidiEvent> midi) {
    std::vector<char> storage(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<int32_t>(midi.size());
    for (size_t i = 0; i < midi.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    EXPECT_EQ(Dispatch(e, effProcessEvents, 0, 0, list), 1);
}

std::unique_ptr<TestEffect> MidiEffect() {
    auto e = std::make_unique<TestEffect>(kMidiGraph);
    e->setSampleRate(44100.0f);
    e->setBlockSize(128);
    e->resume();
    std::vector<float> l(64), r(64), ol(64), orr(64);
    e->Process(l, r, ol, orr);  // takes the values the build sent
    e->ModuleOfCode<RecorderModule>(kTestRecorder)->received.clear();
    return e;
}

}  // namespace

TEST(Identification, NamesNumbersAndCategory) {
    TestEffect e;
    EXPECT_EQ(Text(e, effGetEffectName), "Orva_Tessmark");
    EXPECT_EQ(Text(e, effGetProductString), "Orva_Tessmark");
    EXPECT_FALSE(Text(e, effGetVendorString).empty());
    EXPECT_EQ(Dispatch(e, effGetEffectName, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(e, effGetVendorVersion), 1000);
    EXPECT_EQ(Dispatch(e, effGetVstVersion), 2400);
    EXPECT_EQ(Dispatch(e, effGetPlugCategory), 4);
    EXPECT_EQ(Dispatch(e, effGetNumMidiInputChannels), 16);
    EXPECT_EQ(Dispatch(e, effGetNumMidiOutputChannels), 0);
    EXPECT_EQ(Dispatch(e, effGetTailSize), 0);
    EXPECT_EQ(Dispatch(e, effIdentify), kEffectIdentify);
    EXPECT_EQ(Dispatch(e, effGetCurrentMidiProgram), -1);
    EXPECT_EQ(Dispatch(e, effSetTotalSampleToProcess, 0, 4410), 4410);
    EXPECT_EQ(Dispatch(e, effCanBeAutomated, 30), 1);
    for (int32_t opcode : std::initializer_list<int32_t>{effGetVu, effEditDraw, effSetBypass, effString2Parameter, effGetParameterProperties,
                           effSetSpeakerArrangement, effProcessVarIo, effOfflineNotify, effSetPanLaw,
                           effSetProcessPrecision, effBeginSetProgram, effEndSetProgram, effHasMidiProgramsChanged,
                           effGetMidiKeyName, effShellGetNextPlugin, effStartProcess, effStopProcess,
                           effBeginLoadBank, effVendorSpecific, effEditGetRect, effEditOpen, effEditKeyDown,
                           effEditKeyUp, 80, 500, -7})
        EXPECT_EQ(Dispatch(e, opcode, 1, 1, nullptr, 1.0f), 0) << "opcode " << opcode;
    // The editor takes the host's knob mode.
    EXPECT_EQ(Dispatch(e, effSetEditKnobMode, 0, 2), 1);
}

TEST(Identification, CapabilitiesCompareTheWholeText) {
    TestEffect e;
    auto can = [&](const char* text) {
        std::string copy = text;
        return Dispatch(e, effCanDo, 0, 0, copy.data());
    };
    EXPECT_EQ(can("bypass"), -1);
    EXPECT_EQ(can("receiveVstEvents"), 1);
    EXPECT_EQ(can("receiveVstMidiEvent"), 1);  // the standard text
    EXPECT_EQ(can("receiveVstMidiEvents"), 1);
    EXPECT_EQ(can("receiveVstTimeInfo"), 1);
    EXPECT_EQ(can("sendVstMidiEvent"), -1);
    EXPECT_EQ(can("midiProgramNames"), -1);
    EXPECT_EQ(can("receiveVstEventsX"), 0);
    EXPECT_EQ(can("receiveVstEvent"), 0);
    EXPECT_EQ(can(""), 0);
    EXPECT_EQ(Dispatch(e, effCanDo, 0, 0, nullptr), 0);
}

TEST(Identification, PinsAndSpeakerArrangement) {
    TestEffect e;
    const char* inputs[] = {"Left In", "Right In", "L Sidechain In", "R Sidechain In"};
    const int32_t inFlags[] = {3, 1, 3, 1}, inTypes[] = {1, 1, 11, 11};
    for (int i = 0; i < 4; ++i) {
        VstPinProperties p{};
        std::strcpy(p.shortLabel, "host");
        ASSERT_EQ(Dispatch(e, effGetInputProperties, i, 0, &p), 1);
        EXPECT_STREQ(p.label, inputs[i]);
        EXPECT_EQ(p.flags, inFlags[i]);
        EXPECT_EQ(p.arrangementType, inTypes[i]);
        EXPECT_STREQ(p.shortLabel, "host");
    }
    for (int i = 0; i < 2; ++i) {
        VstPinProperties p{};
        ASSERT_EQ(Dispatch(e, effGetOutputProperties, i, 0, &p), 1);
        EXPECT_STREQ(p.label, i ? "Right Out" : "Left Out");
        EXPECT_EQ(p.flags, 3);
        EXPECT_EQ(p.arrangementType, 1);
    }
    VstPinProperties untouched{};
    std::strcpy(untouched.label, "keep");
    EXPECT_EQ(Dispatch(e, effGetInputProperties, 4, 0, &untouched), 0);
    EXPECT_EQ(Dispatch(e, effGetInputProperties, -1, 0, &untouched), 0);
    EXPECT_EQ(Dispatch(e, effGetOutputProperties, 2, 0, &untouched), 0);
    EXPECT_EQ(Dispatch(e, effGetInputProperties, 0, 0, nullptr), 0);
    EXPECT_STREQ(untouched.label, "keep");

    VstSpeakerArrangement* in = nullptr;
    VstSpeakerArrangement* out = nullptr;
    ASSERT_EQ(Dispatch(e, effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 1);
    EXPECT_EQ(in->type, kSpeakerArr40Music);
    EXPECT_EQ(in->numChannels, 4);
    EXPECT_EQ(in->speakers[2].type, kSpeakerUndefined);
    EXPECT_EQ(in->speakers[3].type, kSpeakerUndefined);
    EXPECT_EQ(out->type, kSpeakerArrStereo);
    EXPECT_EQ(out->numChannels, 2);
}

TEST(FactoryBank, NamesMapAndProgramZeroValues) {
    TestEffect e;
    EXPECT_EQ(Text(e, effGetProgramName), "Default Start");
    EXPECT_EQ(Text(e, effGetProgramNameIndexed, 11), "Orva Loudness");
    EXPECT_EQ(Text(e, effGetProgramNameIndexed, 68), "Guitar_Sustain");
    EXPECT_EQ(Text(e, effGetProgramNameIndexed, 69), "(Copy 1) Default");
    EXPECT_EQ(Text(e, effGetProgramNameIndexed, 127), "(Copy 59) Default");
    EXPECT_EQ(Dispatch(e, effGetProgramNameIndexed, 128, 0, std::array<char, 64>{}.data()), 0);
    EXPECT_EQ(Dispatch(e, effGetProgramNameIndexed, -1, 0, std::array<char, 64>{}.data()), 0);

    // No factory program binds a MIDI controller (Bank Select, controller 0, least of all).
    for (int p = 0; p < 128; ++p) {
        for (int i = 0; i < 47; ++i) EXPECT_EQ(e.bank[p].midiMap[i], -1) << "program " << p << ", entry " << i;
        EXPECT_EQ(e.bank[p].spare, 0x31);
        if (p == 0 || p >= 69) {  // the copies hold program 0's values; 1..68 are designed
            EXPECT_EQ(std::memcmp(e.bank[p].values, e.bank[0].values, sizeof e.bank[0].values), 0);
        }
    }
    EXPECT_NE(std::memcmp(e.bank[1].values, e.bank[0].values, sizeof e.bank[0].values), 0);
    // The state after loading: the program-0 values, as normalised and display values.
    const struct {
        int index;
        float normalised;
        const char* display;
    } expected[] = {{4, 0.0004f, nullptr}, {6, 0.15f, "300.0000"},  {7, 0.01f, nullptr},
                    {8, 0.79875f, "-16.1000"}, {9, 0.0955f, "2.000000"}, {14, 0.6667f, "8.000000"},
                    {17, 0.018f, "20.00000"}, {19, 0.0001f, nullptr},   {22, 1.0f, nullptr},
                    {30, 0.5f, nullptr},      {40, 0.5f, nullptr},       {42, 1.0f, "Output"},
                    {43, 0.4f, "InputL"},     {45, 0.6f, "InputR"},      {46, 0.2f, "OutputR"}};
    for (const auto& x : expected) {
        EXPECT_NEAR(e.getParameter(x.index), x.normalised, 1e-4) << "index " << x.index;
        if (x.display) {
            EXPECT_EQ(Text(e, effGetParamDisplay, x.index), x.display) << "index " << x.index;
        }
    }
}

TEST(Programs, NamesAreCutTo24AndReadSafely) {
    TestEffect e;
    char longName[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234";  // 30 characters
    Dispatch(e, effSetProgramName, 0, 0, longName);
    EXPECT_EQ(Text(e, effGetProgramName), "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(e.currentRecord->name[24], 0);
    // A loaded record whose name has no terminator is still read as 24 characters.
    std::memset(e.bank[3].name, 'Q', 25);
    EXPECT_EQ(Text(e, effGetProgramNameIndexed, 3), std::string(24, 'Q'));
    Dispatch(e, effSetProgram, 0, 3);
    EXPECT_EQ(Text(e, effGetProgramName), std::string(24, 'Q'));
    Dispatch(e, effSetProgramName, 0, 0, nullptr);
    Dispatch(e, effGetProgramName, 0, 0, nullptr);
    Dispatch(e, effSetProgram, 0, 128);
    Dispatch(e, effSetProgram, 0, -1);
    EXPECT_EQ(Dispatch(e, effGetProgram), 3);
}

TEST(Chunks, SizesAndContentsAreTheBankAndTheCurrentRecord) {
    TestEffect e;
    Dispatch(e, effSetProgram, 0, 7);
    void* data = nullptr;
    EXPECT_EQ(Dispatch(e, effGetChunk, 0, 0, &data), 72192);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data, e.bank, 72192), 0);
    // A copy taken when asked: later changes do not move under the host's feet.
    e.setParameter(9, 0.5f);
    EXPECT_NE(std::memcmp(data, e.bank, 72192), 0);
    EXPECT_EQ(Dispatch(e, effGetChunk, 1, 0, &data), 564);
    EXPECT_EQ(std::memcmp(data, &e.bank[7], 564), 0);
    EXPECT_EQ(Dispatch(e, effGetChunk, 0, 0, nullptr), 0);
    // The record layout on the wire.
    auto* bytes = reinterpret_cast<const uint8_t*>(e.bank);
    EXPECT_EQ(bytes + 188, reinterpret_cast<const uint8_t*>(e.bank[0].midiMap));
    EXPECT_EQ(bytes + 538, reinterpret_cast<const uint8_t*>(e.bank[0].name));
    EXPECT_EQ(bytes[563], 0x31);
    EXPECT_EQ(bytes + 564, reinterpret_cast<const uint8_t*>(&e.bank[1]));
}

TEST(Chunks, EachKindKeepsItsOwnBufferUntilTheNextRequestOfThatKind) {
    TestEffect e;
    Dispatch(e, effSetProgram, 0, 7);
    void* bankData = nullptr;
    ASSERT_EQ(Dispatch(e, effGetChunk, 0, 0, &bankData), 72192);
    const std::vector<uint8_t> bankBytes(static_cast<uint8_t*>(bankData), static_cast<uint8_t*>(bankData) + 72192);
    // Program requests, for other programs too, and bank loads of other hosts'
    // making leave the bytes already handed out for the bank alone.
    for (int program : {7, 3, 0}) {
        Dispatch(e, effSetProgram, 0, program);
        void* programData = nullptr;
        ASSERT_EQ(Dispatch(e, effGetChunk, 1, 0, &programData), 564);
        EXPECT_EQ(std::memcmp(programData, &e.bank[program], 564), 0);
        EXPECT_EQ(std::memcmp(bankData, bankBytes.data(), 72192), 0) << "after program " << program;
    }
    // A second program request leaves the first program chunk as it was, too.
    Dispatch(e, effSetProgram, 0, 3);
    void* first = nullptr;
    void* second = nullptr;
    Dispatch(e, effGetChunk, 1, 0, &first);
    const std::vector<uint8_t> firstBytes(static_cast<uint8_t*>(first), static_cast<uint8_t*>(first) + 564);
    Dispatch(e, effSetProgram, 0, 9);
    Dispatch(e, effGetChunk, 1, 0, &second);
    EXPECT_EQ(std::memcmp(first, firstBytes.data(), 564), 0);
    EXPECT_EQ(std::memcmp(second, &e.bank[9], 564), 0);
}

TEST(Chunks, PresetSizedChunkReplacesOnlyTheCurrentRecord) {
    TestEffect e;
    Dispatch(e, effSetProgram, 0, 5);
    PresetMemory incoming = e.bank[5];
    incoming.values[6] = 0.5f;  // Release 1000 ms
    std::strcpy(incoming.name, "Loaded");
    const PresetMemory before0 = e.bank[0];
    EXPECT_EQ(Dispatch(e, effSetChunk, /*isPreset=*/0, 564, &incoming), 564);
    EXPECT_STREQ(e.bank[5].name, "Loaded");
    EXPECT_EQ(std::memcmp(&e.bank[0], &before0, sizeof before0), 0);
    EXPECT_FLOAT_EQ(e.ControlValue(6), 100.0f);  // re-applied
}

TEST(Chunks, PartialBankChunkReplacesTheLeadingBytesAndReapplies) {
    TestEffect e;
    std::vector<uint8_t> chunk(1000);
    std::memcpy(chunk.data(), e.bank, chunk.size());
    reinterpret_cast<PresetMemory*>(chunk.data())->values[9] = 1.0f;  // Comp Ratio 20 in program 0
    chunk[564 + 100] = 0xAB;
    const PresetMemory record1 = e.bank[1];
    EXPECT_EQ(Dispatch(e, effSetChunk, 0, 1000, chunk.data()), 1000);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(&e.bank[1])[100], 0xAB);
    EXPECT_EQ(std::memcmp(reinterpret_cast<uint8_t*>(&e.bank[1]) + 436,
                          reinterpret_cast<const uint8_t*>(&record1) + 436, 564 - 436),
              0);
    EXPECT_FLOAT_EQ(e.ControlValue(9), 2.0f);
}

TEST(Chunks, BadChunksChangeNothingAndBadValuesNeverReachTheModules) {
    TestEffect e;
    const std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(e.bank), reinterpret_cast<uint8_t*>(e.bank) + 72192);
    std::vector<uint8_t> junk(72192, 0xFF);
    EXPECT_EQ(Dispatch(e, effSetChunk, 0, 1000, nullptr), 0);
    EXPECT_EQ(Dispatch(e, effSetChunk, 0, 0, junk.data()), 0);
    EXPECT_EQ(Dispatch(e, effSetChunk, 0, -5, junk.data()), 0);
    EXPECT_EQ(std::memcmp(e.bank, before.data(), before.size()), 0);

    PresetMemory hostile = e.bank[0];
    hostile.values[6] = std::nanf("");
    hostile.values[9] = 7.5f;
    hostile.values[8] = -3.0f;
    EXPECT_EQ(Dispatch(e, effSetChunk, 1, 564, &hostile), 564);
    // The record keeps its bytes as loaded, so the chunk comes back as it went in;
    // only what is applied is held to 0..1.
    EXPECT_EQ(std::memcmp(&e.bank[0], &hostile, sizeof hostile), 0);
    EXPECT_FLOAT_EQ(e.ControlValue(6), 0.0f);       // applied as 0
    EXPECT_FLOAT_EQ(e.ControlValue(9), 2.0f);       // applied as 1.0: ratio 20
    EXPECT_FLOAT_EQ(e.ControlValue(8), -8.0f);      // applied as 0.0: -80 dB
    EXPECT_EQ(e.getParameter(6), 0.0f);
    for (int i = 0; i < 92; ++i) EXPECT_TRUE(std::isfinite(e.ControlValue(i))) << i;
    // The same record in a whole bank, as the current program.
    std::vector<uint8_t> bank = before;
    std::memcpy(bank.data(), &hostile, sizeof hostile);
    EXPECT_EQ(Dispatch(e, effSetChunk, 0, 72192, bank.data()), 72192);
    void* out = nullptr;
    ASSERT_EQ(Dispatch(e, effGetChunk, 0, 0, &out), 72192);
    EXPECT_EQ(std::memcmp(out, bank.data(), bank.size()), 0);
    EXPECT_FLOAT_EQ(e.ControlValue(9), 2.0f);
    // A bank larger than ours is cut to our size.
    std::vector<uint8_t> big(100000, 0);
    std::memcpy(big.data(), before.data(), before.size());
    EXPECT_EQ(Dispatch(e, effSetChunk, 0, 100000, big.data()), 100000);
    EXPECT_EQ(std::memcmp(e.bank, before.data(), before.size()), 0);
}

TEST(Chunks, BankRoundTripRestoresEveryParameterExactly) {
    TestEffect source;
    for (int program = 0; program < 128; program += 9) {
        Dispatch(source, effSetProgram, 0, program);
        for (int i = 0; i < 47; ++i) source.setParameter(i, std::fmod(0.137f * (i + 1) + 0.01f * program, 1.0f));
    }
    Dispatch(source, effSetProgram, 0, 18);
    void* data = nullptr;
    const int32_t size = static_cast<int32_t>(Dispatch(source, effGetChunk, 0, 0, &data));
    std::vector<uint8_t> saved(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);

    TestEffect restored;
    Dispatch(restored, effSetProgram, 0, 18);
    Dispatch(restored, effSetChunk, 0, size, saved.data());
    EXPECT_EQ(std::memcmp(restored.bank, source.bank, 72192), 0);
    for (int i = 0; i < 47; ++i) {
        EXPECT_EQ(restored.getParameter(i), source.getParameter(i)) << i;
        EXPECT_EQ(restored.ControlValue(i), source.ControlValue(i)) << i;
    }
}

TEST(BankFile, SavesTheRawBank) {
    TestEffect e;
    e.setParameter(3, 0.25f);
    const std::string path = testing::TempDir() + "/orva_bank_test.mem";
    ASSERT_TRUE(e.SaveBankFileTo(path.c_str()));
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 72192u);
    EXPECT_EQ(std::memcmp(bytes.data(), e.bank, 72192), 0);
    std::remove(path.c_str());
    EXPECT_FALSE(e.SaveBankFileTo("/nonexistent-directory/bank.mem"));
    EXPECT_FALSE(e.SaveBankFileTo(nullptr));
    EXPECT_NE(BankFilePath().find("/VST_PatchMemoryBanks.mem"), std::string::npos);
}

TEST(MidiInput, MessagesArePackedOntoIndex49AtTheirSampleTime) {
    auto e = MidiEffect();
    auto* rec = e->ModuleOfCode<RecorderModule>(kTestRecorder);
    const uint32_t now = e->runningTime;
    VstMidiEvent noteOn = Midi(0x91, 60, 100, 17);
    noteOn.midiData[3] = 5;
    Send(*e, {noteOn, Midi(0xF8, 0, 0, 3), Midi(0x80, 60, 0, 40)});
    std::vector<float> l(128), r(128), ol(128), orr(128);
    e->Process(l, r, ol, orr);
    ASSERT_EQ(rec->received.size(), 2u);  // the clock message is ignored
    EXPECT_EQ(rec->received[0].pin, 0);
    EXPECT_EQ(rec->received[0].intValue, 0x91 | (60 << 8) | (100 << 16) | (5 << 24));
    EXPECT_EQ(rec->received[0].time, now + 17);
    EXPECT_EQ(rec->received[1].time, now + 40);
    EXPECT_EQ(rec->received[1].offset - rec->received[0].offset, 23);

    // Lists with holes or non-MIDI events are walked safely.
    VstEvent sysex{};
    sysex.type = kVstSysExType;
    VstEvents list{};
    list.numEvents = 2;
    list.events[0] = &sysex;
    list.events[1] = nullptr;
    EXPECT_EQ(Dispatch(*e, effProcessEvents, 0, 0, &list), 1);
    list.numEvents = -4;
    EXPECT_EQ(Dispatch(*e, effProcessEvents, 0, 0, &list), 1);
    EXPECT_EQ(Dispatch(*e, effProcessEvents, 0, 0, nullptr), 0);
}

TEST(MidiInput, NoteListenersHearNotesAndAllNotesOff) {
    auto e = MidiEffect();
    Listener first, second;
    Send(*e, {Midi(0x90, 64, 100)});
    EXPECT_TRUE(e->AddNoteListener(&first));
    EXPECT_EQ(e->DeliverNotes(), 0);  // nothing was kept before anyone listened
    EXPECT_TRUE(e->AddNoteListener(&second));
    EXPECT_TRUE(e->AddNoteListener(&second));  // still one place
    Send(*e, {Midi(0x90, 64, 100), Midi(0x90, 65, 0), Midi(0x80, 66, 30), Midi(0x9F, 0xC3, 1),
              Midi(0xB0, 123, 0), Midi(0xB2, 120, 0), Midi(0xB0, 7, 0), Midi(0xA0, 64, 10)});
    EXPECT_TRUE(first.notes.empty());  // not on the thread that processes MIDI
    EXPECT_EQ(e->DeliverNotes(), 6);
    EXPECT_EQ(first.notes, (std::vector<int32_t>{256 + 64, 65, 66, 256 + 0x43, -1, -1}));
    EXPECT_EQ(second.notes, first.notes);
    e->RemoveNoteListener(&first);
    Send(*e, {Midi(0x90, 70, 100)});
    e->DeliverNotes();
    EXPECT_EQ(first.notes.size(), 6u);
    EXPECT_EQ(second.notes.back(), 256 + 70);
    e->RemoveNoteListener(&second);
    Send(*e, {Midi(0x90, 71, 100)});
    EXPECT_EQ(e->DeliverNotes(), 0);  // nobody listens: nothing is kept

    // Eight places; a ninth listener is refused, null too.
    std::vector<Listener> many(9);
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(e->AddNoteListener(&many[static_cast<size_t>(i)]));
    EXPECT_FALSE(e->AddNoteListener(&many[8]));
    EXPECT_FALSE(e->AddNoteListener(nullptr));
    for (Listener& l : many) e->RemoveNoteListener(&l);
}

TEST(MidiInput, ControllersMoveMappedParametersAtTheEventTimeWithoutTellingTheHost) {
    auto e = MidiEffect();
    auto* rec = e->ModuleOfCode<RecorderModule>(kTestRecorder);
    RecordedHostCalls().clear();
    std::vector<float> l(128), r(128), ol(128), orr(128);
    // The factory map binds nothing: Bank Select (controller 0) moves no parameter.
    const float attack = e->getParameter(4), release = e->getParameter(6);
    Send(*e, {Midi(0xB0, 0, 0), Midi(0xB0, 32, 0)});
    EXPECT_EQ(e->getParameter(4), attack);
    EXPECT_EQ(e->getParameter(6), release);
    e->Process(l, r, ol, orr);
    rec->received.clear();
    // Bound on purpose (as MIDI learn binds), controller 0 drives Attack and Release.
    e->SetMidiAssignment(4, 0);
    e->SetMidiAssignment(6, 0);
    const uint32_t now = e->runningTime;
    Send(*e, {Midi(0xB3, 0, 127, 9)});
    EXPECT_EQ(e->lastMidiController, 0);
    EXPECT_FLOAT_EQ(e->getParameter(4), 1.0f);
    EXPECT_FLOAT_EQ(e->getParameter(6), 1.0f);
    e->Process(l, r, ol, orr);
    std::vector<uint16_t> pins;
    for (const auto& got : rec->received) {
        pins.push_back(got.pin);
        EXPECT_EQ(got.time, now + 9);
    }
    EXPECT_EQ(pins, (std::vector<uint16_t>{0, 1, 2}));  // index 49, then Attack and Release
    for (const HostRecord& c : RecordedHostCalls()) EXPECT_NE(c.opcode, audioMasterAutomate);
    EXPECT_EQ(e->runningTime, now + 128);

    // Other controllers change nothing; entry 0 of the map never matches.
    const float hold = e->getParameter(5);
    e->SetMidiAssignment(0, 22);
    for (int cc = 1; cc < 128; ++cc) Send(*e, {Midi(0xB0, static_cast<uint8_t>(cc), 64)});
    EXPECT_FLOAT_EQ(e->getParameter(4), 1.0f);
    EXPECT_FLOAT_EQ(e->getParameter(5), hold);
    EXPECT_EQ(e->lastMidiController, 127);

    // All notes off is also an ordinary controller number for the map.
    e->SetMidiAssignment(5, 123);
    Send(*e, {Midi(0xB0, 123, 127)});
    EXPECT_FLOAT_EQ(e->getParameter(5), 1.0f);
}
