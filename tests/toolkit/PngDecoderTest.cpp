// PNG decoding into premultiplied B G R A, and refusal of broken files.
#include "ToolkitTestSupport.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/PngDecoder.h"

#include <gtest/gtest.h>

#include <zlib.h>

using namespace VSTGUI;
using toolkit_test::PngPicture;
using toolkit_test::writePng;

namespace {

std::vector<uint8_t> decodeOk(const std::vector<uint8_t>& png, uint32_t w, uint32_t h) {
    DecodedImage image;
    EXPECT_TRUE(decodePng(png.data(), png.size(), image));
    EXPECT_EQ(image.width, w);
    EXPECT_EQ(image.height, h);
    return image.pixels;
}

// Rewrites the CRC of the chunk starting at offset (its length field).
void fixCrc(std::vector<uint8_t>& png, size_t offset) {
    const uint32_t len = (uint32_t(png[offset]) << 24) | (png[offset + 1] << 16) | (png[offset + 2] << 8) | png[offset + 3];
    uLong crc = crc32(0, png.data() + offset + 4, len + 4);
    const size_t at = offset + 8 + len;
    png[at] = uint8_t(crc >> 24);
    png[at + 1] = uint8_t(crc >> 16);
    png[at + 2] = uint8_t(crc >> 8);
    png[at + 3] = uint8_t(crc);
}

}  // namespace

TEST(PngDecoder, PremultipliesAndZeroesTransparentPixels) {
    PngPicture params;
    params.width = 3;
    params.rows = {200, 100, 50, 128, 10, 20, 30, 0, 255, 255, 255, 255};
    const auto pixels = decodeOk(writePng(params), 3, 1);
    ASSERT_EQ(pixels.size(), 12u);
    // B, G, R, A
    EXPECT_EQ(std::vector<uint8_t>(pixels.begin(), pixels.begin() + 4), (std::vector<uint8_t>{25, 50, 100, 128}));
    EXPECT_EQ(std::vector<uint8_t>(pixels.begin() + 4, pixels.begin() + 8), (std::vector<uint8_t>{0, 0, 0, 0}));
    // Opaque pixels keep their exact colour.
    EXPECT_EQ(std::vector<uint8_t>(pixels.begin() + 8, pixels.end()), (std::vector<uint8_t>{255, 255, 255, 255}));
}

TEST(PngDecoder, ExpandsRgbGreyPaletteAndSixteenBit) {
    PngPicture rgb;
    rgb.colorType = PNG_COLOR_TYPE_RGB;
    rgb.rows = {10, 20, 30};
    EXPECT_EQ(decodeOk(writePng(rgb), 1, 1), (std::vector<uint8_t>{30, 20, 10, 255}));

    PngPicture grey;
    grey.colorType = PNG_COLOR_TYPE_GRAY;
    grey.bitDepth = 1;
    grey.width = 2;
    grey.rows = {0x80};  // white then black
    EXPECT_EQ(decodeOk(writePng(grey), 2, 1), (std::vector<uint8_t>{255, 255, 255, 255, 0, 0, 0, 255}));

    PngPicture palette;
    palette.colorType = PNG_COLOR_TYPE_PALETTE;
    palette.width = 2;
    palette.palette = {{200, 100, 50}, {1, 2, 3}};
    palette.trnsAlpha = {128, 0};
    palette.rows = {0, 1};
    EXPECT_EQ(decodeOk(writePng(palette), 2, 1), (std::vector<uint8_t>{25, 50, 100, 128, 0, 0, 0, 0}));

    PngPicture deep;
    deep.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    deep.bitDepth = 16;
    deep.rows = {0xC8, 0x11, 0xFF, 0xEE};  // grey 200, alpha 255 (low bytes dropped)
    EXPECT_EQ(decodeOk(writePng(deep), 1, 1), (std::vector<uint8_t>{200, 200, 200, 255}));
}

TEST(PngDecoder, InterlacedImageEqualsPlainOne) {
    PngPicture plain;
    plain.width = 9;
    plain.height = 7;
    for (uint32_t i = 0; i < 63; ++i)
        plain.rows.insert(plain.rows.end(), {uint8_t(i * 4), uint8_t(255 - i), uint8_t(i * 3), uint8_t(100 + i * 2)});
    PngPicture interlaced = plain;
    interlaced.interlaced = true;
    const auto a = decodeOk(writePng(plain), 9, 7);
    const auto b = decodeOk(writePng(interlaced), 9, 7);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, std::vector<uint8_t>(a.size(), 0));
}

