// Engine cost in ns per frame (per stereo frame unless named mono), with
// buffers of 512 frames as hosts commonly hand them unless named otherwise; the cost of a stream
// reset in microseconds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "kernels.h"
#include "reverb_engine.h"
#include "bench_signals.h"

namespace {

using lumbrook::NetworkKernel;
using lumbrook::ReverbEngine;
using lumbrook::ReverbParams;

constexpr int32_t kFrames = 512;
using lumbrook::bench::HalfScaleNoise;
using lumbrook::bench::kHall;

void Run(benchmark::State& state, uint32_t channels, int32_t enableEq, int32_t frames = kFrames) {
    auto engine = ReverbEngine::Create();
    ReverbParams p = kHall;
    p.enableEq = enableEq;
    engine->SetParams(p);
    engine->ResetStream(44100);
    const std::vector<float> input = HalfScaleNoise(frames * channels);
    std::vector<float> buffer = input;
    for (auto _ : state) {
        buffer = input;
        engine->ProcessInPlace(buffer.data(), frames, {channels, 44100});
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * frames);
    state.counters["ns_per_frame"] =
        benchmark::Counter(double(state.iterations()) * frames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void StereoEqOn(benchmark::State& state) {
    Run(state, 2, 1);
}
void StereoEqOff(benchmark::State& state) {
    Run(state, 2, 0);
}
void MonoEqOn(benchmark::State& state) {
    Run(state, 1, 1);
}
// StereoEqOn in the host's buffers of state.range(0) frames: what each call
// costs before and after its frames shows at the small sizes that hosts use
// when players monitor live.
void StereoEqOnInBuffersOf(benchmark::State& state) {
    Run(state, 2, 1, int32_t(state.range(0)));
}

// StereoEqOn with each kernel in turn (the cases above run the processor's
// widest).
void StereoEqOnWith(benchmark::State& state, NetworkKernel kernel) {
    const NetworkKernel kept = lumbrook::ActiveKernel();
    if (!lumbrook::UseKernel(kernel)) {
        state.SkipWithError("kernel not available here");
        return;
    }
    Run(state, 2, 1);
    lumbrook::UseKernel(kept);
}
void StereoEqOnPortable(benchmark::State& state) {
    StereoEqOnWith(state, NetworkKernel::Portable);
}
void StereoEqOnSse2(benchmark::State& state) {
    StereoEqOnWith(state, NetworkKernel::Sse2);
}
void StereoEqOnAvx2(benchmark::State& state) {
    StereoEqOnWith(state, NetworkKernel::Avx2);
}

// Loud input, then a long run of silence through ProcessInPlace and the tail:
// the decay must not slow down as the lines fade toward denormal values.
void DecayingTail(benchmark::State& state) {
    auto engine = ReverbEngine::Create();
    ReverbParams p = kHall;
    p.roomSize = 1.0f;  // longest decay
    engine->SetParams(p);
    engine->ResetStream(44100);
    std::vector<float> buffer = HalfScaleNoise(2 * 44100);
    for (float& s : buffer) s *= 2.0f;
    engine->ProcessInPlace(buffer.data(), 44100, {2, 44100});
    std::vector<float> silence(2 * kFrames);
    // Run 60 s of silence first so the measured part is deep in the decay.
    for (int i = 0; i < 60 * 44100 / kFrames; ++i) {
        std::fill(silence.begin(), silence.end(), 0.0f);
        engine->ProcessInPlace(silence.data(), kFrames, {2, 44100});
    }
    for (auto _ : state) {
        std::fill(silence.begin(), silence.end(), 0.0f);
        engine->ProcessInPlace(silence.data(), kFrames, {2, 44100});
        benchmark::DoNotOptimize(silence.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["ns_per_frame"] =
        benchmark::Counter(double(state.iterations()) * kFrames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// ResetStream after a minute of use at 44.1 kHz (the hall setting in
// 512-frame buffers). With automation, the pre-delay and the room size
// went to their longest during that minute, so the reset clears every line
// as far as a 44.1 kHz stream can use it; the setters before each reset keep
// that so without running the network.
void Reset(benchmark::State& state, bool automated) {
    auto engine = ReverbEngine::Create();
    engine->SetParams(kHall);
    engine->ResetStream(44100);
    const std::vector<float> input = HalfScaleNoise(2 * kFrames);
    std::vector<float> buffer(2 * kFrames);
    for (int i = 0; i < 60 * 44100 / kFrames; ++i) {
        if (automated && i % 100 == 0) {
            engine->SetFloat(lumbrook::ParamId::PreDelay, float(i % 700) / 700.0f);
            engine->SetFloat(lumbrook::ParamId::RoomSize, float(i % 300) / 300.0f);
        }
        buffer = input;
        engine->ProcessInPlace(buffer.data(), kFrames, {2, 44100});
    }
    for (auto _ : state) {
        if (automated) {
            engine->SetFloat(lumbrook::ParamId::PreDelay, 1.0f);
            engine->SetFloat(lumbrook::ParamId::RoomSize, 1.0f);
            engine->SetParams(kHall);
        }
        engine->ResetStream(44100);
        benchmark::ClobberMemory();
    }
}

void ResetAfterAMinute(benchmark::State& state) {
    Reset(state, false);
}
void ResetAfterAMinuteOfAutomation(benchmark::State& state) {
    Reset(state, true);
}

// What a reset cost when it silenced every line over its whole capacity.
void FullClearOfTheNetwork(benchmark::State& state) {
    auto network = std::make_unique<lumbrook::NetworkState>();
    for (auto _ : state) {
        std::memset(network.get(), 0, sizeof(lumbrook::NetworkState));
        benchmark::ClobberMemory();
    }
}

}  // namespace

// The machine is shared: the minimum over repetitions is the steadiest figure.
double Fastest(const std::vector<double>& runs) {
    return *std::min_element(runs.begin(), runs.end());
}

BENCHMARK(StereoEqOn)->ComputeStatistics("min", Fastest);
BENCHMARK(StereoEqOff)->ComputeStatistics("min", Fastest);
BENCHMARK(MonoEqOn)->ComputeStatistics("min", Fastest);
BENCHMARK(StereoEqOnInBuffersOf)
    ->Arg(32)
    ->Arg(64)
    ->Arg(128)
    ->Arg(1024)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(DecayingTail)->ComputeStatistics("min", Fastest);
BENCHMARK(StereoEqOnPortable)->ComputeStatistics("min", Fastest);
BENCHMARK(StereoEqOnSse2)->ComputeStatistics("min", Fastest);
BENCHMARK(StereoEqOnAvx2)->ComputeStatistics("min", Fastest);
BENCHMARK(ResetAfterAMinute)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);
BENCHMARK(ResetAfterAMinuteOfAutomation)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(FullClearOfTheNetwork)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);
BENCHMARK_MAIN();
