// Mox_DSP_VST: the effect object, root of the plug-in.
//
// It publishes the AEffect record, owns the module table and runs the signal
// graph in chunks of at most 128 samples, keeps the value of every parameter
// index and fans control values out to module inputs as module events, holds the
// preset bank, builds the lookup tables that all modules share, and owns the
// editor.
//
// Threads: processReplacing, processEvents, suspend and resume run on the host's
// audio thread, and with them every module (a host that reconfigures from another
// thread while audio runs meets the gate: see GraphGate). Parameters, programs, chunks and the
// editor may be driven from any other thread: their control events reach the
// modules through a lock-free hand-over that the audio thread drains at the start
// of every chunk. Display data travels the other way through a mailbox.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "host/BackgroundWorker.h"
#include "host/ChunkSnapshots.h"
#include "host/ControlHandOver.h"
#include "host/DisplayMailbox.h"
#include "host/GraphGate.h"
#include "host/LatencyWatch.h"
#include "host/NoteMailbox.h"
#include "host/PresetBank.h"
#include "modules/framework/GraphBuilder.h"
#include "modules/framework/ModuleOwner.h"
#include "sdk/AudioEffectX.h"

// An editor window that wants to hear incoming notes: note number, plus 256 for a
// note-on, or -1 for all notes off. Called on the editor's thread only, from
// Mox_DSP_VST::DeliverNotes, never on the audio thread.
class NoteListener {
public:
    virtual ~NoteListener() = default;
    virtual void NoteReceived(int32_t note) = 0;
};

// The file the bank is saved to: VST_PatchMemoryBanks.mem in the user's home.
std::string BankFilePath();

class Mox_DSP_VST : public AudioEffectX, public ModuleOwner {
public:
    static constexpr int32_t kUniqueID = VstFourCC('O', 'T', 's', 'q');
    static constexpr const char* kFactoryBankName = "VST_PatchMemoryBanks.mem";
    static constexpr int32_t kLookAheadIndex = 15;  // "LookAhead", 0..50 ms

    explicit Mox_DSP_VST(audioMasterCallback audioMaster);
    ~Mox_DSP_VST() override;

    // The SDK's dispatcher, then, after the calls a host makes from its user-
    // interface or idle thread (editor idle, parameter and program texts), a
    // settled change of the look-ahead latency is told to the host (see
    // TellSettledLatency). Any thread; the audio-thread opcodes never call the host.
    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;

    // ----- host life cycle (audio thread) -----
    void suspend() override;
    void resume() override;
    void setSampleRate(float rate) override;
    void setBlockSize(int32_t size) override;
    void processReplacing(float** inputs, float** outputs, int32_t frames) override;
    void process(float** /*inputs*/, float** /*outputs*/, int32_t /*frames*/) override {}
    void processDoubleReplacing(double**, double**, int32_t) override {}

    // ----- parameters and programs (any thread) -----
    void setProgram(int32_t program) override;
    void setParameter(int32_t index, float normalised) override;
    float getParameter(int32_t index) override;
    // setParameter, then the host is told of changes to host parameters (0..46).
    void setParameterAutomated(int32_t index, float normalised) override;
    void getParameterName(int32_t index, char* text) override;
    void getParameterLabel(int32_t index, char* text) override;
    void getParameterDisplay(int32_t index, char* text) override;

    // ----- programs and chunks (host's user-interface thread) -----
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
    // The chunk is a copy of the bank (or of the current record) taken when the
    // host asks: the live bank changes under automation and MIDI from other
    // threads while the host copies it. Bank and program chunks have buffers of
    // their own (see ChunkSnapshots): what was handed out stays as it was at least
    // until the next request of the same kind, and requests from two threads at
    // once never fill one buffer together. Any non-audio thread.
    int32_t getChunk(void** data, bool isPreset) override;
    int32_t setChunk(void* data, int32_t byteSize, bool isPreset) override;

