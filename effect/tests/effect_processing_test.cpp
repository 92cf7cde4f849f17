// The effect's processing equals the engine's own, buffer for buffer.
#include <gtest/gtest.h>

#include "test_signals.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "com_test_support.h"
#include "factory_presets.h"

namespace lumbrook {
namespace {

using namespace test;

TEST(EffectProcessing, SameSamplesAsTheEngine) {
    for (WORD channels : {WORD(1), WORD(2)}) {
        SCOPED_TRACE(channels);
        IInPlaceEffect* effect = NewEffect();
        IEffectPresets* presets = Query<IEffectPresets>(effect, IID_IEffectPresets);
        IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
        auto engine = ReverbEngine::Create();

        presets->LoadPreset(11);
        engine->SetParams(kFactoryPresets[11].params);
        control->put_ExtendTail(1);
        control->put_EnableEq(1);
        control->put_HiEq(0.2f);
        engine->SetSwitch(ParamId::ExtendTail, 1);
        engine->SetSwitch(ParamId::EnableEq, 1);
        engine->SetFloat(ParamId::HiEq, 0.2f);
        StartStream(effect, channels, 48000);
        engine->ResetStream(48000);
        const BufferFormat format = {channels, 48000};

        std::vector<float> a = test::NoiseBuffer(size_t(channels) * 30000, 17), b = a;
        for (int32_t done = 0; done < 30000; done += 1000) {
            EXPECT_EQ(effect->ProcessInPlace(a.data() + done * channels, 1000), 1);
            engine->ProcessInPlace(b.data() + done * channels, 1000, format);
        }
        int32_t doneA = 0, doneB = 0;
        std::vector<float> tailA(size_t(channels) * 2048), tailB = tailA;
        EXPECT_EQ(effect->ProcessTail(tailA.data(), 2048, &doneA), 1);
        EXPECT_TRUE(engine->ProcessTail(tailB.data(), 2048, format, &doneB));
        EXPECT_EQ(doneA, 2048);
        a.insert(a.end(), tailA.begin(), tailA.end());
        b.insert(b.end(), tailB.begin(), tailB.end());
        for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(Bits(a[i]), Bits(b[i])) << i;

        presets->Release();
        control->Release();
        EXPECT_EQ(effect->Release(), 0u);
    }
}

// Ten seconds of the rate of the format in force, not of the one the last
// reset saw: a host may set a new format without a reset.
TEST(EffectProcessing, TailBudgetFollowsTheFormatRate) {
    IInPlaceEffect* effect = NewEffect();
    IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
    control->put_ExtendTail(1);
    StartStream(effect, 2, 44100);
    const WAVEFORMATEX slower = Format(3, 2, 22050, 32);
    ASSERT_EQ(effect->SetFormat(&slower), 1);
    std::vector<float> buffer(2 * 1000);
    int32_t done = 0;
    for (int call = 1; call <= 220; ++call)
        ASSERT_EQ(effect->ProcessTail(buffer.data(), 1000, &done), 1) << call;
    // 220,500 frames: the 221st call ends after its 500th frame.
    std::fill(buffer.begin(), buffer.end(), 9.0f);
    done = -1;
    EXPECT_EQ(effect->ProcessTail(buffer.data(), 1000, &done), 0);
    EXPECT_EQ(done, -1);
    EXPECT_NE(buffer[2 * 499], 9.0f);
    EXPECT_EQ(buffer[2 * 500], 9.0f);
    EXPECT_EQ(AsEffect(effect)->Coefficients().sampleRate, 44100u);

    // A reset renews the budget, now at the new rate.
    EXPECT_EQ(effect->ResetStream(), 1);
    EXPECT_EQ(AsEffect(effect)->Coefficients().sampleRate, 22050u);
    for (int call = 1; call <= 220; ++call)
        ASSERT_EQ(effect->ProcessTail(buffer.data(), 1000, &done), 1)
            << "after the reset, " << call;
    EXPECT_EQ(effect->ProcessTail(buffer.data(), 1000, &done), 0);
    EXPECT_EQ(effect->ResetStream(), 1);
    control->put_ExtendTail(0);
    EXPECT_EQ(effect->ProcessTail(buffer.data(), 1000, &done), 0);
    control->Release();
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectProcessing, ProcessingBeforeAnyFormatIsHarmless) {
    IInPlaceEffect* effect = NewEffect();
    float buffer[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(effect->ProcessInPlace(buffer, 4), 1);  // no format: 0 channels, untouched
    for (float s : buffer) EXPECT_EQ(s, 1.0f);
    EXPECT_EQ(effect->ResetStream(), 1);
    int32_t done = 0;
    EXPECT_EQ(effect->ProcessTail(buffer, 4, &done), 0);
    EXPECT_EQ(effect->ProcessInPlace(nullptr, 4), 1);
    EXPECT_EQ(effect->Release(), 0u);
}

}  // namespace
}  // namespace lumbrook
