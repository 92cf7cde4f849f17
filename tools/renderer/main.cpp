// lumbrook-reverb: the reverb as a native command-line renderer.
#include <cstdio>
#include <cstring>
#include <string>

#include "factory_presets.h"
#include "render.h"

namespace {

const char kUsage[] =
    "usage: lumbrook-reverb IN OUT [options]\n"
    "Reverberates an audio file (WAV, AIFF or FLAC; mono or stereo; any rate)\n"
    "and writes a WAV file.\n"
    "\n"
    "  --preset N|NAME   apply a factory preset (see --list-presets)\n"
    "  --tail            append the decaying tail (up to ten seconds)\n"
    "  --list-presets    list the factory presets\n"
    "  --help            show this text\n"
    "\n"
    "example: lumbrook-reverb dry.wav wet.wav --preset \"Large Hall 1\" --tail\n";

int Usage(const char* error) {
    std::fprintf(stderr, "lumbrook-reverb: %s\n\n%s", error, kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lumbrook;
    RenderJob job;
    job.params = DefaultParams();
    std::string positional[2];
    int positionals = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--list-presets") {
            for (const PresetRecord& preset : kFactoryPresets) std::printf("%s\n", preset.name);
            return 0;
        } else if (arg == "--tail") {
            job.tail = true;
        } else if (arg == "--preset") {
            if (++i == argc) return Usage("--preset needs a number or a name");
            const PresetRecord* preset = FindPreset(argv[i]);
            if (!preset) return Usage(("no preset '" + std::string(argv[i]) + "'").c_str());
            job.params = preset->params;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage(("unknown option '" + arg + "'").c_str());
        } else if (positionals < 2) {
            positional[positionals++] = arg;
        } else {
            return Usage("too many file names");
        }
    }
    if (positionals < 2) return Usage("IN and OUT are needed");
    job.inputPath = positional[0];
    job.outputPath = positional[1];
    const RenderResult result = Render(job);
    if (!result.ok) {
        std::fprintf(stderr, "lumbrook-reverb: %s\n", result.error.c_str());
        return 1;
    }
    return 0;
}
