// The effect object driven directly: chunking, the control path into the graph,
// resume and suspend, programs, parameter texts and the display mailbox.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>

#include "host/ControlTable.h"
#include "modules/analysis/BiQuadCoeff.h"
#include "tests/support/TestEffect.h"

namespace {

std::vector<float> Ramp(size_t n, float start = 0.0f) {
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = start + 0.001f * static_cast<float>(i);
    return v;
}

// An effect with the recorder graph, resumed at 44.1 kHz with the given block size.
std::unique_ptr<TestEffect> Running(int blockSize = 128) {
    auto e = std::make_unique<TestEffect>(kRecorderGainGraph);
    e->setSampleRate(44100.0f);
    e->setBlockSize(blockSize);
    e->resume();
    return e;
}

void RunFrames(TestEffect& e, int frames) {
    std::vector<float> l = Ramp(static_cast<size_t>(frames)), r = Ramp(static_cast<size_t>(frames)),
                       ol(static_cast<size_t>(frames)), orr(static_cast<size_t>(frames));
    e.Process(l, r, ol, orr);
}

std::string Display(Mox_DSP_VST& e, int index) {
    char text[64];
    std::memset(text, 'x', sizeof text);
    e.getParameterDisplay(index, text);
    return text;
}

std::string Format(float v) {
    char text[32];
    FormatDisplayValue(v, text);
    return text;
}

}  // namespace

TEST(Chunking, A300FrameBlockRunsAs128And128And44AndTheNextStartsAtOffset44) {
    auto e = Running(128);
    auto* rec = e->ModuleOfCode<RecorderModule>(kTestRecorder);
    ASSERT_NE(rec, nullptr);
    rec->segments.clear();
    RunFrames(*e, 300);
    ASSERT_EQ(rec->segments.size(), 3u);
    EXPECT_EQ(rec->segments[0].start, 0);
    EXPECT_EQ(rec->segments[0].count, 128);
    EXPECT_EQ(rec->segments[1].count, 128);
    EXPECT_EQ(rec->segments[2].start, 0);
    EXPECT_EQ(rec->segments[2].count, 44);
    EXPECT_EQ(e->chunkOffset, 44);
    EXPECT_EQ(e->runningTime, 300u);

    rec->segments.clear();
    RunFrames(*e, 300);
    ASSERT_GE(rec->segments.size(), 1u);
    EXPECT_EQ(rec->segments[0].start, 44);
    EXPECT_EQ(rec->segments[0].count, 84);
    int total = 0;
    for (const auto& s : rec->segments) total += s.count;
    EXPECT_EQ(total, 300);
}

TEST(Chunking, BlockSize64KeepsChunksAndOffsetsInside64) {
    auto e = Running(64);
    auto* rec = e->ModuleOfCode<RecorderModule>(kTestRecorder);
    for (int frames : {100, 7, 64, 1, 300}) {
        rec->segments.clear();
        RunFrames(*e, frames);
        int total = 0;
        for (const auto& s : rec->segments) {
            EXPECT_LE(s.count, 64);
            EXPECT_GE(s.start, 0);
            EXPECT_LE(s.start + s.count, 64);
            total += s.count;
        }
        EXPECT_EQ(total, frames);
        EXPECT_LT(e->chunkOffset, 64);
    }
}

TEST(Chunking, AudioCrossesTheGraphSampleExactlyForAnyBlockCut) {
    auto e = Running(128);
    e->setParameter(14, 0.75f);  // display 12 -> the stand-in gain multiplies by 1.2
    RunFrames(*e, 16);           // the hand-over delivers the change in this block
    for (int frames : {1, 7, 129, 300, 4096}) {
        std::vector<float> l = Ramp(static_cast<size_t>(frames), 0.1f), r = Ramp(static_cast<size_t>(frames), -0.5f);
        std::vector<float> ol(static_cast<size_t>(frames) + 8, 99.0f), orr(static_cast<size_t>(frames) + 8, 99.0f);
        float* in[4] = {l.data(), r.data(), nullptr, nullptr};  // no sidechain buffers
        float* out[2] = {ol.data(), orr.data()};
        e->processReplacing(in, out, frames);
        for (int i = 0; i < frames; ++i) {
            ASSERT_FLOAT_EQ(ol[static_cast<size_t>(i)], l[static_cast<size_t>(i)] * 1.2f) << frames << ":" << i;
            ASSERT_FLOAT_EQ(orr[static_cast<size_t>(i)], r[static_cast<size_t>(i)] * 1.2f);
        }
        for (size_t i = static_cast<size_t>(frames); i < ol.size(); ++i) ASSERT_EQ(ol[i], 99.0f);  // never past the end
    }
}

