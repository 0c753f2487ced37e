// Mox_DSP_BiQuad_Multi_Engine: up to five biquad sections in series on one
// signal, each with the coefficients of its designer. The equaliser of the
// detector path uses three; "EQ Active" switches between filtering and passing
// the input through. A silent or settled output is detected and held as a
// constant, and then the engine sleeps.
//
// Two engines that follow each other in the graph, one per channel with the same
// designers, are filtered together: the first runs both channels in one pass (a
// register lane per channel) whenever both are set up alike for a whole chunk, and
// the second then only reports and watches its output.
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

    // Chunks of this engine's channel that the engine before it filtered.
    int32_t ChunksFilteredByPartner() const { return pairedChunks; }

private:
    // True when this call, `count` samples, may filter the partner's channel too.
    bool PartnerMatches(int count) const;
    bool SectionUsable(int k) const;
    void FilterOwn(int start, int count);
    void FilterPair(int start, int count);
    void WatchForConstant(int start);
    void Reevaluate();
    void ClearSection(int k);
    void ClearAll();
    void CountDown(int count);
    void ReportInputState();

    float* silence = nullptr;         // read in place of an unconnected input
    float* frames = nullptr;          // 2 * blockSize: both channels, left then right per frame
    Mox_DSP_BiQuad_Multi_Engine* partner = nullptr;  // the engine run next, if it is one
    uint32_t pairedTime = 0;          // chunk and range the engine before filtered for this one
    int32_t pairedStart = -1;
    int32_t pairedCount = 0;
    int32_t pairedChunks = 0;
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
