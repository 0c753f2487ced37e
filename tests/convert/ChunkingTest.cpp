// Events take effect at their own sample: the same events give the same output
// whether the run goes in whole blocks or in chunks of random length.
#include <gtest/gtest.h>

#include <cmath>

#include "modules/convert/GlideModule.h"
#include "modules/convert/GuiToVGlide.h"
#include "modules/convert/LevelConverters.h"
#include "modules/convert/StLevel.h"
#include "tests/convert/ConvertTestSupport.h"

using namespace convert_test;

namespace {

constexpr int kLength = 12000;

// dB source -> dB_to_Level; left source -> Level_to_dB; a control glide as the gain
// of a stereo level stage; a level glide. All events are queued before the run.
std::vector<std::vector<float>> RunGraph(unsigned seed) {
    TestOwner owner(128, 48000);
    auto* dB = new SignalSource(&owner, [](uint32_t t) { return 0.9f * std::sin(0.003f * t); });
    auto* left = new SignalSource(&owner, [](uint32_t t) { return 0.4f + 0.3f * std::sin(0.01f * t); });
    auto* right = new SignalSource(&owner, [](uint32_t t) { return 0.2f * std::cos(0.007f * t); });
    auto* toLevel = new Mox_DSP_dB_to_Level(&owner, false);
    auto* toDb = new Mox_DSP_Level_to_dB(&owner, false);
    auto* glide = new Mox_DSP_GUItoV_Glide(&owner, false);
    auto* st = new Mox_DSP_ST_Level(&owner, false);
    auto* level = new Mox_DSP_FdB_to_VLevel(&owner, false);
    Mox_ModuleBase* table[] = {dB, left, right, toLevel, toDb, glide, st, level};
    for (int i = 0; i < 8; ++i) owner.Place(i, table[i]);
    dB->Connect(toLevel, 3, 0, 0, 0, 0, 0);
    left->Connect(toDb, 4, 0, 0, 0, 0, 0);
    left->Connect(st, 6, 0, 0, 0, 0, 0);
    right->Connect(st, 6, 0, 1, 0, 0, 0);
    glide->Connect(st, 6, 0, 2, 0, 0, 0);
    OpenAll(owner);

    const std::tuple<Mox_ModuleBase*, uint32_t, uint16_t, float> events[] = {
        {glide, 0, 0, 1.0f},      {glide, 700, 0, 0.5f},     // a new value mid-ramp
        {glide, 701, 9, 0.15f},                              // scale 1.5 one sample later
        {glide, 2000, 1, 0.5f},   {glide, 2000, 0, 1.0f},    // 5 ms glides, and a value at the same sample
        {glide, 2333, 10, 0.02f}, {glide, 3001, 0, 0.0f},    // offset 0.2, then the offset alone
        {level, 50, 0, 0.6f},     {level, 400, 0, -0.3f},    {level, 400, 0, -0.3f},
        {level, 5000, 0, 0.1f},   {st, 6000, 3, 1.0f}};      // square the gain
    for (auto [m, time, pin, v] : events) m->QueueEvent(time, pin, 0, IntegerForm(v), v, nullptr);
    return RunWatching(owner, kLength, {{toLevel, 0}, {toDb, 0}, {glide, 0}, {st, 0}, {st, 1}, {level, 0}}, seed);
}

}  // namespace

TEST(ConverterChunking, OutputsDoNotDependOnHowTheRunIsCutIntoChunks) {
    const char* names[] = {"dB_to_Level", "Level_to_dB", "control glide", "stereo L", "stereo R", "level glide"};
    const auto whole = RunGraph(0);
    for (unsigned seed : {1u, 2u, 3u}) {
        const auto cut = RunGraph(seed);
        for (size_t w = 0; w < whole.size(); ++w) {
            // The converters compute each sample from the input alone. A glide adds its
            // step once per sample of a chunk, so chunk lengths change only the rounding
            // of its running value; a sample out of place would be off by a whole step
            // (a part in a thousand or more here).
            const float tolerance = w < 2 ? 0.0f : 2e-5f;
            for (int i = 0; i < kLength; ++i)
                ASSERT_NEAR(cut[w][i], whole[w][i], tolerance * std::max(1.0f, std::fabs(whole[w][i])))
                    << names[w] << ", seed " << seed << ", sample " << i;
        }
    }
}
