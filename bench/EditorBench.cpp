// The editor's cost on the user-interface thread, without a window: opening it,
// one frame-timer tick with nothing moving, one full redraw, a tick with a knob
// moving, and the CPU one second of ticks takes, idle and with host automation.
#include "editor/Mox_GUI_Editor.h"
#include "host/Mox_DSP_VST.h"
#include "platform/TimerQueue.h"
#include "platform/X11Frame.h"
#include "toolkit/CFrame.h"

#include <cstdio>
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

int main() {
    auto& timers = orva::platform::TimerQueue::instance();
    timers.setClockForTesting(FakeClock);
    Mox_DSP_VST effect(nullptr);
    auto& editor = *static_cast<Mox_GUI_Editor*>(effect.editorObject);

    const int opens = 20;
    double t0 = CpuMs();
    for (int i = 0; i < opens; ++i) {
        editor.openOffscreen();
        editor.close();
    }
    const double openMs = (CpuMs() - t0) / opens;
    editor.openOffscreen();
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
    std::printf("Editor (offscreen, 1090 x 420):\n");
    std::printf("  open (walk, skins, mirror)   %7.3f ms\n", openMs);
    std::printf("  one tick, nothing moving     %7.3f us\n", tickUs);
    std::printf("  one full redraw              %7.3f ms\n", redrawMs);
    second(false);
    second(true);
    editor.close();
    timers.setClockForTesting(nullptr);
    return 0;
}
