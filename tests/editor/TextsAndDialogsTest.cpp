// The elements the plug-in's own table does not build, on small tables of the
// test's own: global displays, text entries in the preset memory's text fields,
// the file selector (with stand-in dialog programs), text views, panels per menu
// item; and the tooltips of the real editor on a test clock.
#include "tests/editor/EditorDriver.h"

#include "editor/controls/FileSelector.h"
#include "editor/controls/GlobalDisplays.h"
#include "editor/controls/OptionMenus.h"
#include "editor/controls/TextEntry.h"
#include "editor/controls/TextViews.h"
#include "host/PresetBank.h"
#include "platform/Resources.h"
#include "platform/TimerQueue.h"
#include "toolkit/CViewContainer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

using namespace VSTGUI;
using namespace editor_test;

namespace {

const char kTip[] = "Compressor Attack Time (ms)";

const ControlDescriptor kTextTable[] = {
    {0, 0, 0, 1, 0, 0, "BGD.png", 0, 0, "BGD.png", "", ""},
    {0, 0, kTypeFont, -1, 0, 0, "", 0, 0, "", "", ""},
    {0, 0, kTypeTextStyle, 0, 80, 14, "", 0, 0, "", "", ""},
    {4, 0, 2, -1, 10, 10, "Knob.png", 0, 500, "Attack", "", kTip},
    {53, 0, 29, -1, 10, 60, "", 0, 500, "", "", ""},
    {53, 0, kTypeLinkNumber, 4, 0, 0, "", 0, 0, "", "", ""},
    {60, 0, 39, -1, 200, 10, "", 0, 1, "", "", ""},
    {61, 0, 40, -1, 200, 30, "", 0, 1, "", "", ""},
    {62, 0, 41, -1, 200, 50, "", 0, 1, "", "", ""},
    {63, kGlobalValue, 42, -1, 200, 70, "", 0, 1, "", "", ""},
    {12, 0, 28, -1, 10, 100, "", 0, 100, "Exp Ratio", "", ""},
    {65, 0, 60, 2, 300, 10, "", 0, 0, "", "Hello", ""},
    {0, 0, kTypeTextStyle, 0, 100, 60, "", 0, 0, "", "", ""},
    {66, 0, 61, 0, 300, 30, "", 0, 0, "", "first", ""},
    {17, 0, 19, -1, 10, 150, "", 0, 1, "Sel", "A,B,", ""},
    {5, 0, kTypeBeginPanelOwnRect, -1, 400, 200, "", 50, 40, "", "", ""},
    {0, 0, kTypeEndPanel, 0, 0, 0, "", 0, 0, "", "", ""},
    {6, 0, kTypeBeginPanelOwnRect, -1, 500, 200, "", 50, 40, "", "", ""},
    {67, 0, 60, 0, 0, 0, "", 0, 0, "", "fades", ""},
    {0, 0, kTypeEndPanel, 0, 0, 0, "", 0, 0, "", "", ""},
    {17, 0, 102, 5, 0, 0, "", 0, 0, "", "", ""},
    {17, 0, 102, 6, 1, 0, "", 0, 0, "", "", ""},
    {0, 0, kTypePanelGeometry, 1, 204, 100, "", 0.1f, 0, "", "", ""},
    {40, 0, kTypeBeginPanel, -1, 204, 100, "AsnMidiCC.png", 0, 0, "", "", ""},
    {91, 0, 54, -1, 0, 0, "AsnMidiCC.png", 0, 0, "", "", ""},
    {0, 0, kTypeEndPanel, 0, 0, 0, "", 0, 0, "", "", ""},
    {0, 0, kTypeEndOfTable, 0, 0, 0, "", 0, 0, "", "", ""},
};

struct TextEditor : OpenEditor {
    TextEditor() : OpenEditor(kTextTable, int(std::size(kTextTable))) {}
};

TEST(GlobalDisplays, FollowThePressedEntryAndTakeTypedNumbers) {
    TextEditor e;
    auto* number = e.view<Mox_GlobalNumberDisplay>(60);
    auto* name = e.view<Mox_GlobalNameDisplay>(61);
    ASSERT_NE(number, nullptr);
    ASSERT_NE(name, nullptr);
    e.press(e.centreOf(60));
    EXPECT_FALSE(e.platform().isEditing()) << "nothing shown yet: no field";

    OnEditorThread([&] { e.effect.setParameter(4, 0.5f); });
    e.press(e.centreOf(53));
    OnEditorThread([&] { e.platform().pressEscape(); });
    EXPECT_EQ(number->getShownTag(), 4);
    EXPECT_STREQ(number->getText(), "250.0000");
    EXPECT_EQ(name->getShownTag(), 4);
    OnEditorThread([&] { e.effect.setParameter(4, 0.25f); });
    EXPECT_STREQ(number->getText(), "125.0000") << "the entry passes its new value on";

    ASSERT_TRUE(e.typeInto(60, "100"));
    EXPECT_FLOAT_EQ(e.effect.getParameter(4), 0.2f);
    ASSERT_TRUE(e.typeInto(60, "12x"));
    EXPECT_FLOAT_EQ(e.effect.getParameter(4), 0.2f);
    EXPECT_STREQ(number->getText(), "100.0000");

    // A knob pressed points both displays at itself.
    e.press(e.centreOf(12));
    OnEditorThread([&] { e.platform().pressEscape(); });
    ASSERT_EQ(number->getShownTag(), 12);
    e.editor.runTicks(100);  // the knob's picture has arrived (a press stops it where it is drawn)
    e.press(e.centreOf(4));
    EXPECT_EQ(number->getShownTag(), 4);
    EXPECT_EQ(name->getShownTag(), 4);
    EXPECT_STREQ(number->getText(), "100.0000");
}

TEST(NumberEntry, OneWithoutAShownControlAndAHostTagRightPressesIntoMidiLearn) {
    TextEditor e;
    e.press(e.centreOf(12), kRButton);
    EXPECT_TRUE(e.editor.panel(Mox_GUI_Editor::kMidiLearnPanel)->isVisible());
    EXPECT_FALSE(e.platform().isEditing());
}

TEST(TextEntry, StoresAtMostTheFieldTerminatedAndReadOnlyKeepsItsText) {
    TextEditor e;
    auto* entry = e.view<Mox_CTextEntry>(62);
    auto* readOnly = e.view<Mox_CTextEntry>(63);
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(readOnly, nullptr);
    EXPECT_EQ(entry->storageKey(), 0);
    EXPECT_EQ(uint32_t(readOnly->storageKey()), 0x80000000u + 256 + 1) << "kind 1, second entry, global";

    ASSERT_TRUE(e.typeInto(62, std::string(200, 'x')));
    const uint8_t* field = e.effect.currentRecord->reserved;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(field)), std::string(127, 'x'));
    EXPECT_EQ(field[127], 0);
    EXPECT_EQ(std::string(entry->getText()), std::string(127, 'x'));

    std::string accents;
    for (int i = 0; i < 100; ++i) accents += "\xc3\xa9";  // é
    ASSERT_TRUE(e.typeInto(62, accents));
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(field)), 126u) << "no character cut in half";

    ASSERT_TRUE(e.typeInto(63, "changed"));
    EXPECT_STREQ(readOnly->getText(), "");
    EXPECT_EQ(e.effect.globalRecord->reserved[128], 0);
}

