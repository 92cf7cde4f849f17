// The plug-ins in hosts we did not write (lilv's lv2apply, lv2proc, lv2file,
// ecasound, sox, the LADSPA SDK's applyplugin and analyseplugin,
// lv2_validate): each renders what the native renderer renders for the same
// settings, bit for bit, compared through whatever conversion the host's own
// file writing applies.
#include <cmath>
#include <cstdio>
#include <functional>

#include "factory_presets.h"
#include "host_settings.h"
#include "host_support.h"
#include "tuning.h"

namespace lumbrook {
namespace {

using test::Audio;
using test::CommandLine;
using test::Input;
using test::kSettings;
using test::PortValues;
using test::ReadAudio;
using test::RendererSettings;
using test::RunProgram;
using test::SameAudio;
using test::Scratch;
using test::Setting;
using test::Text;
using test::Variant;

const std::string kRenderer = LUMBROOK_RENDERER_PATH;
const std::string kBundle = LUMBROOK_LV2_BUNDLE;
const std::string kLadspaLibrary = LUMBROOK_LADSPA_LIBRARY;

const bool kPathsSet = test::PointHostsAtOurPlugins(kBundle, kLadspaLibrary);

std::string Joined(const std::string& head, const std::vector<std::string>& values) {
    std::string text = head;
    for (const std::string& v : values) text += "," + v;
    return text;
}

struct Job {
    uint32_t channels;
    uint32_t rate;
    std::string in;
    std::string out;
};

// How the host's output compares with the renderer's: the renderer writes
// the same format directly, or sox converts the renderer's float file the
// way it converts the plug-in's output (to its 32-bit integers and back).
enum class Reference { Float, Pcm16, ThroughSox };

struct HostCase {
    const char* name;
    const char* program;
    Reference reference;
    std::function<std::vector<std::string>(const Job&)> args;
};

// ecasound writes 32-bit float WAV when told the format before the output.
std::vector<std::string> Ecasound(const Job& job, const std::string& chainOperator) {
    return {"ecasound",
            "-q",
            "-i",
            job.in,
            "-f:f32_le," + std::to_string(job.channels) + "," + std::to_string(job.rate),
            "-o",
            job.out,
            chainOperator};
}

const HostCase kHosts[] = {
    {"lv2apply (one frame per run)", "lv2apply", Reference::Float,
     [](const Job& job) {
         std::vector<std::string> args = {"lv2apply", "-i", job.in, "-o", job.out};
         for (const Setting& s : kSettings)
             args.insert(args.end(), {"-c", Param(s.id).field, Text(s.port)});
         args.push_back(Variant(job.channels).lv2Uri);
         return args;
     }},
    {"lv2proc", "lv2proc", Reference::Float,
     [](const Job& job) {
         std::vector<std::string> args = {"lv2proc", "-i", job.in, "-o", job.out, "-n", "1000"};
         for (const Setting& s : kSettings)
             args.insert(args.end(), {"-c", std::string(Param(s.id).field) + ":" + Text(s.port)});
         args.push_back(Variant(job.channels).lv2Uri);
         return args;
     }},
    {"lv2file", "lv2file", Reference::Float,
     [](const Job& job) {
         std::vector<std::string> args = {"lv2file", "-i", job.in, "-o", job.out, "-b", "333"};
         for (const Setting& s : kSettings)
             args.insert(args.end(), {"-p", std::string(Param(s.id).field) + ":" + Text(s.port)});
         args.push_back(Variant(job.channels).lv2Uri);
         return args;
     }},
    {"ecasound -elv2", "ecasound", Reference::Float,
     [](const Job& job) {
         return Ecasound(
             job, Joined(std::string("-elv2:") + Variant(job.channels).lv2Uri, PortValues(true)));
     }},
    {"ecasound -el", "ecasound", Reference::Float,
     [](const Job& job) {
         return Ecasound(job, Joined(std::string("-el:") + Variant(job.channels).ladspaLabel,
                                     PortValues(false)));
     }},
    {"sox ladspa", "sox", Reference::ThroughSox,
     [](const Job& job) {
         std::vector<std::string> args = {"sox",
                                          "-D",
                                          job.in,
                                          "-e",
                                          "floating-point",
                                          "-b",
                                          "32",
                                          job.out,
                                          "ladspa",
                                          kLadspaLibrary,
                                          Variant(job.channels).ladspaLabel};
         for (const std::string& v : PortValues(false)) args.push_back(v);
         return args;
     }},
    {"applyplugin", "applyplugin", Reference::Pcm16,
     [](const Job& job) {
         std::vector<std::string> args = {"applyplugin", job.in, job.out, kLadspaLibrary,
                                          Variant(job.channels).ladspaLabel};
         for (const std::string& v : PortValues(false)) args.push_back(v);
         return args;
     }},
};

int RunOrReport(const std::vector<std::string>& args) {
    std::string log;
    const int code = RunProgram(args, &log);
    if (code != 0) ADD_FAILURE() << CommandLine(args) << " exited with " << code << ":\n" << log;
    return code;
}

TEST(Hosts, EveryHostRendersTheRenderersBits) {
    std::string missing;
    for (const HostCase& host : kHosts)
        if (!test::Installed(host.program) && missing.find(host.program) == std::string::npos)
            missing += std::string(" ") + host.program;
    if (!missing.empty())
        GTEST_SKIP() << "not installed:" << missing << " (tools/setup.sh installs them)";
    for (uint32_t channels : {2u, 1u}) {
        for (uint32_t rate : {44100u, 96000u}) {
            const std::string tag = std::to_string(channels) + "ch-" + std::to_string(rate);
            const std::string in = Scratch("in-" + tag + ".wav");
            test::WriteFloatWav(in, Input(channels, rate / 2, channels * 7 + rate), int(channels),
                                int(rate));
            std::vector<std::string> render = {kRenderer, in, Scratch("ref-" + tag + ".wav"),
                                               "--quiet"};
            for (const std::string& a : RendererSettings()) render.push_back(a);
            ASSERT_EQ(RunOrReport(render), 0);
            render[2] = Scratch("ref16-" + tag + ".wav");
            render.insert(render.end(), {"--format", "16"});
            ASSERT_EQ(RunOrReport(render), 0);
            ASSERT_EQ(
                RunOrReport({"sox", "-D", Scratch("ref-" + tag + ".wav"), "-e", "floating-point",
                             "-b", "32", Scratch("refsox-" + tag + ".wav")}),
                0);
            for (const HostCase& host : kHosts) {
                SCOPED_TRACE(testing::Message()
                             << host.name << ", " << channels << " channels, " << rate << " Hz");
                const Job job = {channels, rate, in, Scratch("out-" + tag + ".wav")};
                std::remove(job.out.c_str());
                if (RunOrReport(host.args(job)) != 0) continue;
                const char* reference = host.reference == Reference::Pcm16        ? "ref16-"
                                        : host.reference == Reference::ThroughSox ? "refsox-"
                                                                                  : "ref-";
                EXPECT_TRUE(
                    SameAudio(ReadAudio(job.out), ReadAudio(Scratch(reference + tag + ".wav"))));
            }
        }
    }
}

// A host loads each factory preset by its label and renders what the
// renderer renders with that preset.
TEST(Hosts, EveryPresetThroughLv2FileEqualsTheRenderer) {
    LUMBROOK_NEED_PROGRAM("lv2file");
    for (uint32_t channels : {2u, 1u}) {
        const std::string in = Scratch("preset-in.wav");
        test::WriteFloatWav(in, Input(channels, 20000, 90 + channels), int(channels), 44100);
        for (int i = 0; i < kPresetCount; ++i) {
            const PresetRecord& preset = kFactoryPresets[i];
            SCOPED_TRACE(testing::Message() << preset.name << ", " << channels << " channels");
            ASSERT_EQ(RunOrReport({kRenderer, in, Scratch("preset-ref.wav"), "--quiet", "--preset",
                                   std::to_string(i)}),
                      0);
            const std::string out = Scratch("preset-out.wav");
            std::remove(out.c_str());
            if (RunOrReport({"lv2file", "-i", in, "-o", out, "-P", preset.name,
                             Variant(channels).lv2Uri}) != 0)
                continue;
            EXPECT_TRUE(SameAudio(ReadAudio(out), ReadAudio(Scratch("preset-ref.wav"))));
        }
    }
}

// Ten seconds of silence after the input let a host hear the whole tail:
// the renderer's --tail, bit for bit.
TEST(Hosts, AppendedSilenceRendersTheTail) {
    LUMBROOK_NEED_PROGRAM("lv2file");
    LUMBROOK_NEED_PROGRAM("sox");
    const uint32_t rate = 44100;
    for (uint32_t channels : {2u, 1u}) {
        SCOPED_TRACE(testing::Message() << channels << " channels");
        const std::vector<float> input = Input(channels, 15000, 70 + channels);
        std::vector<float> padded = input;
        padded.resize(input.size() + size_t(channels) * kTailSeconds * rate, 0.0f);
        test::WriteFloatWav(Scratch("tail-in.wav"), input, int(channels), int(rate));
        test::WriteFloatWav(Scratch("tail-padded.wav"), padded, int(channels), int(rate));
        std::vector<std::string> render = {kRenderer, Scratch("tail-in.wav"),
                                           Scratch("tail-ref.wav"), "--quiet", "--tail"};
        for (const std::string& a : RendererSettings()) render.push_back(a);
        ASSERT_EQ(RunOrReport(render), 0);
        const Job job = {channels, rate, Scratch("tail-padded.wav"), Scratch("tail-out.wav")};
        ASSERT_EQ(RunOrReport(kHosts[2].args(job)), 0);  // lv2file
        EXPECT_TRUE(SameAudio(ReadAudio(job.out), ReadAudio(Scratch("tail-ref.wav"))));
    }
}

TEST(Hosts, Lv2ValidateFindsNoErrors) {
    LUMBROOK_NEED_PROGRAM("lv2_validate");
    LUMBROOK_NEED_PROGRAM("sord_validate");
    std::string log;
    const std::vector<std::string> args = {"lv2_validate", kBundle + "/manifest.ttl",
                                           kBundle + "/lumbrook-reverb.ttl",
                                           kBundle + "/presets.ttl"};
    EXPECT_EQ(RunProgram(args, &log), 0) << log;
    EXPECT_NE(log.find("Found 0 errors"), std::string::npos) << log;
}

TEST(Hosts, AnalysePluginReportsNoError) {
    LUMBROOK_NEED_PROGRAM("analyseplugin");
    std::string log;
    EXPECT_EQ(RunProgram({"analyseplugin", kLadspaLibrary}, &log), 0) << log;
    for (const char* word : {"rror", "arning"}) EXPECT_EQ(log.find(word), std::string::npos) << log;
    // Names of their own: hosts that list LV2 beside LADSPA show one entry per name.
    for (const PluginVariant& variant : kPluginVariants) {
        EXPECT_NE(log.find(std::string("\"") + variant.ladspaLabel + "\""), std::string::npos)
            << log;
        EXPECT_NE(log.find(std::string("\"") + variant.ladspaName + "\""), std::string::npos)
            << log;
        EXPECT_STRNE(variant.ladspaName, variant.lv2Name);
    }
    // The hints LADSPA allows: bounds, toggles without bounds, the nearest default.
    for (const char* line : {"\"PreDelay (ms)\" input, control, 0 to 100, default 0",
                             "\"Lo Eq (dB)\" input, control, -6 to 6, default 0",
                             "\"Reverb (%)\" input, control, 0 to 100, default 75",
                             "\"Enable Eq\" input, control, toggled, default 1",
                             "\"Bypass\" input, control, toggled, default 0"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
}

// Each shared object exports its one entry point: nothing of the engine or
// the C++ runtime leaks into the host's symbol space.
TEST(Hosts, SharedObjectsExportOnlyTheirEntryPoint) {
    LUMBROOK_NEED_PROGRAM("nm");
    const struct {
        std::string path;
        const char* symbol;
    } objects[] = {{kBundle + "/lumbrook_reverb.so", "lv2_descriptor"},
                   {kLadspaLibrary, "ladspa_descriptor"}};
    for (const auto& object : objects) {
        std::string log;
        ASSERT_EQ(RunProgram({"nm", "-D", "--defined-only", object.path}, &log), 0) << log;
        std::stringstream lines(log);
        std::string line;
        std::vector<std::string> symbols;
        while (std::getline(lines, line))
            if (!line.empty() && line.find(object.path) == std::string::npos)
                symbols.push_back(line.substr(line.rfind(' ') + 1));
        EXPECT_EQ(symbols, std::vector<std::string>{object.symbol}) << object.path << "\n" << log;
    }
}

}  // namespace
}  // namespace lumbrook
