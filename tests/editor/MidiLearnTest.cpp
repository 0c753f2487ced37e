// MIDI learn through the real editor: the panel opens at the mouse inside the
// editor, follows the controller arriving on the MIDI input (sent on another
// thread, read at the ticks), binds on OK, unbinds with "None", and the binding
// travels with the bank chunk. Malformed MIDI and garbage in a loaded map move
// nothing.
#include "tests/editor/EditorDriver.h"

#include "editor/controls/AssignMidiCC.h"
#include "host/PresetBank.h"
#include "toolkit/CViewContainer.h"

#include <cstring>
#include <thread>
#include <vector>

using namespace VSTGUI;
using namespace editor_test;

namespace {

constexpr int32_t kAttack = 4, kHold = 5, kStereoMode = 16, kLearnTag = 91;

VstMidiEvent Cc(uint8_t status, uint8_t controller, uint8_t value) {
    VstMidiEvent m{};
    m.type = kVstMidiType;
    m.byteSize = sizeof m;
    m.midiData[0] = char(status);
    m.midiData[1] = char(controller);
    m.midiData[2] = char(value);
    return m;
}

// What a host does on its audio thread before a block: effProcessEvents.
void SendFromAudioThread(Mox_DSP_VST& effect, std::vector<VstMidiEvent> midi) {
    std::thread audio([&] {
        std::vector<char> storage(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*));
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = int32_t(midi.size());
        for (size_t i = 0; i < midi.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
        effect.getAeffect()->dispatcher(effect.getAeffect(), effProcessEvents, 0, 0, list, 0.0f);
    });
    audio.join();
}

struct Learn : OpenEditor {
    Mox_AssignMidiCC* control() { return view<Mox_AssignMidiCC>(kLearnTag); }
    CViewContainer* panel() { return editor.panel(Mox_GUI_Editor::kMidiLearnPanel); }
    // Arms for tag as the editor's request does, at a frame point.
    void arm(int32_t tag, CPoint where) {
        OnEditorThread([&] {
            control()->arm(tag, effect.GetMidiAssignment(tag), where);
            panel()->setVisible(true);
        });
        editor.runTicks(1);
    }
    CPoint inPanel(const CRect& area) {
        const CRect p = panel()->getFrameRect();
        return CPoint(p.left + (area.left + area.right) / 2, p.top + (area.top + area.bottom) / 2);
    }
    void ok() { press(inPanel(Mox_AssignMidiCC::kOkArea)); editor.runTicks(1); }
};

struct Placement {
    CPoint click;
    CPoint corner;
};
class LearnPanelPlacement : public ::testing::TestWithParam<Placement> {};
TEST_P(LearnPanelPlacement, OpensAtTheMouseInsideTheEditor) {
    Learn e;
    ASSERT_NE(e.control(), nullptr);
    e.arm(kAttack, GetParam().click);
    const CRect r = e.panel()->getViewSize();
    EXPECT_EQ(CPoint(r.left, r.top), GetParam().corner);
    EXPECT_EQ(r.width(), 160);
    EXPECT_EQ(r.height(), 108);
    EXPECT_TRUE(e.panel()->isVisible());
    EXPECT_EQ(e.panel()->getAlpha(), 255) << "fully drawn at the next tick";
    EXPECT_EQ(e.panel()->getAlternateRect(), r) << "it shows in place, without sliding";
}
INSTANTIATE_TEST_SUITE_P(Points, LearnPanelPlacement,
                         ::testing::Values(Placement{{1000, 400}, {930, 312}}, Placement{{715, 305}, {715, 305}},
                                           Placement{{0, 0}, {0, 0}}, Placement{{5000, -3}, {930, 0}}));

TEST(MidiLearn, RightPressOnAMenuArmsItAndTheShownNumberFollowsTheMidiInput) {
    Learn e;
    const CPoint at = e.centreOf(kStereoMode);
    e.press(at, kRButton);
    EXPECT_EQ(e.control()->armedTag(), kStereoMode);
    EXPECT_TRUE(e.panel()->isVisible());
    EXPECT_EQ(e.panel()->getViewSize().left, std::min(at.h, 1090 - 160));
    EXPECT_EQ(e.panel()->getViewSize().top, std::min(at.v, 420 - 108));
    EXPECT_STREQ(e.control()->controllerText(), "None");

    SendFromAudioThread(e.effect, {Cc(0xB5, 74, 10)});  // any channel
    EXPECT_STREQ(e.control()->controllerText(), "None") << "not from the MIDI thread";
    e.editor.runTicks(1);
    EXPECT_STREQ(e.control()->controllerText(), "74");
    SendFromAudioThread(e.effect, {Cc(0xB0, 99, 10)});  // bound to nothing: still shown
    e.editor.runTicks(1);
    EXPECT_EQ(e.control()->selectedController(), 99);
}

TEST(MidiLearn, OkBindsAndTheControllerMovesTheParameterAndTheKnobAtTheNextTick) {
    Learn e;
    e.arm(kAttack, CPoint(715, 305));
    EXPECT_STREQ(e.control()->controllerText(), "None") << "the factory map binds no controller";
    SendFromAudioThread(e.effect, {Cc(0xB0, 74, 0)});
    e.editor.runTicks(1);
    e.ok();
    EXPECT_EQ(e.effect.GetMidiAssignment(kAttack), 74);
    EXPECT_FALSE(e.panel()->isVisible()) << "OK closes the panel";

    SendFromAudioThread(e.effect, {Cc(0xB3, 74, 127)});
    EXPECT_FLOAT_EQ(e.effect.getParameter(kAttack), 1.0f);
    EXPECT_NE(ValueOf(e.editor, kAttack), 1.0f) << "the knob is not touched from the MIDI thread";
    e.editor.runTicks(1);
    EXPECT_FLOAT_EQ(ValueOf(e.editor, kAttack), 1.0f);
    SendFromAudioThread(e.effect, {Cc(0xB0, 74, 0)});
    e.editor.runTicks(1);
    EXPECT_FLOAT_EQ(e.effect.getParameter(kAttack), 0.0f);
    EXPECT_FLOAT_EQ(ValueOf(e.editor, kAttack), 0.0f);
}

TEST(MidiLearn, OkHidesThePanelAtOnceSoItTakesNoSecondPress) {
    Learn e;
    e.arm(kAttack, CPoint(715, 305));
    e.press(e.inPanel(Mox_AssignMidiCC::kOkArea));
    EXPECT_FALSE(e.panel()->isVisible()) << "gone before the next tick";
}

TEST(MidiLearn, TwoParametersFollowOneControllerAndNoneUnbinds) {
    Learn e;
    for (int32_t tag : {kAttack, kHold}) {
        e.arm(tag, CPoint(300, 100));
        SendFromAudioThread(e.effect, {Cc(0xB0, 20, 1)});
        e.editor.runTicks(1);
        e.ok();
    }
    SendFromAudioThread(e.effect, {Cc(0xB0, 20, 64)});
    EXPECT_FLOAT_EQ(e.effect.getParameter(kAttack), 64.0f / 127.0f);
    EXPECT_FLOAT_EQ(e.effect.getParameter(kHold), 64.0f / 127.0f);

    // The list: "None" and 128 controllers in five columns, the bound one checked.
    e.arm(kAttack, CPoint(300, 100));
    e.platform().menuChooser = [](const std::vector<orva::platform::PopupMenuEntry>& entries, void*) {
        return entries[0].command;  // None
    };
    const CPoint box = e.inPanel(Mox_AssignMidiCC::kControllerBox);
    e.press(box);
    const auto& list = e.platform().lastMenu;
    ASSERT_EQ(list.size(), 129u);
    EXPECT_EQ(list[0].title, "None");
    EXPECT_EQ(list[128].title, "CC 127");
    std::vector<size_t> breaks;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].columnBreak) breaks.push_back(i);
        EXPECT_EQ(list[i].checked, i == 21) << i;
    }
    EXPECT_EQ(breaks, (std::vector<size_t>{26, 52, 78, 104}));
    EXPECT_EQ(e.platform().lastMenuPoint, box) << "the list opens at the press";
    EXPECT_STREQ(e.control()->controllerText(), "None");
    e.ok();
    EXPECT_EQ(e.effect.GetMidiAssignment(kAttack), -1);
    SendFromAudioThread(e.effect, {Cc(0xB0, 20, 127)});
    EXPECT_FLOAT_EQ(e.effect.getParameter(kAttack), 64.0f / 127.0f) << "unbound";
    EXPECT_FLOAT_EQ(e.effect.getParameter(kHold), 1.0f);
}

