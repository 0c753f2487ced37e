// The voice machinery: a splitter that turns MIDI notes into per-voice pitch,
// velocity and gate and switches voices on and off, and a merger that sums the
// voices' outputs back into single signals.
//
// A voice group in the graph description is a splitter record, a group-start
// record holding the voice count V, the M records of one voice, and a group end;
// the builder creates those M records V times, so that voice k's copy of record r
// sits at table index F + k * M + r (F: the index right after the splitter). The
// voice modules start switched off (kDisabled); the splitter switches a voice's M
// modules on at its note-on and off when the voice is freed.
//
// Splitter outputs, per voice (the builder points each voice's receivers at them
// through AttachVoiceOutput):
//   pin 0  the voice's gate, a single float: 10 while the key is down, else 0;
//   pin 1  a buffer holding the voice's pitch, (note - 9) / 120 V: note 69 gives
//          0.5 V, one octave is 0.1 V;
//   pin 2  a buffer holding the voice's velocity value (0..1, see below).
// Changes are announced by events sent only to the receivers of that voice: at a
// note-on pin 1 carries the pitch as float value, pin 0 the gate (int and float
// 10), pin 2 an all-zero event; a release sends an all-zero event on pin 0.
//
// Splitter inputs: 0 packed MIDI messages (status in bits 0-7, data 1 in bits
// 8-15, data 2 in bits 16-23; the channel is not looked at); 9 the velocity curve
// (integer form; the contour curves 0..6 of ContourCurve, 0 or any other number
// linear); 10 the velocity depth d (float value * 0.1, limited to 0..1). The
// velocity value of a note is curve(velocity / 127) * d + (1 - d). With input 10
// unconnected the depth is 1 (full velocity response).
#pragma once

#include <cstdint>

#include "modules/framework/ModuleBase.h"

class Mox_DSP_Midi_to_Poly : public Mox_ModuleBase {
public:
    // Voice state words: free; active (top bit, a key-down bit and the note number
    // in the low 16 bits; the key-down bit keeps note 0 apart from a released
    // voice); released (top bit alone: the voice keeps sounding and stays
    // assigned); stolen (being faded out by the merger; the low bits hold the note
    // waiting to start).
    static constexpr uint32_t kFree = 0;
    static constexpr uint32_t kActive = 0x80010000u;
    static constexpr uint32_t kReleased = 0x80000000u;
    static constexpr uint32_t kStolen = 0x40000000u;
    static constexpr int kMaxVoices = 256;
    static constexpr float kGateOn = 10.0f;

