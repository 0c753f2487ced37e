// The skins as the editor will load them: every PNG the control table names, from
// the library's embedded resources, against the size rules the editor applies
// while it walks the table (frames, panels, press-through pixels).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "host/ControlTable.h"
#include "toolkit/CBitmap.h"

namespace {

using Bitmap = std::unique_ptr<VSTGUI::CBitmap, void (*)(VSTGUI::CBitmap*)>;
Bitmap Load(const char* name) {
    return Bitmap(new VSTGUI::CBitmap(name), [](VSTGUI::CBitmap* b) { b->forget(); });
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

class SkinOfRow : public testing::TestWithParam<SkinRow> {};

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

TEST_P(SkinOfRow, LoadsAndDividesIntoWholeFramesByItsSizeRule) {
    const SkinRow s = GetParam();
    const ControlDescriptor& d = controlTable[s.row];
    SCOPED_TRACE(std::string("row ") + std::to_string(s.row) + " " + d.bitmap);
    Bitmap b = Load(d.bitmap);
    ASSERT_TRUE(b->isLoaded());
    ASSERT_GT(b->getWidth(), 0);
    ASSERT_GT(b->getHeight(), 0);
    const int frames = FramesOf(s, *b);
    ASSERT_GT(frames, 0) << "height " << b->getHeight() << " does not divide";
    const int frameHeight = b->getHeight() / frames;

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

class SkinInPanel : public testing::TestWithParam<SkinRow> {};

TEST_P(SkinInPanel, PanelSkinTakesPressesWhereItsControlsAre) {
    const SkinRow s = GetParam();
    const ControlDescriptor& d = controlTable[s.row];
    const ControlDescriptor& panel = controlTable[s.panelRow];
    Bitmap skin = Load(panel.bitmap), own = Load(d.bitmap);
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

std::string RowName(const testing::TestParamInfo<SkinRow>& info) {
    std::string name = "row" + std::to_string(info.param.row) + "_";
    for (const char* c = controlTable[info.param.row].bitmap; *c && *c != '.'; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
    return name;
}

INSTANTIATE_TEST_SUITE_P(ControlTable, SkinOfRow, testing::ValuesIn(SkinRows()), RowName);
INSTANTIATE_TEST_SUITE_P(ControlTable, SkinInPanel, testing::ValuesIn(SkinRowsInPanels()), RowName);

int RowOfBitmap(const char* name, int type = -1) {
    for (int r = 1; r < kControlTableRows; ++r)
        if (controlTable[r].bitmap && std::string(controlTable[r].bitmap) == name && (type < 0 || controlTable[r].type == type))
            return r;
    return 0;
}

TEST(Skins, BackgroundGivesTheEditorItsSize) {
    Bitmap face = Load(controlTable[0].bitmap);
    EXPECT_EQ(face->getWidth(), 1090);
    EXPECT_EQ(face->getHeight(), 420);
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