TEST(Chunking, SilenceBeforeTheFirstResumeAndNothingForZeroFrames) {
    TestEffect e(kRecorderGainGraph);
    std::vector<float> l(256, 0.5f), r(256, 0.5f), ol(256, 7.0f), orr(256, 7.0f);
    e.Process(l, r, ol, orr);
    for (float v : ol) ASSERT_EQ(v, 0.0f);
    for (float v : orr) ASSERT_EQ(v, 0.0f);

    e.resume();
    std::vector<float> untouched(4, 7.0f);
    float* in[4] = {l.data(), r.data(), l.data(), r.data()};
    float* out[2] = {untouched.data(), untouched.data()};
    e.processReplacing(in, out, 0);
    e.processReplacing(in, out, -5);
    e.processReplacing(in, nullptr, 16);
    for (float v : untouched) EXPECT_EQ(v, 7.0f);
}

TEST(ControlPath, ParameterChangeFromTheHostThreadLandsAtTheNextChunkStart) {
    auto e = Running(128);
    e->setParameter(14, 0.75f);
    RunFrames(*e, 128);
    auto* gain = e->ModuleOfCode<TestGain>(kTestGain);
    gain->gainEvents.clear();

    e->setParameter(14, 1.0f);  // display 24: gain 2.4 from the next chunk on
    std::vector<float> l(200, 1.0f), r(200, 1.0f), ol(200), orr(200);
    e->Process(l, r, ol, orr);
    EXPECT_FLOAT_EQ(ol[0], 2.4f);
    EXPECT_FLOAT_EQ(ol[199], 2.4f);
    EXPECT_EQ(gain->gainEvents, std::vector<float>{2.4f});
}

TEST(ControlPath, ValuesConvertWithTheRowRangeAndCarryTheIntegerForm) {
    auto e = Running(128);
    auto* rec = e->ModuleOfCode<RecorderModule>(kTestRecorder);
    RunFrames(*e, 8);  // takes the values sent by the build
    rec->received.clear();
    e->setParameter(9, 0.0f);   // Comp Ratio 0.1..20
    e->setParameter(29, 0.5f);  // Meter Type 0..3: display 1.5
    RunFrames(*e, 8);
    EXPECT_FLOAT_EQ(e->ControlValue(9), 0.01f);
    ASSERT_EQ(rec->received.size(), 2u);
    EXPECT_EQ(rec->received[0].pin, 0);
    EXPECT_EQ(rec->received[0].intValue, 0);
    EXPECT_FLOAT_EQ(rec->received[0].floatValue, 0.01f);
    EXPECT_EQ(rec->received[0].payload, &e->controlValues[9]);
    EXPECT_EQ(rec->received[1].intValue, 2);  // 1.5 rounds up
    EXPECT_EQ(Display(*e, 29), "K12");        // while the option shown is item 1

    e->setParameter(8, 1.0f);
    EXPECT_FLOAT_EQ(e->ControlValue(8), 0.0f);
    e->setParameter(14, 0.5f);
    EXPECT_FLOAT_EQ(e->ControlValue(14) * 10.0f, 0.0f);
    // Out-of-range normalised values are held to the range; NaN is ignored.
    e->setParameter(3, 7.0f);
    EXPECT_FLOAT_EQ(e->ControlValue(3), 10.0f);
    e->setParameter(3, std::nanf(""));
    EXPECT_FLOAT_EQ(e->getParameter(3), 1.0f);
}

