// The plug-in core shared by the LV2 and LADSPA wrappers, driven as a host
// drives it: the same bits as the engine for any block lengths, control
// changes through the single setters, a bypass that fades and keeps the
// network running, and port values that reach defaults and presets exactly.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "factory_presets.h"
#include "plugin_ports.h"
#include "reverb_engine.h"
#include "reverb_plugin.h"
#include "test_signals.h"

// Every allocation in this program goes through here, so the host below can
// check that a run never allocates (an audio thread must not).
namespace {
std::atomic<bool> gInsideRun{false};
std::atomic<int> gAllocationsInRun{0};
std::atomic<long> gPageFaultsInRun{0};

// Page faults the calling thread has taken so far.
long ThreadPageFaults() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}
}  // namespace

void* operator new(size_t size) {
    if (gInsideRun) ++gAllocationsInRun;
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    if (gInsideRun) ++gAllocationsInRun;
    return std::malloc(size ? size : 1);
}
// The pair is malloc and free by construction; GCC cannot see that.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, size_t) noexcept {
    std::free(block);
}
#pragma GCC diagnostic pop

namespace lumbrook {
namespace {

using test::Bits;

// Control values in port order, in display units.
struct Controls {
    float value[kControlCount];
};

Controls DefaultControls(bool bypassInverted) {
    Controls c;
    for (int i = 0; i < kControlCount; ++i) {
        const ParamInfo& param = Param(kPortOrder[i]);
        c.value[i] = PortFromValue(param, param.defaultValue);
        if (param.id == ParamId::Bypass && bypassInverted) c.value[i] = 1.0f;
    }
    return c;
}

int ControlIndex(ParamId id) {
    for (int i = 0; i < kControlCount; ++i)
        if (kPortOrder[i] == id) return i;
    return -1;
}

// A host: planar buffers, the controls connected once (before or after
// Activate), runs of given lengths.
class Host {
public:
    Host(uint32_t channels, uint32_t rate, bool inverted = true, bool connectNow = true)
        : channels_(channels),
          plugin_(ReverbPlugin::Create(channels, rate, inverted)),
          controls_(DefaultControls(inverted)) {
        if (connectNow) ConnectControls();
    }
    void ConnectControls() {
        for (int i = 0; i < kControlCount; ++i)
            plugin_->Connect(FirstControlPort(channels_) + uint32_t(i), &controls_.value[i]);
    }
    ReverbPlugin& plugin() { return *plugin_; }
    float& control(ParamId id) { return controls_.value[ControlIndex(id)]; }

    // Runs the interleaved input through in runs of the given lengths
    // (cycled), in place when asked; returns interleaved output.
    std::vector<float> Run(const std::vector<float>& input, const std::vector<uint32_t>& runs,
                           bool inPlace = false) {
        const size_t frames = input.size() / channels_;
        std::vector<float> in[2], out[2];
        for (uint32_t ch = 0; ch < channels_; ++ch) {
            in[ch].resize(frames);
            out[ch].assign(frames, -7.0f);
            for (size_t j = 0; j < frames; ++j) in[ch][j] = input[j * channels_ + ch];
        }
        size_t done = 0;
        for (size_t r = 0; done < frames; ++r) {
            const uint32_t n = uint32_t(std::min<size_t>(runs[r % runs.size()], frames - done));
            for (uint32_t ch = 0; ch < channels_; ++ch) {
                plugin_->Connect(ch, in[ch].data() + done);
                plugin_->Connect(channels_ + ch, (inPlace ? in[ch] : out[ch]).data() + done);
            }
            const long faults = ThreadPageFaults();
            gInsideRun = true;
            plugin_->Run(n);
            gInsideRun = false;
            gPageFaultsInRun += ThreadPageFaults() - faults;
            done += n;
        }
        EXPECT_EQ(gAllocationsInRun.exchange(0), 0) << "a run allocated";
        std::vector<float> result(input.size());
        for (uint32_t ch = 0; ch < channels_; ++ch)
            for (size_t j = 0; j < frames; ++j)
                result[j * channels_ + ch] = (inPlace ? in[ch] : out[ch])[j];
        return result;
    }

private:
    uint32_t channels_;
    std::unique_ptr<ReverbPlugin> plugin_;
    Controls controls_;
};

std::vector<float> EngineRendering(std::vector<float> audio, uint32_t channels, uint32_t rate,
                                   const ReverbParams& params) {
    auto engine = ReverbEngine::Create();
    engine->SetParams(params);
    engine->ResetStream(rate);
    engine->ProcessInPlace(audio.data(), int32_t(audio.size() / channels), {channels, rate});
    return audio;
}

void ExpectSameBits(const std::vector<float>& got, const std::vector<float>& want,
                    size_t from = 0) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = from; i < got.size(); ++i)
        ASSERT_EQ(Bits(got[i]), Bits(want[i])) << "sample " << i;
}

