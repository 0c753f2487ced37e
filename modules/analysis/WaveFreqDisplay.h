// Mox_DSP_Wave_Freq_Display: a display feeder. It measures up to six signals for
// the editor's meters and scope and posts the results to editor elements through
// the owner; it produces no audio. It works once per chunk, at the end of the
// buffers, and only while the owner's display is open: closed, it sleeps until
// the owner wakes it (at a host block with the display open) or an event arrives.
//
// Inputs 0..5: Output L, Output R, Input L, Input R, Side L, Side R; 6 the gain
// the envelope applies (make-up included), 7 the make-up level, 8 the detected
// level (dB volts). Event pins: 9 meters on, 10 RMS on, 11 meter type, 12 RMS
// window (10 ms units), 13 level pair (nonzero: outputs, 0: inputs), 14 display
// mode 0..6, 15..18 source of scope channel 1..4 (0..5), 19 "Bypass". Settings:
// 0 the scope's tag, 1..4 the level targets (left peak, right peak, left RMS,
// right RMS), 5 the element that shows the dynamics (code 6: gain reduction and
// detected level), 9 the scale image; 0 means none.
#pragma once

#include <cstdint>

#include "modules/framework/GraphBuilder.h"
#include "modules/framework/ModuleBase.h"

class Mox_DSP_Wave_Freq_Display : public Mox_ModuleBase {
public:
    static constexpr int kSources = 6;
    static constexpr int kHalfCapture = DisplayCapture::kSamples / 2;

    Mox_DSP_Wave_Freq_Display(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_Wave_Freq_Display() override;
    void Open() override;
    void Reset() override;
    void HandleEvent(ModuleEvent* event, int offset) override;

    // The process routine: measures and posts on the run that ends the buffers.
    void Measure(int start, int count);

    int32_t rmsWindowLength() const { return rmsWindow; }
    int32_t ringCapacity() const { return ringSize; }
    const DisplayCapture* captureBuffer() const { return capture; }

    // What a feeder's graph record says about the meter type: the parameter index
    // on pin 11 (-1 when none is linked) and the elements the feeder tells the
    // type to (the level targets with code 110, the scale image with 104).
    // Answers how many targets it wrote to out (at most max).
    static int MeterTypeTargets(const GraphRecord& record, int16_t& parameter, DisplayTarget* out, int max);

private:
    const float* Source(int index) const;
    void Post(int16_t tag, int32_t code, float value, const void* data, int32_t aux);
    void PostMeterType();
    void EditorOpened();
    void EditorReopened();
    void EditorClosed();
    void ClearMaxima();
    void ClearCapture();
    void RestartRings();
    void ScopeMaxima(int n);
    void CaptureWave(int n);
    void CaptureTriggered(int n);
    void MeasureLevels(int n, bool rms);
    void MeasureDynamics(int n);
    void ClearDynamics();
    void Send();

    float unitSamples = 441.0f;  // samples in 10 ms
    int32_t metersOn = 1;
    int32_t rmsOn = 0;
    int32_t displayMode = 0;
    int32_t sourceA = 0, sourceB = 1;       // the level pair
    int32_t scopeSource[4] = {0, 1, 2, 3};  // scope channels 1..4
    int32_t meterType = -1;                 // last type received, -1 none
    bool editorSeen = false;                // the display was open at the last chunk end
    uint32_t session = 0;                   // the owner's display session then

    // Sending: samples left before the next set may go out, and the spacing.
    int32_t sendCountdown = 0;
    int32_t sendPeriod = 0;

    // RMS: two rings of squares sized once for the longest window, used over the
    // first rmsWindow entries, with running sums.
    float* rings[2] = {nullptr, nullptr};
    int32_t ringSize = 0;
    int32_t rmsWindow = 2, rmsHalf = 1, rmsIndex = 0;
    bool ringsRestart = false;
    double sums[2] = {0.0, 0.0};

    // Dynamics (setting 5): gain extremes since the last send, the latest gain
    // and detected level (DisplayDynamics order), and whether "Bypass" is on.
    float dynamics[4] = {1.0f, 1.0f, 1.0f, -180.0f};
    int32_t bypassed = 0;

    float peakA = 0.0f, peakB = 0.0f;
    float channelMaxima[4] = {0.0f, 0.0f, 0.0f, 0.0f};

    // Captures (modes 3 to 5).
    DisplayCapture* capture = nullptr;
    int32_t capturePosition = 0;
    int32_t captureRemaining = 0;  // > 0 while a triggered capture runs
    bool lastANegative = false;    // sign of A's last sample, for crossings across chunks

    float* silence = nullptr;  // read in place of an unconnected input
};
