// Whatever a host or a stored block sends: extreme rates and floats keep every
// length inside its line, and odd calls are refused without touching memory.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "coefficients.h"
#include "engine_fixture.h"

namespace lumbrook {
namespace {

using test::Bits;
using test::MakeEngine;
using test::NoiseBuffer;

void ExpectLengthsInsideTheLines(const EngineCoefficients& c) {
    for (int32_t length : c.combLength)
        EXPECT_TRUE(length >= 0 && length <= kLineCapacity) << length;
    for (int32_t length : c.allpassLength)
        EXPECT_TRUE(length >= 0 && length <= kLineCapacity) << length;
    EXPECT_TRUE(c.preDelayLength >= 0 && c.preDelayLength <= kLineCapacity) << c.preDelayLength;
    EXPECT_TRUE(c.earlyLength >= 0 && c.earlyLength <= kLineCapacity) << c.earlyLength;
}

TEST(Safety, LengthClampIsDefinedForEveryDouble) {
    EXPECT_EQ(ClampedLength(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(ClampedLength(-std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(ClampedLength(std::numeric_limits<double>::infinity()), kLineCapacity);
    EXPECT_EQ(ClampedLength(1e300), kLineCapacity);
    EXPECT_EQ(ClampedLength(-0.5), 0);
    EXPECT_EQ(ClampedLength(192019.9), 192019);
    EXPECT_EQ(ClampedLength(5.99), 5);
}

TEST(Safety, ExtremeRatesKeepLengthsInsideAndProcess) {
    const float floats[] = {0.0f,
                            1.0f,
                            1e30f,
                            -1e30f,
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN(),
                            -3.0f,
                            25.0f};
    for (uint32_t rate : {0u, 1u, 800000u, 4000000000u, 0xFFFFFFFFu}) {
        for (float value : floats) {
            SCOPED_TRACE(testing::Message() << "rate " << rate << " value " << value);
            auto engine = MakeEngine();
            ReverbParams block = test::Block(value, 1, 1, 0);
            engine->SetParams(block);
            engine->ResetStream(rate);
            ExpectLengthsInsideTheLines(engine->Coefficients());
            engine->SetFloat(ParamId::RoomSize, value);
            engine->SetFloat(ParamId::PreDelay, value);
            ExpectLengthsInsideTheLines(engine->Coefficients());
            std::vector<float> buffer = NoiseBuffer(2 * 600, 1);
            engine->ProcessInPlace(buffer.data(), 600, {2, rate});
            int32_t done;
            engine->ProcessTail(buffer.data(), 600, {2, rate}, &done);
            engine->ProcessInPlace(buffer.data(), 600, {1, rate});
        }
    }
}

TEST(Safety, FullCapacityLinesAreUsableAtTheLimit) {
    auto engine = MakeEngine();
    engine->SetParams({1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0, 0, 0});
    engine->ResetStream(800000);
    EXPECT_EQ(engine->Coefficients().preDelayLength, 80000);
    EXPECT_LE(engine->Coefficients().earlyLength, kLineCapacity);
    // Settings beyond 1 count as 1; a rate beyond 800 kHz reaches the capacity.
    engine->SetFloat(ParamId::RoomSize, 1e9f);
    engine->SetFloat(ParamId::PreDelay, 1e9f);
    EXPECT_EQ(engine->Coefficients().earlyLength, 192000);
    EXPECT_EQ(engine->Coefficients().preDelayLength, 80000);
    engine->ResetStream(2000000);
    EXPECT_EQ(engine->Coefficients().earlyLength, kLineCapacity);
    EXPECT_EQ(engine->Coefficients().preDelayLength, kLineCapacity);
    // An impulse on the left comes back as the early echo after exactly
    // kLineCapacity frames.
    std::vector<float> buffer(2 * (kLineCapacity + 1), 0.0f);
    buffer[0] = 1.0f;
    engine->ProcessInPlace(buffer.data(), kLineCapacity + 1, {2, 2000000});
    EXPECT_EQ(buffer[2 * kLineCapacity], -0.4f);
}

TEST(Safety, ZeroRateLeavesTheEqualiserOut) {
    auto engine = MakeEngine();
    engine->SetParams({0.0f, 0.5f, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1, 1, 0});
    engine->ResetStream(0);
    std::vector<float> buffer = NoiseBuffer(2 * 500, 4);
    engine->ProcessInPlace(buffer.data(), 500, {2, 0});
    for (float s : buffer) ASSERT_TRUE(std::isfinite(s));
    EXPECT_EQ(engine->Shelf(kLeftLowShelf).designKind, ShelfKind::None);
}

TEST(Safety, ProcessingBeforeTheFirstResetIsDefined) {
    auto engine = MakeEngine();
    std::vector<float> silent(2 * 100, 0.0f);
    engine->ProcessInPlace(silent.data(), 100, {2, 44100});
    for (float s : silent) EXPECT_EQ(Bits(s), 0u);
    // Every length is 0 (one frame of delay) and the rate is 0 (no EQ).
    std::vector<float> buffer = NoiseBuffer(2 * 100, 8);
    engine->ProcessInPlace(buffer.data(), 100, {2, 44100});
    for (float s : buffer) ASSERT_TRUE(std::isfinite(s));
}

// What an engine renders from its construction on: before the first reset
// (every length 0), then a stream.
std::vector<float> RenderFromConstruction(ReverbEngine& engine) {
    std::vector<float> out = NoiseBuffer(2 * 100, 61);
    engine.ProcessInPlace(out.data(), 100, {2, 44100});
    engine.SetParams({0.3f, 0.7f, 0.25f, 0.4f, 0.75f, 0.8f, 0.8f, 0.3f, 1, 1, 0});
    engine.ResetStream(44100);
    std::vector<float> audio = NoiseBuffer(2 * 12000, 62);
    engine.ProcessInPlace(audio.data(), 12000, {2, 44100});
    out.insert(out.end(), audio.begin(), audio.end());
    return out;
}

// An engine built in memory that held something else (placement, a member
// of a reused object) owes nothing to what was there.
TEST(Safety, ConstructedOverUsedMemoryRendersAsAFreshEngine) {
    auto fresh = MakeEngine();
    const std::vector<float> expected = RenderFromConstruction(*fresh);
    const struct {
        const char* name;
        unsigned char byte;
    } fills[] = {{"NaN", 0xFF}, {"0.19 everywhere", 0x3E}, {"-1.5e-37 everywhere", 0x82}};
    for (const auto& fill : fills) {
        std::unique_ptr<unsigned char[]> memory(new unsigned char[sizeof(ReverbEngine)]);
        std::memset(memory.get(), fill.byte, sizeof(ReverbEngine));
        ReverbEngine* engine = new (memory.get()) ReverbEngine;
        const std::vector<float> got = RenderFromConstruction(*engine);
        engine->~ReverbEngine();
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(Bits(got[i]), Bits(expected[i])) << fill.name << ", sample " << i;
    }
}

// Only an engine told that its block is fresh from the zero-filled new skips
// the clear: one built later in the same storage, used by then, clears for
// itself, and both render as an engine cleared in full.
TEST(Safety, OnlyAFreshZeroFilledBlockSkipsTheClear) {
    std::unique_ptr<ReverbEngine> cleared(new ReverbEngine);
    const std::vector<float> expected = RenderFromConstruction(*cleared);
    auto engine = ReverbEngine::Create();
    const std::vector<float> fresh = RenderFromConstruction(*engine);
    engine->~ReverbEngine();
    ReverbEngine* again = new (engine.get()) ReverbEngine;
    ASSERT_EQ(again, engine.get());
    const std::vector<float> rebuilt = RenderFromConstruction(*again);
    ASSERT_EQ(fresh.size(), expected.size());
    ASSERT_EQ(rebuilt.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(Bits(fresh[i]), Bits(expected[i])) << "in a fresh block, sample " << i;
        ASSERT_EQ(Bits(rebuilt[i]), Bits(expected[i])) << "rebuilt in used storage, sample " << i;
    }
}

TEST(Safety, OddCallsTouchNothing) {
    auto engine = MakeEngine();
    engine->SetSwitch(ParamId::ExtendTail, 1);
    engine->ResetStream(44100);
    std::vector<float> buffer(2 * 16, 0.5f);
    int32_t done = 5;
    for (uint32_t channels : {0u, 3u, 8u, 0xFFFFFFFFu})
        engine->ProcessInPlace(buffer.data(), 16, {channels, 44100});
    engine->ProcessInPlace(buffer.data(), 0, {2, 44100});
    engine->ProcessInPlace(buffer.data(), -16, {2, 44100});
    engine->ProcessInPlace(nullptr, 16, {2, 44100});
    EXPECT_FALSE(engine->ProcessTail(nullptr, 16, {2, 44100}, &done));
    for (float s : buffer) EXPECT_EQ(s, 0.5f);
    EXPECT_EQ(done, 5);
    EXPECT_EQ(engine->TailCount(), 0);
    // A null frames-written pointer is not written.
    EXPECT_TRUE(engine->ProcessTail(buffer.data(), 16, {2, 44100}, nullptr));
    // Out-of-range parameter ids are ignored.
    engine->SetFloat(static_cast<ParamId>(-1), 1.0f);
    engine->SetSwitch(ParamId::Count, 1);
    EXPECT_EQ(engine->GetFloat(ParamId::Count), 0.0f);
}

}  // namespace
}  // namespace lumbrook
