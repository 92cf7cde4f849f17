// The plug-ins in the applications people use, driven headless as a user
// would drive them: GStreamer's lv2 element in one gst-launch-1.0 command,
// and Ardour 7 (a session built by ardour7-lua, exported by ardour7-export).
// Each renders what the native renderer renders, bit for bit, once the
// application's own habits are allowed for.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "factory_presets.h"
#include "host_settings.h"
#include "host_support.h"
#include "reverb_plugin.h"
#include "tuning.h"

namespace lumbrook {
namespace {

using test::Audio;
using test::CommandLine;
using test::Input;
using test::kSettings;
using test::ReadAudio;
using test::RendererSettings;
using test::RunProgram;
using test::SameAudio;
using test::Scratch;
using test::Setting;
using test::Text;
using test::WriteFloatWav;

const std::string kRenderer = LUMBROOK_RENDERER_PATH;
const std::string kBundle = LUMBROOK_LV2_BUNDLE;
const std::string kLadspaLibrary = LUMBROOK_LADSPA_LIBRARY;
const std::string kArdourScript = LUMBROOK_ARDOUR_SCRIPT;

// Both applications keep caches of what they found (GStreamer's registry,
// Ardour's plug-in list and settings) under the user's folders: give them
// fresh ones, so that each run scans the plug-ins as built.
const bool kPathsSet = [] {
    test::PointHostsAtOurPlugins(kBundle, kLadspaLibrary);
    setenv("XDG_CONFIG_HOME", Scratch("config").c_str(), 1);
    setenv("XDG_CACHE_HOME", Scratch("cache").c_str(), 1);
    return true;
}();

int RunOrReport(const std::vector<std::string>& args, std::string* log = nullptr) {
    std::string text;
    const int code = RunProgram(args, &text);
    if (code != 0) ADD_FAILURE() << CommandLine(args) << " exited with " << code << ":\n" << text;
    if (log) *log = text;
    return code;
}

int Render(const std::string& in, const std::string& out, std::vector<std::string> settings) {
    std::vector<std::string> args = {kRenderer, in, out, "--quiet"};
    args.insert(args.end(), settings.begin(), settings.end());
    return RunOrReport(args);
}

Audio FromSamples(const std::vector<float>& samples, int channels, int rate) {
    Audio audio;
    audio.channels = channels;
    audio.rate = rate;
    audio.isFloat = true;
    audio.samples.resize(samples.size());
    std::memcpy(audio.samples.data(), samples.data(), samples.size() * sizeof(float));
    return audio;
}

// ---- GStreamer 1.22: the lv2 element of gstreamer1.0-plugins-bad

std::string ElementName(uint32_t channels) {
    return channels == 2 ? "lumbrook-audio-example-lv2-reverb-stereo"
                         : "lumbrook-audio-example-lv2-reverb-mono";
}

// A float WAV through the element into a float WAV: wavparse hands the
// element its own format (F32LE, interleaved), so nothing converts.
int GstRender(const std::string& in, const std::string& out, uint32_t channels,
              const std::vector<std::string>& properties) {
    std::vector<std::string> args = {
        "gst-launch-1.0",     "-q", "filesrc", "location=" + in, "!", "wavparse", "!",
        ElementName(channels)};
    args.insert(args.end(), properties.begin(), properties.end());
    args.insert(args.end(), {"!", "wavenc", "!", "filesink", "location=" + out});
    return RunOrReport(args);
}

// The element makes every toggle a boolean property that starts false,
// whatever the port's default: "enabled" must be set, or it passes the
// input through.
std::vector<std::string> GstProperties() {
    std::vector<std::string> properties = {"enabled=true"};
    for (const Setting& s : kSettings) {
        const ParamInfo& param = Param(s.id);
        properties.push_back(
            std::string(param.field) + "=" +
            (param.kind == ParamKind::Switch ? (s.port != 0.0f ? "true" : "false") : Text(s.port)));
    }
    return properties;
}

// Ten seconds of silence after the sound give the whole tail: the
// renderer's --tail, for stereo and mono.
TEST(GStreamer, ElementWithItsPropertiesRendersTheRenderersTail) {
    LUMBROOK_NEED_PROGRAM("gst-launch-1.0");
    const uint32_t rate = 44100;
    for (uint32_t channels : {2u, 1u}) {
        SCOPED_TRACE(testing::Message() << channels << " channels");
        const std::vector<float> input = Input(channels, 12000, 40 + channels);
        std::vector<float> padded = input;
        padded.resize(input.size() + size_t(channels) * kTailSeconds * rate, 0.0f);
        WriteFloatWav(Scratch("gst-in.wav"), input, int(channels), int(rate));
        WriteFloatWav(Scratch("gst-padded.wav"), padded, int(channels), int(rate));
        std::vector<std::string> settings = RendererSettings();
        settings.push_back("--tail");
        ASSERT_EQ(Render(Scratch("gst-in.wav"), Scratch("gst-ref.wav"), settings), 0);
        std::remove(Scratch("gst-out.wav").c_str());
        if (GstRender(Scratch("gst-padded.wav"), Scratch("gst-out.wav"), channels,
                      GstProperties()) != 0)
            continue;
        EXPECT_TRUE(
            SameAudio(ReadAudio(Scratch("gst-out.wav")), ReadAudio(Scratch("gst-ref.wav"))));
    }
}

// What a user meets who sets nothing: the input untouched; with enabled=true
// alone, the reverb at its defaults but with the EQ off.
TEST(GStreamer, ElementStartsBypassedAndWithoutEq) {
    LUMBROOK_NEED_PROGRAM("gst-launch-1.0");
    const std::string in = Scratch("gst-default-in.wav");
    WriteFloatWav(in, Input(2, 20000, 51), 2, 48000);
    ASSERT_EQ(GstRender(in, Scratch("gst-default-out.wav"), 2, {}), 0);
    EXPECT_TRUE(SameAudio(ReadAudio(Scratch("gst-default-out.wav")), ReadAudio(in)));
    ASSERT_EQ(Render(in, Scratch("gst-noeq-ref.wav"), {"--set", "enableEq=off"}), 0);
    ASSERT_EQ(GstRender(in, Scratch("gst-noeq-out.wav"), 2, {"enabled=true"}), 0);
    EXPECT_TRUE(
        SameAudio(ReadAudio(Scratch("gst-noeq-out.wav")), ReadAudio(Scratch("gst-noeq-ref.wav"))));
}

// One property per control port, named by its symbol, and the factory
// presets offered through GstPreset.
TEST(GStreamer, InspectListsEveryPortAndPreset) {
    LUMBROOK_NEED_PROGRAM("gst-inspect-1.0");
    for (uint32_t channels : {2u, 1u}) {
        std::string log;
        ASSERT_EQ(RunOrReport({"gst-inspect-1.0", ElementName(channels)}, &log), 0);
        for (ParamId id : kPortOrder) {
            const std::string property = id == ParamId::Bypass ? "enabled" : Param(id).field;
            EXPECT_NE(log.find("\n  " + property + " "), std::string::npos) << property << "\n"
                                                                            << log;
        }
        for (const PresetRecord& preset : kFactoryPresets)
            EXPECT_NE(log.find(std::string("\"") + preset.name + "\""), std::string::npos)
                << preset.name << "\n"
                << log;
    }
}

// ---- Ardour 7.3 headless: ardour7-lua builds, ardour7-export renders

constexpr uint32_t kSessionRate = 48000;
constexpr uint32_t kSessionFrames = 24000;
constexpr uint32_t kSwitchFrame = 12000;

// Ardour 7's session files count time in superclock ticks, 282,240,000 a
// second (Ardour 7.3, session format 7002).
constexpr uint64_t kSuperclockRate = 282240000;

// With AddressSanitizer's runtime preloaded (the sanitize tree) Ardour's
// Lua session stops at start-up, before any of our code runs.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kArdourCanRun = false;
#else
constexpr bool kArdourCanRun = true;
#endif

bool ArdourIs73() {
    std::string log;
    return RunProgram({"ardour7-lua", "--version"}, &log) == 0 &&
           log.find("version 7.3.") != std::string::npos;
}

// The import Ardour 7.3's Lua cannot do headless, written into the saved
// session as "Import, copy to session" would leave it: each channel a mono
// float file in the session's audio folder, named as a source, one region
// over all of them in the track's playlist (no fades, so that the samples
// pass untouched), and the session range around it.
void ImportIntoSession(const std::string& name, const std::vector<std::vector<float>>& channels) {
    const std::string folder = Scratch("ardour/" + name);
    const std::string ticks = std::to_string(kSessionFrames * kSuperclockRate / kSessionRate);
    int id = 1000000;  // far above the session's own id counter
    std::string sources, regionSources;
    for (size_t c = 0; c < channels.size(); ++c, ++id) {
        const std::string file = "in-" + std::to_string(c) + ".wav";
        WriteFloatWav(folder + "/interchange/" + name + "/audiofiles/" + file, channels[c], 1,
                      int(kSessionRate));
        sources += "    <Source name=\"" + file + "\" type=\"audio\" flags=\"\" id=\"" +
                   std::to_string(id) + "\" channel=\"0\" origin=\"" + file + "\"/>\n";
        regionSources += " source-" + std::to_string(c) + "=\"" + std::to_string(id) +
                         "\" master-source-" + std::to_string(c) + "=\"" + std::to_string(id) +
                         "\"";
    }
    auto region = [&](bool wholeFile) {
        return "<Region name=\"in\" type=\"audio\" id=\"" + std::to_string(id++) +
               "\" whole-file=\"" + (wholeFile ? "1" : "0") + "\" start=\"a0\" length=\"a" + ticks +
               "@a0\" position=\"a0\" fade-in-active=\"0\" fade-out-active=\"0\"" +
               " envelope-active=\"0\" scale-amplitude=\"1\" channels=\"" +
               std::to_string(channels.size()) + "\"" + regionSources + "/>";
    };
    const std::string path = folder + "/" + name + ".ardour";
    std::ifstream in(path);
    std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const struct {
        std::string from, to;
    } edits[] = {
        {"<Sources/>", "<Sources>\n" + sources + "  </Sources>"},
        {"<Regions/>", "<Regions>\n    " + region(true) + "\n  </Regions>"},
        {"<Locations/>", "<Locations>\n    <Location id=\"" + std::to_string(id++) +
                             "\" name=\"session\" start=\"a0\" end=\"a" + ticks +
                             "\" flags=\"IsSessionRange\" locked=\"0\" timestamp=\"0\" cue=\"0\"/>"
                             "\n  </Locations>"},
    };
    for (const auto& edit : edits) {
        const size_t at = xml.find(edit.from);
        ASSERT_NE(at, std::string::npos) << path << " has no " << edit.from;
        xml.replace(at, edit.from.size(), edit.to);
    }
    const size_t playlist = xml.find("<Playlist ");
    const size_t close = xml.find("/>", playlist);
    ASSERT_NE(playlist, std::string::npos) << path << " has no playlist";
    xml.replace(close, 2, ">\n      " + region(false) + "\n    </Playlist>");
    std::ofstream(path) << xml;
}

// True when `got` is `want` moved in time by a few frames over the first
// `frames` frames: the same audio, started early or late.
bool Shifted(const Audio& got, const Audio& want, uint32_t frames) {
    const size_t ch = size_t(want.channels);
    if (ch == 0 || got.channels != want.channels || got.samples.size() != want.samples.size())
        return false;
    const long long total = (long long)std::min<size_t>(frames, want.samples.size() / ch);
    for (long long shift = -64; shift <= 64; ++shift) {
        if (shift == 0) continue;
        bool same = true;
        for (long long f = std::max(0LL, -shift); same && f < total && f + shift < total; ++f)
            for (size_t c = 0; same && c < ch; ++c)
                same = got.samples[size_t(f) * ch + c] == want.samples[size_t(f + shift) * ch + c];
        if (same) return true;
    }
    return false;
}

// ardour7-export 7.3 now and then aborts ("corrupted size vs. prev_size",
// "double free or corruption") or hangs on its first cycle, with any plug-in
// or none: a run that does not finish within 20 seconds (it takes 3) is
// tried again, up to five times: about one run in ten aborts, and aborts
// come in runs (three in a row, once), while our plug-ins run clean under
// valgrind in other hosts (applyplugin for the LADSPA one). Rarely, too,
// it starts its export a few frames away from the session's start (seen
// once: 16 frames early, every sample otherwise right); such an export, the
// wanted audio moved in time over the first `frames` frames, is tried again
// as well. Any other difference stands.
constexpr int kExportAttempts = 5;

Audio ExportSession(const std::string& name, const Audio& want, uint32_t frames = kSessionFrames) {
    const std::string out = Scratch("ardour-" + name + ".wav");
    for (int attempt = 1; attempt <= kExportAttempts; ++attempt) {
        std::remove(out.c_str());
        std::string log;
        const int code = RunProgram({"timeout", "20", "ardour7-export", "-b", "float", "-o", out,
                                     Scratch("ardour/" + name), name},
                                    &log);
        if (code == 0) {
            Audio got = ReadAudio(out);
            if (attempt == kExportAttempts || !Shifted(got, want, frames)) return got;
            std::printf("ardour7-export %s, attempt %d, exported its audio shifted in time\n",
                        name.c_str(), attempt);
            continue;
        }
        std::printf("ardour7-export %s, attempt %d, exited with %d:\n%s\n", name.c_str(), attempt,
                    code, log.c_str());
    }
    ADD_FAILURE() << "ardour7-export " << name << " failed " << kExportAttempts << " times";
    return Audio{};
}

// The sessions are built once, by one ardour7-lua run, for every test below.
class Ardour : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!kArdourCanRun || !test::Installed("ardour7-lua") ||
            !test::Installed("ardour7-export") || !ArdourIs73())
            return;
        std::string controls;
        for (const Setting& s : kSettings) controls += (controls.empty() ? "" : ",") + Text(s.port);
        std::string log;
        const int code =
            RunProgram({"timeout", "120", "ardour7-lua", kArdourScript, Scratch("ardour"),
                        std::to_string(kSessionRate), controls, std::to_string(kSwitchFrame)},
                       &log);
        scan_ = log;
        // ardour7-lua exits 0 after some Lua errors: its output tells.
        built_ = code == 0 && log.find("Error:") == std::string::npos;
        if (!built_) return;
        stereo_ = Input(2, kSessionFrames, 61);
        // Buses sum into silence, which turns -0 into +0: no sample is -0.
        for (float& s : stereo_) s += 0.0f;
        std::vector<float> left, right;
        for (uint32_t i = 0; i < kSessionFrames; ++i) {
            left.push_back(stereo_[2 * i]);
            right.push_back(stereo_[2 * i + 1]);
        }
        for (const char* name : {"controls", "preset", "bypass", "automation"})
            ImportIntoSession(name, {left, right});
        ImportIntoSession("ladspa", {left});
        mono_ = left;
        WriteFloatWav(Scratch("ardour-stereo-in.wav"), stereo_, 2, int(kSessionRate));
        WriteFloatWav(Scratch("ardour-mono-in.wav"), mono_, 1, int(kSessionRate));
    }

    void SetUp() override {
        if (!kArdourCanRun) GTEST_SKIP() << "Ardour does not run under AddressSanitizer";
        if (!test::Installed("ardour7-lua") || !test::Installed("ardour7-export"))
            GTEST_SKIP() << "Ardour 7 is not installed (tools/setup.sh installs it)";
        if (!ArdourIs73())
            GTEST_SKIP() << "the sessions are written in Ardour 7.3's format; this is another "
                            "Ardour";
        ASSERT_TRUE(built_) << "ardour7-lua " << kArdourScript << ":\n" << scan_;
    }

    static Audio RenderStereo(const std::vector<std::string>& settings) {
        EXPECT_EQ(Render(Scratch("ardour-stereo-in.wav"), Scratch("ardour-ref.wav"), settings), 0);
        return ReadAudio(Scratch("ardour-ref.wav"));
    }

    static inline bool built_ = false;
    static inline std::string scan_;
    static inline std::vector<float> stereo_, mono_;
};

