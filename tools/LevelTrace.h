// Levels over time of a rendering: input (aligned with the plug-in's look-ahead
// delay), output and the gain reduction between them, in short windows; and a
// PNG plot of them drawn with cairo.
#pragma once

#include <string>
#include <vector>

struct LevelTrace {
    double windowSeconds = 0.01;
    std::vector<float> inputDb;   // per window, RMS of both input channels, dBFS
    std::vector<float> outputDb;  // per window, RMS of both output channels, dBFS
    std::vector<float> reductionDb;  // per window: input + make-up - output; NaN where the input is silent

    double maxReductionDb = 0.0;
    double averageReductionDb = 0.0;
};

// Measures the trace. `delayFrames` aligns the input with the output; `makeupDb`
// is added to the input so that make-up gain does not count as negative reduction.
LevelTrace MeasureLevels(const std::vector<float>& inL, const std::vector<float>& inR,
                         const std::vector<float>& outL, const std::vector<float>& outR, int sampleRate,
                         int delayFrames, double makeupDb);

// Draws the trace into a PNG file. False (with error) if it cannot be written.
bool PlotLevels(const LevelTrace& trace, const std::string& title, const std::string& path, std::string& error);

// Peak and RMS of a channel, in dBFS (-inf for silence).
double PeakDb(const std::vector<float>& channel);
double RmsDb(const std::vector<float>& channel);
