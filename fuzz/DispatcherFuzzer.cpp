// Random sequences of host calls with audio in between. Each call is read from 17
// bytes of the input: a selector, an index (4 bytes), a value (8 bytes) and a
// float (4 bytes). Selectors 0..79 are dispatcher opcodes; 80..89 set a parameter,
// 90..99 read one, 100..127 process a block; the selector's top bit adds a short
// block of audio after the call.
//
// Values are the fuzzer's; pointers are always sane, as a real host's are: text
// opcodes get a 1024-byte buffer (a terminated string where the plug-in reads
// one), effGetChunk a pointer to a pointer, effSetChunk a buffer as long as the
// length it is given, effProcessEvents a properly built event list, the speaker
// opcodes real arrangements. effClose and the editor opcodes 13..19 are skipped:
// the first ends the effect, the others need a window.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/FuzzHost.h"

using orva_fuzz::Fail;
using orva_fuzz::FuzzHost;
using orva_fuzz::Reader;

namespace {

constexpr size_t kTextSize = 1024;
constexpr size_t kMaxChunk = 80000;
constexpr int kMaxEvents = 16;

// Sample peaks the audio calls use: finite, from denormal to well above full scale.
constexpr float kPeaks[] = {0.0f, 1e-40f, 1e-6f, 0.01f, 0.5f, 1.0f, 4.0f, 0.25f};

void CallDispatcher(FuzzHost& host, int32_t opcode, int32_t index, intptr_t value, float opt, Reader& in) {
    static uint8_t text[kTextSize];
    std::memset(text, 0, sizeof text);
    switch (opcode) {
        case effClose:
        case effEditGetRect:
        case effEditOpen:
        case effEditClose:
        case effEditDraw:
        case effEditMouse:
        case effEditKey:
        case effEditIdle:
            return;
        case effSetProgramName:
        case effString2Parameter:
        case effCanDo: {
            // A terminated string of the input's next bytes, up to 200 of them.
            const size_t n = in.left() < 200 ? in.left() : 200;
            std::memcpy(text, in.here(), n);
            text[n] = 0;
            in.Skip(n);
            host.Dispatch(opcode, index, value, text, opt);
            return;
        }
        case effGetChunk: {
            void* data = nullptr;
            const intptr_t size = host.Dispatch(opcode, index, value, &data, opt);
            if (size < 0 || (size > 0 && !data)) Fail("getChunk gave no data for its size", static_cast<long>(size));
            if (size > 0) {  // the host copies what it was given
                std::vector<uint8_t> copy(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
                (void)copy;
            }
            return;
        }
        case effSetChunk: {
            // Any length up to the buffer; negative ones as they are.
            // Any length up to kMaxChunk, in a buffer of exactly that length (one
            // byte for the lengths that must not be read); negative ones as they are.
            const intptr_t length = value < 0 ? value : static_cast<intptr_t>(static_cast<uint64_t>(value) % (kMaxChunk + 1));
            std::vector<uint8_t> chunk(length > 0 ? static_cast<size_t>(length) : 1);
            uint32_t salt;
            std::memcpy(&salt, &opt, sizeof salt);
            for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<uint8_t>(i * 131u + salt + (i >> 9));
            host.Dispatch(opcode, index, length, chunk.data(), opt);
            return;
        }
        case effProcessEvents: {
            const int count = static_cast<int>(static_cast<uint32_t>(index) % (kMaxEvents + 1));
            std::vector<uint8_t> listMemory(sizeof(VstEvents) + kMaxEvents * sizeof(VstEvent*));
            auto* list = reinterpret_cast<VstEvents*>(listMemory.data());
            std::vector<VstMidiEvent> events(static_cast<size_t>(count));
            list->numEvents = count;
            for (int e = 0; e < count; ++e) {
                VstMidiEvent& m = events[static_cast<size_t>(e)];
                const uint32_t kind = in.Get<uint8_t>();
                m.type = kind < 200 ? kVstMidiType : kind < 230 ? kVstSysExType : static_cast<int32_t>(kind);
                m.byteSize = sizeof(VstMidiEvent);
                m.deltaFrames = in.Get<int16_t>();
                for (char& byte : m.midiData) byte = static_cast<char>(in.Get<uint8_t>());
                list->events[e] = reinterpret_cast<VstEvent*>(&m);
            }
            host.Dispatch(opcode, index, value, list, opt);
            return;
        }
        case effSetSpeakerArrangement: {
            VstSpeakerArrangement a{}, b{};
            a.numChannels = static_cast<int32_t>(static_cast<uint32_t>(index) % 9);
            b.numChannels = static_cast<int32_t>(static_cast<uint32_t>(value) % 9);
            host.Dispatch(opcode, index, reinterpret_cast<intptr_t>(&a), &b, opt);
            return;
        }
        case effGetSpeakerArrangement: {
            VstSpeakerArrangement* input = nullptr;
            VstSpeakerArrangement* output = nullptr;
            if (host.Dispatch(opcode, index, reinterpret_cast<intptr_t>(&input), &output, opt)) {
                if (!input || !output) Fail("speaker arrangement answered without arrangements", 0);
                if (input->numChannels < 0 || input->numChannels > 8 || output->numChannels < 0 ||
                    output->numChannels > 8)
                    Fail("speaker arrangement with an impossible channel count", input->numChannels);
            }
            return;
        }
        default:
            // Everything else gets the sane text buffer (also large enough for pin
            // and parameter properties and the MIDI name records).
            host.Dispatch(opcode, index, value, text, opt);
            if (std::memchr(text, 0, sizeof text) == nullptr) Fail("an answer filled the whole text buffer", opcode);
            return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzHost* host = new FuzzHost;
    host->Baseline();
    Reader in(data, size);
    uint32_t step = 0;
    while (in.left() >= 17 && step < 64) {
        ++step;
        const uint8_t selector = in.Get<uint8_t>();
        const int32_t index = in.Get<int32_t>();
        const int64_t rawValue = in.Get<int64_t>();
        const float opt = in.Get<float>();
        const intptr_t value = static_cast<intptr_t>(rawValue);
        const int kind = selector & 0x7F;
        if (kind < 80) {
            CallDispatcher(*host, kind, index, value, opt, in);
        } else if (kind < 90) {
            host->fx->setParameter(host->fx, index, opt);
        } else if (kind < 100) {
            const float v = host->fx->getParameter(host->fx, index);
            if (!(v >= 0.0f && v <= 1.0f)) Fail("getParameter outside 0..1", index);
        } else {
            // Up to 4100 frames; a few calls with none or a negative count.
            const int32_t frames = rawValue % 16 == 0 ? static_cast<int32_t>(rawValue % 3) - 1
                                                      : static_cast<int32_t>(static_cast<uint64_t>(rawValue) % 4100);
            host->Process(frames, kPeaks[static_cast<uint32_t>(index) % 8], static_cast<uint32_t>(index));
        }
        if (selector & 0x80) host->Process(64, 0.5f, step);
    }
    host->CheckState();
    host->Process(256, 0.5f, 1);
    return 0;
}