TEST(TextEntry, AnUnterminatedTextInALoadedChunkIsReadOnlyToItsFieldsEnd) {
    TextEditor e;
    e.editor.close();
    std::vector<uint8_t> record(sizeof(PresetMemory));
    void* data = nullptr;
    ASSERT_EQ(e.effect.getChunk(&data, true), int32_t(record.size()));
    std::memcpy(record.data(), data, record.size());
    auto* memory = reinterpret_cast<PresetMemory*>(record.data());
    std::memset(memory->reserved, 'A', 128);
    std::memset(memory->reserved + 128, 'B', 128);
    e.effect.setChunk(record.data(), int32_t(record.size()), true);
    ASSERT_TRUE(e.editor.openOffscreen());
    EXPECT_EQ(std::string(e.view<Mox_CTextEntry>(62)->getText()), std::string(128, 'A'));
}

// ----- the file selector with stand-in dialog programs -----

struct Dialogs : ::testing::Test {
    std::string dir = testing::TempDir() + "orva-dialogs-" + std::to_string(getpid());
    void SetUp() override { mkdir(dir.c_str(), 0700); }
    void TearDown() override {
        Mox_FileSelector::setDialogPrograms({"zenity", "kdialog"});
        std::filesystem::remove_all(dir);  // the stand-ins and files of this test
    }
    // A dialog program named name that logs its arguments, waits, prints answer
    // and ends with status.
    std::string standIn(const std::string& name, const std::string& answer, int status = 0, double wait = 0.2) {
        const std::string path = dir + "/" + name;
        std::ofstream script(path);
        script << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" << dir << "/args'; done\n"
               << "sleep " << wait << "\n";
        if (!answer.empty()) script << "printf '%s\\n' '" << answer << "'\n";
        script << "exit " << status << "\n";
        script.close();
        chmod(path.c_str(), 0700);
        unlink((dir + "/args").c_str());
        return path;
    }
    std::string file(const std::string& name) {
        const std::string path = dir + "/" + name;
        std::ofstream(path) << "RIFF";
        return path;
    }
    std::string args() {
        std::ifstream in(dir + "/args");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

const ControlDescriptor kDialogTable[] = {
    {0, 0, 0, 1, 0, 0, "BGD.png", 0, 0, "BGD.png", "", ""},
    {0, 0, kTypeTextStyle, 0, 80, 14, "", 0, 0, "", "", ""},
    {62, 0, 43, -1, 200, 50, "", 0, 1, "", "", ""},
    {63, 0, 45, -1, 200, 70, "", 0, 1, "", "", ""},
    {0, 0, kTypeEndOfTable, 0, 0, 0, "", 0, 0, "", "", ""},
};

// Ticks until the entry's dialog is over (at most 5 s).
void WaitForDialog(OpenEditor& e, Mox_CTextEntry* entry) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (entry->dialogOpen() && std::chrono::steady_clock::now() < end) {
        e.editor.runTicks(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    e.editor.runTicks(1);
}

TEST_F(Dialogs, LoadDialogAnswersAtALaterTickWithoutBlockingAndThePathIsKeptAsItIs) {
    const std::string wav = file("kick\\drum.wav");
    Mox_FileSelector::setDialogPrograms({"/nonexistent/zenity", standIn("zenity", wav)});
    OpenEditor e(kDialogTable, int(std::size(kDialogTable)));
    auto* entry = e.view<Mox_CTextEntry>(62);
    ASSERT_NE(entry, nullptr);
    const auto before = std::chrono::steady_clock::now();
    e.press(e.centreOf(62));
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(150)) << "the press does not wait";
    EXPECT_TRUE(entry->dialogOpen());
    e.press(e.centreOf(62));  // a second press while it is open starts nothing
    EXPECT_STREQ(entry->getText(), "");
    WaitForDialog(e, entry);
    EXPECT_EQ(entry->getText(), wav) << "backslashes are part of a Linux file name";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(e.effect.currentRecord->reserved)), wav);
    const std::string given = args();
    EXPECT_NE(given.find("--file-selection\n"), std::string::npos) << given;
    EXPECT_NE(given.find("--title=Select a .wav sample to LOAD\n"), std::string::npos) << given;
    EXPECT_NE(given.find("--file-filter=Wav | *.wav\n"), std::string::npos) << given;
    EXPECT_EQ(given.find("--save"), std::string::npos);
    size_t runs = 0;
    for (size_t at = 0; (at = given.find("--file-selection", at)) != std::string::npos; ++at) ++runs;
    EXPECT_EQ(runs, 1u);
}

