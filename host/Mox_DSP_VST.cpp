#include "editor/Mox_GUI_Editor.h"
#include "host/Mox_DSP_VST.h"
#include "host/EntryTexts.h"

#include <pwd.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define ORVA_HAVE_CSR 1
#endif

#include "OrvaVersion.h"
#include "host/ControlTable.h"
#include "modules/analysis/WaveFreqDisplay.h"
#include "modules/dynamics/DelayST.h"
#include "modules/framework/GraphDescription.h"
#include "modules/framework/ModuleBase.h"
#include "platform/DisplayScale.h"
#include "platform/Resources.h"

namespace {

thread_local bool tOnAudioThread = false;

// Counter that numbers new preset memories ("Empty  1" ...), shared by the library.
int gPresetCounter = 0;

constexpr int kMaxNameChars = 20;
constexpr int kDisplayChars = 8;

void StoreWord(int32_t& word, int32_t value) {
    std::atomic_ref<int32_t>(word).store(value, std::memory_order_relaxed);
}

// The current record changes with setProgram on the host's user-interface thread
// while setParameter files values into it from other threads.
PresetMemory* LoadRecord(PresetMemory* const& record) {
    return std::atomic_ref<PresetMemory*>(const_cast<PresetMemory*&>(record)).load(std::memory_order_relaxed);
}

// A normalised value held to 0..1 (not NaN, which callers turn away first).
float ClampNormalised(float normalised) {
    return normalised < 0.0f ? 0.0f : (normalised > 1.0f ? 1.0f : normalised);
}

// Copies n samples, each non-finite one (NaN, infinity) as silence: v - v is 0
// for every finite v only. The form keeps the loop a plain select.
void CopyFinite(float* to, const float* from, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        const float v = from[i];
        to[i] = v - v == 0.0f ? v : 0.0f;
    }
}

}  // namespace

bool OnAudioThread() { return tOnAudioThread; }

AudioThreadScope::AudioThreadScope() : wasOnAudioThread_(tOnAudioThread), savedCsr_(0) {
    tOnAudioThread = true;
#ifdef ORVA_HAVE_CSR
    savedCsr_ = _mm_getcsr();
    _mm_setcsr(savedCsr_ | 0x8040u);  // flush-to-zero | denormals-are-zero
#endif
}

AudioThreadScope::~AudioThreadScope() {
#ifdef ORVA_HAVE_CSR
    _mm_setcsr(savedCsr_);
#endif
    tOnAudioThread = wasOnAudioThread_;
}

// ---------------------------------------------------------------------------
// Construction and destruction

Mox_DSP_VST::Mox_DSP_VST(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kProgramCount, kPresetParamCount),
      graphDescription(kGraphDescription),
      moduleFactory(CreateModuleOfCode),
      backgroundWorker([this] {
          const std::string path = BankFilePath();
          SaveBankFileTo(path.c_str());
      }) {
    // Clear the fields.
    lastMidiController = -1;
    notRunning = 0;
    for (NoteListener*& l : noteListeners) l = nullptr;
    for (float& v : loadedNormalised) v = 0.0f;
    globalDisplayTags[0] = globalDisplayTags[1] = 0;
    loadingProgram = 0;
    editorBuilding = -1;
    editorObject = nullptr;
    globalRecord = currentRecord = nullptr;
    self = this;
    bank = nullptr;
    FillConstantPool(constantPool);

    BuildControlIndexMaps();

    curProgram = 0;
    gPresetCounter = 0;
    programsAreChunks(true);

    bank = new (std::nothrow) PresetMemory[kProgramCount];
    if (bank) {
        for (int n = 0; n < kProgramCount; ++n) InitialisePresetMemory(bank[n], gPresetCounter);
        globalRecord = &bank[0];
        currentRecord = &bank[0];
    }

    // The editor registers itself (and the has-editor flag); it opens on request.
    new Mox_GUI_Editor(this);

    LoadBankResource(kFactoryBankName);

    sampleRateInt = static_cast<int32_t>(sampleRate);
    samplesPerMs = static_cast<float>(sampleRateInt) * 0.001f;
    internalBlockSize = blockSize <= kMaxChunk ? blockSize : kMaxChunk;
    frequencyLimit = sampleRateInt * 49 / 100;
    BuildFor(sampleRateInt, frequencyLimit);

    if (audioMaster) {
        setNumInputs(4);
        setNumOutputs(2);
        setUniqueID(kUniqueID);
        setVersion(ORVA_VST_VERSION);
        noSoundInStop(false);
        canProcessReplacing(true);
        wantEvents(1);
    }

    if (bank) setProgram(0);
    // What the host reads as it loads the plug-in.
    const int32_t latency = LookAheadLatency();
    PublishLatency(latency);
    latencyWatch.Start(latency);
}

