// The skins as the editor will load them: every PNG the control table names, from
// the library's embedded resources, at every scale the editor draws at, against
// the size rules the editor applies while it walks the table (frames, panels,
// press-through pixels), and the pictures for 1.5 and 2 against the 1x ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "host/ControlTable.h"
#include "platform/DisplayScale.h"
#include "platform/Resources.h"
#include "toolkit/CBitmap.h"
#include "toolkit/PngDecoder.h"

namespace {

using Bitmap = std::unique_ptr<VSTGUI::CBitmap, void (*)(VSTGUI::CBitmap*)>;
Bitmap Load(const char* name, double scale = 1.0) {
    return Bitmap(new VSTGUI::CBitmap(name, scale), [](VSTGUI::CBitmap* b) { b->forget(); });
}

// A row that names a skin, with the layout registers in force when the editor
// reaches it and the panel it lies in.
struct SkinRow {
    int row;
    int knobFrames, animFrames, sliderWidth, sliderHeight;
    int panelRow;  // row of the enclosing panel, 0 = the window
};

std::vector<SkinRow> SkinRows() {
    std::vector<SkinRow> rows;
    SkinRow regs{};
    std::vector<int> panels{0};
    for (int r = 1; r < kControlTableRows && controlTable[r].type != kTypeEndOfTable; ++r) {
        const ControlDescriptor& d = controlTable[r];
        if (d.type == kTypeKnobFrames) regs.knobFrames = d.x;
        if (d.type == kTypeControlStyle) regs.animFrames = d.aux;
        if (d.type == kTypeSliderGeometry) { regs.sliderWidth = d.x; regs.sliderHeight = d.y; }
        if (d.type == kTypeEndPanel && panels.size() > 1) panels.pop_back();
        if (d.bitmap && *d.bitmap) {
            regs.row = r;
            regs.panelRow = panels.back();
            rows.push_back(regs);
        }
        if (d.type == kTypeBeginPanel || d.type == kTypeBeginPanelOwnRect) panels.push_back(r);
    }
    return rows;
}

// A row's skin at one of the editor's scales.
struct SkinAtScale {
    SkinRow row;
    double scale;
};

std::vector<SkinAtScale> AtEveryScale(const std::vector<SkinRow>& rows) {
    std::vector<SkinAtScale> all;
    for (double scale : orva::platform::kEditorScales)
        for (const SkinRow& row : rows) all.push_back({row, scale});
    return all;
}

class SkinOfRow : public testing::TestWithParam<SkinAtScale> {};

// Sub-picture count by the editor's size rule for the row's type, 0 when the rule
// does not divide the bitmap.
int FramesOf(const SkinRow& s, const VSTGUI::CBitmap& b) {
    const ControlDescriptor& d = controlTable[s.row];
    const int w = b.getWidth(), h = b.getHeight();
    auto whole = [&](int frames) { return frames > 0 && h % frames == 0 ? frames : 0; };
    if (d.type <= 2) return whole(s.knobFrames ? s.knobFrames : h / w);
    if (d.type >= 7 && d.type <= 12) return whole(s.animFrames ? s.animFrames : h / w);
    if ((d.type >= 13 && d.type <= 15) || d.type == 17 || d.type == 18) return whole(2);
    if (d.type >= 20 && d.type <= 27) return whole(s.animFrames ? s.animFrames : CountOptionItems(d.options));
    if (d.type >= 55 && d.type <= 59) return whole(d.aux);
    if (d.type >= 68 && d.type <= 73) return whole((d.type - 67) * ((d.aux & 0xFF00) ? 3 : 2));
    return 1;
}

// Sizes, frames and alpha are read in logical pixels, so every check holds at
// every scale; the picture for a scale is that scale of the 1x one in device
// pixels, and each frame of a strip is a whole number of device rows.
TEST_P(SkinOfRow, LoadsAndDividesIntoWholeFramesByItsSizeRule) {
    const SkinRow s = GetParam().row;
    const double scale = GetParam().scale;
    const ControlDescriptor& d = controlTable[s.row];
    SCOPED_TRACE(std::string("row ") + std::to_string(s.row) + " " + d.bitmap + " at " + std::to_string(scale));
    Bitmap b = Load(d.bitmap, scale);
    ASSERT_TRUE(b->isLoaded());
    ASSERT_EQ(b->getPixelScale(), scale) << "no picture drawn for this scale";
    ASSERT_GT(b->getWidth(), 0);
    ASSERT_GT(b->getHeight(), 0);
    Bitmap one = Load(d.bitmap);
    EXPECT_EQ(b->getWidth(), one->getWidth());
    EXPECT_EQ(b->getHeight(), one->getHeight());
    EXPECT_EQ(b->getPixelWidth(), orva::platform::scaledPixels(b->getWidth(), scale));
    const int frames = FramesOf(s, *b);
    ASSERT_GT(frames, 0) << "height " << b->getHeight() << " does not divide";
    const int frameHeight = b->getHeight() / frames;
    if (frames == 1) {
        EXPECT_EQ(b->getPixelHeight(), orva::platform::scaledPixels(b->getHeight(), scale));
    } else {
        EXPECT_EQ(b->getPixelHeight() % frames, 0);
        EXPECT_EQ(b->getPixelHeight() / frames, frameHeight * scale) << "frames on whole device rows";
    }

    if (d.type <= 2) {  // knobs: square frames, smooth travel, corners let presses through
        EXPECT_EQ(frameHeight, b->getWidth());
        EXPECT_GE(frames, 64);
        for (int f = 0; f < frames; f += frames - 1) {
            EXPECT_LE(b->getAlpha(0, f * frameHeight), 199);
            EXPECT_LE(b->getAlpha(b->getWidth() - 1, f * frameHeight + frameHeight - 1), 199);
            EXPECT_GT(b->getAlpha(b->getWidth() / 2, f * frameHeight + frameHeight / 2), 199);
        }
    }
    if (d.type == 5 || d.type == 6) {  // slider handle: fits the view and leaves a 160-pixel travel
        EXPECT_LE(b->getWidth(), s.sliderWidth);
        EXPECT_EQ(s.sliderHeight - b->getHeight(), 160);
        EXPECT_GT(b->getAlpha(b->getWidth() / 2, b->getHeight() / 2), 199);
    }
    if ((d.type >= 7 && d.type <= 18) || (d.type >= 20 && d.type <= 27)) {  // every state takes a press in its middle
        for (int f = 0; f < frames; ++f) {
            EXPECT_GT(b->getAlpha(b->getWidth() / 2, f * frameHeight + frameHeight / 2), 199);
        }
    }
    if (d.type >= 20 && d.type <= 27) {
        EXPECT_EQ(frames, CountOptionItems(d.options)) << "one picture per item";
    }
    if (d.type == 11) {
        EXPECT_EQ(frames, 8);
    }
    if (d.type == 55) {
        EXPECT_EQ(frames, 4) << "one scale per meter type";
    }
    if (d.type == 71) {  // bar: four meter types of two states, travel = 180 rows
        EXPECT_EQ(frames, 8);
        EXPECT_EQ(frameHeight, 180);
    }
}

std::vector<SkinRow> SkinRowsInPanels() {
    std::vector<SkinRow> rows;
    for (const SkinRow& s : SkinRows())
        if (s.panelRow != 0) rows.push_back(s);
    return rows;
}

class SkinInPanel : public testing::TestWithParam<SkinAtScale> {};

TEST_P(SkinInPanel, PanelSkinTakesPressesWhereItsControlsAre) {
    const SkinRow s = GetParam().row;
    const ControlDescriptor& d = controlTable[s.row];
    const ControlDescriptor& panel = controlTable[s.panelRow];
    Bitmap skin = Load(panel.bitmap, GetParam().scale), own = Load(d.bitmap, GetParam().scale);
    ASSERT_TRUE(skin->isLoaded());
    const int frames = FramesOf(s, *own);
    ASSERT_GT(frames, 0);
    const int w = own->getWidth(), h = own->getHeight() / frames;
    ASSERT_LE(d.x + w, skin->getWidth()) << d.bitmap << " sticks out of " << panel.bitmap;
    ASSERT_LE(d.y + h, skin->getHeight()) << d.bitmap << " sticks out of " << panel.bitmap;
    for (int y = d.y; y < d.y + h; ++y)
        for (int x = d.x; x < d.x + w; ++x)
            ASSERT_GT(skin->getAlpha(x, y), 199) << panel.bitmap << " at " << x << "," << y;
}

// "row12_Knob_x1_5": the row, its skin and the scale.
std::string RowName(const testing::TestParamInfo<SkinAtScale>& info) {
    std::string name = "row" + std::to_string(info.param.row.row) + "_";
    for (const char* c = controlTable[info.param.row.row].bitmap; *c && *c != '.'; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
    return name + (info.param.scale == 1.0 ? "_x1" : info.param.scale == 1.5 ? "_x1_5" : "_x2");
}

INSTANTIATE_TEST_SUITE_P(ControlTable, SkinOfRow, testing::ValuesIn(AtEveryScale(SkinRows())), RowName);
INSTANTIATE_TEST_SUITE_P(ControlTable, SkinInPanel, testing::ValuesIn(AtEveryScale(SkinRowsInPanels())), RowName);

// The device pixels of an embedded picture.
VSTGUI::DecodedImage Decoded(const std::string& name) {
    VSTGUI::DecodedImage image;
    if (const EmbeddedResource* r = FindEmbeddedResource("PNG", name.c_str()))
        VSTGUI::decodePng(r->data, r->size, image);
    return image;
}

// Mean difference (0..255, over the four premultiplied channels) between the 1x
// picture and the scaled one, both averaged over blocks of 3 x 3 logical pixels
// (the scaled one by the area each device pixel covers). Drawn from the same
// geometry they differ only in anti-aliasing and hinting, which the blocks
// mostly average out; a blank picture, or one drawn at the 1x size in the corner
// of the larger image, differs by about the picture's mean level or more.
double MeanDifferenceFrom1x(const VSTGUI::DecodedImage& one, const VSTGUI::DecodedImage& scaled, double s) {
    constexpr int kBlock = 3;
    const int columns = (int(one.width) + kBlock - 1) / kBlock, rows = (int(one.height) + kBlock - 1) / kBlock;
    std::vector<double> blocks(size_t(columns) * rows * 4, 0.0);  // 1x sum minus scaled sum
    for (uint32_t y = 0; y < one.height; ++y)
        for (uint32_t x = 0; x < one.width; ++x)
            for (int c = 0; c < 4; ++c)
                blocks[((y / kBlock) * columns + x / kBlock) * 4 + c] +=
                    one.pixels[(size_t(y) * one.width + x) * 4 + c];
    for (uint32_t j = 0; j < scaled.height; ++j)
        for (uint32_t i = 0; i < scaled.width; ++i) {
            // The logical rows and columns this device pixel covers (at most two each).
            for (int ly = int(j / s); ly <= int((j + 1) / s) && ly < int(one.height); ++ly)
                for (int lx = int(i / s); lx <= int((i + 1) / s) && lx < int(one.width); ++lx) {
                    const double wx = std::min(i + 1.0, (lx + 1) * s) - std::max(double(i), lx * s);
                    const double wy = std::min(j + 1.0, (ly + 1) * s) - std::max(double(j), ly * s);
                    if (wx <= 0 || wy <= 0) continue;
                    for (int c = 0; c < 4; ++c)
                        blocks[((ly / kBlock) * columns + lx / kBlock) * 4 + c] -=
                            wx * wy / (s * s) * scaled.pixels[(size_t(j) * scaled.width + i) * 4 + c];
                }
        }
    double total = 0;
    for (double b : blocks) total += std::fabs(b);
    return total / (4.0 * one.width * one.height);
}

struct NamedSkin {
    std::string name;
    double scale;
};

std::vector<NamedSkin> EverySkinAtScalesAbove1() {
    std::vector<NamedSkin> all;
    std::vector<std::string> names{controlTable[0].bitmap};
    for (const SkinRow& s : SkinRows())
        if (std::find(names.begin(), names.end(), controlTable[s.row].bitmap) == names.end())
            names.push_back(controlTable[s.row].bitmap);
    for (double scale : orva::platform::kEditorScales)
        if (scale != 1.0)
            for (const std::string& name : names) all.push_back({name, scale});
    return all;
}

class ScaledSkin : public testing::TestWithParam<NamedSkin> {};

TEST_P(ScaledSkin, ShowsThe1xPictureDrawnAtItsScale) {
    const NamedSkin p = GetParam();
    const VSTGUI::DecodedImage one = Decoded(p.name);
    const VSTGUI::DecodedImage scaled = Decoded(orva::platform::scaledResourceName(p.name.c_str(), p.scale));
    ASSERT_GT(one.width, 0u);
    ASSERT_EQ(int(scaled.width), orva::platform::scaledPixels(int(one.width), p.scale));
    ASSERT_EQ(int(scaled.height), orva::platform::scaledPixels(int(one.height), p.scale));
    // Against the picture's own mean level: what a blank or misdrawn picture differs by.
    double level = 0;
    for (uint8_t v : one.pixels) level += v;
    level /= double(one.pixels.size());
    const double difference = MeanDifferenceFrom1x(one, scaled, p.scale);
    EXPECT_LT(difference, 0.4 * level) << "mean level " << level;
}

std::string SkinName(const testing::TestParamInfo<NamedSkin>& info) {
    std::string name;
    for (char c : info.param.name.substr(0, info.param.name.find('.')))
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return name + (info.param.scale == 1.5 ? "_x1_5" : "_x2");
}

INSTANTIATE_TEST_SUITE_P(Skins, ScaledSkin, testing::ValuesIn(EverySkinAtScalesAbove1()), SkinName);

int RowOfBitmap(const char* name, int type = -1) {
    for (int r = 1; r < kControlTableRows; ++r)
        if (controlTable[r].bitmap && std::string(controlTable[r].bitmap) == name && (type < 0 || controlTable[r].type == type))
            return r;
    return 0;
}

TEST(Skins, BackgroundGivesTheEditorItsSize) {
    for (double scale : orva::platform::kEditorScales) {
        Bitmap face = Load(controlTable[0].bitmap, scale);
        EXPECT_EQ(face->getWidth(), 1090);
        EXPECT_EQ(face->getHeight(), 420);
        EXPECT_EQ(face->getPixelWidth(), 1090 * scale);
        EXPECT_EQ(face->getPixelHeight(), 420 * scale);
    }
}

TEST(Skins, MidiLearnBoxesAreOpaque) {
    Bitmap b = Load("AsnMidiCC.png");
    ASSERT_EQ(b->getWidth(), 160);
    ASSERT_EQ(b->getHeight(), 108);
    const int boxes[3][4] = {{6, 28, 154, 52}, {99, 57, 138, 71}, {42, 80, 116, 101}};
    for (const auto& box : boxes)
        for (int y = box[1]; y < box[3]; ++y)
            for (int x = box[0]; x < box[2]; ++x) ASSERT_GT(b->getAlpha(x, y), 199) << x << "," << y;
}

// Panel rows in table order: the later one lies on top. With both closed, and with
// the top one open, the top panel must let presses through to the other panel's
// button where that button shows inside the window.
TEST(Skins, SlidingPanelsLeaveEachOthersButtonsPressable) {
    struct Panel {
        int row, altX, altY;
        const ControlDescriptor* button;
    };
    std::vector<Panel> panels;
    int altX = 0, altY = 0;
    for (int r = 1; r < kControlTableRows && controlTable[r].type != kTypeEndOfTable; ++r) {
        const ControlDescriptor& d = controlTable[r];
        if (d.type == kTypePanelGeometry) { altX = d.x; altY = d.y; }
        if (d.type == kTypeBeginPanel && d.tag != 40) panels.push_back({r, altX, altY, nullptr});
        if (d.type == 17 && !panels.empty()) panels.back().button = &d;
    }
    ASSERT_EQ(panels.size(), 2u);
    const Panel& under = panels[0];
    const Panel& top = panels[1];
    ASSERT_NE(under.button, nullptr);
    Bitmap topSkin = Load(controlTable[top.row].bitmap), button = Load(under.button->bitmap);
    const int bx = under.altX + under.button->x, by = under.altY + under.button->y;  // closed, window coordinates
    const int bw = button->getWidth(), bh = button->getHeight() / 2;
    ASSERT_LT(by, 20) << "the closed panel's button shows at the top edge";
    for (int pos = 0; pos < 2; ++pos) {  // top panel closed, then open
        const int px = pos ? controlTable[top.row].x : top.altX, py = pos ? controlTable[top.row].y : top.altY;
        for (int y = std::max(by, 0); y < by + bh; ++y)
            for (int x = bx; x < bx + bw; ++x)
                ASSERT_LE(topSkin->getAlpha(x - px, y - py), 199) << (pos ? "open" : "closed") << " at " << x << "," << y;
    }
}

// A needle turns about the point 40 pixels (the row's aux low byte) below its
// bitmap's centre, from -65 to +65 degrees; every visible pixel of it must stay
// inside the view over the whole swing.
TEST(Skins, NeedlesStayInsideTheirViewOverTheWholeSwing) {
    for (const char* name : {"dB_Needle1.png", "dB_Needle2.png"}) {
        const int row = RowOfBitmap(name, 67);
        ASSERT_NE(row, 0) << name;
        Bitmap b = Load(name);
        const int w = b->getWidth(), h = b->getHeight();
        const double px = w / 2.0, py = h / 2.0 + (controlTable[row].aux & 0xFF);
        ASSERT_LT(py, h);
        int visible = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (b->getAlpha(x, y) < 16) continue;
                ++visible;
                for (int deg = -65; deg <= 65; deg += 5) {
                    const double a = deg * 3.14159265358979323846 / 180, dx = x + 0.5 - px, dy = y + 0.5 - py;
                    const double rx = px + dx * std::cos(a) - dy * std::sin(a), ry = py + dx * std::sin(a) + dy * std::cos(a);
                    ASSERT_TRUE(rx >= 0 && rx <= w && ry >= 0 && ry <= h) << name << " pixel " << x << "," << y << " at " << deg;
                }
            }
        EXPECT_GT(visible, 50) << name << " draws a needle";
    }
}

}  // namespace