TEST_F(Dialogs, RefusedAnswersLeaveTheTextAsItWas) {
    std::string deep = dir;
    while (deep.size() < 140) deep += "/abcdefghij";
    ASSERT_EQ(system(("mkdir -p '" + deep + "'").c_str()), 0);
    const std::string tooLong = deep + "/x.wav";
    std::ofstream(tooLong) << "RIFF";
    const std::string answers[][2] = {
        {tooLong, "0"},                   // longer than the text field: refused, not cut
        {dir + "/missing.wav", "0"},      // a load answer that is no file
        {file("cancelled.wav"), "1"},     // the user cancelled
        {"relative.wav", "0"},
    };
    for (const auto& [answer, status] : answers) {
        Mox_FileSelector::setDialogPrograms({standIn("zenity", answer, std::stoi(status), 0)});
        OpenEditor e(kDialogTable, int(std::size(kDialogTable)));
        auto* entry = e.view<Mox_CTextEntry>(62);
        e.press(e.centreOf(62));
        WaitForDialog(e, entry);
        EXPECT_STREQ(entry->getText(), "") << answer;
        EXPECT_EQ(e.effect.currentRecord->reserved[0], 0) << answer;
    }
}

TEST_F(Dialogs, KdialogFormAndNoDialogProgramAtAll) {
    Mox_FileSelector::setDialogPrograms({standIn("kdialog", dir, 0, 0)});
    {
        OpenEditor e(kDialogTable, int(std::size(kDialogTable)));
        auto* folder = e.view<Mox_CTextEntry>(63);
        e.press(e.centreOf(63));
        WaitForDialog(e, folder);
        EXPECT_EQ(folder->getText(), dir);
        const std::string given = args();
        EXPECT_NE(given.find("--getexistingdirectory\n"), std::string::npos) << given;
        EXPECT_NE(given.find("Set the Directory Path for ALL Samples\n"), std::string::npos) << given;
    }
    Mox_FileSelector::setDialogPrograms({"/nonexistent/zenity", "no-such-dialog-program-here"});
    OpenEditor e(kDialogTable, int(std::size(kDialogTable)));
    auto* entry = e.view<Mox_CTextEntry>(62);
    e.press(e.centreOf(62));
    EXPECT_FALSE(entry->dialogOpen());
    e.editor.runTicks(2);
    EXPECT_STREQ(entry->getText(), "");
}