Mox_DSP_VST::~Mox_DSP_VST() {
    // The editor goes first: closing it still reads this effect's mailbox.
    if (editorObject) {
        setEditor(nullptr);
        delete editorObject;
        editorObject = nullptr;
    }
    backgroundWorker.Stop();  // a save in progress reads the bank
    delete[] bank;
    bank = globalRecord = currentRecord = nullptr;
    for (int i = 0; i < moduleCount; ++i) {
        if (modules[i]) {
            modules[i]->Close();
            delete modules[i];
            modules[i] = nullptr;
        }
    }
    moduleCount = 0;
    for (ConnectionNode*& list : controlConnections) FreeConnectionList(list);
    // The SDK base deletes the editor.
}

int Mox_DSP_VST::presetMemoryCounter() const { return gPresetCounter; }

// ---------------------------------------------------------------------------
// Host life cycle

void Mox_DSP_VST::suspend() {
    GraphGate::Closed closed(gate);
    AudioThreadScope scope;
    notRunning = -1;
    mailbox.NoteStopped();  // an open editor lets its meters fall
    for (int i = 0; i < moduleCount; ++i) {
        Mox_ModuleBase* m = modules[i];
        if (!m) continue;
        m->Reset();
        // The clock restarts at 0: events still queued on the old clock are due at once.
        for (ModuleEvent* e = m->eventHead; e; e = e->next) e->time = 0;
    }
    runningTime = 0;
    chunkOffset = 0;
}

void Mox_DSP_VST::resume() {
    GraphGate::Closed closed(gate);
    AudioThreadScope scope;
    std::atomic_ref<int32_t>(lastMidiController).store(-1, std::memory_order_relaxed);
    if (internalBlockSize != builtBlockSize || sampleRateInt != builtSampleRate) {
        notRunning = -1;
        RebuildGraph();
    } else {
        for (int i = 0; i < moduleCount; ++i)
            if (modules[i]) modules[i]->Resume();
    }
    PublishLatency(LookAheadLatency());  // at the rate the graph now runs at
    notRunning = 0;
}

void Mox_DSP_VST::DestroyGraph() {
    for (int i = moduleCount - 1; i >= 0; --i) {
        if (modules[i]) {
            modules[i]->Close();
            delete modules[i];
            modules[i] = nullptr;
        }
    }
    moduleCount = 0;
    ClearDisplayModules();
    for (float*& p : hostInputs) p = nullptr;
}

void Mox_DSP_VST::RebuildGraph() {
    builtBlockSize = internalBlockSize;
    builtSampleRate = sampleRateInt;
    blockMilliseconds = static_cast<float>(internalBlockSize) * 1000.0f /
                        static_cast<float>(sampleRateInt > 0 ? sampleRateInt : 44100);
    DestroyGraph();
    chunkOffset = 0;
    StoreWord(snapAfterProgram, -1);
    StoreWord(snapAfterBuild, -1);
    BuildGraph();
    for (int i = 0; i < moduleCount; ++i)
        if (modules[i]) modules[i]->Open();
    // Changes handed over before this point are in controlValues already and go out
    // with all the others; only later ones stay queued.
    handOver.Drain([](int32_t, float) {}, [](int32_t) { return 0.0f; });
    SendAllControlValues();
}

void Mox_DSP_VST::SendAllControlValues() {
    for (int index = 0; index < kIndexCount; ++index) {
        float cv = LoadControl(&controlValues[index]);
        SendControlEvent(runningTime, index, 0, IntegerForm(cv), cv);
    }
}

void Mox_DSP_VST::BuildGraph() {
    BuildGraphFrom(*this, graphDescription, moduleFactory, constantPool);
}

