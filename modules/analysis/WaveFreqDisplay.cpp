#include "modules/analysis/WaveFreqDisplay.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A sample as the meters see it: its magnitude, with NaN and infinity heard as
// silence, so that nothing but finite values is ever posted.
inline float Magnitude(float x) {
    const float m = std::fabs(x);
    return m <= 3.0e38f ? m : 0.0f;
}

// A sample for a waveform capture: itself if finite, else 0.
inline float Finite(float x) { return std::fabs(x) <= 3.0e38f ? x : 0.0f; }

// The square of a magnitude held at 1e6 (+120 dBFS): larger finite samples would
// overflow and swamp the running sum of the rest of the window.
inline float Square(float magnitude) {
    const float held = magnitude < 1.0e6f ? magnitude : 1.0e6f;
    return held * held;
}

// The largest of m and the magnitudes of x[0 .. n), NaN and infinity as silence.
float PeakOf(const float* x, int n, float m) {
    int i = 0;
#if defined(__SSE2__)
    // Four at a time: the magnitude is the sample without its sign bit; NaN and
    // infinity fail the comparison with infinity and are masked to 0.
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    const __m128 infinity = _mm_castsi128_ps(_mm_set1_epi32(0x7f800000));
    __m128 peak = _mm_set1_ps(m);
    for (; i + 4 <= n; i += 4) {
        const __m128 a = _mm_and_ps(_mm_loadu_ps(x + i), magnitude);
        peak = _mm_max_ps(peak, _mm_and_ps(a, _mm_cmplt_ps(a, infinity)));
    }
    peak = _mm_max_ps(peak, _mm_movehl_ps(peak, peak));
    peak = _mm_max_ss(peak, _mm_shuffle_ps(peak, peak, 1));
    m = _mm_cvtss_f32(peak);
#endif
    for (; i < n; ++i) {
        const float a = Magnitude(x[i]);
        if (a > m) m = a;
    }
    return m;
}

// Lowers low to the smallest and raises high to the largest of x[0 .. n); NaN is
// passed over.
void RangeOf(const float* x, int n, float& low, float& high) {
    int i = 0;
#if defined(__SSE2__)
    // minps and maxps answer their second operand when either is NaN.
    __m128 lo = _mm_set1_ps(low), hi = _mm_set1_ps(high);
    for (; i + 4 <= n; i += 4) {
        const __m128 v = _mm_loadu_ps(x + i);
        lo = _mm_min_ps(v, lo);
        hi = _mm_max_ps(v, hi);
    }
    lo = _mm_min_ps(lo, _mm_movehl_ps(lo, lo));
    lo = _mm_min_ss(lo, _mm_shuffle_ps(lo, lo, 1));
    hi = _mm_max_ps(hi, _mm_movehl_ps(hi, hi));
    hi = _mm_max_ss(hi, _mm_shuffle_ps(hi, hi, 1));
    low = _mm_cvtss_f32(lo);
    high = _mm_cvtss_f32(hi);
#endif
    for (; i < n; ++i) {
        if (x[i] < low) low = x[i];
        if (x[i] > high) high = x[i];
    }
}

// The sum of ring[0 .. length) in double precision.
double SumOf(const float* ring, int32_t length) {
    double sum = 0.0;
    int32_t k = 0;
#if defined(__SSE2__)
    __m128d pairs = _mm_setzero_pd();
    for (; k + 4 <= length; k += 4) {
        const __m128 q = _mm_loadu_ps(ring + k);
        pairs = _mm_add_pd(pairs, _mm_add_pd(_mm_cvtps_pd(q), _mm_cvtps_pd(_mm_movehl_ps(q, q))));
    }
    sum = _mm_cvtsd_f64(_mm_add_sd(pairs, _mm_unpackhi_pd(pairs, pairs)));
#endif
    for (; k < length; ++k) sum += static_cast<double>(ring[k]);
    return sum;
}

