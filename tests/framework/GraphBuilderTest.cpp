// Building a module table from a graph description.
#include <gtest/gtest.h>

#include "tests/support/TestModules.h"

namespace {

int gCreated = 0;
bool gFailGain = false;

Mox_ModuleBase* CountingFactory(int16_t code, ModuleOwner* owner, bool disabled) {
    if (gFailGain && code == kTestGain) return nullptr;  // an allocation that failed
    Mox_ModuleBase* m = CreateTestModule(code, owner, disabled);
    if (m) ++gCreated;
    return m;
}

}  // namespace

TEST(GraphBuilder, WiresModulesConstantsControlsAndSettings) {
    TestOwner owner;
    float pool[kConstantPoolSize] = {};
    pool[3] = 3.0f;
    const GraphRecord description[] = {
        Record(kTestAudioIn, {}),
        Record(kTestGain, {ModuleLink(0, kTestAudioIn, 0), ModuleLink(1, kTestAudioIn, 1), ControlLink(2, 14)}),
        Record(kTestRecorder, {ModuleLink(0, kTestGain, 1), ConstantLink(5, 3), ControlLink(7, 14),
                               SettingLink(2, 75), ControlLink(9, 15)}),
        EndOfDescription(),
    };
    BuildGraphFrom(owner, description, CreateTestModule, pool);
    ASSERT_EQ(owner.moduleCount, 3);
    auto* in = owner.modules[0];
    auto* gain = owner.modules[1];
    auto* rec = static_cast<RecorderModule*>(owner.modules[2]);
    EXPECT_EQ(owner.moduleOfCode[kTestGain - 6000], 1);
    EXPECT_EQ(gain->inputs[0], in->outputs[0]);
    EXPECT_EQ(gain->inputs[1], in->outputs[1]);
    EXPECT_EQ(gain->inputs[2], &owner.controlValues[14]);
    EXPECT_EQ(rec->inputs[0], gain->outputs[1]);
    EXPECT_EQ(rec->inputs[5], &pool[3]);
    EXPECT_EQ(rec->settings[2], 75);

    // One change of index 14 reaches both receivers in description order.
    ASSERT_NE(owner.controlConnections[14], nullptr);
    EXPECT_EQ(owner.controlConnections[14]->targetIndex, 1);
    ASSERT_NE(owner.controlConnections[14]->next, nullptr);
    EXPECT_EQ(owner.controlConnections[14]->next->targetIndex, 2);
    owner.SendControlEvent(0, 14, 0, 5, 0.5f);
    owner.RunChunk(8);
    ASSERT_EQ(rec->received.size(), 1u);
    EXPECT_EQ(rec->received[0].pin, 7);
    EXPECT_EQ(rec->received[0].payload, &owner.controlValues[14]);
    EXPECT_EQ(static_cast<TestGain*>(gain)->gainEvents, std::vector<float>{0.5f});
    // An index without receivers sends nothing.
    EXPECT_EQ(owner.controlConnections[16], nullptr);
}

TEST(GraphBuilder, RebuildEmptiesTheControlListsFirst) {
    TestOwner owner;
    const GraphRecord description[] = {Record(kTestRecorder, {ControlLink(0, 20)}), EndOfDescription()};
    BuildGraphFrom(owner, description, CreateTestModule, nullptr);
    delete owner.modules[0];
    owner.modules[0] = nullptr;
    BuildGraphFrom(owner, description, CreateTestModule, nullptr);
    ASSERT_NE(owner.controlConnections[20], nullptr);
    EXPECT_EQ(owner.controlConnections[20]->next, nullptr);
}

TEST(GraphBuilder, UnknownAndFailedModulesTakeNoIndexAndAreNeverWired) {
    TestOwner owner;
    gCreated = 0;
    gFailGain = true;
    const GraphRecord description[] = {
        Record(kTestAudioIn, {}),
        Record(6050, {ControlLink(0, 3)}),                  // a code without a class
        Record(kTestGain, {ModuleLink(0, kTestAudioIn, 0)}),  // fails to allocate
        Record(kTestRecorder, {ModuleLink(0, kTestGain, 0), ModuleLink(1, kTestAudioIn, 2)}),
        EndOfDescription(),
        Record(kTestRecorder, {}),  // past the end: never built
    };
    BuildGraphFrom(owner, description, CountingFactory, nullptr);
    gFailGain = false;
    EXPECT_EQ(gCreated, 2);
    ASSERT_EQ(owner.moduleCount, 2);
    auto* rec = static_cast<RecorderModule*>(owner.modules[1]);
    EXPECT_EQ(rec->inputs[0], nullptr);  // the missing gain module leaves the pin unconnected
    EXPECT_EQ(rec->inputs[1], owner.modules[0]->outputs[2]);
    EXPECT_EQ(owner.controlConnections[3], nullptr);
    owner.RunChunk(16);  // running the table must not touch anything missing
}

TEST(GraphBuilder, EmptyDescriptionBuildsNothing) {
    TestOwner owner;
    const GraphRecord description[] = {EndOfDescription()};
    BuildGraphFrom(owner, description, CreateTestModule, nullptr);
    EXPECT_EQ(owner.moduleCount, 0);
    BuildGraphFrom(owner, nullptr, CreateTestModule, nullptr);
    EXPECT_EQ(owner.moduleCount, 0);
}

TEST(GraphBuilder, StopsAtTheModuleTableCapacity) {
    TestOwner owner;
    std::vector<GraphRecord> description(ModuleOwner::kMaxModules + 5, Record(kTestRecorder, {}));
    description.push_back(EndOfDescription());
    BuildGraphFrom(owner, description.data(), CreateTestModule, nullptr);
    EXPECT_EQ(owner.moduleCount, ModuleOwner::kMaxModules);
}
