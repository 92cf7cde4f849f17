// ProcessInPlace and ProcessTail: impulse timing and values, the early echo,
// mono against stereo, bypass, the tail budget, resets and buffer sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

#include "engine_fixture.h"

namespace lumbrook {
namespace {

using test::Bits;
using test::MakeEngine;
using test::Mono;
using test::NoiseBuffer;
using test::Stereo;

// Only the reverberation: no pre-delay, smallest room, no EQ, early echo off.
void WetOnly(ReverbEngine& engine) {
    engine.SetParams({0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.5f, 0.5f, 0, 0, 0});
}

int FirstNonZero(const std::vector<float>& buffer, int channels, int channel) {
    for (size_t i = channel; i < buffer.size(); i += channels)
        if (buffer[i] != 0.0f) return int(i / channels);
    return -1;
}

// A stream at 96 kHz with every control at 1: every line, store and cursor
// holds something, over more than the lengths a 44.1 or 48 kHz stream uses,
// and the cursors of the pre-delay and early lines stop beyond those lengths.
void AfterALongerStream(ReverbEngine& engine) {
    engine.SetParams(test::Block(1.0f, 1, 1, 0));
    engine.ResetStream(96000);
    std::vector<float> noise = NoiseBuffer(2 * 26300, 31);
    engine.ProcessInPlace(noise.data(), 26300, Stereo(96000));
}

// After a reset, silence in gives silence out, whatever played before and
// whatever the parameters: every line as far as the earlier stream used it
// (a setter may lengthen the pre-delay and the early echo later), the comb
// stores and the filters start from zero.
TEST(Processing, SilenceStaysSilentWhateverTheParameters) {
    auto engine = MakeEngine();
    test::Noise noise(7);
    for (int trial = 0; trial < 8; ++trial) {
        ReverbParams p{};
        for (float* f : {&p.preDelay, &p.roomSize, &p.damping, &p.earlyRef, &p.reverbLevel,
                         &p.dryLevel, &p.loEq, &p.hiEq})
            *f = noise.Unit();
        p.damping = 0.1f + 0.9f * p.damping;  // a store that leaked would show
        p.enableEq = trial & 1;
        p.extendTail = 1;
        AfterALongerStream(*engine);
        const uint32_t rate = trial < 4 ? 44100 : 48000;
        engine->SetParams(p);
        engine->ResetStream(rate);
        std::vector<float> buffer(2 * 3000, 0.0f);
        engine->ProcessInPlace(buffer.data(), 3000, Stereo(rate));
        int32_t done = 0;
        engine->ProcessTail(buffer.data(), 1500, Stereo(rate), &done);
        for (size_t i = 0; i < buffer.size(); ++i)
            ASSERT_EQ(Bits(buffer[i]), 0u) << "trial " << trial << " sample " << i;

        engine->SetFloat(ParamId::PreDelay, 1.0f);
        engine->SetFloat(ParamId::RoomSize, 1.0f);
        std::vector<float> longer(2 * 12000, 0.0f);
        engine->ProcessInPlace(longer.data(), 12000, Stereo(rate));
        for (size_t i = 0; i < longer.size(); ++i)
            ASSERT_EQ(Bits(longer[i]), 0u) << "lengthened, trial " << trial << " sample " << i;
    }
}

// What a reset must undo: streams that used the lines further than the
// lengths in force at the reset, through higher rates, setters that
// lengthened and then shortened a line (its cursor beyond the new length), or
// a line of length 0 holding its last sample in its only slot.
struct History {
    const char* name;
    void (*play)(ReverbEngine& engine);
};

void PlayNoise(ReverbEngine& engine, int32_t frames, uint32_t rate, uint32_t seed) {
    std::vector<float> noise = NoiseBuffer(2 * size_t(frames), seed);
    engine.ProcessInPlace(noise.data(), frames, Stereo(rate));
}

const History kHistories[] = {
    {"nothing before", [](ReverbEngine&) {}},
    {"a longer stream at 96 kHz", AfterALongerStream},
    {"8 kHz, then every line long at 192 kHz",
     [](ReverbEngine& engine) {
         engine.SetParams(test::Block(1.0f, 1, 1, 0));
         engine.ResetStream(8000);
         PlayNoise(engine, 3000, 8000, 41);
         engine.ResetStream(192000);
         PlayNoise(engine, 50000, 192000, 42);
     }},
    {"setters lengthened the lines, then shortened them",
     [](ReverbEngine& engine) {
         engine.SetParams(test::Block(0.2f, 1, 1, 0));
         engine.ResetStream(44100);
         PlayNoise(engine, 3000, 44100, 43);
         // One setter at a time, each undone before the next.
         engine.SetFloat(ParamId::PreDelay, 1.0f);
         PlayNoise(engine, 5000, 44100, 44);
         engine.SetFloat(ParamId::PreDelay, 0.0f);
         engine.SetFloat(ParamId::RoomSize, 1.0f);
         PlayNoise(engine, 12000, 44100, 45);
         engine.SetFloat(ParamId::RoomSize, 0.0f);
         PlayNoise(engine, 700, 44100, 47);
     }},
    {"no pre-delay",
     [](ReverbEngine& engine) {
         engine.SetParams({0.0f, 0.3f, 0.4f, 0.5f, 0.8f, 0.6f, 0.7f, 0.3f, 1, 1, 0});
         engine.ResetStream(44100);
         PlayNoise(engine, 2000, 44100, 46);
     }},
};

// A stream that starts with a reset, reads every line as far as the setters
// and a later reset at a higher rate take it, and returns all it wrote.
std::vector<float> StreamAfterAReset(ReverbEngine& engine) {
    std::vector<float> out;
    auto run = [&](int32_t frames, uint32_t rate, uint32_t seed, bool silent) {
        std::vector<float> buffer = NoiseBuffer(2 * size_t(frames), seed);
        if (silent) std::fill(buffer.begin(), buffer.end(), 0.0f);
        engine.ProcessInPlace(buffer.data(), frames, Stereo(rate));
        out.insert(out.end(), buffer.begin(), buffer.end());
    };
    engine.SetParams({0.0f, 0.3f, 0.4f, 0.5f, 0.8f, 0.6f, 0.7f, 0.3f, 1, 1, 0});
    engine.ResetStream(44100);
    run(500, 44100, 0, true);
    run(3000, 44100, 51, false);
    engine.SetFloat(ParamId::PreDelay, 1.0f);
    engine.SetFloat(ParamId::RoomSize, 1.0f);
    run(12000, 44100, 0, true);
    std::vector<float> tail(2 * 2000, 0.0f);
    int32_t done = 0;
    engine.ProcessTail(tail.data(), 2000, Stereo(), &done);
    out.insert(out.end(), tail.begin(), tail.end());
    engine.ResetStream(48000);
    run(4000, 48000, 52, false);
    return out;
}

TEST(Reset, LeavesTheNetworkAsAFreshEngineHasIt) {
    auto fresh = MakeEngine();
    const std::vector<float> expected = StreamAfterAReset(*fresh);
    for (const History& history : kHistories) {
        auto engine = MakeEngine();
        history.play(*engine);
        const std::vector<float> got = StreamAfterAReset(*engine);
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(Bits(got[i]), Bits(expected[i])) << history.name << ", sample " << i;
    }
}

// Each impulse test follows another stream: the reset must bring every
// cursor back to the start of its line.
TEST(Processing, StereoImpulseReachesEachSideThroughItsFirstComb) {
    auto engine = MakeEngine();
    AfterALongerStream(*engine);
    WetOnly(*engine);
    engine->ResetStream(44100);
    std::vector<float> buffer(2 * 1400, 0.0f);
    buffer[0] = 1.0f;
    engine->ProcessInPlace(buffer.data(), 1400, Stereo());
    // One frame of pre-delay, then the shortest comb on each side.
    EXPECT_EQ(FirstNonZero(buffer, 2, 0), 1228);
    EXPECT_EQ(FirstNonZero(buffer, 2, 1), 1253);
    EXPECT_EQ(buffer[2 * 1228], 0.014999999664723873f);
    EXPECT_EQ(buffer[2 * 1253 + 1], 0.014999999664723873f);
}

TEST(Processing, MonoImpulseCarriesTwiceTheCombInput) {
    auto engine = MakeEngine();
    AfterALongerStream(*engine);
    WetOnly(*engine);
    engine->ResetStream(44100);
    std::vector<float> buffer(1400, 0.0f);
    buffer[0] = 1.0f;
    engine->ProcessInPlace(buffer.data(), 1400, Mono());
    EXPECT_EQ(FirstNonZero(buffer, 1, 0), 1228);
    EXPECT_EQ(buffer[1228], 0.029999999329447746f);
}

// A mono stream runs the left members only: the right lines, stores,
// cursors and shelves stay as the reset left them.
TEST(Processing, MonoLeavesTheRightChannelAlone) {
    auto engine = MakeEngine();
    engine->SetParams({0.2f, 0.6f, 0.4f, 0.5f, 0.7f, 0.6f, 0.8f, 0.2f, 1, 1, 0});
    engine->ResetStream(44100);
    std::vector<float> m = NoiseBuffer(5000, 13);
    engine->ProcessInPlace(m.data(), 5000, Mono());
    int32_t done;
    ASSERT_TRUE(engine->ProcessTail(m.data(), 500, Mono(), &done));
    const ShelfFilter untouched{};
    for (ShelfIndex index : {kRightLowShelf, kRightHighShelf})
        EXPECT_EQ(std::memcmp(&engine->Shelf(index), &untouched, sizeof untouched), 0) << index;
    EXPECT_EQ(engine->Shelf(kLeftLowShelf).designKind, ShelfKind::Low);
    EXPECT_EQ(engine->Shelf(kLeftHighShelf).designKind, ShelfKind::High);
    // The lines: see Reference.MonoThenStereoWithoutAReset.
}

TEST(Processing, MonoEqualsTheLeftOfAStereoStreamCarryingItTwice) {
    for (int eq = 0; eq < 2; ++eq) {
        auto mono = MakeEngine();
        auto stereo = MakeEngine();
        const ReverbParams p = {0.3f, 0.6f, 0.4f, 0.5f, 0.7f, 0.6f, 0.8f, 0.2f, 1, eq, 0};
        mono->SetParams(p);
        stereo->SetParams(p);
        mono->ResetStream(44100);
        stereo->ResetStream(44100);
        std::vector<float> m = NoiseBuffer(20000, 3);
        std::vector<float> s(2 * m.size());
        for (size_t i = 0; i < m.size(); ++i) s[2 * i] = s[2 * i + 1] = m[i];
        mono->ProcessInPlace(m.data(), int32_t(m.size()), Mono());
        stereo->ProcessInPlace(s.data(), int32_t(m.size()), Stereo());
        for (size_t i = 0; i < m.size(); ++i)
            ASSERT_EQ(Bits(m[i]), Bits(s[2 * i])) << "frame " << i << " eq " << eq;
    }
}

TEST(Processing, EarlyEchoIsInvertedAndTenPercentEarlierOnTheRight) {
    const struct {
        uint32_t rate;
        int left, right;
    } rows[] = {{44100, 2205, 1984}, {48000, 2400, 2159}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rate);
        auto engine = MakeEngine();
        AfterALongerStream(*engine);
        engine->SetParams({0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0, 0, 0});
        engine->ResetStream(row.rate);
        std::vector<float> buffer(2 * 2600, 0.0f);
        buffer[0] = 1.0f;
        buffer[1] = 1.0f;
        engine->ProcessInPlace(buffer.data(), 2600, Stereo(row.rate));
        EXPECT_EQ(FirstNonZero(buffer, 2, 0), row.left);
        EXPECT_EQ(FirstNonZero(buffer, 2, 1), row.right);
        EXPECT_EQ(buffer[2 * row.left], -0.4f);
        EXPECT_EQ(buffer[2 * row.right + 1], -0.4f);
    }
}

TEST(Processing, BypassLeavesTheBufferAloneWhileTheNetworkRuns) {
    auto bypassed = MakeEngine();
    auto live = MakeEngine();
    for (ReverbEngine* e : {bypassed.get(), live.get()}) {
        e->SetParams({0.2f, 0.5f, 0.3f, 0.4f, 0.8f, 0.8f, 0.6f, 0.4f, 1, 1, 0});
        e->ResetStream(44100);
    }
    bypassed->SetSwitch(ParamId::Bypass, 1);
    const std::vector<float> input = NoiseBuffer(2 * 5000, 11);
    std::vector<float> a = input, b = input;
    bypassed->ProcessInPlace(a.data(), 5000, Stereo());
    live->ProcessInPlace(b.data(), 5000, Stereo());
    for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(Bits(a[i]), Bits(input[i])) << i;

    // The tail leaves the host's buffer as it was passed.
    std::vector<float> tail(2 * 100, 0.25f);
    int32_t done = -1;
    EXPECT_TRUE(bypassed->ProcessTail(tail.data(), 100, Stereo(), &done));
    EXPECT_EQ(done, 100);
    for (float s : tail) ASSERT_EQ(s, 0.25f);

    // Switching bypass off brings back the reverberation of what passed meanwhile.
    bypassed->SetSwitch(ParamId::Bypass, 0);
    std::vector<float> liveTail(2 * 100, 0.25f);
    live->ProcessTail(liveTail.data(), 100, Stereo(), &done);  // keep both in step
    std::vector<float> c(2 * 2000, 0.0f), d(2 * 2000, 0.0f);
    bypassed->ProcessInPlace(c.data(), 2000, Stereo());
    live->ProcessInPlace(d.data(), 2000, Stereo());
    for (size_t i = 0; i < c.size(); ++i) ASSERT_EQ(Bits(c[i]), Bits(d[i])) << i;
}

TEST(Tail, OffOrEmptyRequestsLeaveEverythingAlone) {
    auto engine = MakeEngine();
    engine->ResetStream(44100);
    std::vector<float> buffer(2 * 10, 0.5f);
    int32_t done = 77;
    EXPECT_FALSE(engine->ProcessTail(buffer.data(), 10, Stereo(), &done));
    engine->SetSwitch(ParamId::ExtendTail, 1);
    EXPECT_FALSE(engine->ProcessTail(buffer.data(), 0, Stereo(), &done));
    EXPECT_FALSE(engine->ProcessTail(buffer.data(), -5, Stereo(), &done));
    EXPECT_EQ(done, 77);
    for (float s : buffer) EXPECT_EQ(s, 0.5f);
    EXPECT_EQ(engine->TailCount(), 0);
}

TEST(Tail, TenSecondBudgetSinceTheLastReset) {
    auto engine = MakeEngine();
    engine->SetParams({0.1f, 0.5f, 0.2f, 0.3f, 0.8f, 0.8f, 0.5f, 0.5f, 1, 0, 0});
    engine->ResetStream(44100);
    std::vector<float> buffer(2 * 1000, 0.0f);
    for (int call = 1; call <= 440; ++call) {
        int32_t done = 0;
        ASSERT_TRUE(engine->ProcessTail(buffer.data(), 1000, Stereo(), &done)) << call;
        ASSERT_EQ(done, 1000);
    }
    std::fill(buffer.begin(), buffer.end(), 9.0f);
    int32_t done = -1;
    EXPECT_FALSE(engine->ProcessTail(buffer.data(), 1000, Stereo(), &done));
    EXPECT_EQ(done, -1);
    EXPECT_NE(buffer[2 * 999], 9.0f);  // the 1000th frame was written
    EXPECT_EQ(engine->TailCount(), 441000);

    // Spent: a further call still writes its first frame only.
    std::fill(buffer.begin(), buffer.end(), 9.0f);
    EXPECT_FALSE(engine->ProcessTail(buffer.data(), 1000, Stereo(), &done));
    EXPECT_NE(buffer[0], 9.0f);
    EXPECT_EQ(buffer[2], 9.0f);

    // A reset renews the budget; ProcessInPlace does not.
    engine->ProcessInPlace(buffer.data(), 1000, Stereo());
    EXPECT_FALSE(engine->ProcessTail(buffer.data(), 10, Stereo(), &done));
    engine->ResetStream(44100);
    EXPECT_EQ(engine->TailCount(), 0);
    EXPECT_TRUE(engine->ProcessTail(buffer.data(), 10, Stereo(), &done));
}

// Ten seconds of the format's rate, whatever rate the reset used (a host may
// set a new format without a reset).
TEST(Tail, BudgetEndsPartWayThroughABuffer) {
    const struct {
        uint32_t resetRate, formatRate;
    } rows[] = {{8000, 8000}, {44100, 8000}, {6000, 8000}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "reset " << row.resetRate << ", format " << row.formatRate);
        auto engine = MakeEngine();
        engine->SetSwitch(ParamId::ExtendTail, 1);
        engine->ResetStream(row.resetRate);
        std::vector<float> buffer(80000, 9.0f);
        int32_t done = -1;
        ASSERT_TRUE(engine->ProcessTail(buffer.data(), 79990, Mono(row.formatRate), &done));
        // 80,000 frames in all at 8 kHz: the next call ends after 10 frames.
        std::fill(buffer.begin(), buffer.end(), 9.0f);
        EXPECT_FALSE(engine->ProcessTail(buffer.data(), 100, Mono(row.formatRate), &done));
        EXPECT_NE(buffer[9], 9.0f);
        EXPECT_EQ(buffer[10], 9.0f);
        EXPECT_EQ(engine->TailCount(), 80000);
    }
}