TEST(MidiLearn, ClosingTheEditorDiscardsAnUnconfirmedChoice) {
    Learn e;
    e.arm(kHold, CPoint(100, 100));
    SendFromAudioThread(e.effect, {Cc(0xB0, 33, 1)});
    e.editor.runTicks(1);
    EXPECT_EQ(e.control()->selectedController(), 33);
    e.editor.close();
    EXPECT_EQ(e.effect.GetMidiAssignment(kHold), -1);
}

TEST(MidiLearn, BankSelectIsBoundOnlyOnPurpose) {
    Learn e;
    SendFromAudioThread(e.effect, {Cc(0xB0, 0, 127)});
    EXPECT_EQ(e.effect.GetMidiAssignment(kAttack), -1);
    EXPECT_NE(e.effect.getParameter(kAttack), 1.0f);
    e.arm(kAttack, CPoint(715, 305));
    SendFromAudioThread(e.effect, {Cc(0xB0, 0, 5)});
    e.editor.runTicks(1);
    e.ok();
    EXPECT_EQ(e.effect.GetMidiAssignment(kAttack), 0);
    SendFromAudioThread(e.effect, {Cc(0xB0, 0, 127)});
    EXPECT_FLOAT_EQ(e.effect.getParameter(kAttack), 1.0f);
}

