// Voice groups end to end: the builder's copies of a group, the splitter's note
// handling and voice switching, and the merger's sums and steal fades.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "modules/framework/GraphDescription.h"
#include "modules/framework/Voices.h"
#include "tests/support/TestModules.h"

namespace {

enum VoiceTestCode : int16_t {
    kOutside = kTestRecorder,  // a module before the group that every voice reads
    kVoiceTone = 6102,         // out0 = pitch * gate, out1 = velocity
    kVoiceRecorder = 6104,
    kVoiceTap = 6105,
    kStateRecorder = 6106,     // hears the merger's state events
    kMerger = 6379,
    kSplitter = 6383,
    kLastSplitter = 6387,
    kGroupStart = 6388,
    kGroupEnd = 6389,
    kAddLinks = 6390,
};

// A voice's stand-in instrument: the pitch buffer times the gate (10 while the key
// is down), and the velocity buffer passed through.
class VoiceTone : public Mox_ModuleBase {
public:
    VoiceTone(ModuleOwner* owner, bool startDisabled) : Mox_ModuleBase(owner, startDisabled) {
        outputs[0] = AllocateSignalBuffer(blockSize);
        outputs[1] = AllocateSignalBuffer(blockSize);
    }
    ~VoiceTone() override {
        FreeSignalBuffer(outputs[0]);
        FreeSignalBuffer(outputs[1]);
    }
    void Open() override {
        gate = inputs[0] ? *inputs[0] : 0.0f;
        SetProcess(AsProcess(&VoiceTone::Run));
    }
    void HandleEvent(ModuleEvent* e, int) override {
        if (e->pin == 0) gate = static_cast<float>(e->intValue);
    }
    void Run(int start, int count) {
        ++runs;
        for (int i = start; i < start + count; ++i) {
            outputs[0][i] = inputs[1] ? inputs[1][i] * gate : 0.0f;
            outputs[1][i] = inputs[2] ? inputs[2][i] : 0.0f;
        }
    }
    float gate = 0.0f;
    int runs = 0;
};

bool gFailTap = false;

Mox_ModuleBase* VoiceFactory(int16_t code, ModuleOwner* owner, bool disabled) {
    switch (code) {
        case kVoiceTone: return new VoiceTone(owner, disabled);
        case kVoiceTap: return gFailTap ? nullptr : new RecorderModule(owner, disabled);
        case kVoiceRecorder:
        case kStateRecorder: return new RecorderModule(owner, disabled);
        case kMerger:
        case kSplitter: return CreateModuleOfCode(code, owner, disabled);  // the plug-in's own classes
        default: return CreateTestModule(code, owner, disabled);
    }
}

GraphRecord GroupStart(int voices) { return Record(kGroupStart, {GraphLink{static_cast<uint8_t>(voices), 0, 0}}); }
GraphRecord AddLinksTo(int16_t code, std::initializer_list<GraphLink> links) {
    GraphRecord r = Record(kAddLinks, links);
    for (int i = 63; i > 0; --i) r.links[i] = r.links[i - 1];
    r.links[0] = GraphLink{0, 0, code};
    return r;
}

// outside recorder (m0), splitter (m1), V voices of {tone, recorder, tap} from m2,
// merger, state recorder.
std::vector<GraphRecord> VoiceGraph(int voices, bool withMerger = true) {
    std::vector<GraphRecord> d = {
        Record(kOutside, {}),
        Record(kSplitter, {ControlLink(0, 49), ControlLink(9, 50), ControlLink(10, 51)}),
        GroupStart(voices),
        Record(kVoiceTone, {ModuleLink(0, kSplitter, 0), ModuleLink(1, kSplitter, 1), ModuleLink(2, kLastSplitter, 2)}),
        Record(kVoiceRecorder, {ModuleLink(0, kSplitter, 0), ControlLink(1, 20), ModuleLink(2, kOutside, 0),
                                ModuleLink(3, kVoiceTone, 0)}),
        Record(kVoiceTap, {ModuleLink(0, kVoiceTone, 1)}),
        AddLinksTo(kVoiceTone, {ModuleLink(5, kVoiceTap, 0)}),
    };
    d.push_back(Record(kGroupEnd, {}));
    if (withMerger) {
        d.push_back(Record(kMerger, {ModuleLink(0, kVoiceTone, 0), ModuleLink(1, kVoiceTone, 1)}));
        d.push_back(Record(kStateRecorder, {ModuleLink(0, kMerger, 0)}));
    }
    d.push_back(AddLinksTo(kOutside, {ControlLink(5, 30), SettingLink(1, 7)}));
    d.push_back(EndOfDescription());
    return d;
}

constexpr int F = 2;  // first voice module
constexpr int M = 3;  // modules per voice

class VoiceGroup : public ::testing::Test {
protected:
    void Build(int voices = 4, bool withMerger = true, int block = 128, int rate = 48000) {
        owner = std::make_unique<TestOwner>(block, rate);
        const std::vector<GraphRecord> d = VoiceGraph(voices, withMerger);
        BuildGraphFrom(*owner, d.data(), VoiceFactory, nullptr);
        owner->controlValues[51] = 10.0f;  // full velocity depth, read by Open
        for (int i = 0; i < owner->moduleCount; ++i)
            if (owner->modules[i]) owner->modules[i]->Open();
        splitter = dynamic_cast<Mox_DSP_Midi_to_Poly*>(owner->modules[1]);
        merger = withMerger ? dynamic_cast<Mox_DSP_Poly_to_Mono*>(owner->modules[F + voices * M]) : nullptr;
        ASSERT_NE(splitter, nullptr);
        if (withMerger) {
            ASSERT_NE(merger, nullptr);
        }
    }

