// orva-window-truth: how far the editor's two drawing aids are from what the
// plug-in does. Both windows draw by their own laws; this prints the largest
// differences and does not change them.
//   1. The transfer-curve window's red curve (what reaches the output) against the
//      static curve of the loaded plug-in: a 1 kHz sine held at each level from
//      -80 to 0 dBFS in 1 dB steps (1 s per step, the output peak of the last
//      250 ms; the first level is held 6 s longer, so that the release of the
//      program before has run out), per program. The sine feeds the sidechain
//      inputs too, so that the detector hears it in every stereo mode. The
//      window's input axis is the level the detector hears: with "EQ Active" on,
//      the detector equaliser's gain at 1 kHz is added to the input level where
//      the window is read.
//   2. The equaliser window against the detector equaliser's magnitude response at
//      48 kHz: the three peaking sections designed by the plug-in's own coefficient
//      designer (its audio path: float, from the shared tables) from the program's
//      band settings, at the frequency of every column.
//   orva-window-truth [--plugin PATH] [PROGRAM ...]      (default programs 0 38 9)
#include "editor/displays/CompExpWindow.h"
#include "editor/displays/EqWindow.h"
#include "editor/EditorRecords.h"
#include "host/Mox_DSP_VST.h"
#include "modules/analysis/BiQuadCoeff.h"
#include "modules/convert/GlideModule.h"
#include "tools/PluginLoader.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 48000;

intptr_t VSTCALLBACK QuietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

void Link(VSTGUI::CView& window, int32_t slot, float value) {
    window.notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, slot, value));
}

// The output peak in dBFS of the plug-in for a 1 kHz sine at each level.
std::vector<double> StaticCurve(AEffect* e) {
    const int block = 480, step = kRate, tail = kRate / 4, settle = 6 * kRate;
    std::vector<float> l(block), r(block), ol(block), orr(block);
    std::vector<double> out;
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    long n = 0;
    for (int level = -80; level <= 0; ++level) {
        const double amplitude = std::pow(10.0, level / 20.0);
        double peak = 0.0;
        for (int at = level == -80 ? -settle : 0; at < step; at += block) {
            for (int i = 0; i < block; ++i, ++n)
                l[i] = r[i] = float(amplitude * std::sin(2 * kPi * 1000.0 * n / kRate));
            float* in[4] = {l.data(), r.data(), l.data(), r.data()};
            float* o[2] = {ol.data(), orr.data()};
            e->processReplacing(e, in, o, block);
            if (at >= step - tail)
                for (int i = 0; i < block; ++i) peak = std::max(peak, double(std::fabs(ol[i])));
        }
        out.push_back(peak > 0 ? 20.0 * std::log10(peak) : -300.0);
    }
    e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
    return out;
}

// The three peaking sections the program's band settings give, designed by the
// plug-in's own coefficient designer at 48 kHz.
void DesignBands(AEffect* e, Mox_DSP_VST& owner, Mox_DSP_BiQuad_Coeff::Coefficients c[3]) {
    auto p = [&](int index) { return e->getParameter(e, index); };
    Mox_DSP_BiQuad_Coeff designer(&owner, false);
    designer.Open();  // takes the sample rate and the table scale
    for (int b = 0; b < 3; ++b) {
        const float f = p(19 + 3 * b), g = p(20 + 3 * b), w = p(21 + 3 * b);
        const double hz = 20.0 + 20460.0 * f, db = -15.0 + 30.0 * g;
        // The graph's units: frequency in volts of 10 Hz, width 0..1, gain in dB/10 shaped.
        designer.DesignOne(9, float(hz / 10.0), w, Mox_DSP_FdB_to_VFGain::TargetOf(float(db / 10.0)), c[b]);
    }
}

// Their magnitude response in dB at a frequency.
double ResponseDb(const Mox_DSP_BiQuad_Coeff::Coefficients c[3], double hz) {
    const std::complex<double> z = std::polar(1.0, -2 * kPi * std::min(hz, kRate * 0.499) / kRate);
    double db = 0.0;
    for (int k = 0; k < 3; ++k) {
        const auto& s = c[k];
        const std::complex<double> h =
            (double(s.b0) + double(s.b1) * z + double(s.b2) * z * z) / (1.0 + double(s.a1) * z + double(s.a2) * z * z);
        db += 20.0 * std::log10(std::abs(h));
    }
    return db;
}

