// What a careless host, a foreign block or a broken source can send: NaN and
// infinite samples, settings far outside 0..1, sample rates from 1 Hz up,
// buffers aligned only for float. None of it may leave the network unable to
// recover: with finite input every output sample stays finite.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "coefficients.h"
#include "engine_fixture.h"

namespace lumbrook {
namespace {

using test::Bits;
using test::MakeEngine;
using test::Noise;
using test::NoiseBuffer;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kMax = std::numeric_limits<float>::max();
constexpr float kDenormal = std::numeric_limits<float>::denorm_min();

float Pattern(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// NaNs of both signs, quiet and signalling, and both infinities.
const float kNonFinite[] = {std::numeric_limits<float>::quiet_NaN(), Pattern(0xFFC00000u),
                            Pattern(0x7F800001u), kInf, -kInf};

struct HostileSetting {
    float value;
    float asCoefficientsSeeIt;
};

const HostileSetting kHostileSettings[] = {
    {std::numeric_limits<float>::quiet_NaN(), 0.0f},
    {Pattern(0xFFC00000u), 0.0f},
    {kInf, 1.0f},
    {-kInf, 0.0f},
    {1e38f, 1.0f},
    {-1e38f, 0.0f},
    {kMax, 1.0f},
    {kDenormal, kDenormal},
    {-kDenormal, 0.0f},
    {std::nextafter(1.0f, 2.0f), 1.0f},
    {-1e-7f, 0.0f},
    {1.07f, 1.0f},
    {1.5f, 1.0f},
    {-1.0f, 0.0f},
};

bool AllFinite(const std::vector<float>& samples, size_t* at) {
    for (size_t i = 0; i < samples.size(); ++i) {
        if (!std::isfinite(samples[i])) {
            *at = i;
            return false;
        }
    }
    return true;
}

const ReverbParams kHall = {0.3f, 0.9f, 0.25f, 0.4f, 0.75f, 0.8f, 1.0f, 0.0f, 1, 1, 0};

TEST(HostileValues, UnitSettingClampsAndKeepsEveryValueInside) {
    for (const HostileSetting& c : kHostileSettings)
        EXPECT_EQ(Bits(UnitSetting(c.value)), Bits(c.asCoefficientsSeeIt)) << "value " << c.value;
    Noise noise(11);
    for (int i = 0; i < 1000; ++i) {
        const float inside = noise.Unit();
        ASSERT_EQ(Bits(UnitSetting(inside)), Bits(inside)) << inside;
    }
    for (float inside : {0.0f, -0.0f, 1.0f, kDenormal})
        EXPECT_EQ(Bits(UnitSetting(inside)), Bits(inside)) << inside;
}

// A bad sample is silence in its frame: the whole rendering, that frame's dry
// term and the tail after it, is the one a 0 there would give.
TEST(HostileValues, NonFiniteInputSampleCostsOnlyThatSample) {
    auto poisoned = MakeEngine();
    auto clean = MakeEngine();
    constexpr int32_t kFrames = 1500;
    for (uint32_t channels : {1u, 2u}) {
        for (size_t position : {size_t(0), size_t(1), size_t(777), size_t(2 * kFrames - 1)}) {
            for (float bad : kNonFinite) {
                const size_t samples = size_t(kFrames) * channels;
                if (position >= samples) continue;
                SCOPED_TRACE(testing::Message() << channels << " channel(s), sample " << position
                                                << ", value bits 0x" << std::hex << Bits(bad));
                std::vector<float> a = NoiseBuffer(samples, 3);
                std::vector<float> b = a;
                a[position] = bad;
                b[position] = 0.0f;
                for (auto* engine : {poisoned.get(), clean.get()}) {
                    engine->SetParams(kHall);
                    engine->ResetStream(44100);
                }
                poisoned->ProcessInPlace(a.data(), kFrames, {channels, 44100});
                clean->ProcessInPlace(b.data(), kFrames, {channels, 44100});
                for (size_t i = 0; i < samples; ++i)
                    ASSERT_EQ(Bits(a[i]), Bits(b[i])) << "in-place sample " << i;
                std::fill(a.begin(), a.end(), 0.0f);
                std::fill(b.begin(), b.end(), 0.0f);
                int32_t done;
                ASSERT_TRUE(poisoned->ProcessTail(a.data(), kFrames, {channels, 44100}, &done));
                ASSERT_TRUE(clean->ProcessTail(b.data(), kFrames, {channels, 44100}, &done));
                for (size_t i = 0; i < samples; ++i)
                    ASSERT_EQ(Bits(a[i]), Bits(b[i])) << "tail sample " << i;
            }
        }
    }
}

// Out-of-range settings are kept as given, but every coefficient and length
// is the one of the clamped setting, through the single setters and the block.
TEST(HostileValues, SettingsOutsideTheRangeDriveTheClampedCoefficients) {
    auto hostile = MakeEngine();
    auto clamped = MakeEngine();
    for (auto* engine : {hostile.get(), clamped.get()}) engine->ResetStream(44100);
    for (int p = 0; p < kParamCount; ++p) {
        const ParamId id = static_cast<ParamId>(p);
        if (Param(id).kind != ParamKind::Continuous) continue;
        for (const HostileSetting& c : kHostileSettings) {
            SCOPED_TRACE(testing::Message() << "parameter " << p << ", value " << c.value);
            hostile->SetParams(kHall);
            clamped->SetParams(kHall);
            hostile->SetFloat(id, c.value);
            clamped->SetFloat(id, c.asCoefficientsSeeIt);
            EXPECT_EQ(Bits(hostile->GetFloat(id)), Bits(c.value));
            EXPECT_EQ(std::memcmp(&hostile->Coefficients(), &clamped->Coefficients(),
                                  sizeof(EngineCoefficients)),
                      0)
                << "single setter";

            ReverbParams block = kHall;
            block.*Param(id).floatField = c.value;
            hostile->SetParams(block);
            block.*Param(id).floatField = c.asCoefficientsSeeIt;
            clamped->SetParams(block);
            EXPECT_EQ(std::memcmp(&hostile->Coefficients(), &clamped->Coefficients(),
                                  sizeof(EngineCoefficients)),
                      0)
                << "block";
        }
    }
    // The lengths of a reset come from the clamped settings too.
    for (const HostileSetting& c : kHostileSettings) {
        SCOPED_TRACE(testing::Message() << "value " << c.value);
        hostile->SetParams(test::Block(c.value, 1, 1, 0));
        clamped->SetParams(test::Block(c.asCoefficientsSeeIt, 1, 1, 0));
        hostile->ResetStream(48000);
        clamped->ResetStream(48000);
        EXPECT_EQ(hostile->Coefficients().preDelayLength, clamped->Coefficients().preDelayLength);
        EXPECT_EQ(hostile->Coefficients().earlyLength, clamped->Coefficients().earlyLength);
        std::vector<float> buffer = NoiseBuffer(2 * 4096, 5);
        hostile->ProcessInPlace(buffer.data(), 4096, {2, 48000});
        size_t at = 0;
        EXPECT_TRUE(AllFinite(buffer, &at)) << "sample " << at;
    }
}

// Both poles of a section strictly inside the unit circle.
void ExpectStable(const ShelfFilter& f, const char* kind, uint32_t rate, double gain) {
    EXPECT_TRUE(std::fabs(f.a2) < 1.0 && std::fabs(f.a1) < 1.0 + f.a2)
        << kind << " shelf at " << rate << " Hz, gain " << gain << ": a1 " << f.a1 << ", a2 "
        << f.a2;
}

TEST(HostileValues, EqualiserIsStableAtEveryRate) {
    std::vector<uint32_t> rates;
    for (uint32_t rate = 1; rate < 500; ++rate) rates.push_back(rate);
    for (uint32_t rate : {8000u, 44100u, 192000u, 800000u}) rates.push_back(rate);
    for (uint32_t rate : rates) {
        for (float setting : {0.0f, 0.5f, 1.0f}) {
            const double gain = ShelfGainFrom(setting);
            ShelfFilter low{}, high{};
            low.Prepare(ShelfKind::Low, LowShelfCornerHz(rate), gain, rate);
            high.Prepare(ShelfKind::High, HighShelfCornerHz(rate), gain, rate);
            ExpectStable(low, "low", rate, gain);
            ExpectStable(high, "high", rate, gain);
        }
    }
    // From 500 Hz up the low corner is 250 Hz as always.
    for (uint32_t rate : {500u, 501u, 8000u, 44100u, 800000u, 0xFFFFFFFFu})
        EXPECT_EQ(LowShelfCornerHz(rate), kLowShelfCornerHz) << rate;
    EXPECT_EQ(LowShelfCornerHz(499), HighShelfCornerHz(499));
}

TEST(HostileValues, LowRatesWithTheEqualiserStayFinite) {
    auto engine = MakeEngine();
    for (uint32_t rate = 1; rate < 500; ++rate) {
        const float eq = float(rate % 3) * 0.5f;
        ReverbParams p = DefaultParams();
        p.enableEq = 1;
        p.loEq = eq;
        p.hiEq = 1.0f - eq;
        engine->SetParams(p);
        engine->ResetStream(rate);
        std::vector<float> buffer = NoiseBuffer(2 * 2000, rate);
        engine->ProcessInPlace(buffer.data(), 2000, {2, rate});
        size_t at = 0;
        ASSERT_TRUE(AllFinite(buffer, &at)) << rate << " Hz, loEq " << eq << ", sample " << at;
    }
}

float HostileOrPlain(Noise& noise) {
    const uint32_t pick = noise.NextU32() % 4;
    if (pick == 0) {
        const size_t n = sizeof kHostileSettings / sizeof kHostileSettings[0];
        return kHostileSettings[noise.NextU32() % n].value;
    }
    return noise.Unit();
}

// Audio-range noise with NaNs, infinities, denormals and the odd loud sample.
void FillHostileInput(Noise& noise, std::vector<float>& buffer) {
    for (float& s : buffer) {
        const uint32_t pick = noise.NextU32() % 64;
        if (pick == 0)
            s = kNonFinite[noise.NextU32() % 5];
        else if (pick == 1)
            s = (noise.NextU32() & 1) ? kDenormal : -kDenormal;
        else if (pick == 2)
            s = noise.Next() * 1e30f;
        else
            s = noise.Next();
    }
}

uint32_t RandomRate(Noise& noise) {
    // Log-uniform from 1 Hz to 800 kHz, with the edges themselves now and then.
    const uint32_t pick = noise.NextU32() % 16;
    if (pick == 0) return 1;
    if (pick == 1) return 800000;
    return uint32_t(std::exp(double(noise.Unit()) * std::log(800000.0))) + 1;
}

TEST(HostileValues, EveryOutputSampleIsFiniteWhateverTheSettingsRateAndInput) {
    auto engine = MakeEngine();
    Noise noise(2026);
    for (int trial = 0; trial < 150; ++trial) {
        ReverbParams p{};
        for (int i = 0; i < kParamCount; ++i) {
            const ParamInfo& info = Param(static_cast<ParamId>(i));
            if (info.kind == ParamKind::Continuous)
                p.*info.floatField = HostileOrPlain(noise);
            else
                p.*info.switchField = int32_t(noise.NextU32() % 3);
        }
        const uint32_t rate = RandomRate(noise);
        const uint32_t channels = 1 + noise.NextU32() % 2;
        engine->SetParams(p);
        engine->ResetStream(rate);
        for (int call = 0; call < 6; ++call) {
            SCOPED_TRACE(testing::Message() << "trial " << trial << ", call " << call << ", rate "
                                            << rate << ", " << channels << " channel(s)");
            const int32_t frames = 1 + int32_t(noise.NextU32() % 3000);
            const bool tail = call >= 4;
            std::vector<float> buffer(size_t(frames) * channels, 0.0f);
            if (!tail) FillHostileInput(noise, buffer);  // a tail reads no input
            const std::vector<float> input = buffer;
            const bool bypass = engine->Coefficients().bypassActive != 0;
            if (tail) {
                int32_t done;
                engine->ProcessTail(buffer.data(), frames, {channels, rate}, &done);
            } else {
                engine->ProcessInPlace(buffer.data(), frames, {channels, rate});
            }
            if (bypass) {
                ASSERT_EQ(std::memcmp(buffer.data(), input.data(), buffer.size() * sizeof(float)),
                          0);
            } else {
                size_t at = 0;
                ASSERT_TRUE(AllFinite(buffer, &at)) << "sample " << at << " of input " << input[at];
            }
            // A setting changes between buffers now and then.
            const ParamId id = static_cast<ParamId>(noise.NextU32() % kParamCount);
            if (Param(id).kind == ParamKind::Continuous)
                engine->SetFloat(id, HostileOrPlain(noise));
            else if (noise.NextU32() % 4 == 0)
                engine->SetSwitch(id, int32_t(noise.NextU32() % 2));
        }
    }
}

// A float buffer need only be aligned for float: one that starts 4 bytes
// past an 8-byte boundary renders exactly as an aligned one.
TEST(HostileValues, BufferAlignedOnlyForFloatRendersTheSame) {
    constexpr int32_t kFrames = 1000;
    for (uint32_t channels : {1u, 2u}) {
        for (int32_t bypass : {0, 1}) {
            SCOPED_TRACE(testing::Message() << channels << " channel(s), bypass " << bypass);
            const std::vector<float> input = NoiseBuffer(size_t(kFrames) * channels, 9);
            std::vector<float> aligned = input;
            std::vector<float> storage(input.size() + 4);
            float* odd = storage.data() + 1;
            if (reinterpret_cast<uintptr_t>(odd) % 8 == 0) ++odd;
            ASSERT_EQ(reinterpret_cast<uintptr_t>(odd) % 8, 4u);
            std::copy(input.begin(), input.end(), odd);
            auto a = MakeEngine();
            auto b = MakeEngine();
            for (auto* engine : {a.get(), b.get()}) {
                engine->SetParams(kHall);
                engine->SetSwitch(ParamId::Bypass, bypass);
                engine->ResetStream(44100);
            }
            a->ProcessInPlace(aligned.data(), kFrames, {channels, 44100});
            b->ProcessInPlace(odd, kFrames, {channels, 44100});
            for (size_t i = 0; i < input.size(); ++i)
                ASSERT_EQ(Bits(aligned[i]), Bits(odd[i])) << "in-place sample " << i;
            int32_t done;
            a->ProcessTail(aligned.data(), kFrames, {channels, 44100}, &done);
            b->ProcessTail(odd, kFrames, {channels, 44100}, &done);
            for (size_t i = 0; i < input.size(); ++i)
                ASSERT_EQ(Bits(aligned[i]), Bits(odd[i])) << "tail sample " << i;
        }
    }
}

// With a channel count the network cannot run, the tail still spends its
// budget frame by frame and answers as a processed call would.
TEST(HostileValues, TailWithARefusedChannelCountCountsItsFrames) {
    auto engine = MakeEngine();
    engine->SetSwitch(ParamId::ExtendTail, 1);
    for (uint32_t channels : {0u, 3u, 8u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(testing::Message() << channels << " channels");
        engine->ResetStream(44100);
        std::vector<float> buffer(2 * 1000, 0.5f);
        for (int call = 1; call <= 440; ++call) {
            int32_t done = -1;
            ASSERT_TRUE(engine->ProcessTail(buffer.data(), 1000, {channels, 44100}, &done)) << call;
            ASSERT_EQ(done, 1000) << call;
            ASSERT_EQ(engine->TailCount(), int64_t(call) * 1000);
        }
        int32_t done = -1;
        EXPECT_FALSE(engine->ProcessTail(buffer.data(), 1000, {channels, 44100}, &done));
        EXPECT_EQ(done, -1);
        EXPECT_EQ(engine->TailCount(), 441000);
        // Spent: a further call counts one frame and ends.
        EXPECT_FALSE(engine->ProcessTail(buffer.data(), 1000, {channels, 44100}, &done));
        EXPECT_EQ(engine->TailCount(), 441001);
        for (float s : buffer) ASSERT_EQ(s, 0.5f);
    }
    // Off, empty or null: nothing counted, as for any channel count.
    engine->ResetStream(44100);
    std::vector<float> buffer(16, 0.5f);
    int32_t done = 5;
    EXPECT_FALSE(engine->ProcessTail(buffer.data(), 0, {3, 44100}, &done));
    EXPECT_FALSE(engine->ProcessTail(nullptr, 16, {3, 44100}, &done));
    engine->SetSwitch(ParamId::ExtendTail, 0);
    EXPECT_FALSE(engine->ProcessTail(buffer.data(), 16, {3, 44100}, &done));
    EXPECT_EQ(done, 5);
    EXPECT_EQ(engine->TailCount(), 0);
}

}  // namespace
}  // namespace lumbrook