TEST(ControlPath, IndicesOutsideTheTablesAreAnsweredSafely) {
    auto e = Running(128);
    for (int index : {-1, 92, 1000, -100000, INT32_MIN, INT32_MAX}) {
        e->setParameter(index, 0.5f);
        e->setControlValue(index, 1.0f, true);
        EXPECT_EQ(e->getParameter(index), 0.0f);
        EXPECT_EQ(e->ControlValue(index), 0.0f);
        EXPECT_EQ(Display(*e, index), "");
        char name[64] = "unchanged";
        e->getParameterName(index, name);
        EXPECT_TRUE(index >= 47 ? std::string(name) == "z-" : std::string(name).empty());
        EXPECT_EQ(e->GetMidiAssignment(index), -1);
        e->SetMidiAssignment(index, 5);
        e->SendControlEvent(0, index, 0, 0, 0.0f);
    }
    e->getParameterName(3, nullptr);
    e->getParameterDisplay(3, nullptr);
    e->getParameterLabel(3, nullptr);
    EXPECT_EQ(e->getParameter(50), 0.0f);
    RunFrames(*e, 64);
}

TEST(ResumeAndSuspend, PlainResumeKeepsModulesAndRateChangeRebuildsAndResendsValues) {
    auto e = Running(128);
    auto* rec = e->ModuleOfCode<RecorderModule>(kTestRecorder);
    RunFrames(*e, 1000);
    e->suspend();
    EXPECT_EQ(e->runningTime, 0u);
    EXPECT_EQ(e->chunkOffset, 0);
    e->resume();
    EXPECT_EQ(e->ModuleOfCode<RecorderModule>(kTestRecorder), rec);  // same module, same state

    RunFrames(*e, 50);
    e->setSampleRate(48000.0f);
    e->resume();
    auto* rebuilt = e->ModuleOfCode<RecorderModule>(kTestRecorder);
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_EQ(e->builtSampleRate, 48000);
    // Every linked index is sent again, stamped with the current running time.
    ASSERT_NE(rebuilt->eventHead, nullptr);
    int queued = 0;
    for (ModuleEvent* ev = rebuilt->eventHead; ev; ev = ev->next, ++queued) EXPECT_EQ(ev->time, 50u);
    EXPECT_EQ(queued, 4);
    EXPECT_EQ(e->snapAfterBuild, -1);
    RunFrames(*e, 1);
    EXPECT_EQ(e->snapAfterBuild, 0);
    EXPECT_EQ(e->snapAfterProgram, 0);
}

// A peaking band on the logarithmic frequency axis (the axis whose tables depend
// on the sample rate), designed by a designer that the effect owns.
std::array<float, 5> DesignLogPeak(TestEffect& e) {
    alignas(16) float freq[132], width[132], gain[132];
    std::fill(std::begin(freq), std::end(freq), static_cast<float>(std::log2(2500.0 / 13.75) / 10.0));
    std::fill(std::begin(width), std::end(width), 0.5f);
    std::fill(std::begin(gain), std::end(gain), 0.9f);
    Mox_DSP_BiQuad_Coeff designer(&e, false);
    designer.SetInput(0, freq);
    designer.SetInput(1, width);
    designer.SetInput(2, gain);
    designer.Open();
    const uint32_t now = e.runningTime;
    for (uint16_t pin = 0; pin < 3; ++pin) designer.QueueEvent(now, pin, 0, 0, 0.0f, nullptr);
    designer.QueueEvent(now, 3, 0, 9, 9.0f, nullptr);  // peaking
    designer.QueueEvent(now, 7, 0, 0, 0.0f, nullptr);  // logarithmic axis
    designer.ProcessBlock(0, 128);
    std::array<float, 5> c{};
    for (int k = 0; k < 5; ++k) c[static_cast<size_t>(k)] = designer.outputs[k][0];
    return c;
}

TEST(ResumeAndSuspend, TablesFollowTheRunningRateThroughARateChangeAndBack) {
    // A table entry: after 44.1 -> 48 -> 44.1 kHz the tables hold the 44.1 kHz values.
    TestEffect fresh, wandered;
    fresh.setSampleRate(44100.0f);
    wandered.setSampleRate(44100.0f);
    wandered.resume();
    wandered.suspend();
    wandered.setSampleRate(48000.0f);
    wandered.setSampleRate(44100.0f);
    wandered.resume();
    for (auto t : {SharedTables::kFreqTan, SharedTables::kFreqCot, SharedTables::kFreqSin2})
        for (int j : {1200, 1800, 2048}) {
            EXPECT_EQ(wandered.freqTable(t)[j], fresh.freqTable(t)[j]) << "table " << t << ", entry " << j;
        }
    EXPECT_EQ(wandered.rateRatioPairs[100][1], fresh.rateRatioPairs[100][1]);

    EXPECT_EQ(wandered.tablesSampleRate, 44100);

    // Where it matters: an equaliser designed after the detour.
    const std::array<float, 5> straight = DesignLogPeak(fresh), detour = DesignLogPeak(wandered);
    EXPECT_NE(straight[0], 1.0f);  // the band really is boosting
    EXPECT_EQ(detour, straight);
}

