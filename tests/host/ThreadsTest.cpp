// Control changes from other threads reach the modules through the hand-over
// while audio runs. The suite is also built with ThreadSanitizer (see the test
// script), which must report nothing here.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>

#include "host/ControlHandOver.h"
#include "host/PresetBank.h"
#include "modules/convert/GlideModule.h"
#include "tests/support/TestEffect.h"

TEST(Threads, HandOverKeepsEachProducersOrderAndLosesNothing) {
    ControlHandOver handOver;
    constexpr int kProducers = 3, kPerProducer = 20000;
    std::atomic<int> finished{0};
    std::vector<float> lastSeen(92, -1.0f);
    std::vector<int> seen(92, 0);
    bool inOrder = true;

    std::array<std::atomic<float>, 92> latest{};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p)
        producers.emplace_back([&, p] {
            for (int k = 0; k < kPerProducer; ++k) {
                latest[10 + p].store(static_cast<float>(k));  // stored before it is handed over
                handOver.Push(10 + p, static_cast<float>(k));
            }
            finished.fetch_add(1);
        });
    auto deliver = [&](int32_t index, float value) {
        if (value < lastSeen[static_cast<size_t>(index)]) inOrder = false;
        lastSeen[static_cast<size_t>(index)] = value;
        ++seen[static_cast<size_t>(index)];
    };
    while (finished.load() < kProducers) handOver.Drain(deliver, [&](int32_t i) { return latest[static_cast<size_t>(i)].load(); });
    handOver.Drain(deliver, [&](int32_t i) { return latest[static_cast<size_t>(i)].load(); });
    for (auto& t : producers) t.join();
    handOver.Drain(deliver, [&](int32_t i) { return latest[static_cast<size_t>(i)].load(); });

    EXPECT_TRUE(inOrder);
    for (int p = 0; p < kProducers; ++p) {
        // Through the ring or, after an overflow, as the current value: the last
        // value delivered is the last one set.
        EXPECT_EQ(lastSeen[static_cast<size_t>(10 + p)], kPerProducer - 1.0f);
    }
    EXPECT_TRUE(handOver.Empty());
}

// A producer that stores its value and pushes it while an overflow delivery reads
// the current value: whether its pushes land just before or just after that read,
// the receiver never steps back and ends at the newest value.
TEST(Threads, HandOverNeverStepsBackWhenAProducerPushesDuringAnOverflowRead) {
    for (const bool pushBeforeRead : {true, false}) {
        ControlHandOver handOver;
        float latest = 0.0f;
        auto produce = [&](float v) {
            latest = v;  // stored before it is handed over, as the effect does
            handOver.Push(7, v);
        };
        for (uint32_t k = 0; k <= ControlHandOver::kCapacity; ++k) produce(static_cast<float>(k));  // overflows
        std::vector<float> got;
        auto deliver = [&](int32_t, float v) { got.push_back(v); };
        // The first drain empties the ring, then reads the overflowed index while
        // the producer, with room in the ring again, pushes two more.
        handOver.Drain(deliver, [&](int32_t) {
            const float before = latest;
            produce(latest + 1.0f);
            produce(latest + 1.0f);
            return pushBeforeRead ? latest : before;
        });
        for (int i = 0; i < 2; ++i) handOver.Drain(deliver, [&](int32_t) { return latest; });
        EXPECT_TRUE(std::is_sorted(got.begin(), got.end())) << "pushes before the read: " << pushBeforeRead;
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.back(), latest);
        EXPECT_TRUE(handOver.Empty());
    }
}

TEST(Threads, HandOverOverflowMarksTheIndexAndSendsItsCurrentValue) {
    ControlHandOver handOver;
    const int pushes = static_cast<int>(ControlHandOver::kCapacity) + 50;
    for (int k = 0; k < pushes; ++k) handOver.Push(k < 1000 ? 3 : 40, static_cast<float>(k));
    handOver.Push(-1, 0.0f);  // ignored
    handOver.Push(92, 0.0f);  // ignored
    std::vector<std::pair<int, float>> got;
    handOver.Drain([&](int32_t i, float v) { got.emplace_back(i, v); },
                   [](int32_t i) { return i == 40 ? 123.0f : -1.0f; });
    ASSERT_EQ(got.size(), ControlHandOver::kCapacity + 1);
    EXPECT_EQ(got.back(), (std::pair<int, float>{40, 123.0f}));
    EXPECT_TRUE(handOver.Empty());
}

