// reverb-host.exe run as a user runs it: its renderings equal the engine's
// own for the same input and settings, and bad input is refused cleanly
// without touching an existing output.
#include <gtest/gtest.h>

#include "process_support.h"
#include "test_signals.h"
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "factory_presets.h"
#include "reverb_engine.h"

namespace lumbrook {
namespace {

std::string Folder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.rfind('\\') + 1);
}

std::string Scratch(const std::string& name) { return Folder() + "host-test-" + name; }

// Runs reverb-host.exe with the arguments; its exit code.
DWORD RunHost(const std::string& arguments) {
    const std::string line = "\"" + Folder() + "reverb-host.exe\" " + arguments;
    return test::RunProgram(std::wstring(line.begin(), line.end()));
}

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

// A WAV file of our own making: format tag, bits, channels, rate, samples
// as the bytes they are stored as, and an optional lie about the data size.
void WriteWav(const std::string& path, uint16_t tag, uint16_t bits, uint16_t channels, uint32_t rate,
              const std::string& data, uint32_t announcedBytes = 0) {
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const uint32_t dataBytes = announcedBytes ? announcedBytes : uint32_t(data.size());
    out.write("RIFF", 4);
    u32(4 + 8 + 16 + 8 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(tag);
    u16(channels);
    u32(rate);
    u32(rate * channels * bits / 8);
    u16(uint16_t(channels * bits / 8));
    u16(bits);
    out.write("data", 4);
    u32(dataBytes);
    out.write(data.data(), std::streamsize(data.size()));
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

// What the engine itself makes of the input with these parameters.
std::vector<float> EngineRendering(const std::vector<float>& input, uint32_t channels, uint32_t rate,
                                   const ReverbParams& params, int32_t bypass) {
    auto engine = std::make_unique<ReverbEngine>();
    engine->SetParams(params);
    if (bypass) engine->SetSwitch(ParamId::Bypass, bypass);
    engine->ResetStream(rate);
    std::vector<float> out = input;
    const int32_t frames = int32_t(input.size() / channels);
    engine->ProcessInPlace(out.data(), frames, {channels, rate});
    if (params.extendTail) {
        std::vector<float> tail(size_t(channels) * 10 * rate);
        int32_t done;
        engine->ProcessTail(tail.data(), int32_t(10 * rate), {channels, rate}, &done);
        out.insert(out.end(), tail.begin(), tail.end());
    }
    return out;
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
    WriteWav(in, 1, 16, 2, 44100, Pcm16(test::NoiseBuffer(2 * 30000, 1), &input));
    ASSERT_EQ(RunHost("render " + Quote(in) + " " + Quote(out) + " --preset \"Large Hall 1\" --tail --block 1000"), 0u);
    uint16_t channels = 0;
    const std::vector<float> wet = ReadFloatWav(out, &channels);
    EXPECT_EQ(channels, 2);
    ReverbParams params = kFactoryPresets[9].params;
    params.extendTail = 1;
    ExpectSameSamples(wet, EngineRendering(input, 2, 44100, params, 0));
    DeleteFileA(in.c_str());
    DeleteFileA(out.c_str());
}

TEST(Host, SavedBlockAndSingleParametersEqualTheEngine) {
    std::vector<float> input;
    const std::string in = Scratch("mono24.wav"), out = Scratch("mono24-wet.wav");
    const std::string block = Scratch("saved.params");
    WriteWav(in, 1, 24, 1, 48000, Pcm24(test::NoiseBuffer(20000, 2), &input));
    ASSERT_EQ(RunHost("save-params " + Quote(block) + " --preset 4 --set enableEq=on --set hiEq=-3dB"), 0u);
    ReverbParams saved;
    std::ifstream file(block, std::ios::binary);
    ASSERT_TRUE(file.read(reinterpret_cast<char*>(&saved), 44));
    EXPECT_EQ(saved.enableEq, 1);
    EXPECT_EQ(saved.hiEq, 0.25f);
    file.close();
    ASSERT_EQ(RunHost("render " + Quote(in) + " " + Quote(out) + " --params " + Quote(block) +
                      " --set preDelay=35ms --set roomSize=0.6"), 0u);
    uint16_t channels = 0;
    const std::vector<float> wet = ReadFloatWav(out, &channels);
    EXPECT_EQ(channels, 1);
    ReverbParams params = saved;
    params.preDelay = 0.35f;
    params.roomSize = 0.6f;
    ExpectSameSamples(wet, EngineRendering(input, 1, 48000, params, 0));
    for (const std::string& f : {in, out, block}) DeleteFileA(f.c_str());
}

TEST(Host, BypassLeavesFloatInputAsItIs) {
    const std::vector<float> input = test::NoiseBuffer(2 * 5000, 3);
    const std::string in = Scratch("float.wav"), out = Scratch("float-wet.wav");
    WriteWav(in, 3, 32, 2, 22050, Float32(input));
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

TEST(Host, BadInputIsRefusedAndTheOutputStaysUntouched) {
    const std::string out = Scratch("keep.wav");
    const std::string kept = "an earlier rendering that must survive";
    std::vector<float> ignored;
    const std::string threeChannels = Scratch("three.wav"), truncated = Scratch("truncated.wav");
    const std::string notWav = Scratch("not.wav"), eightBit = Scratch("eight.wav");
    WriteWav(threeChannels, 1, 16, 3, 44100, Pcm16(test::NoiseBuffer(3 * 100, 4), &ignored));
    WriteWav(truncated, 1, 16, 2, 44100, Pcm16(test::NoiseBuffer(2 * 100, 5), &ignored), 2 * 2 * 100000);
    WriteWav(eightBit, 1, 8, 1, 8000, std::string(100, '\x80'));
    std::ofstream(notWav) << "RIFX this is not audio";
    const struct {
        const char* what;
        std::string arguments;
        DWORD exit;
    } cases[] = {
        {"missing", "render " + Quote(Scratch("missing.wav")) + " " + Quote(out), 1},
        {"not a WAV", "render " + Quote(notWav) + " " + Quote(out), 1},
        {"3 channels", "render " + Quote(threeChannels) + " " + Quote(out), 1},
        {"truncated", "render " + Quote(truncated) + " " + Quote(out), 1},
        {"8-bit", "render " + Quote(eightBit) + " " + Quote(out), 1},
        {"unknown preset", "render " + Quote(truncated) + " " + Quote(out) + " --preset 99", 1},
        {"bad setting", "render " + Quote(truncated) + " " + Quote(out) + " --set roomSize=7", 2},
        {"unknown parameter", "render " + Quote(truncated) + " " + Quote(out) + " --set size=1", 2},
        {"output is the input", "render " + Quote(out) + " " + Quote(out), 1},
        {"no command", "", 2},
    };
    for (const auto& c : cases) {
        std::ofstream(out, std::ios::binary) << kept;
        EXPECT_EQ(RunHost(c.arguments), c.exit) << c.what;
        EXPECT_TRUE(SameContent(out, kept)) << c.what;
        EXPECT_EQ(GetFileAttributesA((out + ".partial").c_str()), INVALID_FILE_ATTRIBUTES) << c.what;
    }
    for (const std::string& f : {out, threeChannels, truncated, notWav, eightBit}) DeleteFileA(f.c_str());
}

}  // namespace
}  // namespace lumbrook