TEST(MidiLearn, BindingsTravelWithTheBankChunk) {
    std::vector<char> chunk;
    {
        Learn e;
        e.arm(kAttack, CPoint(100, 100));
        SendFromAudioThread(e.effect, {Cc(0xB0, 74, 1)});
        e.editor.runTicks(1);
        e.ok();
        void* data = nullptr;
        const int32_t size = e.effect.getChunk(&data, false);
        ASSERT_EQ(size, kBankBytes);
        chunk.assign(static_cast<char*>(data), static_cast<char*>(data) + size);
    }
    TestEffect restored;
    EXPECT_EQ(restored.GetMidiAssignment(kAttack), -1) << "factory map before loading";
    restored.setChunk(chunk.data(), int32_t(chunk.size()), false);
    EXPECT_EQ(restored.GetMidiAssignment(kAttack), 74);
    Mox_GUI_Editor& editor = EditorOf(restored);
    ASSERT_TRUE(editor.openOffscreen());
    auto* control = dynamic_cast<Mox_AssignMidiCC*>(editor.slot(kLearnTag));
    OnEditorThread([&] { editor.requestMidiLearn(dynamic_cast<CControl*>(editor.slot(kAttack)), CPoint(2, 2)); });
    EXPECT_EQ(control->selectedController(), 74) << "the panel shows the loaded binding";
}

TEST(MidiLearn, GarbageInALoadedMapAndMalformedMidiMoveNothing) {
    TestEffect effect;
    std::vector<uint8_t> bank(kBankBytes);
    void* data = nullptr;
    effect.getChunk(&data, false);
    std::memcpy(bank.data(), data, kBankBytes);
    auto* first = reinterpret_cast<PresetMemory*>(bank.data());
    const int16_t garbage[] = {200, -5, 0x7FFF, -32768, 128, 255, 1000};
    for (int p = 0; p < kPresetParamCount; ++p) first->midiMap[p] = garbage[p % 7];
    first->midiMap[kHold] = 7;
    effect.setChunk(bank.data(), kBankBytes, false);
    for (int p = 0; p < kPresetParamCount; ++p)
        if (p != kHold) EXPECT_EQ(effect.GetMidiAssignment(p), -1) << p;
    EXPECT_EQ(effect.GetMidiAssignment(kHold), 7);

    effect.setParameter(kAttack, 0.3f);
    effect.setParameter(kHold, 0.3f);
    effect.lastMidiController = 5;
    // Data bytes above 127, system messages, and a controller no entry can hold.
    SendFromAudioThread(effect, {Cc(0xB0, 200, 127), Cc(0xB0, 7, 200), Cc(0xB0, 255, 255), Cc(0xF0, 7, 127),
                                 Cc(0xFB, 7, 0), Cc(0xB0, 128, 1)});
    for (int p = 0; p < kPresetParamCount; ++p) {
        const float v = effect.getParameter(p);
        EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << p;
    }
    EXPECT_FLOAT_EQ(effect.getParameter(kAttack), 0.3f);
    EXPECT_FLOAT_EQ(effect.getParameter(kHold), 0.3f);
    EXPECT_EQ(effect.lastMidiController, 5) << "malformed control changes name no controller";
    SendFromAudioThread(effect, {Cc(0xB0, 7, 127)});
    EXPECT_FLOAT_EQ(effect.getParameter(kHold), 1.0f);
}

}  // namespace
