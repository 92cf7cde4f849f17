// The fourteen factory presets through IEffectPresets.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

#include "com_test_support.h"

namespace lumbrook {
namespace {

using namespace test;

struct PresetRow {
    const wchar_t* name;
    float values[8];
};

// The table as published, independent of the code's own table.
const PresetRow kExpected[] = {
    {L"00 - Default", {0, 0, 0, 0.1f, 0.8f, 0.8f, 0.5f, 0.5f}},
    {L"01 - Room 1", {0, 0.135f, 0.06f, 0.08f, 0.7f, 0.85f, 0.5f, 0.5f}},
    {L"02 - Room 2", {0, 0.135f, 0.12f, 0.12f, 0.7f, 0.85f, 0.5f, 0.5f}},
    {L"03 - Room 3", {0.05f, 0.135f, 0.18f, 0.16f, 0.75f, 0.8f, 0.5f, 0.5f}},
    {L"04 - Small Hall 1", {0.1f, 0.335f, 0, 0.16f, 0.75f, 0.8f, 0.5f, 0.5f}},
    {L"05 - Small Hall 2", {0.15f, 0.335f, 0.1f, 0.25f, 0.75f, 0.8f, 0.5f, 0.5f}},
    {L"06 - Small Hall 3", {0.2f, 0.335f, 0.4f, 0.4f, 0.75f, 0.8f, 0.5f, 0.5f}},
    {L"07 - Medium Hall 1", {0.3f, 0.535f, 0, 0.2f, 0.75f, 0.8f, 0.5f, 0.5f}},
    {L"08 - Medium Hall 2", {0.4f, 0.585f, 0.4f, 0.2f, 0.75f, 0.8f, 0.5f, 0.5f}},
    {L"09 - Large Hall 1", {0.5f, 0.635f, 0, 0.2f, 0.75f, 0.8f, 0.5f, 0.5f}},
    {L"10 - Large Hall 2", {0.7f, 0.685f, 0.1f, 0.3f, 0.75f, 0.8f, 0.5f, 0.5f}},
    {L"11 - Large Hall 3", {0.9f, 0.735f, 0.2f, 0.4f, 0.75f, 0.8f, 0.5f, 0.5f}},
    {L"12 - Large Hall 4", {0.9f, 0.785f, 0.2f, 0.4f, 0.75f, 0.8f, 0.5f, 0.5f}},
    {L"13 - Huge Hall 1", {1, 0.935f, 0.25f, 0.4f, 0.75f, 0.8f, 0.5f, 0.5f}},
};

class EffectPresets : public ::testing::Test {
protected:
    void SetUp() override {
        effect_ = NewEffect();
        presets_ = Query<IEffectPresets>(effect_, IID_IEffectPresets);
        ASSERT_NE(presets_, nullptr);
    }
    void TearDown() override {
        presets_->Release();
        EXPECT_EQ(effect_->Release(), 0u);
    }
    IInPlaceEffect* effect_ = nullptr;
    IEffectPresets* presets_ = nullptr;
};

TEST_F(EffectPresets, EveryPresetAppliesItsExactBlock) {
    int32_t count = 0;
    EXPECT_HR(S_OK, presets_->GetPresetCount(&count));
    ASSERT_EQ(count, 14);
    IReverbControl* control = Query<IReverbControl>(effect_, IID_IReverbControl);
    control->put_Bypass(1);
    for (int32_t i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        WCHAR name[64];
        EXPECT_HR(S_OK, presets_->GetPresetName(i, name, 64));
        EXPECT_STREQ(name, kExpected[i].name);
        EXPECT_HR(1, presets_->LoadPreset(i));
        ReverbParams block;
        ASSERT_EQ(effect_->GetParams(&block, 44), 1);
        ReverbParams expected;
        std::memcpy(&expected, kExpected[i].values, sizeof kExpected[i].values);
        expected.extendTail = expected.enableEq = expected.bypass = 0;
        EXPECT_EQ(std::memcmp(&block, &expected, 44), 0);
        EXPECT_EQ(AsEffect(effect_)->Coefficients().bypassActive, 0);
    }
    float room = 0;
    control->get_RoomSize(&room);
    EXPECT_EQ(room, 0.935f);
    control->Release();
}

TEST_F(EffectPresets, OutOfRangeIndexChangesNothing) {
    ReverbParams before, after;
    effect_->GetParams(&before, 44);
    for (int32_t index : {-1, 14, 1000, INT32_MIN}) {
        EXPECT_HR(E_INVALIDARG, presets_->LoadPreset(index));
        WCHAR name[8] = {L'x', L'x', L'x', L'x', L'x', L'x', L'x', L'x'};
        EXPECT_HR(E_INVALIDARG, presets_->GetPresetName(index, name, 8));
        EXPECT_EQ(name[0], L'x');
    }
    effect_->GetParams(&after, 44);
    EXPECT_EQ(std::memcmp(&before, &after, 44), 0);
    EXPECT_HR(E_POINTER, presets_->GetPresetCount(nullptr));
}

TEST_F(EffectPresets, NamesNeverOverrunTheBuffer) {
    // "07 - Medium Hall 1" needs 19 wide characters with its terminator.
    for (int32_t size = 0; size <= 20; ++size) {
        SCOPED_TRACE(size);
        WCHAR buffer[24];
        for (WCHAR& c : buffer) c = L'#';
        EXPECT_HR(S_OK, presets_->GetPresetName(7, buffer + 2, size));
        EXPECT_EQ(buffer[0], L'#');
        EXPECT_EQ(buffer[1], L'#');
        for (int i = 2 + size; i < 24; ++i) ASSERT_EQ(buffer[i], L'#') << "wrote at " << i - 2;
        if (size == 0) continue;
        EXPECT_EQ(buffer[2 + std::min(size - 1, 18)], 0);  // always terminated
        EXPECT_EQ(std::wcsncmp(buffer + 2, L"07 - Medium Hall 1", size_t(std::min(size - 1, 18))),
                  0);
    }
    EXPECT_HR(S_OK, presets_->GetPresetName(0, nullptr, 0));
    EXPECT_HR(S_OK, presets_->GetPresetName(0, nullptr, -5));
    EXPECT_HR(E_POINTER, presets_->GetPresetName(0, nullptr, 10));
}

}  // namespace
}  // namespace lumbrook
