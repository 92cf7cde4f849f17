// Streams an audio file through the engine: reads blocks, reverberates them
// in place, appends the tail, writes through a temporary file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "reverb_params.h"

namespace lumbrook {

enum class SampleFormat { Float, Pcm16, Pcm24 };

struct RenderJob {
    std::string inputPath;
    std::string outputPath;
    ReverbParams params;
    bool tail = false;              // append the decaying tail (sets extendTail)
    SampleFormat format = SampleFormat::Float;
    int32_t blockFrames = 4096;
    // Called with frames done, frames in all (tail included) and the rate.
    std::function<void(int64_t, int64_t, uint32_t)> progress;
};

struct RenderResult {
    bool ok = false;
    std::string error;         // for people: what went wrong and what is supported
    int64_t inputFrames = 0;
    int64_t tailFrames = 0;
    uint32_t channels = 0;
    uint32_t sampleRate = 0;
};

// The output file appears only when the whole rendering succeeded; an
// existing file of that name is replaced atomically or left untouched.
RenderResult Render(const RenderJob& job);

}  // namespace lumbrook
