// The display feeders with the editor's mailbox open: the effect object itself
// (the editor is not needed for that), its processing thread watched while the
// editor side takes readings, gives captures back, changes the meter settings and
// the detector's sensitivity, and opens and closes the mailbox.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "host/Mox_DSP_VST.h"
#include "modules/framework/ModuleBase.h"
#include "tests/realtime/Watched.h"

namespace {

intptr_t VSTCALLBACK Host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

TEST(RealTimeSafety, TheDisplayFeedersNeitherAllocateNorLockWithTheMailboxOpen) {
    Mox_DSP_VST fx(Host);
    fx.setSampleRate(48000.0f);
    fx.setBlockSize(8192);
    fx.resume();
    DisplayMailbox& box = fx.displayMailbox();
    box.SetOpen(true);

    std::atomic<bool> stop{false};
    std::atomic<long> passes{0};
    long taken = 0;
    std::thread editor([&] {
        DisplayMailbox::LevelReading level{};
        DisplayMailbox::BlockReading block{};
        DisplayMailbox::TypeReading type{};
        unsigned seed = 11;
        while (!stop.load()) {
            seed = seed * 1103515245u + 12345u;
            const int32_t index = (seed >> 8) % 3 == 0 ? 17 : 42 + static_cast<int32_t>((seed >> 10) % 5);
            fx.setParameter(index, static_cast<float>((seed >> 4) % 1000) / 999.0f);
            if (seed % 13 == 0) fx.setParameter(29, static_cast<float>((seed >> 6) % 4) / 3.0f);
            if (seed % 97 == 0) box.SetOpen(!box.IsOpen());
            for (int tag = 74; tag <= 87; ++tag) {
                taken += box.TakeLevel(tag, level) + box.TakeType(tag, type);
                if (box.TakeBlock(tag, block) && block.code >= 3) {
                    auto* capture = static_cast<DisplayCapture*>(const_cast<void*>(block.data));
                    capture->ready.store(0.0f, std::memory_order_release);
                }
            }
            passes.fetch_add(1);
            std::this_thread::yield();
        }
    });

    long counted = -1;
    std::thread audio([&] {
        std::vector<float> in[4], out[2];
        for (auto& c : in) c.assign(8192, 0.0f);
        for (auto& c : out) c.assign(8192, 0.0f);
        const int32_t sizes[] = {1, 37, 128, 1000, 8192, 64};
        long frame = 0;
        for (int b = 0; frame < 60L * 48000 || passes.load() < 500; ++b) {
            if (b == 200) {
                gCalls.store(0);
                tWatched = true;
            }
            // Every mode of the bar feeder in turn, captures included.
            if (b % 150 == 0) fx.modules[32]->QueueEvent(fx.runningTime, 14, 0, 1 + (b / 150) % 6, 0.0f, nullptr);
            const int32_t n = sizes[b % 6];
            for (int32_t i = 0; i < n; ++i, ++frame)
                in[0][static_cast<size_t>(i)] = in[1][static_cast<size_t>(i)] =
                    0.6f * std::sin(0.0576f * static_cast<float>(frame % 10000));
            float* ins[4] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
            float* outs[2] = {out[0].data(), out[1].data()};
            fx.processReplacing(ins, outs, n);
        }
        tWatched = false;
        counted = gCalls.load();
    });
    audio.join();
    stop.store(true);
    editor.join();
    EXPECT_EQ(counted, 0) << "allocations, frees or locks on the processing thread";
    EXPECT_GT(taken, 100);
}