// Writes the squares of x[0 .. n) over ring[0 .. n) and answers by how much the
// sum of the ring grew (double precision).
double ReplaceSquares(const float* x, float* ring, int n) {
    double grown = 0.0;
    int i = 0;
#if defined(__SSE2__)
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    const __m128 infinity = _mm_castsi128_ps(_mm_set1_epi32(0x7f800000));
    const __m128 held = _mm_set1_ps(1.0e6f);
    __m128d pairs = _mm_setzero_pd();
    for (; i + 4 <= n; i += 4) {
        __m128 a = _mm_and_ps(_mm_loadu_ps(x + i), magnitude);
        a = _mm_min_ps(_mm_and_ps(a, _mm_cmplt_ps(a, infinity)), held);
        const __m128 q = _mm_mul_ps(a, a);
        const __m128 old = _mm_loadu_ps(ring + i);
        _mm_storeu_ps(ring + i, q);
        pairs = _mm_add_pd(pairs, _mm_sub_pd(_mm_cvtps_pd(q), _mm_cvtps_pd(old)));
        pairs = _mm_add_pd(pairs, _mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(q, q)), _mm_cvtps_pd(_mm_movehl_ps(old, old))));
    }
    grown = _mm_cvtsd_f64(_mm_add_sd(pairs, _mm_unpackhi_pd(pairs, pairs)));
#endif
    for (; i < n; ++i) {
        const float q = Square(Magnitude(x[i]));
        grown += static_cast<double>(q) - static_cast<double>(ring[i]);
        ring[i] = q;
    }
    return grown;
}

}  // namespace

Mox_DSP_Wave_Freq_Display::Mox_DSP_Wave_Freq_Display(ModuleOwner* owner, bool startDisabled)
    : Mox_ModuleBase(owner, startDisabled) {
    capture = new (std::nothrow) DisplayCapture();
    silence = AllocateSignalBuffer(blockSize);
}

Mox_DSP_Wave_Freq_Display::~Mox_DSP_Wave_Freq_Display() {
    delete capture;
    for (float*& ring : rings) {
        std::free(ring);
        ring = nullptr;
    }
    FreeSignalBuffer(silence);
}

void Mox_DSP_Wave_Freq_Display::Open() {
    SetProcess(AsProcess(&Mox_DSP_Wave_Freq_Display::Measure));
    if (owner) owner->AddDisplayModule(this);
    metersOn = 1;
    rmsOn = settings[3] != 0 || settings[4] != 0 ? 1 : 0;
    const float rate = owner ? owner->ModuleSampleRate() : 44100.0f;
    unitSamples = rate > 0.0f ? rate * 0.01f : 441.0f;
    sendPeriod = static_cast<int32_t>(unitSamples * 1.67f);
    displayMode = 0;
    sendCountdown = 0;

    // The rings hold the longest window the level detector can report (its own
    // ring: 500 ms and one sample), so that no window change ever reallocates.
    const int32_t wanted = static_cast<int32_t>(unitSamples * 50.0f) + 1;
    if (!rings[0] || !rings[1] || ringSize < wanted) {
        for (float*& ring : rings) {
            std::free(ring);
            ring = static_cast<float*>(std::calloc(static_cast<size_t>(wanted), sizeof(float)));
        }
        ringSize = rings[0] && rings[1] ? wanted : 0;
    }
    rmsWindow = static_cast<int32_t>(unitSamples * 20.0f);  // 200 ms
    if (rmsWindow > ringSize) rmsWindow = ringSize;
    if (rmsWindow < 2) rmsWindow = 2;
    rmsHalf = rmsWindow >> 1;
    RestartRings();

    ClearCapture();
    if (capture) {
        std::memset(capture->samples, 0, sizeof capture->samples);
        capture->ready.store(0.0f, std::memory_order_release);
    }
    lastANegative = false;
    sourceA = 0;
    sourceB = 1;
    for (int c = 0; c < 4; ++c) scopeSource[c] = c;
    meterType = -1;
    editorSeen = false;
    ClearMaxima();
}

void Mox_DSP_Wave_Freq_Display::Reset() {
    ClearMaxima();
    sendCountdown = 0;
}

