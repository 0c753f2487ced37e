#include "toolkit/PngDecoder.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace VSTGUI {
namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->pos) png_error(png, "truncated PNG");
    std::memcpy(out, reader->data + reader->pos, length);
    reader->pos += length;
}

// libpng's default error handler prints and aborts the jump buffer protocol with
// an exit on some builds; ours only jumps back to the decoder.
void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

// Everything that can longjmp lives here: no C++ object with a destructor is
// created between setjmp and the calls that may jump.
bool readImage(png_structp png, png_infop info, MemoryReader* reader, DecodedImage* out,
               std::vector<png_bytep>* rows) {
    if (setjmp(png_jmpbuf(png))) return false;

    png_set_read_fn(png, reader, readFromMemory);
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    if (width == 0 || height == 0 || width > kMaxPngSide || height > kMaxPngSide) return false;
    if (uint64_t(width) * uint64_t(height) > kMaxPngPixels) return false;

    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (bitDepth == 16) png_set_strip_16(png);
    const bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    if (!hasAlpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    // Anything the transformations could not bring to 4 bytes a pixel is refused.
    if (png_get_rowbytes(png, info) != size_t(width) * 4) return false;

    out->width = width;
    out->height = height;
    out->pixels.assign(size_t(width) * height * 4, 0);
    rows->resize(height);
    for (png_uint_32 y = 0; y < height; ++y) (*rows)[y] = out->pixels.data() + size_t(y) * width * 4;
    for (int pass = 0; pass < passes; ++pass) png_read_rows(png, rows->data(), nullptr, height);
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

bool decodePng(const uint8_t* data, size_t size, DecodedImage& out) {
    out = DecodedImage{};
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return false;

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    MemoryReader reader{data, size, 0};
    std::vector<png_bytep> rows;
    const bool ok = readImage(png, info, &reader, &out, &rows);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        out = DecodedImage{};
        return false;
    }

    // Premultiply: c = c * a / 255, rounded to nearest. (A shift by 8 in place of
    // the division would darken every opaque pixel by one level: white 255 would
    // become 254.) A fully transparent pixel becomes all zero.
    uint8_t* p = out.pixels.data();
    for (size_t i = 0, n = size_t(out.width) * out.height; i < n; ++i, p += 4) {
        const unsigned a = p[3];
        if (a == 0) {
            p[0] = p[1] = p[2] = 0;
        } else {
            p[0] = uint8_t((p[0] * a + 127) / 255);
            p[1] = uint8_t((p[1] * a + 127) / 255);
            p[2] = uint8_t((p[2] * a + 127) / 255);
        }
    }
    return true;
}

bool pngSize(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height) {
    // Signature, then the IHDR chunk: length 13, "IHDR", width and height big-endian.
    static const uint8_t kStart[16] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    if (!data || size < 24) return false;
    for (int i = 0; i < 16; ++i)
        if (data[i] != kStart[i]) return false;
    auto word = [&](int at) {
        return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 | data[at + 3];
    };
    const uint32_t w = word(16), h = word(20);
    if (w == 0 || h == 0 || w > kMaxPngSide || h > kMaxPngSide || uint64_t(w) * h > kMaxPngPixels) return false;
    width = w;
    height = h;
    return true;
}

}  // namespace VSTGUI
