// Delay lengths derived by ResetStream and the length setters, against the
// worked values at the common sample rates.
#include <gtest/gtest.h>

#include <utility>

#include "coefficients.h"
#include "engine_fixture.h"

namespace lumbrook {
namespace {

using test::MakeEngine;

TEST(Lengths, EarlyAndPreDelayAtCommonRates) {
    const struct {
        uint32_t rate;
        float samplesPerMs;
        int32_t early[3];     // roomSize 0, 0.5, 1
        int32_t preDelay[2];  // preDelay 0.5, 1
    } rows[] = {
        {11025, 11.025001f, {551, 1598, 2646}, {551, 1102}},
        {22050, 22.050001f, {1102, 3197, 5292}, {1102, 2205}},
        {44100, 44.100002f, {2205, 6394, 10584}, {2205, 4410}},
        {48000, 48.000004f, {2400, 6960, 11520}, {2400, 4800}},
        {96000, 96.000008f, {4800, 13920, 23040}, {4800, 9600}},
    };
    auto engine = MakeEngine();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rate);
        EXPECT_FLOAT_EQ(SamplesPerMs(row.rate), row.samplesPerMs);
        const float rooms[] = {0.0f, 0.5f, 1.0f};
        for (int i = 0; i < 3; ++i) {
            engine->SetFloat(ParamId::RoomSize, rooms[i]);
            engine->ResetStream(row.rate);
            EXPECT_EQ(engine->Coefficients().earlyLength, row.early[i]) << "roomSize " << rooms[i];
        }
        const float delays[] = {0.5f, 1.0f};
        for (int i = 0; i < 2; ++i) {
            engine->SetFloat(ParamId::PreDelay, delays[i]);
            engine->ResetStream(row.rate);
            EXPECT_EQ(engine->Coefficients().preDelayLength, row.preDelay[i])
                << "preDelay " << delays[i];
        }
        engine->SetFloat(ParamId::PreDelay, 0.0f);
        engine->ResetStream(row.rate);
        EXPECT_EQ(engine->Coefficients().preDelayLength, 0);
    }
}

// Every thousandth of the pre-delay range at 48 kHz, through the setter and
// the reset alike: the product of the rate, the value and the float 0.1 is
// formed in double and truncated once (in single precision 58 of these
// 1,001 lengths come out one sample longer, 0.01 giving 48).
TEST(Lengths, PreDelayForEveryThousandthAt48k) {
    auto engine = MakeEngine();
    engine->ResetStream(48000);
    int64_t total = 0;
    for (int i = 0; i <= 1000; ++i) {
        const float preDelay = float(i) / 1000.0f;
        engine->SetFloat(ParamId::PreDelay, preDelay);
        const int32_t expected = int32_t(48000.0 * double(preDelay) * double(0.1f));
        ASSERT_EQ(engine->Coefficients().preDelayLength, expected) << "preDelay " << preDelay;
        total += engine->Coefficients().preDelayLength;
    }
    EXPECT_EQ(total, 2401933);
    for (const auto& row : {std::pair<float, int32_t>{0.01f, 47}, {0.021f, 100}, {1.0f, 4800}}) {
        engine->SetFloat(ParamId::PreDelay, row.first);
        EXPECT_EQ(engine->Coefficients().preDelayLength, row.second) << "setter " << row.first;
        engine->ResetStream(48000);
        EXPECT_EQ(engine->Coefficients().preDelayLength, row.second) << "reset " << row.first;
    }
}

TEST(Lengths, CombsAndAllpasses) {
    const struct {
        uint32_t rate;
        int32_t comb[kCombCount];
        int32_t allpass[kAllpassCount];
    } rows[] = {
        {44100,
         {1227, 1306, 1404, 1491, 1563, 1639, 1712, 1778, 1252, 1331, 1429, 1516, 1589, 1664, 1737,
          1803},
         {611, 485, 374, 247, 636, 510, 400, 272}},
        {48000,
         {1335, 1421, 1528, 1623, 1702, 1784, 1863, 1935, 1363, 1449, 1556, 1650, 1729, 1812, 1891,
          1963},
         {665, 528, 408, 269, 692, 555, 435, 296}},
    };
    auto engine = MakeEngine();
    for (const auto& row : rows) {
        engine->ResetStream(row.rate);
        for (int i = 0; i < kCombCount; ++i)
            EXPECT_EQ(engine->Coefficients().combLength[i], row.comb[i])
                << row.rate << " comb " << i;
        for (int i = 0; i < kAllpassCount; ++i)
            EXPECT_EQ(engine->Coefficients().allpassLength[i], row.allpass[i])
                << row.rate << " all-pass " << i;
    }
    engine->ResetStream(22050);
    EXPECT_EQ(engine->Coefficients().combLength[0], 613);
    EXPECT_EQ(engine->Coefficients().combLength[15], 901);
    EXPECT_EQ(engine->Coefficients().allpassLength[3], 123);
}

TEST(Lengths, RightEarlyEchoIsTenPercentShorter) {
    EXPECT_EQ(RightEarlyLength(2205), 1984);
    EXPECT_EQ(RightEarlyLength(2400), 2159);  // not 2160: the float 0.9 is a little less
    EXPECT_EQ(RightEarlyLength(0), 0);
    EXPECT_EQ(RightEarlyLength(kLineCapacity), 172817);
}

}  // namespace
}  // namespace lumbrook