void Mox_DSP_Wave_Freq_Display::HandleEvent(ModuleEvent* e, int /*offset*/) {
    const int32_t v = e->intValue;
    switch (e->pin) {
        case 9: metersOn = v; break;
        case 10: rmsOn = v; break;
        case 14:
            if (v != displayMode) ClearCapture();
            displayMode = v;
            break;
        case 11:
            meterType = v < 0 ? 0 : v > 3 ? 3 : v;
            if (owner && owner->DisplayOpen()) PostMeterType();
            break;
        case 12: {
            // A window of 0 or 1 sample would divide by 0; longer than the rings
            // it cannot be measured: held at 2 and at the rings' length.
            const float samples = unitSamples * e->floatValue;
            int32_t length = 2;
            if (samples >= static_cast<float>(ringSize)) length = ringSize;
            else if (samples >= 2.0f) length = static_cast<int32_t>(samples);
            if (length < 2) length = 2;
            rmsWindow = length;
            rmsHalf = length >> 1;
            // Restarted from silence before the rings are next used.
            ringsRestart = true;
            break;
        }
        case 19: bypassed = v; break;
        case 13:
            sourceA = v != 0 ? 0 : 2;
            sourceB = v != 0 ? 1 : 3;
            break;
        case 15:
        case 16:
        case 17:
        case 18:
            if (v >= 0 && v < kSources) scopeSource[e->pin - 15] = v;
            break;
        default: break;
    }
}

const float* Mox_DSP_Wave_Freq_Display::Source(int index) const {
    const float* in = index >= 0 && index < kSources ? inputs[index] : nullptr;
    return in ? in : silence;
}

void Mox_DSP_Wave_Freq_Display::Post(int16_t tag, int32_t code, float value, const void* data, int32_t aux) {
    if (tag <= 0 || !owner) return;
    DisplayMessage m;
    m.dataBits = 0;
    m.data = data;
    m.aux = aux;
    m.code = code;
    m.value = value;
    owner->PostToEditor(tag, &m);
}

void Mox_DSP_Wave_Freq_Display::PostMeterType() {
    if (meterType < 0) return;
    for (int k = 1; k <= 4; ++k) Post(settings[k], 110, 0.0f, nullptr, meterType);
    Post(settings[9], 104, 0.0f, nullptr, meterType);
}

void Mox_DSP_Wave_Freq_Display::ClearMaxima() {
    peakA = peakB = 0.0f;
    for (float& m : channelMaxima) m = 0.0f;
    ClearDynamics();
}

// The extremes start again from the gain applied now.
void Mox_DSP_Wave_Freq_Display::ClearDynamics() { dynamics[kGainLowest] = dynamics[kGainHighest] = dynamics[kGainNow]; }

void Mox_DSP_Wave_Freq_Display::ClearCapture() {
    capturePosition = 0;
    captureRemaining = 0;
}

void Mox_DSP_Wave_Freq_Display::RestartRings() {
    ringsRestart = false;
    rmsIndex = 0;
    sums[0] = sums[1] = 0.0;
    if (ringSize < rmsWindow) return;
    for (float* ring : rings) std::memset(ring, 0, sizeof(float) * static_cast<size_t>(rmsWindow));
}

// The editor has just opened: what was measured before it closed is stale, so the
// next chunk starts afresh and sends at once, and the meters learn the type that
// was set while no one listened.
void Mox_DSP_Wave_Freq_Display::EditorOpened() {
    editorSeen = true;
    session = owner->DisplaySession();
    ClearMaxima();
    ClearCapture();
    ringsRestart = true;
    sendCountdown = 0;
    PostMeterType();
}

// The editor closed and opened again between two chunks: the peaks gathered for
// the next send partly came before the open and are dropped. The measurement went
// on without a gap, so the RMS rings and a running capture stay. A finished
// capture is offered to the new editor again rather than taken back: it was
// finished within the last chunk, and it may already be in the new editor's hands
// (posted just after it opened), so it must not be rewritten under a reader. The
// editor gives it back through its ready flag as usual.
void Mox_DSP_Wave_Freq_Display::EditorReopened() {
    session = owner->DisplaySession();
    ClearMaxima();
    sendCountdown = 0;
    if (capture) {
        const float ready = capture->ready.load(std::memory_order_acquire);
        if (ready != 0.0f) Post(settings[0], static_cast<int32_t>(ready), 0.0f, capture, 0);
    }
    PostMeterType();
}

// The editor has closed: a capture it held is given back to the module.
void Mox_DSP_Wave_Freq_Display::EditorClosed() {
    editorSeen = false;
    ClearCapture();
    if (capture) capture->ready.store(0.0f, std::memory_order_release);
}

