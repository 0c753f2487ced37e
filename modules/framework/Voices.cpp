#include "modules/framework/Voices.h"

#include <cmath>
#include <cstring>
#include <new>

#include "modules/dynamics/ParamAdj.h"

namespace {

int NoteOfMessage(int32_t message) { return (message >> 8) & 0x7F; }
int VelocityOfMessage(int32_t message) { return (message >> 16) & 0x7F; }

float LimitedDepth(float depth) {
    if (!(depth > 0.0f)) return 0.0f;  // also NaN
    return depth < 1.0f ? depth : 1.0f;
}

}  // namespace

// ---------------------------------------------------------------------------
// Splitter

Mox_DSP_Midi_to_Poly::Mox_DSP_Midi_to_Poly(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    int wanted = owner ? owner->voiceCount : 0;
    if (wanted < 0) wanted = 0;
    if (wanted > kMaxVoices) wanted = kMaxVoices;
    if (wanted > 0) voices_ = new (std::nothrow) Voice[wanted];
    if (!voices_) wanted = 0;
    // Everything the audio thread touches exists from here on; a voice whose
    // buffers could not be had is not used.
    for (int v = 0; v < wanted; ++v) {
        voices_[v].pitchBuffer = AllocateSignalBuffer(blockSize);
        voices_[v].velocityBuffer = AllocateSignalBuffer(blockSize);
        if (!voices_[v].pitchBuffer || !voices_[v].velocityBuffer) {
            FreeSignalBuffer(voices_[v].pitchBuffer);
            FreeSignalBuffer(voices_[v].velocityBuffer);
            wanted = v;
            break;
        }
    }
    capacity_ = wanted;
    voiceCount_ = wanted;
}

Mox_DSP_Midi_to_Poly::~Mox_DSP_Midi_to_Poly() {
    if (voices_) {
        for (int v = 0; v < capacity_; ++v) {
            FreeSignalBuffer(voices_[v].pitchBuffer);
            FreeSignalBuffer(voices_[v].velocityBuffer);
        }
        delete[] voices_;
    }
}

int Mox_DSP_Midi_to_Poly::SetVoiceLayout(int firstModule, int voiceCount, int modulesPerVoice) {
    if (voiceCount < 0) voiceCount = 0;
    voiceCount_ = voiceCount < capacity_ ? voiceCount : capacity_;
    firstModule_ = firstModule;
    modulesPerVoice_ = modulesPerVoice > 0 ? modulesPerVoice : 0;
    return voiceCount_;
}

int Mox_DSP_Midi_to_Poly::NoteOf(int voice) const {
    if (IsActive(voice)) return static_cast<int>(voices_[voice].state & 0xFFFFu);
    if (IsStolen(voice) && voices_[voice].pending >= 0) return NoteOfMessage(voices_[voice].pending);
    return -1;
}

float Mox_DSP_Midi_to_Poly::VelocityValue(int curve, float depth, int velocity) {
    if (curve < 1 || curve > 6) curve = 0;
    if (velocity < 0) velocity = 0;
    if (velocity > 127) velocity = 127;
    depth = LimitedDepth(depth);
    return ContourCurve(curve, static_cast<float>(velocity) * (1.0f / 127.0f)) * depth + (1.0f - depth);
}

void Mox_DSP_Midi_to_Poly::Open() {
    for (int v = 0; v < capacity_; ++v) {
        Voice& voice = voices_[v];
        voice.state = kFree;
        voice.gate = 0.0f;
        voice.hold = 0;
        voice.pending = -1;
    }
    curve_ = inputs[9] ? IntegerForm(LoadControl(inputs[9])) : 0;
    depth_ = inputs[10] ? LimitedDepth(LoadControl(inputs[10]) * 0.1f) : 1.0f;
    SetProcess(&Mox_ModuleBase::SleepProcess);
}

void Mox_DSP_Midi_to_Poly::Reset() { FreeAllVoices(); }

void Mox_DSP_Midi_to_Poly::Resume() { FreeAllVoices(); }

void Mox_DSP_Midi_to_Poly::FreeAllVoices() {
    for (int v = 0; v < capacity_; ++v) FreeVoice(v);
    SetProcess(&Mox_ModuleBase::SleepProcess);
}

