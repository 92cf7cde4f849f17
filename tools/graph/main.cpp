// graph-render: renders a WAV file through the registered effect the way a
// DirectShow application does, with the system's own filters around it, so
// that the media object, its registration and the filter class can be
// checked against reverb-host's render. Finds the effect by name only.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "effect_filter.h"
#include "interfaces.h"
#include "render_graph.h"
#include "reverb_engine.h"
#include "wav_file.h"

namespace lumbrook {
namespace {

// The name the plug-in registers its effect under, in every list.
const wchar_t kEffectName[] = L"Lumbrook Reverb";

// An unclocked graph runs faster than the audio plays; longer than the
// audio's own duration plus this means it is stuck.
constexpr int64_t kStuckAfterSeconds = 30;

const char kUsage[] =
    "usage: graph-render IN.wav OUT.wav [--dmo | --filter] [--preset N] [--tail]\n"
    "Renders IN.wav through the registered Lumbrook Reverb in a DirectShow graph of\n"
    "the system's own filters: File Source (Async) -> WAVE Parser -> the effect ->\n"
    "Sample Grabber -> Null Renderer.\n"
    "  --dmo        the effect as an audio-effect DMO, found by name through DMOEnum\n"
    "               and the System Device Enumerator (the default)\n"
    "  --filter     the effect as a DirectShow filter, found by name in the legacy\n"
    "               filter category\n"
    "  --preset N   factory preset number N, loaded through the filter\n"
    "  --tail       the reverberation's tail after the input\n"
    "OUT.wav holds what the effect delivers: 32-bit float for float input, PCM as\n"
    "the input's for PCM input. It is written through a temporary file beside it and\n"
    "appears only when complete; on failure an existing OUT stays as it was.\n";

int Fail(const std::string& message) {
    std::fprintf(stderr, "graph-render: %s\n", message.c_str());
    return 1;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "graph-render: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

struct Options {
    std::vector<std::wstring> files;
    FilterSource source = FilterSource::MediaObject;
    int32_t preset = -1;  // none
    bool tail = false;
};

bool ParsePresetNumber(const wchar_t* text, int32_t* number) {
    if (!*text) return false;
    int64_t value = 0;
    for (const wchar_t* at = text; *at; ++at) {
        if (*at < L'0' || *at > L'9') return false;
        value = value * 10 + (*at - L'0');
        if (value > 0x7FFFFFFF) return false;
    }
    *number = int32_t(value);
    return true;
}

bool ParseOptions(int argc, wchar_t** argv, Options* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--dmo") {
            options->source = FilterSource::MediaObject;
        } else if (arg == L"--filter") {
            options->source = FilterSource::LegacyFilter;
        } else if (arg == L"--tail") {
            options->tail = true;
        } else if (arg == L"--preset") {
            if (i + 1 == argc || !ParsePresetNumber(argv[i + 1], &options->preset)) {
                *error = "--preset needs a preset number";
                return false;
            }
            ++i;
        } else if (arg.size() > 1 && arg[0] == L'-') {
            *error = "unknown option " + Narrow(arg);
            return false;
        } else {
            options->files.push_back(arg);
        }
    }
    if (options->files.size() != 2) {
        *error = "needs IN.wav and OUT.wav";
        return false;
    }
    return true;
}

// The preset and the tail, through the filter as any client of it would
// reach them: the filter passes the effect's interfaces on.
bool ApplySettings(IBaseFilter* filter, const Options& options, std::string* error) {
    if (options.preset >= 0) {
        ComRef<IEffectPresets> presets;
        int32_t count = 0;
        if (FAILED(filter->QueryInterface(IID_IEffectPresets, presets.OutVoid())) ||
            FAILED(presets->GetPresetCount(&count))) {
            *error = "the filter does not pass on the effect's presets (IEffectPresets)";
            return false;
        }
        if (options.preset >= count || presets->LoadPreset(options.preset) != 1) {
            *error = "no preset " + std::to_string(options.preset) + "; the effect has " +
                     std::to_string(count) + " (0 to " + std::to_string(count - 1) + ")";
            return false;
        }
    }
    if (options.tail) {
        ComRef<IReverbControl> control;
        if (FAILED(filter->QueryInterface(IID_IReverbControl, control.OutVoid())) ||
            FAILED(control->put_ExtendTail(1))) {
            *error = "the filter does not pass on the effect's tail switch (IReverbControl)";
            return false;
        }
    }
    return true;
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length && length < MAX_PATH ? std::wstring(full) : path;
}

int Render(const Options& options) {
    const std::wstring& inPath = options.files[0];
    const std::wstring& outPath = options.files[1];
    GraphJob job;
    job.inPath = FullPath(inPath);
    job.outPath = outPath;
    job.effectName = kEffectName;
    if (_wcsicmp(job.inPath.c_str(), FullPath(outPath).c_str()) == 0)
        return Fail("the output would overwrite the input");
    const std::string outputProblem = WavWriter::Problem(outPath);
    if (!outputProblem.empty()) return Fail(outputProblem);
    std::string error;
    {
        // Read here only for clear words on a bad input and for the summary;
        // the graph reads it again through its own parser.
        WavReader in;
        if (!in.Open(inPath, &error)) return Fail(error);
        job.inSummary = "'" + Narrow(inPath) + "' (" + std::to_string(in.Channels()) +
                        " channels of " + std::to_string(in.BitsPerSample()) + "-bit " +
                        (in.IsFloat() ? "float" : "PCM") + " at " +
                        std::to_string(in.SampleRate()) + " Hz)";
        const int64_t frames =
            in.FramesPresent() + (options.tail ? TailBudgetFrames(in.SampleRate()) : 0);
        const int64_t seconds = frames / in.SampleRate();
        const int64_t timeoutMs = (kStuckAfterSeconds + seconds) * 1000;
        job.timeoutMs = timeoutMs < kLongestWaitMs ? int32_t(timeoutMs) : kLongestWaitMs;
    }
    ComRef<IBaseFilter> filter = FindEffectFilter(options.source, kEffectName, &error);
    if (!filter || !ApplySettings(filter.Get(), options, &error) ||
        !RenderThroughGraph(job, filter.Get(), &error))
        return Fail(error);
    return 0;
}

}  // namespace
}  // namespace lumbrook

int wmain(int argc, wchar_t** argv) {
    using namespace lumbrook;
    if (argc == 2 && (std::wcscmp(argv[1], L"--help") == 0 || std::wcscmp(argv[1], L"help") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) return Usage(error);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = Render(options);
    CoUninitialize();
    return result;
}