TEST(Threads, HandOverCarriesTheProgramChangeMarkThroughTheRingAndAnOverflow) {
    ControlHandOver handOver;
    handOver.Push(3, 1.0f, true);
    handOver.Push(4, 2.0f, false);
    for (uint32_t k = 2; k < ControlHandOver::kCapacity; ++k) handOver.Push(5, 0.0f);
    handOver.Push(7, 3.0f, false);  // overflows: sent as its current value, unmarked
    handOver.Push(8, 4.0f, true);   // overflows: sent as its current value, marked
    std::vector<std::pair<int32_t, bool>> got;
    handOver.Drain([&](int32_t i, float, bool program) { if (i != 5) got.emplace_back(i, program); },
                   [](int32_t) { return 0.0f; });
    EXPECT_EQ(got, (std::vector<std::pair<int32_t, bool>>{{3, true}, {4, false}, {7, false}, {8, true}}));
    handOver.Push(8, 5.0f, false);  // the mark does not stick to the index
    handOver.Drain([&](int32_t i, float, bool program) { got.emplace_back(i, program); }, [](int32_t) { return 0.0f; });
    EXPECT_EQ(got.back(), (std::pair<int32_t, bool>{8, false}));
}

TEST(Threads, ParametersSetWhileAudioRunsArriveInOrderAndLast) {
    TestEffect effect(kRecorderGainGraph);
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(64);
    effect.resume();
    auto* gain = effect.ModuleOfCode<TestGain>(kTestGain);
    ASSERT_NE(gain, nullptr);
    effect.setParameter(14, 0.0f);
    {
        std::vector<float> l(64), r(64), ol(64), orr(64);
        effect.Process(l, r, ol, orr);
    }
    gain->gainEvents.clear();

    std::atomic<bool> stop{false};
    std::atomic<bool> finite{true};
    std::thread audio([&] {
        std::vector<float> l(64, 0.25f), r(64, -0.25f), ol(64), orr(64);
        while (!stop.load(std::memory_order_acquire)) {
            effect.Process(l, r, ol, orr);
            for (float v : ol)
                if (!std::isfinite(v)) finite = false;
        }
    });
    std::thread ui([&] {
        for (int k = 0; k <= 4000; ++k) {
            effect.setParameter(14, static_cast<float>(k) / 4000.0f);  // rising gain
            effect.setParameter(k % 2 ? -1 - k % 7 : 92 + k % 7, 0.5f);  // out of range
            if (k % 500 == 0) effect.getParameterDisplay(14, std::array<char, 64>{}.data());
        }
    });
    ui.join();
    stop.store(true, std::memory_order_release);
    audio.join();
    std::vector<float> l(64, 1.0f), r(64, 1.0f), ol(64), orr(64);
    effect.Process(l, r, ol, orr);  // the last changes are delivered here at the latest

    EXPECT_TRUE(finite.load());
    ASSERT_FALSE(gain->gainEvents.empty());
    for (size_t i = 1; i < gain->gainEvents.size(); ++i)
        ASSERT_LE(gain->gainEvents[i - 1], gain->gainEvents[i]) << "event " << i;
    EXPECT_FLOAT_EQ(gain->gainEvents.back(), 2.4f);
    EXPECT_FLOAT_EQ(ol[63], 2.4f);
}

TEST(Threads, AChangeSentOnTheAudioThreadOutranksOlderHandedOverOnes) {
    ControlHandOver handOver;
    handOver.Push(6, 1.0f);  // from the editor
    handOver.MarkSent(6);    // then MIDI set the same index on the audio thread
    handOver.Push(7, 2.0f);
    std::vector<int32_t> delivered;
    handOver.Drain([&](int32_t i, float) { delivered.push_back(i); }, [](int32_t) { return 0.0f; });
    EXPECT_EQ(delivered, std::vector<int32_t>{7});
    handOver.Push(6, 3.0f);  // a newer change from the editor still comes through
    handOver.Drain([&](int32_t i, float) { delivered.push_back(i); }, [](int32_t) { return 0.0f; });
    EXPECT_EQ(delivered, (std::vector<int32_t>{7, 6}));
}