void Mox_DSP_VST::setSampleRate(float rate) {
    if (!(rate >= 1.0f && rate <= 10.0e6f)) return;  // NaN, zero or absurd rates keep the old one
    GraphGate::Closed closed(gate);  // the modules read the tables rebuilt here
    sampleRate = rate;
    sampleRateInt = static_cast<int32_t>(rate);
    samplesPerMs = static_cast<float>(sampleRateInt) * 0.001f;
    // The tables follow the running rate at once (the graph follows at the next
    // resume), whatever rate the graph was built at.
    frequencyLimit = sampleRateInt * 49 / 100;
    BuildFor(sampleRateInt, frequencyLimit);
}

void Mox_DSP_VST::setBlockSize(int32_t size) {
    if (size < 1) return;  // a block of no samples cannot size the graph
    GraphGate::Closed closed(gate);
    blockSize = size;
    internalBlockSize = size <= kMaxChunk ? size : kMaxChunk;
}

void Mox_DSP_VST::processReplacing(float** inputs, float** outputs, int32_t frames) {
    if (frames <= 0 || !outputs) return;
    float* out[2] = {outputs[0], outputs[1]};
    AudioThreadScope scope;

    // No graph yet, or another thread is rebuilding it right now: silence.
    const bool entered = gate.TryEnter();
    if (!entered || moduleCount == 0) {
        for (float* o : out)
            if (o) std::memset(o, 0, sizeof(float) * static_cast<size_t>(frames));
        if (entered) gate.Leave();
        return;
    }
    struct LeaveGate {
        GraphGate& gate;
        ~LeaveGate() { gate.Leave(); }
    } leave{gate};
    if (displayModuleCount > 0 && mailbox.IsOpen()) WakeDisplayModules();
    Mox_ModuleBase* last = modules[moduleCount - 1];
    // The module buffers hold builtBlockSize samples, whatever the host said since.
    const int32_t capacity = builtBlockSize > 0 ? builtBlockSize : 1;

    int32_t done = 0;
    while (frames > 0) {
        DrainHandOver();
        int32_t n = frames < kMaxChunk ? frames : kMaxChunk;
        if (chunkOffset + n > capacity) n = capacity - chunkOffset;

        for (int i = 0; i < 4; ++i) {
            float* dest = hostInputs[i];
            if (!dest) continue;
            const float* src = inputs ? inputs[i] : nullptr;
            // A NaN or infinity from the host enters as silence, on every path and
            // in every mode: it can neither reach the output through the delay nor
            // stay in a filter's memory.
            if (src)
                CopyFinite(dest + chunkOffset, src + done, n);
            else
                std::memset(dest + chunkOffset, 0, sizeof(float) * static_cast<size_t>(n));
        }

        for (int i = 0; i < moduleCount; ++i) {
            Mox_ModuleBase* m = modules[i];
            if (m && (m->flags == 0 || !m->QueueEmpty())) m->ProcessBlock(chunkOffset, n);
        }

        for (int c = 0; c < 2; ++c) {
            if (!out[c]) continue;
            const float* src = last ? last->outputs[c] : nullptr;
            // And the host never gets a non-finite sample back, not even from
            // finite input so large that the gain overflows it.
            if (src)
                CopyFinite(out[c] + done, src + chunkOffset, n);
            else
                std::memset(out[c] + done, 0, sizeof(float) * static_cast<size_t>(n));
        }

        chunkOffset += n;
        runningTime += static_cast<uint32_t>(n);
        StoreWord(snapAfterProgram, 0);
        StoreWord(snapAfterBuild, 0);
        if (chunkOffset >= capacity) chunkOffset = 0;
        frames -= n;
        done += n;
    }
}

// ---------------------------------------------------------------------------
// Control values

void Mox_DSP_VST::DrainHandOver() {
    handOver.Drain(
        [this](int32_t index, float cv, bool programChange) {
            // A program's values arrive with their mark, in this chunk or spread
            // over the next ones: each chunk that receives one takes them at once.
            if (programChange) StoreWord(snapAfterProgram, -1);
            SendControlEvent(runningTime, index, 0, IntegerForm(cv), cv);
        },
        [this](int32_t index) { return LoadControl(&controlValues[index]); });
}

