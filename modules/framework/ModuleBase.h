// Mox_ModuleBase: the base of every signal-processing module.
//
// A module has 64 input and 64 output pins carrying blocks of float samples, a
// time-ordered queue of module events, and one connection list per output pin.
// ProcessBlock runs the module's current process routine only up to the sample of
// the next queued event, delivers the event, and continues, so that every change
// takes effect at an exact sample. Everything here runs on the audio thread.
#pragma once

#include <cstdint>

#include "modules/framework/ModuleEvent.h"
#include "modules/framework/ModuleOwner.h"

class Mox_ModuleBase {
public:
    static constexpr int kPinCount = 64;
    static constexpr int kSettingCount = 16;

    enum Flags : uint32_t {
        kAsleep = 1u << 0,    // nothing to compute until the next event
        kDisabled = 1u << 1,  // switched off: events are delivered, nothing is computed
    };

    // A process routine: one of the module's own operations, taking the buffer
    // position of the first sample and the number of samples.
    using ProcessRoutine = void (Mox_ModuleBase::*)(int start, int count);

    Mox_ModuleBase(ModuleOwner* owner, bool startDisabled);
    virtual ~Mox_ModuleBase();
    Mox_ModuleBase(const Mox_ModuleBase&) = delete;
    Mox_ModuleBase& operator=(const Mox_ModuleBase&) = delete;

    virtual void SleepProcess(int start, int count);
    virtual void Process(int start, int count);
    virtual void Open() {}
    virtual void Close() {}
    virtual void Reset() {}
    virtual void Resume() {}
    virtual void Disable() { flags |= kDisabled; }
    virtual void Spare() {}
    virtual void SetBlockSize(int32_t size) { blockSize = size; }
    // The sample-accurate sub-block loop: runs `process` between queued events.
    virtual void ProcessBlock(int start, int count);
    virtual void HandleEvent(ModuleEvent* /*event*/, int /*offset*/) {}
    virtual float* GetOutput(uint16_t pin);
    virtual void QueueEvent(uint32_t time, uint16_t pin, uint16_t state, int32_t intValue,
                            float floatValue, void* payload);
    virtual void SendEvent(uint32_t time, uint16_t outputPin, uint16_t state, int32_t intValue,
                           float floatValue, void* payload);
    virtual void Connect(Mox_ModuleBase* receiver, int32_t receiverIndex, uint16_t outputPin,
                         uint16_t receiverPin, int16_t count, int16_t stride, int32_t noEventLink);
    virtual void OnOutputConnected(uint16_t /*outputPin*/) {}
    virtual void AttachVoiceOutput(Mox_ModuleBase* /*receiver*/, uint16_t /*sourcePin*/,
                                   uint16_t /*receiverPin*/, int32_t /*voice*/) {}
    virtual void AttachVoiceInputs(Mox_ModuleBase* /*splitter*/, int32_t /*sourceIndex*/,
                                   int32_t /*voiceCount*/, int32_t /*stride*/,
                                   uint16_t /*sourcePin*/, uint16_t /*receiverPin*/) {}
    virtual void SetInput(uint16_t pin, float* value);
    virtual void SetSetting(uint16_t index, int16_t value);
    virtual void SetIdleCallback(void (*callback)(Mox_ModuleBase*)) { idleCallback = callback; }
    virtual void SetProcess(ProcessRoutine routine) { process = routine; }

    // Runs the current routine on a segment (used by the loop; public for tests).
    void RunProcess(int start, int count) { (this->*process)(start, count); }

    bool QueueEmpty() const { return eventHead == nullptr; }

    // Allocates a zero-filled signal buffer of blockSize floats plus 16 bytes of
    // slack, 16-byte aligned; freed with FreeSignalBuffer.
    static float* AllocateSignalBuffer(int32_t blockSize);
    static void FreeSignalBuffer(float*& buffer);

    float* outputs[kPinCount];          // signal buffer of each output pin, null if none
    float* inputs[kPinCount];           // what each input pin reads, null until connected
    int16_t settings[kSettingCount];    // per-module settings from the graph description
    ModuleEvent* eventHead;             // earliest queued event
    ModuleEvent* eventTail;             // latest queued event
    ModuleOwner* owner;                 // the effect object
    uint32_t currentTime;               // sample time processed up to within the chunk
    int32_t blockSize;                  // internal block size: capacity of every buffer
    uint32_t flags;                     // kAsleep, kDisabled
    ConnectionNode* connections[kPinCount];  // receivers of each output pin

protected:
    ProcessRoutine process;             // the current process routine
    void (*idleCallback)(Mox_ModuleBase*);
};

// Casts a derived module's operation to a process routine.
template <typename Module>
Mox_ModuleBase::ProcessRoutine AsProcess(void (Module::*routine)(int, int)) {
    return static_cast<Mox_ModuleBase::ProcessRoutine>(routine);
}