// Settings a user might dial in: every control moved, the EQ on.
void DialIn(Host& host, ReverbParams* params) {
    const struct {
        ParamId id;
        float port;
    } settings[] = {{ParamId::PreDelay, 35.0f},    {ParamId::RoomSize, 60.0f},
                    {ParamId::Damping, 20.0f},     {ParamId::EarlyRef, 30.0f},
                    {ParamId::ReverbLevel, 75.0f}, {ParamId::DryLevel, 90.0f},
                    {ParamId::LoEq, -3.0f},        {ParamId::HiEq, 2.0f}};
    for (const auto& s : settings) {
        host.control(s.id) = s.port;
        params->*Param(s.id).floatField = ValueFromPort(Param(s.id), s.port);
    }
}

TEST(PluginCore, EqualsTheEngineWhateverTheRunLengths) {
    const std::vector<std::vector<uint32_t>> patterns = {
        {1}, {7, 256, 1}, {4096}, {255, 257, 3000}};
    for (uint32_t channels : {1u, 2u}) {
        for (uint32_t rate : {44100u, 96000u}) {
            const std::vector<float> input = test::NoiseBuffer(channels * 6000, 40 + channels);
            ReverbParams params = DefaultParams();
            {
                Host probe(channels, rate);
                DialIn(probe, &params);
            }
            const std::vector<float> want = EngineRendering(input, channels, rate, params);
            for (size_t p = 0; p < patterns.size(); ++p) {
                for (bool inPlace : {false, true}) {
                    SCOPED_TRACE(testing::Message()
                                 << channels << " channels, " << rate << " Hz, pattern " << p
                                 << (inPlace ? ", in place" : ""));
                    Host host(channels, rate);
                    ReverbParams unused = params;
                    DialIn(host, &unused);
                    host.plugin().Activate();
                    ExpectSameBits(host.Run(input, patterns[p], inPlace), want);
                }
            }
        }
    }
}

// Controls set only after activation reach the engine through the single
// setters, which take a new pre-delay or room size at once.
TEST(PluginCore, ControlChangesTakeEffectAtTheNextRun) {
    const uint32_t rate = 48000;
    const std::vector<float> input = test::NoiseBuffer(2 * 9000, 44);
    Host host(2, rate);
    host.plugin().Activate();
    std::vector<float> got = host.Run({input.begin(), input.begin() + 2 * 3000}, {512});
    ReverbParams unused = DefaultParams();
    DialIn(host, &unused);
    const std::vector<float> rest = host.Run({input.begin() + 2 * 3000, input.end()}, {512});
    got.insert(got.end(), rest.begin(), rest.end());

    auto engine = ReverbEngine::Create();
    engine->ResetStream(rate);
    std::vector<float> want = input;
    engine->ProcessInPlace(want.data(), 3000, {2, rate});
    for (int i = 0; i < kControlCount; ++i) {
        const ParamInfo& param = Param(kPortOrder[i]);
        if (param.kind == ParamKind::Continuous)
            engine->SetFloat(param.id, ValueFromPort(param, host.control(param.id)));
    }
    engine->ProcessInPlace(want.data() + 2 * 3000, 6000, {2, rate});
    ExpectSameBits(got, want);
}