    void Midi(int status, int data1, int data2, int offset = 0) {
        owner->SendControlEvent(owner->runningTime + static_cast<uint32_t>(offset), 49, 0,
                                status | (data1 << 8) | (data2 << 16), 0.0f);
    }
    void NoteOn(int note, int velocity = 100, int offset = 0) { Midi(0x90, note, velocity, offset); }
    void Control(int index, float value) {
        owner->SendControlEvent(owner->runningTime, index, 0, IntegerForm(value), value);
    }

    // Runs `total` samples in chunks of `chunk` and returns merger output `pin`.
    std::vector<float> Run(int total, int chunk = 64, int pin = 0) {
        std::vector<float> out;
        while (total > 0) {
            int n = total < chunk ? total : chunk;
            const int at = owner->chunkOffset;
            if (at + n > owner->internalBlockSize) n = owner->internalBlockSize - at;  // as the effect does
            owner->RunChunk(n);
            if (merger) out.insert(out.end(), merger->outputs[pin] + at, merger->outputs[pin] + at + n);
            total -= n;
        }
        return out;
    }

    VoiceTone* Tone(int voice) { return static_cast<VoiceTone*>(owner->modules[F + voice * M]); }
    RecorderModule* VoiceRecorder(int voice) { return static_cast<RecorderModule*>(owner->modules[F + voice * M + 1]); }
    // Modules of a voice that are switched on.
    int SwitchedOn(int voice) {
        int on = 0;
        for (int r = 0; r < M; ++r) on += !(owner->modules[F + voice * M + r]->flags & Mox_ModuleBase::kDisabled);
        return on;
    }
    // Gate events (pin 0) a voice's recorder received.
    std::vector<int> GateEvents(int voice) {
        std::vector<int> gates;
        for (const auto& r : VoiceRecorder(voice)->received)
            if (r.pin == 0) gates.push_back(r.intValue);
        return gates;
    }

    std::unique_ptr<TestOwner> owner;
    Mox_DSP_Midi_to_Poly* splitter = nullptr;
    Mox_DSP_Poly_to_Mono* merger = nullptr;
};

}  // namespace

// ---------------------------------------------------------------------------
// Building a group

