// reverb-host: renders audio through the Lumbrook Reverb plug-in as an audio
// application does: class objects, format negotiation, reset, in-place
// buffers and the tail. Also lists presets, saves parameter blocks, and
// registers the plug-in and its type library.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "factory_presets.h"
#include "host_stages.h"
#include "interfaces.h"
#include "param_file.h"
#include "param_text.h"
#include "plugin_loader.h"
#include "program_folder.h"
#include "property_access.h"
#include "tool_checks.h"
#include "reverb_engine.h"
#include "typelib_registration.h"
#include "wav_file.h"
#include "wav_header.h"

namespace lumbrook {
namespace {

const char kUsage[] =
    "usage: reverb-host render IN.wav OUT.wav [settings] [--tail] [--buffer N]\n"
    "       reverb-host save-params OUT.params [settings]\n"
    "       reverb-host presets\n"
    "       reverb-host register | unregister\n"
    "settings, applied in this order:\n"
    "  --preset N|NAME    a factory preset, by number or name\n"
    "  --params FILE      a saved 44-byte parameter block\n"
    "  --set NAME=VALUE   one parameter, e.g. roomSize=0.6, preDelay=35ms, loEq=-3dB, enableEq=on\n"
    "other options:\n"
    "  --plugin PATH      the plug-in DLL when it is not registered (default: beside this "
    "program)\n"
    "IN.wav: 16-, 24- or 32-bit PCM or 32-bit float, mono or stereo, 1 to 768000 Hz;\n"
    "OUT.wav: 32-bit float RIFF, refused before anything is written when it would\n"
    "pass 4 GiB (tail included). OUT is written through a temporary file beside it\n"
    "and appears only when complete; on failure or Ctrl-C (exit 130) an existing\n"
    "OUT stays as it was and the temporary file is removed.\n";

void Warn(const std::string& message) {
    std::fprintf(stderr, "reverb-host: %s\n", message.c_str());
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "reverb-host: %s\n", message.c_str());
    return 1;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "reverb-host: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

struct Options {
    std::string command;
    std::vector<std::wstring> files;
    std::wstring preset, paramsFile, plugin;
    std::vector<ParamSetting> settings;
    bool tail = false, hasPreset = false;
    int32_t bufferFrames = 4096;
};

bool ParseOptions(int argc, wchar_t** argv, Options* options, std::string* error) {
    if (argc < 2) {
        *error = "no command";
        return false;
    }
    options->command = Narrow(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const std::wstring arg = argv[i];
        auto value = [&](const char* what) -> const wchar_t* {
            if (i + 1 < argc) return argv[++i];
            *error = Narrow(arg) + " needs " + what;
            return nullptr;
        };
        if (arg == L"--tail") {
            options->tail = true;
        } else if (arg == L"--preset") {
            const wchar_t* v = value("a number or a name");
            if (!v) return false;
            if (!*v) {
                *error = "--preset needs a number or a name, not an empty text";
                return false;
            }
            options->preset = v;
            options->hasPreset = true;
        } else if (arg == L"--params") {
            const wchar_t* v = value("a file");
            if (!v) return false;
            options->paramsFile = v;
        } else if (arg == L"--plugin") {
            const wchar_t* v = value("a path");
            if (!v) return false;
            options->plugin = v;
        } else if (arg == L"--buffer" || arg == L"--block") {
            const wchar_t* v = value("a frame count");
            if (!v) return false;
            if (!ParseBufferFrames(Narrow(v).c_str(), &options->bufferFrames)) {
                *error = kBufferFramesRule;
                return false;
            }
        } else if (arg == L"--set") {
            const wchar_t* v = value("NAME=VALUE");
            if (!v) return false;
            ParamSetting setting;
            if (!ParseSetting(Narrow(v).c_str(), &setting, error)) return false;
            options->settings.push_back(setting);
        } else if (arg.size() > 1 && arg[0] == L'-') {
            *error = "unknown option " + Narrow(arg);
            return false;
        } else {
            options->files.push_back(arg);
        }
    }
    return true;
}

class LoadedEffect {
public:
    explicit LoadedEffect(const Options& options) : loader_(options.plugin) {}
    ~LoadedEffect() {
        if (presets_) presets_->Release();
        if (control_) control_->Release();
        if (effect_) effect_->Release();
    }

