#include "modules/convert/LevelConverters.h"

#include <cmath>
#include <cstring>

#include "modules/framework/FloatLanes.h"

namespace {

// Built on first use (a function-local static: thread-safe, and after the first
// call only a guard test), then never freed.
struct LevelTableData {
    float entries[kLevelTableSize];
    LevelTableData() {
        for (int i = 0; i < kLevelTableSize; ++i) entries[i] = static_cast<float>(std::pow(2.0, i / 512.0 - 30.0));
    }
};

// log2(1 + i / 1024), i = 0..1024.
struct Log2TableData {
    float entries[1025];
    Log2TableData() {
        for (int i = 0; i <= 1024; ++i) entries[i] = static_cast<float>(std::log2(1.0 + i / 1024.0));
    }
};

const float* Log2Table() {
    static const Log2TableData data;
    return data.entries;
}

}  // namespace

const float* LevelTable() {
    static const LevelTableData data;
    return data.entries;
}

Mox_DSP_LevelConverterBase::Mox_DSP_LevelConverterBase(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    outputs[0] = AllocateSignalBuffer(blockSize);
}

Mox_DSP_LevelConverterBase::~Mox_DSP_LevelConverterBase() { FreeSignalBuffer(outputs[0]); }

void Mox_DSP_LevelConverterBase::Open() {
    levelTable = LevelTable();
    log2Table = Log2Table();
    SetProcess(&Mox_ModuleBase::SleepProcess);
    inputState = -1;
    announcedState = -1;
}

void Mox_DSP_LevelConverterBase::HandleEvent(ModuleEvent* e, int /*offset*/) {
    countdown = blockSize;
    if (e->pin == 0) {
        inputState = e->state;
        if (inputState == 0) announcedState = -1;  // a new constant is announced again
    }
    SetProcess(AsProcess(&Mox_DSP_LevelConverterBase::Convert));
}

void Mox_DSP_LevelConverterBase::Convert(int start, int count) {
    if (inputState != announcedState) {
        announcedState = inputState;
        SendEvent(currentTime, 0, static_cast<uint16_t>(inputState < 0 ? 0 : inputState), 0, 0.0f, nullptr);
    }
    if (inputState == 0) {
        countdown -= count;
        if (countdown < 0) {
            SetProcess(&Mox_ModuleBase::SleepProcess);
            flags |= kAsleep;
        }
    }
    float* out = outputs[0] + start;
    if (!inputs[0]) {
        // Unconnected input: nothing to convert, the output rests at its floor.
        ConvertSamples(nullptr, out, count);
        return;
    }
    ConvertSamples(inputs[0] + start, out, count);
}

float Mox_DSP_dB_to_Level::ToLevel(float dBVolts) { return ToLevel(LevelTable(), dBVolts); }

float Mox_DSP_dB_to_Level::ToLevel(const float* table, float dBVolts) {
    float v = dBVolts;
    if (!(v >= -18.0f)) v = -18.0f;  // also catches NaN
    if (v > 18.0f) v = 18.0f;
    const float p = (v + 18.007034f) * 853.0f;
    const int k = static_cast<int>(p);
    return table[k] + (table[k + 1] - table[k]) * (p - static_cast<float>(k));
}

void Mox_DSP_dB_to_Level::ConvertSamples(const float* in, float* out, int count) {
    const float* table = levelTable;
    if (!in) {
        const float floor = ToLevel(table, -18.0f);
        for (int i = 0; i < count; ++i) out[i] = floor;
        return;
    }
    // ToLevel four samples at a time: the lookups are the only per-lane work.
    const Lanes4 bottom = Splat4(-18.0f), top = Splat4(18.0f);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        Lanes4 v = Load4(in + i);
        v = Select4(v >= bottom, v, bottom);  // also catches NaN
        v = Select4(v > top, top, v);
        const Lanes4 p = (v + 18.007034f) * 853.0f;
        const IntLanes4 k = Truncate4(p);
        Lanes4 below, above;
        GatherPairs4(table, k, below, above);
        Store4(out + i, below + (above - below) * (p - ToFloat4(k)));
    }
    for (; i < count; ++i) out[i] = ToLevel(table, in[i]);
}

// 2 * log10 of each level, four at a time, by FastLog2's arithmetic. Levels at or
// below 1e-9 give the floor (max() also turns NaN into it); infinity is held at
// the top.
void Mox_DSP_Level_to_dB::ConvertSamples(const float* in, float* out, int count) {
    const float* table = log2Table;
    const Lanes4 lowest = Splat4(1e-9f), highest = Splat4(3.0e38f);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const Lanes4 sample = in ? Load4(in + i) : Splat4(0.0f);
        Lanes4 level = Select4(sample > lowest, sample, lowest);
        level = Select4(level > highest, highest, level);
        const IntLanes4 bits = BitsOf4(level);
        const IntLanes4 exponent = ((bits >> 23) & 0xFF) - 127;
        const IntLanes4 mantissa = bits & 0x7FFFFF;
        const IntLanes4 index = mantissa >> 13;
        const Lanes4 frac = ToFloat4(mantissa & 0x1FFF) * (1.0f / 8192.0f);
        Lanes4 below, above;
        GatherPairs4(table, index, below, above);
        Store4(out + i, (ToFloat4(exponent) + below + (above - below) * frac) * kDbVoltsPerOctave);
    }
    for (; i < count; ++i) {
        const float sample = in ? in[i] : 0.0f;
        float level = sample > 1e-9f ? sample : 1e-9f;
        if (level > 3.0e38f) level = 3.0e38f;
        out[i] = FastLog2(table, level) * kDbVoltsPerOctave;
    }
}
