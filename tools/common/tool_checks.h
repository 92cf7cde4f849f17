// What both command-line tools check in their input and arguments, and the
// words they use for it, so that the two tools say the same things.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumbrook {

constexpr int32_t kMaxBlockFrames = 1 << 20;

// A whole decimal number of frames, 1 to kMaxBlockFrames, and nothing else:
// "10abc", "" and 4294967297 are refused.
bool ParseBufferFrames(const char* text, int32_t* frames);
extern const char kBufferFramesRule[];

// NaN and infinities in interleaved samples.
size_t CountNonFinite(const float* samples, size_t count);

// "'in.wav' holds 3 non-finite samples (NaN or infinity)".
std::string NonFiniteWarning(const std::string& path, int64_t count);

// The rule for an input whose data ends before its announced length: both
// tools render the frames that are there and say so with both counts.
std::string EndsEarlyWarning(const std::string& path, int64_t framesThere, int64_t framesAnnounced);
extern const char kEndsEarlyRule[];
// The same words without "warning: ", for where ending early is an error.
std::string EndsEarly(const std::string& path, int64_t framesThere, int64_t framesAnnounced);

// "" when the rate is one the tools render, else why not.
std::string RateProblem(const std::string& path, uint64_t sampleRate);

}  // namespace lumbrook
