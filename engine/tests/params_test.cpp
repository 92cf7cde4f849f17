// The parameter block, its table, the constructor's defaults, the coefficient
// formulas and which of the three update paths refreshes what.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "coefficients.h"
#include "engine_fixture.h"

namespace lumbrook {
namespace {

using test::MakeEngine;

TEST(ParamTable, RowsFollowTheBlockInOrder) {
    const char* fields[] = {"preDelay", "roomSize", "damping", "earlyRef", "reverbLevel", "dryLevel",
                            "loEq", "hiEq", "extendTail", "enableEq", "bypass"};
    ReverbParams block{};
    for (int i = 0; i < kParamCount; ++i) {
        const ParamInfo& info = kParamTable[i];
        SCOPED_TRACE(info.field);
        EXPECT_EQ(static_cast<int>(info.id), i);
        EXPECT_STREQ(info.field, fields[i]);
        // Each row's member sits at offset 4 * i of the block.
        const char* base = reinterpret_cast<const char*>(&block);
        const char* member = info.kind == ParamKind::Continuous
                                 ? reinterpret_cast<const char*>(&(block.*info.floatField))
                                 : reinterpret_cast<const char*>(&(block.*info.switchField));
        EXPECT_EQ(member - base, 4 * i);
        EXPECT_EQ(info.kind == ParamKind::Switch, i >= 8);
    }
    EXPECT_EQ(FindParam("roomsize"), &Param(ParamId::RoomSize));
    EXPECT_EQ(FindParam("ReverbLevel"), &Param(ParamId::ReverbLevel));
    EXPECT_EQ(FindParam("room"), nullptr);
    EXPECT_EQ(FindParam(nullptr), nullptr);
}

TEST(Params, ConstructorDefaults) {
    auto engine = MakeEngine();
    const ReverbParams expected = {0.0f, 0.0f, 0.0f, 0.0f, 0.8f, 0.8f, 0.5f, 0.5f, 0, 1, 0};
    EXPECT_EQ(std::memcmp(&engine->Params(), &expected, kParamsSize), 0);
    const EngineCoefficients& c = engine->Coefficients();
    EXPECT_EQ(c.feedback, 0.7f);
    EXPECT_EQ(c.damp1, 0.0f);
    EXPECT_EQ(c.damp2, 1.0f);
    EXPECT_EQ(c.earlyGain, 0.0f);
    EXPECT_EQ(c.wetGain, 0.8f);
    EXPECT_EQ(c.dryGain, 0.8f);
    EXPECT_EQ(c.loShelfGain, 1.0f);
    EXPECT_EQ(c.hiShelfGain, 1.0f);
    EXPECT_EQ(c.eqEnabled, 1);
    EXPECT_EQ(c.bypassActive, 0);
    EXPECT_EQ(c.sampleRate, 0u);
    EXPECT_EQ(c.preDelayLength, 0);
    EXPECT_EQ(c.earlyLength, 0);
}

TEST(Coefficients, WorkedValues) {
    const struct { float eq; float gain; } shelves[] = {
        {0.0f, 0.70794576f}, {0.25f, 0.84139514f}, {0.5f, 1.0f}, {0.75f, 1.18850219f},
        {1.0f, 1.41253757f}};
    for (const auto& s : shelves) {
        SCOPED_TRACE(s.eq);
        EXPECT_FLOAT_EQ(ShelfGainFrom(s.eq), s.gain);
    }
    EXPECT_EQ(ShelfGainFrom(0.5f), 1.0f);  // exactly 0 dB
    EXPECT_EQ(ShelfGainFrom(1.0f), 1.4125375747680664f);
    EXPECT_EQ(ShelfGainFrom(0.0f), 0.7079457640647888f);
    EXPECT_FLOAT_EQ(FeedbackFrom(0.0f), 0.7f);
    EXPECT_FLOAT_EQ(FeedbackFrom(0.5f), 0.84f);
    EXPECT_FLOAT_EQ(FeedbackFrom(1.0f), 0.98f);
    EXPECT_FLOAT_EQ(Damp1From(0.5f), 0.2f);
    EXPECT_FLOAT_EQ(Damp2From(0.5f), 0.8f);
    EXPECT_FLOAT_EQ(EarlyGainFrom(1.0f), 0.4f);
    EXPECT_LE(FeedbackFrom(1.0f), 0.98f);
}

TEST(Params, BlockRefreshesEverythingButTheLengths) {
    auto engine = MakeEngine();
    engine->ResetStream(44100);
    EXPECT_EQ(engine->Coefficients().earlyLength, 2205);
    ReverbParams block = {1.0f, 1.0f, 0.5f, 1.0f, 0.25f, 0.75f, 1.0f, 0.0f, 1, 0, 0};
    engine->SetParams(block);
    const EngineCoefficients& c = engine->Coefficients();
    EXPECT_FLOAT_EQ(c.feedback, 0.98f);
    EXPECT_EQ(c.earlyLength, 2205);  // until the next reset
    EXPECT_EQ(c.preDelayLength, 0);
    EXPECT_FLOAT_EQ(c.damp1, 0.2f);
    EXPECT_FLOAT_EQ(c.damp2, 0.8f);
    EXPECT_FLOAT_EQ(c.earlyGain, 0.4f);
    EXPECT_EQ(c.wetGain, 0.25f);
    EXPECT_EQ(c.dryGain, 0.75f);
    EXPECT_EQ(c.loShelfGain, ShelfGainFrom(1.0f));
    EXPECT_EQ(c.hiShelfGain, ShelfGainFrom(0.0f));
    EXPECT_EQ(c.eqEnabled, 0);

    engine->ResetStream(44100);
    EXPECT_EQ(engine->Coefficients().earlyLength, 10584);
    EXPECT_EQ(engine->Coefficients().preDelayLength, 4410);
    // A reset leaves the float coefficients and flags alone.
    EXPECT_FLOAT_EQ(engine->Coefficients().feedback, 0.98f);
    EXPECT_EQ(engine->Coefficients().eqEnabled, 0);
}

TEST(Params, SingleSettersRefreshTheirOwnValuesAtOnce) {
    auto engine = MakeEngine();
    engine->ResetStream(44100);
    engine->SetFloat(ParamId::RoomSize, 1.0f);
    EXPECT_EQ(engine->Coefficients().earlyLength, 10584);
    EXPECT_FLOAT_EQ(engine->Coefficients().feedback, 0.98f);
    engine->SetFloat(ParamId::PreDelay, 0.5f);
    EXPECT_EQ(engine->Coefficients().preDelayLength, 2205);
    engine->SetFloat(ParamId::PreDelay, 0.0f);
    EXPECT_EQ(engine->Coefficients().preDelayLength, 0);

    const EngineCoefficients before = engine->Coefficients();
    engine->SetFloat(ParamId::Damping, 0.5f);
    EXPECT_FLOAT_EQ(engine->Coefficients().damp1, 0.2f);
    EXPECT_FLOAT_EQ(engine->Coefficients().damp2, 0.8f);
    engine->SetFloat(ParamId::EarlyRef, 0.5f);
    EXPECT_FLOAT_EQ(engine->Coefficients().earlyGain, 0.2f);
    engine->SetFloat(ParamId::ReverbLevel, 0.3f);
    EXPECT_EQ(engine->Coefficients().wetGain, 0.3f);
    engine->SetFloat(ParamId::DryLevel, 0.6f);
    EXPECT_EQ(engine->Coefficients().dryGain, 0.6f);
    engine->SetFloat(ParamId::LoEq, 0.75f);
    EXPECT_EQ(engine->Coefficients().loShelfGain, ShelfGainFrom(0.75f));
    EXPECT_EQ(engine->Coefficients().hiShelfGain, before.hiShelfGain);
    engine->SetFloat(ParamId::HiEq, 0.25f);
    EXPECT_EQ(engine->Coefficients().hiShelfGain, ShelfGainFrom(0.25f));
    engine->SetSwitch(ParamId::EnableEq, 0);
    EXPECT_EQ(engine->Coefficients().eqEnabled, 0);
    engine->SetSwitch(ParamId::ExtendTail, 2);
    EXPECT_EQ(engine->GetSwitch(ParamId::ExtendTail), 2);
    // Untouched by all of the above.
    EXPECT_EQ(engine->Coefficients().earlyLength, 10584);
    EXPECT_EQ(engine->Coefficients().combLength[0], before.combLength[0]);

    // Stored unchecked.
    engine->SetFloat(ParamId::Damping, 7.5f);
    EXPECT_EQ(engine->GetFloat(ParamId::Damping), 7.5f);
    // A setter of the wrong kind does nothing.
    engine->SetSwitch(ParamId::RoomSize, 1);
    engine->SetFloat(ParamId::Bypass, 1.0f);
    EXPECT_EQ(engine->GetFloat(ParamId::RoomSize), 1.0f);
    EXPECT_EQ(engine->GetSwitch(ParamId::Bypass), 0);
    EXPECT_EQ(engine->GetFloat(ParamId::Bypass), 0.0f);
}

TEST(Params, SettersBeforeTheFirstResetUseRateZero) {
    auto engine = MakeEngine();
    engine->SetFloat(ParamId::RoomSize, 1.0f);
    engine->SetFloat(ParamId::PreDelay, 1.0f);
    EXPECT_EQ(engine->Coefficients().earlyLength, 0);
    EXPECT_EQ(engine->Coefficients().preDelayLength, 0);
    engine->ResetStream(48000);
    EXPECT_EQ(engine->Coefficients().earlyLength, 11520);
    EXPECT_EQ(engine->Coefficients().preDelayLength, 4800);
}

TEST(Params, BypassIsALiveSwitchNotAStoredSetting) {
    auto engine = MakeEngine();
    ReverbParams block = engine->Params();
    block.bypass = 1;
    engine->SetParams(block);
    EXPECT_EQ(engine->Coefficients().bypassActive, 0);
    EXPECT_EQ(engine->GetSwitch(ParamId::Bypass), 1);
    EXPECT_EQ(engine->Params().bypass, 1);

    engine->SetSwitch(ParamId::Bypass, 1);
    EXPECT_EQ(engine->Coefficients().bypassActive, 1);
    engine->SetParams(block);  // any block switches the output back on
    EXPECT_EQ(engine->Coefficients().bypassActive, 0);
    engine->SetSwitch(ParamId::Bypass, 1);
    engine->SetSwitch(ParamId::Bypass, 0);
    EXPECT_EQ(engine->Coefficients().bypassActive, 0);
}

}  // namespace
}  // namespace lumbrook