void Mox_DSP_Midi_to_Poly::FreeVoice(int v) {
    Voice& voice = voices_[v];
    voice.state = kFree;
    voice.gate = 0.0f;
    voice.hold = 0;
    voice.pending = -1;
    SwitchVoiceModules(v, false);
}

void Mox_DSP_Midi_to_Poly::SwitchVoiceModules(int voice, bool on) {
    if (!owner || modulesPerVoice_ <= 0 || voice >= voiceCount_) return;
    const int base = firstModule_ + voice * modulesPerVoice_;
    for (int r = 0; r < modulesPerVoice_; ++r) {
        Mox_ModuleBase* m = owner->ModuleAt(base + r);
        if (!m || m == this) continue;
        if (on)
            m->flags &= ~kDisabled;
        else
            m->Disable();
    }
}

void Mox_DSP_Midi_to_Poly::Wake() {
    SetProcess(&Mox_ModuleBase::Process);
    flags &= ~kAsleep;
}

void Mox_DSP_Midi_to_Poly::HandleEvent(ModuleEvent* e, int /*offset*/) {
    switch (e->pin) {
        case 0:
            // A late event takes effect now, not in the past.
            HandleMessage(e->intValue, currentTime);
            break;
        case 9:
            curve_ = e->intValue;
            break;
        case 10:
            depth_ = LimitedDepth(e->floatValue * 0.1f);
            break;
        default:
            break;
    }
}

void Mox_DSP_Midi_to_Poly::HandleMessage(int32_t message, uint32_t time) {
    const int status = message & 0xFF;
    if (status < 0x80 || status >= 0xF0) return;  // data bytes and system messages
    const int kind = status & 0xF0;
    const int data1 = NoteOfMessage(message);
    const int data2 = VelocityOfMessage(message);

    if (kind == 0xB0) {
        if (data1 != 123 && data1 != 120) return;
        // All notes off / all sound off: every key goes up. A note waiting for a
        // steal fade is dropped too, or it would start after the keys went up and
        // never be released.
        for (int v = 0; v < voiceCount_; ++v) {
            Voice& voice = voices_[v];
            voice.gate = 0.0f;
            if (IsActive(v)) voice.state = kReleased;
            if (voice.state & kStolen) {
                voice.pending = -1;
                voice.state = kStolen;
            }
            SendToVoice(v, time, 0, 0, 0.0f);
        }
        Wake();
        return;
    }

    if (kind == 0x90 && data2 > 0) {
        for (int v = 0; v < voiceCount_; ++v) {
            if (voices_[v].state == kFree) {
                StartNote(v, data1, data2, time);
                return;
            }
        }
        // No free voice: take the one playing longest, unless all are being stolen.
        int oldest = -1;
        uint32_t oldestAge = 0;
        for (int v = 0; v < voiceCount_; ++v) {
            if (voices_[v].state & kStolen) continue;
            const uint32_t age = time - voices_[v].startTime;
            if (oldest < 0 || age > oldestAge) {
                oldest = v;
                oldestAge = age;
            }
        }
        if (oldest < 0) return;
        if (mergers_ == 0) {
            // Nobody fades it out or reports the end of a fade: restart at once.
            StartNote(oldest, data1, data2, time);
            return;
        }
        Voice& voice = voices_[oldest];
        voice.state = kStolen | static_cast<uint32_t>(data1);
        voice.pending = message & 0x00FFFFFF;
        voice.stealTime = time;
        return;
    }

    if (kind == 0x80 || kind == 0x90) {
        for (int v = 0; v < voiceCount_; ++v) {
            Voice& voice = voices_[v];
            if (IsActive(v) && static_cast<int>(voice.state & 0xFFFFu) == data1) {
                voice.state = kReleased;
                voice.gate = 0.0f;
                SendToVoice(v, time, 0, 0, 0.0f);
                return;
            }
            if ((voice.state & kStolen) && voice.pending >= 0 && NoteOfMessage(voice.pending) == data1) {
                // The key went up before its note could start: it never starts,
                // and the voice is freed once the fade is over.
                voice.pending = -1;
                voice.state = kStolen;
                return;
            }
        }
    }
}

