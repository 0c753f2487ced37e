// Number entries and option menus through the real editor: what a read-out
// shows, what typing into it does (and refuses), and how the picture menus step
// on clicks, drags and link messages.
#include "tests/editor/EditorDriver.h"

#include "editor/controls/NumberEntry.h"
#include "editor/controls/OptionMenus.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CViewContainer.h"

#include <cmath>
#include <limits>
#include <string>

using namespace VSTGUI;
using namespace editor_test;

namespace {

constexpr int32_t kAttack = 4, kAttackEntry = 53;      // 0..500 ms, one decimal
constexpr int32_t kCompThresh = 8, kThreshEntry = 58;  // -80..0 dB
constexpr int32_t kStereoMode = 16, kMeterType = 29, kScope4 = 46, kAtkContour = 32;

// ----- the parser and the formats -----

struct Parsed {
    const char* text;
    double number;
};
class ParsesTypedNumbers : public ::testing::TestWithParam<Parsed> {};
TEST_P(ParsesTypedNumbers, ToTheirValue) {
    double got = -1;
    ASSERT_TRUE(ParseTypedNumber(GetParam().text, got)) << GetParam().text;
    EXPECT_DOUBLE_EQ(got, GetParam().number);
}
INSTANTIATE_TEST_SUITE_P(Numbers, ParsesTypedNumbers,
                         ::testing::Values(Parsed{"", 0}, Parsed{"125", 125}, Parsed{"12.5", 12.5}, Parsed{".5", 0.5},
                                           Parsed{"5.", 5}, Parsed{"-40", -40}, Parsed{"+7", 7},
                                           Parsed{"-+3.25", -3.25}, Parsed{"007.50", 7.5}));

class RefusesTypedText : public ::testing::TestWithParam<std::string> {};
TEST_P(RefusesTypedText, AsNoNumber) {
    double got = 0;
    EXPECT_FALSE(ParseTypedNumber(GetParam().c_str(), got)) << GetParam();
}
INSTANTIATE_TEST_SUITE_P(Texts, RefusesTypedText,
                         ::testing::Values("1.2.3", "12x", "x12", "+-1", "--1", "++1", " 1", "1 ", "1e3", "nan",
                                           "inf", "0x10", "1,5", "\x01", "\xff\xfe"));

TEST(NumberFormat, DecimalsZeroToFour) {
    EXPECT_EQ(FormatDecimals(250.0, 1), "250.0");
    EXPECT_EQ(FormatDecimals(2.0 / 3.0, 0), "1");
    EXPECT_EQ(FormatDecimals(2.0 / 3.0, 2), "0.67");
    EXPECT_EQ(FormatDecimals(2.0 / 3.0, 3), "0.667");
    EXPECT_EQ(FormatDecimals(2.0 / 3.0, 4), "0.6667");
}

// ----- number entries in the editor -----

TEST(NumberEntry, ShowsItsKnobsDisplayValueAndTypingSetsTheKnob) {
    OpenEditor e;
    OnEditorThread([&] { e.effect.setParameter(kAttack, 0.5f); });
    auto* entry = e.view<Mox_CNumberEntry>(kAttackEntry);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->getShownTag(), kAttack);
    e.draw();
    EXPECT_STREQ(entry->getText(), "250.0");

    ASSERT_TRUE(e.typeInto(kAttackEntry, "125"));
    EXPECT_FLOAT_EQ(e.effect.getParameter(kAttack), 0.25f);
    EXPECT_FLOAT_EQ(ValueOf(e.editor, kAttack), 0.25f) << "the knob follows";
    e.draw();
    EXPECT_STREQ(entry->getText(), "125.0");

    ASSERT_TRUE(e.typeInto(kAttackEntry, "600"));  // beyond 500 ms
    EXPECT_FLOAT_EQ(e.effect.getParameter(kAttack), 0.25f);
    e.draw();
    EXPECT_STREQ(entry->getText(), "125.0") << "the old text comes back";
}