void Mox_DSP_VST::RouteControlChange(int32_t index, float controlValue, bool programChange) {
    if (tOnAudioThread) {
        handOver.MarkSent(index);
        if (programChange) StoreWord(snapAfterProgram, -1);
        SendControlEvent(runningTime, index, 0, IntegerForm(controlValue), controlValue);
    } else {
        // Raising the snap flag here would not do: the chunk running now may end
        // and clear it before the drain delivers the values.
        handOver.Push(index, controlValue, programChange);
    }
}

void Mox_DSP_VST::SendControlEvent(uint32_t time, int32_t index, uint16_t state, int32_t intValue,
                                   float controlValue) {
    if (index < 0 || index >= kIndexCount) return;
    for (const ConnectionNode* node = controlConnections[index]; node; node = node->next) {
        const int receivers = node->count == 0 ? 1 : node->count;
        for (int k = 0; k < receivers; ++k) {
            Mox_ModuleBase* target = ModuleAt(node->targetIndex + k * node->stride);
            if (target)
                target->QueueEvent(time, node->targetPin, state, intValue, controlValue,
                                   &controlValues[index]);
        }
    }
}

void Mox_DSP_VST::ConnectControl(Mox_ModuleBase* receiver, int32_t receiverIndex, int32_t index,
                                 uint16_t receiverPin, int16_t count, int16_t stride,
                                 int32_t noEventLink) {
    if (index < 0 || index >= kIndexCount) return;
    if (!(count != 0 && noEventLink)) {
        ConnectionNode* node = new ConnectionNode{static_cast<int16_t>(receiverIndex), receiverPin,
                                                  count, stride, nullptr};
        ConnectionNode** tail = &controlConnections[index];
        while (*tail) tail = &(*tail)->next;
        *tail = node;
    }
    if (receiver) receiver->SetInput(receiverPin, &controlValues[index]);
}

void Mox_DSP_VST::FileNormalised(int32_t index, float normalised) {
    if (index < 0 || index >= kPresetParamCount || !bank) return;
    PresetMemory* record = (DescriptorOf(index).flags & kGlobalValue) ? globalRecord : LoadRecord(currentRecord);
    std::atomic_ref<float>(record->values[index]).store(normalised, std::memory_order_relaxed);
}

void Mox_DSP_VST::setParameter(int32_t index, float normalised) { ApplyParameter(index, normalised, false); }

void Mox_DSP_VST::ApplyParameter(int32_t index, float normalised, bool programChange) {
    if (index < 0 || index >= kIndexCount || std::isnan(normalised)) return;
    normalised = ClampNormalised(normalised);
    const ControlDescriptor& row = DescriptorOf(index);
    const float controlValue = ((row.high - row.low) * normalised + row.low) * 0.1f;
    StoreControl(&controlValues[index], controlValue);
    // A program's values come from its record, which keeps its bytes as loaded
    // (a chunk may hold values outside 0..1): only what is applied is held to 0..1.
    if (!programChange) FileNormalised(index, normalised);
    if (editorObject) editorObject->setParameter(index, normalised);
    RouteControlChange(index, controlValue, programChange);
}

float Mox_DSP_VST::NormalisedValue(int32_t index) const {
    if (index < 0 || index >= kPresetParamCount || !bank) return 0.0f;
    PresetMemory* record = (DescriptorOf(index).flags & kGlobalValue) ? globalRecord : LoadRecord(currentRecord);
    const float stored = std::atomic_ref<float>(record->values[index]).load(std::memory_order_relaxed);
    // A loaded chunk may hold anything; what is used is always a value in 0..1.
    if (std::isnan(stored)) return 0.0f;
    return stored < 0.0f ? 0.0f : (stored > 1.0f ? 1.0f : stored);
}

float Mox_DSP_VST::ControlValue(int32_t index) const {
    if (index < 0 || index >= kIndexCount) return 0.0f;
    return LoadControl(&controlValues[index]);
}

float Mox_DSP_VST::getParameter(int32_t index) { return NormalisedValue(index); }

void Mox_DSP_VST::setParameterAutomated(int32_t index, float normalised) {
    setParameter(index, normalised);
    // The host is told the value that was stored, held to 0..1 as setParameter
    // holds it, so that its automation lane records what the plug-in uses.
    if (index >= 0 && index < kPresetParamCount && !std::isnan(normalised))
        callHost(audioMasterAutomate, index, 0, nullptr, ClampNormalised(normalised));
}

