#include "tool_checks.h"

#include <cmath>

#include "wav_header.h"

namespace lumbrook {

const char kBufferFramesRule[] = "--buffer takes a whole number of frames, 1 to 1048576";

const char kEndsEarlyRule[] =
    "An input whose data ends before the length its header announces (a file\n"
    "cut short, or a stream that closes early) is\n"
    "rendered as far as it goes, with a warning giving both frame counts.\n";

bool ParseBufferFrames(const char* text, int32_t* frames) {
    if (!text || !*text) return false;
    int64_t value = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9') return false;
        value = value * 10 + (*c - '0');
        if (value > kMaxBlockFrames) return false;
    }
    if (value < 1) return false;
    *frames = int32_t(value);
    return true;
}

size_t CountNonFinite(const float* samples, size_t count) {
    size_t bad = 0;
    for (size_t i = 0; i < count; ++i) bad += !std::isfinite(samples[i]);
    return bad;
}

std::string NonFiniteWarning(const std::string& path, int64_t count) {
    return "warning: '" + path + "' holds " + std::to_string(count) +
           " non-finite samples (NaN or infinity)";
}

std::string EndsEarly(const std::string& path, int64_t framesThere, int64_t framesAnnounced) {
    return "'" + path + "' ends early: rendered the " + std::to_string(framesThere) +
           " frames it holds of the " + std::to_string(framesAnnounced) + " its header announces";
}

std::string EndsEarlyWarning(const std::string& path, int64_t framesThere,
                             int64_t framesAnnounced) {
    return "warning: " + EndsEarly(path, framesThere, framesAnnounced);
}

std::string RateProblem(const std::string& path, uint64_t sampleRate) {
    if (sampleRate >= 1 && sampleRate <= kMaxSampleRate) return "";
    return "'" + path + "' announces a sample rate of " + std::to_string(sampleRate) +
           " Hz; the rates rendered are 1 to " + std::to_string(kMaxSampleRate) + " Hz";
}

}  // namespace lumbrook