    // ----- identification, pins, capabilities (any thread) -----
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    // The project's version as the VST convention packs it (1.0.0 is 1000).
    int32_t getVendorVersion() override;
    int32_t getVstVersion() override { return kVstVersion; }
    int32_t getPlugCategory() override { return kPlugCategMastering; }
    int32_t getNumMidiInputChannels() override { return 16; }
    int32_t getNumMidiOutputChannels() override { return 0; }
    int32_t getTailSize() override { return 0; }
    bool getInputProperties(int32_t index, VstPinProperties* properties) override;
    bool getOutputProperties(int32_t index, VstPinProperties* properties) override;
    bool getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) override;
    int32_t canDo(char* text) override;
    // Our own offline host's editor picture (orva-render --editor-png), as vendor-
    // specific calls with index kEditorPictureCall: value 1 opens the editor without
    // a window (at the pixel scale opt: 1, 1.5 or 2; 0 is 1), 2 runs one frame-timer
    // tick, 3 draws it and writes the PNG file named by ptr, 0 closes it. Answers 1
    // when done, 0 otherwise.
    static constexpr int32_t kEditorPictureCall = VstFourCC('O', 'T', 'e', 'd');
    intptr_t vendorSpecific(int32_t index, intptr_t value, void* ptr, float opt) override;
    // The editor size the user chose for this instance, in percent (100, 150 or
    // 200), or 0 to follow the screen's Xft.dpi. It lives as long as the instance
    // and is never written into a chunk.
    int32_t editorSizePercent = 0;

    // ----- MIDI input (audio thread, before the block's processReplacing) -----
    int32_t processEvents(VstEvents* events) override;

    // ----- own operations, in slot order -----
    virtual void BuildGraph();
    virtual void SetMidiAssignment(int32_t index, int32_t controller);
    virtual int32_t GetMidiAssignment(int32_t index);
    // Editor-side entry: an element sets a value in its own units (control value).
    virtual void setControlValue(int32_t index, float controlValue, bool notify);
    void PostToEditor(int32_t index, const DisplayMessage* message) override;
    bool DisplayOpen() const override { return mailbox.IsOpen(); }
    uint32_t DisplaySession() const override { return mailbox.Session(); }
    // Asks the worker thread to write the bank file (any thread; never blocks).
    void SaveBankFile() override;
    // Asks the worker thread to open a web address (any thread; never blocks).
    void OpenAddress(const char* address) override;
    virtual void LoadBankResource(const char* resourceName);
    void SendControlEvent(uint32_t time, int32_t index, uint16_t state, int32_t intValue,
                          float controlValue) override;
    virtual void SendNoteToGraph(int32_t packedMessage);
    virtual void SetSkin(int32_t skin);
    void ConnectControl(Mox_ModuleBase* receiver, int32_t receiverIndex, int32_t index,
                        uint16_t receiverPin, int16_t count, int16_t stride,
                        int32_t noEventLink) override;

    float ModuleSampleRate() const override { return sampleRate; }

    // ----- latency (the look-ahead delay of the output) -----
    // The look-ahead in whole samples at the running rate: exactly what the
    // audio's delay line delays by. Any thread.
    int32_t LookAheadLatency() const;
    // Published as initialDelay at construction, at every resume and with every
    // program or chunk load (before the next block). A change while running (a
    // drag, automation, MIDI) is published and told to the host with
    // audioMasterIOChanged once it has held still for LatencyWatch::kSettleMs,
    // at a host call on a thread other than the audio thread: nowMs is that
    // call's steady time. Answers true when the host was told. Never on the
    // audio thread (answers false there).
    bool TellSettledLatency(int64_t nowMs);
    // The editor elements the display feeders tell the meter type to (tag and
    // code), and the parameter index that sets the type (-1 when none), read from
    // the graph description: an editor that opens shows the type in force at once,
    // whether or not audio runs. Answers how many targets it wrote. Any thread.
    int MeterTypeTargets(DisplayTarget* out, int max, int16_t& parameter) const;

    // Normalised value held for a host parameter (0 for other indices).
    float NormalisedValue(int32_t index) const;
    // Control value of an index (0 outside 0..91).
    float ControlValue(int32_t index) const;

    DisplayMailbox& displayMailbox() { return mailbox; }
    BackgroundWorker& worker() { return backgroundWorker; }
    // Writes the bank, raw, to a file; false when it cannot be written.
    bool SaveBankFileTo(const char* path) const;
    int presetMemoryCounter() const;

    // ----- note listeners (the editor's thread) -----
    // The audio thread only posts incoming notes to a mailbox while someone
    // listens; DeliverNotes, called by the editor's timer, hands them to the
    // listeners on the editor's thread. A listener may therefore be removed (and
    // destroyed) at any time, also while MIDI arrives. Add answers false when all
    // eight places are taken (or for null); adding one twice keeps one place.
    bool AddNoteListener(NoteListener* listener);
    void RemoveNoteListener(NoteListener* listener);
    // Tells every listener the notes that arrived since the last call; answers how many.
    int DeliverNotes();

    // Fields, in declaration order (the SDK base and ModuleOwner hold the rest).
    int32_t lastMidiController;     // last MIDI controller received, -1 after resume
    int32_t notRunning;             // -1 while suspended or rebuilding
    float loadedNormalised[92];     // values 0..46 as last loaded by setProgram
    int32_t globalDisplayTags[2];   // editor's preset number and name displays
    int32_t loadingProgram;         // -1 while setProgram applies values
    int32_t editorBuilding;         // -1 while the editor builds its controls
    AEffEditor* editorObject;       // the editor, also registered as the SDK editor
    PresetMemory* globalRecord;     // preset memory 0
    PresetMemory* currentRecord;    // the current program's memory
    Mox_DSP_VST* self;
    PresetMemory* bank;             // 128 preset memories

