// Parameters and programs as a host sees them: names, labels and display texts
// through the dispatcher, values through setParameter/getParameter, program
// selection through effSetProgram/effGetProgram.

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/plugin/PluginHostSupport.h"

namespace {

using orva_plugin_test::PluginFixture;
using orva_plugin_test::TextReply;

constexpr int32_t kHostParams = 47;

// Indices a careless or hostile host may use: below 0, the editor-only indices
// 47..91 (65 is the bypass button, 72 the transfer-curve window, both with a
// nonzero range), just past them, and far away.
const std::vector<int32_t> kOutsideIndices = {
    -1, 47, 65, 72, 91, 92, 100000, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};

using PluginParameters = PluginFixture;

TEST_F(PluginParameters, NamesComeFromTheControlTable) {
    EXPECT_EQ(Name(0).text, "BGD.png");  // no descriptor: the header row names it
    EXPECT_EQ(Name(2).text, "Auto.Rel");
    EXPECT_EQ(Name(9).text, "Comp Ratio");
    EXPECT_EQ(Name(16).text, "Stereo Mode");
    EXPECT_EQ(Name(46).text, "scope 4In");
    EXPECT_EQ(Name(47).text, "z-");  // editor elements are not host parameters

    for (int32_t index = 0; index < kHostParams; ++index) {
        const TextReply name = Name(index);
        EXPECT_TRUE(name.terminated) << index;
        EXPECT_FALSE(name.text.empty()) << index;
        EXPECT_LE(name.bytesWritten, 21u) << "name of " << index << " longer than 20 characters";
    }
}

TEST_F(PluginParameters, LabelsAreEmptyForEveryIndex) {
    std::vector<int32_t> indices = kOutsideIndices;
    for (int32_t index = 0; index < kHostParams; ++index) indices.push_back(index);
    for (int32_t index : indices) {
        const TextReply label = Label(index);
        EXPECT_EQ(label.text, "") << index;
        EXPECT_EQ(label.bytesWritten, 1u) << "label of " << index << " wrote more than its terminator";
    }
}

TEST_F(PluginParameters, ValuesRoundTripAndDoNotEchoAsAutomation) {
    const size_t callsBefore = loader.hostCalls.size();
    for (int32_t index : {2, 3, 9, 14, 16, 22, 29, 46}) {
        for (float value : {0.0f, 0.125f, 0.37f, 0.999f, 1.0f}) {
            SetParameter(index, value);
            EXPECT_EQ(GetParameter(index), value) << "index " << index;
        }
    }
    // Neighbours keep their own values.
    SetParameter(8, 0.2f);
    SetParameter(9, 0.4f);
    SetParameter(10, 0.6f);
    EXPECT_EQ(GetParameter(8), 0.2f);
    EXPECT_EQ(GetParameter(9), 0.4f);
    EXPECT_EQ(GetParameter(10), 0.6f);

    // A change that came from the host is not reported back to it.
    for (size_t i = callsBefore; i < loader.hostCalls.size(); ++i)
        EXPECT_NE(loader.hostCalls[i].opcode, audioMasterAutomate)
            << "host change of index " << loader.hostCalls[i].index << " echoed as automation";
}

TEST_F(PluginParameters, ValuesOutsideZeroToOneAreClampedAndNaNIsIgnored) {
    SetParameter(6, 1.0f);
    const std::string displayAtOne = Display(6).text;
    SetParameter(6, 0.0f);
    const std::string displayAtZero = Display(6).text;
    ASSERT_NE(displayAtOne, displayAtZero);

    SetParameter(6, 1.5f);
    EXPECT_EQ(GetParameter(6), 1.0f);
    EXPECT_EQ(Display(6).text, displayAtOne);
    SetParameter(6, std::numeric_limits<float>::infinity());
    EXPECT_EQ(GetParameter(6), 1.0f);
    EXPECT_EQ(Display(6).text, displayAtOne);

    SetParameter(6, -0.25f);
    EXPECT_EQ(GetParameter(6), 0.0f);
    EXPECT_EQ(Display(6).text, displayAtZero);
    SetParameter(6, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(GetParameter(6), 0.0f);
    EXPECT_EQ(Display(6).text, displayAtZero);

    // An option parameter pushed past its end still shows its last item.
    SetParameter(29, 7.0f);
    EXPECT_EQ(Display(29).text, "K20");

    SetParameter(6, 0.15f);
    const std::string displayBefore = Display(6).text;
    SetParameter(6, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(GetParameter(6), 0.15f);
    EXPECT_EQ(Display(6).text, displayBefore);
    SetParameter(6, -std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(GetParameter(6), 0.15f);
}

TEST_F(PluginParameters, IndicesOutsideTheHostRangeAnswerNothingAndChangeNothing) {
    for (int32_t index = 0; index < kHostParams; ++index)
        SetParameter(index, static_cast<float>((index * 7) % 11) / 10.0f);
    std::vector<float> values;
    std::vector<std::string> displays;
    for (int32_t index = 0; index < kHostParams; ++index) {
        values.push_back(GetParameter(index));
        displays.push_back(Display(index).text);
    }

    for (int32_t index : kOutsideIndices) {
        SetParameter(index, 0.7f);
        EXPECT_EQ(GetParameter(index), 0.0f) << index;
        const TextReply display = Display(index);
        EXPECT_EQ(display.text, "") << index;
        EXPECT_LE(display.bytesWritten, 1u) << index;
        const TextReply name = Name(index);
        EXPECT_EQ(name.text, index < 0 ? "" : "z-") << index;
        EXPECT_LE(name.bytesWritten, 3u) << index;
    }

    for (int32_t index = 0; index < kHostParams; ++index) {
        EXPECT_EQ(GetParameter(index), values[index]) << index;
        EXPECT_EQ(Display(index).text, displays[index]) << index;
    }
}

TEST_F(PluginParameters, NumericDisplayTexts) {
    SetParameter(9, (2.0f - 0.1f) / 19.9f);  // Comp Ratio 0.1..20
    EXPECT_EQ(Display(9).text, "2.000000");
    SetParameter(6, 0.15f);  // Release 0..2000 ms
    EXPECT_EQ(Display(6).text, "300.0000");
    SetParameter(8, 0.79875f);  // Comp Thresh -80..0 dB
    EXPECT_EQ(Display(8).text, "-16.1000");
    SetParameter(14, 0.0f);  // Gain -24..24 dB
    EXPECT_EQ(Display(14).text, "-24.0000");
    SetParameter(14, 0.5f);
    EXPECT_EQ(Display(14).text, "0.000000");
    SetParameter(22, 1.0f);  // Eq Freq 2 20..20480 Hz: five integer digits
    EXPECT_EQ(Display(22).text, "20480.00");
    SetParameter(2, 1.0f);  // Auto.Rel 0..100 %
    EXPECT_EQ(Display(2).text, "100.0000");
    SetParameter(2, 0.5f);
    EXPECT_EQ(Display(2).text, "50.00000");
}

TEST_F(PluginParameters, OptionParametersShowTheirItemsWithoutAnEditor) {
    SetParameter(18, 0.0f);  // Lev Detect
    EXPECT_EQ(Display(18).text, "Peak");
    SetParameter(18, 1.0f);
    EXPECT_EQ(Display(18).text, "RMS");

    SetParameter(29, 0.0f);  // Meter Type
    EXPECT_EQ(Display(29).text, "Std");
    SetParameter(29, 0.5f);
    EXPECT_EQ(Display(29).text, "K12");
    SetParameter(29, 0.7f);
    EXPECT_EQ(Display(29).text, "K14");
    SetParameter(29, 1.0f);
    EXPECT_EQ(Display(29).text, "K20");

    SetParameter(16, 0.0f);  // Stereo Mode, three detector sources
    EXPECT_EQ(Display(16).text, "Stereo");
    SetParameter(16, 0.5f);
    EXPECT_EQ(Display(16).text, "M/S Mono");
    SetParameter(16, 1.0f);
    // Display texts are limited to the interface's 8 characters.
    EXPECT_EQ(Display(16).text, std::string("Sidechain").substr(0, kVstMaxParamStrLen));

    SetParameter(32, 1.0f);  // AtkContour
    EXPECT_EQ(Display(32).text, "ISCrv");
    SetParameter(42, 1.0f);  // Peak Display
    EXPECT_EQ(Display(42).text, "Output");
    SetParameter(43, 1.0f);  // scope 1In
    EXPECT_EQ(Display(43).text, "Side R");
}

TEST_F(PluginParameters, DisplayTextsFitTheInterfaceLimit) {
    for (float value : {0.0f, 0.0001f, 0.37f, 0.999f, 1.0f}) {
        for (int32_t index = 0; index < kHostParams; ++index) {
            SetParameter(index, value);
            const TextReply display = Display(index);
            EXPECT_TRUE(display.terminated) << index << " at " << value;
            EXPECT_FALSE(display.text.empty()) << index << " at " << value;
            EXPECT_LE(display.text.size(), static_cast<size_t>(kVstMaxParamStrLen))
                << index << " at " << value << ": \"" << display.text << "\"";
            EXPECT_LE(display.bytesWritten, static_cast<size_t>(kVstMaxParamStrLen) + 1)
                << index << " at " << value;
        }
    }
}

TEST_F(PluginParameters, NullTextPointersAreIgnored) {
    SetParameter(16, 1.0f);
    for (int32_t opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
        for (int32_t index : {0, 9, 16, 46, 47, -1}) {
            EXPECT_EQ(Dispatch(opcode, index, 0, nullptr), 0) << "opcode " << opcode << " index " << index;
        }
    }
    for (int32_t opcode : {effGetProgramName, effSetProgramName, effGetProgramNameIndexed})
        EXPECT_EQ(Dispatch(opcode, 0, 0, nullptr), 0) << "opcode " << opcode;

    // The effect is unharmed and still answers.
    EXPECT_EQ(Name(9).text, "Comp Ratio");
    EXPECT_EQ(Display(16).text, std::string("Sidechain").substr(0, kVstMaxParamStrLen));
    EXPECT_EQ(GetParameter(16), 1.0f);
}

using PluginPrograms = PluginFixture;

TEST_F(PluginPrograms, OnlyProgramsZeroTo127CanBeSelected) {
    ASSERT_EQ(Dispatch(effGetProgram), 0);
    for (intptr_t program : {intptr_t{128}, intptr_t{-1}, intptr_t{100000},
                             static_cast<intptr_t>(std::numeric_limits<int32_t>::min())}) {
        Dispatch(effSetProgram, 0, program);
        EXPECT_EQ(Dispatch(effGetProgram), 0) << "after effSetProgram " << program;
    }
    if (sizeof(intptr_t) > sizeof(int32_t)) {
        // The value field is pointer-sized: a number that only looks like 5 in its
        // low 32 bits is still out of range.
        const intptr_t wide = static_cast<intptr_t>((int64_t{1} << 32) + 5);
        Dispatch(effSetProgram, 0, wide);
        EXPECT_EQ(Dispatch(effGetProgram), 0) << "after effSetProgram 2^32 + 5";
    }
    Dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(Dispatch(effGetProgram), 5);
    Dispatch(effSetProgram, 0, 128);
    EXPECT_EQ(Dispatch(effGetProgram), 5);
    Dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(Dispatch(effGetProgram), 5);
    Dispatch(effSetProgram, 0, 127);
    EXPECT_EQ(Dispatch(effGetProgram), 127);
    Dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(Dispatch(effGetProgram), 0);
}

TEST_F(PluginPrograms, EachProgramKeepsItsOwnValues) {
    // Whatever the programs hold at first, values set in one program stay there.
    Dispatch(effSetProgram, 0, 5);
    SetParameter(9, 0.25f);
    SetParameter(18, 0.0f);
    const std::string ratioInFive = Display(9).text;

    Dispatch(effSetProgram, 0, 0);
    SetParameter(9, 0.5f);
    SetParameter(18, 1.0f);
    const std::string ratioInZero = Display(9).text;
    ASSERT_NE(ratioInZero, ratioInFive);

    Dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(GetParameter(9), 0.25f);
    EXPECT_EQ(GetParameter(18), 0.0f);
    EXPECT_EQ(Display(9).text, ratioInFive);  // the selection reaches the control values too
    EXPECT_EQ(Display(18).text, "Peak");

    // Rejected selections leave the values of the current program in force.
    Dispatch(effSetProgram, 0, 128);
    Dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(GetParameter(9), 0.25f);
    EXPECT_EQ(Display(9).text, ratioInFive);

    Dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(GetParameter(9), 0.5f);
    EXPECT_EQ(GetParameter(18), 1.0f);
    EXPECT_EQ(Display(9).text, ratioInZero);
    EXPECT_EQ(Display(18).text, "RMS");
}

}  // namespace