// Texts that must leave the parameter and the read-out as they were.
class NumberEntryRefuses : public ::testing::TestWithParam<std::string> {};
TEST_P(NumberEntryRefuses, AndRestoresTheText) {
    OpenEditor e;
    OnEditorThread([&] { e.effect.setParameter(kCompThresh, 0.5f); });
    auto* entry = e.view<Mox_CNumberEntry>(kThreshEntry);
    ASSERT_NE(entry, nullptr);
    e.draw();
    ASSERT_STREQ(entry->getText(), "-40.0");
    ASSERT_TRUE(e.typeInto(kThreshEntry, GetParam()));
    EXPECT_FLOAT_EQ(e.effect.getParameter(kCompThresh), 0.5f);
    e.draw();
    EXPECT_STREQ(entry->getText(), "-40.0");
    EXPECT_FALSE(e.platform().isEditing());
}
INSTANTIATE_TEST_SUITE_P(BadInput, NumberEntryRefuses,
                         ::testing::Values("1.2.3", "12x", "-12x", "nan", "inf", "-inf", "1e3", "+-10", "5", "-81",
                                           "-80.01", "\x1b[2J", "\xc3\x28", std::string(10000, '9'),
                                           std::string(10000, '-'), std::string("-1\0" "0", 4)));

TEST(NumberEntry, InRangeTextsWithSignsAndFractionsAreTaken) {
    OpenEditor e;
    for (auto [text, expected] : {std::pair{"-20", 0.75f}, {"-+60", 0.25f}, {"0", 1.0f}, {"-80", 0.0f},
                                  {"-10.", 0.875f}, {"-0.8", 0.99f}}) {
        ASSERT_TRUE(e.typeInto(kThreshEntry, text));
        EXPECT_NEAR(e.effect.getParameter(kCompThresh), expected, 1e-6) << text;
    }
}

TEST(NumberEntry, EscapeAndAnUnchangedTextSendNothing) {
    OpenEditor e;
    OnEditorThread([&] { e.effect.setParameter(kAttack, 0.5f); });
    e.press(e.centreOf(kAttackEntry));
    ASSERT_TRUE(e.platform().isEditing());
    EXPECT_EQ(e.platform().editParams.text, "250.0") << "the field opens with the shown text";
    EXPECT_EQ(e.platform().editParams.rect, e.editor.slot(kAttackEntry)->getFrameRect());
    OnEditorThread([&] {
        e.platform().typeText("100");
        e.platform().pressEscape();
    });
    EXPECT_FLOAT_EQ(e.effect.getParameter(kAttack), 0.5f);
    RecordedHostCalls().clear();
    ASSERT_TRUE(e.typeInto(kAttackEntry, "250.0"));
    for (const HostRecord& c : RecordedHostCalls()) EXPECT_NE(c.opcode, audioMasterAutomate) << "nothing was sent";
}

TEST(NumberEntry, NoEditReadOutsOpenNothingAndTakeLinkValues) {
    OpenEditor e;
    constexpr int32_t kPeakLevelL = 82;  // read-only, fed by the left peak meter
    auto* entry = e.view<Mox_CNumberEntry>(kPeakLevelL);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->isNoEdit());
    e.press(e.centreOf(kPeakLevelL));
    EXPECT_FALSE(e.platform().isEditing());
    OnEditorThread([&] { entry->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 1, 0.5f)); });
    e.draw();
    EXPECT_STREQ(entry->getText(), "0.5");
    OnEditorThread([&] {
        entry->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 1, std::numeric_limits<float>::quiet_NaN()));
    });
    e.draw();
    EXPECT_STREQ(entry->getText(), "0.5") << "a NaN link value is refused";
}

TEST(NumberEntry, RightPressOnAnEntryThatShowsAKnobStartsNoMidiLearn) {
    OpenEditor e;
    e.press(e.centreOf(kAttackEntry), kRButton);
    EXPECT_FALSE(e.editor.panel(Mox_GUI_Editor::kMidiLearnPanel)->isVisible());
    EXPECT_FALSE(e.platform().isEditing());
}

