#include "host/ControlTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

class ControlTableTest : public ::testing::Test {
protected:
    void SetUp() override { BuildControlIndexMaps(); }
};

bool IsUnmapped(int index)
{
    static const std::set<int> unmapped = {0, 1, 7, 47, 48, 49, 50, 56, 66, 69, 71, 90};
    return unmapped.count(index) != 0;
}

TEST_F(ControlTableTest, HeaderAndEndRowFrameTheTable)
{
    const ControlDescriptor& header = controlTable[0];
    EXPECT_STREQ(header.bitmap, "BGD.png");
    EXPECT_STREQ(header.label, "BGD.png");
    EXPECT_EQ(header.aux, 1);

    EXPECT_EQ(kControlTableRows, 149);
    EXPECT_EQ(controlTable[kControlTableRows - 1].type, kTypeEndOfTable);
    for (int row = 0; row < kControlTableRows - 1; ++row)
        EXPECT_NE(controlTable[row].type, kTypeEndOfTable) << "early end row " << row;

    // No row may leave a text pointer null: readers use them without checks.
    for (int row = 0; row < kControlTableRows; ++row) {
        const ControlDescriptor& d = controlTable[row];
        EXPECT_TRUE(d.bitmap && d.label && d.options && d.tooltip) << "row " << row;
    }
}

TEST_F(ControlTableTest, HostParametersHaveNamesAndUsableRanges)
{
    std::set<std::string> names;
    for (int index = 2; index < kHostParameterCount; ++index) {
        if (index == 7)
            continue;
        const ControlDescriptor& d = DescriptorOf(index);
        EXPECT_EQ(d.tag, index);
        EXPECT_LT(d.type, 99) << "index " << index;
        EXPECT_GT(std::strlen(d.label), 0u) << "index " << index;
        EXPECT_TRUE(names.insert(d.label).second) << "duplicate name " << d.label;
        // A zero range would divide by zero when an element sets a value in its own units.
        EXPECT_LT(d.low, d.high) << "index " << index;
        EXPECT_EQ(d.aux, -1) << "index " << index;  // no default MIDI controller
    }

    struct Expected { int index; const char* name; float low, high; };
    const Expected expected[] = {
        {2, "Auto.Rel", 0.0f, 100.0f},
        {4, "Attack", 0.0f, 500.0f},
        {8, "Comp Thresh", -80.0f, 0.0f},
        {9, "Comp Ratio", 0.1f, 20.0f},
        {16, "Stereo Mode", 0.0f, 2.0f},
        {17, "Sensitivity", 2.0f, 1000.0f},
        {19, "Eq Freq 1", 20.0f, 20480.0f},
        {36, "RelConstA", 0.0f, 4000.0f},
        {40, "GainConstB", -24.0f, 24.0f},
        {46, "scope 4In", 0.0f, 5.0f},
    };
    for (const Expected& e : expected) {
        const ControlDescriptor& d = DescriptorOf(e.index);
        EXPECT_STREQ(d.label, e.name);
        EXPECT_FLOAT_EQ(d.low, e.low) << e.name;
        EXPECT_FLOAT_EQ(d.high, e.high) << e.name;
    }
    EXPECT_EQ(std::string(DescriptorOf(15).tooltip),
              "Look Ahead (ms)\nLook Ahead adds latency(delay)\nto the output signal");
}

TEST_F(ControlTableTest, IndexMapCoversEveryElementAndNothingElse)
{
    for (int index = 0; index < kParameterIndexCount; ++index) {
        const ControlDescriptor& d = DescriptorOf(index);
        if (IsUnmapped(index)) {
            EXPECT_EQ(&d, &controlTable[0]) << "index " << index;
            EXPECT_EQ(descriptorOfIndex[index], 0) << "index " << index;
        } else {
            EXPECT_EQ(d.tag, index);
            EXPECT_LT(d.type, 99) << "index " << index;
            EXPECT_NE(&d, &controlTable[0]) << "index " << index;
        }
    }
    EXPECT_EQ(&DescriptorOf(-1), &controlTable[0]);
    EXPECT_EQ(&DescriptorOf(kParameterIndexCount), &controlTable[0]);
    EXPECT_EQ(&DescriptorOf(100000), &controlTable[0]);

    // Every element row is the one the map points to: no index is described twice.
    for (int row = 1; row < kControlTableRows; ++row) {
        if (controlTable[row].type < 99) {
            EXPECT_EQ(descriptorOfIndex[controlTable[row].tag], row) << "row " << row;
        }
    }
}

