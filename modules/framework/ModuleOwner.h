// What a module sees of the effect object that owns it: the running clock, the
// block geometry, the module table, the control values, the shared lookup tables,
// the event pool, and the few operations modules call back (display data, bank
// file, control events). The effect object derives from this; module tests use a
// small stand-in owner instead of the whole plug-in.
#pragma once

#include <atomic>
#include <cstdint>

#include "modules/framework/ModuleEvent.h"
#include "modules/framework/SharedTables.h"

class Mox_ModuleBase;

// Record passed with display data to an editor element (meters, scope, images).
struct DisplayMessage {
    union {
        const void* data;   // null for single values
        uint64_t dataBits;  // keeps the field 64 bits wide on 32-bit builds too
    };
    int32_t aux;   // auxiliary integer (meter type for codes 104 and 110)
    int32_t code;  // what the message carries
    float value;   // single value
};

// The four values a display feeder sends with code 6 (its data pointer) to the
// element that shows the dynamics: the lowest and the highest gain the envelope
// applied since the previous send and the gain it applies now (linear, make-up
// divided out: 1 is no change), and the level the detector hears now (dB).
enum DisplayDynamics : int { kGainLowest = 0, kGainHighest = 1, kGainNow = 2, kDetectedDb = 3 };

// An editor element and the display code a module sends it.
struct DisplayTarget {
    int16_t tag;
    int32_t code;
};

// The waveform capture a display feeder hands to the scope (codes 3, 4 and 5):
// 1024 samples followed by the ready flag. The feeder fills the samples only while
// the flag is 0 and stores the capture's code in it (release) once they are
// complete; the editor reads the samples after loading a nonzero flag (acquire)
// and stores 0 (release) when it is done with them.
struct alignas(16) DisplayCapture {
    static constexpr int kSamples = 1024;
    float samples[kSamples];
    std::atomic<float> ready;
};

class ModuleOwner : public SharedTables {
public:
    static constexpr int kMaxModules = 200;
    static constexpr int kFirstGraphCode = 6000;
    static constexpr int kGraphCodeCount = 388;  // codes 6000..6387
    static constexpr int kIndexCount = 92;       // parameter indices 0..91
    static constexpr int kMaxChunk = 128;        // longest chunk the graph runs

    ModuleOwner();
    virtual ~ModuleOwner() = default;
    ModuleOwner(const ModuleOwner&) = delete;
    ModuleOwner& operator=(const ModuleOwner&) = delete;

    // Operations that modules call on their owner.
    virtual float ModuleSampleRate() const { return static_cast<float>(sampleRateInt); }
    virtual void PostToEditor(int32_t index, const DisplayMessage* message) = 0;
    // True while an editor takes display data. The display feeders ask once per
    // chunk and sleep while it is false (audio thread; a plain load).
    virtual bool DisplayOpen() const { return false; }
    // Changes every time an editor opens (audio thread; a plain load): a feeder
    // that sees it change drops what it measured before the open.
    virtual uint32_t DisplaySession() const { return 0; }

    // The display feeders register at Open; the owner wakes them at the start of
    // every host block while the display is open, so that a closed editor costs
    // them nothing per chunk.
    static constexpr int kMaxDisplayModules = 4;
    void AddDisplayModule(Mox_ModuleBase* module);
    void WakeDisplayModules();
    void ClearDisplayModules() { displayModuleCount = 0; }
    // Saves the preset bank to its file. Modules call it on the audio thread: the
    // owner only records the request and writes the file elsewhere.
    virtual void SaveBankFile() = 0;
    // Opens a web address (a string that lives for the program's life) in the
    // user's browser; likewise only requested on the audio thread.
    virtual void OpenAddress(const char* /*address*/) {}
    virtual void SendControlEvent(uint32_t time, int32_t index, uint16_t state, int32_t intValue,
                                  float controlValue) = 0;
    virtual void ConnectControl(Mox_ModuleBase* receiver, int32_t receiverIndex, int32_t index,
                                uint16_t receiverPin, int16_t count, int16_t stride,
                                int32_t noEventLink) = 0;

    // The module at a table index, or null outside the table.
    Mox_ModuleBase* ModuleAt(int index) const {
        return index >= 0 && index < kMaxModules ? modules[index] : nullptr;
    }

    // True right after a program change or a graph rebuild (until the chunk ends):
    // gliding modules then jump to new values instead of gliding.
    bool SnapRequested() const;

    ModuleEvent* TakeEvent() { return eventPool.Take(); }
    void GiveEvent(ModuleEvent* e) { eventPool.Give(e); }
    int FreeEventCount() const { return eventPool.freeCount(); }

    float* hostInputs[4];          // host-input module's buffers: L, R, side L, side R
    int32_t snapAfterProgram;      // -1 after setProgram until the chunk ends
    int32_t snapAfterBuild;        // -1 after a rebuild until the chunk ends
    int32_t voiceCount;            // voices of a voice group (none in this graph)
    uint32_t runningTime;          // sample time at the start of the current chunk
    int32_t chunkOffset;           // buffer position of the next chunk, 0..blockSize-1
    Mox_ModuleBase* modules[kMaxModules];  // the module table, in run order
    int16_t moduleOfCode[kGraphCodeCount]; // graph code - 6000 -> table index
    int32_t moduleCount;           // modules in the table; 0 before the first build
    Mox_ModuleBase* displayModules[kMaxDisplayModules];  // registered display feeders
    int32_t displayModuleCount;
    int32_t sampleRateInt;         // host sample rate, truncated
    int32_t builtSampleRate;       // sampleRateInt at the last build
    int32_t frequencyLimit;        // clamp of the frequency-mapped tables, Hz
    float samplesPerMs;            // sampleRateInt * 0.001
    float blockMilliseconds;       // internal block length in ms
    int32_t internalBlockSize;     // min(host block size, 128)
    int32_t builtBlockSize;        // internalBlockSize at the last build
    float controlValues[kIndexCount + 1];             // control value of each index
    ConnectionNode* controlConnections[kIndexCount];  // receivers of each index

protected:
    EventPool eventPool;
};

// Reads a control value that another thread may write whole (a plain load on x86;
// the atomic access keeps the hand-over visible to thread checkers).
float LoadControl(const float* value);
void StoreControl(float* target, float value);

// Integer form of a control value x: the display value x * 10 rounded, halves up.
int32_t IntegerForm(float controlValue);