void Mox_DSP_Wave_Freq_Display::Measure(int start, int count) {
    if (start + count < blockSize) return;  // once per chunk, at the end of the buffers
    if (!owner || !owner->DisplayOpen()) {
        // Asleep until the owner wakes it with the display open, or an event.
        if (editorSeen) EditorClosed();
        flags |= kAsleep;
        return;
    }
    if (!editorSeen) EditorOpened();
    else if (owner->DisplaySession() != session) EditorReopened();
    const int n = blockSize;

    if (displayMode > 1 && capture && capture->ready.load(std::memory_order_acquire) == 0.0f) {
        switch (displayMode) {
            case 2:
            case 6: ScopeMaxima(n); break;
            case 3:
            case 4: CaptureWave(n); break;
            case 5: CaptureTriggered(n); break;
            default: break;
        }
    }
    if (displayMode == 1 || metersOn) {
        if (ringsRestart) RestartRings();
        MeasureLevels(n, rmsOn && metersOn && ringSize >= rmsWindow);
    }
    if (settings[5] > 0) MeasureDynamics(n);
    sendCountdown -= n;
    if (sendCountdown >= 0) return;
    Send();
    sendCountdown = n + sendPeriod;
}

void Mox_DSP_Wave_Freq_Display::ScopeMaxima(int n) {
    for (int c = 0; c < 4; ++c) channelMaxima[c] = PeakOf(Source(scopeSource[c]), n, channelMaxima[c]);
}

void Mox_DSP_Wave_Freq_Display::CaptureWave(int n) {
    const float* a = Source(sourceA);
    int k = DisplayCapture::kSamples - capturePosition;
    if (k > n) k = n;
    float* to = capture->samples + capturePosition;
    for (int i = 0; i < k; ++i) to[i] = Finite(a[i]);
    capturePosition += k;
    if (capturePosition < DisplayCapture::kSamples) return;
    capturePosition = 0;
    capture->ready.store(static_cast<float>(displayMode), std::memory_order_release);
    Post(settings[0], displayMode, 0.0f, capture, 0);
}

// A triggered capture: 512 samples of A and of B from a rising zero crossing of A
// (a sample with the sign bit set followed by one without), A in the first half of
// the buffer and B in the second.
void Mox_DSP_Wave_Freq_Display::CaptureTriggered(int n) {
    const float* a = Source(sourceA);
    const float* b = Source(sourceB);
    int from = 0, k = 0;
    if (captureRemaining > 0) {
        k = captureRemaining < n ? captureRemaining : n;
    } else {
        // The last crossing of the chunk starts the capture; earlier ones would be
        // restarted by it.
        bool negative = lastANegative;
        int at = -1;
        for (int i = 0; i < n; ++i) {
            const bool sign = std::signbit(a[i]);
            if (negative && !sign) at = i;
            negative = sign;
        }
        if (at < 0) {
            lastANegative = negative;
            return;
        }
        from = at;
        capturePosition = 0;
        captureRemaining = kHalfCapture;
        k = n - at < kHalfCapture ? n - at : kHalfCapture;
    }
    lastANegative = std::signbit(a[n - 1]);
    float* toA = capture->samples + capturePosition;
    float* toB = toA + kHalfCapture;
    for (int i = 0; i < k; ++i) {
        toA[i] = Finite(a[from + i]);
        toB[i] = Finite(b[from + i]);
    }
    capturePosition += k;
    captureRemaining -= k;
    if (captureRemaining > 0) return;
    ClearCapture();
    capture->ready.store(5.0f, std::memory_order_release);
    Post(settings[0], 5, 0.0f, capture, 0);
}

void Mox_DSP_Wave_Freq_Display::MeasureLevels(int n, bool rms) {
    const float* a = Source(sourceA);
    const float* b = Source(sourceB);
    peakA = PeakOf(a, n, peakA);
    peakB = PeakOf(b, n, peakB);
    if (!rms) return;
    // The chunk goes into the rings in stretches that end where the index wraps.
    double sumA = sums[0], sumB = sums[1];
    for (int i = 0; i < n;) {
        const int stretch = n - i < rmsWindow - rmsIndex ? n - i : rmsWindow - rmsIndex;
        sumA += ReplaceSquares(a + i, rings[0] + rmsIndex, stretch);
        sumB += ReplaceSquares(b + i, rings[1] + rmsIndex, stretch);
        i += stretch;
        rmsIndex += stretch;
        if (rmsIndex >= rmsWindow) {
            // Once per pass over the window the sums are taken afresh, so that
            // their rounding never builds up and silence reads exactly 0.
            rmsIndex = 0;
            sumA = SumOf(rings[0], rmsWindow);
            sumB = SumOf(rings[1], rmsWindow);
        }
    }
    sums[0] = sumA > 0.0 ? sumA : 0.0;
    sums[1] = sumB > 0.0 ? sumB : 0.0;
}