TEST(Threads, BankAndProgramChunksAskedForFromTwoThreadsKeepTheirBytes) {
    TestEffect effect;
    effect.setProgram(9);  // program 9's record differs from record 0
    const std::vector<uint8_t> bank(reinterpret_cast<uint8_t*>(effect.bank),
                                    reinterpret_cast<uint8_t*>(effect.bank) + kBankBytes);
    std::atomic<int> bankFaults{0}, programFaults{0}, sameKindFaults{0};
    constexpr int kRounds = 300;
    auto askBank = [&](bool compare) {
        for (int k = 0; k < kRounds; ++k) {
            void* data = nullptr;
            if (effect.getChunk(&data, false) != kBankBytes || !data) {
                ++sameKindFaults;
                continue;
            }
            // Read at once, before this thread asks again.
            if (compare && std::memcmp(data, bank.data(), bank.size()) != 0) ++bankFaults;
        }
    };
    // One thread reads bank chunks while another reads program chunks.
    std::thread bankReader(askBank, true);
    std::thread programReader([&] {
        for (int k = 0; k < kRounds; ++k) {
            void* data = nullptr;
            if (effect.getChunk(&data, true) != 564 || std::memcmp(data, bank.data() + 9 * 564, 564) != 0)
                ++programFaults;
        }
    });
    bankReader.join();
    programReader.join();
    // Three threads asking for the bank at the same time never fill one buffer
    // together (the ThreadSanitizer run would see it).
    std::thread first(askBank, false), second(askBank, false), third(askBank, false);
    first.join();
    second.join();
    third.join();
    EXPECT_EQ(bankFaults.load(), 0);
    EXPECT_EQ(programFaults.load(), 0);
    EXPECT_EQ(sameKindFaults.load(), 0);
}

TEST(Threads, EveryValueOfAProgramChangeRacingTheAudioThreadJumps) {
    TestEffect effect;  // the plug-in's own graph
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(64);
    effect.resume();
    // Two programs apart in every parameter that reaches a gliding module.
    for (int index : {3, 14, 19, 20, 21, 22, 23, 24, 25, 26, 27}) {
        effect.bank[5].values[index] = 0.2f;
        effect.bank[6].values[index] = 0.8f;
    }
    std::vector<Mox_DSP_GlideBase*> glides;
    for (int16_t code : {6016, 6017, 6018, 6019, 6020, 6021, 6022, 6287, 6288, 6289, 6292}) {
        glides.push_back(effect.ModuleOfCode<Mox_DSP_GlideBase>(code));
        ASSERT_NE(glides.back(), nullptr) << code;
    }
    std::vector<float> l(64, 0.1f), r(64, -0.1f), ol(64), orr(64);
    effect.setProgram(5);
    for (int b = 0; b < 10; ++b) effect.Process(l, r, ol, orr);

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::vector<int16_t> glided;  // audio thread: modules caught between two values
    std::thread audio([&] {
        std::vector<float> al(64, 0.1f), ar(64, -0.1f), aol(64), aor(64);
        while (!stop.load(std::memory_order_acquire)) {
            effect.Process(al, ar, aol, aor);
            ++blocks;
            for (size_t g = 0; g < glides.size(); ++g)
                if (glides[g]->currentValue() != glides[g]->targetValue()) glided.push_back(static_cast<int16_t>(g));
        }
    });
    for (int k = 0; k < 400; ++k) {
        effect.setProgram(6 - k % 2);
        if (k % 50 == 49) effect.setChunk(effect.bank, kBankBytes, false);  // the same values, loaded again
        const long seen = blocks.load();
        while (blocks.load() < seen + 2) std::this_thread::yield();  // let the drain fall anywhere
    }
    stop.store(true, std::memory_order_release);
    audio.join();
    effect.Process(l, r, ol, orr);
    EXPECT_TRUE(glided.empty()) << glided.size() << " blocks found a module gliding, the first module "
                                << (glided.empty() ? -1 : glided.front());
    for (Mox_DSP_GlideBase* g : glides) EXPECT_EQ(g->currentValue(), g->targetValue());
}

namespace {

// Counts the notes it hears and on which thread.
class ThreadNoteListener : public NoteListener {
public:
    void NoteReceived(int32_t note) override {
        if (std::this_thread::get_id() != owner) ++foreignCalls;
        if (note != -1 && (note < 0 || note > 256 + 127)) ++badNotes;
        ++heard;
    }
    std::thread::id owner = std::this_thread::get_id();
    int heard = 0, foreignCalls = 0, badNotes = 0;
};

}  // namespace

