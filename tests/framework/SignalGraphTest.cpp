// The plug-in's own signal graph as the first resume builds it.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <memory>
#include <set>

#include "modules/framework/GraphDescription.h"
#include "tests/support/TestEffect.h"

namespace {

std::unique_ptr<TestEffect> Built(float rate = 44100.0f, int block = 128) {
    auto e = std::make_unique<TestEffect>();  // the plug-in's own description
    e->setSampleRate(rate);
    e->setBlockSize(block);
    e->resume();
    return e;
}

// (module index, pin) pairs linked to a parameter index, in list order.
std::vector<std::pair<int, int>> Receivers(const Mox_DSP_VST& e, int index) {
    std::vector<std::pair<int, int>> r;
    for (const ConnectionNode* n = e.controlConnections[index]; n; n = n->next) r.emplace_back(n->targetIndex, n->targetPin);
    return r;
}

using Pairs = std::vector<std::pair<int, int>>;

}  // namespace

TEST(SignalGraph, BuildsThirtyFourModulesInRunOrder) {
    auto e = Built();
    ASSERT_EQ(e->moduleCount, 34);
    const int16_t codes[34] = {6003, 6373, 6005, 6009, 6374, 6212, 6375, 6016, 6017, 6287, 6307, 6018,
                               6019, 6288, 6308, 6020, 6021, 6289, 6309, 6319, 6320, 6200, 6164, 6211,
                               6170, 6161, 6377, 6292, 6173, 6022, 6376, 6371, 6370, 6130};
    for (int m = 0; m < 34; ++m) {
        EXPECT_EQ(e->moduleOfCode[codes[m] - 6000], m) << "code " << codes[m];
        EXPECT_NE(e->modules[m], nullptr) << "m" << m;
    }
    EXPECT_EQ(e->modules[34], nullptr);
    // The host inputs are m0's buffers and the effect's outputs are m33's.
    for (int c = 0; c < 4; ++c) EXPECT_EQ(e->hostInputs[c], e->modules[0]->outputs[c]);
    // What the host receives is what m33 wrote at the chunk's positions.
    std::vector<float> l(1000), r(1000), ol(1000), orr(1000);
    for (size_t i = 0; i < l.size(); ++i) {
        l[i] = 0.3f * std::sin(0.05f * static_cast<float>(i));
        r[i] = -0.5f * l[i];
    }
    e->Process(l, r, ol, orr);
    Mox_ModuleBase* last = e->modules[33];
    const int end = e->chunkOffset == 0 ? 128 : e->chunkOffset;
    for (int i = 0; i < end; ++i) {
        EXPECT_EQ(ol[static_cast<size_t>(1000 - end + i)], last->outputs[0][i]);
        EXPECT_EQ(orr[static_cast<size_t>(1000 - end + i)], last->outputs[1][i]);
    }
    float peak = 0.0f;
    for (float v : ol) peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.05f);  // audio flows
}

TEST(SignalGraph, ParametersReachExactlyTheirLinkedInputs) {
    auto e = Built();
    EXPECT_EQ(Receivers(*e, 15), (Pairs{{5, 2}, {6, 5}}));    // LookAhead
    EXPECT_EQ(Receivers(*e, 28), (Pairs{{19, 3}, {20, 3}}));  // EQ Active
    EXPECT_EQ(Receivers(*e, 16), (Pairs{{6, 4}, {30, 6}}));   // Stereo Mode
    EXPECT_EQ(Receivers(*e, 65), (Pairs{{28, 10}, {30, 9}, {32, 19}}));  // Bypass
    EXPECT_EQ(Receivers(*e, 70), (Pairs{{1, 0}}));            // web link
    EXPECT_EQ(Receivers(*e, 2), (Pairs{{26, 3}}));            // Auto.Rel
    EXPECT_EQ(Receivers(*e, 14), (Pairs{{4, 12}}));           // Gain
    EXPECT_EQ(Receivers(*e, 29), (Pairs{{32, 11}}));          // Meter Type
    EXPECT_EQ(Receivers(*e, 46), (Pairs{{32, 18}}));          // scope 4In
    std::set<int> unlinked = {0, 1, 7, 66, 67, 68, 69};
    for (int i = 47; i <= 64; ++i) unlinked.insert(i);
    for (int i = 71; i <= 91; ++i) unlinked.insert(i);
    for (int index = 0; index < 92; ++index)
        EXPECT_EQ(e->controlConnections[index] == nullptr, unlinked.count(index) == 1) << "index " << index;
    // Every parameter-linked input reads the control value itself.
    EXPECT_EQ(e->modules[5]->inputs[2], &e->controlValues[15]);
    EXPECT_EQ(e->modules[30]->inputs[9], &e->controlValues[65]);
}