// Some hosts connect the controls only after Activate: every value still
// counts at the first run, a 0 where the default is not 0 included.
TEST(PluginCore, ControlsConnectedAfterActivateApply) {
    const std::vector<float> input = test::NoiseBuffer(2 * 4000, 48);
    Host host(2, 44100, true, /*connectNow=*/false);
    host.plugin().Activate();
    host.control(ParamId::DryLevel) = 0.0f;
    host.control(ParamId::EnableEq) = 0.0f;
    host.control(ParamId::RoomSize) = 50.0f;
    host.ConnectControls();
    ReverbParams params = DefaultParams();
    params.dryLevel = 0.0f;
    params.enableEq = 0;
    params.roomSize = 0.5f;
    ExpectSameBits(host.Run(input, {512}), EngineRendering(input, 2, 44100, params));
}

// Activate starts a fresh stream: the same input renders the same again.
TEST(PluginCore, ActivateStartsAFreshStream) {
    const std::vector<float> input = test::NoiseBuffer(2 * 4000, 45);
    Host host(2, 44100);
    host.plugin().Activate();
    const std::vector<float> first = host.Run(input, {333});
    host.plugin().Activate();
    ExpectSameBits(host.Run(input, {1000}), first);
}

// An instance's delay lines are sized for any rate, tens of megabytes, but a
// stream uses a small part of them: an instance keeps only what its rate can
// use resident, whatever instances came and went before it, and Activate maps
// all of that, so that an audio thread never waits for the system. Measured
// in a child process, where no code has run yet, with glibc's defaults, on an
// audio thread whose stack was touched beforehand, as real-time hosts do.
struct RunMeasure {
    uint32_t rate;
    long pageFaults;
    double residentBytes;
};

// Bytes of the object's pages that are resident (in memory, not merely
// reserved): its own, whatever else the process holds.
double ResidentBytesOf(const void* object, size_t size) {
    const uintptr_t pageBytes = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t start = reinterpret_cast<uintptr_t>(object) & ~(pageBytes - 1);
    const size_t length = reinterpret_cast<uintptr_t>(object) + size - start;
    std::vector<unsigned char> pages((length + pageBytes - 1) / pageBytes);
    if (mincore(reinterpret_cast<void*>(start), length, pages.data()) != 0) return -1.0;
    double resident = 0.0;
    for (unsigned char page : pages) resident += (page & 1) ? double(pageBytes) : 0.0;
    return resident;
}

__attribute__((noinline)) void TouchStack() {
    volatile char stack[256 * 1024];
    for (size_t i = 0; i < sizeof stack; i += 1024) stack[i] = 0;
}

// One second of noise at each rate through a new instance, in runs of 512
// frames, with the pre-delay and the room at their longest and the
// equaliser switched off and on again half-way.
std::vector<RunMeasure> MeasureFreshInstances() {
    // Instances a host has closed: with calloc, glibc's threshold would have
    // risen past an instance's size and the next one reuse the last one's
    // memory, cleared in full.
    for (int i = 0; i < 2; ++i) {
        Host closed(2, 48000);
        closed.plugin().Activate();
    }
    std::vector<RunMeasure> measures;
    std::vector<std::unique_ptr<Host>> kept;
    for (uint32_t rate : {48000u, 96000u, 768000u}) {
        const std::vector<float> input = test::NoiseBuffer(2 * 512, rate);
        kept.push_back(std::make_unique<Host>(2, rate));
        Host& host = *kept.back();
        host.plugin().Activate();
        gPageFaultsInRun = 0;
        std::thread([&] {
            TouchStack();
            for (uint32_t done = 0; done < rate; done += 512) {
                if (done >= rate / 2 && done < rate / 2 + 512) {
                    host.control(ParamId::PreDelay) = 100.0f;
                    host.control(ParamId::RoomSize) = 100.0f;
                    host.control(ParamId::EnableEq) = 0.0f;
                }
                if (done >= rate / 2 + 512) host.control(ParamId::EnableEq) = 1.0f;
                host.Run(input, {512});
            }
        }).join();
        measures.push_back(
            {rate, gPageFaultsInRun, ResidentBytesOf(&host.plugin(), sizeof(ReverbPlugin))});
    }
    return measures;
}

