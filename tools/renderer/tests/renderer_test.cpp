// The native renderer: the same samples as the engine for presets and
// parameter sets, the tail, block-size independence, and bad input refused
// with an existing output left as it was.
#include <gtest/gtest.h>

#include "engine_rendering.h"
#include "raw_wav.h"
#include "test_signals.h"
#include <dirent.h>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "factory_presets.h"
#include "render.h"
#include "wav_header.h"

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

void ExpectSameBits(const std::vector<float>& a, const std::vector<float>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(std::memcmp(&a[i], &b[i], 4), 0) << "sample " << i;
}

TEST(Renderer, PresetsAndParameterSetsEqualTheEngine) {
    const std::vector<float> stereo = test::NoiseBuffer(2 * 24000, 1);
    const std::vector<float> mono = test::NoiseBuffer(18000, 2);
    WriteAudio(Scratch("stereo.wav"), stereo, 2, 44100);
    WriteAudio(Scratch("mono.flac"), mono, 1, 32000, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    const std::vector<float> monoAsRead = ReadAudio(Scratch("mono.flac"));
    ReverbParams custom = {0.25f, 0.8f, 0.3f, 0.5f, 0.6f, 0.7f, 0.9f, 0.2f, 0, 1, 0};
    ReverbParams bypassBlock = kFactoryPresets[9].params;
    bypassBlock.bypass = 1;
    const struct {
        const char* what;
        ReverbParams params;
        int32_t bypassSwitch;
    } cases[] = {{"preset 0", kFactoryPresets[0].params, -1},
                 {"preset 13", kFactoryPresets[13].params, -1},
                 {"custom with EQ", custom, -1},
                 {"a block with bypass set reverberates", bypassBlock, -1},
                 {"the bypass switch", kFactoryPresets[9].params, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RenderJob job;
        job.params = c.params;
        job.bypassSwitch = c.bypassSwitch;
        job.inputPath = Scratch("stereo.wav");
        job.outputPath = Scratch("out.wav");
        ASSERT_TRUE(Render(job).ok);
        ExpectSameBits(ReadAudio(job.outputPath),
                       test::EngineRendering(stereo, 2, 44100, c.params, c.bypassSwitch));
        job.inputPath = Scratch("mono.flac");
        job.outputPath = Scratch("out-mono.wav");
        ASSERT_TRUE(Render(job).ok);
        int channels = 0;
        ExpectSameBits(ReadAudio(job.outputPath, &channels),
                       test::EngineRendering(monoAsRead, 1, 32000, c.params, c.bypassSwitch));
        EXPECT_EQ(channels, 1);
    }
}

TEST(Renderer, TailAddsTenSecondsWhateverTheBlockSize) {
    const std::vector<float> input = test::NoiseBuffer(2 * 5000, 3);
    WriteAudio(Scratch("short.wav"), input, 2, 8000);
    ReverbParams params = kFactoryPresets[9].params;
    params.extendTail = 1;
    const std::vector<float> expected = test::EngineRendering(input, 2, 8000, params);
    for (int32_t block : {4096, 1, 77, 80000}) {
        SCOPED_TRACE(block);
        RenderJob job;
        job.params = kFactoryPresets[9].params;
        job.tail = true;
        job.bufferFrames = block;
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

std::string FloatBytes(const std::vector<float>& samples) {
    return std::string(reinterpret_cast<const char*>(samples.data()), samples.size() * 4);
}

// What is in a folder, sorted: a temporary file left there means loss.
std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.push_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Tool() {
    return LUMBROOK_RENDERER_PATH;
}

// Runs the renderer through the shell; its exit code, and what it said on
// standard error when asked. `feed` comes first on the command line: a pipe
// into it ("cat in.wav | "), or a writer started for a FIFO; `after` follows
// it (and ends with its exit code). Its standard output goes to ToolOutput().
// A render that hangs is ended after half a minute (exit 124), so that a
// stage left waiting fails the test instead of the run.
std::string ToolOutput() {
    return Scratch("tool.out");
}

int RunTool(const std::string& arguments, std::string* said = nullptr, const std::string& feed = "",
            const std::string& after = "") {
    const std::string log = Scratch("tool.log");
    const int status = std::system((feed + "timeout 30 " + Tool() + " " + arguments + " >" +
                                    ToolOutput() + " 2>" + log + after)
                                       .c_str());
    if (said) *said = Contents(log);
    return WIFEXITED(status)     ? WEXITSTATUS(status)
           : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                 : -1;
}

TEST(Renderer, BadInputIsRefusedAndTheOutputStays) {
    const std::string cases_dir = Scratch("bad");
    mkdir(cases_dir.c_str(), 0755);
    auto at = [&](const std::string& name) { return cases_dir + "/" + name; };
    std::ofstream(at("text.wav")) << "not audio at all";
    WriteAudio(at("three.wav"), test::NoiseBuffer(3 * 100, 4), 3, 44100);
    WriteAudio(at("good.wav"), test::NoiseBuffer(2 * 100, 5), 2, 44100);
    // 40 KB that would ask ten seconds of tail at 2^31 - 1 Hz: 171 GB.
    test::WriteRawWav(at("huge-rate.wav"), 1, 16, 2, 2147483647u, std::string(40000, '\0'));
    test::WriteRawWav(at("rate-2^31.wav"), 1, 16, 2, 2147483648u, std::string(400, '\0'));
    test::WriteRawWav(at("high-rate.wav"), 1, 16, 2, 768001, std::string(400, '\0'));
    mkdir(at("folder").c_str(), 0755);
    const struct {
        const char* what;
        std::string input, output;
        std::string message;
    } cases[] = {
        {"missing", at("missing.wav"), at("keep.wav"), "it does not exist"},
        {"a directory as input", at("folder"), at("keep.wav"),
         "'" + at("folder") + "' is a directory"},
        {"not audio", at("text.wav"), at("keep.wav"), "WAV, AIFF and FLAC are supported"},
        {"3 channels", at("three.wav"), at("keep.wav"), "only mono and stereo are supported"},
        {"rate 2^31 - 1", at("huge-rate.wav"), at("keep.wav"),
         "sample rate of 2147483647 Hz; the rates rendered are 1 to 768000 Hz"},
        {"rate 2^31", at("rate-2^31.wav"), at("keep.wav"), "sample rate of 2147483648 Hz"},
        {"rate 768001", at("high-rate.wav"), at("keep.wav"), "sample rate of 768001 Hz"},
        {"output is the input", at("keep.wav"), at("keep.wav"), "overwrite the input"},
        {"output is a directory", at("good.wav"), at("folder"),
         "'" + at("folder") + "' is a directory"},
        {"output folder missing", at("good.wav"), at("none/out.wav"), "does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(at("keep.wav"), std::ios::binary) << "earlier work";
        const std::vector<std::string> before = FolderEntries(cases_dir);
        RenderJob job;
        job.params = DefaultParams();
        job.inputPath = c.input;
        job.outputPath = c.output;
        const RenderResult result = Render(job);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find(c.message), std::string::npos) << result.error;
        EXPECT_EQ(Contents(at("keep.wav")), "earlier work");
        EXPECT_EQ(FolderEntries(cases_dir), before);
    }
}

// A long render to interrupt: half an hour of sparse silence, rendered a
// frame at a time.
constexpr uint32_t kLongInputFrames = 44100 * 1800;

std::string LongInput(const std::string& name) {
    const std::string path = Scratch(name);
    test::WriteRawWav(path, 1, 16, 2, 44100, "", kLongInputFrames * 4);
    EXPECT_EQ(truncate(path.c_str(), off_t(44 + uint64_t(kLongInputFrames) * 4)), 0);
    return path;
}

// Starts the renderer with these arguments, its standard error into `log`;
// WaitTool gives its exit code, or 128 + the signal that ended it.
pid_t StartTool(const std::vector<std::string>& arguments, const std::string& log) {
    std::vector<char*> argv = {const_cast<char*>("lumbrook-reverb")};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const std::string tool = Tool();
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd >= 0) dup2(fd, STDERR_FILENO);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    return child;
}

int WaitTool(pid_t child) {
    int status = 0;
    if (waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status)     ? WEXITSTATUS(status)
           : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                 : -1;
}

// Waits until the folder holds `count` entries (a temporary file beside the
// output: the render is under way); false after six seconds.
bool WaitForEntries(const std::string& folder, size_t count) {
    for (int i = 0; i < 300; ++i) {
        if (FolderEntries(folder).size() == count) return true;
        usleep(20000);
    }
    return false;
}

// One rule with reverb-host: what is there is rendered, with both counts.
TEST(Renderer, DataEndingEarlyAndNonFiniteSamplesAreRenderedWithAWarning) {
    std::vector<float> input = test::NoiseBuffer(2 * 100, 5);
    test::WriteRawWav(Scratch("ends-early.wav"), 3, 32, 2, 44100, FloatBytes(input),
                      2 * 4 * 100000);
    RenderJob job;
    job.params = kFactoryPresets[2].params;
    job.inputPath = Scratch("ends-early.wav");
    job.outputPath = Scratch("ends-early-wet.wav");
    RenderResult result = Render(job);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.inputFrames, 100);
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_EQ(result.warnings[0],
              "warning: '" + job.inputPath +
                  "' ends early: rendered the 100 frames it holds of the 100000 its "
                  "header announces");
    ExpectSameBits(ReadAudio(job.outputPath), test::EngineRendering(input, 2, 44100, job.params));

    // The same rule whatever the format and however the input arrives: the
    // header's own count, read before the data. A cut AIFF, W64 or RF64 file
    // (libsndfile counts only what is left), a WAV file through a pipe or a
    // FIFO (counted as they arrive), a header that leaves its length open.
    const std::vector<float> thousand = test::NoiseBuffer(2 * 1000, 6);
    const std::vector<float> first600(thousand.begin(), thousand.begin() + 2 * 600);
    const std::string fifo = Scratch("ends-early.fifo"), stdinLink = Scratch("stdin-link");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_EQ(symlink("/proc/self/fd/0", stdinLink.c_str()), 0);  // the pipe into the renderer
    for (const auto& format : {std::make_pair("aiff", SF_FORMAT_AIFF),
                               {"w64", SF_FORMAT_W64},
                               {"rf64", SF_FORMAT_RF64}}) {
        const std::string cut = Scratch(std::string("cut.") + format.first);
        WriteAudio(cut, thousand, 2, 44100, format.second | SF_FORMAT_FLOAT);
        ASSERT_EQ(truncate(cut.c_str(), off_t(Contents(cut).size() - 400 * 8)), 0);
    }
    test::WriteRawWav(Scratch("cut.wav"), 3, 32, 2, 44100, FloatBytes(first600), 2 * 4 * 1000);
    test::WriteRawWav(Scratch("open.wav"), 3, 32, 2, 44100, FloatBytes(first600), 0xFFFFFFFF);
    const std::string out = Scratch("ends-early-out.wav");
    const struct {
        const char* what;
        std::string input, feed;
        int64_t announced;
    } inputs[] = {
        {"AIFF file", Scratch("cut.aiff"), "", 1000},
        {"W64 file", Scratch("cut.w64"), "", 1000},
        {"RF64 file", Scratch("cut.rf64"), "", 1000},
        {"WAV through a pipe", stdinLink, "cat " + Scratch("cut.wav") + " | ", 1000},
        {"WAV through a FIFO", fifo, "cat " + Scratch("cut.wav") + " >" + fifo + " & ", 1000},
        {"W64 through a pipe", stdinLink, "cat " + Scratch("cut.w64") + " | ", 1000},
        {"length left open", stdinLink, "cat " + Scratch("open.wav") + " | ", -1},
    };
    for (const auto& c : inputs) {
        SCOPED_TRACE(c.what);
        std::string said;
        ASSERT_EQ(RunTool(c.input + " " + out + " --preset 2", &said, c.feed), 0) << said;
        EXPECT_EQ(said, c.announced < 0 ? ""
                                        : "lumbrook-reverb: warning: '" + c.input +
                                              "' ends early: rendered the 600 frames it holds of "
                                              "the 1000 its header announces\n");
        ExpectSameBits(ReadAudio(out), test::EngineRendering(first600, 2, 44100, job.params));
    }
    // Into standard output, whose header has gone out first: the input is to blame.
    std::string said;
    EXPECT_EQ(RunTool(stdinLink + " - --preset 2", &said, "cat " + Scratch("cut.wav") + " | "), 1);
    EXPECT_EQ(said,
              "lumbrook-reverb: '" + stdinLink +
                  "' ends early: rendered the 600 frames it holds of the "
                  "1000 its header announces; the header sent to '-' had announced them all\n");
    // A file cut to 20 bytes while it is read: the count it announced when
    // opened, whatever is left of it afterwards.
    const std::string cutWhileRead = LongInput("cut-while-read.wav"), folder = Scratch("cutting");
    mkdir(folder.c_str(), 0755);
    const pid_t child =
        StartTool({cutWhileRead, folder + "/out.wav", "--block", "1"}, Scratch("cutting.log"));
    ASSERT_GT(child, 0);
    EXPECT_TRUE(WaitForEntries(folder, 1)) << "no temporary file appeared";
    ASSERT_EQ(truncate(cutWhileRead.c_str(), 20), 0);
    EXPECT_EQ(WaitTool(child), 0);
    said = Contents(Scratch("cutting.log"));
    EXPECT_EQ(
        said.rfind("lumbrook-reverb: warning: '" + cutWhileRead + "' ends early: rendered the ", 0),
        0u)
        << said;
    EXPECT_NE(said.find(" frames it holds of the " + std::to_string(kLongInputFrames) +
                        " its header announces\n"),
              std::string::npos)
        << said;
    unlink(cutWhileRead.c_str());

    const float nan = std::nanf(""), inf = INFINITY;
    input[3] = nan;
    input[50] = inf;
    input[51] = -inf;
    test::WriteRawWav(Scratch("non-finite.wav"), 3, 32, 2, 44100, FloatBytes(input));
    job.inputPath = Scratch("non-finite.wav");
    for (int32_t block : {1, 4096}) {
        SCOPED_TRACE(block);
        job.bufferFrames = block;
        result = Render(job);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.nonFiniteSamples, 3);
        ASSERT_EQ(result.warnings.size(), 1u);
        EXPECT_EQ(result.warnings[0],
                  "warning: '" + job.inputPath + "' holds 3 non-finite samples (NaN or infinity)");
    }
    EXPECT_EQ(RunTool("--help", &said), 0);
    EXPECT_NE(Contents(ToolOutput())
                  .find("rendered as far as it goes, with a warning giving both frame counts"),
              std::string::npos);
}

// The header written before streamed samples: plain RIFF up to its 32-bit
// sizes, RF64 past them, exact at the edge.
TEST(Renderer, StreamHeaderTurnsRF64PastTheRiffLimit) {
    const uint64_t lastFit = 0xFFFFFFFFull - 38 - 1;  // even: no pad byte
    EXPECT_TRUE(FitsRiff(lastFit));
    EXPECT_FALSE(FitsRiff(lastFit + 2));
    EXPECT_FALSE(FitsRiff(lastFit + 1));  // odd: its pad byte no longer fits
    const struct {
        const char* what;
        uint64_t dataBytes;
        const char* magic;
        size_t headerBytes;
    } cases[] = {{"empty", 0, "RIFF", 46},
                 {"last that fits", lastFit, "RIFF", 46},
                 {"first that does not", lastFit + 2, "RF64", 82},
                 {"8 GiB", 8ull << 30, "RF64", 82}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string header = WavHeader(kWavFloat, 32, 2, 48000, c.dataBytes);
        EXPECT_EQ(header.substr(0, 4), c.magic);
        ASSERT_EQ(header.size(), c.headerBytes);
        uint32_t riffSize, dataSize;
        std::memcpy(&riffSize, &header[4], 4);
        std::memcpy(&dataSize, &header[header.size() - 4], 4);
        if (header.substr(0, 4) == "RIFF") {
            EXPECT_EQ(riffSize, c.dataBytes + 38);
            EXPECT_EQ(dataSize, c.dataBytes);
            continue;
        }
        EXPECT_EQ(riffSize, 0xFFFFFFFFu);
        EXPECT_EQ(dataSize, 0xFFFFFFFFu);
        uint64_t ds64[3];
        std::memcpy(ds64, &header[20], sizeof ds64);
        EXPECT_EQ(ds64[0], c.dataBytes + 74);
        EXPECT_EQ(ds64[1], c.dataBytes);
        EXPECT_EQ(ds64[2], c.dataBytes / 8);
        // libsndfile reads the sizes from it (the samples sparse on disk).
        const std::string path = Scratch("big.rf64");
        std::ofstream(path, std::ios::binary) << header;
        ASSERT_EQ(truncate(path.c_str(), off_t(header.size() + c.dataBytes)), 0);
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        EXPECT_EQ(info.frames, sf_count_t(c.dataBytes / 8));
        EXPECT_EQ(info.samplerate, 48000);
        sf_close(file);
        unlink(path.c_str());
    }
}

// Devices, FIFOs and standard output are written straight and stay what they
// are; a symlink keeps pointing at its target; permission bits stay.
TEST(Renderer, OutputsThatAreNotRegularFilesStayWhatTheyAre) {
    const std::vector<float> input = test::NoiseBuffer(2 * 3000, 7);
    const std::string in = Scratch("kinds.wav");
    WriteAudio(in, input, 2, 22050);
    ReverbParams params = kFactoryPresets[4].params;
    params.extendTail = 1;
    const std::vector<float> expected = test::EngineRendering(input, 2, 22050, params);
    const std::string folder = Scratch("kinds");
    mkdir(folder.c_str(), 0755);

    // A null device of our own: the render goes nowhere, the node stays.
    const std::string device = folder + "/null";
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_EQ(RunTool(in + " " + device + " --preset 4 --tail"), 0);
        struct stat st;
        ASSERT_EQ(stat(device.c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
        unlink(device.c_str());
    } else {
        ADD_FAILURE() << "mknod is not allowed here; the device case did not run";
    }

    // A FIFO and standard output, as "-" or through a link to the process's
    // descriptor, into a pipe or a file: a whole WAV file arrives.
    const std::string fifo = folder + "/fifo", fromFifo = Scratch("from-fifo.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::string stdoutLink = Scratch("stdout-link");
    ASSERT_EQ(symlink("/proc/self/fd/1", stdoutLink.c_str()), 0);
    const struct {
        const char* what;
        std::string command;
        std::string result;
    } streams[] = {
        {"FIFO",
         "timeout 30 cat " + fifo + " >" + fromFifo + " & " + Tool() + " " + in + " " + fifo +
             " --preset 4 --tail; s=$?; wait; exit $s",
         fromFifo},
        {"standard output",
         Tool() + " " + in + " - --preset 4 --tail | cat >" + Scratch("from-pipe.wav"),
         Scratch("from-pipe.wav")},
        {"descriptor link into a pipe",
         Tool() + " " + in + " " + stdoutLink + " --preset 4 --tail | cat >" +
             Scratch("from-link.wav"),
         Scratch("from-link.wav")},
        {"descriptor link into a file",
         Tool() + " " + in + " " + stdoutLink + " --preset 4 --tail >" + Scratch("into-file.wav"),
         Scratch("into-file.wav")},
    };
    for (const auto& c : streams) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(std::system(c.command.c_str()), 0);
        ExpectSameBits(ReadAudio(c.result), expected);
        EXPECT_EQ(Contents(c.result).substr(0, 4), "RIFF");
    }
    struct stat st;
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A symlink to an existing file with its own permissions.
    const std::string target = folder + "/target.wav", link = folder + "/link.wav";
    std::ofstream(target) << "earlier work";
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(symlink("target.wav", link.c_str()), 0);
    EXPECT_EQ(RunTool(in + " " + link + " --preset 4 --tail"), 0);
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ExpectSameBits(ReadAudio(target), expected);
    EXPECT_EQ(Contents(target).substr(0, 4), "RIFF");
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"fifo", "link.wav", "target.wav"}));
}