void CompareCurve(AEffect* e, Mox_DSP_VST& owner, int program) {
    e->dispatcher(e, effSetProgram, 0, program, nullptr, 0.0f);
    owner.setProgram(program);  // the window reads the output stage's values here
    auto p = [&](int index) { return e->getParameter(e, index); };
    Mox_GUI_Comp_Exp_Window window(VSTGUI::CRect(0, 0, 354, 354), nullptr, 0, nullptr, &owner);
    const int slots[7][2] = {{0, 8}, {1, 9}, {2, 10}, {3, 14}, {5, 11}, {6, 12}, {7, 13}};
    for (const auto& s : slots) Link(window, s[0], p(s[1]));
    const double makeup = 48.0 * p(14) - 24.0;
    Mox_DSP_BiQuad_Coeff::Coefficients bands[3];
    DesignBands(e, owner, bands);
    const double detectorEq = IntegerForm(p(28)) != 0 ? ResponseDb(bands, 1000.0) : 0.0;
    const std::vector<double> plugin = StaticCurve(e);
    double worst = 0.0, sum = 0.0, worstSeen = 0.0;
    int worstAt = 0, worstSeenAt = 0;
    // What the window can show: its -80 to 0 dB, and the 3 pixels (0.68 dB) past it.
    auto seen = [](double db) { return std::clamp(db, -80.0 - 3 / 4.425, 3 / 4.425); };
    std::printf(
        "program %d: comp %.1f dB ratio %.2f knee %.2f, exp %.1f dB ratio %.2f knee %.2f, make-up %+.1f dB; parallel "
        "%.2f, stereo mode %.2f; detector EQ at 1 kHz %+.2f dB\n",
        program, -80.0 * (1 - p(8)), p(9) * 19.9 + 0.1, p(10), -80.0 * (1 - p(11)), p(12) * 3.9 + 0.1, p(13), makeup,
        p(3), p(16), detectorEq);
    std::printf("  in dB   window  plug-in\n");
    for (int k = 0; k <= 80; ++k) {
        const double in = k - 80.0;
        const double drawn = in + window.outputGainDb(in + detectorEq);
        const double d = std::fabs(drawn - plugin[size_t(k)]);
        sum += d;
        if (d > worst) worst = d, worstAt = int(in);
        const double v = std::fabs(seen(drawn) - seen(plugin[size_t(k)]));
        if (v > worstSeen) worstSeen = v, worstSeenAt = int(in);
        if (k % 10 == 0) std::printf("  %5.0f  %7.2f  %7.2f\n", in, drawn, plugin[size_t(k)]);
    }
    std::printf("  largest difference %.2f dB at %d dBFS in; mean %.2f dB; as drawn (within the window) %.2f dB at %d dBFS\n",
                worst, worstAt, sum / 81, worstSeen, worstSeenAt);
}

void CompareEq(AEffect* e, Mox_DSP_VST& owner, int program) {
    e->dispatcher(e, effSetProgram, 0, program, nullptr, 0.0f);
    owner.setProgram(program);  // the window reads "EQ Active" and the sample rate here
    auto p = [&](int index) { return e->getParameter(e, index); };
    const int width = 306, height = 133;
    Mox_GUI_EQ_Window window(VSTGUI::CRect(0, 0, width, height), nullptr, 3, 0, nullptr, nullptr, &owner);
    Mox_DSP_BiQuad_Coeff::Coefficients c[3];
    DesignBands(e, owner, c);
    std::printf("program %d: EQ Active %s (window %s);", program, IntegerForm(p(28)) != 0 ? "on" : "off",
                window.active() ? "on" : "greyed");
    for (int b = 0; b < 3; ++b) {
        const float f = p(19 + 3 * b), g = p(20 + 3 * b), w = p(21 + 3 * b);
        Link(window, b, f);
        Link(window, 5 + b, g);
        Link(window, 10 + b, w);
        const double hz = 20.0 + 20460.0 * f, db = -15.0 + 30.0 * g;
        std::printf(" band %d %.0f Hz %+.2f dB width %.2f;", b + 1, hz, db, w);
    }
    std::printf("\n");
    double worst = 0.0, sum = 0.0, worstHz = 0.0, worstDrawn = 0.0, worstTrue = 0.0;
    for (int i = 0; i < width; ++i) {
        const double hz = 20.0 * std::exp2(10.0 * i / (width - 1));
        const double drawn = -(window.curveValue(i) - height / 2) / height * 30.0;
        const double truth = ResponseDb(c, hz);
        const double d = std::fabs(drawn - truth);
        sum += d;
        if (d > worst) worst = d, worstHz = hz, worstDrawn = drawn, worstTrue = truth;
        if (i % 34 == 0) std::printf("  %7.0f Hz  window %+6.2f  filters %+6.2f\n", hz, drawn, truth);
    }
    std::printf("  largest difference %.2f dB at %.0f Hz (window %+.2f, filters %+.2f); mean %.2f dB over %d columns\n",
                worst, worstHz, worstDrawn, worstTrue, sum / width, width);
}

}  // namespace

int main(int argc, char** argv) {
    std::string plugin = ORVA_DEFAULT_PLUGIN;
    std::vector<int> programs;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--plugin" && i + 1 < argc) plugin = argv[++i];
        else programs.push_back(std::atoi(argv[i]));
    }
    if (programs.empty()) programs = {0, 38, 9};
    PluginLoader loader;
    if (!loader.Load(plugin)) {
        std::fprintf(stderr, "orva-window-truth: %s\n", loader.error().c_str());
        return 1;
    }
    AEffect* e = loader.effect();
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, float(kRate));
    e->dispatcher(e, effSetBlockSize, 0, 480, nullptr, 0.0f);
    Mox_DSP_VST owner(QuietHost);  // the designer's tables at 48 kHz
    owner.setSampleRate(float(kRate));

    std::printf("== transfer-curve window against the plug-in's static curve (1 kHz sine, peaks)\n");
    for (int program : programs) CompareCurve(e, owner, program);
    std::printf("== equaliser window against the detector equaliser's response at 48 kHz\n");
    for (int program : programs) CompareEq(e, owner, program);
    return 0;
}
