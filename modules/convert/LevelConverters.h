// Decibel signals to linear levels and back. Signals carry dB volts (dB / 10);
// a level is a linear amplitude, 1.0 = 0 dBFS.
//   Mox_DSP_dB_to_Level: table lookup, clamped to +-18 dB volts (+-180 dB).
//   Mox_DSP_Level_to_dB: 2 * log10(level) from a log2 table; levels at or below
//     1e-9 give -18 dB volts.
// Both follow the state of their input: a constant input is converted for one
// block more and then the module sleeps until the next event.
#pragma once

#include <cstdint>
#include <cstring>

#include "modules/framework/ModuleBase.h"

// Shared level table: entry i = 2^(i / 512 - 30), i = 0..30720; entry 15360 is 1.0.
constexpr int kLevelTableSize = 30721;
const float* LevelTable();

// log2 of a positive, normal float from a 1024-segment table of the mantissa's
// log2 with linear interpolation (error below 2e-7); `table` is the one Level_to_dB
// uses. Cheaper than the library logarithm and exact at powers of two.
inline float FastLog2(const float* table, float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int exponent = static_cast<int>((bits >> 23) & 0xFF) - 127;
    const uint32_t mantissa = bits & 0x7FFFFF;
    const uint32_t index = mantissa >> 13;  // top 10 bits
    const float frac = static_cast<float>(mantissa & 0x1FFF) * (1.0f / 8192.0f);
    return static_cast<float>(exponent) + table[index] + (table[index + 1] - table[index]) * frac;
}

// 2 * log10(2): dB volts (dB / 10) per doubling of a level.
constexpr float kDbVoltsPerOctave = 0.60205999f;

// Common input-state tracking of the two converters.
class Mox_DSP_LevelConverterBase : public Mox_ModuleBase {
public:
    Mox_DSP_LevelConverterBase(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_LevelConverterBase() override;
    void Open() override;
    void HandleEvent(ModuleEvent* event, int offset) override;
    void Convert(int start, int count);

protected:
    virtual void ConvertSamples(const float* in, float* out, int count) = 0;

    const float* levelTable = nullptr;  // shared tables, fetched at Open
    const float* log2Table = nullptr;
    int inputState = -1;      // state word of the last pin-0 event, -1 unknown
    int announcedState = -1;  // state last sent on output 0
    int countdown = 0;        // samples left before a constant input lets it sleep
};

class Mox_DSP_dB_to_Level : public Mox_DSP_LevelConverterBase {
public:
    using Mox_DSP_LevelConverterBase::Mox_DSP_LevelConverterBase;
    // dB volts to a level by interpolating the shared table.
    static float ToLevel(float dBVolts);
    static float ToLevel(const float* table, float dBVolts);

protected:
    void ConvertSamples(const float* in, float* out, int count) override;
};

class Mox_DSP_Level_to_dB : public Mox_DSP_LevelConverterBase {
public:
    using Mox_DSP_LevelConverterBase::Mox_DSP_LevelConverterBase;

protected:
    void ConvertSamples(const float* in, float* out, int count) override;
};