protected:
    // The description and module factory used by BuildGraph.
    const GraphRecord* graphDescription;
    ModuleFactory moduleFactory;
    float constantPool[kConstantPoolSize];

    // setParameter; programChange marks the value as part of a program change.
    void ApplyParameter(int32_t index, float normalised, bool programChange);
    // Sends a control change into the graph: at once on the audio thread, else
    // through the hand-over. Values of a program change are taken by the graph at
    // once (no glide), in whichever chunk they arrive.
    void RouteControlChange(int32_t index, float controlValue, bool programChange = false);
    void DrainHandOver();
    void DestroyGraph();
    void RebuildGraph();
    void SendAllControlValues();
    void FileNormalised(int32_t index, float normalised);
    void TellNoteListeners(int32_t note);
    // Stores the latency in the AEffect record, where the host reads it.
    void PublishLatency(int32_t samples);
    // The steady clock of TellSettledLatency's dispatcher calls, in ms.
    virtual int64_t SteadyMilliseconds() const;

    NoteListener* noteListeners[8]; // editor windows told about incoming notes (editor thread)
    NoteMailbox noteMailbox;        // incoming notes, audio thread to editor thread
    std::atomic<bool> notesWanted{false};  // some listener is registered

    ControlHandOver handOver;
    // Closed by suspend, resume and the sample-rate and block-size changes while
    // they touch the graph; processing that meets it closed answers silence.
    GraphGate gate;
    DisplayMailbox mailbox;
    BackgroundWorker backgroundWorker;
    ChunkSnapshots bankChunks{kProgramCount};  // what getChunk hands out for the bank
    ChunkSnapshots programChunks{1};           // and for one program
    LatencyWatch latencyWatch;                 // when a latency change is told to the host
};

// Formats a display value into at most 8 characters, e.g. 2 -> "2.000000",
// 300 -> "300.0000", -16.1 -> "-16.1000".
void FormatDisplayValue(float value, char* text);

// True while the calling thread is inside one of the effect's audio-thread entries.
bool OnAudioThread();

// Marks the calling thread as the audio thread for the scope's lifetime and sets
// flush-to-zero / denormals-are-zero, restoring the caller's state afterwards.
class AudioThreadScope {
public:
    AudioThreadScope();
    ~AudioThreadScope();
    AudioThreadScope(const AudioThreadScope&) = delete;
    AudioThreadScope& operator=(const AudioThreadScope&) = delete;

private:
    bool wasOnAudioThread_;
    unsigned int savedCsr_;
};