// The shelves are designed for the rate of the last reset, in both calls and
// both channels; the format's rate only sets the tail budget.
TEST(Processing, ShelvesFollowTheResetRateNotTheFormat) {
    const ReverbParams p = {0.1f, 0.5f, 0.3f, 0.2f, 0.9f, 0.5f, 1.0f, 0.0f, 1, 1, 0};
    auto shifted = MakeEngine();
    auto plain = MakeEngine();
    for (bool tail : {false, true}) {
        SCOPED_TRACE(tail ? "ProcessTail" : "ProcessInPlace");
        for (ReverbEngine* e : {shifted.get(), plain.get()}) {
            e->SetParams(p);
            e->ResetStream(11025);
        }
        std::vector<float> a = NoiseBuffer(2 * 3000, 41), b = a;
        int32_t done;
        if (tail) {
            shifted->ProcessInPlace(a.data(), 3000, Stereo(11025));
            plain->ProcessInPlace(b.data(), 3000, Stereo(11025));
            ASSERT_TRUE(shifted->ProcessTail(a.data(), 3000, Stereo(44100), &done));
            ASSERT_TRUE(plain->ProcessTail(b.data(), 3000, Stereo(11025), &done));
        } else {
            shifted->ProcessInPlace(a.data(), 3000, Stereo(44100));
            plain->ProcessInPlace(b.data(), 3000, Stereo(11025));
        }
        for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(Bits(a[i]), Bits(b[i])) << i;
        for (ShelfIndex index : {kLeftLowShelf, kRightLowShelf, kLeftHighShelf, kRightHighShelf}) {
            const ShelfFilter& f = shifted->Shelf(index);
            EXPECT_EQ(f.designRate, 11025.0) << "shelf " << index;
            const bool high = index >= kLeftHighShelf;
            EXPECT_EQ(f.designCorner, high ? 11025.0 * double(0.4761905f) : 250.0)
                << "shelf " << index;
        }
    }
}

