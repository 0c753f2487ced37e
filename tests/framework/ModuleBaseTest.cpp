// The module framework: event queue order, the sample-accurate sub-block loop,
// sleeping and disabled modules, connections and event fan-out.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "tests/support/TestModules.h"

namespace {

// Queues events on a lone recorder and returns the pins in delivery order.
std::vector<uint16_t> DeliveryOrder(RecorderModule& m) {
    std::vector<uint16_t> pins;
    for (const auto& r : m.received) pins.push_back(r.pin);
    return pins;
}

}  // namespace

TEST(EventQueue, EqualTimesKeepQueueingOrderAndEarlierEventsBecomeHead) {
    TestOwner owner;
    auto* m = new RecorderModule(&owner);
    owner.Place(0, m);
    m->QueueEvent(10, 1, 0, 0, 0, nullptr);  // A
    m->QueueEvent(10, 2, 0, 0, 0, nullptr);  // B, same time: after A
    m->QueueEvent(5, 3, 0, 0, 0, nullptr);   // earlier than all: new head
    m->QueueEvent(20, 4, 0, 0, 0, nullptr);  // latest: new tail
    m->QueueEvent(10, 5, 0, 0, 0, nullptr);  // after A and B, before the tail
    ASSERT_EQ(m->eventHead->pin, 3);
    ASSERT_EQ(m->eventTail->pin, 4);
    // The backward links mirror the forward ones.
    int count = 0;
    for (ModuleEvent* e = m->eventTail; e; e = e->prev) ++count;
    EXPECT_EQ(count, 5);
    owner.RunChunk(64);
    EXPECT_EQ(DeliveryOrder(*m), (std::vector<uint16_t>{3, 1, 2, 5, 4}));
    EXPECT_EQ(m->eventHead, nullptr);
    EXPECT_EQ(m->eventTail, nullptr);
}

TEST(EventQueue, TimesCompareUnsignedAcrossTheTopOfTheClock) {
    TestOwner owner;
    auto* m = new RecorderModule(&owner);
    owner.Place(0, m);
    m->QueueEvent(0x80000000u, 1, 0, 0, 0, nullptr);
    m->QueueEvent(0x7FFFFFFFu, 2, 0, 0, 0, nullptr);
    EXPECT_EQ(m->eventHead->pin, 2);  // a signed comparison would put pin 1 first
}

TEST(SubBlockLoop, EventsAtOffsetsZeroFiveFiveSplitTheChunkExactly) {
    TestOwner owner;
    owner.runningTime = 1000;
    owner.chunkOffset = 16;
    auto* m = new RecorderModule(&owner);
    owner.Place(0, m);
    m->QueueEvent(1000, 1, 0, 0, 0, nullptr);
    m->QueueEvent(1005, 2, 0, 0, 0, nullptr);
    m->QueueEvent(1005, 3, 0, 0, 0, nullptr);
    m->ProcessBlock(16, 8);

    // No segment before the first event, 5 samples, two deliveries, 3 samples.
    ASSERT_EQ(m->segments.size(), 2u);
    EXPECT_EQ(m->segments[0].start, 16);
    EXPECT_EQ(m->segments[0].count, 5);
    EXPECT_EQ(m->segments[1].start, 21);
    EXPECT_EQ(m->segments[1].count, 3);
    ASSERT_EQ(m->received.size(), 3u);
    EXPECT_EQ(m->received[0].offset, 16);
    EXPECT_EQ(m->received[1].offset, 21);
    EXPECT_EQ(m->received[2].offset, 21);
    EXPECT_EQ(m->received[2].pin, 3);
}

TEST(SubBlockLoop, EventAtTheChunkEndWaitsForTheNextChunk) {
    TestOwner owner;
    auto* m = new RecorderModule(&owner);
    owner.Place(0, m);
    m->QueueEvent(32, 7, 0, 0, 0, nullptr);
    owner.RunChunk(32);  // times 0..31
    EXPECT_TRUE(m->received.empty());
    ASSERT_EQ(m->segments.size(), 1u);
    EXPECT_EQ(m->segments[0].count, 32);
    owner.RunChunk(32);  // times 32..63: delivered first, at the chunk's start offset
    ASSERT_EQ(m->received.size(), 1u);
    EXPECT_EQ(m->received[0].offset, 32);
    EXPECT_EQ(m->segments.back().start, 32);
    EXPECT_EQ(m->segments.back().count, 32);
}

