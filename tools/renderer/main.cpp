// lumbrook-reverb: the reverb as a native command-line renderer for Linux,
// the same engine and the same numbers as the plug-in.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "factory_presets.h"
#include "param_file.h"
#include "param_text.h"
#include "output_file.h"
#include "render.h"
#include "tool_checks.h"

namespace lumbrook {
namespace {

const char kUsage[] =
    "usage: lumbrook-reverb IN OUT [options]\n"
    "       lumbrook-reverb --list-presets | --info [settings] | --save-params FILE [settings]\n"
    "\n"
    "Reverberates an audio file: WAV, AIFF or FLAC in, mono or stereo, 1 to\n"
    "768000 Hz; WAV out at the same rate (RF64 past 4 GiB). OUT is written\n"
    "through a temporary file beside it and appears only when complete; on\n"
    "failure or interrupt an existing OUT stays as it was. A device, FIFO or\n"
    "- (standard output) is written straight; the input is never written.\n"
    "\n"
    "settings, applied in this order:\n"
    "  --preset N|NAME     a factory preset, by number or name (see --list-presets)\n"
    "  --params FILE       a 44-byte parameter block, as the plug-in saves it\n"
    "  --set NAME=VALUE    one parameter by its block field name; the value is\n"
    "                      0 to 1, or in the editor's units: preDelay=35ms,\n"
    "                      roomSize=60%, damping=20%, earlyRef=30%, reverbLevel=75%,\n"
    "                      dryLevel=80%, loEq=-3dB, hiEq=2dB; extendTail, enableEq,\n"
    "                      bypass take on or off\n"
    "options:\n"
    "  --tail              append the decaying tail (ten seconds), as extendTail=on\n"
    "  --format F          output samples: float (default), 16 or 24\n"
    "  --buffer N          frames per engine call (default 4096; the output is the\n"
    "                      same; --block N is its old spelling)\n"
    "  --save-params FILE  also write the settings as a 44-byte block\n"
    "  --info              print the settings as the editor shows them\n"
    "  --list-presets      list the factory presets\n"
    "  --quiet             no progress bar\n"
    "  --help              this text\n"
    "\n"
    "examples:\n"
    "  lumbrook-reverb dry.wav wet.wav --preset \"Large Hall 1\" --tail\n"
    "  lumbrook-reverb voice.flac voice-room.wav --preset 2 --set dryLevel=90% --format 24\n"
    "  lumbrook-reverb --info --preset 9 --set loEq=-3dB --save-params hall.params\n";

int Usage(const std::string& error) {
    std::fprintf(stderr, "lumbrook-reverb: %s\n(lumbrook-reverb --help shows the options)\n",
                 error.c_str());
    return 2;
}

int Fail(const std::string& error) {
    std::fprintf(stderr, "lumbrook-reverb: %s\n", error.c_str());
    return 1;
}

// A bar on the terminal, redrawn at most every whole per cent.
class ProgressBar {
public:
    static constexpr int kShortSeconds = 5;  // shorter files finish before a bar helps

    explicit ProgressBar(bool shown) : shown_(shown) {}
    void operator()(int64_t done, int64_t total, uint32_t sampleRate) {
        if (!shown_ || total <= int64_t(kShortSeconds) * sampleRate) return;
        const int percent = int(done * 100 / total);
        if (percent == last_) return;
        last_ = percent;
        const int width = 40, filled = percent * width / 100;
        std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled,
                     "########################################", width - filled, "", percent);
        if (percent >= 100) std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    void Finish() {
        if (shown_ && last_ >= 0 && last_ < 100) std::fputc('\n', stderr);
    }

private:
    bool shown_;
    int last_ = -1;
};

}  // namespace
}  // namespace lumbrook

int main(int argc, char** argv) {
    using namespace lumbrook;
    RenderJob job;
    job.params = DefaultParams();
    std::vector<std::string> files;
    std::string saveParams, error;
    bool info = false, quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 < argc) return argv[++i];
            error = arg + " needs " + what;
            return nullptr;
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::fputs("\n", stdout);
            std::fputs(kEndsEarlyRule, stdout);
            return 0;
        } else if (arg == "--list-presets") {
            for (const PresetRecord& preset : kFactoryPresets) std::printf("%s\n", preset.name);
            return 0;
        } else if (arg == "--tail") {
            job.tail = true;
        } else if (arg == "--info") {
            info = true;
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--preset") {
            const char* v = value("a number or a name");
            if (!v) return Usage(error);
            const PresetRecord* preset = FindPreset(v);
            if (!preset) return Usage(std::string("no preset '") + v + "' (see --list-presets)");
            job.params = preset->params;
        } else if (arg == "--params") {
            const char* v = value("a file");
            if (!v) return Usage(error);
            if (!ReadParamsFile(v, &job.params, &error)) return Fail(error);
        } else if (arg == "--set") {
            const char* v = value("NAME=VALUE");
            if (!v) return Usage(error);
            ParamSetting setting;
            if (!ParseSetting(v, &setting, &error)) return Usage(error);
            ApplySetting(setting, &job.params);
            if (setting.param->id == ParamId::Bypass) job.bypassSwitch = setting.switchValue;
        } else if (arg == "--save-params") {
            const char* v = value("a file");
            if (!v) return Usage(error);
            saveParams = v;
        } else if (arg == "--format") {
            const char* v = value("float, 16 or 24");
            if (!v) return Usage(error);
            const std::string f = v;
            if (f == "float" || f == "32")
                job.format = SampleFormat::Float;
            else if (f == "16")
                job.format = SampleFormat::Pcm16;
            else if (f == "24")
                job.format = SampleFormat::Pcm24;
            else
                return Usage("--format takes float, 16 or 24");
        } else if (arg == "--buffer" || arg == "--block") {
            const char* v = value("a frame count");
            if (!v) return Usage(error);
            if (!ParseBufferFrames(v, &job.bufferFrames)) return Usage(kBufferFramesRule);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option '" + arg + "'");
        } else {
            files.push_back(arg);
        }
    }
    if (job.tail) job.params.extendTail = 1;
    if (info)
        for (const ParamInfo& param : kParamTable)
            std::printf("%s\n", DescribeParam(job.params, param).c_str());
    const bool render = !files.empty() || (!info && saveParams.empty());
    if (render && files.size() != 2)
        return Usage(files.size() < 2 ? "IN and OUT are needed" : "too many file names");
    // Every path is checked before anything is written.
    if (render) {
        job.inputPath = files[0];
        job.outputPath = files[1];
        const std::string problem = RenderProblem(job);
        if (!problem.empty()) return Fail(problem);
    }
    if (!saveParams.empty()) {
        std::string problem = OutputFile::Problem(saveParams);
        for (const std::string& file : files)
            if (problem.empty() && (saveParams == file || OutputFile::SameFile(saveParams, file)))
                problem = "the parameter file would overwrite '" + file + "'";
        if (!problem.empty()) return Fail(problem);
        if (!WriteParamsFile(saveParams, job.params, &error)) return Fail(error);
    }
    if (!render) return 0;

    // A bar only for people watching a terminal, and only for work that takes a while.
    ProgressBar bar(!quiet && isatty(STDERR_FILENO));
    job.progress = [&bar](int64_t done, int64_t total, uint32_t rate) { bar(done, total, rate); };
    const RenderResult result = Render(job);
    bar.Finish();
    for (const std::string& warning : result.warnings)
        std::fprintf(stderr, "lumbrook-reverb: %s\n", warning.c_str());
    if (!result.ok) return Fail(result.error);
    return 0;
}