TEST(Threads, NoteListenersComeAndGoWhileMidiArrivesAndHearNotesOnlyOnTheirOwnThread) {
    TestEffect effect(kRecorderGainGraph);
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(64);
    effect.resume();
    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        std::vector<float> l(64), r(64), ol(64), orr(64);
        VstMidiEvent note{};
        note.type = kVstMidiType;
        note.byteSize = sizeof note;
        VstEvents list{};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&note);
        for (uint8_t n = 0; !stop.load(std::memory_order_acquire); ++n) {
            note.midiData[0] = static_cast<char>(n % 3 ? 0x90 : 0xB0);  // notes, and all notes off
            note.midiData[1] = static_cast<char>(n % 3 ? n & 0x7F : 123);
            note.midiData[2] = static_cast<char>(n & 1 ? 100 : 0);
            effect.processEvents(&list);
            effect.Process(l, r, ol, orr);
            blocks.fetch_add(1, std::memory_order_release);
        }
    });
    // The editor's thread: listeners made, told, removed and destroyed over and over,
    // once MIDI is flowing, and for as long as it takes some of them to hear notes
    // (a slow or busy machine may start the audio thread late or pause it).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (blocks.load(std::memory_order_acquire) < 10 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    int heard = 0, foreign = 0, bad = 0;
    ThreadNoteListener steady;
    effect.AddNoteListener(&steady);
    for (int k = 0; k < 2000 || (heard == 0 && std::chrono::steady_clock::now() < deadline); ++k) {
        auto passing = std::make_unique<ThreadNoteListener>();
        effect.AddNoteListener(passing.get());
        std::this_thread::yield();
        effect.DeliverNotes();
        effect.RemoveNoteListener(passing.get());
        heard += passing->heard;
        foreign += passing->foreignCalls;
        bad += passing->badNotes;
    }  // each one destroyed while MIDI keeps arriving
    stop.store(true, std::memory_order_release);
    audio.join();
    effect.DeliverNotes();
    EXPECT_GT(heard, 0);
    EXPECT_GT(steady.heard, heard / 2);
    EXPECT_EQ(foreign + steady.foreignCalls, 0);
    EXPECT_EQ(bad + steady.badNotes, 0);
}

TEST(Threads, DisplayFeedersWhileTheEditorOpensAndClosesAThousandTimes) {
    // The editor side opens the mailbox, takes what arrived, gives captures back
    // through their ready flag and closes again, while audio runs; the bar feeder
    // captures whole waveforms of a ramp on the left input (mode 3).
    TestEffect effect;
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(256);
    effect.setParameter(42, 0.0f);  // Peak Display: Input
    effect.resume();
    DisplayMailbox& box = effect.displayMailbox();
    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        effect.modules[32]->QueueEvent(effect.runningTime, 14, 0, 3, 0.3f, nullptr);
        std::vector<float> l(256), r(256), ol(256), orr(256);
        for (uint32_t t = 0, k = 0; !stop.load(std::memory_order_acquire); ++k) {
            const size_t frames = 1 + (k * 37) % 256;
            l.resize(frames), r.resize(frames), ol.resize(frames), orr.resize(frames);
            for (float& v : l) v = static_cast<float>(t++ % 4096) / 4096.0f;
            r = l;
            effect.Process(l, r, ol, orr);
        }
    });
    long levels = 0, captures = 0, torn = 0;
    DisplayMailbox::LevelReading level{};
    DisplayMailbox::BlockReading block{};
    // A thousand opens at least, and more on a machine so busy that the audio thread
    // finished too few captures in them.
    for (int k = 0; k < 1000 || ((levels <= 100 || captures <= 10) && k < 100000); ++k) {
        box.SetOpen(true);
        effect.setParameter(29, static_cast<float>(k % 4) / 3.0f);
        for (int pass = 0; pass < 5; ++pass) {
            for (int tag = 74; tag <= 87; ++tag) {
                if (box.TakeLevel(tag, level)) ++levels;
                if (!box.TakeBlock(tag, block) || block.code != 3) continue;
                auto* capture = static_cast<DisplayCapture*>(const_cast<void*>(block.data));
                if (capture->ready.load(std::memory_order_acquire) == 0.0f) continue;
                for (int i = 1; i < DisplayCapture::kSamples; ++i) {
                    const float step = capture->samples[i] - capture->samples[i - 1];
                    if (step != 1.0f / 4096.0f && capture->samples[i] != 0.0f) ++torn;
                }
                ++captures;
                capture->ready.store(0.0f, std::memory_order_release);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        box.SetOpen(false);
    }
    stop.store(true, std::memory_order_release);
    audio.join();
    EXPECT_GT(levels, 100);
    EXPECT_GT(captures, 10);
    EXPECT_EQ(torn, 0);
}
