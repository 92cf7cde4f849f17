// The parameter block, its table, the constructor's defaults, the coefficient
// formulas and which of the three update paths refreshes what.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "coefficients.h"
#include "engine_fixture.h"
#include "test_signals.h"

namespace lumbrook {
namespace {

using test::MakeEngine;

TEST(ParamTable, RowsFollowTheBlockInOrder) {
    const char* fields[] = {"preDelay",    "roomSize", "damping", "earlyRef",
                            "reverbLevel", "dryLevel", "loEq",    "hiEq",
                            "extendTail",  "enableEq", "bypass"};
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

// Each parameter reads in its unit, and each unit converts both ways at the
// ends of its range: 0 and 1 show as the range's ends, printed with the
// unit's format and suffix, and typing an end gives 0 or 1 back exactly; a
// number past an end is clamped to it. Inside, typed numbers go through the
// single-precision step (80 % lands one below 0.8), shown numbers through
// double arithmetic.
TEST(DisplayUnits, RowsConversionsAndSpellings) {
    const UnitId units[kParamCount] = {UnitId::Milliseconds, UnitId::Plain,    UnitId::Percent,
                                       UnitId::Percent,      UnitId::Percent,  UnitId::Percent,
                                       UnitId::Decibels,     UnitId::Decibels, UnitId::Switch,
                                       UnitId::Switch,       UnitId::Switch};
    for (int i = 0; i < kParamCount; ++i)
        EXPECT_EQ(&kParamTable[i].unit, &Unit(units[i])) << kParamTable[i].field;
    const struct {
        UnitId id;
        const char* low;
        const char* high;
        const char* typedSuffix;
    } edges[] = {{UnitId::Percent, "0.0%", "100.0%", "%"},
                 {UnitId::Milliseconds, "0.0ms", "100.0ms", "ms"},  // 1.0 is 100 ms
                 {UnitId::Decibels, "-6.00dB", "6.00dB", "dB"},
                 {UnitId::Plain, "0.0", "100.0", "%"},
                 {UnitId::Switch, "0", "1", nullptr}};
    ASSERT_EQ(sizeof edges / sizeof edges[0], size_t(kUnitCount));
    for (const auto& edge : edges) {
        const DisplayUnit& unit = Unit(edge.id);
        SCOPED_TRACE(edge.high);
        EXPECT_EQ(unit.id, edge.id);
        for (const float value : {0.0f, 1.0f}) {
            const double display = DisplayFromValue(unit, value);
            EXPECT_EQ(display, value == 0.0f ? unit.min : unit.max);
            EXPECT_EQ(ValueFromDisplay(unit, display), value);
            char text[32];
            std::snprintf(text, sizeof text, unit.format, display);
            EXPECT_EQ(std::string(text) + unit.suffix, value == 0.0f ? edge.low : edge.high);
        }
        EXPECT_STREQ(unit.typedSuffix, edge.typedSuffix);
        EXPECT_EQ(ClampDisplay(unit, unit.max + 0.5), unit.max);
        EXPECT_EQ(ClampDisplay(unit, unit.min - 0.5), unit.min);
        EXPECT_EQ(ClampDisplay(unit, std::nan("")), unit.min);
        EXPECT_EQ(ClampDisplay(unit, (unit.min + unit.max) / 2), (unit.min + unit.max) / 2);
    }
    const struct {
        UnitId id;
        double display;
        uint32_t valueBits;
    } typed[] = {{UnitId::Percent, 35.0, 0x3eb33333},
                 {UnitId::Percent, 80.0, 0x3f4ccccc},
                 {UnitId::Milliseconds, 33.3, 0x3eaa7efa},
                 {UnitId::Decibels, -3.0, 0x3e800000},
                 {UnitId::Decibels, 2.5, 0x3f355556}};
    for (const auto& c : typed)
        EXPECT_EQ(test::Bits(ValueFromDisplay(Unit(c.id), c.display)), c.valueBits)
            << Unit(c.id).suffix << " " << c.display;
    EXPECT_EQ(DisplayFromValue(Unit(UnitId::Percent), 0.8f), double(0.8f) * 100.0);
    EXPECT_EQ(DisplayFromValue(Unit(UnitId::Decibels), 0.25f), -3.0);
    const DisplayUnit& onOff = Unit(UnitId::Switch);
    EXPECT_STREQ(onOff.onWords[0], "on");
    EXPECT_STREQ(onOff.offWords[0], "off");
    for (const char* word : {"on", "YES", "True"})
        EXPECT_EQ(SwitchFromWord(onOff, word), 1) << word;
    for (const char* word : {"Off", "no", "FALSE"})
        EXPECT_EQ(SwitchFromWord(onOff, word), 0) << word;
    for (const char* word : {"", "o", "onn", "1", "of"})
        EXPECT_EQ(SwitchFromWord(onOff, word), -1) << word;
    EXPECT_EQ(SwitchFromWord(Unit(UnitId::Percent), "on"), -1);
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

// Each coefficient is a double product (and sum) of the float operands,
// rounded once when stored: the exact float, not a neighbour of it.
TEST(Coefficients, WorkedValuesToTheBit) {
    const struct {
        const char* name;
        float (*formula)(float);
        float value;
        float expected;
    } rows[] = {
        {"shelf gain", ShelfGainFrom, 0.0f, 0.707945764f},
        {"shelf gain", ShelfGainFrom, 0.003f, 0.709414423f},  // 0.709414363 with a float power
        {"shelf gain", ShelfGainFrom, 0.25f, 0.84139514f},
        {"shelf gain", ShelfGainFrom, 0.5f, 1.0f},  // exactly 0 dB
        {"shelf gain", ShelfGainFrom, 0.75f, 1.18850219f},
        {"shelf gain", ShelfGainFrom, 1.0f, 1.41253757f},
        {"feedback", FeedbackFrom, 0.0f, 0.7f},
        {"feedback", FeedbackFrom, 0.5f, 0.84f},
        {"feedback", FeedbackFrom, 0.6f, 0.867999971f},  // 0.868000031 in single precision
        {"feedback", FeedbackFrom, 1.0f, 0.98f},
        {"damp1", Damp1From, 0.5f, 0.2f},
        {"damp1", Damp1From, 0.34f, 0.136000007f},
        {"damp2", Damp2From, 0.5f, 0.8f},
        {"damp2", Damp2From, 0.34f, 0.864000022f},  // 0.863999963 in single precision
        {"damp2", Damp2From, 1.0f, 0.600000024f},
        {"early gain", EarlyGainFrom, 1.0f, 0.4f},
        {"early gain", EarlyGainFrom, 0.25f, 0.1f},
    };
    for (const auto& row : rows) {
        const float got = row.formula(row.value);
        EXPECT_EQ(test::Bits(got), test::Bits(row.expected))
            << row.name << " at " << row.value << ": got " << got << ", expected " << row.expected;
    }
    EXPECT_EQ(ShelfGainFrom(1.0f), 1.4125375747680664f);
    EXPECT_EQ(ShelfGainFrom(0.0f), 0.7079457640647888f);
}

// Inside 0..1 the comb feedback rises with the room and never passes 0.98,
// so the combs always decay; damp1 and damp2 always share out one.
TEST(Coefficients, FeedbackStaysBelowOneAcrossTheRange) {
    float previous = 0.0f;
    for (int i = 0; i <= 1000; ++i) {
        const float roomSize = float(i) / 1000.0f;
        const float feedback = FeedbackFrom(roomSize);
        ASSERT_GE(feedback, 0.7f) << "roomSize " << roomSize;
        ASSERT_LE(feedback, 0.98f) << "roomSize " << roomSize;
        ASSERT_GE(feedback, previous) << "roomSize " << roomSize;
        previous = feedback;
        const float damping = roomSize;
        ASSERT_NEAR(double(Damp1From(damping)) + double(Damp2From(damping)), 1.0, 1e-7)
            << "damping " << damping;
    }
}

TEST(Params, BlockRefreshesEverythingButTheLengths) {
    auto engine = MakeEngine();
    engine->ResetStream(44100);
    EXPECT_EQ(engine->Coefficients().earlyLength, 2205);
    ReverbParams block = {1.0f, 1.0f, 0.5f, 1.0f, 0.25f, 0.75f, 1.0f, 0.0f, 1, 0, 0};
    engine->SetParams(block);
    const EngineCoefficients& c = engine->Coefficients();
    EXPECT_EQ(c.feedback, 0.98f);
    EXPECT_EQ(c.earlyLength, 2205);  // until the next reset
    EXPECT_EQ(c.preDelayLength, 0);
    EXPECT_EQ(c.damp1, 0.2f);
    EXPECT_EQ(c.damp2, 0.8f);
    EXPECT_EQ(c.earlyGain, 0.4f);
    EXPECT_EQ(c.wetGain, 0.25f);
    EXPECT_EQ(c.dryGain, 0.75f);
    EXPECT_EQ(c.loShelfGain, ShelfGainFrom(1.0f));
    EXPECT_EQ(c.hiShelfGain, ShelfGainFrom(0.0f));
    EXPECT_EQ(c.eqEnabled, 0);

    engine->ResetStream(44100);
    EXPECT_EQ(engine->Coefficients().earlyLength, 10584);
    EXPECT_EQ(engine->Coefficients().preDelayLength, 4410);
}

// A reset derives the lengths for the new rate and leaves every coefficient
// and flag as the block and the setters made them, bypass included.
TEST(Params, ResetLeavesCoefficientsAndFlagsAlone) {
    auto engine = MakeEngine();
    engine->SetParams({0.3f, 0.6f, 0.34f, 0.7f, 0.25f, 0.75f, 0.003f, 0.9f, 1, 0, 1});
    engine->SetSwitch(ParamId::Bypass, 1);
    const EngineCoefficients before = engine->Coefficients();
    ASSERT_EQ(before.bypassActive, 1);
    engine->ResetStream(48000);
    const EngineCoefficients& after = engine->Coefficients();
    const struct {
        const char* name;
        float before, after;
    } floats[] = {
        {"feedback", before.feedback, after.feedback},
        {"damp1", before.damp1, after.damp1},
        {"damp2", before.damp2, after.damp2},
        {"earlyGain", before.earlyGain, after.earlyGain},
        {"wetGain", before.wetGain, after.wetGain},
        {"dryGain", before.dryGain, after.dryGain},
        {"loShelfGain", before.loShelfGain, after.loShelfGain},
        {"hiShelfGain", before.hiShelfGain, after.hiShelfGain},
    };
    for (const auto& f : floats) EXPECT_EQ(test::Bits(f.after), test::Bits(f.before)) << f.name;
    EXPECT_EQ(after.eqEnabled, 0);
    EXPECT_EQ(after.bypassActive, 1);
    EXPECT_EQ(after.sampleRate, 48000u);
    EXPECT_EQ(after.preDelayLength, 1440);
    EXPECT_EQ(after.earlyLength, 7872);

    // Still bypassed: the buffer comes back untouched.
    std::vector<float> buffer = test::NoiseBuffer(2 * 300, 3);
    const std::vector<float> input = buffer;
    engine->ProcessInPlace(buffer.data(), 300, test::Stereo(48000));
    for (size_t i = 0; i < buffer.size(); ++i)
        ASSERT_EQ(test::Bits(buffer[i]), test::Bits(input[i])) << i;
}

TEST(Params, SingleSettersRefreshTheirOwnValuesAtOnce) {
    auto engine = MakeEngine();
    engine->ResetStream(44100);
    engine->SetFloat(ParamId::RoomSize, 1.0f);
    EXPECT_EQ(engine->Coefficients().earlyLength, 10584);
    EXPECT_EQ(engine->Coefficients().feedback, 0.98f);
    engine->SetFloat(ParamId::PreDelay, 0.5f);
    EXPECT_EQ(engine->Coefficients().preDelayLength, 2205);
    engine->SetFloat(ParamId::PreDelay, 0.0f);
    EXPECT_EQ(engine->Coefficients().preDelayLength, 0);

    const EngineCoefficients before = engine->Coefficients();
    engine->SetFloat(ParamId::Damping, 0.5f);
    EXPECT_EQ(engine->Coefficients().damp1, 0.2f);
    EXPECT_EQ(engine->Coefficients().damp2, 0.8f);
    engine->SetFloat(ParamId::EarlyRef, 0.5f);
    EXPECT_EQ(engine->Coefficients().earlyGain, 0.2f);
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