TEST_F(VoiceGroup, BuildsOneCopyPerVoiceAtFixedStrides) {
    Build(4);
    EXPECT_EQ(owner->moduleCount, F + 4 * M + 2);  // the 6390 records take no index
    EXPECT_EQ(owner->voiceCount, 4);
    EXPECT_EQ(splitter->voiceCount(), 4);
    EXPECT_EQ(splitter->firstVoiceModule(), F);
    EXPECT_EQ(splitter->modulesPerVoice(), M);
    // Codes name voice 0's copies; 6387 names the splitter.
    EXPECT_EQ(owner->moduleOfCode[kVoiceRecorder - 6000], F + 1);
    EXPECT_EQ(owner->moduleOfCode[kLastSplitter - 6000], 1);
    // Voice 2's copy of the second record is F + 7, and reads voice 2's tone.
    auto* rec2 = dynamic_cast<RecorderModule*>(owner->modules[F + 7]);
    ASSERT_NE(rec2, nullptr);
    EXPECT_EQ(rec2->inputs[3], owner->modules[F + 6]->outputs[0]);

    for (int v = 0; v < 4; ++v) {
        EXPECT_EQ(SwitchedOn(v), 0) << v;
        // Links inside the group stay inside the voice, also those added by 6390.
        EXPECT_EQ(owner->modules[F + v * M + 2]->inputs[0], Tone(v)->outputs[1]) << v;
        EXPECT_EQ(Tone(v)->inputs[5], owner->modules[F + v * M + 2]->outputs[0]) << v;
        EXPECT_EQ(VoiceRecorder(v)->inputs[2], owner->modules[0]->outputs[0]) << v;
        EXPECT_EQ(VoiceRecorder(v)->inputs[1], &owner->controlValues[20]) << v;
        // Each voice reads its own gate, pitch and velocity.
        for (int pin = 0; pin < 3; ++pin) {
            EXPECT_NE(Tone(v)->inputs[pin], nullptr);
            for (int w = 0; w < v; ++w) EXPECT_NE(Tone(v)->inputs[pin], Tone(w)->inputs[pin]);
        }
    }
    // The parameter and the module outside the group reach all copies through one node.
    for (const ConnectionNode* node : {owner->controlConnections[20], owner->modules[0]->connections[0]}) {
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->next, nullptr);
        EXPECT_EQ(node->targetIndex, F + 1);
        EXPECT_EQ(node->count, 4);
        EXPECT_EQ(node->stride, M);
    }
    Control(20, 0.7f);
    owner->RunChunk(16);
    for (int v = 0; v < 4; ++v) {
        ASSERT_EQ(VoiceRecorder(v)->received.size(), 1u) << v;
        EXPECT_EQ(VoiceRecorder(v)->received[0].pin, 1);
    }
    // After the group, 6390 adds a control link and a setting to the outside module.
    EXPECT_EQ(owner->modules[0]->inputs[5], &owner->controlValues[30]);
    EXPECT_EQ(owner->modules[0]->settings[1], 7);
    EXPECT_EQ(merger->outputCount(), 2);
    EXPECT_EQ(owner->modules[F + 4 * M + 1]->inputs[0], merger->outputs[0]);
}

