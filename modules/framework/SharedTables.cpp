#include "modules/framework/SharedTables.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Stores a pair (next - float(value), float(value)).
void StorePair(float pair[2], double value, double next) {
    float v = static_cast<float>(value);
    pair[0] = static_cast<float>(next - static_cast<double>(v));
    pair[1] = v;
}

}  // namespace

double SharedTables::FrequencyOfEntry(int j) {
    return 13.75 * std::pow(2.0, 23.0 * j / 2048.0 - 10.0);
}

void SharedTables::Build(int sampleRateInt, int frequencyLimit) {
    const double rate = sampleRateInt > 0 ? sampleRateInt : 44100;
    tableScale = 2560.0f;

    auto halfSine = [](int i) { return 0.5 * std::sin(2.0 * kPi * i / 512.0); };
    for (int i = 0; i < kSineSize; ++i) {
        sineTable[i] = static_cast<float>(halfSine(i));
        // The sine pairs take their difference between two float-rounded values.
        sinePairs[i][1] = sineTable[i];
        sinePairs[i][0] = static_cast<float>(halfSine(i + 1)) - sineTable[i];
    }

    auto rateRatio = [rate](int i) { return 13.75 * std::pow(2.0, i / 256.0) / rate; };
    for (int i = 0; i < kRatePairs; ++i) StorePair(rateRatioPairs[i], rateRatio(i), rateRatio(i + 1));

    for (int k = -30; k <= 30; ++k) {
        double p = std::ldexp(1.0, k);
        powersOfTwo[k + 30] = static_cast<float>(p);
        scaledPowersOfTwo[k + 30] = static_cast<float>(p * 0.001375);
    }

    auto octave = [](int i) { return std::pow(2.0, i / 256.0); };
    for (int i = 0; i < kOctavePairs; ++i) StorePair(octavePairs[i], octave(i), octave(i + 1));

    float* freqSin2 = freqTable(kFreqSin2);
    float* freqCos2 = freqTable(kFreqCos2);
    float* freqCot = freqTable(kFreqCot);
    float* freqTan = freqTable(kFreqTan);
    float* linSin2 = freqTable(kLinSin2);
    float* linCos2 = freqTable(kLinCos2);
    float* linCot = freqTable(kLinCot);
    float* linTan = freqTable(kLinTan);
    for (int j = 0; j < kFreqEntries; ++j) {
        double f = FrequencyOfEntry(j);
        if (f >= frequencyLimit) f = 0.99 * frequencyLimit;
        double w = kPi * f / rate;
        freqSin2[j] = static_cast<float>(std::sin(2.0 * w));
        freqCos2[j] = static_cast<float>(std::cos(2.0 * w));
        freqTan[j] = static_cast<float>(std::tan(w));
        freqCot[j] = static_cast<float>(1.0 / static_cast<double>(freqTan[j]));  // from the float tangent

        double t = kPi * (j > 1 ? j : 1) / 4096.0;
        linSin2[j] = static_cast<float>(std::sin(2.0 * t));
        linCos2[j] = static_cast<float>(std::cos(2.0 * t));
        linCot[j] = static_cast<float>(1.0 / std::tan(t));
        linTan[j] = static_cast<float>(std::tan(t));
    }
    // The three floats between consecutive tables stay zero.
    for (int t = 0; t < 8; ++t)
        for (int j = kFreqEntries; j < kFreqStride; ++j) freqTables[t * kFreqStride + j] = 0.0f;
    tablesSampleRate = sampleRateInt;
    tablesFrequencyLimit = frequencyLimit;
}

void SharedTables::BuildFor(int sampleRateInt, int frequencyLimit) {
    if (sampleRateInt == tablesSampleRate && frequencyLimit == tablesFrequencyLimit) return;
    Build(sampleRateInt, frequencyLimit);
}