// The scan takes all four plug-ins without a word of complaint; each LV2
// plug-in lists the fourteen presets, each plug-in its ten controls.
TEST_F(Ardour, ScanListsThePluginsTheirControlsAndPresets) {
    std::stringstream lines(scan_);
    std::string line;
    std::set<std::string> names;
    int plugins = 0;
    while (std::getline(lines, line)) {
        std::string lower = line;
        for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
        // No synth for MIDI audition is installed; that warning is Ardour's own.
        const bool complaint =
            lower.find("warning") != std::string::npos || lower.find("error") != std::string::npos;
        EXPECT_FALSE(complaint && lower.find("midi") == std::string::npos) << line;
        if (line.rfind("plugin ", 0) == 0) {
            ++plugins;
            const size_t name = line.find('|') + 1;
            names.insert(line.substr(name, line.find('|', name) - name));
        }
    }
    // A name each: a host that lists LV2 beside LADSPA shows one entry per name.
    EXPECT_EQ(plugins, 2 * kPluginVariantCount) << scan_;
    EXPECT_EQ(names.size(), size_t(plugins)) << scan_;
    const std::string controls = "|" + std::to_string(kControlCount) + " controls|";
    for (const PluginVariant& variant : kPluginVariants) {
        EXPECT_NE(scan_.find("plugin " + std::string(variant.lv2Uri) + "|" + variant.lv2Name +
                             controls + std::to_string(kPresetCount) + " presets\n"),
                  std::string::npos)
            << variant.lv2Name << "\n"
            << scan_;
        EXPECT_NE(scan_.find("plugin " + std::to_string(variant.ladspaId) + "|" +
                             variant.ladspaName + controls + "0 presets\n"),
                  std::string::npos)
            << variant.ladspaName << "\n"
            << scan_;
        for (const PresetRecord& preset : kFactoryPresets)
            EXPECT_NE(scan_.find("preset " + std::string(variant.lv2Uri) + "|" + preset.name),
                      std::string::npos)
                << preset.name;
    }
}

