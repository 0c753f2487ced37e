// Contour shaping of the main time and gain controls, and the automatic release.
//
// Mox_DSP_OrvaMaster_ParamAdj passes "Attack", "Hold", "Release" and "Gain" (their
// knob travel as a fraction of the range) through the selected contour curve, then
// scales by ConstA and offsets by ConstB. With the factory settings (Lin, ConstA =
// the knob's full range, ConstB = 0) each output equals the knob value.
//
// Mox_DSP_OrvaMaster_AutoRelease lengthens the release while the level rises and
// shortens it while it falls, by comparing the detected level now with the level
// one release time ago: release * 2^(d * scale), d = change over +-12 dB in -1..1.
#pragma once

#include "modules/framework/ModuleBase.h"

// The contour curves "Lin,Exp,Exp2,IExp,SCrv,SCrv2,ISCrv," (0..6); others are linear.
float ContourCurve(int contour, float x);

class Mox_DSP_OrvaMaster_ParamAdj : public Mox_ModuleBase {
public:
    Mox_DSP_OrvaMaster_ParamAdj(ModuleOwner* owner, bool startDisabled)
        : Mox_ModuleBase(owner, startDisabled) {}
    void Open() override;
    // Pins 4 g + 0..3: value, ConstA, ConstB, contour of group g (attack, hold,
    // release, gain).
    void HandleEvent(ModuleEvent* event, int offset) override;
    // Publishes the four results as events (attack, hold, release: ms / 10; make-up
    // gain: dB volts), then sleeps.
    void Compute(int start, int count);

    struct Group {
        float value = 0.0f, constA = 0.0f, constB = 0.0f;
        int contour = 0;
    };
    // The four results for a set of groups.
    static void Results(const Group groups[4], float results[4]);

private:
    Group groups_[4];
};

class Mox_DSP_OrvaMaster_AutoRelease : public Mox_ModuleBase {
public:
    Mox_DSP_OrvaMaster_AutoRelease(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_OrvaMaster_AutoRelease() override;
    void Open() override;
    // 2 adjusted release (ms / 10); 3 "Auto.Rel" (percent / 10).
    void HandleEvent(ModuleEvent* event, int offset) override;
    void Compute(int start, int count);

    float releaseValue() const { return current; }

private:
    float release = 0.0f;
    float scale = 0.0f;
    bool autoOn = false;
    float current = 0.0f;
};