TEST(VoiceGroupBuild, BadGroupsBuildWhatFitsAndNeverLeaveDanglingLinks) {
    auto build = [](TestOwner& owner, const GraphRecord* d) {
        BuildGraphFrom(owner, d, VoiceFactory, nullptr);
        for (int i = 0; i < owner.moduleCount; ++i)
            if (owner.modules[i]) owner.modules[i]->Open();
        for (int n = 0; n < 100; ++n) owner.SendControlEvent(0, 49, 0, 0x90 | (n << 8) | (100 << 16), 0.0f);
        owner.RunChunk(64);
        if (owner.modules[1]) owner.modules[1]->Resume();
        owner.RunChunk(64);
        return dynamic_cast<Mox_DSP_Midi_to_Poly*>(owner.modules[1]);
    };
    {
        // A group member that cannot be created keeps its slot: the layout holds.
        TestOwner owner(128, 48000);
        gFailTap = true;
        build(owner, VoiceGraph(4).data());
        gFailTap = false;
        EXPECT_EQ(owner.moduleCount, F + 4 * M + 2);
        for (int v = 0; v < 4; ++v) {
            EXPECT_EQ(owner.modules[F + v * M + 2], nullptr);
            EXPECT_NE(dynamic_cast<VoiceTone*>(owner.modules[F + v * M]), nullptr);
            EXPECT_EQ(owner.modules[F + v * M]->inputs[5], nullptr);
        }
    }
    {
        // More voices than the table holds: as many as fit.
        TestOwner owner(128, 48000);
        auto* splitter = build(owner, VoiceGraph(200).data());
        EXPECT_EQ(owner.moduleCount, ModuleOwner::kMaxModules);
        ASSERT_NE(splitter, nullptr);
        EXPECT_EQ(splitter->voiceCount(), (ModuleOwner::kMaxModules - F) / M);
        EXPECT_EQ(owner.voiceCount, splitter->voiceCount());
    }
    {
        // A group start without links has no voice count: no voices, no links.
        TestOwner owner(128, 48000);
        std::vector<GraphRecord> d = VoiceGraph(4);
        d[2] = Record(kGroupStart, {});
        build(owner, d.data());
        EXPECT_EQ(owner.moduleCount, F + 2);
        EXPECT_EQ(owner.voiceCount, 0);
        EXPECT_EQ(static_cast<Mox_DSP_Poly_to_Mono*>(owner.modules[F])->outputCount(), 0);
    }
    {
        // A splitter and a merger without a group; 6390 naming codes never built.
        TestOwner owner(128, 48000);
        const GraphRecord d[] = {Record(kOutside, {}), Record(kSplitter, {ControlLink(0, 49)}),
                                 Record(kVoiceTone, {ModuleLink(1, kSplitter, 1)}),
                                 Record(kMerger, {ModuleLink(0, kVoiceTone, 0)}),
                                 AddLinksTo(6050, {ControlLink(0, 3)}), AddLinksTo(7000, {ControlLink(0, 3)}),
                                 EndOfDescription()};
        auto* splitter = build(owner, d);
        ASSERT_EQ(owner.moduleCount, 4);
        EXPECT_EQ(splitter->voiceCount(), 0);
        EXPECT_EQ(owner.modules[2]->inputs[1], nullptr);
        EXPECT_EQ(owner.modules[3]->outputs[0], nullptr);
        EXPECT_EQ(owner.controlConnections[3], nullptr);
    }
}

// ---------------------------------------------------------------------------
// Notes

TEST_F(VoiceGroup, NoteOnSwitchesOnItsVoiceAndTellsOnlyItsReceivers) {
    Build(4);
    Run(64);
    NoteOn(69, 127, 10);
    const std::vector<float> out = Run(64);
    EXPECT_EQ(splitter->NoteOf(0), 69);
    EXPECT_EQ(splitter->StartTime(0), 74u);
    EXPECT_EQ(SwitchedOn(0), M);
    ASSERT_EQ(GateEvents(0), std::vector<int>{10});
    EXPECT_EQ(VoiceRecorder(0)->received[0].time, 74u);
    for (int v = 1; v < 4; ++v) {
        EXPECT_TRUE(splitter->IsFree(v));
        EXPECT_EQ(SwitchedOn(v), 0);
        EXPECT_TRUE(VoiceRecorder(v)->received.empty()) << v;
        EXPECT_EQ(Tone(v)->runs, 0) << v;
    }
    // Pitch 0.5 V times gate 10, from the note's sample on; the merger says it sounds.
    for (int i = 0; i < 64; ++i) EXPECT_FLOAT_EQ(out[static_cast<size_t>(i)], i < 10 ? 0.0f : 5.0f) << i;
    auto* states = static_cast<RecorderModule*>(owner->modules[F + 4 * M + 1]);
    ASSERT_EQ(states->received.size(), 1u);
    EXPECT_EQ(states->received[0].state, 1);

    // A tenth of a volt per octave; the pitch fills the whole buffer within one
    // block, then the splitter sleeps.
    NoteOn(81);
    NoteOn(57);
    NoteOn(21);
    EXPECT_NEAR(Run(64)[63], (0.5f + 0.6f + 0.4f + 0.1f) * 10.0f, 1e-5f);
    EXPECT_EQ(splitter->HoldCountOf(1), 64);
    EXPECT_EQ(splitter->flags & Mox_ModuleBase::kAsleep, 0u);
    Run(64);
    EXPECT_EQ(splitter->HoldCountOf(1), 0);
    EXPECT_NE(splitter->flags & Mox_ModuleBase::kAsleep, 0u);
    for (int i = 0; i < 128; ++i) EXPECT_FLOAT_EQ(Tone(1)->inputs[1][i], 0.6f) << i;
}