    bool CreateEffect(std::string* error) {
        if (FAILED(loader_.Create(CLSID_ReverbEffect, IID_IInPlaceEffect,
                                  reinterpret_cast<void**>(&effect_), error)))
            return false;
        if (FAILED(
                effect_->QueryInterface(IID_IReverbControl, reinterpret_cast<void**>(&control_))) ||
            FAILED(
                effect_->QueryInterface(IID_IEffectPresets, reinterpret_cast<void**>(&presets_)))) {
            *error = "the plug-in lacks its control or preset interface";
            return false;
        }
        return true;
    }

    std::vector<std::string> PresetNames() {
        std::vector<std::string> names;
        int32_t count = 0;
        presets_->GetPresetCount(&count);
        for (int32_t i = 0; i < count; ++i) {
            WCHAR name[64] = {};
            presets_->GetPresetName(i, name, 64);
            names.push_back(Narrow(name));
        }
        return names;
    }

    // The preset by number, full name or name without its number, found as
    // every tool finds it; the plug-in loads it by its place in the table.
    bool ApplyPreset(const std::wstring& wanted, std::string* error) {
        const std::string text = Narrow(wanted);
        const PresetRecord* preset = FindPreset(text.c_str());
        if (!preset || presets_->LoadPreset(int32_t(preset - kFactoryPresets)) != 1) {
            *error = "no preset '" + text + "' (see reverb-host presets)";
            return false;
        }
        return true;
    }

    bool ApplySettings(const Options& options, std::string* error) {
        if (options.hasPreset && !ApplyPreset(options.preset, error)) return false;
        if (!options.paramsFile.empty()) {
            ReverbParams block;
            if (!ReadParamsFile(Narrow(options.paramsFile), &block, error)) return false;
            if (effect_->SetParams(&block, kParamsSize) != 1) {
                *error = "the plug-in refused the parameter block";
                return false;
            }
        }
        for (const ParamSetting& s : options.settings) {
            const HRESULT hr = s.param->kind == ParamKind::Switch
                                   ? PutSwitchProperty(control_, s.param->id, s.switchValue)
                                   : PutFloatProperty(control_, s.param->id, s.value);
            if (FAILED(hr)) {
                *error = std::string("the plug-in refused ") + s.param->field;
                return false;
            }
        }
        if (options.tail && FAILED(control_->put_ExtendTail(1))) {
            *error = "the plug-in refused the tail";
            return false;
        }
        return true;
    }

