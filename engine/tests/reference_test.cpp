// The engine against a plain model that runs the network one frame at a time,
// exactly as the frame step is written: every sample must match bit for bit,
// whatever the parameters, buffer sizes and changes between buffers.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "coefficients.h"
#include "denormals.h"
#include "engine_fixture.h"
#include "kernels.h"

namespace lumbrook {
namespace {

using test::Bits;
using test::MakeEngine;
using test::Noise;

class FrameModel {
public:
    FrameModel() : lines_(28, std::vector<float>(kLineCapacity, 0.0f)) {}

    void Reset() {
        for (auto& line : lines_) std::fill(line.begin(), line.end(), 0.0f);
        for (int& c : cursor_) c = 0;
        for (float& s : store_) s = 0.0f;
        for (ShelfFilter& f : shelf_) f = ShelfFilter{};
        tailCount_ = 0;
    }

    // The engine flushes denormals during its calls; so does the model.
    void ProcessInPlace(const EngineCoefficients& c, float* buffer, int frames, int channels) {
        FlushDenormalsGuard flush;
        for (int n = 0; n < frames; ++n) Frame(c, buffer + n * channels, channels, false);
    }

    bool ProcessTail(const EngineCoefficients& c, int32_t extendTail, float* buffer, int frames,
                     int channels, uint32_t formatRate) {
        if (extendTail == 0 || frames == 0) return false;
        FlushDenormalsGuard flush;
        const int64_t limit = int64_t(10) * formatRate;
        for (int n = 0; n < frames; ++n) {
            Frame(c, buffer + n * channels, channels, true);
            if (++tailCount_ >= limit) return false;
        }
        return true;
    }

private:
    // Line numbers: 0-1 early L/R, 2-3 pre-delay L/R, 4-19 combs, 20-27 all-passes.
    float Step(int line, int length, float in) {
        int& cur = cursor_[line];
        const float out = lines_[line][cur];
        lines_[line][cur] = in;
        if (++cur >= length) cur = 0;
        return out;
    }

    void Frame(const EngineCoefficients& c, float* frame, int channels, bool tail) {
        float in[2] = {0.0f, 0.0f};
        if (!tail)
            for (int ch = 0; ch < channels; ++ch)
                in[ch] = std::isfinite(frame[ch]) ? frame[ch] : 0.0f;
        float early[2], pre[2];
        const int earlyLength[2] = {c.earlyLength, int(double(c.earlyLength) * double(0.9f))};
        for (int ch = 0; ch < channels; ++ch) {
            early[ch] = Step(ch, earlyLength[ch], in[ch]);
            pre[ch] = Step(2 + ch, c.preDelayLength, in[ch]);
        }
        const float combIn = channels == 2
                                 ? float((double(pre[0]) + double(pre[1])) * double(0.015f))
                                 : float(double(pre[0]) * double(0.03f));
        for (int ch = 0; ch < channels; ++ch) {
            double sum = 0.0;
            for (int k = 0; k < 8; ++k) {
                const int comb = ch * 8 + k;
                const int line = 4 + comb;
                const float o = lines_[line][cursor_[line]];
                const double s =
                    double(o) * double(c.damp2) + double(store_[comb]) * double(c.damp1);
                store_[comb] = float(s);
                Step(line, c.combLength[comb], float(s * double(c.feedback) + double(combIn)));
                sum = k == 0 ? double(o) : sum + double(o);
            }
            double x = sum;
            for (int k = 0; k < 4; ++k) {
                const int line = 20 + ch * 4 + k;
                const double b = lines_[line][cursor_[line]];
                Step(line, c.allpassLength[ch * 4 + k], float(x + b * 0.5));
                x = b - x;
            }
            if (c.eqEnabled && c.sampleRate > 0) {
                const double rate = c.sampleRate;
                ShelfFilter& low = shelf_[ch];
                ShelfFilter& high = shelf_[2 + ch];
                low.Prepare(ShelfKind::Low, LowShelfCornerHz(c.sampleRate), c.loShelfGain, rate);
                const float lowOut = float(low.Filter(x));
                high.Prepare(ShelfKind::High, HighShelfCornerHz(c.sampleRate), c.hiShelfGain, rate);
                x = high.Filter(lowOut);
            }
            if (!c.bypassActive) {
                const double echo = -double(early[ch]) * double(c.earlyGain);
                frame[ch] =
                    tail ? float(x * double(c.wetGain) + echo)
                         : float(double(in[ch]) * double(c.dryGain) + x * double(c.wetGain) + echo);
            }
        }
    }

