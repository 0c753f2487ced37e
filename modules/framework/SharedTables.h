// Lookup tables shared by every module of one effect object, rebuilt whenever the
// sample rate changes. Per-sample code reads these instead of calling sin, tan or
// pow. A "pair" table stores (difference to the next value, value) so that a
// reader interpolates linearly with one fetch:  y = pair[1] + frac * pair[0].
#pragma once

#include <cstdint>

struct SharedTables {
    static constexpr int kSineSize = 513;      // i = 0..512
    static constexpr int kRatePairs = 257;     // i = 0..256
    static constexpr int kOctavePairs = 257;   // i = 0..256
    static constexpr int kPowers = 61;         // k = -30..30, entry k + 30
    static constexpr int kFreqEntries = 2049;  // j = 0..2048
    static constexpr int kFreqStride = 2052;   // distance between the eight frequency tables

    // Order of the eight frequency-mapped tables inside freqTables.
    enum FreqTable { kFreqSin2, kLinSin2, kFreqCos2, kLinCos2, kFreqCot, kLinCot, kFreqTan, kLinTan };

    float tableScale;                       // 2560.0
    float sineTable[kSineSize];             // 0.5 sin(2 pi i / 512)
    float sinePairs[kSineSize][2];          // the same as a pair table
    float rateRatioPairs[kRatePairs][2];    // 13.75 * 2^(i/256) / sampleRateInt
    float powersOfTwo[kPowers];             // 2^k
    float octavePairs[kOctavePairs][2];     // 2^(i/256)
    float scaledPowersOfTwo[kPowers];       // 2^k * 0.001375
    // freqSin2, linSin2, freqCos2, linCos2, freqCot, linCot, freqTan, linTan, each
    // 2049 entries starting kFreqStride floats after the previous one.
    float freqTables[8 * kFreqStride];
    // Sample rate and frequency clamp the tables were last built for; 0 before the
    // first build. The owner compares the running rate with this, not with the rate
    // its graph was built at: the two differ after a rate change and back while
    // suspended.
    int32_t tablesSampleRate;
    int32_t tablesFrequencyLimit;

    const float* freqTable(FreqTable t) const { return freqTables + t * kFreqStride; }
    float* freqTable(FreqTable t) { return freqTables + t * kFreqStride; }

    // Frequency of entry j of the logarithmic axis, 13.75 * 2^(23 j / 2048 - 10) Hz
    // (about 0.0134 Hz to 112.6 kHz), before the clamp to the sample rate.
    static double FrequencyOfEntry(int j);

    // Fills every table for a sample rate. Frequencies at or above frequencyLimit are
    // replaced by 0.99 * frequencyLimit, which must lie below half the sample rate.
    void Build(int sampleRateInt, int frequencyLimit);
    // Builds the tables unless they are already built for this rate and clamp.
    void BuildFor(int sampleRateInt, int frequencyLimit);
};