TEST_F(VoiceGroup, VelocityZeroAndNoteOffReleaseTheMatchingVoice) {
    Build(4);
    NoteOn(69);
    NoteOn(81);
    NoteOn(0);  // note 0 must not look like a released voice
    Run(64);
    EXPECT_TRUE(splitter->IsActive(2));
    Midi(0x95, 69, 0);  // velocity 0 on another channel
    std::vector<float> out = Run(64);
    EXPECT_TRUE(splitter->IsReleased(0));
    EXPECT_EQ(splitter->GateOf(0), 0.0f);
    EXPECT_EQ(GateEvents(0), (std::vector<int>{10, 0}));
    EXPECT_EQ(GateEvents(1), std::vector<int>{10});
    EXPECT_FLOAT_EQ(out[0], 6.0f + (0 - 9) / 120.0f * 10.0f);

    Midi(0x80, 0, 64);
    Midi(0x80, 50, 64);  // not playing: nothing
    Run(64);
    EXPECT_TRUE(splitter->IsReleased(2));
    EXPECT_TRUE(splitter->IsActive(1));
    EXPECT_EQ(GateEvents(2), (std::vector<int>{10, 0}));
    EXPECT_EQ(GateEvents(0), (std::vector<int>{10, 0}));  // the released voice is not hit again

    // Released voices stay assigned: the next note takes the free voice 3.
    NoteOn(60);
    Run(64);
    EXPECT_TRUE(splitter->IsActive(3));
    EXPECT_EQ(splitter->NoteOf(3), 60);
    EXPECT_TRUE(splitter->IsReleased(0));
}

TEST_F(VoiceGroup, AllNotesOffReleasesEveryVoiceAtOnce) {
    for (int controller : {123, 120}) {
        Build(4);
        NoteOn(60);
        NoteOn(64);
        NoteOn(67);
        Run(64);
        Midi(0xB3, 7, 100);  // another controller: nothing
        Run(64);
        EXPECT_TRUE(splitter->IsActive(0));
        Midi(0xB0, controller, 0, 5);
        const std::vector<float> out = Run(64);
        for (int v = 0; v < 3; ++v) {
            EXPECT_TRUE(splitter->IsReleased(v)) << controller << " voice " << v;
            EXPECT_EQ(GateEvents(v), (std::vector<int>{10, 0})) << v;
        }
        EXPECT_TRUE(splitter->IsFree(3));
        EXPECT_GT(out[4], 0.0f);
        EXPECT_EQ(out[5], 0.0f);
        EXPECT_EQ(out[63], 0.0f);
    }
}

TEST_F(VoiceGroup, VelocityFollowsTheCurveScaledByTheDepth) {
    Build(4);
    const float x = 64.0f / 127.0f;
    struct Case {
        float curve, depth;
        float expected;
    } cases[] = {
        {0.0f, 10.0f, x},                                    // linear, full depth
        {0.1f, 5.0f, x * x * 0.5f + 0.5f},                   // Exp, half depth
        {0.3f, 10.0f, 1.0f - (1.0f - x) * (1.0f - x)},      // IExp
        {0.9f, 5.0f, x * 0.5f + 0.5f},                       // curve 9 is no curve: linear
        {0.2f, 0.0f, 1.0f},                                  // no depth: always 1
        {0.0f, 20.0f, x},                                    // depth limited to 1
        {0.0f, -5.0f, 1.0f},                                 // and to 0
    };
    for (const Case& c : cases) {
        Control(50, c.curve);
        Control(51, c.depth);
        NoteOn(64, 64);
        const std::vector<float> velocity = Run(64, 64, 1);
        EXPECT_NEAR(splitter->VelocityOf(0), c.expected, 1e-6f) << c.curve << " " << c.depth;
        EXPECT_NEAR(velocity[63], c.expected, 1e-6f) << c.curve << " " << c.depth;
        splitter->Resume();
        Run(128);
    }
    // Full velocity gives 1 whatever the curve and depth.
    Control(50, 0.5f);
    Control(51, 3.0f);
    NoteOn(64, 127);
    Run(64);
    EXPECT_FLOAT_EQ(splitter->VelocityOf(0), 1.0f);
}