TEST(ResumeAndSuspend, EventsLeftOnTheOldClockAreDueAfterSuspend) {
    auto e = Running(128);
    auto* rec = e->ModuleOfCode<RecorderModule>(kTestRecorder);
    RunFrames(*e, 5000);
    rec->QueueEvent(e->runningTime + 100000, 9, 0, 0, 0.0f, nullptr);
    e->suspend();
    e->resume();
    rec->received.clear();
    RunFrames(*e, 16);
    ASSERT_EQ(rec->received.size(), 1u);
    EXPECT_EQ(rec->received[0].pin, 9);
}

TEST(ResumeAndSuspend, BlockSizeChangesRebuildAndBadSizesAreIgnored) {
    auto e = Running(128);
    e->setBlockSize(0);
    e->setBlockSize(-3);
    EXPECT_EQ(e->internalBlockSize, 128);
    e->setBlockSize(4096);
    EXPECT_EQ(e->internalBlockSize, 128);
    e->setBlockSize(32);
    e->resume();
    EXPECT_EQ(e->builtBlockSize, 32);
    e->setSampleRate(std::nanf(""));
    e->setSampleRate(0.0f);
    EXPECT_EQ(e->sampleRateInt, 44100);
    RunFrames(*e, 100);
}

TEST(Programs, SetProgramLoadsValuesAndIgnoresNumbersOutsideTheBank) {
    auto e = Running(128);
    e->bank[3].values[6] = 0.25f;           // Release of program 3
    e->bank[0].values[6] = 0.5f;
    e->setProgram(3);
    EXPECT_EQ(e->getProgram(), 3);
    EXPECT_FLOAT_EQ(e->getParameter(6), 0.25f);
    EXPECT_FLOAT_EQ(e->loadedNormalised[6], 0.25f);
    EXPECT_FLOAT_EQ(e->ControlValue(6), 50.0f);  // 500 ms
    EXPECT_EQ(e->loadingProgram, 0);
    e->setProgram(128);
    e->setProgram(-1);
    EXPECT_EQ(e->getProgram(), 3);
    // Changes file into the current program only.
    e->setParameter(6, 0.75f);
    EXPECT_FLOAT_EQ(e->bank[3].values[6], 0.75f);
    EXPECT_FLOAT_EQ(e->bank[0].values[6], 0.5f);
}

TEST(Programs, InitialisedRecordsAreNumberedAndMapNoController) {
    PresetMemory records[128];
    int counter = 0;
    for (PresetMemory& r : records) {
        std::memset(&r, 0x5A, sizeof r);
        InitialisePresetMemory(r, counter);
    }
    EXPECT_STREQ(records[0].name, "Empty  1");
    EXPECT_STREQ(records[127].name, "Empty 128");
    EXPECT_EQ(records[127].name[24], 0);
    for (int i = 0; i < 47; ++i) {
        EXPECT_EQ(records[5].midiMap[i], -1);
        EXPECT_EQ(records[5].values[i], 0.0f);
    }
    for (uint8_t b : records[9].reserved) ASSERT_EQ(b, 0);
    // Each effect restarts the numbering before it initialises its bank.
    TestEffect e;
    EXPECT_EQ(e.presetMemoryCounter(), 128);
    TestEffect second;
    EXPECT_EQ(second.presetMemoryCounter(), 128);
    e.SetMidiAssignment(4, 7);
    EXPECT_EQ(e.GetMidiAssignment(4), 7);
    EXPECT_EQ(e.bank[0].midiMap[4], 7);
}

