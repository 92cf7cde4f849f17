// The 44-byte block exchange, the constructor's defaults, bypass, the
// property accessors reached through their slots and the property table
// that the page and the tools reach them by.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "com_test_support.h"
#include "control_double.h"
#include "property_access.h"

namespace lumbrook {
namespace {

using namespace test;

TEST(EffectParams, BlockOfTheWrongSizeChangesNothing) {
    IInPlaceEffect* effect = NewEffect();
    EXPECT_EQ(effect->GetParamsSize(), 44);
    unsigned char before[44], block[64], after[44];
    ASSERT_EQ(effect->GetParams(before, 44), 1);
    std::memset(block, 0x3F, sizeof block);
    for (int32_t size : {43, 45, 0, -44, 64}) {
        EXPECT_EQ(effect->SetParams(block, size), 0) << size;
        unsigned char out[64];
        std::memset(out, 0xAB, sizeof out);
        EXPECT_EQ(effect->GetParams(out, size), 0) << size;
        for (unsigned char c : out) ASSERT_EQ(c, 0xAB) << size;
    }
    EXPECT_EQ(effect->SetParams(nullptr, 44), 0);
    EXPECT_EQ(effect->GetParams(nullptr, 44), 0);
    ASSERT_EQ(effect->GetParams(after, 44), 1);
    EXPECT_EQ(std::memcmp(before, after, 44), 0);
    EXPECT_FLOAT_EQ(AsEffect(effect)->Coefficients().feedback, 0.7f);
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectParams, DefaultsDifferFromPresetZeroInTwoFields) {
    IInPlaceEffect* effect = NewEffect();
    ReverbParams params;
    ASSERT_EQ(effect->GetParams(&params, 44), 1);
    const ReverbParams defaults = {0.0f, 0.0f, 0.0f, 0.0f, 0.8f, 0.8f, 0.5f, 0.5f, 0, 1, 0};
    EXPECT_EQ(std::memcmp(&params, &defaults, 44), 0);
    IEffectPresets* presets = Query<IEffectPresets>(effect, IID_IEffectPresets);
    EXPECT_HR(1, presets->LoadPreset(0));
    ASSERT_EQ(effect->GetParams(&params, 44), 1);
    EXPECT_EQ(params.earlyRef, 0.1f);
    EXPECT_EQ(params.enableEq, 0);
    ReverbParams expected = defaults;
    expected.earlyRef = 0.1f;
    expected.enableEq = 0;
    EXPECT_EQ(std::memcmp(&params, &expected, 44), 0);
    presets->Release();
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectParams, BlockRoundTripsBetweenEffectsAndLengthsFollowAtReset) {
    IInPlaceEffect* a = NewEffect();
    IInPlaceEffect* b = NewEffect();
    StartStream(b, 2, 44100);
    const ReverbParams block = {1.0f, 1.0f, 0.25f, 0.5f, 0.6f, 0.7f, 0.1f, 0.9f, 1, 1, 1};
    ASSERT_EQ(a->SetParams(&block, 44), 1);
    unsigned char saved[44];
    ASSERT_EQ(a->GetParams(saved, 44), 1);
    EXPECT_EQ(std::memcmp(saved, &block, 44), 0);
    ASSERT_EQ(b->SetParams(saved, 44), 1);
    unsigned char copied[44];
    ASSERT_EQ(b->GetParams(copied, 44), 1);
    EXPECT_EQ(std::memcmp(copied, saved, 44), 0);
    EXPECT_EQ(AsEffect(b)->Coefficients().earlyLength, 2205);
    EXPECT_EQ(AsEffect(b)->Coefficients().preDelayLength, 0);
    EXPECT_FLOAT_EQ(AsEffect(b)->Coefficients().feedback, 0.98f);
    EXPECT_EQ(b->ResetStream(), 1);
    EXPECT_EQ(AsEffect(b)->Coefficients().earlyLength, 10584);
    EXPECT_EQ(AsEffect(b)->Coefficients().preDelayLength, 4410);
    EXPECT_EQ(a->Release(), 0u);
    EXPECT_EQ(b->Release(), 0u);
}

TEST(EffectParams, BlocksNeverBypassTheSetterDoes) {
    IInPlaceEffect* effect = NewEffect();
    IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
    IEffectPresets* presets = Query<IEffectPresets>(effect, IID_IEffectPresets);
    StartStream(effect, 2, 44100);
    float buffer[4] = {0.25f, -0.5f, 0.125f, 1.0f};
    const float original[4] = {0.25f, -0.5f, 0.125f, 1.0f};

    ReverbParams block;
    effect->GetParams(&block, 44);
    block.bypass = 1;
    ASSERT_EQ(effect->SetParams(&block, 44), 1);
    int32_t bypass = -1;
    EXPECT_HR(S_OK, control->get_Bypass(&bypass));
    EXPECT_EQ(bypass, 1);  // stored and read back ...
    effect->ProcessInPlace(buffer, 2);
    EXPECT_NE(buffer[0], original[0]);  // ... but the output stays on

    EXPECT_HR(S_OK, control->put_Bypass(1));
    std::memcpy(buffer, original, sizeof buffer);
    effect->ProcessInPlace(buffer, 2);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Bits(buffer[i]), Bits(original[i]));

    EXPECT_HR(1, presets->LoadPreset(3));  // a preset switches the output back on
    effect->ProcessInPlace(buffer, 2);
    EXPECT_NE(buffer[0], original[0]);