// ---------------------------------------------------------------------------
// Stealing

TEST_F(VoiceGroup, AFifthNoteStealsTheOldestVoiceAndStartsAfterA5msFade) {
    Build(4);  // 48 kHz: 240-sample fade
    NoteOn(69, 100, 0);
    NoteOn(81, 100, 1);
    NoteOn(93, 100, 2);
    NoteOn(57, 100, 3);
    Run(128);
    const float rest = 6.0f + 7.0f + 4.0f;
    const uint32_t steal = owner->runningTime;
    NoteOn(105, 90);  // pitch 0.8
    std::vector<float> out = Run(320);
    EXPECT_EQ(splitter->StealTime(0), steal);
    for (int i = 0; i < 240; ++i)
        EXPECT_NEAR(out[static_cast<size_t>(i)] - rest, 5.0f * (1.0f - i / 240.0f), 2e-5f) << i;
    // Silent from 5 ms on until the new note starts at the next chunk.
    for (int i = 240; i < 256; ++i) EXPECT_FLOAT_EQ(out[static_cast<size_t>(i)], rest) << i;
    for (int i = 256; i < 320; ++i) EXPECT_FLOAT_EQ(out[static_cast<size_t>(i)], rest + 8.0f) << i;
    EXPECT_TRUE(splitter->IsActive(0));
    EXPECT_EQ(splitter->NoteOf(0), 105);
    EXPECT_EQ(splitter->StartTime(0), steal + 240u);
    EXPECT_FLOAT_EQ(splitter->VelocityOf(0), 90.0f / 127.0f);
    for (int v = 1; v < 4; ++v) EXPECT_TRUE(splitter->IsActive(v));

    // Voice 0 is now the newest: the next two notes steal voices 1 and 2, the
    // second passing over the voice already being stolen.
    NoteOn(45);
    NoteOn(46);
    Run(64);
    EXPECT_TRUE(splitter->IsStolen(1));
    EXPECT_TRUE(splitter->IsStolen(2));
    EXPECT_TRUE(splitter->IsActive(0));
    EXPECT_TRUE(splitter->IsActive(3));
    EXPECT_EQ(splitter->NoteOf(1), 45);
    EXPECT_EQ(splitter->NoteOf(2), 46);
}

TEST_F(VoiceGroup, AFadeEndingWithAChunkHandsOverWithoutAGap) {
    Build(4);
    for (int n : {69, 81, 93, 57}) NoteOn(n);
    Run(96, 16);
    NoteOn(105);
    const std::vector<float> out = Run(288, 16);  // the fade ends with the 15th chunk
    const float rest = 6.0f + 7.0f + 4.0f;
    EXPECT_NEAR(out[239], rest + 5.0f / 240.0f, 2e-5f);
    for (int i = 240; i < 288; ++i) EXPECT_FLOAT_EQ(out[static_cast<size_t>(i)], rest + 8.0f) << i;

    // A steal inside a chunk fades from its own sample on.
    NoteOn(40, 100, 20);
    const std::vector<float> late = Run(64);
    EXPECT_FLOAT_EQ(late[20], late[19]);
    EXPECT_NEAR(late[21], late[19] - 6.0f / 240.0f, 2e-5f);  // voice 1 (note 81) is the oldest now
    EXPECT_NEAR(late[63], late[19] - 6.0f * 43.0f / 240.0f, 2e-5f);
}

