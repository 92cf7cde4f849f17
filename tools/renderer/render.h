// Streams an audio file through the engine: reads chunks, reverberates them
// in place, appends the tail and writes the output through OutputFile, the
// three at once on their own threads (render_stages.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "reverb_params.h"

namespace lumbrook {

enum class SampleFormat { Float, Pcm16, Pcm24 };

struct RenderJob {
    std::string inputPath;
    std::string outputPath;  // "-" is standard output
    ReverbParams params;
    bool tail = false;  // append the decaying tail (sets extendTail)
    // The bypass switch as the plug-in's property sets it: -1 leaves it as
    // a block leaves it, which is off whatever the block holds.
    int32_t bypassSwitch = -1;
    SampleFormat format = SampleFormat::Float;
    int32_t bufferFrames = 4096;
    // Called with frames done, frames in all (tail included) and the rate.
    std::function<void(int64_t, int64_t, uint32_t)> progress;
};

struct RenderResult {
    bool ok = false;
    std::string error;                  // for people: what went wrong and what is supported
    std::vector<std::string> warnings;  // said once each, the render went on
    int64_t inputFrames = 0;
    int64_t tailFrames = 0;
    int64_t nonFiniteSamples = 0;
    uint32_t channels = 0;
    uint32_t sampleRate = 0;
};

// Why the job's input or output cannot be used, checked before anything is
// written; "" when both can.
std::string RenderProblem(const RenderJob& job);

// The output appears only when the whole rendering succeeded; an existing
// file of that name is replaced in one step or left untouched. Outputs past
// the 4 GiB of RIFF are RF64; smaller ones stay plain WAV.
RenderResult Render(const RenderJob& job);

}  // namespace lumbrook