TEST(Renderer, InterruptsRemoveTheTemporaryFileAndKeepTheOutput) {
    const std::string in = LongInput("long.wav"), folder = Scratch("interrupted");
    mkdir(folder.c_str(), 0755);
    const std::string out = folder + "/out.wav", log = Scratch("interrupted.log");
    const struct {
        int signal;
        int exit;
    } cases[] = {{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}};
    for (const auto& c : cases) {
        SCOPED_TRACE(strsignal(c.signal));
        std::ofstream(out) << "earlier work";
        const pid_t child = StartTool({in, out, "--block", "1", "--quiet"}, log);
        ASSERT_GT(child, 0);
        EXPECT_TRUE(WaitForEntries(folder, 2)) << "no temporary file appeared";
        kill(child, c.signal);
        EXPECT_EQ(WaitTool(child), c.exit);
        EXPECT_EQ(Contents(out), "earlier work");
        EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"out.wav"});
    }
    unlink(in.c_str());

    // Interrupts at random moments of a short render, from before the
    // temporary file exists to after the rename: the old output or the whole
    // new one is there, and nothing else.
    const std::string shortIn = Scratch("interrupt-me.wav"), whole = Scratch("whole.wav");
    WriteAudio(shortIn, test::NoiseBuffer(2 * 44100, 12), 2, 44100);
    double renderMicroseconds = 0.0;  // the slower of two
    for (int i = 0; i < 2; ++i) {
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(WaitTool(StartTool({shortIn, whole, "--tail"}, log)), 0);
        renderMicroseconds = std::max(renderMicroseconds,
                                      double(std::chrono::duration_cast<std::chrono::microseconds>(
                                                 std::chrono::steady_clock::now() - start)
                                                 .count()));
    }
    // The samples and the size: the header's peak chunk holds the time of writing.
    const std::vector<float> wholeAudio = ReadAudio(whole);
    const size_t wholeSize = Contents(whole).size();
    const auto isWhole = [&](const std::string& path) {
        return Contents(path).size() == wholeSize && ReadAudio(path) == wholeAudio;
    };
    std::mt19937 random(20240);
    std::uniform_real_distribution<double> moment(0.0, 2.0 * renderMicroseconds);
    int interrupted = 0, finished = 0;
    for (int i = 0; i < 40; ++i) {
        const int signal = cases[i % 3].signal;
        const useconds_t delay = useconds_t(moment(random));
        SCOPED_TRACE(testing::Message() << strsignal(signal) << " after " << delay << " us");
        std::ofstream(out) << "earlier work";
        const pid_t child = StartTool({shortIn, out, "--tail"}, log);
        ASSERT_GT(child, 0);
        usleep(delay);
        kill(child, signal);
        const int code = WaitTool(child);
        const bool old = Contents(out) == "earlier work", complete = isWhole(out);
        EXPECT_TRUE(code == 0 || code == 128 + signal) << code;
        EXPECT_TRUE(old || complete) << Contents(out).size() << " bytes";
        EXPECT_TRUE(code != 0 || complete);
        EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"out.wav"});
        (complete ? finished : interrupted) += 1;
    }
    // Some moments fall before the end (most after it, on a slow machine).
    EXPECT_GT(interrupted, 0) << finished << " renders finished";
}