void Mox_DSP_VST::setControlValue(int32_t index, float controlValue, bool notify) {
    if (index < 0 || index >= kIndexCount || std::isnan(controlValue)) return;
    const ControlDescriptor& row = DescriptorOf(index);
    const float range = row.high - row.low;
    const float normalised = range != 0.0f ? (controlValue * 10.0f - row.low) / range : 0.0f;
    StoreControl(&controlValues[index], controlValue);
    FileNormalised(index, normalised);
    if (editorObject) editorObject->setParameter(index, normalised);
    if (notify) RouteControlChange(index, controlValue);
}

void Mox_DSP_VST::setProgram(int32_t program) {
    if (program < 0 || program >= kProgramCount || !bank) return;
    curProgram = program;
    StoreWord(loadingProgram, -1);
    std::atomic_ref<PresetMemory*>(currentRecord).store(&bank[program], std::memory_order_relaxed);
    // Every value is marked as part of the program change, so that the graph takes
    // it at once (snapAfterProgram, raised where the value reaches the graph).
    for (int index = 0; index < kPresetParamCount; ++index) {
        float normalised = NormalisedValue(index);
        loadedNormalised[index] = normalised;
        ApplyParameter(index, normalised, true);
    }
    PublishLatency(LookAheadLatency());  // before the next block; the host is told once it settles
    StoreWord(loadingProgram, 0);
}

// ---------------------------------------------------------------------------
// Parameter texts

void Mox_DSP_VST::getParameterName(int32_t index, char* text) {
    if (!text) return;
    if (index < 0) {
        *text = 0;
    } else if (index < kPresetParamCount) {
        const char* label = DescriptorOf(index).label;
        vst_strncpy(text, label ? label : "z|", label ? kMaxNameChars : 8);
    } else {
        vst_strncpy(text, "z-", 8);
    }
}

void Mox_DSP_VST::getParameterLabel(int32_t /*index*/, char* text) {
    if (text) *text = 0;  // the unit is part of the tooltip only
}

void FormatDisplayValue(float value, char* text) {
    if (!text) return;
    if (std::isnan(value)) {
        vst_strncpy(text, "nan", kDisplayChars);
        return;
    }
    int pos = 0;
    double magnitude = std::fabs(static_cast<double>(value));
    if (value < 0.0f) text[pos++] = '-';
    if (std::isinf(value)) {
        vst_strncpy(text + pos, "inf", kDisplayChars - pos);
        return;
    }
    double integerPart = std::floor(magnitude);
    char digits[400];
    int n = std::snprintf(digits, sizeof digits, "%.0f", integerPart);
    for (int i = 0; i < n && pos < kDisplayChars; ++i) text[pos++] = digits[i];
    if (pos < kDisplayChars) {
        text[pos++] = '.';
        int fractionDigits = kDisplayChars - pos;
        double scaled = (magnitude - integerPart) * std::pow(10.0, fractionDigits);
        long long remainder = static_cast<long long>(scaled);
        for (int i = fractionDigits - 1; i >= 0; --i) {
            text[pos + i] = static_cast<char>('0' + remainder % 10);
            remainder /= 10;
        }
        pos += fractionDigits;
    }
    text[pos] = 0;
}

void Mox_DSP_VST::getParameterDisplay(int32_t index, char* text) {
    if (!text) return;
    *text = 0;
    if (index < 0 || index >= kPresetParamCount) return;
    const ControlDescriptor& row = DescriptorOf(index);
    const float value = ControlValue(index) * 10.0f;
    const int type = row.type;
    if (type == 16 || (type >= 19 && type <= 27) || type == 52) {
        const int items = optionCountOfIndex[index];
        if (items == 0) return;
        const int k = static_cast<int>(static_cast<float>(items - 1) * NormalisedValue(index));
        if (k >= 0 && k < items && CopyOptionItem(row.options, k, text, kDisplayChars)) return;
        FormatDisplayValue(value, text);
    } else if (type >= 41 && type <= 45) {
        // The start of the entry's stored text.
        const uint8_t ordinal = ordinalOfIndex[index];
        if (ordinal == 0xFF) return;
        PresetMemory* record = (row.flags & kGlobalValue) ? globalRecord : currentRecord;
        ReadEntryText(record, EntryTextKey(0, ordinal, false), text, kDisplayChars + 1);
    } else if (type >= 28 && type <= 40) {
        // Number fields and global displays carry no host parameter.
    } else {
        FormatDisplayValue(value, text);
    }
}