TEST(PluginCore, RunsWithoutPageFaultsAndKeepsOnlyWhatTheRateUsesResident) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer's shadow memory faults";
#endif
    int results[2];
    ASSERT_EQ(pipe(results), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::vector<RunMeasure> measures = MeasureFreshInstances();
        const size_t bytes = measures.size() * sizeof measures[0];
        _exit(write(results[1], measures.data(), bytes) == ssize_t(bytes) ? 0 : 1);
    }
    close(results[1]);
    RunMeasure measures[3] = {};
    const ssize_t got = read(results[0], measures, sizeof measures);
    close(results[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(got, ssize_t(sizeof measures));
    for (const RunMeasure& m : measures) {
        SCOPED_TRACE(testing::Message() << m.rate << " Hz");
        EXPECT_EQ(m.pageFaults, 0) << "page faults in a second of runs";
        // What the rate can use: 0.3 MB at 48 kHz, 4 MB at 768 kHz; all
        // the lines are 21.5 MB.
        EXPECT_GT(m.residentBytes, 0.0);
        EXPECT_LT(m.residentBytes, (m.rate > 96000 ? 5.0 : 1.0) * 1024 * 1024)
            << "bytes of the instance resident";
    }
}

// Switching "enabled" fades between the reverberated and the dry signal over
// a few milliseconds, sample by sample; the network runs on meanwhile, so
// switching back resumes the stream the engine would have produced anyway.
TEST(PluginCore, BypassFadesAndKeepsTheNetworkRunning) {
    for (uint32_t channels : {1u, 2u}) {
        SCOPED_TRACE(testing::Message() << channels << " channels");
        const uint32_t rate = 44100;
        const uint32_t frames = 30000, off = 8000, on = 18000;
        // A loud steady tone: wet and dry differ by a lot at every sample.
        std::vector<float> input(size_t(frames) * channels);
        for (size_t j = 0; j < frames; ++j)
            for (uint32_t ch = 0; ch < channels; ++ch)
                input[j * channels + ch] = 0.5f * float(std::sin(0.05 * double(j) + ch));
        Host host(channels, rate);
        host.plugin().Activate();
        const uint32_t fade = host.plugin().FadeFrames();
        EXPECT_GE(fade, rate * 2 / 1000) << "at least 2 ms";
        EXPECT_LE(fade, rate * 20 / 1000) << "at most 20 ms";

        std::vector<float> got = host.Run({input.begin(), input.begin() + off * channels}, {64});
        host.control(ParamId::Bypass) = 0.0f;  // enabled off
        auto more = host.Run({input.begin() + off * channels, input.begin() + on * channels}, {64});
        got.insert(got.end(), more.begin(), more.end());
        host.control(ParamId::Bypass) = 1.0f;
        more = host.Run({input.begin() + on * channels, input.end()}, {64});
        got.insert(got.end(), more.begin(), more.end());

        const std::vector<float> wet = EngineRendering(input, channels, rate, DefaultParams());
        // Before the switch and once the fade back has finished: the engine's
        // own bits, as though bypass had never been touched.
        ExpectSameBits(std::vector<float>(got.begin(), got.begin() + off * channels),
                       std::vector<float>(wet.begin(), wet.begin() + off * channels));
        ExpectSameBits(got, wet, size_t(on + fade) * channels);
        // Bypassed once faded out: the input's own bits.
        for (size_t k = size_t(off + fade) * channels; k < size_t(on) * channels; ++k)
            ASSERT_EQ(Bits(got[k]), Bits(input[k])) << "sample " << k;
        // Within each fade the output moves from one signal to the other by
        // a share that changes by 1/fade per frame: never a jump.
        for (uint32_t start : {off, on}) {
            for (uint32_t j = 0; j < fade; ++j) {
                for (uint32_t ch = 0; ch < channels; ++ch) {
                    const size_t k = size_t(start + j) * channels + ch;
                    const double share = double(j + 1) / fade;
                    const double wetShare = start == off ? 1.0 - share : share;
                    const double want = input[k] + (wet[k] - input[k]) * wetShare;
                    ASSERT_NEAR(got[k], want, 1e-5) << "frame " << start + j << " of a fade";
                }
            }
        }
    }
}

// Switched back before its fade has finished, the share turns where it is
// and moves back by the same step per frame: never a jump, and the engine's
// own bits once it is back.
TEST(PluginCore, BypassSwitchedBackMidFadeTurnsWhereItIs) {
    for (uint32_t channels : {1u, 2u}) {
        SCOPED_TRACE(testing::Message() << channels << " channels");
        const uint32_t frames = 12000, off = 4000;
        std::vector<float> input(size_t(frames) * channels);
        for (size_t j = 0; j < frames; ++j)
            for (uint32_t ch = 0; ch < channels; ++ch)
                input[j * channels + ch] = 0.5f * float(std::sin(0.05 * double(j) + ch));
        Host host(channels, 44100);
        host.plugin().Activate();
        const uint32_t fade = host.plugin().FadeFrames(), back = off + fade / 2;
        const auto part = [&](uint32_t from, uint32_t to) {
            return std::vector<float>(input.begin() + from * channels,
                                      input.begin() + to * channels);
        };
        std::vector<float> got = host.Run(part(0, off), {64});
        host.control(ParamId::Bypass) = 0.0f;
        std::vector<float> more = host.Run(part(off, back), {16});
        got.insert(got.end(), more.begin(), more.end());
        host.control(ParamId::Bypass) = 1.0f;
        more = host.Run(part(back, frames), {16});
        got.insert(got.end(), more.begin(), more.end());

        const std::vector<float> wet = EngineRendering(input, channels, 44100, DefaultParams());
        for (uint32_t j = off; j < off + 2 * (back - off); ++j) {
            const double share = j < back ? 1.0 - double(j - off + 1) / fade
                                          : 1.0 - double(2 * back - off - j - 1) / fade;
            for (uint32_t ch = 0; ch < channels; ++ch) {
                const size_t k = size_t(j) * channels + ch;
                ASSERT_NEAR(got[k], input[k] + (wet[k] - input[k]) * share, 1e-5) << "frame " << j;
            }
        }
        ExpectSameBits(got, wet, size_t(off + 2 * (back - off) + 2) * channels);
    }
}

// A host that starts bypassed hears the dry signal from the first frame.
TEST(PluginCore, StartsBypassedWithoutAFade) {
    const std::vector<float> input = test::NoiseBuffer(2 * 3000, 46);
    for (bool inverted : {true, false}) {
        SCOPED_TRACE(inverted ? "enabled port" : "bypass port");
        Host host(2, 44100, inverted);
        host.control(ParamId::Bypass) = inverted ? 0.0f : 1.0f;
        host.plugin().Activate();
        const std::vector<float> got = host.Run(input, {100});
        for (size_t k = 0; k < input.size(); ++k) ASSERT_EQ(Bits(got[k]), Bits(input[k])) << k;
    }
}

TEST(PluginCore, RefusesWhatItCannotRun) {
    EXPECT_EQ(ReverbPlugin::Create(0, 44100, true), nullptr);
    EXPECT_EQ(ReverbPlugin::Create(3, 44100, true), nullptr);
    EXPECT_EQ(ReverbPlugin::Create(2, 0, true), nullptr);
    // Rates the lines were not built for: the combs would all clamp to one length.
    EXPECT_NE(ReverbPlugin::Create(2, kMaxSampleRate, true), nullptr);
    EXPECT_EQ(ReverbPlugin::Create(2, kMaxSampleRate + 1, true), nullptr);
    EXPECT_EQ(ReverbPlugin::Create(1, 1000000, false), nullptr);
    EXPECT_EQ(ReverbPlugin::Create(1, 0xFFFFFFFFu, false), nullptr);
    // Unconnected audio ports: a run does nothing rather than crash; a port
    // number beyond the list is ignored.
    auto plugin = ReverbPlugin::Create(2, 44100, true);
    ASSERT_NE(plugin, nullptr);
    float sink[4] = {};
    plugin->Connect(PortCount(2), sink);
    plugin->Connect(1000, sink);
    plugin->Activate();
    plugin->Run(4);
    plugin->Run(0);
}

// A run of any length, up to the largest count LV2 allows, goes through in
// order in batches the scratch buffers hold, and ends.
TEST(PluginCore, RunsOfAnyLengthEnd) {
    for (uint32_t frameCount : {0u, 1u, 256u, 257u, 0xFFFFFF00u, 0xFFFFFF01u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(frameCount);
        uint64_t covered = 0;
        ReverbPlugin::ForEachBatch(frameCount, [&](uint32_t offset, uint32_t frames) {
            // A count that wraps comes back to an offset already covered.
            if (offset != covered || frames == 0 || frames > ReverbPlugin::kBatchFrames)
                throw std::runtime_error("batch at " + std::to_string(offset) + " of " +
                                         std::to_string(frames) + " frames after " +
                                         std::to_string(covered));
            covered += frames;
        });
        EXPECT_EQ(covered, frameCount);
    }
}

// Hostile control values: clamped to the range, NaN to its low end, and a
// stream that stays finite.
TEST(PluginCore, OutOfRangeControlsAreClamped) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        ParamId id;
        float port;
        float value;
    } cases[] = {
        {ParamId::PreDelay, 1e9f, 1.0f}, {ParamId::PreDelay, -5.0f, 0.0f},
        {ParamId::RoomSize, nan, 0.0f},  {ParamId::RoomSize, inf, 1.0f},
        {ParamId::LoEq, -100.0f, 0.0f},  {ParamId::HiEq, 7.0f, 1.0f},
        {ParamId::DryLevel, -inf, 0.0f}, {ParamId::LoEq, 0.0f, 0.5f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << Param(c.id).field << " = " << c.port);
        EXPECT_EQ(Bits(ValueFromPort(Param(c.id), c.port)), Bits(c.value));
    }
    EXPECT_EQ(SwitchFromPort(nan), 0);
    EXPECT_EQ(SwitchFromPort(0.49f), 0);
    EXPECT_EQ(SwitchFromPort(0.5f), 1);
    EXPECT_EQ(SwitchFromPort(inf), 1);

    Host host(2, 44100);
    host.control(ParamId::PreDelay) = nan;
    host.control(ParamId::RoomSize) = inf;
    host.control(ParamId::DryLevel) = -inf;
    host.control(ParamId::HiEq) = 1e30f;
    host.plugin().Activate();
    for (float s : host.Run(test::NoiseBuffer(2 * 20000, 47), {500})) ASSERT_TRUE(std::isfinite(s));
}