TEST(Programs, ConstructionPublishesTheEffectAndAsksForMidi) {
    RecordedHostCalls().clear();
    TestEffect e;
    AEffect* a = e.getAeffect();
    EXPECT_EQ(a->uniqueID, VstFourCC('O', 'T', 's', 'q'));
    EXPECT_EQ(a->numInputs, 4);
    EXPECT_EQ(a->numOutputs, 2);
    EXPECT_EQ(a->flags & effFlagsNoSoundInStop, 0);
    bool askedForMidi = false;
    for (const HostRecord& c : RecordedHostCalls())
        if (c.opcode == audioMasterWantMidi && c.value == 1) askedForMidi = true;
    EXPECT_TRUE(askedForMidi);
    EXPECT_EQ(e.lastMidiController, -1);
    EXPECT_EQ(e.editorBuilding, -1);
    EXPECT_EQ(e.self, &e);
    EXPECT_EQ(e.frequencyLimit, 44100 * 49 / 100);
}

TEST(Automation, SetParameterAutomatedTellsTheHostForHostParametersOnly) {
    auto e = Running(128);
    RecordedHostCalls().clear();
    e->setParameterAutomated(5, 0.3f);
    ASSERT_EQ(RecordedHostCalls().size(), 1u);
    EXPECT_EQ(RecordedHostCalls()[0].opcode, audioMasterAutomate);
    EXPECT_EQ(RecordedHostCalls()[0].index, 5);
    EXPECT_FLOAT_EQ(RecordedHostCalls()[0].opt, 0.3f);
    e->setParameterAutomated(65, 1.0f);  // an editor element: the host is not told
    EXPECT_EQ(RecordedHostCalls().size(), 1u);
    EXPECT_FLOAT_EQ(e->ControlValue(65), 0.1f);
}

TEST(Automation, TheHostIsToldTheValueThatWasStored) {
    auto e = Running(128);
    const std::pair<float, float> cases[] = {{1.7f, 1.0f}, {-0.2f, 0.0f}, {INFINITY, 1.0f}, {-INFINITY, 0.0f},
                                             {0.25f, 0.25f}, {1.0f, 1.0f}};
    for (const auto& [sent, stored] : cases) {
        RecordedHostCalls().clear();
        e->setParameterAutomated(9, sent);
        ASSERT_EQ(RecordedHostCalls().size(), 1u) << sent;
        EXPECT_EQ(RecordedHostCalls()[0].opt, stored) << sent;
        EXPECT_EQ(e->getParameter(9), stored) << sent;
    }
    RecordedHostCalls().clear();
    e->setParameterAutomated(9, std::nanf(""));  // ignored, and the host is not told
    EXPECT_TRUE(RecordedHostCalls().empty());
}

TEST(Automation, SetControlValueTakesElementUnitsAndSendsOnlyWhenAsked) {
    auto e = Running(128);
    auto* rec = e->ModuleOfCode<RecorderModule>(kTestRecorder);
    RunFrames(*e, 8);
    rec->received.clear();
    e->setControlValue(15, 2.5f, false);  // LookAhead 25 ms of 0..50
    RunFrames(*e, 8);
    EXPECT_TRUE(rec->received.empty());
    EXPECT_FLOAT_EQ(e->getParameter(15), 0.5f);
    e->setControlValue(15, 5.0f, true);
    RunFrames(*e, 8);
    ASSERT_EQ(rec->received.size(), 1u);
    EXPECT_EQ(rec->received[0].pin, 3);
    EXPECT_EQ(rec->received[0].intValue, 50);
}

TEST(ParameterTexts, NamesAndDisplays) {
    TestEffect e;
    char text[64];
    e.getParameterName(0, text);
    EXPECT_STREQ(text, "BGD.png");
    e.getParameterName(47, text);
    EXPECT_STREQ(text, "z-");
    e.getParameterName(17, text);
    EXPECT_STREQ(text, "Sensitivity");
    e.getParameterLabel(17, text);
    EXPECT_STREQ(text, "");

    e.setParameter(18, 1.0f);
    EXPECT_EQ(Display(e, 18), "RMS");
    e.setParameter(16, 1.0f);
    EXPECT_EQ(Display(e, 16), "Sidechai");  // eight characters at most
    e.setParameter(16, 0.5f);
    EXPECT_EQ(Display(e, 16), "M/S Mono");
    e.setParameter(6, 0.15f);
    EXPECT_EQ(Display(e, 6), "300.0000");
    e.setParameter(2, 0.5f);  // the automatic release can be switched on
    EXPECT_EQ(Display(e, 2), "50.00000");
    EXPECT_EQ(Display(e, 60), "");  // editor elements have no host display
}

