// Drawing at a scale: the scale a screen's Xft.dpi asks for, the names of the
// pictures drawn for a scale, and a bitmap made for a scale drawn under a context
// scaled by the same factor, device pixel for device pixel.
#include "platform/DisplayScale.h"
#include "platform/Resources.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/PngDecoder.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace VSTGUI;
using orva::platform::scaledResourceName;
using orva::platform::scaleForXftDpi;

namespace {

struct DpiCase {
    const char* value;  // as the X resource database hands it over; null = unset
    double scale;
};

class ScaleForXftDpi : public testing::TestWithParam<DpiCase> {};

TEST_P(ScaleForXftDpi, IsTheNearestOfOneOneAndAHalfAndTwo) {
    EXPECT_EQ(scaleForXftDpi(GetParam().value), GetParam().scale);
}

INSTANTIATE_TEST_SUITE_P(Values, ScaleForXftDpi,
                         testing::Values(DpiCase{"96", 1.0}, DpiCase{"144", 1.5}, DpiCase{"192", 2.0},
                                         // the nearest; a tie (120 = 1.25, 168 = 1.75) goes to the smaller
                                         DpiCase{"72", 1.0}, DpiCase{"119.9", 1.0}, DpiCase{"120", 1.0},
                                         DpiCase{"120.5", 1.5}, DpiCase{"168", 1.5}, DpiCase{"168.5", 2.0},
                                         DpiCase{"288", 2.0}, DpiCase{"1e4", 2.0}, DpiCase{"0.5", 1.0},
                                         // as resource files write it
                                         DpiCase{" 144\n", 1.5}, DpiCase{"\t192.0 ", 2.0}, DpiCase{"+144", 1.5},
                                         // unset or not a usable number
                                         DpiCase{nullptr, 1.0}, DpiCase{"", 1.0}, DpiCase{"  ", 1.0}, DpiCase{"0", 1.0},
                                         DpiCase{"-192", 1.0}, DpiCase{"192dpi", 1.0}, DpiCase{"144,0", 1.0},
                                         DpiCase{"nan", 1.0}, DpiCase{"inf", 1.0}, DpiCase{"1e999", 1.0},
                                         DpiCase{"high", 1.0}));

TEST(ScaledResourceName, PutsTheScaleBeforeTheExtension) {
    EXPECT_EQ(scaledResourceName("Knob.png", 2.0), "Knob@2x.png");
    EXPECT_EQ(scaledResourceName("Knob.png", 1.5), "Knob@1.5x.png");
    EXPECT_EQ(scaledResourceName("Knob.png", 1.0), "Knob.png");
    EXPECT_EQ(scaledResourceName("dB_Needle1.png", 2.0), "dB_Needle1@2x.png");
    EXPECT_EQ(scaledResourceName("no_extension", 2.0), "no_extension@2x");
    EXPECT_EQ(scaledResourceName(nullptr, 2.0), "");
}

// The device pixels of an embedded picture, decoded as the bitmap decodes it.
DecodedImage Decoded(const std::string& name) {
    DecodedImage image;
    const EmbeddedResource* r = FindEmbeddedResource("PNG", name.c_str());
    if (r) decodePng(r->data, r->size, image);
    return image;
}

uint32_t PixelOf(const DecodedImage& image, int x, int y) {
    const uint8_t* p = image.pixels.data() + (size_t(y) * image.width + x) * 4;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

class BitmapAtScale : public testing::TestWithParam<double> {};

// A knob frame drawn at a logical position that falls inside a device pixel at
// 1.5 (7, 5): the picture lands on the nearest device-pixel corner and every
// device pixel of the view is the picture's own, with nothing beside it.
TEST_P(BitmapAtScale, DrawsTheScaledPicturePixelForPixelUnderAScaledContext) {
    const double s = GetParam();
    CBitmap* knob = new CBitmap("Knob.png", s);
    ASSERT_TRUE(knob->isLoaded());
    EXPECT_EQ(knob->getPixelScale(), s);
    EXPECT_EQ(knob->getWidth(), 38);  // logical: the 1x picture's
    EXPECT_EQ(knob->getHeight(), 38 * 128);
    const DecodedImage picture = Decoded(scaledResourceName("Knob.png", s));
    ASSERT_EQ(int(picture.width), knob->getPixelWidth());
    const int side = int(picture.width);  // one square frame in device pixels

    for (int frame : {0, 77, 127}) {
        COffscreenContext context(int(std::ceil(60 * s)), int(std::ceil(60 * s)));
        cairo_scale(context.getCairo(), s, s);
        knob->draw(&context, CRect(7, 5, 45, 43), CPoint(0, frame * 38));
        const int left = int(std::round(7 * s)), top = int(std::round(5 * s));
        for (int y = -1; y <= side; ++y)
            for (int x = -1; x <= side; ++x) {
                const bool inside = x >= 0 && y >= 0 && x < side && y < side;
                const uint32_t want = inside ? PixelOf(picture, x, frame * side + y) : 0u;
                ASSERT_EQ(context.getPixel(left + x, top + y), want)
                    << "frame " << frame << " device pixel " << x << "," << y;
            }
    }
    // Pixel reads stay logical: a corner lets presses through, the cap takes them.
    EXPECT_LE(knob->getAlpha(0, 0), 199);
    EXPECT_GT(knob->getAlpha(19, 19), 199);
    EXPECT_EQ(knob->getPixel(38, 0), 0u);
    knob->forget();
}

INSTANTIATE_TEST_SUITE_P(Scales, BitmapAtScale, testing::Values(1.5, 2.0));

TEST(BitmapAtScale, WithoutAPictureForTheScaleIsThe1xPicture) {
    CBitmap* odd = new CBitmap("Knob.png", 1.25);
    ASSERT_TRUE(odd->isLoaded());
    EXPECT_EQ(odd->getPixelScale(), 1.0);
    EXPECT_EQ(odd->getPixelWidth(), 38);
    EXPECT_EQ(odd->getWidth(), 38);
    odd->forget();
    CBitmap* missing = new CBitmap("NoSuchSkin.png", 2.0);
    EXPECT_FALSE(missing->isLoaded());
    EXPECT_EQ(missing->getWidth(), 0);
    missing->forget();
}

}  // namespace
