// Files embedded in the library at build time.
#include <gtest/gtest.h>

#include <cstring>

#include "host/PresetBank.h"
#include "platform/Resources.h"

TEST(Resources, TheFactoryBankIsFoundByTypeAndExactName) {
    const EmbeddedResource* bank = FindEmbeddedResource("DATA", "VST_PatchMemoryBanks.mem");
    ASSERT_NE(bank, nullptr);
    EXPECT_EQ(bank->size, static_cast<size_t>(kBankBytes));
    PresetMemory first;
    std::memcpy(&first, bank->data, sizeof first);
    EXPECT_STREQ(first.name, "Default Start");

    EXPECT_EQ(FindEmbeddedResource("PNG", "VST_PatchMemoryBanks.mem"), nullptr);
    EXPECT_EQ(FindEmbeddedResource("DATA", "vst_patchmemorybanks.mem"), nullptr);
    EXPECT_EQ(FindEmbeddedResource("DATA", "VST_PatchMemoryBanks"), nullptr);
    EXPECT_EQ(FindEmbeddedResource("DATA", ""), nullptr);
    EXPECT_EQ(FindEmbeddedResource(nullptr, "VST_PatchMemoryBanks.mem"), nullptr);
    EXPECT_EQ(FindEmbeddedResource("DATA", nullptr), nullptr);

    size_t count = 0;
    const EmbeddedResource* all = EmbeddedResources(count);
    ASSERT_GE(count, 1u);
    bool listed = false;
    for (size_t i = 0; i < count; ++i) listed |= all[i].data == bank->data;
    EXPECT_TRUE(listed);
}