// The gain the envelope applies with the make-up level divided out (what the
// compressor and expander do now: below 1 a reduction, above 1 a boost), its
// extremes over the chunk, and the level the detector hears at the chunk's end.
// Bypassed, nothing is applied.
void Mox_DSP_Wave_Freq_Display::MeasureDynamics(int n) {
    const float* applied = inputs[6];
    const float* makeup = inputs[7];
    const float* detected = inputs[8];
    float lowest = dynamics[kGainLowest], highest = dynamics[kGainHighest], gain = 1.0f;
    auto held = [](float g) {
        if (!(g >= 1.0e-9f)) g = 1.0e-9f;  // also NaN: nothing passes
        return g < 1.0e6f ? g : 1.0e6f;
    };
    if (applied && !bypassed) {
        const float first = makeup ? makeup[0] : 1.0f, last = makeup ? makeup[n - 1] : 1.0f;
        if (first == last && first > 0.0f) {
            // The make-up level holds still over the chunk (it glides only after a
            // change): the extremes of the applied gain, divided once.
            float low = applied[0], high = applied[0];
            RangeOf(applied, n, low, high);
            low = held(low / first), high = held(high / first);
            lowest = low < lowest ? low : lowest;
            highest = high > highest ? high : highest;
            gain = held(applied[n - 1] / first);
        } else {
            for (int i = 0; i < n; ++i) {
                const float m = makeup ? makeup[i] : 1.0f;
                gain = held(m > 0.0f ? applied[i] / m : 1.0f);
                lowest = gain < lowest ? gain : lowest;
                highest = gain > highest ? gain : highest;
            }
        }
    } else {
        lowest = lowest < 1.0f ? lowest : 1.0f;
        highest = highest > 1.0f ? highest : 1.0f;
    }
    dynamics[kGainLowest] = lowest;
    dynamics[kGainHighest] = highest;
    dynamics[kGainNow] = gain;
    const float db = detected ? detected[n - 1] * 10.0f : -180.0f;
    dynamics[kDetectedDb] = db >= -180.0f ? (db <= 180.0f ? db : 180.0f) : -180.0f;
}

void Mox_DSP_Wave_Freq_Display::Send() {
    if (displayMode == 6) {
        for (int c = 0; c < 4; ++c) Post(settings[1 + c], 0, channelMaxima[c], nullptr, 0);
    } else {
        if (metersOn) {
            // The RMS divides by half the window, so that a sine reads its peak.
            const double half = static_cast<double>(rmsHalf);
            Post(settings[1], 0, peakA, nullptr, 0);
            Post(settings[2], 0, peakB, nullptr, 0);
            Post(settings[3], 1, static_cast<float>(std::sqrt(sums[0] / half)), nullptr, 0);
            Post(settings[4], 1, static_cast<float>(std::sqrt(sums[1] / half)), nullptr, 0);
        }
        if (displayMode == 1) Post(settings[0], 1, peakA > peakB ? peakA : peakB, nullptr, 0);
        else if (displayMode == 2) Post(settings[0], 2, 0.0f, channelMaxima, 0);
    }
    Post(settings[5], 6, 0.0f, dynamics, 0);
    ClearMaxima();
}

int Mox_DSP_Wave_Freq_Display::MeterTypeTargets(const GraphRecord& record, int16_t& parameter, DisplayTarget* out,
                                                int max) {
    int16_t settingTags[10] = {};
    parameter = -1;
    for (const GraphLink& link : record.links) {
        if (link.pin == kEndOfLinks) break;
        if (link.pin == 11 && link.source >= 0 && link.source < kConstantBase) parameter = link.source;
        if (link.pin >= kSettingPinBase && link.pin < kSettingPinBase + 10)
            settingTags[link.pin - kSettingPinBase] = link.source;
    }
    int n = 0;
    if (parameter < 0) return 0;
    for (int k : {1, 2, 3, 4, 9})
        if (settingTags[k] > 0 && n < max) out[n++] = DisplayTarget{settingTags[k], k == 9 ? 104 : 110};
    return n;
}