TEST_F(ControlTableTest, FlagsSitOnlyOnTheirElements)
{
    std::set<int> global, displayOnly;
    for (int row = 0; row < kControlTableRows; ++row) {
        const ControlDescriptor& d = controlTable[row];
        EXPECT_EQ(d.flags & ~(kGlobalValue | kDisplayOnly), 0) << "row " << row;
        if (d.flags & kGlobalValue)
            global.insert(d.tag);
        if (d.flags & kDisplayOnly)
            displayOnly.insert(d.tag);
        if (d.flags != 0) {
            EXPECT_LT(d.type, 99) << "flags on layout row " << row;
        }
    }
    EXPECT_EQ(global, (std::set<int>{67, 68, 70}));
    EXPECT_EQ(displayOnly, (std::set<int>{80, 81, 88, 89}));
}

TEST_F(ControlTableTest, OrdinalsAndOptionCounts)
{
    for (int index = 0; index < kParameterIndexCount; ++index)
        EXPECT_EQ(ordinalOfIndex[index], 0xFF) << "index " << index;

    // Counted at build time, before any editor exists.
    EXPECT_EQ(optionCountOfIndex[16], 3);
    EXPECT_EQ(optionCountOfIndex[18], 2);
    EXPECT_EQ(optionCountOfIndex[29], 4);
    EXPECT_EQ(optionCountOfIndex[32], 7);
    EXPECT_EQ(optionCountOfIndex[42], 2);
    EXPECT_EQ(optionCountOfIndex[43], 6);
    EXPECT_EQ(optionCountOfIndex[9], 0);
    EXPECT_EQ(optionCountOfIndex[65], 0);

    // Later builds do nothing, so values written by the editor stay.
    const int16_t saved = optionCountOfIndex[16];
    optionCountOfIndex[16] = 11;
    BuildControlIndexMaps();
    EXPECT_EQ(optionCountOfIndex[16], 11);
    optionCountOfIndex[16] = saved;
}

TEST_F(ControlTableTest, OptionItemsAreCommaTerminated)
{
    EXPECT_EQ(CountOptionItems(nullptr), 0);
    EXPECT_EQ(CountOptionItems(""), 0);
    EXPECT_EQ(CountOptionItems("a,b"), 1);  // the trailing "b" is not an item

    const char* list = DescriptorOf(16).options;
    char text[16];
    ASSERT_TRUE(CopyOptionItem(list, 0, text, 8));
    EXPECT_STREQ(text, "Stereo");
    ASSERT_TRUE(CopyOptionItem(list, 1, text, 8));
    EXPECT_STREQ(text, "M/S Mono");
    ASSERT_TRUE(CopyOptionItem(list, 2, text, 8));
    EXPECT_STREQ(text, "Sidechai");  // truncated to 8 characters
    ASSERT_TRUE(CopyOptionItem(list, 2, text, 0));
    EXPECT_STREQ(text, "");
    ASSERT_TRUE(CopyOptionItem(",x,", 0, text, 8));
    EXPECT_STREQ(text, "");  // an empty item is still an item

    std::strcpy(text, "keep");
    EXPECT_FALSE(CopyOptionItem(list, 3, text, 8));
    EXPECT_FALSE(CopyOptionItem(list, -1, text, 8));
    EXPECT_FALSE(CopyOptionItem(nullptr, 0, text, 8));
    EXPECT_FALSE(CopyOptionItem("", 0, text, 8));
    EXPECT_FALSE(CopyOptionItem("a,b", 1, text, 8));
    EXPECT_FALSE(CopyOptionItem(list, 0, nullptr, 8));
    EXPECT_STREQ(text, "keep");
}

TEST_F(ControlTableTest, PanelsNestAndCloseBeforeTheEnd)
{
    std::vector<int> open;
    std::set<int> panelTags;
    for (int row = 1; row < kControlTableRows - 1; ++row) {
        const int type = controlTable[row].type;
        if (type == kTypeBeginPanel || type == kTypeBeginPanelOwnRect) {
            open.push_back(row);
            EXPECT_TRUE(panelTags.insert(controlTable[row].tag).second) << "row " << row;
        } else if (type == kTypeEndPanel) {
            ASSERT_FALSE(open.empty()) << "end without begin at row " << row;
            open.pop_back();
        }
    }
    EXPECT_TRUE(open.empty());
    EXPECT_EQ(panelTags, (std::set<int>{0, 1, 40}));
}

TEST_F(ControlTableTest, NumberFieldsLinkToKnobsOrSliders)
{
    int fields = 0;
    for (int row = 1; row < kControlTableRows; ++row) {
        const ControlDescriptor& d = controlTable[row];
        if (d.type != kTypeLinkNumber)
            continue;
        ++fields;
        const ControlDescriptor& field = DescriptorOf(d.tag);
        EXPECT_GE(field.type, 28) << "row " << row;
        EXPECT_LE(field.type, 37) << "row " << row;
        const ControlDescriptor& shown = DescriptorOf(d.aux);
        EXPECT_LE(shown.type, 6) << "row " << row;  // knob or slider
        EXPECT_EQ(shown.tag, d.aux) << "row " << row;
        EXPECT_LT(d.aux, kHostParameterCount) << "row " << row;
    }
    EXPECT_EQ(fields, 13);
}

}  // namespace