// The sample clock wraps after 2^32 samples (24.8 hours at 48 kHz, 6.2 at 192):
// events on either side of the wrap still arrive at their own sample, in order,
// and one for the next chunk waits for it instead of for the next day.
TEST(SubBlockLoop, EventsAcrossTheWrapOfTheClockArriveAtTheirSample) {
    TestOwner owner;
    owner.runningTime = 0xFFFFFFF0u;  // 16 samples before the wrap
    auto* m = new RecorderModule(&owner);
    owner.Place(0, m);
    m->QueueEvent(0x00000030u, 3, 0, 0, 0, nullptr);  // the chunk after the next one
    m->QueueEvent(0x00000004u, 2, 0, 0, 0, nullptr);  // after the wrap
    m->QueueEvent(0xFFFFFFF8u, 1, 0, 0, 0, nullptr);  // before it
    ASSERT_EQ(m->eventHead->pin, 1);
    owner.RunChunk(32);  // 0xFFFFFFF0 .. 0x0000000F
    ASSERT_EQ(m->received.size(), 2u);
    EXPECT_EQ(m->received[0].pin, 1);
    EXPECT_EQ(m->received[0].offset, 8);
    EXPECT_EQ(m->received[1].pin, 2);
    EXPECT_EQ(m->received[1].offset, 20);
    owner.RunChunk(32);  // 0x10 .. 0x2F
    EXPECT_EQ(m->received.size(), 2u);
    owner.RunChunk(32);  // 0x30 ..: delivered at the chunk's first sample
    ASSERT_EQ(m->received.size(), 3u);
    EXPECT_EQ(m->received[2].pin, 3);
    EXPECT_EQ(m->received[2].offset, 64);
}

TEST(SubBlockLoop, LateEventIsDeliveredBeforeAnySampleOfTheChunk) {
    TestOwner owner;
    owner.runningTime = 500;
    auto* m = new RecorderModule(&owner);
    owner.Place(0, m);
    m->QueueEvent(100, 1, 0, 0, 0, nullptr);  // already passed
    owner.RunChunk(16);
    ASSERT_EQ(m->received.size(), 1u);
    EXPECT_EQ(m->received[0].offset, 0);
    ASSERT_EQ(m->segments.size(), 1u);
    EXPECT_EQ(m->segments[0].count, 16);
}

TEST(SubBlockLoop, WholeBlockSampleBySampleAndRandomSplitsAgree) {
    // The same events over the same 128 samples must give the same segment
    // boundaries at the same sample times, however the block is cut.
    auto run = [](const std::vector<int>& cuts) {
        TestOwner owner;
        auto* m = new RecorderModule(&owner);
        owner.Place(0, m);
        for (uint32_t t : {3u, 3u, 40u, 41u, 100u, 127u}) m->QueueEvent(t, static_cast<uint16_t>(t), 0, 0, 0, nullptr);
        for (int n : cuts) owner.RunChunk(n);
        std::vector<uint32_t> deliveries;
        for (const auto& r : m->received) deliveries.push_back(static_cast<uint32_t>(r.offset));
        // Coverage: every sample processed exactly once.
        std::vector<int> covered(128, 0);
        for (const auto& s : m->segments)
            for (int i = 0; i < s.count; ++i) covered[s.start + i]++;
        for (int c : covered) EXPECT_EQ(c, 1);
        return deliveries;
    };
    const auto whole = run({128});
    EXPECT_EQ(whole, (std::vector<uint32_t>{3, 3, 40, 41, 100, 127}));
    EXPECT_EQ(run(std::vector<int>(128, 1)), whole);
    std::mt19937 rng(1234);
    for (int trial = 0; trial < 20; ++trial) {
        std::vector<int> cuts;
        int left = 128;
        while (left > 0) {
            int n = 1 + static_cast<int>(rng() % static_cast<unsigned>(left));
            cuts.push_back(n);
            left -= n;
        }
        EXPECT_EQ(run(cuts), whole);
    }
}

