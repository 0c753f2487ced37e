// The scope's spectrum modes take their FFT from a library opened with dlopen on
// first use. A library that is missing, or lacks the functions, is reported as
// unusable without leaving an error behind; the installed one transforms as a
// direct DFT does; and a scope without a usable library draws nothing but its
// background in those modes, where the same capture with the library raises
// columns.
#include "tests/editor/EditorTestSupport.h"

#include "editor/displays/WaveFreqWindow.h"
#include "host/DisplayMailbox.h"
#include "modules/framework/ModuleOwner.h"
#include "platform/RealFftLibrary.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace VSTGUI;
using namespace editor_test;
using orva::platform::RealFftLibrary;

namespace {

TEST(RealFftLibrary, AMissingOrForeignLibraryIsUnusableAndLeavesNoError) {
    for (const char* soname : {"liborva-no-such-fft.so.0", "libm.so.6"}) {
        RealFftLibrary library(soname);
        EXPECT_FALSE(library.ok()) << soname;
        EXPECT_EQ(library.alloc, nullptr) << soname;
        EXPECT_EQ(library.forward, nullptr) << soname;
        EXPECT_EQ(dlerror(), nullptr) << soname;
    }
}

TEST(RealFftLibrary, TheInstalledLibraryTransformsAsADirectDft) {
    const RealFftLibrary& library = RealFftLibrary::Shared();
    ASSERT_TRUE(library.ok()) << RealFftLibrary::kSoname << " is needed by the spectrum tests";
    EXPECT_EQ(&library, &RealFftLibrary::Shared());
    constexpr int n = 64;
    kiss_fftr_cfg cfg = library.alloc(n, 0, nullptr, nullptr);
    ASSERT_NE(cfg, nullptr);
    std::vector<float> in(n);
    std::vector<kiss_fft_cpx> out(n / 2 + 1);
    for (int j = 0; j < n; ++j) in[j] = float(std::sin(0.7 * j) + 0.25 * std::cos(2.9 * j) + (j % 5) * 0.1);
    library.forward(cfg, in.data(), out.data());
    std::free(cfg);
    for (int k = 0; k <= n / 2; ++k) {
        double re = 0.0, im = 0.0;
        for (int j = 0; j < n; ++j) {
            re += in[j] * std::cos(2.0 * M_PI * k * j / n);
            im -= in[j] * std::sin(2.0 * M_PI * k * j / n);
        }
        EXPECT_NEAR(out[k].r, re, 1e-3) << "bin " << k;
        EXPECT_NEAR(out[k].i, im, 1e-3) << "bin " << k;
    }
}

class SpectrumWithoutLibrary : public ::testing::Test {
protected:
    static constexpr int32_t kScope = 74;
    void SetUp() override {
        ASSERT_TRUE(editor.openOffscreen());
        editor.runTicks(10);
        for (int j = 0; j < 1024; ++j) capture->samples[j] = float(std::sin(2.0 * M_PI * 93.0 * j / 1024.0));
    }
    Mox_GUI_Wave_Freq_Display& scope() { return *dynamic_cast<Mox_GUI_Wave_Freq_Display*>(editor.slot(kScope)); }
    void post(int32_t mode) {
        capture->ready.store(float(mode));
        DisplayMessage m{};
        m.data = capture.get();
        m.code = mode;
        ASSERT_TRUE(effect.displayMailbox().Post(kScope, m));
        editor.runTicks(1);
    }
    // The scope's rectangle as drawn, or with only its background (if it has one).
    std::vector<uint32_t> picture(bool backgroundOnly) {
        const CRect r = scope().getViewSize();
        COffscreenContext context(1090, 420);
        OnEditorThread([&] {
            if (!backgroundOnly) scope().draw(&context);
            else if (CBitmap* bitmap = scope().getBackground()) bitmap->draw(&context, r, CPoint());
        });
        std::vector<uint32_t> pixels;
        for (int32_t y = int32_t(r.top); y < int32_t(r.bottom); ++y)
            for (int32_t x = int32_t(r.left); x < int32_t(r.right); ++x) pixels.push_back(context.getPixel(x, y));
        return pixels;
    }

    TestEffect effect;
    Mox_GUI_Editor& editor = EditorOf(effect);
    std::unique_ptr<DisplayCapture> capture = std::make_unique<DisplayCapture>();
};

TEST_F(SpectrumWithoutLibrary, BothModesDrawOnlyTheBackgroundUntilALibraryIsThere) {
    const std::vector<uint32_t> background = picture(true);
    RealFftLibrary missing("liborva-no-such-fft.so.0");
    scope().useFftLibrary(&missing);
    for (int32_t mode : {3, 4}) {
        post(mode);
        EXPECT_EQ(scope().mode(), mode);
        EXPECT_EQ(capture->ready.load(), 0.0f) << "the capture is handed back all the same";
        for (int32_t x = 0; x < scope().spectrumColumns(); ++x) ASSERT_EQ(scope().columnTop(x), 8 + 133) << x;
        EXPECT_TRUE(picture(false) == background) << "mode " << mode << " drew more than the background";
    }
    scope().useFftLibrary(nullptr);  // the installed one
    post(3);
    const int32_t x = int32_t((93 * 44100.0 / 1024 - 20.0) / (22050.0 - 20.0) * 384);
    EXPECT_LT(std::min({scope().columnTop(x - 1), scope().columnTop(x), scope().columnTop(x + 1)}), 8 + 40);
    EXPECT_FALSE(picture(false) == background);
}

}  // namespace