    // Allocates the state and the two buffers of owner->voiceCount voices (what
    // the builder stored there just before creating the splitter).
    Mox_DSP_Midi_to_Poly(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_Midi_to_Poly() override;

    // Sleeps with every voice free.
    void Open() override;
    // Both free every voice and switch every voice's modules off: after a suspend
    // the clock restarts, so no note and no fade can carry over.
    void Reset() override;
    void Resume() override;
    void HandleEvent(ModuleEvent* event, int offset) override;
    // The main routine: fills the buffers of every voice still holding a new value
    // and sleeps once none holds.
    void Process(int start, int count) override;
    // Points receiver's input at voice's gate (pin 0), pitch buffer (1) or velocity
    // buffer (2). Other pins and voices outside the splitter leave it unconnected.
    void AttachVoiceOutput(Mox_ModuleBase* receiver, uint16_t sourcePin, uint16_t receiverPin,
                           int32_t voice) override;

    // Called by the builder at the group start: the voices' first module index,
    // the voice count and the modules per voice. Returns the voice count in use,
    // at most what the splitter was created for.
    int SetVoiceLayout(int firstModule, int voiceCount, int modulesPerVoice);
    // A merger collects this splitter's voices and will report the end of every
    // steal fade. Without one a stolen voice starts its new note at once.
    void AttachMerger() { ++mergers_; }
    // From the merger: a stolen voice has faded out at `time`. Its pending note
    // starts at that time; without one the voice is freed and switched off.
    void FadeEnded(int voice, uint32_t time);

    int voiceCount() const { return voiceCount_; }
    int firstVoiceModule() const { return firstModule_; }
    int modulesPerVoice() const { return modulesPerVoice_; }
    uint32_t StateOf(int voice) const { return Valid(voice) ? voices_[voice].state : kFree; }
    bool IsFree(int voice) const { return StateOf(voice) == kFree; }
    bool IsStolen(int voice) const { return (StateOf(voice) & kStolen) != 0; }
    bool IsReleased(int voice) const { return StateOf(voice) == kReleased; }
    bool IsActive(int voice) const { return (StateOf(voice) & 0xFFFF0000u) == kActive; }
    // The playing note of an active voice, or the waiting note of a stolen one; -1 otherwise.
    int NoteOf(int voice) const;
    bool HasPendingNote(int voice) const { return Valid(voice) && voices_[voice].pending >= 0; }
    uint32_t StartTime(int voice) const { return Valid(voice) ? voices_[voice].startTime : 0; }
    uint32_t StealTime(int voice) const { return Valid(voice) ? voices_[voice].stealTime : 0; }
    float GateOf(int voice) const { return Valid(voice) ? voices_[voice].gate : 0.0f; }
    float PitchOf(int voice) const { return Valid(voice) ? voices_[voice].pitch : 0.0f; }
    float VelocityOf(int voice) const { return Valid(voice) ? voices_[voice].velocity : 0.0f; }
    int HoldCountOf(int voice) const { return Valid(voice) ? voices_[voice].hold : 0; }
    int velocityCurve() const { return curve_; }
    float velocityDepth() const { return depth_; }

    static float PitchOfNote(int note) { return static_cast<float>(note - 9) * (1.0f / 120.0f); }
    // curve(velocity / 127) * depth + (1 - depth).
    static float VelocityValue(int curve, float depth, int velocity);

private:
    struct Voice {
        uint32_t state = kFree;
        float gate = 0.0f;
        uint32_t startTime = 0;
        uint32_t stealTime = 0;
        int32_t pending = -1;  // the packed note-on waiting for the fade, -1 none
        float velocity = 0.0f;
        float pitch = 0.0f;
        int32_t hold = 0;      // samples of buffer still to be filled with the values
        float* pitchBuffer = nullptr;
        float* velocityBuffer = nullptr;
    };

    bool Valid(int voice) const { return voice >= 0 && voice < voiceCount_; }
    void HandleMessage(int32_t message, uint32_t time);
    void StartNote(int voice, int note, int velocity, uint32_t time);
    void ReleaseVoice(int voice, uint32_t time);
    void FreeVoice(int voice);
    void FreeAllVoices();
    void SwitchVoiceModules(int voice, bool on);
    void SendToVoice(int voice, uint32_t time, uint16_t pin, int32_t intValue, float floatValue);
    void Wake();

    Voice* voices_ = nullptr;
    int capacity_ = 0;        // voices allocated
    int voiceCount_ = 0;      // voices in use (the group's V)
    int firstModule_ = 0;     // F
    int modulesPerVoice_ = 0; // M
    int mergers_ = 0;
    int curve_ = 0;
    float depth_ = 1.0f;
};

// Sums the voices of a splitter into single outputs. Each link of the merger's
// record to a voice module becomes one output (the link's pin), the sum of that
// module's source pin over the V voice copies. Free voices are left out; a stolen
// voice is faded out linearly over 5 ms (gain 1 at the steal, 0 from 5 ms on),
// after which the merger reports the end of the fade to the splitter. An output
// announces each change between silent (no voice assigned) and sounding by an
// event whose state word is 1 (sounding) or 0 (silent).
class Mox_DSP_Poly_to_Mono : public Mox_ModuleBase {
public:
    Mox_DSP_Poly_to_Mono(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_Poly_to_Mono() override;

    void Open() override;
    void Process(int start, int count) override;
    // Output receiverPin (created here, at build time) sums output sourcePin of the
    // modules at sourceIndex + i * stride, i = 0..voiceCount-1.
    void AttachVoiceInputs(Mox_ModuleBase* splitter, int32_t sourceIndex, int32_t voiceCount,
                           int32_t stride, uint16_t sourcePin, uint16_t receiverPin) override;

    int outputCount() const { return outputCount_; }
    // Fade length in samples: samplesPerMs * 5 rounded, at least one sample.
    float FadeLength() const;
    // Gain of a voice stolen at stealTime, at sample time t.
    float FadeGain(uint32_t stealTime, uint32_t t) const;

private:
    struct Output {
        Mox_DSP_Midi_to_Poly* splitter = nullptr;
        const float** sources = nullptr;  // one buffer per voice, null where missing
        int voices = 0;
        bool sounding = false;
        int zeroed = 0;  // samples of the buffer known to be 0 while silent
    };

    void SumOutput(Output& out, float* buffer, int start, int count);

    Output outs_[kPinCount];
    int outputCount_ = 0;
};