TEST(SleepingAndDisabled, DisabledModuleTakesEventsButNeverProcesses) {
    TestOwner owner;
    auto* m = new RecorderModule(&owner, /*startDisabled=*/true);
    owner.Place(0, m);
    m->QueueEvent(4, 1, 0, 0, 0, nullptr);
    m->ProcessBlock(0, 16);
    EXPECT_EQ(m->received.size(), 1u);
    EXPECT_TRUE(m->segments.empty());
    m->Disable();
    EXPECT_NE(m->flags & Mox_ModuleBase::kDisabled, 0u);
}

TEST(SleepingAndDisabled, SleepingModuleIsSkippedUntilAnEventWakesItAtItsSample) {
    TestOwner owner;
    auto* m = new RecorderModule(&owner);
    owner.Place(0, m);
    m->SetProcess(&Mox_ModuleBase::SleepProcess);
    owner.RunChunk(16);  // runs SleepProcess once: now asleep
    EXPECT_NE(m->flags & Mox_ModuleBase::kAsleep, 0u);
    m->Open();  // back to the recording routine, but still asleep
    owner.RunChunk(16);
    EXPECT_TRUE(m->segments.empty());  // skipped: asleep with an empty queue

    m->QueueEvent(owner.runningTime + 6, 2, 0, 0, 0, nullptr);
    owner.RunChunk(16);
    ASSERT_EQ(m->received.size(), 1u);
    EXPECT_EQ(m->flags & Mox_ModuleBase::kAsleep, 0u);
    ASSERT_EQ(m->segments.size(), 1u);  // nothing before the event, then the rest
    EXPECT_EQ(m->segments[0].start, 32 + 6);
    EXPECT_EQ(m->segments[0].count, 10);
}

TEST(SleepingAndDisabled, HandlerCanSendTheModuleToSleepBetweenSegments) {
    TestOwner owner;
    auto* m = new RecorderModule(&owner);
    owner.Place(0, m);
    m->sleepOnEvent = true;
    m->QueueEvent(8, 1, 0, 0, 0, nullptr);
    owner.RunChunk(32);
    ASSERT_EQ(m->segments.size(), 1u);  // 8 samples, then SleepProcess for the rest
    EXPECT_EQ(m->segments[0].count, 8);
    EXPECT_NE(m->flags & Mox_ModuleBase::kAsleep, 0u);
}

TEST(Connections, FanOutWithCountAndStrideReachesEveryVoice) {
    TestOwner owner;
    auto* source = new RecorderModule(&owner);
    owner.Place(0, source);
    RecorderModule* receivers[25] = {};
    for (int i = 10; i <= 24; ++i) owner.Place(i, receivers[i] = new RecorderModule(&owner));
    source->Connect(receivers[10], 10, 0, 4, 3, 5, 0);
    source->SendEvent(0, 0, 1, 77, 0.5f, nullptr);
    for (int i = 10; i <= 24; ++i) {
        bool expected = i == 10 || i == 15 || i == 20;
        ASSERT_EQ(receivers[i]->eventHead != nullptr, expected) << "table entry " << i;
        if (expected) {
            EXPECT_EQ(receivers[i]->eventHead->pin, 4);
            EXPECT_EQ(receivers[i]->eventHead->intValue, 77);
            EXPECT_EQ(receivers[i]->eventHead->state, 1);
        }
    }
    // A fan-out with the no-event-link flag wires the buffer but records no node.
    source->Connect(receivers[11], 11, 0, 6, 3, 5, 1);
    EXPECT_EQ(receivers[11]->inputs[6], source->outputs[0]);
    int nodes = 0;
    for (ConnectionNode* n = source->connections[0]; n; n = n->next) ++nodes;
    EXPECT_EQ(nodes, 1);
}

