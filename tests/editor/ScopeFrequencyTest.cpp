// The scope's spectrum modes, fed through the effect's display mailbox with a
// capture the test owns: a sine raises the column at its frequency (linear grid in
// mode 3, logarithmic in mode 4), a capture not marked ready is not read, and bad
// samples never give a column outside the view.
#include "tests/editor/EditorTestSupport.h"

#include "editor/displays/WaveFreqWindow.h"
#include "host/DisplayMailbox.h"
#include "modules/framework/ModuleOwner.h"
#include "toolkit/CDrawContext.h"

#include <cmath>
#include <memory>
#include <tuple>

using namespace VSTGUI;
using namespace editor_test;

namespace {

constexpr int32_t kScope = 74, kTop = 8, kFloor = 8 + 133, kWidth = 384;
constexpr double kRate = 44100.0;

class Spectrum : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(editor.openOffscreen());
        editor.runTicks(100);
    }
    void post(int32_t code) {
        DisplayMessage m{};
        m.data = capture.get();
        m.code = code;
        ASSERT_TRUE(effect.displayMailbox().Post(kScope, m));
        editor.runTicks(1);
    }
    void sine(double hz, float amplitude = 1.0f) {
        for (int j = 0; j < 1024; ++j) capture->samples[j] = amplitude * float(std::sin(2.0 * M_PI * hz * j / kRate));
    }
    Mox_GUI_Wave_Freq_Display& scope() { return *dynamic_cast<Mox_GUI_Wave_Freq_Display*>(editor.slot(kScope)); }
    int32_t highest(int32_t x) {  // smallest top among x-1 .. x+1
        return std::min({scope().columnTop(x - 1), scope().columnTop(x), scope().columnTop(x + 1)});
    }

    TestEffect effect;
    Mox_GUI_Editor& editor = EditorOf(effect);
    std::unique_ptr<DisplayCapture> capture = std::make_unique<DisplayCapture>();
};

// Mode, and the FFT bin a full-scale sine is centred on.
class SineColumn : public Spectrum, public ::testing::WithParamInterface<std::tuple<int32_t, int>> {};

TEST_P(SineColumn, RaisesTheColumnAtItsFrequencyAboveItsNeighbours) {
    const auto [mode, bin] = GetParam();
    const double hz = bin * kRate / 1024.0;
    sine(hz);
    capture->ready.store(float(mode));
    post(mode);
    EXPECT_EQ(scope().mode(), mode);
    EXPECT_EQ(capture->ready.load(), 0.0f) << "handed back";
    ASSERT_EQ(scope().spectrumColumns(), kWidth);
    const int32_t x = mode == 3 ? int32_t((hz - 20.0) / (kRate / 2 - 20.0) * kWidth)
                                : int32_t(std::log2(hz / 20.0) / 10.0 * kWidth);
    // A full-scale sine reads 0 dB: 6 dB below the top of the view.
    EXPECT_NEAR(highest(x), kTop + int32_t(6 * scope().spectrumScale()), 1) << "column " << x;
    for (int32_t d : {-12, 12}) EXPECT_GT(scope().columnTop(x + d), highest(x) + 30) << "neighbour " << x + d;
    EXPECT_EQ(scope().columnTop(0), kFloor);
    // The grid lists start at 100 Hz (linear) and 50 Hz (logarithmic).
    ASSERT_GT(scope().gridLines(), 3);
    EXPECT_EQ(scope().gridLine(0), 698 + (mode == 3 ? int32_t(80.0 / (kRate / 2 - 20.0) * kWidth)
                                                    : int32_t(std::log2(2.5) / 10.0 * kWidth)));
    COffscreenContext context(1090, 420);
    OnEditorThread([&] { scope().draw(&context); });
}
INSTANTIATE_TEST_SUITE_P(Modes, SineColumn,
                         ::testing::Values(std::make_tuple(3, 93), std::make_tuple(3, 300),
                                           std::make_tuple(4, 93), std::make_tuple(4, 40)));

TEST_F(Spectrum, ACaptureNotMarkedReadyIsNotRead) {
    sine(4000.0);
    capture->ready.store(0.0f);
    post(3);
    for (int32_t x = 0; x < kWidth; ++x) ASSERT_EQ(scope().columnTop(x), kFloor) << x;
    capture->ready.store(3.0f);
    post(3);
    const int32_t x = int32_t((4000.0 - 20.0) / (kRate / 2 - 20.0) * kWidth);
    EXPECT_LT(highest(x), kTop + 20);
    // Handed back (flag 0): new samples in the buffer are not drawn.
    for (float& s : capture->samples) s = 0.0f;
    post(3);
    EXPECT_LT(highest(x), kTop + 20);
}

TEST_F(Spectrum, BadSamplesDrawNoColumnOutsideTheView) {
    for (int mode : {3, 4}) {
        sine(1000.0);
        for (int j = 0; j < 1024; j += 5) capture->samples[j] = NAN;
        capture->samples[1] = INFINITY;
        capture->samples[2] = -INFINITY;
        capture->samples[3] = 1e30f;
        capture->ready.store(float(mode));
        post(mode);
        for (int32_t x = 0; x < kWidth; ++x) {
            ASSERT_GE(scope().columnTop(x), kTop) << mode << " " << x;
            ASSERT_LE(scope().columnTop(x), kFloor) << mode << " " << x;
        }
        for (float& s : capture->samples) s = NAN;
        capture->ready.store(float(mode));
        post(mode);
        for (int32_t x = 0; x < kWidth; ++x) ASSERT_EQ(scope().columnTop(x), kFloor) << mode << " " << x;
    }
}

}  // namespace
