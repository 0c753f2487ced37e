// The editor's cost on the user-interface thread, without a window: opening it,
// one frame-timer tick with nothing moving, one full redraw, a tick with a knob
// moving, and the CPU one second of ticks takes, idle, with host automation, and
// with the meters, needles, scope, gain-reduction meter and level dot moving (the
// display mailbox fed as the two display-data feeders feed it: a set every 21 ms
// of audio). The argument is the pixel scale (1, 1.5 or 2; 1 when none is given).
#include "editor/Mox_GUI_Editor.h"
#include "host/DisplayMailbox.h"
#include "host/Mox_DSP_VST.h"
#include "platform/DisplayScale.h"
#include "platform/TimerQueue.h"
#include "platform/X11Frame.h"
#include "toolkit/CFrame.h"

#include <cmath>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double CpuMs() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

uint64_t fakeNow = 0;
uint64_t FakeClock() { return fakeNow; }

}  // namespace

int main(int argc, char** argv) {
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    if (scale != 1.0 && scale != 1.5 && scale != 2.0) {
        std::fprintf(stderr, "usage: orva_bench_editor [1|1.5|2]\n");
        return 2;
    }
    auto& timers = orva::platform::TimerQueue::instance();
    timers.setClockForTesting(FakeClock);
    Mox_DSP_VST effect(nullptr);
    auto& editor = *static_cast<Mox_GUI_Editor*>(effect.editorObject);

    const int opens = 20;
    double t0 = CpuMs();
    for (int i = 0; i < opens; ++i) {
        editor.openOffscreen(scale);
        editor.close();
    }
    const double openMs = (CpuMs() - t0) / opens;
    editor.openOffscreen(scale);
    VSTGUI::CFrame* frame = editor.getFrame();
    editor.runTicks(100);
    frame->updateDirty();

    const int ticks = 5000;
    t0 = CpuMs();
    editor.runTicks(ticks);
    const double tickUs = (CpuMs() - t0) * 1e3 / ticks;

    const int redraws = 100;
    t0 = CpuMs();
    for (int i = 0; i < redraws; ++i) frame->redrawAll();
    const double redrawMs = (CpuMs() - t0) / redraws;

    // One second of wall-clock time (the timer fires every 14 ms), idle and with a
    // knob and a slider automated by the host at every tick.
    auto second = [&](bool automated) {
        const double start = CpuMs();
        long area = 0;
        for (int i = 0; i < 1000 / 14; ++i) {
            if (automated) {
                effect.setParameter(6, float(i % 50) / 50.0f);
                effect.setParameter(8, float(i % 30) / 30.0f);
            }
            fakeNow += 14;
            editor.onTimer();
            area += frame->getLastRedrawArea();
        }
        std::printf("  %-28s %7.3f ms CPU per second (%.2f %% of a core), %ld pixels redrawn\n",
                    automated ? "knob + slider automated:" : "nothing moving:", CpuMs() - start,
                    (CpuMs() - start) / 10.0, area);
    };
    std::printf("Editor (offscreen, 1090 x 420 at %gx: %d x %d pixels):\n", scale,
                orva::platform::scaledPixels(1090, scale), orva::platform::scaledPixels(420, scale));
    std::printf("  open (walk, skins, mirror)   %7.3f ms\n", openMs);
    std::printf("  one tick, nothing moving     %7.3f us\n", tickUs);
    std::printf("  one full redraw              %7.3f ms\n", redrawMs);
    second(false);
    second(true);

    // Meters, needles and scope moving: a level that sweeps and beats, posted as the
    // feeders post it (one set per 1024 samples at 48 kHz, 21.3 ms), ten seconds.
    {
        DisplayMailbox& mailbox = effect.displayMailbox();
        auto post = [&](int32_t tag, int32_t code, float value, const void* data = nullptr) {
            DisplayMessage m{};
            m.data = data;
            m.code = code;
            m.value = value;
            mailbox.Post(tag, m);
        };
        editor.runTicks(300);
        frame->updateDirty();
        const int seconds = 10;
        double audioMs = 0.0, nextSet = 0.0;
        long area = 0, redraws = 0;
        const double start = CpuMs();
        for (int i = 0; i < seconds * 1000 / 14; ++i) {
            audioMs += 14.0;
            for (; nextSet < audioMs; nextSet += 1024.0 / 48.0) {
                const double t = nextSet * 1e-3;
                const float beat = float(0.5 + 0.5 * std::sin(2.0 * 3.14159265 * 2.0 * t));
                const float l = float(std::pow(10.0, (-40.0 + 41.0 * beat) / 20.0));
                const float r = float(std::pow(10.0, (-40.0 + 41.0 * (1.0f - beat)) / 20.0));
                post(76, 0, l), post(77, 0, r), post(78, 1, l * 0.7f), post(79, 1, r * 0.7f);
                const float four[4] = {l, r, l * 0.5f, r * 0.25f};
                post(74, 2, 0.0f, four);
                post(84, 0, l), post(85, 0, r), post(86, 0, l * 0.8f), post(87, 0, r * 0.8f);
                // Up to 12 dB of gain reduction, the dot riding the level.
                const float gain = float(std::pow(10.0, -12.0 * beat / 20.0));
                const float dynamics[4] = {gain, gain, gain, float(-40.0 + 41.0 * beat)};
                post(72, 6, 0.0f, dynamics);
            }
            fakeNow += 14;
            editor.onTimer();
            area += frame->getLastRedrawArea();
            redraws += frame->getLastRedrawArea() > 0;
        }
        const double perSecond = (CpuMs() - start) / seconds;
        std::printf("  %-28s %7.3f ms CPU per second (%.2f %% of a core), %ld pixels redrawn per second,\n"
                    "  %-28s %ld of %d pumps drew (%.1f %% of the window's area per pump)\n",
                    "meters, needles, scope, GR:", perSecond, perSecond / 10.0, area / seconds, "", redraws,
                    seconds * 1000 / 14, 100.0 * double(area) / double(redraws ? redraws : 1) / (1090.0 * 420.0));
        std::printf("  one tick, everything moving  %7.3f us (its drawing included)\n",
                    perSecond * 1e3 / (1000.0 / 14.0));
    }
    editor.close();
    timers.setClockForTesting(nullptr);
    return 0;
}