TEST(SignalGraph, AParameterChangeIsStampedWithTheChunkTimeOnEveryReceiver) {
    auto e = Built();
    std::vector<float> l(300), r(300), ol(300), orr(300);
    e->Process(l, r, ol, orr);  // the values sent by the build are taken
    // A change made on the audio thread (as MIDI does) is queued at once.
    {
        AudioThreadScope audioThread;
        e->setParameter(15, 0.5f);
    }
    ASSERT_NE(e->modules[5]->eventTail, nullptr);
    ASSERT_NE(e->modules[6]->eventTail, nullptr);
    EXPECT_EQ(e->modules[5]->eventTail->time, 300u);
    EXPECT_EQ(e->modules[6]->eventTail->time, 300u);
    EXPECT_EQ(e->modules[5]->eventTail->pin, 2);
    EXPECT_EQ(e->modules[6]->eventTail->pin, 5);
    EXPECT_EQ(e->modules[5]->eventTail->intValue, 25);
    // Parameters without receivers queue nothing anywhere.
    int queuedBefore = 0, queuedAfter = 0;
    for (int m = 0; m < 34; ++m)
        for (ModuleEvent* ev = e->modules[m]->eventHead; ev; ev = ev->next) ++queuedBefore;
    {
        AudioThreadScope audioThread;
        for (int index : {0, 1, 7, 50, 66, 90}) e->setParameter(index, 0.7f);
    }
    for (int m = 0; m < 34; ++m)
        for (ModuleEvent* ev = e->modules[m]->eventHead; ev; ev = ev->next) ++queuedAfter;
    EXPECT_EQ(queuedAfter, queuedBefore);
}

TEST(SignalGraph, ModuleLinksConstantsAndSettingsAreWired) {
    auto e = Built();
    Mox_ModuleBase** m = e->modules;
    EXPECT_EQ(m[5]->inputs[0], m[0]->outputs[0]);
    EXPECT_EQ(m[6]->inputs[3], m[0]->outputs[3]);
    EXPECT_EQ(m[10]->inputs[0], m[7]->outputs[0]);
    EXPECT_EQ(m[10]->inputs[2], m[9]->outputs[0]);
    EXPECT_EQ(m[18]->inputs[1], m[16]->outputs[0]);
    EXPECT_EQ(m[27]->inputs[0], m[4]->outputs[3]);
    EXPECT_EQ(m[33]->inputs[2], m[2]->outputs[2]);
    // Constants: m2 turns the pool into volts (x 0.1); its output 2 is unity gain.
    EXPECT_EQ(*m[2]->inputs[6], 0.1f);
    EXPECT_EQ(*m[2]->inputs[12], 5000.0f);
    EXPECT_EQ(m[2]->outputs[2][0], 1.0f);
    EXPECT_FLOAT_EQ(m[2]->outputs[13][127], 600.0f);
    for (int k = 0; k <= 11; ++k) EXPECT_EQ(*m[3]->inputs[k], static_cast<float>(k));
    // Settings of the two display feeders are editor element indices.
    EXPECT_EQ(m[31]->settings[1], 84);
    EXPECT_EQ(m[31]->settings[4], 87);
    EXPECT_EQ(m[32]->settings[0], 74);
    EXPECT_EQ(m[32]->settings[3], 78);
    EXPECT_EQ(m[32]->settings[9], 75);
    // The bar feeder also shows the dynamics in the transfer-curve window: the
    // envelope's gain, the make-up level and the detected level.
    EXPECT_EQ(m[32]->settings[5], 72);
    EXPECT_EQ(m[32]->inputs[6], m[28]->outputs[0]);
    EXPECT_EQ(m[32]->inputs[7], m[27]->outputs[0]);
    EXPECT_EQ(m[32]->inputs[8], m[22]->outputs[0]);
    // Output connections feed the right receivers: m22 (level in dB) reaches the
    // release delay, the knee, the automatic release and the bar feeder.
    std::set<int> fromLevel;
    for (ConnectionNode* n = m[22]->connections[0]; n; n = n->next) fromLevel.insert(n->targetIndex);
    EXPECT_EQ(fromLevel, (std::set<int>{23, 24, 26, 32}));
}

TEST(SignalGraph, RebuildsOnRateOrBlockChangeAndKeepsTheGraphOtherwise) {
    auto e = Built(44100.0f, 128);
    Mox_ModuleBase* first = e->modules[7];
    e->suspend();
    e->resume();
    EXPECT_EQ(e->modules[7], first);
    for (auto [rate, block] : {std::pair{48000.0f, 128}, {96000.0f, 64}, {22050.0f, 7}}) {
        e->suspend();
        e->setSampleRate(rate);
        e->setBlockSize(block);
        e->resume();
        EXPECT_EQ(e->moduleCount, 34);
        EXPECT_EQ(e->modules[7]->blockSize, block);
        std::vector<float> l(1000, 0.1f), r(1000, 0.1f), ol(1000), orr(1000);
        e->Process(l, r, ol, orr);
        for (float v : ol) ASSERT_TRUE(std::isfinite(v));
    }
}