    std::vector<std::vector<float>> lines_;
    int cursor_[28] = {};
    float store_[16] = {};
    ShelfFilter shelf_[4] = {};
    int64_t tailCount_ = 0;
};

ReverbParams RandomBlock(Noise& noise) {
    ReverbParams p{};
    for (float* f : {&p.preDelay, &p.roomSize, &p.damping, &p.earlyRef, &p.reverbLevel, &p.dryLevel,
                     &p.loEq, &p.hiEq})
        *f = noise.Unit();
    p.extendTail = 1;
    p.enableEq = noise.NextU32() & 1;
    return p;
}

// channels 0: mono for the first calls, then stereo without a reset, so the
// stereo calls show whatever the mono ones left in the right channel.
// Starting from the defaults runs a pre-delay line of length 0.
void ExpectSameRendering(uint32_t channels, uint32_t rate, uint32_t seed,
                         bool fromDefaults = false) {
    auto engine = MakeEngine();
    auto model = std::make_unique<FrameModel>();
    Noise noise(seed);
    ReverbParams first = RandomBlock(noise);
    if (fromDefaults) {
        first = DefaultParams();
        first.extendTail = 1;
    }
    engine->SetParams(first);
    engine->ResetStream(rate);
    model->Reset();
    const bool switching = channels == 0;
    for (int call = 0; call < 60; ++call) {
        if (switching) channels = call < 20 ? 1 : 2;
        const BufferFormat format = {channels, rate};
        // Every fifth buffer is tiny: the kernels' pipelines then start and
        // finish within a few frames.
        const int frames = 1 + int(noise.NextU32() % (call % 5 == 4 ? 3 : 1500));
        std::vector<float> a(size_t(frames) * channels);
        for (float& s : a) s = call < 40 ? noise.Next() : 0.0f;
        std::vector<float> b = a;
        const bool tail = call >= 40 && (call & 1);
        if (tail) {
            int32_t done = 0;
            const bool more = engine->ProcessTail(a.data(), frames, format, &done);
            ASSERT_EQ(more, model->ProcessTail(engine->Coefficients(), 1, b.data(), frames,
                                               channels, rate));
        } else {
            engine->ProcessInPlace(a.data(), frames, format);
            model->ProcessInPlace(engine->Coefficients(), b.data(), frames, channels);
        }
        for (size_t i = 0; i < a.size(); ++i)
            ASSERT_EQ(Bits(a[i]), Bits(b[i])) << "call " << call << " sample " << i;

        // Change something between buffers, now and then.
        switch (noise.NextU32() % 8) {
        case 0: engine->SetParams(RandomBlock(noise)); break;
        case 1: engine->SetFloat(ParamId::RoomSize, noise.Unit()); break;
        case 2: engine->SetFloat(ParamId::PreDelay, noise.Unit() * 0.2f); break;
        case 3: engine->SetFloat(ParamId::HiEq, noise.Unit()); break;
        case 4: engine->SetSwitch(ParamId::EnableEq, int32_t(noise.NextU32() & 1)); break;
        case 5: engine->SetSwitch(ParamId::Bypass, int32_t(noise.NextU32() % 4 == 0)); break;
        default: break;
        }
    }
}

// Every kernel this build and processor can run, each against the model.
class Reference : public testing::TestWithParam<NetworkKernel> {
protected:
    void SetUp() override {
        if (!UseKernel(GetParam())) GTEST_SKIP() << "kernel not available here";
    }
    void TearDown() override { UseKernel(kept_); }

private:
    const NetworkKernel kept_ = ActiveKernel();
};

std::string KernelName(const testing::TestParamInfo<NetworkKernel>& info) {
    switch (info.param) {
    case NetworkKernel::Portable: return "Portable";
    case NetworkKernel::Sse2: return "Sse2";
    case NetworkKernel::Avx2: return "Avx2";
    }
    return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Kernels, Reference,
                         testing::Values(NetworkKernel::Portable, NetworkKernel::Sse2,
                                         NetworkKernel::Avx2),
                         KernelName);

TEST_P(Reference, StereoMatchesTheFrameByFrameModel) {
    ExpectSameRendering(2, 44100, 1);
    ExpectSameRendering(2, 48000, 2);
    ExpectSameRendering(2, 11025, 3);
}

TEST_P(Reference, MonoMatchesTheFrameByFrameModel) {
    ExpectSameRendering(1, 44100, 4);
    ExpectSameRendering(1, 8000, 5);
}

TEST_P(Reference, MonoThenStereoWithoutAReset) {
    ExpectSameRendering(0, 44100, 8);
    ExpectSameRendering(0, 11025, 9);
}

TEST_P(Reference, TinyRatesWithLinesOfLengthZeroAndOne) {
    ExpectSameRendering(2, 500, 6);
    ExpectSameRendering(1, 40, 7);
    ExpectSameRendering(2, 44100, 10, /*fromDefaults=*/true);
    ExpectSameRendering(1, 48000, 11, /*fromDefaults=*/true);
}

// One rendering's fingerprint, the same in the native and the Windows tree:
// double arithmetic, sines and powers agree to the bit.
TEST_P(Reference, RenderingIsIdenticalInBothBuilds) {
    auto engine = MakeEngine();
    engine->SetParams({0.3f, 0.7f, 0.25f, 0.4f, 0.75f, 0.8f, 0.8f, 0.3f, 1, 1, 0});
    engine->ResetStream(44100);
    std::vector<float> audio = test::NoiseBuffer(2 * 30000, 2024);
    engine->ProcessInPlace(audio.data(), 30000, {2, 44100});
    std::vector<float> tail(2 * 30000, 0.0f);
    int32_t done;
    engine->ProcessTail(tail.data(), 30000, {2, 44100}, &done);
    EXPECT_EQ(test::Fingerprint(tail, test::Fingerprint(audio)), 15596913649715634992ull);
}

// The processor's widest kernel runs unless a test asks for another; one it
// cannot run is refused and changes nothing.
TEST(Kernels, TheWidestAvailableRunsByDefault) {
    const NetworkKernel widest = KernelAvailable(NetworkKernel::Avx2)   ? NetworkKernel::Avx2
                                 : KernelAvailable(NetworkKernel::Sse2) ? NetworkKernel::Sse2
                                                                        : NetworkKernel::Portable;
    EXPECT_EQ(ActiveKernel(), widest);
    EXPECT_TRUE(KernelAvailable(NetworkKernel::Portable));
#if defined(__x86_64__) || (defined(__i386__) && defined(__SSE2__))
    // Every x86 build, both plug-ins included, carries the AVX2 kernel for
    // the processors that have it.
    EXPECT_EQ(KernelAvailable(NetworkKernel::Avx2),
              __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"));
#endif
    for (NetworkKernel kernel : {NetworkKernel::Sse2, NetworkKernel::Avx2}) {
        if (KernelAvailable(kernel)) continue;
        EXPECT_FALSE(UseKernel(kernel)) << int(kernel);
        EXPECT_EQ(ActiveKernel(), widest) << int(kernel);
    }
}

}  // namespace
}  // namespace lumbrook
