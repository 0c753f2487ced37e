// Helpers shared by the toolkit tests: PNG files made in memory with libpng, and
// a listener/editor pair that records what controls report and in which order.
#pragma once

#include "toolkit/CControl.h"
#include "toolkit/CControlListener.h"
#include "toolkit/VSTGUIEditorInterface.h"

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace toolkit_test {

struct PngPicture {
    uint32_t width = 1, height = 1;
    int colorType = PNG_COLOR_TYPE_RGBA;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<uint8_t> rows;          // raw samples, row after row, as libpng expects them
    std::vector<png_color> palette;     // for palette images
    std::vector<uint8_t> trnsAlpha;     // palette transparency
};

inline std::vector<uint8_t> writePng(const PngPicture& params) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            v->insert(v->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, params.width, params.height, params.bitDepth, params.colorType,
                 params.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!params.palette.empty()) png_set_PLTE(png, info, params.palette.data(), int(params.palette.size()));
    if (!params.trnsAlpha.empty())
        png_set_tRNS(png, info, params.trnsAlpha.data(), int(params.trnsAlpha.size()), nullptr);
    png_write_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<png_bytep> rows(params.height);
    for (uint32_t y = 0; y < params.height; ++y)
        rows[y] = const_cast<png_bytep>(params.rows.data() + y * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// An RGBA image of one colour.
inline std::vector<uint8_t> solidRgba(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    PngPicture params;
    params.width = w;
    params.height = h;
    for (uint32_t i = 0; i < w * h; ++i) params.rows.insert(params.rows.end(), {r, g, b, a});
    return writePng(params);
}

// Records listener and editor calls as one ordered log.
struct Recorder : VSTGUI::CControlListener, VSTGUI::VSTGUIEditorInterface {
    std::vector<std::string> log;
    std::vector<float> values;
    int32_t takeModifierClicks = 0;
    int32_t knobMode = VSTGUI::kCircularMode;

    void valueChanged(VSTGUI::CControl* c) override {
        log.push_back("valueChanged");
        values.push_back(c->getValue());
    }
    int32_t controlModifierClicked(VSTGUI::CControl*, int32_t buttons) override {
        log.push_back("modifierClicked:" + std::to_string(buttons));
        return takeModifierClicks;
    }
    void controlBeginEdit(VSTGUI::CControl*) override { log.push_back("listenerBegin"); }
    void controlEndEdit(VSTGUI::CControl*) override { log.push_back("listenerEnd"); }
    void beginEdit(int32_t index) override { log.push_back("hostBegin:" + std::to_string(index)); }
    void endEdit(int32_t index) override { log.push_back("hostEnd:" + std::to_string(index)); }
    int32_t getKnobMode() const override { return knobMode; }
};

}  // namespace toolkit_test