    IInPlaceEffect* effect_ = nullptr;
    IReverbControl* control_ = nullptr;
    IEffectPresets* presets_ = nullptr;
    PluginLoader loader_;
};

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length && length < MAX_PATH ? std::wstring(full) : path;
}

// Ctrl-C and the console's other ends: the temporary output is marked for
// deletion, so ending here loses nothing that was there before.
BOOL WINAPI OnConsoleEnd(DWORD event) {
    ExitProcess(event == CTRL_C_EVENT ? 130 : 143);
    return TRUE;
}

int Render(const Options& options) {
    if (options.files.size() != 2) return Usage("render needs IN.wav and OUT.wav");
    const std::wstring& inPath = options.files[0];
    const std::wstring& outPath = options.files[1];
    const std::string inName = Narrow(inPath);
    if (_wcsicmp(FullPath(inPath).c_str(), FullPath(outPath).c_str()) == 0)
        return Fail("the output would overwrite the input");
    const std::string outputProblem = WavWriter::Problem(outPath);
    if (!outputProblem.empty()) return Fail(outputProblem);
    std::string error;
    WavReader in;
    if (!in.Open(inPath, &error)) return Fail(error);

    LoadedEffect loaded(options);
    if (!loaded.CreateEffect(&error) || !loaded.ApplySettings(options, &error)) return Fail(error);
    IInPlaceEffect* effect = loaded.effect_;

    // The buffers carry floats whatever the file holds: 16-bit PCM is offered
    // as it is, everything else as the 32-bit float it becomes.
    WAVEFORMATEX format = {};
    const bool pcm16 = !in.IsFloat() && in.BitsPerSample() == 16;
    format.wFormatTag = pcm16 ? WAVE_FORMAT_PCM : WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = WORD(in.Channels() > 0xFFFF ? 0xFFFF : in.Channels());
    format.nSamplesPerSec = in.SampleRate();
    format.wBitsPerSample = pcm16 ? 16 : 32;
    format.nBlockAlign = WORD(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    if (effect->IsFormatSupported(&format) != 1)
        return Fail("the plug-in does not take " + std::to_string(in.Channels()) +
                    " channels; it takes mono or stereo");

    int32_t extendTail = 0;
    loaded.control_->get_ExtendTail(&extendTail);
    const int64_t budget = extendTail ? TailBudgetFrames(in.SampleRate()) : 0;
    const uint64_t outputBytes =
        uint64_t(in.FramesPresent() + budget) * in.Channels() * sizeof(float);
    if (!FitsRiff(outputBytes))
        return Fail("the output would hold " + std::to_string(outputBytes) +
                    " bytes of samples (tail included), more than the 4 GiB a WAV file can; "
                    "nothing was written (lumbrook-reverb writes RF64)");

    effect->SetFormat(&format);
    effect->ResetStream();
    SetConsoleCtrlHandler(OnConsoleEnd, TRUE);
    WavWriter out;
    if (!out.Open(outPath, kWavFloat, 32, in.Channels(), in.SampleRate(), &error))
        return Fail(error);
    HostStages stages(options.bufferFrames, in.Channels());
    stages.in = &in;
    stages.out = &out;
    stages.effect = effect;
    stages.inName = inName;
    stages.extendTail = extendTail != 0;
    stages.tailBudget = budget;
    if (!stages.Run(&error)) return Fail(error);
    if (!out.Commit(&error)) return Fail(error);
    if (stages.nonFiniteSamples > 0) Warn(NonFiniteWarning(inName, stages.nonFiniteSamples));
    if (stages.framesRead < in.Frames())
        Warn(EndsEarlyWarning(inName, stages.framesRead, in.Frames()));
    return 0;
}

int SaveParams(const Options& options) {
    if (options.files.size() != 1) return Usage("save-params needs one file name");
    LoadedEffect loaded(options);
    std::string error;
    if (!loaded.CreateEffect(&error) || !loaded.ApplySettings(options, &error)) return Fail(error);
    ReverbParams block;
    if (loaded.effect_->GetParams(&block, kParamsSize) != 1)
        return Fail("the plug-in gave no block");
    if (!WriteParamsFile(Narrow(options.files[0]), block, &error)) return Fail(error);
    for (const ParamInfo& param : kParamTable)
        std::printf("%s\n", DescribeParam(block, param).c_str());
    return 0;
}

int ListPresets(const Options& options) {
    LoadedEffect loaded(options);
    std::string error;
    if (!loaded.CreateEffect(&error)) return Fail(error);
    for (const std::string& name : loaded.PresetNames()) std::printf("%s\n", name.c_str());
    return 0;
}

int Register(const Options& options, bool unregister) {
    PluginLoader loader(options.plugin);
    std::string error;
    if (FAILED(loader.Register(unregister, &error))) return Fail(error);
    const std::wstring library = BesideThisProgram(L"ReverbControl.tlb");
    const HRESULT hr = unregister ? UnregisterTypeLibrary() : RegisterTypeLibrary(library.c_str());
    if (FAILED(hr) && !(unregister && hr == TYPE_E_REGISTRYACCESS))
        return Fail(std::string(unregister ? "unregistering" : "registering") +
                    " the type library failed (ReverbControl.tlb beside this program)");
    std::printf("reverb-host: %s the plug-in and its type library\n",
                unregister ? "unregistered" : "registered");
    return 0;
}

}  // namespace
}  // namespace lumbrook

int wmain(int argc, wchar_t** argv) {
    using namespace lumbrook;
    Options options;
    std::string error;
    if (argc >= 2 && (std::wcscmp(argv[1], L"--help") == 0 || std::wcscmp(argv[1], L"help") == 0)) {
        std::fputs(kUsage, stdout);
        std::fputs(kEndsEarlyRule, stdout);
        return 0;
    }
    if (!ParseOptions(argc, argv, &options, &error)) return Usage(error);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result;
    if (options.command == "render")
        result = Render(options);
    else if (options.command == "save-params")
        result = SaveParams(options);
    else if (options.command == "presets")
        result = ListPresets(options);
    else if (options.command == "register" || options.command == "unregister")
        result = Register(options, options.command == "unregister");
    else
        result = Usage("unknown command '" + options.command + "'");
    CoUninitialize();
    return result;
}