TEST(Tail, HasNoDryTermAndContinuesTheSelection) {
    auto engine = MakeEngine();
    engine->SetParams({0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 1.0f, 0.5f, 0.5f, 1, 0, 0});
    engine->ResetStream(44100);
    std::vector<float> buffer = NoiseBuffer(2 * 500, 5);
    engine->ProcessInPlace(buffer.data(), 500, Stereo());
    int32_t done;
    std::vector<float> tail(2 * 500, 1.0f);
    ASSERT_TRUE(engine->ProcessTail(tail.data(), 500, Stereo(), &done));
    for (float s : tail) ASSERT_EQ(s, 0.0f);  // wet 0, early 0: only zeros

    // The tail is what ProcessInPlace would give with silence in and dry 0.
    auto a = MakeEngine();
    auto b = MakeEngine();
    for (ReverbEngine* e : {a.get(), b.get()}) {
        e->SetParams({0.1f, 0.5f, 0.3f, 0.6f, 0.9f, 0.0f, 0.7f, 0.3f, 1, 1, 0});
        e->ResetStream(44100);
        std::vector<float> selection = NoiseBuffer(2 * 3000, 9);
        e->ProcessInPlace(selection.data(), 3000, Stereo());
    }
    std::vector<float> viaTail(2 * 4000, 0.0f), viaSilence(2 * 4000, 0.0f);
    ASSERT_TRUE(a->ProcessTail(viaTail.data(), 4000, Stereo(), &done));
    b->ProcessInPlace(viaSilence.data(), 4000, Stereo());
    for (size_t i = 0; i < viaTail.size(); ++i)
        ASSERT_EQ(Bits(viaTail[i]), Bits(viaSilence[i])) << i;
    bool any = false;
    for (float s : viaTail) any |= s != 0.0f;
    EXPECT_TRUE(any);
}