// Every default and every preset value has a port value that reaches it bit
// for bit, and a typed number reaches the float nearest its value.
TEST(PluginCore, PortValuesReachDefaultsAndPresetsExactly) {
    for (int i = 0; i < kControlCount; ++i) {
        const ParamInfo& param = Param(kPortOrder[i]);
        if (param.kind != ParamKind::Continuous) continue;
        SCOPED_TRACE(param.field);
        EXPECT_EQ(Bits(ValueFromPort(param, PortFromValue(param, param.defaultValue))),
                  Bits(param.defaultValue));
        for (const PresetRecord& preset : kFactoryPresets) {
            const float value = preset.params.*param.floatField;
            const float port = PortFromValue(param, value);
            EXPECT_EQ(Bits(ValueFromPort(param, port)), Bits(value)) << preset.name;
            // A short number a host can show: whole tenths of its unit.
            EXPECT_EQ(double(port) * 10.0, std::round(double(port) * 10.0)) << preset.name;
        }
    }
    // A number a host shows stands for the float nearest its exact value:
    // 20 % is 0.2f (the editor's single-precision scale gives the float
    // below, and reaches no 0.8f at all).
    const struct {
        ParamId id;
        float port;
        float value;
    } typed[] = {{ParamId::EarlyRef, 20.0f, 0.2f},   {ParamId::Damping, 30.0f, 0.3f},
                 {ParamId::RoomSize, 60.0f, 0.6f},   {ParamId::DryLevel, 80.0f, 0.8f},
                 {ParamId::PreDelay, 13.5f, 0.135f}, {ParamId::ReverbLevel, 100.0f, 1.0f},
                 {ParamId::LoEq, -3.0f, 0.25f},      {ParamId::HiEq, 2.0f, 8.0f / 12.0f}};
    for (const auto& t : typed)
        EXPECT_EQ(Bits(ValueFromPort(Param(t.id), t.port)), Bits(t.value))
            << Param(t.id).field << " = " << t.port;
}

}  // namespace
}  // namespace lumbrook
