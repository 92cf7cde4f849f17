// Renders a WAV file through an effect's filter in a DirectShow graph built
// from the system's own filters: File Source (Async) -> WAVE Parser -> the
// effect -> Sample Grabber -> Null Renderer. The graph runs unclocked, as fast
// as it can, and every sample the grabber sees goes into the output in the
// format the effect delivered (32-bit float, or PCM as the input was).
#pragma once

#include <windows.h>
#include <strmif.h>

#include <cstdint>
#include <string>

namespace lumbrook {

// WaitForCompletion takes a signed count of milliseconds (-1: no limit).
constexpr int32_t kLongestWaitMs = 0x7FFFFFFF;

struct GraphJob {
    std::wstring inPath;    // a full path: the File Source opens it by name
    std::string inSummary;  // "'in.wav' (2 channels of 16-bit PCM at 44100 Hz)"
    std::wstring outPath;
    std::wstring effectName;             // the filter's name in the graph and in messages
    int32_t timeoutMs = kLongestWaitMs;  // for the run, from start to end of stream
};

// One run of a fresh graph (a graph that has reached its end grabs nothing
// when run again). The filter joins the graph, which holds it until it
// returns. True once the output is complete and in place; otherwise false
// with a message for people, and no output written or left half-written.
bool RenderThroughGraph(const GraphJob& job, IBaseFilter* effect, std::string* error);

}  // namespace lumbrook
