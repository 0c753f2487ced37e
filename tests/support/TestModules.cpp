#include "tests/support/TestModules.h"

#include <cstring>

TestOwner::TestOwner(int blockSize, int sampleRate) {
    internalBlockSize = blockSize;
    builtBlockSize = blockSize;
    sampleRateInt = sampleRate;
    builtSampleRate = sampleRate;
    samplesPerMs = sampleRate * 0.001f;
    frequencyLimit = sampleRate * 49 / 100;
    Build(sampleRate, frequencyLimit);
}

TestOwner::~TestOwner() {
    for (int i = 0; i < kMaxModules; ++i) {
        delete modules[i];
        modules[i] = nullptr;
    }
    for (ConnectionNode*& list : controlConnections) FreeConnectionList(list);
}

void TestOwner::PostToEditor(int32_t index, const DisplayMessage* message) {
    if (message) posts.emplace_back(index, *message);
}

void TestOwner::SendControlEvent(uint32_t time, int32_t index, uint16_t state, int32_t intValue,
                                 float controlValue) {
    if (index < 0 || index >= kIndexCount) return;
    for (ConnectionNode* node = controlConnections[index]; node; node = node->next) {
        int receivers = node->count == 0 ? 1 : node->count;
        for (int k = 0; k < receivers; ++k)
            if (Mox_ModuleBase* m = ModuleAt(node->targetIndex + k * node->stride))
                m->QueueEvent(time, node->targetPin, state, intValue, controlValue, &controlValues[index]);
    }
}

void TestOwner::ConnectControl(Mox_ModuleBase* receiver, int32_t receiverIndex, int32_t index,
                               uint16_t receiverPin, int16_t count, int16_t stride,
                               int32_t noEventLink) {
    if (!(count != 0 && noEventLink)) {
        ConnectionNode** tail = &controlConnections[index];
        while (*tail) tail = &(*tail)->next;
        *tail = new ConnectionNode{static_cast<int16_t>(receiverIndex), receiverPin, count, stride, nullptr};
    }
    receiver->SetInput(receiverPin, &controlValues[index]);
}

void TestOwner::Place(int index, Mox_ModuleBase* module) {
    delete modules[index];
    modules[index] = module;
    if (index >= moduleCount) moduleCount = index + 1;
}

void TestOwner::RunChunk(int n) {
    if (displayOpen) WakeDisplayModules();
    for (int i = 0; i < moduleCount; ++i) {
        Mox_ModuleBase* m = modules[i];
        if (m && (m->flags == 0 || !m->QueueEmpty())) m->ProcessBlock(chunkOffset, n);
    }
    runningTime += n;
    chunkOffset += n;
    if (chunkOffset >= internalBlockSize) chunkOffset = 0;
}

// ---------------------------------------------------------------------------

RecorderModule::RecorderModule(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    outputs[0] = AllocateSignalBuffer(blockSize);
    SetProcess(AsProcess(&RecorderModule::Run));
}

RecorderModule::~RecorderModule() { FreeSignalBuffer(outputs[0]); }

void RecorderModule::Open() { SetProcess(AsProcess(&RecorderModule::Run)); }

void RecorderModule::HandleEvent(ModuleEvent* e, int offset) {
    received.push_back(Received{e->time, e->pin, e->state, e->intValue, e->floatValue, offset, e->payload});
    if (sleepOnEvent) SetProcess(&Mox_ModuleBase::SleepProcess);
}

void RecorderModule::Run(int start, int count) {
    segments.push_back(Segment{start, count, currentTime});
    for (int i = 0; i < count; ++i) outputs[0][start + i] = level;
}

TestAudioIn::TestAudioIn(ModuleOwner* owner) : Mox_ModuleBase(owner, false) {
    for (int i = 0; i < 4; ++i) {
        outputs[i] = AllocateSignalBuffer(blockSize);
        owner->hostInputs[i] = outputs[i];
    }
}

TestAudioIn::~TestAudioIn() {
    for (int i = 0; i < 4; ++i) {
        if (owner->hostInputs[i] == outputs[i]) owner->hostInputs[i] = nullptr;
        FreeSignalBuffer(outputs[i]);
    }
}

TestGain::TestGain(ModuleOwner* owner) : Mox_ModuleBase(owner, false) {
    outputs[0] = AllocateSignalBuffer(blockSize);
    outputs[1] = AllocateSignalBuffer(blockSize);
}

TestGain::~TestGain() {
    FreeSignalBuffer(outputs[0]);
    FreeSignalBuffer(outputs[1]);
}

void TestGain::Open() {
    gain = inputs[2] ? LoadControl(inputs[2]) : 1.0f;
    SetProcess(AsProcess(&TestGain::Run));
}

void TestGain::HandleEvent(ModuleEvent* e, int) {
    if (e->pin == 2) {
        gain = e->floatValue;
        gainEvents.push_back(e->floatValue);
    }
}

void TestGain::Run(int start, int count) {
    for (int c = 0; c < 2; ++c) {
        const float* in = inputs[c];
        for (int i = 0; i < count; ++i) outputs[c][start + i] = in ? in[start + i] * gain : 0.0f;
    }
}

Mox_ModuleBase* CreateTestModule(int16_t code, ModuleOwner* owner, bool startDisabled) {
    switch (code) {
        case kTestAudioIn:
            return new TestAudioIn(owner);
        case kTestGain:
            return new TestGain(owner);
        case kTestRecorder:
            return new RecorderModule(owner, startDisabled);
        default:
            return nullptr;
    }
}

GraphRecord Record(int16_t code, std::initializer_list<GraphLink> links) {
    GraphRecord r{};
    r.code = code;
    for (GraphLink& l : r.links) l = GraphLink{kEndOfLinks, 0, 0};
    int i = 0;
    for (const GraphLink& l : links) r.links[i++] = l;
    return r;
}

GraphLink ModuleLink(uint8_t pin, int16_t sourceCode, uint8_t sourcePin) {
    return GraphLink{pin, sourcePin, sourceCode};
}
GraphLink ConstantLink(uint8_t pin, int entry) {
    return GraphLink{pin, 0, static_cast<int16_t>(kConstantBase + entry)};
}
GraphLink ControlLink(uint8_t pin, int index) { return GraphLink{pin, 0, static_cast<int16_t>(index)}; }
GraphLink SettingLink(int setting, int16_t value) {
    return GraphLink{static_cast<uint8_t>(kSettingPinBase + setting), 0, value};
}
GraphRecord EndOfDescription() { return Record(kGraphEndCode, {}); }
