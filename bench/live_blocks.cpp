// What a player monitoring live hears depends on the slowest block, not the
// average: runs the Linux plug-in's core in 64-frame blocks of stereo noise
// at 48 kHz for 60 seconds of audio after Activate, every control at its
// default, as a host's audio thread would, and prints the median and the
// slowest block, their ratio, and the page faults the thread took inside
// Run. A benchmark, not a test: the slowest block also measures how busy the
// machine was.
// Usage: live_blocks [seconds] [block frames]   (defaults 60, 64)
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_count.h"
#include "plugin_ports.h"
#include "reverb_plugin.h"
#include "test_signals.h"

namespace {

long ThreadPageFaults() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

// What hosts ask for their audio thread (JACK and Ardour alike): the
// real-time class, so that no ordinary process takes the processor in the
// middle of a block, and memory locked in. Without them (no privilege) the
// figures measure the scheduler too; the first line says which it got.
std::string BecomeRealTime() {
    sched_param priority{};
    priority.sched_priority = 80;
    const bool fifo = sched_setscheduler(0, SCHED_FIFO, &priority) == 0;
    const bool locked = mlockall(MCL_CURRENT | MCL_FUTURE) == 0;
    return std::string(fifo ? "real-time (FIFO 80)" : "ordinary scheduling (no real-time class)") +
           (locked ? ", memory locked" : ", memory not locked");
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lumbrook;
    using bench::Count;
    const long seconds = argc > 1 ? Count(argv[1], 3600) : 60;
    const long blockFrames = argc > 2 ? Count(argv[2], 8192) : 64;
    if (argc > 3 || seconds == 0 || blockFrames == 0) {
        std::fprintf(stderr, "usage: live_blocks [seconds 1-3600] [block frames 1-8192]\n");
        return 2;
    }
    const std::string thread = BecomeRealTime();
    constexpr uint32_t kRate = 48000;
    const size_t blocks = size_t(seconds) * kRate / size_t(blockFrames);

    std::unique_ptr<ReverbPlugin> plugin = ReverbPlugin::Create(2, kRate, false);
    if (!plugin) {
        std::fprintf(stderr, "live_blocks: the plug-in could not be created\n");
        return 1;
    }
    // One second of noise, played round and round; the outputs apart from
    // the inputs, as most hosts connect them.
    const std::vector<float> noise = test::NoiseBuffer(2 * kRate, 7);
    std::vector<float> in[2], out[2];
    for (int ch = 0; ch < 2; ++ch) {
        in[ch].resize(kRate);
        out[ch].assign(size_t(blockFrames), 0.0f);
        for (uint32_t j = 0; j < kRate; ++j) in[ch][j] = 0.5f * noise[2 * j + ch];
    }
    float controls[kControlCount];
    for (int i = 0; i < kControlCount; ++i)
        controls[i] = PortFromValue(Param(kPortOrder[i]), Param(kPortOrder[i]).defaultValue);
    for (int i = 0; i < kControlCount; ++i) plugin->Connect(FirstControlPort(2) + i, &controls[i]);
    plugin->Connect(2, out[0].data());
    plugin->Connect(3, out[1].data());
    plugin->Activate();

    std::vector<double> micros(blocks);
    long faults = 0;
    std::vector<size_t> faultyBlocks;
    faultyBlocks.reserve(8);
    uint32_t position = 0;
    for (size_t b = 0; b < blocks; ++b) {
        if (position + uint32_t(blockFrames) > kRate) position = 0;
        plugin->Connect(0, &in[0][position]);
        plugin->Connect(1, &in[1][position]);
        position += uint32_t(blockFrames);
        const long faultsBefore = ThreadPageFaults();
        const auto start = std::chrono::steady_clock::now();
        plugin->Run(uint32_t(blockFrames));
        const auto stop = std::chrono::steady_clock::now();
        const long blockFaults = ThreadPageFaults() - faultsBefore;
        if (blockFaults != 0 && faultyBlocks.size() < 8) faultyBlocks.push_back(b);
        faults += blockFaults;
        micros[b] = std::chrono::duration<double, std::micro>(stop - start).count();
    }
    std::vector<double> sorted = micros;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const double slowest = sorted.back();
    const double p999 = sorted[std::min(sorted.size() - 1, sorted.size() * 999 / 1000)];
    const size_t slowestAt =
        size_t(std::max_element(micros.begin(), micros.end()) - micros.begin());
    std::printf("%zu blocks of %ld frames (%ld s at %u Hz, stereo), %s\n", blocks, blockFrames,
                seconds, kRate, thread.c_str());
    std::printf("median block    %8.2f us (%.2f ns per frame)\n", median,
                1000.0 * median / double(blockFrames));
    std::printf("99.9th per cent %8.2f us\n", p999);
    std::printf("slowest block   %8.2f us, block %zu\n", slowest, slowestAt);
    std::printf("slowest/median  %8.2f\n", slowest / median);
    std::printf("page faults in Run: %ld", faults);
    for (size_t i = 0; i < faultyBlocks.size(); ++i)
        std::printf("%s%zu", i == 0 ? " (blocks " : ", ", faultyBlocks[i]);
    std::printf("%s\n", faultyBlocks.empty() ? "" : ")");
    return 0;
}