TEST(Connections, ConnectHandsTheReceiverTheSourceBufferAndKeepsListOrder) {
    TestOwner owner;
    auto* source = new RecorderModule(&owner);
    auto* a = new RecorderModule(&owner);
    auto* b = new RecorderModule(&owner);
    owner.Place(0, source);
    owner.Place(1, a);
    owner.Place(2, b);
    source->Connect(b, 2, 0, 3, 0, 0, 0);
    source->Connect(a, 1, 0, 1, 0, 0, 0);
    EXPECT_EQ(a->inputs[1], source->outputs[0]);
    EXPECT_EQ(b->inputs[3], source->outputs[0]);
    ASSERT_NE(source->connections[0], nullptr);
    EXPECT_EQ(source->connections[0]->targetIndex, 2);
    EXPECT_EQ(source->connections[0]->next->targetIndex, 1);
    source->SendEvent(9, 1, 0, 0, 0, nullptr);  // unconnected pin: nothing sent
    EXPECT_EQ(a->eventHead, nullptr);
    source->SendEvent(9, 0, 0, 0, 0, nullptr);
    EXPECT_NE(a->eventHead, nullptr);
    EXPECT_NE(b->eventHead, nullptr);
    // Out-of-range pins are ignored rather than written past the tables.
    source->SetInput(64, nullptr);
    source->SetSetting(16, 5);
    EXPECT_EQ(source->GetOutput(200), nullptr);
}

TEST(SignalBuffers, AreAlignedZeroedAndCarrySlack) {
    for (int size : {1, 7, 64, 128}) {
        float* buffer = Mox_ModuleBase::AllocateSignalBuffer(size);
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer) % 16, 0u);
        for (int i = 0; i < size + 4; ++i) EXPECT_EQ(buffer[i], 0.0f);  // 16 bytes of slack
        Mox_ModuleBase::FreeSignalBuffer(buffer);
        EXPECT_EQ(buffer, nullptr);
    }
}

TEST(EventPool, SteadyStateRecyclesRecordsWithoutTheHeap) {
    TestOwner owner;
    auto* m = new RecorderModule(&owner);
    owner.Place(0, m);
    const int before = owner.freeEvents();
    for (int chunk = 0; chunk < 1000; ++chunk) {
        for (int k = 0; k < 20; ++k) m->QueueEvent(owner.runningTime + k, 1, 0, k, 0, nullptr);
        owner.RunChunk(32);
    }
    EXPECT_EQ(owner.freeEvents(), before);
    EXPECT_EQ(owner.droppedEvents(), 0);
}

TEST(EventPool, ExhaustionDropsTheNewestAndNeverTouchesTheHeap) {
    TestOwner owner;
    auto* m = new RecorderModule(&owner);
    owner.Place(0, m);
    const int total = EventPool::kCapacity + 10;
    for (int k = 0; k < total; ++k) m->QueueEvent(0, 1, 0, k, 0, nullptr);
    EXPECT_EQ(owner.droppedEvents(), 10);
    owner.RunChunk(1);
    ASSERT_EQ(static_cast<int>(m->received.size()), EventPool::kCapacity);
    EXPECT_EQ(m->received.back().intValue, EventPool::kCapacity - 1);
    EXPECT_EQ(owner.freeEvents(), EventPool::kCapacity);
}

TEST(EventPool, DestroyedModuleReturnsItsQueuedEvents) {
    TestOwner owner;
    auto* m = new RecorderModule(&owner);
    owner.Place(0, m);
    for (int k = 0; k < 50; ++k) m->QueueEvent(1000 + k, 1, 0, 0, 0, nullptr);
    EXPECT_EQ(owner.freeEvents(), EventPool::kCapacity - 50);
    owner.Place(0, nullptr);
    EXPECT_EQ(owner.freeEvents(), EventPool::kCapacity);
}

TEST(IntegerForm, RoundsHalvesUpwardAndSurvivesBadValues) {
    EXPECT_EQ(IntegerForm(0.05f), 1);     // display 0.5
    EXPECT_EQ(IntegerForm(-0.05f), 0);    // display -0.5
    EXPECT_EQ(IntegerForm(0.01f), 0);     // display 0.1
    EXPECT_EQ(IntegerForm(0.15f), 2);     // display 1.5
    EXPECT_EQ(IntegerForm(-1.61f), -16);  // display -16.1
    EXPECT_EQ(IntegerForm(204.8f), 2048);
    EXPECT_EQ(IntegerForm(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_GT(IntegerForm(1e30f), 1000000000);
    EXPECT_LT(IntegerForm(-1e30f), -1000000000);
}