TEST(PngDecoder, BrokenFilesGiveNothing) {
    PngPicture params;
    params.width = 4;
    params.height = 4;
    params.rows.assign(64, 77);
    const auto good = writePng(params);
    DecodedImage image;

    for (size_t cut : {size_t(0), size_t(7), size_t(20), good.size() / 2, good.size() - 13}) {
        std::vector<uint8_t> truncated(good.begin(), good.begin() + cut);
        EXPECT_FALSE(decodePng(truncated.data(), truncated.size(), image)) << "cut at " << cut;
        EXPECT_EQ(image.width, 0u);
        EXPECT_TRUE(image.pixels.empty());
    }

    auto badCrc = good;
    badCrc[8 + 8 + 13] ^= 0xFF;  // IHDR's CRC
    EXPECT_FALSE(decodePng(badCrc.data(), badCrc.size(), image));

    // A valid header (correct CRC) announcing an absurd size.
    auto huge = good;
    for (int i = 0; i < 8; ++i) huge[16 + i] = i % 4 == 0 ? 0x00 : 0x7F;  // 0x007F7F7F by 0x007F7F7F
    fixCrc(huge, 8);
    EXPECT_FALSE(decodePng(huge.data(), huge.size(), image));
    EXPECT_TRUE(image.pixels.empty());

    // Inside libpng's limits but more pixels than the decoder allows.
    auto big = good;
    const uint8_t side[4] = {0x00, 0x00, 0x3F, 0xFF};  // 16383 x 16383
    for (int i = 0; i < 4; ++i) big[16 + i] = big[20 + i] = side[i];
    fixCrc(big, 8);
    EXPECT_FALSE(decodePng(big.data(), big.size(), image));

    const uint8_t garbage[] = {0x89, 'P', 'N', 'G', 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(decodePng(garbage, sizeof garbage, image));
    EXPECT_FALSE(decodePng(nullptr, 0, image));
}

TEST(PngDecoder, BitmapFromMissingOrBrokenDataIsEmptyAndDrawsNothing) {
    CBitmap* missing = new CBitmap("NoSuchSkin.png");
    EXPECT_EQ(missing->getWidth(), 0);
    EXPECT_EQ(missing->getHeight(), 0);
    const uint8_t junk[] = {1, 2, 3};
    CBitmap* broken = CBitmap::createFromPngData(junk, sizeof junk);
    EXPECT_FALSE(broken->isLoaded());

    COffscreenContext context(8, 8);
    missing->draw(&context, CRect(0, 0, 8, 8));
    broken->drawAlphaBlend(&context, CRect(0, 0, 8, 8), CPoint(), 200);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(context.getPixel(x, y), 0u);
    missing->forget();
    broken->forget();
}

TEST(PngDecoder, BitmapDrawsWholeFromOffsetAndWithAlpha) {
    // Top row red, bottom row blue, opaque.
    PngPicture params;
    params.width = 2;
    params.height = 2;
    params.rows = {255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 255};
    const auto png = writePng(params);
    CBitmap* bitmap = CBitmap::createFromPngData(png.data(), png.size());
    ASSERT_TRUE(bitmap->isLoaded());
    EXPECT_EQ(bitmap->getAlpha(1, 1), 255);

    COffscreenContext context(4, 4);
    bitmap->draw(&context, CRect(0, 0, 2, 2));
    EXPECT_EQ(context.getPixel(0, 0), 0xFFFF0000u);  // red in ARGB32
    EXPECT_EQ(context.getPixel(1, 1), 0xFF0000FFu);
    bitmap->draw(&context, CRect(2, 0, 4, 1), CPoint(0, 1));  // the bottom row from an offset
    EXPECT_EQ(context.getPixel(2, 0), 0xFF0000FFu);
    EXPECT_EQ(context.getPixel(2, 1), 0u);
    bitmap->drawAlphaBlend(&context, CRect(0, 3, 1, 4), CPoint(), 128);
    EXPECT_NEAR(int(context.getPixel(0, 3) >> 24), 128, 1);
    EXPECT_NEAR(int((context.getPixel(0, 3) >> 16) & 0xFF), 128, 1);

    // Rotated a half turn about its centre: the rows swap.
    COffscreenContext rotated(2, 2);
    bitmap->setRotation(180.0f, CPoint(1, 1));
    bitmap->draw(&rotated, CRect(0, 0, 2, 2));
    EXPECT_EQ(rotated.getPixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(rotated.getPixel(0, 1), 0xFFFF0000u);
    bitmap->forget();
}

TEST(PngDecoder, MutatedFilesNeverCrashAndAnswerConsistently) {
    PngPicture pic;
    pic.width = 6;
    pic.height = 5;
    pic.interlaced = true;
    for (int i = 0; i < 30; ++i) pic.rows.insert(pic.rows.end(), {uint8_t(i), uint8_t(i * 7), uint8_t(i * 3), uint8_t(i * 8)});
    const auto good = writePng(pic);
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    int decoded = 0;
    for (int round = 0; round < 3000; ++round) {
        auto bytes = good;
        const int flips = 1 + int(next() % 4);
        for (int f = 0; f < flips; ++f) bytes[next() % bytes.size()] ^= uint8_t(1 + next() % 255);
        DecodedImage image;
        if (decodePng(bytes.data(), bytes.size(), image)) {
            ++decoded;
            ASSERT_EQ(image.pixels.size(), size_t(image.width) * image.height * 4);
        } else {
            ASSERT_TRUE(image.pixels.empty());
            ASSERT_EQ(image.width, 0u);
        }
    }
    // Most single flips hit a CRC-checked chunk and are refused.
    EXPECT_LT(decoded, 1500);
}