// ----- picture menus -----

TEST(PictureMenu, StereoModeStepsThroughAllThreeItemsOnClicks) {
    OpenEditor e;
    auto* menu = e.view<Mox_COptionsImage>(kStereoMode);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->itemCount(), 3);
    OnEditorThread([&] { e.effect.setParameter(kStereoMode, 0.0f); });
    const int expected[] = {1, 2, 0, 1};
    for (int index : expected) {
        e.press(e.centreOf(kStereoMode));
        EXPECT_EQ(menu->index(), index);
        EXPECT_FLOAT_EQ(e.effect.getParameter(kStereoMode), index / 2.0f);
        EXPECT_FLOAT_EQ(menu->shownPosition(), index / 2.0f) << "without an animation the picture follows at once";
    }
    char text[32];
    OnEditorThread([&] { e.effect.setParameter(kStereoMode, 1.0f); });
    e.effect.getParameterDisplay(kStereoMode, text);
    EXPECT_STREQ(text, "Sidechai") << "the host's text from the item count the editor filed";

    e.press(e.centreOf(kStereoMode), kRButton);
    EXPECT_EQ(menu->index(), 2) << "a right click opens MIDI learn instead";
    EXPECT_TRUE(e.editor.panel(Mox_GUI_Editor::kMidiLearnPanel)->isVisible());
}

TEST(PictureMenu, DrawsTheSubPictureOfItsItem) {
    OpenEditor e;
    auto* menu = e.view<Mox_COptionsImage>(kStereoMode);
    CBitmap* strip = menu->getBackground();
    ASSERT_NE(strip, nullptr);
    const CRect r = menu->getFrameRect();
    ASSERT_EQ(strip->getHeight(), 3 * r.height());
    for (int index = 0; index < 3; ++index) {
        OnEditorThread([&] { e.effect.setParameter(kStereoMode, index / 2.0f); });
        OnEditorThread([&] { e.frame()->redrawAll(); });
        // Compare a column of the item's sub-picture with the window.
        long same = 0, total = 0;
        for (int y = 0; y < r.height(); ++y) {
            const uint32_t want = strip->getPixel(r.width() / 2, index * r.height() + y);
            if ((want >> 24) != 255) continue;
            ++total;
            if ((e.frame()->getBackBuffer()->getPixel(r.left + r.width() / 2, r.top + y) & 0xFFFFFF) ==
                (want & 0xFFFFFF))
                ++same;
        }
        ASSERT_GT(total, 0);
        EXPECT_EQ(same, total) << "item " << index;
    }
}

// Drags on the meter-type menu after the press that made "Std" current (the
// press itself steps from K20 round to Std).
struct Drag {
    std::vector<int> moves;  // upward pixels of each move, from the press point
    int index;               // where the menu ends
};
class MeterTypeDrag : public ::testing::TestWithParam<Drag> {};
TEST_P(MeterTypeDrag, StepsOneItemPerNinePixels) {
    OpenEditor e;
    auto* menu = e.view<Mox_COptionsImage>(kMeterType);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->itemCount(), 4);
    OnEditorThread([&] { e.effect.setParameter(kMeterType, 1.0f); });  // K20
    const CPoint at = e.centreOf(kMeterType);
    e.down(at);
    ASSERT_EQ(menu->index(), 0) << "Std";
    for (int up : GetParam().moves) e.move(CPoint(at.h, at.v - up));
    e.up(CPoint(at.h, at.v - (GetParam().moves.empty() ? 0 : GetParam().moves.back())));
    EXPECT_EQ(menu->index(), GetParam().index);
    EXPECT_FLOAT_EQ(e.effect.getParameter(kMeterType), GetParam().index / 3.0f);
}
INSTANTIATE_TEST_SUITE_P(Pixels, MeterTypeDrag,
                         ::testing::Values(Drag{{8}, 0}, Drag{{9}, 1}, Drag{{-9}, 0}, Drag{{4, 8}, 0},
                                           Drag{{9, 17}, 1}, Drag{{9, 18}, 2}, Drag{{9, 18, 27, 36, 45}, 3},
                                           Drag{{40}, 1}, Drag{{9, 0}, 0}));