TEST(ParameterTexts, EightCharacterFormatting) {
    EXPECT_EQ(Format(2.0f), "2.000000");
    EXPECT_EQ(Format(300.0f), "300.0000");
    EXPECT_EQ(Format(-16.1f), "-16.1000");
    EXPECT_EQ(Format(0.0f), "0.000000");
    EXPECT_EQ(Format(20479.9866f), "20479.98");
    EXPECT_EQ(Format(1234567.0f), "1234567.");
    EXPECT_EQ(Format(-1234567.0f), "-1234567");
    EXPECT_EQ(Format(12345678.0f), "12345678");
    EXPECT_EQ(Format(0.05f), "0.050000");
    EXPECT_EQ(Format(std::nanf("")), "nan");
    EXPECT_EQ(Format(-INFINITY), "-inf");
    EXPECT_EQ(Format(3.4e38f).size(), 8u);
}

TEST(DisplayMailbox, PostsReachTheEditorSideOnlyWhileOpen) {
    TestEffect e;
    DisplayMessage m{};
    m.code = 0;
    m.value = 0.5f;
    e.PostToEditor(76, &m);
    DisplayMailbox::LevelReading level{};
    EXPECT_FALSE(e.displayMailbox().TakeLevel(76, level));  // closed: dropped

    e.displayMailbox().SetOpen(true);
    e.PostToEditor(76, &m);
    m.value = 0.9f;
    e.PostToEditor(76, &m);
    m.value = 0.2f;
    e.PostToEditor(76, &m);
    ASSERT_TRUE(e.displayMailbox().TakeLevel(76, level));
    EXPECT_EQ(level.posts, 3u);
    EXPECT_FLOAT_EQ(level.latest, 0.2f);
    EXPECT_FLOAT_EQ(level.maximum, 0.9f);
    EXPECT_FALSE(e.displayMailbox().TakeLevel(76, level));

    float peaks[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    DisplayMessage block{};
    block.data = peaks;
    block.code = 2;
    e.PostToEditor(74, &block);
    peaks[0] = 0.0f;  // the module reuses its array: the mailbox kept a copy
    DisplayMailbox::QueuedReading reading{};
    ASSERT_TRUE(e.displayMailbox().TakeQueued(reading));
    EXPECT_EQ(reading.index, 74);
    EXPECT_EQ(reading.code, 2);
    EXPECT_FLOAT_EQ(reading.values[0], 0.1f);
    EXPECT_FLOAT_EQ(reading.values[3], 0.4f);
    EXPECT_FALSE(e.displayMailbox().TakeQueued(reading));

    DisplayMessage type{};
    type.code = 110;
    type.aux = 2;
    e.PostToEditor(77, &type);
    DisplayMailbox::TypeReading t{};
    ASSERT_TRUE(e.displayMailbox().TakeType(77, t));
    EXPECT_EQ(t.aux, 2);

    // A burst of channel peaks between two takes reaches the editor whole, one
    // reading per message in order; non-finite peaks are filed as 0.
    const float burst[3][4] = {{0.5f, 0.1f, NAN, 0.2f}, {0.1f, 0.7f, INFINITY, 0.2f}, {0.2f, 0.1f, 0.3f, 0.1f}};
    for (const auto& four : burst) {
        block.data = four;
        e.PostToEditor(74, &block);
    }
    for (const auto& four : burst) {
        ASSERT_TRUE(e.displayMailbox().TakeQueued(reading));
        for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(reading.values[c], std::isfinite(four[c]) ? four[c] : 0.0f) << c;
    }
    EXPECT_FALSE(e.displayMailbox().TakeQueued(reading));
    // A full queue drops what the editor has no room for, and counts it.
    for (int i = 0; i < DisplayMailbox::kQueueLength + 5; ++i) e.PostToEditor(74, &block);
    EXPECT_EQ(e.displayMailbox().queueOverflows(), 5u);
    int taken = 0;
    while (e.displayMailbox().TakeQueued(reading)) ++taken;
    EXPECT_EQ(taken, DisplayMailbox::kQueueLength);

    e.PostToEditor(92, &m);
    e.PostToEditor(-1, &m);
    e.PostToEditor(76, nullptr);
    EXPECT_FALSE(e.displayMailbox().TakeLevel(92, level));
}
