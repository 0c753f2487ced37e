// What the effect object answers to the host beyond audio and parameters:
// identification, pins, capabilities, latency, program names, chunks and MIDI input.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "OrvaVersion.h"
#include "host/Mox_DSP_VST.h"
#include "modules/dynamics/DelayST.h"

namespace {

// Stores bytes [from, to) of one word of a preset record, taken from `bytes`, as
// one whole-word store: other threads read and write these words at any time.
template <typename Word>
void StoreWordBytes(Word& word, size_t from, size_t to, const uint8_t* bytes) {
    std::atomic_ref<Word> shared(word);
    Word value = from == 0 && to == sizeof(Word) ? Word{} : shared.load(std::memory_order_relaxed);
    std::memcpy(reinterpret_cast<uint8_t*>(&value) + from, bytes, to - from);
    shared.store(value, std::memory_order_relaxed);
}

// Copies one record out of the bank, each value and controller read whole.
void CopyRecord(PresetMemory& to, PresetMemory& from) {
    for (int i = 0; i < kPresetParamCount; ++i) {
        to.values[i] = std::atomic_ref<float>(from.values[i]).load(std::memory_order_relaxed);
        to.midiMap[i] = std::atomic_ref<int16_t>(from.midiMap[i]).load(std::memory_order_relaxed);
    }
    constexpr size_t kPlain = offsetof(PresetMemory, reserved);
    std::memcpy(reinterpret_cast<uint8_t*>(&to) + kPlain, reinterpret_cast<const uint8_t*>(&from) + kPlain,
                sizeof(PresetMemory) - kPlain);
}

// Copies `size` bytes into the bank from byte `offset` on, as memmove would. The
// values and the MIDI controller map are written word by word with atomic stores,
// because setParameter (from any thread, MIDI on the audio thread) writes values
// and the audio thread reads the map while a host loads a chunk from its user-
// interface thread; the rest of a record (reserved bytes, name) is only touched
// from that side and is copied plainly.
void StoreIntoBank(PresetMemory* bank, size_t offset, const uint8_t* source, size_t size) {
    constexpr size_t kRecord = sizeof(PresetMemory);
    constexpr size_t kValuesEnd = offsetof(PresetMemory, midiMap);
    constexpr size_t kMapEnd = offsetof(PresetMemory, reserved);
    uint8_t* target = reinterpret_cast<uint8_t*>(bank) + offset;
    std::vector<uint8_t> copy;
    const auto s = reinterpret_cast<uintptr_t>(source), t = reinterpret_cast<uintptr_t>(target);
    if (s + size > t && t + size > s && s != t) {
        copy.assign(source, source + size);  // a source inside the bank itself
        source = copy.data();
    }
    size_t at = offset;
    const size_t end = offset + size;
    while (at < end) {
        PresetMemory& record = bank[at / kRecord];
        const size_t inRecord = at % kRecord;
        if (inRecord == 0 && end - at >= kRecord) {  // a whole record
            const uint8_t* from = source + (at - offset);
            for (int i = 0; i < kPresetParamCount; ++i) {
                StoreWordBytes(record.values[i], 0, sizeof(float), from + sizeof(float) * i);
                StoreWordBytes(record.midiMap[i], 0, sizeof(int16_t), from + kValuesEnd + sizeof(int16_t) * i);
            }
            std::memcpy(reinterpret_cast<uint8_t*>(&record) + kMapEnd, from + kMapEnd, kRecord - kMapEnd);
            at += kRecord;
            continue;
        }
        size_t wordStart, wordSize;
        if (inRecord < kValuesEnd) {
            wordSize = sizeof(float);
            wordStart = inRecord - inRecord % wordSize;
        } else if (inRecord < kMapEnd) {
            wordSize = sizeof(int16_t);
            wordStart = inRecord - (inRecord - kValuesEnd) % wordSize;
        } else {
            const size_t n = std::min(kRecord - inRecord, end - at);
            std::memcpy(reinterpret_cast<uint8_t*>(&record) + inRecord, source + (at - offset), n);
            at += n;
            continue;
        }
        const size_t from = inRecord - wordStart;
        const size_t to = std::min(wordSize, from + (end - at));
        const uint8_t* bytes = source + (at - offset);
        if (wordSize == sizeof(float))
            StoreWordBytes(record.values[wordStart / sizeof(float)], from, to, bytes);
        else
            StoreWordBytes(record.midiMap[(wordStart - kValuesEnd) / sizeof(int16_t)], from, to, bytes);
        at += to - from;
    }
}

constexpr const char* kEffectName = "Orva_Tessmark";
constexpr const char* kVendorName = "Tessmark Audio";

struct PinDescription {
    const char* label;
    int32_t flags;
    int32_t arrangement;
};

constexpr PinDescription kInputPins[] = {
    {"Left In", kVstPinIsActive | kVstPinIsStereo, kSpeakerArrStereo},
    {"Right In", kVstPinIsActive, kSpeakerArrStereo},
    {"L Sidechain In", kVstPinIsActive | kVstPinIsStereo, kSpeakerArr40Music},
    {"R Sidechain In", kVstPinIsActive, kSpeakerArr40Music},
};
constexpr PinDescription kOutputPins[] = {
    {"Left Out", kVstPinIsActive | kVstPinIsStereo, kSpeakerArrStereo},
    {"Right Out", kVstPinIsActive | kVstPinIsStereo, kSpeakerArrStereo},
};

bool DescribePin(const PinDescription* pins, int count, int32_t index, VstPinProperties* properties) {
    if (!properties || index < 0 || index >= count) return false;
    vst_strncpy(properties->label, pins[index].label, kVstMaxLabelLen - 1);
    properties->flags = pins[index].flags;
    properties->arrangementType = pins[index].arrangement;
    return true;  // the short label stays as the host passed it
}

VstSpeakerArrangement MakeArrangement(int32_t type, int32_t channels,
                                      std::initializer_list<int32_t> speakerTypes) {
    VstSpeakerArrangement a;
    std::memset(&a, 0, sizeof a);
    a.type = type;
    a.numChannels = channels;
    int i = 0;
    for (int32_t t : speakerTypes) a.speakers[i++].type = t;
    return a;
}

// Answers of effCanDo: 1 can, -1 cannot, anything else 0. Hosts ask for MIDI
// input as "receiveVstMidiEvent" (Qtractor routes no MIDI to a plug-in that does
// not say yes to it); the plural form stays for hosts that ask that way.
struct Capability {
    const char* text;
    int32_t answer;
};
constexpr Capability kCapabilities[] = {
    {"receiveVstEvents", 1},
    {"receiveVstMidiEvent", 1},
    {"receiveVstMidiEvents", 1},
    {"receiveVstTimeInfo", 1},
    {"sendVstMidiEvent", -1},
    {"sendVstEvents", -1},
    {"offline", -1},
    {"bypass", -1},
    {"midiProgramNames", -1},
};

// Dispatcher calls that hosts make from their user-interface or idle thread, after
// which a settled latency change may be told to the host. Nothing that a host may
// send from its audio thread (events, mains, process start and stop, programs,
// bypass) and nothing around opening, closing or reconfiguring.
bool IsUserInterfaceCall(int32_t opcode) {
    switch (opcode) {
        case effEditIdle:
        case effIdle:
        case effGetParamDisplay:
        case effGetParamName:
        case effGetParamLabel:
        case effCanBeAutomated:
        case effGetProgramName:
        case effGetProgramNameIndexed: return true;
        default: return false;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Identification, pins, capabilities

bool Mox_DSP_VST::getEffectName(char* name) {
    vst_strncpy(name, kEffectName, kVstMaxEffectNameLen);
    return name != nullptr;
}

bool Mox_DSP_VST::getVendorString(char* text) {
    vst_strncpy(text, kVendorName, kVstMaxVendorStrLen);
    return text != nullptr;
}

bool Mox_DSP_VST::getProductString(char* text) {
    vst_strncpy(text, kEffectName, kVstMaxProductStrLen);
    return text != nullptr;
}

int32_t Mox_DSP_VST::getVendorVersion() { return ORVA_VST_VERSION; }

bool Mox_DSP_VST::getInputProperties(int32_t index, VstPinProperties* properties) {
    return DescribePin(kInputPins, 4, index, properties);
}

bool Mox_DSP_VST::getOutputProperties(int32_t index, VstPinProperties* properties) {
    return DescribePin(kOutputPins, 2, index, properties);
}

bool Mox_DSP_VST::getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) {
    // Built once and never written again, so the host may keep the pointers.
    static const VstSpeakerArrangement inputArrangement = MakeArrangement(
        kSpeakerArr40Music, 4, {kSpeakerL, kSpeakerR, kSpeakerUndefined, kSpeakerUndefined});
    static const VstSpeakerArrangement outputArrangement =
        MakeArrangement(kSpeakerArrStereo, 2, {kSpeakerL, kSpeakerR});
    if (!input || !output) return false;
    *input = const_cast<VstSpeakerArrangement*>(&inputArrangement);
    *output = const_cast<VstSpeakerArrangement*>(&outputArrangement);
    return true;
}

int32_t Mox_DSP_VST::canDo(char* text) {
    if (!text) return 0;
    for (const Capability& c : kCapabilities)
        if (std::strcmp(text, c.text) == 0) return c.answer;
    return 0;
}

// ---------------------------------------------------------------------------
// Latency

intptr_t Mox_DSP_VST::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    const intptr_t answer = AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
    if (IsUserInterfaceCall(opcode)) TellSettledLatency(SteadyMilliseconds());
    return answer;
}

int32_t Mox_DSP_VST::LookAheadLatency() const {
    // The look-ahead delay line takes the parameter's control value (ms / 10) in
    // its default unit and ring, at the rate the graph is built with at resume.
    const float rate = ModuleSampleRate();
    return Mox_DSP_Delay_ST::WholeSamples(LoadControl(&controlValues[kLookAheadIndex]),
                                          Mox_DSP_Delay_ST::MillisecondFactor(rate),
                                          Mox_DSP_Delay_ST::RingLength(Mox_DSP_Delay_ST::kDefaultSizeIndex, rate));
}

void Mox_DSP_VST::PublishLatency(int32_t samples) {
    // A plain word that the host reads from its own threads.
    std::atomic_ref<int32_t>(cEffect.initialDelay).store(samples, std::memory_order_relaxed);
}

bool Mox_DSP_VST::TellSettledLatency(int64_t nowMs) {
    if (OnAudioThread()) return false;
    const int32_t latency = LookAheadLatency();
    if (!latencyWatch.Check(latency, nowMs)) return false;
    PublishLatency(latency);
    callHost(audioMasterIOChanged);
    return true;
}

int64_t Mox_DSP_VST::SteadyMilliseconds() const {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
}

// ---------------------------------------------------------------------------
// Program names and chunks

void Mox_DSP_VST::setProgramName(char* name) {
    if (!name || !currentRecord) return;
    std::memset(currentRecord->name, 0, sizeof currentRecord->name);
    size_t n = 0;
    while (n < static_cast<size_t>(kVstMaxProgNameLen) && name[n]) ++n;
    std::memcpy(currentRecord->name, name, n);
}

void Mox_DSP_VST::getProgramName(char* name) {
    if (!name) return;
    if (!currentRecord) {
        *name = 0;
        return;
    }
    // Reads at most 24 bytes, so a loaded name without terminator cannot run on.
    vst_strncpy(name, currentRecord->name, kVstMaxProgNameLen);
}

bool Mox_DSP_VST::getProgramNameIndexed(int32_t /*category*/, int32_t index, char* text) {
    if (!text || !bank || index < 0 || index >= kProgramCount) return false;
    vst_strncpy(text, bank[index].name, kVstMaxProgNameLen);
    return true;
}

int32_t Mox_DSP_VST::getChunk(void** data, bool isPreset) {
    if (!data) return 0;
    *data = nullptr;
    if (!bank) return 0;
    PresetMemory* const current =
        std::atomic_ref<PresetMemory*>(currentRecord).load(std::memory_order_relaxed);
    const int first = isPreset ? static_cast<int>(current - bank) : 0;
    const int count = isPreset ? 1 : kProgramCount;
    PresetMemory* copy = (isPreset ? programChunks : bankChunks).Take([&](PresetMemory* to) {
        for (int r = 0; r < count; ++r) CopyRecord(to[r], bank[first + r]);
    });
    if (!copy) return 0;
    *data = copy;
    return count * static_cast<int32_t>(sizeof(PresetMemory));
}

int32_t Mox_DSP_VST::setChunk(void* data, int32_t byteSize, bool /*isPreset*/) {
    if (!data || byteSize <= 0 || !bank) return 0;
    const auto* source = static_cast<const uint8_t*>(data);
    if (byteSize == static_cast<int32_t>(sizeof(PresetMemory))) {
        PresetMemory* const current =
            std::atomic_ref<PresetMemory*>(currentRecord).load(std::memory_order_relaxed);
        StoreIntoBank(bank, static_cast<size_t>(current - bank) * sizeof(PresetMemory), source,
                      sizeof(PresetMemory));
    } else {
        const size_t bytes = byteSize < kBankBytes ? static_cast<size_t>(byteSize) : kBankBytes;
        StoreIntoBank(bank, 0, source, bytes);
    }
    // Stored bytes stay as loaded (they round-trip); values are held to 0..1 as
    // they are applied.
    setProgram(curProgram);
    return byteSize;
}

// ---------------------------------------------------------------------------
// MIDI input

void Mox_DSP_VST::TellNoteListeners(int32_t note) {
    // Audio thread: only filed; nothing is kept while nobody listens.
    if (notesWanted.load(std::memory_order_acquire)) noteMailbox.Post(note);
}

bool Mox_DSP_VST::AddNoteListener(NoteListener* listener) {
    if (!listener) return false;
    NoteListener** freePlace = nullptr;
    bool anyone = false;
    for (NoteListener*& place : noteListeners) {
        if (place == listener) return true;
        if (place) anyone = true;
        else if (!freePlace) freePlace = &place;
    }
    if (!freePlace) return false;
    if (!anyone) noteMailbox.Clear();  // notes from before the first listener are not news
    *freePlace = listener;
    notesWanted.store(true, std::memory_order_release);
    return true;
}

void Mox_DSP_VST::RemoveNoteListener(NoteListener* listener) {
    bool anyone = false;
    for (NoteListener*& place : noteListeners) {
        if (place == listener) place = nullptr;
        if (place) anyone = true;
    }
    if (!anyone) notesWanted.store(false, std::memory_order_release);
}

int Mox_DSP_VST::DeliverNotes() {
    return noteMailbox.TakeAll([this](int32_t note) {
        for (NoteListener* listener : noteListeners)
            if (listener) listener->NoteReceived(note);
    });
}

int32_t Mox_DSP_VST::processEvents(VstEvents* events) {
    if (!events) return 0;
    AudioThreadScope scope;
    // While another thread rebuilds the graph, the block's events have nowhere to go.
    if (!gate.TryEnter()) return 0;
    struct LeaveGate {
        GraphGate& gate;
        ~LeaveGate() { gate.Leave(); }
    } leave{gate};
    // An event's time lies inside the block it comes with; hosts and bridges do send
    // garbage stamps, which would otherwise wait in the queues for hours.
    const int32_t lastSample = blockSize > 1 ? blockSize - 1 : 0;
    // MIDI gives way before the event pool runs dry, so that the changes the graph
    // sends itself in this block still find records: past the reserve, the block's
    // remaining (newest) events are dropped.
    constexpr int kReserve = EventPool::kCapacity / 4;
    for (int32_t i = 0; i < events->numEvents; ++i) {
        if (FreeEventCount() < kReserve) break;
        const VstEvent* event = events->events[i];
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const uint32_t status = static_cast<uint8_t>(midi->midiData[0]);
        const uint32_t data1 = static_cast<uint8_t>(midi->midiData[1]);
        const uint32_t data2 = static_cast<uint8_t>(midi->midiData[2]);
        const uint32_t data3 = static_cast<uint8_t>(midi->midiData[3]);
        if (status >= 0xF0) continue;  // system messages

        const int32_t packed = static_cast<int32_t>(status | (data1 << 8) | (data2 << 16) | (data3 << 24));
        const int32_t delta = midi->deltaFrames < 0 ? 0 : (midi->deltaFrames > lastSample ? lastSample : midi->deltaFrames);
        const uint32_t time = runningTime + static_cast<uint32_t>(delta);
        SendControlEvent(time, 49, 0, packed, 0.0f);

        const uint32_t kind = status & 0xF0;
        if (status < 0xA0) {
            const bool noteOn = kind == 0x90 && (data2 & 0x7F) != 0;
            TellNoteListeners(static_cast<int32_t>(data1 & 0x7F) + (noteOn ? 256 : 0));
        } else if (kind == 0xB0 && (data1 == 123 || data1 == 120)) {
            TellNoteListeners(-1);
        }

        // A control change with a data byte above 127 is malformed: it names no
        // controller and carries no value inside a parameter's range.
        if (kind == 0xB0 && data1 <= 127 && data2 <= 127) {
            // Read by the editor's MIDI-learn control at its ticks.
            std::atomic_ref<int32_t>(lastMidiController).store(static_cast<int32_t>(data1), std::memory_order_relaxed);
            if (!globalRecord) continue;
            // The changes are stamped with the event's own sample time.
            const uint32_t savedTime = runningTime;
            runningTime = time;
            for (int index = 1; index < kPresetParamCount; ++index)
                if (std::atomic_ref<int16_t>(globalRecord->midiMap[index]).load(std::memory_order_relaxed) ==
                    static_cast<int16_t>(data1))
                    setParameter(index, static_cast<float>(data2) * (1.0f / 127.0f));
            runningTime = savedTime;
        }
    }
    return 1;
}
