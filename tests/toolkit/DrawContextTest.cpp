// Drawing primitives on whole pixels, clipping and offsets, and text with a
// font found through fontconfig.
#include "platform/FontResolver.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFontDesc.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

using namespace VSTGUI;

namespace {

// Cairo and fontconfig keep process-wide font caches; emptied at the end so that
// the leak checker sees only what the toolkit itself leaves behind.
struct LibraryCaches : ::testing::Environment {
    void TearDown() override {
        cairo_debug_reset_static_data();
        FcFini();
    }
};
const auto* const libraryCaches = ::testing::AddGlobalTestEnvironment(new LibraryCaches);

bool inked(COffscreenContext& c, int x, int y) { return (c.getPixel(x, y) >> 24) != 0; }

// Leftmost and rightmost columns holding any ink.
std::pair<int, int> inkColumns(COffscreenContext& c) {
    int first = -1, last = -1;
    for (int x = 0; x < c.getWidth(); ++x)
        for (int y = 0; y < c.getHeight(); ++y)
            if (inked(c, x, y)) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

}  // namespace

TEST(DrawContext, AliasedShapesTouchWholePixelsInsideClipAndOffset) {
    COffscreenContext c(20, 20);
    c.setDrawMode(kAliasing);
    c.setFrameColor(kWhiteCColor);
    c.drawRect(CRect(2, 2, 8, 8), kDrawStroked);
    EXPECT_EQ(c.getPixel(2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(c.getPixel(7, 7), 0xFFFFFFFFu);
    EXPECT_FALSE(inked(c, 8, 8));
    EXPECT_FALSE(inked(c, 4, 4));

    c.setOffset(CPoint(10, 10));
    c.setClipRect(CRect(0, 0, 5, 5));  // device 10..15
    c.setFillColor(CColor{255, 0, 0, 255});
    c.drawRect(CRect(-10, -10, 10, 10), kDrawFilled);
    EXPECT_EQ(c.getPixel(10, 10), 0xFFFF0000u);
    EXPECT_EQ(c.getPixel(14, 14), 0xFFFF0000u);
    EXPECT_FALSE(inked(c, 15, 15));
    EXPECT_FALSE(inked(c, 9, 9));
    EXPECT_EQ(c.getClipRect(), CRect(0, 0, 5, 5));
    c.resetClipRect();
    c.setOffset(CPoint());

    const CPoint triangle[] = {{0, 19}, {6, 13}, {12, 19}};
    c.setFillColor(CColor{0, 0, 255, 255});
    c.drawPolygon(triangle, 3, kDrawFilled);
    EXPECT_EQ(c.getPixel(6, 18), 0xFF0000FFu);
    EXPECT_FALSE(inked(c, 1, 14));

    const CPoint lines[] = {{0, 0}, {0, 19}};
    c.setLineStyle(kLineOnOffDash);
    c.setFrameColor(CColor{0, 255, 0, 255});
    c.drawLines(lines, 2);
    EXPECT_TRUE(inked(c, 0, 0));
    EXPECT_FALSE(inked(c, 0, 1));  // one pixel on, one off
    EXPECT_TRUE(inked(c, 0, 2));
}

// A translucent curve drawn as one path lays its colour down once everywhere,
// the joint included; the same corner as two separate lines blends twice where
// they overlap.
TEST(DrawContext, PolyLineBlendsATranslucentJointOnce) {
    const CPoint corner[] = {{4, 16}, {16, 16}, {16, 4}};  // 4 px wide: both legs cover 14..15 x 14..15
    const CPoint pairs[] = {corner[0], corner[1], corner[1], corner[2]};
    auto alphaAt = [](COffscreenContext& c, int x, int y) { return c.getPixel(x, y) >> 24; };
    COffscreenContext poly(24, 24), lines(24, 24);
    for (COffscreenContext* c : {&poly, &lines}) {
        c->setLineWidth(4);
        c->setFrameColor(CColor{255, 255, 255, 96});
    }
    poly.drawPolyLine(corner, 3);
    lines.drawLines(pairs, 4);
    EXPECT_EQ(alphaAt(poly, 8, 15), 96u);   // along a leg
    EXPECT_EQ(alphaAt(poly, 15, 15), 96u);  // at the joint: the same
    EXPECT_EQ(alphaAt(poly, 15, 8), 96u);
    EXPECT_EQ(alphaAt(lines, 8, 15), 96u);
    EXPECT_GT(alphaAt(lines, 15, 15), 140u);  // 96 over 96
}

TEST(DrawContext, ArialResolvesToAMetricCompatibleFaceAndTextAligns) {
    const std::string family = orva::platform::resolveFontFamily("Arial");
    EXPECT_TRUE(family == "Arial" || family == "Liberation Sans" || family == "Arimo") << family;

    COffscreenContext c(100, 20);
    CFontDesc font("Arial", 12);
    c.setFont(&font);
    c.setFontColor(kWhiteCColor);
    const int32_t width = c.getStringWidth("Gain 12 dB");
    // Arial's advance widths: around 55 pixels at 12 px for this text.
    EXPECT_GT(width, 45);
    EXPECT_LT(width, 70);
    EXPECT_EQ(c.getStringWidth(""), 0);

    c.drawString("Gain 12 dB", CRect(0, 0, 100, 20), kLeftText);
    auto [left, right] = inkColumns(c);
    EXPECT_LE(left, 2);
    EXPECT_NEAR(right, width, 3);

    COffscreenContext r(100, 20);
    r.setFont(&font);
    r.setFontColor(kWhiteCColor);
    r.drawString("Gain 12 dB", CRect(0, 0, 100, 20), kRightText);
    auto [rl, rr] = inkColumns(r);
    EXPECT_GE(rr, 96);
    EXPECT_NEAR(rl, 100 - width, 3);
}
