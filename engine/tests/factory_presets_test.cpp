// The preset table as the tools reach it: by index, by full name or by the
// name without its number, and names padded with zeros to their 64 bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "factory_presets.h"

namespace lumbrook {
namespace {

TEST(PresetTable, LookupByIndexAndName) {
    EXPECT_EQ(FindPreset("9"), &kFactoryPresets[9]);
    EXPECT_EQ(FindPreset("09 - large hall 1"), &kFactoryPresets[9]);
    EXPECT_EQ(FindPreset("Huge Hall 1"), &kFactoryPresets[13]);
    EXPECT_EQ(FindPreset("14"), nullptr);
    EXPECT_EQ(FindPreset("-1"), nullptr);
    EXPECT_EQ(FindPreset("Hall"), nullptr);
    EXPECT_EQ(FindPreset(""), nullptr);
    for (const PresetRecord& preset : kFactoryPresets) {
        const size_t length = std::strlen(preset.name);
        for (size_t i = length; i < sizeof preset.name; ++i) ASSERT_EQ(preset.name[i], 0);
    }
}

}  // namespace
}  // namespace lumbrook
