// Driving the Linux hosts we did not write from a test: finding and running
// their programs, and audio files compared sample by sample in the format
// the host wrote.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace lumbrook::test {

// A folder of its own for each test program run.
inline std::string Scratch(const std::string& name) {
    static const std::string folder = [] {
        char pattern[] = "/tmp/lumbrook-plugins-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return folder + "/" + name;
}

inline bool Installed(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':'))
        if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}

#define LUMBROOK_NEED_PROGRAM(program)                                                   \
    do {                                                                                 \
        if (!::lumbrook::test::Installed(program))                                       \
            GTEST_SKIP() << program << " is not installed (tools/setup.sh installs it)"; \
    } while (0)

// Runs a program with the test's environment, its output and errors
// collected in *log; the exit code, or -1 when it did not exit normally.
inline int RunProgram(const std::vector<std::string>& args, std::string* log) {
    const std::string logPath = Scratch("run.log");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // No host reads its standard input here: an empty file of our own.
    const std::string emptyPath = Scratch("empty");
    std::ofstream(emptyPath).close();
    posix_spawn_file_actions_addopen(&actions, 0, emptyPath.c_str(), O_RDONLY, 0);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid) return -1;
    std::ifstream in(logPath);
    *log = std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string CommandLine(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& arg : args) line += (line.empty() ? "" : " ") + arg;
    return line;
}

// Samples as the file holds them: float bits, or integers (libsndfile's
// int view: 16-bit samples shifted up, 32-bit as they are).
struct Audio {
    int channels = 0;
    int rate = 0;
    bool isFloat = false;
    std::vector<uint32_t> samples;
};

inline Audio ReadAudio(const std::string& path) {
    Audio audio;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return audio;
    audio.channels = info.channels;
    audio.rate = info.samplerate;
    const int sub = info.format & SF_FORMAT_SUBMASK;
    audio.isFloat = sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE;
    audio.samples.resize(size_t(info.frames) * size_t(info.channels));
    if (audio.isFloat) {
        std::vector<float> floats(audio.samples.size());
        sf_readf_float(file, floats.data(), info.frames);
        std::memcpy(audio.samples.data(), floats.data(), floats.size() * sizeof(float));
    } else {
        sf_readf_int(file, reinterpret_cast<int*>(audio.samples.data()), info.frames);
    }
    sf_close(file);
    return audio;
}

inline void WriteFloatWav(const std::string& path, const std::vector<float>& samples, int channels,
                          int rate) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    const sf_count_t frames = sf_count_t(samples.size() / size_t(channels));
    EXPECT_EQ(sf_writef_float(file, samples.data(), frames), frames);
    EXPECT_EQ(sf_close(file), 0);
}

// Bit for bit, with the first differing sample named.
inline ::testing::AssertionResult SameAudio(const Audio& got, const Audio& want) {
    if (got.samples.empty()) return ::testing::AssertionFailure() << "no audio read";
    if (got.channels != want.channels || got.rate != want.rate || got.isFloat != want.isFloat)
        return ::testing::AssertionFailure()
               << got.channels << " channels at " << got.rate << " Hz"
               << (got.isFloat ? " float" : " integer") << ", wanted " << want.channels << " at "
               << want.rate << (want.isFloat ? " float" : " integer");
    if (got.samples.size() != want.samples.size())
        return ::testing::AssertionFailure()
               << got.samples.size() << " samples, wanted " << want.samples.size();
    for (size_t i = 0; i < got.samples.size(); ++i) {
        if (got.samples[i] != want.samples[i]) {
            char text[80];
            std::snprintf(text, sizeof text, "sample %zu is 0x%08x, wanted 0x%08x", i,
                          got.samples[i], want.samples[i]);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace lumbrook::test