// A read error part-way through: the reading stops, so do the engine and the
// writer; the error is said once and nothing is written.
TEST(Renderer, DamagedInputStopsEveryStageAndKeepsTheOutput) {
    const std::string in = Scratch("damaged.flac"), folder = Scratch("damaged");
    mkdir(folder.c_str(), 0755);
    WriteAudio(in, test::NoiseBuffer(2 * 44100 * 5, 9), 2, 44100,
               SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    std::string bytes = Contents(in);
    ASSERT_GT(bytes.size(), 100000u);
    std::fill(bytes.begin() + bytes.size() / 2, bytes.begin() + bytes.size() / 2 + 4000, '\xFF');
    std::ofstream(in, std::ios::binary) << bytes;
    const std::string out = folder + "/out.wav";
    // Reads in chunks that end at the damage and chunks that straddle it.
    for (const char* options :
         {"", " --tail", " --block 1 --tail", " --buffer 1000", " --block 26624"}) {
        SCOPED_TRACE(options);
        std::ofstream(out) << "earlier work";
        std::string said;
        EXPECT_EQ(RunTool(in + " " + out + options, &said), 1);
        EXPECT_EQ(said, "lumbrook-reverb: '" + in + "' is damaged or truncated\n");
        EXPECT_EQ(Contents(out), "earlier work");
        EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"out.wav"});
    }
}

