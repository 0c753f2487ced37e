// Small stand-in modules and owners for driving the module framework and the
// effect object in tests.
#pragma once

#include <cstdint>
#include <vector>

#include "modules/framework/GraphBuilder.h"
#include "modules/framework/ModuleBase.h"
#include "modules/framework/ModuleOwner.h"

// An owner without a host: a module table, control values, tables and a pool.
class TestOwner : public ModuleOwner {
public:
    explicit TestOwner(int blockSize = 128, int sampleRate = 44100);
    ~TestOwner() override;

    void PostToEditor(int32_t index, const DisplayMessage* message) override;
    bool DisplayOpen() const override { return displayOpen; }
    uint32_t DisplaySession() const override { return displaySession; }
    void SaveBankFile() override { ++bankSaves; }
    void OpenAddress(const char* address) override { addresses.push_back(address); }
    void SendControlEvent(uint32_t time, int32_t index, uint16_t state, int32_t intValue,
                          float controlValue) override;
    void ConnectControl(Mox_ModuleBase* receiver, int32_t receiverIndex, int32_t index,
                        uint16_t receiverPin, int16_t count, int16_t stride,
                        int32_t noEventLink) override;

    // Places a module at a table index (the owner deletes it).
    void Place(int index, Mox_ModuleBase* module);
    // Runs one chunk of n samples at chunkOffset through every module, like the effect.
    void RunChunk(int n);

    int freeEvents() const { return eventPool.freeCount(); }
    int droppedEvents() const { return eventPool.dropped(); }

    std::vector<std::pair<int32_t, DisplayMessage>> posts;
    bool displayOpen = false;  // what DisplayOpen answers; posts are recorded either way
    int bankSaves = 0;
    std::vector<const char*> addresses;
    uint32_t displaySession = 0;  // what DisplaySession answers
};

// Records every segment it processes and every event it receives.
class RecorderModule : public Mox_ModuleBase {
public:
    struct Segment {
        int start, count;
        uint32_t time;  // currentTime when the segment ran
    };
    struct Received {
        uint32_t time;
        uint16_t pin;
        uint16_t state;
        int32_t intValue;
        float floatValue;
        int offset;
        void* payload;
    };

    RecorderModule(ModuleOwner* owner, bool startDisabled = false);
    ~RecorderModule() override;
    void Open() override;
    void HandleEvent(ModuleEvent* event, int offset) override;
    void Run(int start, int count);

    std::vector<Segment> segments;
    std::vector<Received> received;
    bool sleepOnEvent = false;  // a handler that sends the module to sleep
    float level = 1.0f;         // written to output 0 by Run
};

// Test graph codes (inside the code range, with classes only in the test factory).
enum TestCode : int16_t {
    kTestAudioIn = 6003,  // four output buffers registered as the host inputs
    kTestGain = 6100,     // out k = in k * control(in 2), k = 0, 1
    kTestRecorder = 6101,
};

// Host input stand-in: its outputs are the effect's hostInputs.
class TestAudioIn : public Mox_ModuleBase {
public:
    explicit TestAudioIn(ModuleOwner* owner);
    ~TestAudioIn() override;
};

// out0 = in0 * gain, out1 = in1 * gain, gain read from the control value on in 2
// (1 when unconnected). Counts the gain events it receives.
class TestGain : public Mox_ModuleBase {
public:
    explicit TestGain(ModuleOwner* owner);
    ~TestGain() override;
    void Open() override;
    void HandleEvent(ModuleEvent* event, int offset) override;
    void Run(int start, int count);

    float gain = 1.0f;
    std::vector<float> gainEvents;
};

Mox_ModuleBase* CreateTestModule(int16_t code, ModuleOwner* owner, bool startDisabled);

// Helpers to write a description record: Link(pin, source[, sourcePin]).
GraphRecord Record(int16_t code, std::initializer_list<GraphLink> links);
GraphLink ModuleLink(uint8_t pin, int16_t sourceCode, uint8_t sourcePin);
GraphLink ConstantLink(uint8_t pin, int constantEntry);
GraphLink ControlLink(uint8_t pin, int parameterIndex);
GraphLink SettingLink(int setting, int16_t value);
GraphRecord EndOfDescription();