void Mox_DSP_Midi_to_Poly::StartNote(int v, int note, int velocity, uint32_t time) {
    Voice& voice = voices_[v];
    voice.state = kActive | static_cast<uint32_t>(note & 0x7F);
    voice.gate = kGateOn;
    voice.startTime = time;
    voice.pending = -1;
    voice.velocity = VelocityValue(curve_, depth_, velocity);
    voice.pitch = PitchOfNote(note & 0x7F);
    SwitchVoiceModules(v, true);
    voice.hold = blockSize;
    SendToVoice(v, time, 1, 0, voice.pitch);
    SendToVoice(v, time, 0, static_cast<int32_t>(kGateOn), kGateOn);
    SendToVoice(v, time, 2, 0, 0.0f);
    Wake();
}

void Mox_DSP_Midi_to_Poly::FadeEnded(int voice, uint32_t time) {
    if (!Valid(voice) || !(voices_[voice].state & kStolen)) return;
    const int32_t pending = voices_[voice].pending;
    if (pending >= 0)
        StartNote(voice, NoteOfMessage(pending), VelocityOfMessage(pending), time);
    else
        FreeVoice(voice);
}

void Mox_DSP_Midi_to_Poly::SendToVoice(int voice, uint32_t time, uint16_t pin, int32_t intValue,
                                       float floatValue) {
    if (!owner || pin >= kPinCount) return;
    // Only the voice's own receiver of each row; single receivers (links from
    // outside a voice group) belong to no voice and get none of these.
    for (const ConnectionNode* node = connections[pin]; node; node = node->next) {
        if (node->count <= 0 || voice >= node->count) continue;
        Mox_ModuleBase* target = owner->ModuleAt(node->targetIndex + voice * node->stride);
        if (target) target->QueueEvent(time, node->targetPin, 0, intValue, floatValue, nullptr);
    }
}

void Mox_DSP_Midi_to_Poly::Process(int start, int count) {
    if (start < 0 || count <= 0) return;
    if (start + count > blockSize) count = blockSize - start;
    bool holding = false;
    for (int v = 0; v < voiceCount_; ++v) {
        Voice& voice = voices_[v];
        if (voice.hold <= 0) continue;
        for (int i = 0; i < count; ++i) {
            voice.pitchBuffer[start + i] = voice.pitch;
            voice.velocityBuffer[start + i] = voice.velocity;
        }
        voice.hold = voice.hold > count ? voice.hold - count : 0;
        if (voice.hold > 0) holding = true;
    }
    if (!holding) SleepProcess(start, count);
}

void Mox_DSP_Midi_to_Poly::AttachVoiceOutput(Mox_ModuleBase* receiver, uint16_t sourcePin,
                                             uint16_t receiverPin, int32_t voice) {
    if (!receiver || !Valid(voice)) return;
    Voice& v = voices_[voice];
    switch (sourcePin) {
        case 0: receiver->SetInput(receiverPin, &v.gate); break;
        case 1: receiver->SetInput(receiverPin, v.pitchBuffer); break;
        case 2: receiver->SetInput(receiverPin, v.velocityBuffer); break;
        default: break;
    }
}

// ---------------------------------------------------------------------------
// Merger

Mox_DSP_Poly_to_Mono::Mox_DSP_Poly_to_Mono(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    SetProcess(&Mox_ModuleBase::Process);
}

Mox_DSP_Poly_to_Mono::~Mox_DSP_Poly_to_Mono() {
    for (int p = 0; p < kPinCount; ++p) {
        delete[] outs_[p].sources;
        FreeSignalBuffer(outputs[p]);
    }
}

void Mox_DSP_Poly_to_Mono::AttachVoiceInputs(Mox_ModuleBase* splitter, int32_t sourceIndex,
                                             int32_t voiceCount, int32_t stride, uint16_t sourcePin,
                                             uint16_t receiverPin) {
    if (receiverPin >= kPinCount || !owner) return;
    auto* poly = dynamic_cast<Mox_DSP_Midi_to_Poly*>(splitter);
    if (voiceCount < 0) voiceCount = 0;
    if (poly && voiceCount > poly->voiceCount()) voiceCount = poly->voiceCount();
    if (!outputs[receiverPin]) outputs[receiverPin] = AllocateSignalBuffer(blockSize);
    if (!outputs[receiverPin]) return;

    Output& out = outs_[receiverPin];
    delete[] out.sources;  // a second link to the same pin replaces the first
    out.sources = voiceCount > 0 ? new (std::nothrow) const float*[voiceCount] : nullptr;
    out.voices = out.sources ? voiceCount : 0;
    for (int i = 0; i < out.voices; ++i) {
        Mox_ModuleBase* m = owner->ModuleAt(sourceIndex + i * stride);
        out.sources[i] = m ? m->GetOutput(sourcePin) : nullptr;
    }

    bool known = false;
    for (const Output& o : outs_) known = known || (poly && o.splitter == poly);
    out.splitter = poly;
    if (poly && !known) poly->AttachMerger();
    if (receiverPin + 1 > outputCount_) outputCount_ = receiverPin + 1;
}

