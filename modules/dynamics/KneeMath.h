// Mox_DSP_CompExp_Knee_Math: the static gain computer. For each sample of the
// detected level (dB volts) it writes the gain change (dB volts) that the
// compressor (above its threshold) and the expander (below its threshold, down to
// a floor of -80 dBFS) call for. The knee bends the effective ratio over the whole
// working range of each section rather than around the threshold only.
#pragma once

#include "modules/framework/ModuleBase.h"

class Mox_DSP_CompExp_Knee_Math : public Mox_ModuleBase {
public:
    Mox_DSP_CompExp_Knee_Math(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_CompExp_Knee_Math() override;
    void Open() override;
    void SetInput(uint16_t pin, float* value) override;
    // 0 input state; 1 "Comp Thresh"; 2 "Comp.Knee"; 3 "Comp Ratio"; 4 "Exp Thresh";
    // 5 "Exp.Knee"; 6 "Exp Ratio"; 19 on/off.
    void HandleEvent(ModuleEvent* event, int offset) override;

    void GainComputer(int start, int count);
    void ZeroOutput(int start, int count);

    // The gain change for one level, in dB volts (what GainComputer writes).
    float GainChange(float level) const;

    // The gain change (dB volts) at a level (dB volts) for the values pins 1..6
    // would receive (control values, settings[pin]; settings[0] is not used), with
    // the expander wired as the graph wires it: the same curve as the module's,
    // for displays of what reaches the output. Any thread.
    static float StaticGainChange(const float settings[7], float level);

private:
    // The static curve: the settings it reads and the gain change it gives. Kept
    // apart so that the per-sample loop works on a local copy.
    struct Curve {
        // Takes the value of a setting pin (1..6); other pins change nothing.
        void Set(uint16_t pin, float value);
        float GainChange(float level) const;
        // GainChange over a run of levels, four at a time; the knee types and the
        // expander's presence are fixed for the run.
        template <bool CompKneeHigh, bool ExpanderOn, bool ExpKneeHigh>
        void GainChanges(const float* levels, float* out, int count) const;
        float CompressorTerm(float level) const;
        float ExpanderTerm(float level) const;

        float compThreshold = 0.0f;   // Tc: threshold - 0.0001
        float compKnee = 0.0f;        // kc
        float compKneeShape = 0.0f;   // hc
        bool compKneeHigh = false;
        float compRatio = 1.0f;       // Rc
        float expThreshold = 0.0001f; // Te: threshold + 0.0001
        float expKnee = 0.0f;
        float expKneeShape = 0.0f;
        bool expKneeHigh = false;
        float expRatio = 1.0f;        // Re
        bool expanderOn = false;      // an expander parameter is wired to this module
    };

    void AnnounceAndCount(int count, int stateIfPending);

    Curve curve;
    int inputState = 1;
    int announcedState = -1;
    int countdown = 0;
};
