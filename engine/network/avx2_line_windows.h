// Windows onto a delay line for the AVX2 kernel. Only avx2_kernel.cpp
// includes this, inside its AVX2 target region.
#pragma once

#include <cstring>

#include "batch.h"

namespace lumbrook {
namespace avx2 {

// A window of `frames` frames of a line from its cursor, as one straight
// array: the line itself where the window does not wrap, otherwise `spare`,
// filled from the line's two pieces; CloseWindow writes it back and moves
// the cursor on. The windows onto the lines of a stage then need not end
// where one of them wraps, and their reads and writes need no wrap test. A
// line at least as long as the window keeps its two pieces apart. A cursor
// left beyond a shortened length takes one frame there, then wraps, as
// SegmentBeforeWrap has it.
inline int32_t FramesBeforeWrap(int32_t cursor, int32_t length, int32_t frames) {
    return SegmentBeforeWrap(&cursor, &length, 1, frames);
}
inline float* OpenWindow(float* line, int32_t cursor, int32_t length, int32_t frames,
                         float* spare) {
    const int32_t before = FramesBeforeWrap(cursor, length, frames);
    if (before == frames) return line + cursor;
    std::memcpy(spare, line + cursor, sizeof(float) * size_t(before));
    std::memcpy(spare + before, line, sizeof(float) * size_t(frames - before));
    return spare;
}
inline void CloseWindow(float* line, int32_t& cursor, int32_t length, int32_t frames,
                        const float* window) {
    const int32_t before = FramesBeforeWrap(cursor, length, frames);
    if (before == frames) {
        AdvanceCursors(&cursor, &length, 1, frames);
        return;
    }
    std::memcpy(line + cursor, window, sizeof(float) * size_t(before));
    std::memcpy(line, window + before, sizeof(float) * size_t(frames - before));
    cursor = frames - before;
}

// True when none of `count` lines wraps within `frames` frames of its
// cursor: each window is then the line itself, and closing it only moves
// the cursor on.
template <int kCount>
inline bool NoneWraps(const int32_t* cursor, const int32_t* length, int32_t frames) {
    int32_t room = length[0] - cursor[0];
    for (int i = 1; i < kCount; ++i) {
        const int32_t r = length[i] - cursor[i];
        room = r < room ? r : room;
    }
    return room >= frames;
}

// The windows of a stage's `kCount` lines, opened and closed together. Most
// slices of a small host buffer find that no line wraps, and one check of
// all the lines costs less than opening each window.
template <int kCount, int kSpareFrames>
struct LineWindows {
    float* at[kCount];
    bool straight;

    LineWindows(float* const* line, const int32_t* cursor, const int32_t* length, int32_t frames,
                float (*spare)[kSpareFrames])
        : straight(NoneWraps<kCount>(cursor, length, frames)) {
        for (int k = 0; k < kCount; ++k)
            at[k] = straight ? line[k] + cursor[k]
                             : OpenWindow(line[k], cursor[k], length[k], frames, spare[k]);
    }

    void Close(float* const* line, int32_t* cursor, const int32_t* length, int32_t frames) const {
        if (straight) {
            AdvanceCursors(cursor, length, kCount, frames);
            return;
        }
        for (int k = 0; k < kCount; ++k) CloseWindow(line[k], cursor[k], length[k], frames, at[k]);
    }
};

inline int32_t ShortestLength(const int32_t* length, int count) {
    int32_t shortest = length[0];
    for (int i = 1; i < count; ++i)
        if (length[i] < shortest) shortest = length[i];
    return shortest;
}

}  // namespace avx2
}  // namespace lumbrook
