// The toolkit's PNG decoder with any bytes. A refused image is empty; an accepted
// one has sides within the limits, exactly four bytes a pixel, and premultiplied
// colours (no colour byte above its pixel's alpha).
//
// libpng refuses a chunk whose CRC does not match, so most plain mutations would
// stop at the first chunk: the custom mutator below mends every chunk's CRC after
// mutating, and the decoder sees damaged contents rather than damaged checksums.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "toolkit/PngDecoder.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

uint32_t Crc32(const uint8_t* data, size_t size) {
    static uint32_t table[256];
    static bool built = false;
    if (!built) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        built = true;
    }
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t ReadBig(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Rewrites the CRC of every whole chunk after the 8-byte signature.
void MendCrcs(uint8_t* data, size_t size) {
    size_t at = 8;
    while (at + 12 <= size) {
        const uint32_t length = ReadBig(data + at);
        if (length > size - at - 12) break;
        const uint32_t crc = Crc32(data + at + 4, length + 4);
        uint8_t* out = data + at + 8 + length;
        out[0] = uint8_t(crc >> 24);
        out[1] = uint8_t(crc >> 16);
        out[2] = uint8_t(crc >> 8);
        out[3] = uint8_t(crc);
        at += 12 + length;
    }
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int /*seed*/) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    MendCrcs(data, size);
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VSTGUI::DecodedImage image;
    const bool decoded = VSTGUI::decodePng(data, size, image);
    auto fail = [](const char* what) {
        std::fprintf(stderr, "orva fuzz check failed: %s\n", what);
        std::abort();
    };
    if (!decoded) {
        if (image.width || image.height || !image.pixels.empty()) fail("a refused image is not empty");
        return 0;
    }
    if (image.width == 0 || image.height == 0 || image.width > VSTGUI::kMaxPngSide ||
        image.height > VSTGUI::kMaxPngSide || uint64_t(image.width) * image.height > VSTGUI::kMaxPngPixels)
        fail("accepted image outside the size limits");
    if (image.pixels.size() != size_t(image.width) * image.height * 4) fail("pixel buffer of the wrong size");
    for (size_t i = 0; i < image.pixels.size(); i += 4) {
        const uint8_t alpha = image.pixels[i + 3];
        if (image.pixels[i] > alpha || image.pixels[i + 1] > alpha || image.pixels[i + 2] > alpha)
            fail("colour above alpha: not premultiplied");
    }
    return 0;
}