TEST(Processing, ResetSilencesADecayingTail) {
    auto engine = MakeEngine();
    engine->SetParams({0.1f, 0.9f, 0.2f, 0.4f, 0.8f, 0.5f, 0.5f, 0.5f, 1, 1, 0});
    engine->ResetStream(44100);
    std::vector<float> buffer = NoiseBuffer(2 * 8000, 21);
    engine->ProcessInPlace(buffer.data(), 8000, Stereo());
    engine->ResetStream(44100);
    std::vector<float> next = {0.5f, -0.25f, 0.0f, 0.0f};
    engine->ProcessInPlace(next.data(), 2, Stereo());
    EXPECT_EQ(next[0], 0.5f * 0.5f);  // dry only
    EXPECT_EQ(next[1], -0.25f * 0.5f);
    EXPECT_EQ(next[2], 0.0f);
    EXPECT_EQ(next[3], 0.0f);
}

TEST(Processing, PreDelayChangeTakesEffectWithoutClearingTheLine) {
    auto engine = MakeEngine();
    engine->SetParams({0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0, 0, 0});
    engine->ResetStream(44100);
    engine->SetFloat(ParamId::PreDelay, 0.5f);  // 2205 frames
    ASSERT_EQ(engine->Coefficients().preDelayLength, 2205);
    std::vector<float> buffer(2 * 100, 0.0f);
    buffer[0] = 1.0f;
    engine->ProcessInPlace(buffer.data(), 100, Stereo());
    // Shorten to 100 frames: the cursor wraps at the new length, and the
    // impulse written at index 0 comes out when the cursor passes it again.
    engine->SetFloat(ParamId::PreDelay, 100.0f / 4410.0f);
    ASSERT_LE(engine->Coefficients().preDelayLength, 100);
    engine->SetFloat(ParamId::ReverbLevel, 1.0f);
    engine->SetFloat(ParamId::EarlyRef, 0.0f);
    std::vector<float> after(2 * 1400, 0.0f);
    engine->ProcessInPlace(after.data(), 1400, Stereo());
    // The cursor stood at 100, beyond the new length: one step, then 0, where
    // the impulse waits. Comb 1 then adds its 1227 frames.
    EXPECT_EQ(FirstNonZero(after, 2, 0), 1 + 1227);
}