void Mox_DSP_Poly_to_Mono::Open() {
    for (Output& o : outs_) {
        o.sounding = false;
        o.zeroed = 0;
    }
    SetProcess(&Mox_ModuleBase::Process);
}

float Mox_DSP_Poly_to_Mono::FadeLength() const {
    // Whole samples: samplesPerMs carries the rounding of 0.001f (48 kHz gives
    // 48.000004), which would otherwise leave a last sample just above zero and
    // put the end of the fade one sample late.
    const float length = owner ? std::round(owner->samplesPerMs * 5.0f) : 1.0f;
    return length >= 1.0f ? length : 1.0f;  // also NaN
}

float Mox_DSP_Poly_to_Mono::FadeGain(uint32_t stealTime, uint32_t t) const {
    const int32_t since = static_cast<int32_t>(t - stealTime);
    if (since <= 0) return 1.0f;
    const float gain = 1.0f - static_cast<float>(since) / FadeLength();
    return gain > 0.0f ? gain : 0.0f;
}

void Mox_DSP_Poly_to_Mono::SumOutput(Output& out, float* buffer, int start, int count) {
    Mox_DSP_Midi_to_Poly* splitter = out.splitter;
    bool sounding = false;
    for (int v = 0; splitter && v < out.voices && !sounding; ++v) sounding = !splitter->IsFree(v);

    if (!sounding) {
        // Once a whole block of zeros is written the buffer stays zero.
        if (out.zeroed < blockSize) {
            std::memset(buffer + start, 0, sizeof(float) * static_cast<size_t>(count));
            out.zeroed += count;
        }
    } else {
        out.zeroed = 0;
        std::memset(buffer + start, 0, sizeof(float) * static_cast<size_t>(count));
        for (int v = 0; v < out.voices; ++v) {
            const float* source = out.sources[v];
            if (!source || splitter->IsFree(v)) continue;
            if (!splitter->IsStolen(v)) {
                for (int i = 0; i < count; ++i) buffer[start + i] += source[start + i];
                continue;
            }
            const uint32_t stealTime = splitter->StealTime(v);
            for (int i = 0; i < count; ++i)
                buffer[start + i] += source[start + i] * FadeGain(stealTime, currentTime + static_cast<uint32_t>(i));
        }
    }

    if (sounding != out.sounding) {
        out.sounding = sounding;
        const uint16_t pin = static_cast<uint16_t>(&out - outs_);
        SendEvent(currentTime, pin, sounding ? 1 : 0, 0, 0.0f, nullptr);
    }
}

void Mox_DSP_Poly_to_Mono::Process(int start, int count) {
    if (start < 0 || count <= 0) return;
    if (start + count > blockSize) count = blockSize - start;
    for (int p = 0; p < outputCount_; ++p)
        if (outputs[p]) SumOutput(outs_[p], outputs[p], start, count);

    // Report every steal fade that is over by the end of this stretch; its new
    // note then starts at the fade's end (the voice's modules, which ran before
    // the merger, take it from the start of their next chunk).
    const uint32_t end = currentTime + static_cast<uint32_t>(count);
    const uint32_t fade = static_cast<uint32_t>(FadeLength());
    for (int p = 0; p < outputCount_; ++p) {
        Mox_DSP_Midi_to_Poly* splitter = outs_[p].splitter;
        if (!splitter) continue;
        for (int v = 0; v < splitter->voiceCount(); ++v) {
            if (!splitter->IsStolen(v)) continue;
            const uint32_t fadeEnd = splitter->StealTime(v) + fade;
            if (static_cast<int32_t>(fadeEnd - end) <= 0) splitter->FadeEnded(v, fadeEnd);
        }
    }
}