TEST_F(Dialogs, ClosingTheEditorWhileADialogIsOpenEndsTheDialog) {
    Mox_FileSelector::setDialogPrograms({standIn("zenity", file("a.wav"), 0, 30)});
    OpenEditor e(kDialogTable, int(std::size(kDialogTable)));
    e.press(e.centreOf(62));
    ASSERT_TRUE(e.view<Mox_CTextEntry>(62)->dialogOpen());
    const auto before = std::chrono::steady_clock::now();
    e.editor.close();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
}

// ----- text views -----

TEST(TextViews, MultiTextKeepsTheNewest32LinesWithTimePrefixes) {
    TextEditor e;
    auto* log = e.view<Mox_GUI_MultiText>(66);
    ASSERT_NE(log, nullptr);
    EXPECT_STREQ(log->line(0), "first");
    for (int i = 1; i <= 33; ++i) {
        const std::string text = "m" + std::to_string(i);
        log->notifyRecord(nullptr, TextMessage(text.c_str()));
    }
    EXPECT_STREQ(log->line(0), "m33");
    EXPECT_STREQ(log->line(31), "m2");
    for (int back = 0; back < 32; ++back) {
        EXPECT_STRNE(log->line(back), "m1");
        EXPECT_STRNE(log->line(back), "first");
    }
    log->notifyRecord(nullptr, TextMessage("x", 59, TextMessage::kTimed));
    EXPECT_STREQ(log->line(0), "00:00:59 x");
    log->notifyRecord(nullptr, TextMessage("y", 3725, TextMessage::kTimed));
    EXPECT_STREQ(log->line(0), "01:02:05 y");
    log->notifyRecord(nullptr, TextMessage(nullptr, -7, TextMessage::kTimed));
    EXPECT_STREQ(log->line(0), "00:00:00 ");
    log->notifyRecord(nullptr, TextMessage(std::string(100, 'z').c_str()));
    EXPECT_EQ(std::string(log->line(0)), std::string(63, 'z'));
    log->notify(nullptr, kMsgLooseFocus);  // a string notification is no text
    EXPECT_EQ(std::string(log->line(0)), std::string(63, 'z'));
    e.draw();
}

