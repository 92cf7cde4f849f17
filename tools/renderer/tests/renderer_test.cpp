// The native renderer: the same samples as the engine for presets and
// parameter sets, the tail, block-size independence, and bad input refused
// with an existing output left as it was.
#include <gtest/gtest.h>

#include "test_signals.h"
#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "factory_presets.h"
#include "render.h"
#include "reverb_engine.h"

namespace lumbrook {
namespace {

std::string Scratch(const std::string& name) {
    static const std::string folder = [] {
        char pattern[] = "/tmp/lumbrook-renderer-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return folder + "/" + name;
}

void WriteAudio(const std::string& path, const std::vector<float>& samples, int channels, int rate,
                int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_writef_float(file, samples.data(), sf_count_t(samples.size() / size_t(channels)));
    sf_close(file);
}

std::vector<float> ReadAudio(const std::string& path, int* channels = nullptr) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return {};
    std::vector<float> samples(size_t(info.frames) * size_t(info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    if (channels) *channels = info.channels;
    return samples;
}

// The file's major and sample format, or 0 when it cannot be read.
int FormatOf(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return 0;
    sf_close(file);
    return info.format;
}

std::vector<float> EngineRendering(std::vector<float> audio, uint32_t channels, uint32_t rate,
                                   ReverbParams params) {
    auto engine = std::make_unique<ReverbEngine>();
    engine->SetParams(params);
    if (params.bypass) engine->SetSwitch(ParamId::Bypass, params.bypass);
    engine->ResetStream(rate);
    engine->ProcessInPlace(audio.data(), int32_t(audio.size() / channels), {channels, rate});
    if (params.extendTail) {
        std::vector<float> tail(size_t(channels) * 10 * rate);
        int32_t done;
        engine->ProcessTail(tail.data(), int32_t(10 * rate), {channels, rate}, &done);
        audio.insert(audio.end(), tail.begin(), tail.end());
    }
    return audio;
}

void ExpectSameBits(const std::vector<float>& a, const std::vector<float>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(std::memcmp(&a[i], &b[i], 4), 0) << "sample " << i;
}

TEST(Renderer, PresetsAndParameterSetsEqualTheEngine) {
    const std::vector<float> stereo = test::NoiseBuffer(2 * 24000, 1);
    const std::vector<float> mono = test::NoiseBuffer(18000, 2);
    WriteAudio(Scratch("stereo.wav"), stereo, 2, 44100);
    WriteAudio(Scratch("mono.flac"), mono, 1, 32000, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    const std::vector<float> monoAsRead = ReadAudio(Scratch("mono.flac"));
    ReverbParams custom = {0.25f, 0.8f, 0.3f, 0.5f, 0.6f, 0.7f, 0.9f, 0.2f, 0, 1, 0};
    const struct {
        const char* what;
        ReverbParams params;
    } cases[] = {{"preset 0", kFactoryPresets[0].params},
                 {"preset 13", kFactoryPresets[13].params},
                 {"custom with EQ", custom}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RenderJob job;
        job.params = c.params;
        job.inputPath = Scratch("stereo.wav");
        job.outputPath = Scratch("out.wav");
        ASSERT_TRUE(Render(job).ok);
        ExpectSameBits(ReadAudio(job.outputPath), EngineRendering(stereo, 2, 44100, c.params));
        job.inputPath = Scratch("mono.flac");
        job.outputPath = Scratch("out-mono.wav");
        ASSERT_TRUE(Render(job).ok);
        int channels = 0;
        ExpectSameBits(ReadAudio(job.outputPath, &channels), EngineRendering(monoAsRead, 1, 32000, c.params));
        EXPECT_EQ(channels, 1);
    }
}

TEST(Renderer, TailAddsTenSecondsWhateverTheBlockSize) {
    const std::vector<float> input = test::NoiseBuffer(2 * 5000, 3);
    WriteAudio(Scratch("short.wav"), input, 2, 8000);
    ReverbParams params = kFactoryPresets[9].params;
    params.extendTail = 1;
    const std::vector<float> expected = EngineRendering(input, 2, 8000, params);
    for (int32_t block : {4096, 1, 77, 80000}) {
        SCOPED_TRACE(block);
        RenderJob job;
        job.params = kFactoryPresets[9].params;
        job.tail = true;
        job.blockFrames = block;
        job.inputPath = Scratch("short.wav");
        job.outputPath = Scratch("short-wet.wav");
        const RenderResult result = Render(job);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.inputFrames, 5000);
        EXPECT_EQ(result.tailFrames, 80000);
        ExpectSameBits(ReadAudio(job.outputPath), expected);
    }
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(Renderer, BadInputIsRefusedAndTheOutputStays) {
    std::ofstream(Scratch("text.wav")) << "not audio at all";
    WriteAudio(Scratch("three.wav"), test::NoiseBuffer(3 * 100, 4), 3, 44100);
    WriteAudio(Scratch("good.wav"), test::NoiseBuffer(2 * 100, 5), 2, 44100);
    const struct {
        const char* what;
        std::string input;
        std::string message;
    } cases[] = {
        {"missing", Scratch("missing.wav"), "cannot read"},
        {"not audio", Scratch("text.wav"), "WAV, AIFF and FLAC are supported"},
        {"3 channels", Scratch("three.wav"), "only mono and stereo are supported"},
        {"output is the input", Scratch("keep.wav"), "overwrite the input"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(Scratch("keep.wav"), std::ios::binary) << "earlier work";
        RenderJob job;
        job.params = DefaultParams();
        job.inputPath = c.input;
        job.outputPath = Scratch("keep.wav");
        const RenderResult result = Render(job);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find(c.message), std::string::npos) << result.error;
        EXPECT_EQ(Contents(Scratch("keep.wav")), "earlier work");
    }
    // An output folder that does not exist: refused, nothing left behind.
    RenderJob job;
    job.params = DefaultParams();
    job.inputPath = Scratch("good.wav");
    job.outputPath = Scratch("no-such-folder/out.wav");
    EXPECT_FALSE(Render(job).ok);
}

// The command line: exit codes for people and scripts.
TEST(Renderer, CommandLineExitCodes) {
    const std::string tool = LUMBROOK_RENDERER_PATH;
    auto run = [&](const std::string& arguments) {
        const int status = std::system((tool + " " + arguments + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    WriteAudio(Scratch("cli.wav"), test::NoiseBuffer(2 * 1000, 6), 2, 44100);
    EXPECT_EQ(run("--help"), 0);
    EXPECT_EQ(run("--list-presets"), 0);
    EXPECT_EQ(run(Scratch("cli.wav") + " " + Scratch("cli-wet.wav") + " --preset 3 --set preDelay=35ms"), 0);
    EXPECT_EQ(FormatOf(Scratch("cli-wet.wav")), SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    const struct {
        const char* option;
        int format;
    } formats[] = {{"16", SF_FORMAT_PCM_16}, {"24", SF_FORMAT_PCM_24}, {"float", SF_FORMAT_FLOAT}};
    for (const auto& f : formats) {
        EXPECT_EQ(run(Scratch("cli.wav") + " " + Scratch("cli-wet.wav") + " --quiet --format " + f.option), 0);
        EXPECT_EQ(FormatOf(Scratch("cli-wet.wav")), SF_FORMAT_WAV | f.format) << f.option;
    }
    EXPECT_EQ(run("--info --preset 9 --save-params " + Scratch("hall.params")), 0);
    EXPECT_EQ(Contents(Scratch("hall.params")).size(), 44u);
    EXPECT_EQ(run(Scratch("cli.wav") + " " + Scratch("cli-wet2.wav") + " --params " + Scratch("hall.params")), 0);
    EXPECT_EQ(run(Scratch("cli.wav")), 2);
    EXPECT_EQ(run(Scratch("cli.wav") + " out.wav --preset 99"), 2);
    EXPECT_EQ(run(Scratch("cli.wav") + " out.wav --set loEq=9dB"), 2);
    EXPECT_EQ(run(Scratch("cli.wav") + " out.wav --frobnicate"), 2);
    EXPECT_EQ(run(Scratch("missing.wav") + " " + Scratch("cli-wet.wav")), 1);
    EXPECT_EQ(run(Scratch("cli.wav") + " out.wav --params " + Scratch("cli.wav")), 1);  // not 44 bytes
}

}  // namespace
}  // namespace lumbrook
