// Mox_DSP_BiQuad_Coeff: designs the five normalised coefficients (b0, b1, b2, a1,
// a2) of one biquad section from a frequency, a width and a gain signal, reading
// every frequency-dependent term from the effect's shared tables (no trigonometry
// on the audio path). One designer serves one band of both equaliser engines.
// Output 5 reports, by events, whether the band is on.
#pragma once

#include <cstdint>

#include "modules/framework/ModuleBase.h"

class Mox_DSP_BiQuad_Coeff : public Mox_ModuleBase {
public:
    struct Coefficients {
        float b0, b1, b2, a1, a2;
    };
    // A section and the frequency terms it is designed from, in the precision of
    // Real: T = tan(pi f / rate), K = 1 / T, sn = sin(2 pi f / rate),
    // cs = cos(2 pi f / rate).
    template <typename Real>
    struct Section {
        Real b0, b1, b2, a1, a2;
    };
    template <typename Real>
    struct Terms {
        Real T, K, sn, cs;
    };

    // The design law of every filter type (1..9; false for others) for a width r
    // and a gain signal g, with a slope row and the frequency mode: one law for
    // the audio path (float, terms from the shared tables) and for displays
    // (double, exact terms).
    template <typename Real>
    static bool DesignSection(int type, int slopeIndex, bool linearFrequency, const Terms<Real>& terms, Real r, Real g,
                              Section<Real>& c);
    // The peaking section (type 9) a designer with its default settings (slope
    // row 0, linear frequency) gives for a frequency in Hz, a width 0..1 and a
    // gain signal at a sample rate, in double precision with exact trigonometry;
    // the frequency is held where the designer's table holds it (1/4096 to
    // 2047/4096 of the sample rate). For the equaliser window, on any thread.
    static Section<double> PeakingSection(double hz, double sampleRate, double width, double gainSignal);

    Mox_DSP_BiQuad_Coeff(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_BiQuad_Coeff() override;
    void Open() override;
    // 0..2 input states; 3 filter type; 4 slope row; 5 per-sample; 6 enabled;
    // 7 linear frequency.
    void HandleEvent(ModuleEvent* event, int offset) override;

    void Design(int start, int count);
    void Zero(int start, int count);

    // The coefficients of a filter type for a frequency input x (volts), width r and
    // gain g, with the current settings; false for a type outside 1..9.
    bool DesignOne(int type, float x, float r, float g, Coefficients& c) const;

private:
    struct FrequencyTerms {
        float T, K, sn, cs;
    };
    FrequencyTerms Lookup(float x) const;
    void Report();
    void CountDown(int count);
    void SelectAfterEvent();

    float sampleRate = 44100.0f;
    float linearIndexScale = 0.0f;
    int32_t countdown = 0;
    int32_t liveFrequency = 0, liveWidth = 0, liveGain = 0;
    int32_t liveMask = -2;
    int32_t reportedMask = -1;
    int16_t perSample = 0;
    int16_t linearFrequency = 1;
    int16_t filterType = 9;
    int16_t enabled = 1;
    int16_t slopeIndex = 0;
};