// ---------------------------------------------------------------------------
// MIDI map, editor, bank

void Mox_DSP_VST::SetMidiAssignment(int32_t index, int32_t controller) {
    if (index < 0 || index >= kPresetParamCount || !globalRecord) return;
    std::atomic_ref<int16_t>(globalRecord->midiMap[index]).store(static_cast<int16_t>(controller),
                                                                  std::memory_order_relaxed);
}

int32_t Mox_DSP_VST::GetMidiAssignment(int32_t index) {
    if (index < 0 || index >= kPresetParamCount || !globalRecord) return -1;
    // A loaded bank may hold anything here: what is no controller number is none.
    const int16_t controller = std::atomic_ref<int16_t>(globalRecord->midiMap[index]).load(std::memory_order_relaxed);
    return controller >= 0 && controller <= 127 ? controller : -1;
}

int Mox_DSP_VST::MeterTypeTargets(DisplayTarget* out, int max, int16_t& parameter) const {
    parameter = -1;
    int n = 0;
    // A description ends with a code above 6390.
    for (const GraphRecord* r = graphDescription; r && r->code <= 6390; ++r) {
        if (!IsDisplayFeederCode(r->code)) continue;
        int16_t linked = -1;
        const int found = Mox_DSP_Wave_Freq_Display::MeterTypeTargets(*r, linked, out + n, max - n);
        if (found > 0) parameter = linked;
        n += found;
    }
    return n;
}

void Mox_DSP_VST::PostToEditor(int32_t index, const DisplayMessage* message) {
    if (index < 0 || index >= kIndexCount || !message) return;
    mailbox.Post(index, *message);
}

std::string BankFilePath() {
    const passwd* user = getpwuid(getuid());
    if (!user || !user->pw_dir || !*user->pw_dir) return std::string();
    return std::string(user->pw_dir) + "/VST_PatchMemoryBanks.mem";
}

bool Mox_DSP_VST::SaveBankFileTo(const char* path) const {
    if (!bank || !path || !*path) return false;
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const size_t written = std::fwrite(bank, sizeof(PresetMemory), kProgramCount, file);
    const bool closed = std::fclose(file) == 0;
    return written == static_cast<size_t>(kProgramCount) && closed;
}

void Mox_DSP_VST::SaveBankFile() { backgroundWorker.RequestSave(); }

void Mox_DSP_VST::OpenAddress(const char* address) { backgroundWorker.RequestOpen(address); }

void Mox_DSP_VST::LoadBankResource(const char* resourceName) {
    if (!bank) return;
    const EmbeddedResource* resource = FindEmbeddedResource("DATA", resourceName);
    if (!resource || !resource->data) return;
    size_t records = resource->size / sizeof(PresetMemory);
    if (records > static_cast<size_t>(kProgramCount)) records = kProgramCount;
    std::memcpy(bank, resource->data, records * sizeof(PresetMemory));
}

void Mox_DSP_VST::SendNoteToGraph(int32_t packedMessage) {
    if (tOnAudioThread) SendControlEvent(runningTime, 48, 0, packedMessage, 0.0f);
}

void Mox_DSP_VST::SetSkin(int32_t /*skin*/) {
    // The editor has a single skin; nothing to swap.
}

intptr_t Mox_DSP_VST::vendorSpecific(int32_t index, intptr_t value, void* ptr, float opt) {
    auto* editor = static_cast<Mox_GUI_Editor*>(editorObject);
    if (index != kEditorPictureCall || !editor) return 0;
    switch (value) {
        case 0: editor->close(); return 1;
        case 1: {
            // Only the scales the skins are drawn for.
            double scale = 1.0;
            for (double s : orva::platform::kEditorScales)
                if (double(opt) == s) scale = s;
            return editor->openOffscreen(scale) ? 1 : 0;
        }
        case 2:
            if (!editor->isOpenNow()) return 0;
            editor->runTicks(1);
            return 1;
        case 3: return ptr && editor->writePicture(static_cast<const char*>(ptr)) ? 1 : 0;
        default: return 0;
    }
}
