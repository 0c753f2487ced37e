// Decodes a PNG held in memory into 32-bit blue-green-red-alpha pixels with the
// alpha premultiplied, the layout of a cairo ARGB32 image on a little-endian
// machine. Any fault (truncation, bad CRC, absurd size, unsupported format)
// answers false and leaves the image empty; nothing here exits or throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace VSTGUI {

struct DecodedImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;  // width * height * 4 bytes, B G R A per pixel
};

// The largest image accepted: each side and the total pixel count are bounded so
// that width * height * 4 never overflows and never asks for an absurd buffer.
constexpr uint32_t kMaxPngSide = 16384;
constexpr uint64_t kMaxPngPixels = 64ull * 1024 * 1024;

bool decodePng(const uint8_t* data, size_t size, DecodedImage& out);

// The width and height a PNG declares in its header, without decoding it; false
// when the bytes do not start like a PNG or the size is outside the limits above.
bool pngSize(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height);

}  // namespace VSTGUI