TEST(Processing, OutputDoesNotDependOnBufferSizes) {
    const ReverbParams p = {0.25f, 0.7f, 0.3f, 0.5f, 0.8f, 0.7f, 0.9f, 0.1f, 1, 1, 0};
    std::vector<float> reference;
    const std::vector<float> input = NoiseBuffer(2 * 20000, 99);
    for (int32_t buffer : {20000, 1, 7, 255, 256, 257, 4096}) {
        auto engine = MakeEngine();
        engine->SetParams(p);
        engine->ResetStream(48000);
        std::vector<float> out = input;
        for (int32_t done = 0; done < 20000; done += buffer) {
            const int32_t n = std::min(buffer, 20000 - done);
            engine->ProcessInPlace(out.data() + 2 * done, n, Stereo(48000));
        }
        if (reference.empty()) {
            reference = out;
            continue;
        }
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(Bits(out[i]), Bits(reference[i])) << "buffer " << buffer << " sample " << i;
    }
}

// Whatever mode the caller runs in (hosts often flush already, or flush
// half), the call flushes and the caller gets its own mode back, bit for bit.
TEST(Processing, DenormalsFlushOnlyDuringTheCall) {
#if defined(__SSE2__)
    // The six low bits record what the arithmetic raised, not the mode.
    constexpr unsigned kFlushToZero = 0x8000, kDenormalsAreZero = 0x0040, kRaisedFlags = 0x3F;
    const unsigned original = _mm_getcsr();
    for (unsigned mode : {0u, kFlushToZero, kDenormalsAreZero, kFlushToZero | kDenormalsAreZero}) {
        auto engine = MakeEngine();
        engine->ResetStream(44100);
        engine->SetFloat(ParamId::DryLevel, 1.0f);
        const unsigned caller =
            (original & ~(kFlushToZero | kDenormalsAreZero | kRaisedFlags)) | mode;
        _mm_setcsr(caller);
        volatile float tiny = 1e-39f;
        std::vector<float> buffer = {tiny, tiny};
        engine->ProcessInPlace(buffer.data(), 1, Stereo());
        const unsigned after = _mm_getcsr() & ~kRaisedFlags;
        _mm_setcsr(original);
        EXPECT_EQ(buffer[0], 0.0f) << "mode " << mode;  // flushed inside the call
        EXPECT_EQ(after, caller) << "mode " << mode;    // the caller's mode is back
    }
#else
    GTEST_SKIP() << "no MXCSR";
#endif
}

}  // namespace
}  // namespace lumbrook
