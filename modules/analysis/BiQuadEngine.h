// Mox_DSP_BiQuad_Multi_Engine: up to five biquad sections in series on one
// signal, each with the coefficients of its designer. The equaliser of the
// detector path uses three; "EQ Active" switches between filtering and passing
// the input through. A silent or settled output is detected and held as a
// constant, and then the engine sleeps.
#pragma once

#include <cstdint>

#include "modules/framework/ModuleBase.h"

class Mox_DSP_BiQuad_Multi_Engine : public Mox_ModuleBase {
public:
    static constexpr int kSections = 5;

    Mox_DSP_BiQuad_Multi_Engine(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_BiQuad_Multi_Engine() override;
    void Open() override;
    void Reset() override;
    // 0 input state; 1 per-sample coefficients; 2 engine on; 3 filtering active;
    // 4 clear; 9 + 10k designer state of section k; 14 + 10k section k on.
    void HandleEvent(ModuleEvent* event, int offset) override;

    void Filter(int start, int count);
    void PassThrough(int start, int count);
    void Constant(int start, int count);
    void Zero(int start, int count);

private:
    void Reevaluate();
    void ClearSection(int k);
    void ClearAll();
    void CountDown(int count);
    void ReportInputState();

    float* silence = nullptr;         // read in place of an unconnected input
    float memory[kSections][4] = {};  // x1, x2, y1, y2 per section
    float inputValue = 0.0f;
    float constantValue = 0.0f;
    int32_t countdown = 0;
    int32_t checkConstant = 0;
    int16_t inputLive = 0;
    int16_t sectionLive[kSections] = {};
    int16_t reportedState = -1;
    int16_t engineOn = 1;
    int16_t filterActive = 1;
    int16_t sectionOn[kSections] = {};
    int16_t perSampleCoefficients = 0;
};