TEST(TextViews, TextOnlyTakesRecordsCutToFitAndFadesMoreSteeplyThanItsPanel) {
    TextEditor e;
    auto* text = e.view<Mox_GUI_TextOnly>(65);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text->getText(), "Hello");
    text->notify(nullptr, kMsgLooseFocus);
    EXPECT_STREQ(text->getText(), "Hello");
    text->notifyRecord(nullptr, TextMessage(std::string(200, 'q').c_str()));
    EXPECT_EQ(std::string(text->getText()), std::string(131, 'q'));
    EXPECT_EQ(text->faded(kWhiteCColor).alpha, 255) << "outside a fading panel";

    auto* inPanel = e.view<Mox_GUI_TextOnly>(67);
    CViewContainer* panel = e.editor.panel(6);
    ASSERT_EQ(inPanel->getParentView(), panel);
    OnEditorThread([&] {
        panel->setupSlidingPanel(panel->getViewSize(), false, 1.0f, 1.0f);
        panel->setHomeRect(panel->getViewSize(), 128.5f / 255.0f);
    });
    e.editor.runTicks(1);
    ASSERT_EQ(panel->getAlpha(), 128);
    EXPECT_EQ(inPanel->faded(kWhiteCColor).alpha, 64);
    EXPECT_EQ(inPanel->faded(CColor{1, 2, 3, 100}).alpha, 25);
    e.draw();
}

TEST(TextMenu, ShowsThePanelOfTheCurrentItemAndHidesTheOthers) {
    TextEditor e;
    auto* menu = e.view<Mox_COptionsText>(17);
    ASSERT_NE(menu, nullptr);
    for (float v : {0.0f, 1.0f, 0.0f}) {
        OnEditorThread([&] { e.effect.setParameter(17, v); });
        e.editor.runTicks(2);
        EXPECT_EQ(e.editor.panel(5)->isVisible(), v == 0.0f);
        EXPECT_EQ(e.editor.panel(6)->isVisible(), v == 1.0f);
    }
}

// ----- tooltips in the real editor -----

uint64_t clockNow = 0;
uint64_t TestClock() { return clockNow; }

struct Tooltips : ::testing::Test {
    Tooltips() {
        clockNow = 10000;
        orva::platform::TimerQueue::instance().setClockForTesting(TestClock);
    }
    ~Tooltips() override { orva::platform::TimerQueue::instance().setClockForTesting(nullptr); }
    void advance(int ms) {
        for (int i = 0; i < ms; ++i) {
            ++clockNow;
            OnEditorThread([] { orva::platform::TimerQueue::instance().fireDue(clockNow); });
        }
    }
};

TEST_F(Tooltips, HalfASecondOnAKnobThe50msHandOverAndAPressHides) {
    OpenEditor e;
    const CPoint attack = e.centreOf(4), hold = e.centreOf(5);
    e.move(attack, 0);
    advance(499);
    EXPECT_FALSE(e.platform().tooltipVisible);
    advance(1);
    EXPECT_TRUE(e.platform().tooltipVisible);
    EXPECT_EQ(e.platform().tooltipText, kTip);
    EXPECT_EQ(e.platform().tooltipRect, e.editor.slot(4)->getFrameRect());
    advance(150);
    e.move(hold, 0);  // within 200 ms of leaving: the neighbour's after 50 ms
    advance(49);
    EXPECT_EQ(e.platform().tooltipText, kTip);
    advance(1);
    EXPECT_TRUE(e.platform().tooltipVisible);
    EXPECT_EQ(e.platform().tooltipText, "Compressor Hold Time (ms)");
    advance(300);
    e.down(hold, kLButton);
    EXPECT_FALSE(e.platform().tooltipVisible);
    e.up(hold);
}

TEST(TooltipAttributes, EveryBuiltRowWithATooltipCarriesItAndReadOutsCarryTheirKnobs) {
    OpenEditor e;
    for (int r = 1; r < kControlTableRows && controlTable[r].type != kTypeEndOfTable; ++r) {
        const ControlDescriptor& d = controlTable[r];
        if (d.type >= 99 || !d.tooltip || !*d.tooltip || !e.editor.slot(d.tag)) continue;
        if (d.bitmap && *d.bitmap && !FindEmbeddedResource("PNG", d.bitmap)) continue;
        size_t size = 0;
        ASSERT_TRUE(e.editor.slot(d.tag)->getAttributeSize(kCViewTooltipAttribute, size)) << "row " << r;
        EXPECT_EQ(size, std::strlen(d.tooltip) + 1) << "row " << r;
    }
    char got[64] = {};
    size_t size = 0;
    ASSERT_TRUE(e.editor.slot(53)->getAttribute(kCViewTooltipAttribute, sizeof got, got, size));
    EXPECT_STREQ(got, kTip);
}

}  // namespace