TEST_F(VoiceGroup, ANoteWaitingForItsFadeIsDroppedByItsNoteOffOrAllNotesOff) {
    for (int controller : {0, 123}) {
        Build(4);
        for (int n : {60, 62, 64, 65}) NoteOn(n);
        Run(64);
        NoteOn(72);
        Run(64);
        EXPECT_EQ(splitter->NoteOf(0), 72);
        if (controller)
            Midi(0xB0, controller, 0);
        else
            Midi(0x80, 72, 0);
        Run(320);
        EXPECT_TRUE(splitter->IsFree(0)) << controller;
        EXPECT_EQ(SwitchedOn(0), 0);
        // The freed voice is taken by the next note without a steal; the waiting
        // note itself never opened the gate.
        NoteOn(74);
        Run(64);
        EXPECT_EQ(splitter->NoteOf(0), 74);
        EXPECT_EQ(GateEvents(0), controller ? (std::vector<int>{10, 0, 10}) : (std::vector<int>{10, 10}));
    }
}

TEST_F(VoiceGroup, WithoutAMergerAStolenVoiceRestartsAtOnce) {
    Build(2, false);
    NoteOn(60);
    NoteOn(62);
    Run(64);
    NoteOn(64, 100, 3);
    Run(64);
    EXPECT_TRUE(splitter->IsActive(0));
    EXPECT_EQ(splitter->NoteOf(0), 64);
    EXPECT_EQ(splitter->StartTime(0), 67u);
}

// ---------------------------------------------------------------------------
// Lifecycle and bad input

TEST_F(VoiceGroup, ResumeFreesAndSwitchesOffEveryVoice) {
    Build(4);
    for (int n : {60, 62, 64, 65, 67}) NoteOn(n);
    Run(64);
    splitter->Resume();
    const std::vector<float> out = Run(64);
    for (int v = 0; v < 4; ++v) {
        EXPECT_TRUE(splitter->IsFree(v)) << v;
        EXPECT_FALSE(splitter->HasPendingNote(v)) << v;
        EXPECT_EQ(splitter->GateOf(v), 0.0f);
        EXPECT_EQ(SwitchedOn(v), 0) << v;
    }
    for (float s : out) EXPECT_EQ(s, 0.0f);
    auto* states = static_cast<RecorderModule*>(owner->modules[F + 4 * M + 1]);
    ASSERT_EQ(states->received.size(), 2u);
    EXPECT_EQ(states->received[0].state, 1);
    EXPECT_EQ(states->received[1].state, 0);
    EXPECT_EQ(states->received[1].time, 64u);
    // Disabled voices do not run, and nothing restarts after the old fade time.
    const int runs = Tone(0)->runs;
    Run(512);
    EXPECT_EQ(Tone(0)->runs, runs);
    EXPECT_TRUE(splitter->IsFree(0));
    NoteOn(70);
    Run(64);
    EXPECT_TRUE(splitter->IsActive(0));
    EXPECT_EQ(SwitchedOn(0), M);
}

TEST_F(VoiceGroup, MalformedMessagesChangeNothing) {
    Build(4);
    NoteOn(60);
    Run(64);
    for (int message : {0x10, 0xF8, 0xF0 | (60 << 8), 0xA0 | (60 << 8) | (90 << 16), 0xE0 | (60 << 8),
                        0xC0 | (5 << 8), static_cast<int>(0xFFFFFF80u)})
        owner->SendControlEvent(owner->runningTime, 49, 0, message, 0.0f);
    Midi(0x90, 200, 300);  // data bytes are seven bits: note 72, velocity 44
    Run(64);
    EXPECT_EQ(splitter->NoteOf(0), 60);
    EXPECT_EQ(splitter->NoteOf(1), 200 & 0x7F);
    EXPECT_TRUE(splitter->IsFree(2));
    // Voices that do not exist, and fade reports for voices not stolen, are ignored.
    EXPECT_TRUE(splitter->IsFree(4));
    EXPECT_EQ(splitter->NoteOf(-1), -1);
    for (int voice : {-3, 7, 0}) splitter->FadeEnded(voice, 0);
    EXPECT_TRUE(splitter->IsActive(0));
    Tone(0)->inputs[9] = nullptr;
    splitter->AttachVoiceOutput(Tone(0), 0, 9, 9);
    splitter->AttachVoiceOutput(Tone(0), 5, 9, 0);
    EXPECT_EQ(Tone(0)->inputs[9], nullptr);
}
