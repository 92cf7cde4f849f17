// reverb-host.exe run as a user runs it: its renderings equal the engine's
// own for the same input and settings, and bad input is refused cleanly
// without touching an existing output.
#include <gtest/gtest.h>

#include "beside_the_test.h"
#include "engine_rendering.h"
#include "process_support.h"
#include "raw_wav.h"
#include "test_signals.h"
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "factory_presets.h"
#include "tuning.h"

namespace lumbrook {
namespace {

std::string Scratch(const std::string& name) {
    return test::TestFolder() + "host-test-" + name;
}

// Runs reverb-host.exe with the arguments; its exit code.
DWORD RunHost(const std::string& arguments) {
    const std::string line = "\"" + test::TestFolder() + "reverb-host.exe\" " + arguments;
    return test::RunProgram(std::wstring(line.begin(), line.end()));
}

// The same, with what it wrote to its standard output and error.
DWORD RunHostOutput(const std::string& arguments, std::string* output) {
    const std::string log = test::TestFolder() + "host-test-output.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return DWORD(-1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = file;
    PROCESS_INFORMATION process = {};
    std::string line = "\"" + test::TestFolder() + "reverb-host.exe\" " + arguments;
    DWORD code = DWORD(-1);
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, 120000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(file);
    {
        std::ifstream in(log, std::ios::binary);
        output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    DeleteFileA(log.c_str());
    return code;
}

// Names in the test folder beginning with the prefix: temporary files left
// behind by an output of that name.
std::vector<std::string> FilesStartingWith(const std::string& prefix) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((test::TestFolder() + prefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string Quote(const std::string& path) {
    return "\"" + path + "\"";
}

std::string Pcm16(const std::vector<float>& samples, std::vector<float>* asRead) {
    std::string bytes;
    for (float s : samples) {
        const int16_t v = int16_t(std::lround(s * 32767.0f));
        bytes.append(reinterpret_cast<const char*>(&v), 2);
        asRead->push_back(float(v) / 32768.0f);
    }
    return bytes;
}

std::string Pcm24(const std::vector<float>& samples, std::vector<float>* asRead) {
    std::string bytes;
    for (float s : samples) {
        const int32_t v = int32_t(std::lround(s * 8388607.0f));
        const char b[3] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF)};
        bytes.append(b, 3);
        asRead->push_back(float(double(v * 256) / 2147483648.0));
    }
    return bytes;
}

std::string Float32(const std::vector<float>& samples) {
    return std::string(reinterpret_cast<const char*>(samples.data()), samples.size() * 4);
}

// The samples of a 32-bit float WAV written by the host.
std::vector<float> ReadFloatWav(const std::string& path, uint16_t* channels) {
    std::ifstream in(path, std::ios::binary);
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> samples;
    if (file.size() < 12 || file.compare(0, 4, "RIFF") != 0) return samples;
    for (size_t at = 12; at + 8 <= file.size();) {
        uint32_t size;
        std::memcpy(&size, &file[at + 4], 4);
        if (file.compare(at, 4, "fmt ") == 0) {
            uint16_t tag, bits, blockAlign;
            uint32_t rate, bytesPerSecond;
            std::memcpy(&tag, &file[at + 8], 2);
            std::memcpy(channels, &file[at + 10], 2);
            std::memcpy(&rate, &file[at + 12], 4);
            std::memcpy(&bytesPerSecond, &file[at + 16], 4);
            std::memcpy(&blockAlign, &file[at + 20], 2);
            std::memcpy(&bits, &file[at + 22], 2);
            EXPECT_EQ(tag, 3);
            EXPECT_EQ(bits, 32);
            EXPECT_EQ(blockAlign, *channels * 4);  // one frame of floats
            EXPECT_EQ(bytesPerSecond, rate * blockAlign);
        } else if (file.compare(at, 4, "data") == 0) {
            samples.resize(size / 4);
            std::memcpy(samples.data(), &file[at + 8], samples.size() * 4);
        }
        at += 8 + size + (size & 1);
    }
    return samples;
}

void ExpectSameSamples(const std::vector<float>& actual, const std::vector<float>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        uint32_t a, b;
        std::memcpy(&a, &actual[i], 4);
        std::memcpy(&b, &expected[i], 4);
        ASSERT_EQ(a, b) << "sample " << i;
    }
}

TEST(Host, PresetAndTailEqualTheEngine) {
    std::vector<float> input;
    const std::string in = Scratch("stereo16.wav"), out = Scratch("stereo16-wet.wav");
    test::WriteRawWav(in, 1, 16, 2, 44100, Pcm16(test::NoiseBuffer(2 * 30000, 1), &input));
    ASSERT_EQ(RunHost("render " + Quote(in) + " " + Quote(out) +
                      " --preset \"Large Hall 1\" --tail --buffer 1000"),
              0u);
    uint16_t channels = 0;
    const std::vector<float> wet = ReadFloatWav(out, &channels);
    EXPECT_EQ(channels, 2);
    ReverbParams params = kFactoryPresets[9].params;
    params.extendTail = 1;
    ExpectSameSamples(wet, test::EngineRendering(input, 2, 44100, params));
    DeleteFileA(in.c_str());
    DeleteFileA(out.c_str());
}

TEST(Host, SavedBlockAndSingleParametersEqualTheEngine) {
    std::vector<float> input;
    const std::string in = Scratch("mono24.wav"), out = Scratch("mono24-wet.wav");
    const std::string block = Scratch("saved.params");
    test::WriteRawWav(in, 1, 24, 1, 48000, Pcm24(test::NoiseBuffer(20000, 2), &input));
    ASSERT_EQ(
        RunHost("save-params " + Quote(block) + " --preset 4 --set enableEq=on --set hiEq=-3dB"),
        0u);
    ReverbParams saved;
    std::ifstream file(block, std::ios::binary);
    ASSERT_TRUE(file.read(reinterpret_cast<char*>(&saved), 44));
    EXPECT_EQ(saved.enableEq, 1);
    EXPECT_EQ(saved.hiEq, 0.25f);
    file.close();
    ASSERT_EQ(RunHost("render " + Quote(in) + " " + Quote(out) + " --params " + Quote(block) +
                      " --set preDelay=35ms --set roomSize=0.6"),
              0u);
    uint16_t channels = 0;
    const std::vector<float> wet = ReadFloatWav(out, &channels);
    EXPECT_EQ(channels, 1);
    ReverbParams params = saved;
    params.preDelay = 0.35f;
    params.roomSize = 0.6f;
    ExpectSameSamples(wet, test::EngineRendering(input, 1, 48000, params));
    for (const std::string& f : {in, out, block}) DeleteFileA(f.c_str());
}

TEST(Host, BypassLeavesFloatInputAsItIs) {
    const std::vector<float> input = test::NoiseBuffer(2 * 5000, 3);
    const std::string in = Scratch("float.wav"), out = Scratch("float-wet.wav");
    test::WriteRawWav(in, 3, 32, 2, 22050, Float32(input));
    ASSERT_EQ(RunHost("render " + Quote(in) + " " + Quote(out) + " --set bypass=on"), 0u);
    uint16_t channels = 0;
    ExpectSameSamples(ReadFloatWav(out, &channels), input);
    DeleteFileA(in.c_str());
    DeleteFileA(out.c_str());
}

bool SameContent(const std::string& path, const std::string& content) {
    std::ifstream in(path, std::ios::binary);
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return file == content;
}

// A 16-bit stereo file of silence at 44.1 kHz holding `frames` frames, its
// data left sparse on disk.
bool WriteSparseSilence(const std::string& path, uint32_t frames) {
    test::WriteRawWav(path, 1, 16, 2, 44100, "", frames * 4);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = 44 + int64_t(frames) * 4;
    const bool ok = file != INVALID_HANDLE_VALUE &&
                    SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return ok;
}

TEST(Host, BadInputIsRefusedAndTheOutputStaysUntouched) {
    const std::string out = Scratch("keep.wav");
    const std::string kept = "an earlier rendering that must survive";
    std::vector<float> ignored;
    const std::string threeChannels = Scratch("three.wav"), good = Scratch("good.wav");
    const std::string notWav = Scratch("not.wav"), eightBit = Scratch("eight.wav");
    const std::string hugeRate = Scratch("huge-rate.wav"), highRate = Scratch("high-rate.wav");
    const std::string noRate = Scratch("no-rate.wav"), folder = Scratch("folder");
    const std::string nearlyFull = Scratch("nearly-4GiB.wav");
    test::WriteRawWav(threeChannels, 1, 16, 3, 44100,
                      Pcm16(test::NoiseBuffer(3 * 100, 4), &ignored));
    test::WriteRawWav(good, 1, 16, 2, 44100, Pcm16(test::NoiseBuffer(2 * 100, 5), &ignored));
    test::WriteRawWav(eightBit, 1, 8, 1, 8000, std::string(100, '\x80'));
    // 40 KB that would ask ten seconds of tail at 2^31 - 1 Hz: 171 GB.
    test::WriteRawWav(hugeRate, 1, 16, 2, 2147483647u, std::string(40000, '\0'));
    test::WriteRawWav(highRate, 1, 16, 2, 768001, std::string(400, '\0'));
    test::WriteRawWav(noRate, 1, 16, 2, 0, std::string(400, '\0'));
    std::ofstream(notWav) << "RIFX this is not audio";
    CreateDirectoryA(folder.c_str(), nullptr);
    // Its samples fit a WAV file as 32-bit float; with the tail they do not.
    const uint32_t nearlyFullFrames = (0xFFFFFFFFu - 46) / 8 - 44100 * kTailSeconds + 1000;
    ASSERT_TRUE(WriteSparseSilence(nearlyFull, nearlyFullFrames));
    const std::string render = "render " + Quote(good) + " " + Quote(out);
    const struct {
        const char* what;
        std::string arguments;
        DWORD exit;
        std::string message;
    } cases[] = {
        {"missing", "render " + Quote(Scratch("missing.wav")) + " " + Quote(out), 1,
         "does not exist"},
        {"a directory as input", "render " + Quote(folder) + " " + Quote(out), 1, "is a directory"},
        {"not a WAV", "render " + Quote(notWav) + " " + Quote(out), 1, "is not a WAV file"},
        {"3 channels", "render " + Quote(threeChannels) + " " + Quote(out), 1, "mono or stereo"},
        {"8-bit", "render " + Quote(eightBit) + " " + Quote(out), 1, "supported are"},
        {"rate 2^31 - 1", "render " + Quote(hugeRate) + " " + Quote(out), 1,
         "sample rate of 2147483647 Hz; the rates rendered are 1 to 768000 Hz"},
        {"rate 768001", "render " + Quote(highRate) + " " + Quote(out), 1, "768001 Hz"},
        {"rate 0", "render " + Quote(noRate) + " " + Quote(out), 1, "sample rate of 0 Hz"},
        {"output past 4 GiB with the tail",
         "render " + Quote(nearlyFull) + " " + Quote(out) + " --tail", 1,
         "more than the 4 GiB a WAV file can; nothing was written"},
        {"unknown preset", render + " --preset 99", 1, "no preset '99'"},
        {"empty preset", render + " --preset \"\"", 2, "--preset needs a number or a name"},
        {"bad setting", render + " --set roomSize=7", 2, "roomSize takes 0 to 1"},
        {"unknown parameter", render + " --set size=1", 2, "no parameter 'size'"},
        {"block 2^32 + 1", render + " --block 4294967297", 2, "--buffer takes a whole number"},
        {"block 10abc", render + " --block 10abc", 2, "--buffer takes a whole number"},
        {"block 0", render + " --block 0", 2, "--buffer takes a whole number"},
        {"block empty", render + " --block \"\"", 2, "--buffer takes a whole number"},
        {"missing plug-in", render + " --plugin " + Quote(Scratch("missing.dll")), 1,
         "cannot find the plug-in '" + Scratch("missing.dll") + "'"},
        {"output is the input", "render " + Quote(out) + " " + Quote(out), 1,
         "overwrite the input"},
        {"output is a directory", "render " + Quote(good) + " " + Quote(folder), 1,
         "is a directory"},
        {"output folder missing", "render " + Quote(good) + " " + Quote(Scratch("none\\out.wav")),
         1, "does not exist"},
        {"parameters into a directory", "save-params " + Quote(folder), 1, "is a directory"},
        {"no command", "", 2, "no command"},
    };
    for (const auto& c : cases) {
        std::ofstream(out, std::ios::binary) << kept;
        std::string output;
        EXPECT_EQ(RunHostOutput(c.arguments, &output), c.exit) << c.what;
        EXPECT_NE(output.find(c.message), std::string::npos) << c.what << ": " << output;
        EXPECT_TRUE(SameContent(out, kept)) << c.what;
        EXPECT_EQ(FilesStartingWith(".host-test-keep.wav").size(), 0u) << c.what;
    }
    for (const std::string& f :
         {out, threeChannels, good, notWav, eightBit, hugeRate, highRate, noRate, nearlyFull})
        DeleteFileA(f.c_str());
    RemoveDirectoryA(folder.c_str());
}

// One rule with the renderer: the frames that are there, and a warning with
// both counts; --help says so.
TEST(Host, DataEndingEarlyIsRenderedAsFarAsItGoes) {
    std::vector<float> input;
    const std::string in = Scratch("ends-early.wav"), out = Scratch("ends-early-wet.wav");
    test::WriteRawWav(in, 1, 16, 2, 44100, Pcm16(test::NoiseBuffer(2 * 100, 5), &input),
                      2 * 2 * 100000);
    std::string output;
    ASSERT_EQ(RunHostOutput("render " + Quote(in) + " " + Quote(out) + " --preset 2", &output), 0u)
        << output;
    EXPECT_NE(output.find("'" + in +
                          "' ends early: rendered the 100 frames it holds of the 100000 its "
                          "header announces"),
              std::string::npos)
        << output;
    uint16_t channels = 0;
    ExpectSameSamples(ReadFloatWav(out, &channels),
                      test::EngineRendering(input, 2, 44100, kFactoryPresets[2].params));
    ASSERT_EQ(RunHostOutput("--help", &output), 0u);
    EXPECT_NE(output.find("rendered as far as it goes, with a warning giving both frame counts"),
              std::string::npos);
    DeleteFileA(in.c_str());
    DeleteFileA(out.c_str());
}

}  // namespace
}  // namespace lumbrook
