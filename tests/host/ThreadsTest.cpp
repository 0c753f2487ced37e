// Control changes from other threads reach the modules through the hand-over
// while audio runs. The suite is also built with ThreadSanitizer (see the test
// script), which must report nothing here.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <chrono>
#include <thread>

#include "host/ControlHandOver.h"
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
    for (int k = 0; k < 1000; ++k) {
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