TEST_F(Ardour, TrackWithControlsExportsTheRenderersBits) {
    const Audio want = RenderStereo(RendererSettings());
    EXPECT_TRUE(SameAudio(ExportSession("controls", want), want));
}

TEST_F(Ardour, TrackWithPresetNineExportsTheRenderersBits) {
    const Audio want = RenderStereo({"--preset", "9"});
    EXPECT_TRUE(SameAudio(ExportSession("preset", want), want));
}

// The bypass button turns "enabled" off rather than taking the plug-in out
// of the signal: the input comes out as it went in.
TEST_F(Ardour, BypassButtonTurnsEnabledOffAndPassesTheInput) {
    std::ifstream in(Scratch("ardour/bypass/bypass.ardour"));
    const std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(xml.find("<Port symbol=\"enabled\" value=\"0\"/>"), std::string::npos);
    EXPECT_NE(xml.find("name=\"Lumbrook Reverb\" active=\"1\""), std::string::npos);
    const Audio want = FromSamples(stereo_, 2, kSessionRate);
    EXPECT_TRUE(SameAudio(ExportSession("bypass", want), want));
}

// Automation turns "enabled" off at kSwitchFrame: the reverb up to there,
// a crossfade to the dry signal over the plug-in's fade, then the input.
TEST_F(Ardour, AutomatedEnabledSwitchCrossfadesToTheInput) {
    const Audio wet = RenderStereo(RendererSettings());
    const Audio got = ExportSession("automation", wet, kSwitchFrame);
    ASSERT_EQ(got.samples.size(), stereo_.size());
    ASSERT_EQ(wet.samples.size(), stereo_.size());
    const size_t fadeFrames = ReverbPlugin::Create(2, kSessionRate, true)->FadeFrames();
    for (size_t i = 0; i < stereo_.size(); ++i) {
        const size_t frame = i / 2;
        float out, dry = stereo_[i], reverb;
        std::memcpy(&out, &got.samples[i], sizeof out);
        std::memcpy(&reverb, &wet.samples[i], sizeof reverb);
        if (frame < kSwitchFrame) {
            ASSERT_EQ(test::Bits(out), test::Bits(reverb)) << "frame " << frame;
        } else if (frame >= kSwitchFrame + fadeFrames) {
            ASSERT_EQ(test::Bits(out), test::Bits(dry)) << "frame " << frame;
        } else {
            ASSERT_TRUE(out >= std::min(dry, reverb) && out <= std::max(dry, reverb))
                << "frame " << frame << ": " << out << " outside " << dry << " to " << reverb;
        }
    }
    // Half way through the fade both signals are heard.
    const size_t middle = 2 * (kSwitchFrame + fadeFrames / 2);
    EXPECT_NE(got.samples[middle], test::Bits(stereo_[middle]));
    EXPECT_NE(got.samples[middle], wet.samples[middle]);
}

// LADSPA on a mono track, its panner bypassed: the renderer's mono output in
// both channels of the master bus.
TEST_F(Ardour, LadspaOnAMonoTrackExportsTheRenderersBits) {
    ASSERT_EQ(
        Render(Scratch("ardour-mono-in.wav"), Scratch("ardour-mono-ref.wav"), RendererSettings()),
        0);
    const Audio mono = ReadAudio(Scratch("ardour-mono-ref.wav"));
    Audio want = mono;
    want.channels = 2;
    want.samples.clear();
    for (uint32_t sample : mono.samples) want.samples.insert(want.samples.end(), {sample, sample});
    EXPECT_TRUE(SameAudio(ExportSession("ladspa", want), want));
}

}  // namespace
}  // namespace lumbrook
