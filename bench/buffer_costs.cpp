// What a stereo frame costs at each host buffer size, in ns: the engine
// alone, and on Windows the effect's ProcessInPlace reached through its
// class objects, as hosts call it. Plain timing rather than Google
// Benchmark, so that the same program builds in every tree and the Windows
// engine under Wine can be set beside the native one in a single run.
// Each figure is the fastest of several rounds of a stream of noise: a
// round is short (a few milliseconds a size), and on a shared machine the
// fastest of thirty stays within a few per cent from run to run, where the
// fastest of seven moves by ten or more.
// Usage: buffer_costs [rounds 1-100]   (default 30)
#ifdef _WIN32
#include <windows.h>
#endif

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "reverb_engine.h"
#include "bench_count.h"
#include "bench_signals.h"
#ifdef _WIN32
#include "interfaces.h"
#include "plugin_loader.h"
#endif

namespace {

using lumbrook::ReverbParams;

constexpr uint32_t kRate = 44100;
// A stream of passes over one stretch of noise, the stretch copied in again
// before each pass (off the clock): the audio stays in the cache, as a
// host's buffers do, and only the processing is timed.
constexpr int32_t kStretchFrames = 8192;  // whole buffers of every size
constexpr int kPasses = 32;               // about 6 s of audio a round
constexpr int32_t kBufferSizes[] = {32, 64, 128, 1024};
constexpr int kSizes = sizeof kBufferSizes / sizeof kBufferSizes[0];
using lumbrook::bench::kHall;

using Process = std::function<void(float*, int32_t)>;

// One round at one buffer size: ns per frame.
double TimeRound(const Process& process, const std::vector<float>& noise,
                 std::vector<float>& buffer, int32_t frames) {
    std::chrono::duration<double, std::nano> took{};
    for (int pass = 0; pass < kPasses; ++pass) {
        buffer = noise;
        const auto start = std::chrono::steady_clock::now();
        for (int32_t done = 0; done < kStretchFrames; done += frames)
            process(buffer.data() + 2 * size_t(done), frames);
        took += std::chrono::steady_clock::now() - start;
    }
    return took.count() / (double(kStretchFrames) * kPasses);
}

// The sizes take turns round after round, so that a machine that speeds up
// or slows down during the run moves them all; each size's fastest round.
void Report(const char* what, const Process& process, int rounds) {
    const std::vector<float> noise = lumbrook::bench::HalfScaleNoise(2 * size_t(kStretchFrames));
    std::vector<float> buffer(noise.size());
    double best[kSizes];
    for (double& b : best) b = 1e300;
    for (int round = 0; round < rounds; ++round)
        for (int i = 0; i < kSizes; ++i) {
            const double cost = TimeRound(process, noise, buffer, kBufferSizes[i]);
            if (cost < best[i]) best[i] = cost;
        }
    for (int i = 0; i < kSizes; ++i)
        std::printf("%-8s %5d frames  %6.2f ns per frame  %5.3f x %d frames\n", what,
                    int(kBufferSizes[i]), best[i], best[i] / best[kSizes - 1],
                    int(kBufferSizes[kSizes - 1]));
}

#ifdef _WIN32
// The effect as a host holds it, from the plug-in beside this program.
bool ReportEffect(int rounds) {
    lumbrook::PluginLoader loader;
    IInPlaceEffect* effect = nullptr;
    std::string error;
    if (FAILED(loader.Create(CLSID_ReverbEffect, IID_IInPlaceEffect,
                             reinterpret_cast<void**>(&effect), &error))) {
        std::fprintf(stderr, "buffer_costs: %s\n", error.c_str());
        return false;
    }
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = 2;
    format.nSamplesPerSec = kRate;
    format.wBitsPerSample = 32;
    format.nBlockAlign = 8;
    format.nAvgBytesPerSec = kRate * 8;
    ReverbParams block = kHall;
    const bool ready =
        effect->SetFormat(&format) == 1 && effect->SetParams(&block, lumbrook::kParamsSize) == 1;
    if (ready) {
        effect->ResetStream();
        Report(
            "effect", [effect](float* at, int32_t frames) { effect->ProcessInPlace(at, frames); },
            rounds);
    } else {
        std::fprintf(stderr, "buffer_costs: the effect refused the format or the block\n");
    }
    effect->Release();
    return ready;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const long rounds = argc > 1 ? lumbrook::bench::Count(argv[1], 100) : 30;
    if (argc > 2 || rounds == 0) {
        std::fprintf(stderr, "usage: buffer_costs [rounds 1-100]\n");
        return 2;
    }
    std::unique_ptr<lumbrook::ReverbEngine> engine = lumbrook::ReverbEngine::Create();
    if (!engine) {
        std::fprintf(stderr, "buffer_costs: no memory for the engine\n");
        return 1;
    }
    engine->SetParams(kHall);
    engine->ResetStream(kRate);
    lumbrook::ReverbEngine* e = engine.get();
    Report(
        "engine",
        [e](float* at, int32_t frames) {
            e->ProcessInPlace(at, frames, {2, kRate});
        },
        int(rounds));
#ifdef _WIN32
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool ok = ReportEffect(int(rounds));
    CoUninitialize();
    return ok ? 0 : 1;
#else
    return 0;
#endif
}