    EXPECT_HR(S_OK, control->put_Bypass(1));
    ASSERT_EQ(effect->SetParams(&block, 44), 1);  // so does a block holding bypass = 1
    EXPECT_EQ(AsEffect(effect)->Coefficients().bypassActive, 0);
    EXPECT_HR(E_POINTER, control->get_Bypass(nullptr));

    control->Release();
    presets->Release();
    EXPECT_EQ(effect->Release(), 0u);
}

// Every property through its own slot, as a binary client calls it: the
// setter stores the value unchanged and the getter in the next-lower slot
// reads it back; its block field moves.
TEST(EffectParams, PropertySlotsReachTheirParameters) {
    IInPlaceEffect* effect = NewEffect();
    IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
    using GetFloatFn = HRESULT(STDMETHODCALLTYPE*)(void*, float*);
    using PutFloatFn = HRESULT(STDMETHODCALLTYPE*)(void*, float);
    using GetIntFn = HRESULT(STDMETHODCALLTYPE*)(void*, int32_t*);
    using PutIntFn = HRESULT(STDMETHODCALLTYPE*)(void*, int32_t);
    for (int i = 0; i < kParamCount; ++i) {
        const ParamInfo& param = Param(kAutomationSlots[i].id);
        SCOPED_TRACE(param.property);
        const int getter = kFirstPropertySlot + 2 * i;
        ReverbParams block;
        if (param.kind == ParamKind::Continuous) {
            const float value = 0.3125f + 0.0625f * float(i);
            EXPECT_HR(S_OK, Slot<PutFloatFn>(control, getter + 1)(control, value));
            float read = -1.0f;
            EXPECT_HR(S_OK, Slot<GetFloatFn>(control, getter)(control, &read));
            EXPECT_EQ(read, value);
            effect->GetParams(&block, 44);
            EXPECT_EQ(block.*param.floatField, value);
            EXPECT_HR(E_POINTER, Slot<GetFloatFn>(control, getter)(control, nullptr));
        } else {
            const int32_t value = 7 + i;
            EXPECT_HR(S_OK, Slot<PutIntFn>(control, getter + 1)(control, value));
            int32_t read = -1;
            EXPECT_HR(S_OK, Slot<GetIntFn>(control, getter)(control, &read));
            EXPECT_EQ(read, value);
            effect->GetParams(&block, 44);
            EXPECT_EQ(block.*param.switchField, value);
            EXPECT_HR(E_POINTER, Slot<GetIntFn>(control, getter)(control, nullptr));
        }
    }
    control->Release();
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectParams, SettersStoreAnyValueUncheckedAndStaySafe) {
    IInPlaceEffect* effect = NewEffect();
    IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
    StartStream(effect, 2, 44100);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_HR(S_OK, control->put_RoomSize(1e30f));
    EXPECT_HR(S_OK, control->put_PreDelay(nan));
    float read;
    control->get_RoomSize(&read);
    EXPECT_EQ(read, 1e30f);
    control->get_PreDelay(&read);
    EXPECT_TRUE(std::isnan(read));
    EXPECT_HR(S_OK, control->put_ExtendTail(2));
    int32_t tail;
    control->get_ExtendTail(&tail);
    EXPECT_EQ(tail, 2);
    EXPECT_LE(AsEffect(effect)->Coefficients().earlyLength, kLineCapacity);
    EXPECT_EQ(AsEffect(effect)->Coefficients().preDelayLength, 0);
    float buffer[2 * 64] = {1.0f};
    EXPECT_EQ(effect->ProcessInPlace(buffer, 64), 1);
    control->Release();
    EXPECT_EQ(effect->Release(), 0u);
}

// The property table, as the page and the tools reach the effect: each
// parameter's accessors and no other's, and a refusal, with no call, for the
// other kind or for an id that is no parameter.
TEST(PropertyTable, EachParameterReachesOnlyItsOwnAccessors) {
    ControlDouble effect;
    IReverbControl* control = &effect;
    for (const ParamInfo& param : kParamTable) {
        SCOPED_TRACE(param.property);
        const std::string name = param.property;
        const bool continuous = param.kind == ParamKind::Continuous;
        effect.log.clear();
        float value = -1.0f;
        int32_t setting = -1;
        EXPECT_HR(continuous ? S_OK : E_INVALIDARG, PutFloatProperty(control, param.id, 0.25f));
        EXPECT_HR(continuous ? S_OK : E_INVALIDARG, GetFloatProperty(control, param.id, &value));
        EXPECT_HR(continuous ? E_INVALIDARG : S_OK, PutSwitchProperty(control, param.id, 3));
        EXPECT_HR(continuous ? E_INVALIDARG : S_OK, GetSwitchProperty(control, param.id, &setting));
        const std::vector<std::string> calls = {"put_" + name, "get_" + name};
        EXPECT_EQ(effect.log, calls);
        EXPECT_EQ(value, continuous ? 0.25f : -1.0f);
        EXPECT_EQ(setting, continuous ? -1 : 3);
    }
    effect.log.clear();
    float value = 0.0f;
    int32_t setting = 0;
    for (ParamId id : {ParamId::Count, ParamId(-1), ParamId(99)}) {
        EXPECT_HR(E_INVALIDARG, PutFloatProperty(control, id, 0.5f)) << int(id);
        EXPECT_HR(E_INVALIDARG, GetFloatProperty(control, id, &value)) << int(id);
        EXPECT_HR(E_INVALIDARG, PutSwitchProperty(control, id, 1)) << int(id);
        EXPECT_HR(E_INVALIDARG, GetSwitchProperty(control, id, &setting)) << int(id);
    }
    EXPECT_TRUE(effect.log.empty());
}

}  // namespace
}  // namespace lumbrook