// A full disk: a 1 MiB tmpfs (needs root). The render fails with the
// reason, the earlier output stays, no temporary file is left, whether the
// disk fills during the samples or during the tail.
TEST(Renderer, FullDiskFailsAndKeepsTheOutput) {
    const std::string mountPoint = Scratch("full");
    mkdir(mountPoint.c_str(), 0755);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "mounting a 1 MiB tmpfs is not allowed here: " << std::strerror(errno);
    const std::string in = Scratch("three-seconds.wav"), out = mountPoint + "/out.wav";
    WriteAudio(in, test::NoiseBuffer(2 * 44100 * 3, 8), 2, 44100);
    std::ofstream(out) << "earlier work";
    const struct {
        const char* what;
        std::string arguments;
    } cases[] = {{"samples", in + " " + out},
                 {"tail", in + " " + out + " --format 16 --tail"},
                 {"one-frame blocks", in + " " + out + " --block 1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string said;
        // The writer's failure stops the reader and the engine; said once.
        EXPECT_EQ(RunTool(c.arguments, &said), 1);
        EXPECT_EQ(said, "lumbrook-reverb: writing '" + out + "' failed; nothing was replaced\n");
        EXPECT_EQ(Contents(out), "earlier work");
        EXPECT_EQ(FolderEntries(mountPoint), std::vector<std::string>{"out.wav"});
    }
    // A FIFO that sends a chunk and a half, then nothing, and stays open, into
    // a disk that cannot take the first chunk: the failure ends the run at
    // once all the same, the reader still waiting for the rest (a run that
    // waits for it ends after 30 s with 124).
    const std::string fifo = Scratch("stalled.fifo"), stalled = Scratch("stalled.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    test::WriteRawWav(stalled, 3, 32, 2, 44100, FloatBytes(test::NoiseBuffer(2 * 24000, 8)),
                      2 * 4 * 44100 * 10);
    std::ofstream(mountPoint + "/filler", std::ios::binary) << std::string(960 * 1024, 'x');
    std::string said;
    EXPECT_EQ(RunTool(fifo + " " + out, &said,
                      "( cat " + stalled + "; exec sleep 60 ) >" + fifo + " 2>" +
                          Scratch("stall.log") + " & stall=$!; ",
                      "; s=$?; kill $stall; exit $s"),
              1);
    EXPECT_EQ(said, "lumbrook-reverb: writing '" + out + "' failed; nothing was replaced\n");
    EXPECT_EQ(Contents(out), "earlier work");
    EXPECT_EQ(FolderEntries(mountPoint), (std::vector<std::string>{"filler", "out.wav"}));
    umount(mountPoint.c_str());
}

// The command line: exit codes for people and scripts; every path is
// checked before anything is written.
TEST(Renderer, CommandLineExitCodes) {
    WriteAudio(Scratch("cli.wav"), test::NoiseBuffer(2 * 1000, 6), 2, 44100);
    const std::string cli = Scratch("cli.wav"), wet = Scratch("cli-wet.wav"),
                      params = Scratch("cli.params");
    const std::string cliBytes = Contents(cli);
    const struct {
        const char* what;
        std::string arguments;
        int exit;
    } cases[] = {
        {"help", "--help", 0},
        {"presets", "--list-presets", 0},
        {"render", cli + " " + wet + " --preset 3 --set preDelay=35ms", 0},
        {"16-bit", cli + " " + wet + " --format 16 --quiet", 0},
        {"info and block", "--info --preset 9 --save-params " + params, 0},
        {"block in", cli + " " + Scratch("cli-wet2.wav") + " --params " + params, 0},
        {"no output", cli, 2},
        {"unknown preset", cli + " out.wav --preset 99", 2},
        {"empty preset", cli + " out.wav --preset ''", 2},
        {"setting out of range", cli + " out.wav --set loEq=9dB", 2},
        {"unknown option", cli + " out.wav --frobnicate", 2},
        {"block 2^32 + 1", cli + " " + wet + " --block 4294967297", 2},
        {"block 10abc", cli + " " + wet + " --block 10abc", 2},
        {"block 0", cli + " " + wet + " --block 0", 2},
        {"missing input", Scratch("missing.wav") + " " + wet, 1},
        {"block file not 44 bytes", cli + " out.wav --params " + cli, 1},
        {"block over the input", cli + " " + wet + " --save-params " + cli, 1},
        {"block over the output", cli + " " + wet + " --save-params " + wet, 1},
        {"block into a directory", "--save-params " + Scratch(""), 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RunTool(c.arguments), c.exit) << c.what;
        EXPECT_EQ(Contents(cli), cliBytes) << c.what;
    }
    EXPECT_EQ(Contents(params).size(), 44u);
    // A render that cannot start writes no block either.
    const std::string unwritten = Scratch("unwritten.params");
    EXPECT_EQ(RunTool(Scratch("missing.wav") + " " + wet + " --save-params " + unwritten), 1);
    EXPECT_EQ(access(unwritten.c_str(), F_OK), -1);
    // The output's sample format follows --format; float by default.
    const struct {
        const char* option;
        int format;
    } formats[] = {{"", SF_FORMAT_FLOAT},
                   {" --format 16", SF_FORMAT_PCM_16},
                   {" --format 24", SF_FORMAT_PCM_24},
                   {" --format float", SF_FORMAT_FLOAT}};
    for (const auto& f : formats) {
        EXPECT_EQ(RunTool(cli + " " + wet + " --quiet" + f.option), 0) << f.option;
        EXPECT_EQ(FormatOf(wet), SF_FORMAT_WAV | f.format) << f.option;
    }
}

}  // namespace
}  // namespace lumbrook