TEST(PictureMenu, StepMessagesWrapAndAZeroStepDoesNothing) {
    OpenEditor e;
    auto* menu = e.view<Mox_COptionsImage>(kScope4);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->itemCount(), 6);
    OnEditorThread([&] { e.effect.setParameter(kScope4, 1.0f); });  // "Side R"
    OnEditorThread([&] { menu->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 100, 1.0f)); });
    EXPECT_EQ(menu->index(), 0) << "OutputL";
    EXPECT_FLOAT_EQ(e.effect.getParameter(kScope4), 0.0f);
    OnEditorThread([&] { menu->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 101, 1.0f)); });
    EXPECT_EQ(menu->index(), 5) << "before the first comes the last";
    EXPECT_FLOAT_EQ(e.effect.getParameter(kScope4), 1.0f);
    OnEditorThread([&] { menu->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 100, 0.0f)); });
    EXPECT_EQ(menu->index(), 5);
    OnEditorThread([&] { menu->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 7, 0.4f)); });
    EXPECT_EQ(menu->index(), 2) << "other slots set the value: int(5 x 0.4)";
    EXPECT_FLOAT_EQ(e.effect.getParameter(kScope4), 0.4f);

    for (float bad : {1.5f, -0.1f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        OnEditorThread([&] { menu->setValue(bad); });
        EXPECT_FLOAT_EQ(menu->getValue(), 0.4f);
        OnEditorThread([&] { menu->notifyRecord(nullptr, LinkMessage(LinkMessage::kValue, 7, bad)); });
        EXPECT_FLOAT_EQ(e.effect.getParameter(kScope4), 0.4f);
    }
}

// ----- the text pop-up -----

TEST(TextMenu, PopsUpBelowItselfWithTheCurrentItemCheckedAndTakesTheChoice) {
    OpenEditor e;
    auto* menu = e.view<Mox_COptionsText>(kAtkContour);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->itemCount(), 7);
    OnEditorThread([&] { e.effect.setParameter(kAtkContour, 2.0f / 6.0f); });  // Exp2
    e.platform().menuChooser = [](const std::vector<orva::platform::PopupMenuEntry>& entries, void*) {
        return entries[4].command;  // SCrv
    };
    e.press(e.centreOf(kAtkContour));
    const auto& shown = e.platform().lastMenu;
    ASSERT_EQ(shown.size(), 7u);
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i].checked, i == 2) << i;
    EXPECT_EQ(shown[4].title, "SCrv");
    const CRect r = menu->getFrameRect();
    EXPECT_EQ(e.platform().lastMenuPoint, CPoint(r.left, r.bottom));
    EXPECT_EQ(menu->index(), 4);
    EXPECT_FLOAT_EQ(e.effect.getParameter(kAtkContour), 4.0f / 6.0f);

    e.platform().menuChooser = nullptr;  // cancelled
    e.press(e.centreOf(kAtkContour));
    EXPECT_EQ(menu->index(), 4);
    EXPECT_FLOAT_EQ(e.effect.getParameter(kAtkContour), 4.0f / 6.0f);
}

TEST(OptionItems, EveryItemEndsWithAComma) {
    EXPECT_EQ(SplitOptionItems("Peak,RMS,"), (std::vector<std::string>{"Peak", "RMS"}));
    EXPECT_EQ(SplitOptionItems("a,,b,tail"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(SplitOptionItems("").empty());
    EXPECT_TRUE(SplitOptionItems(nullptr).empty());
}

}  // namespace
