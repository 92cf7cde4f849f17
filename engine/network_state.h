// The network's state and the per-call values its kernels share: internal to
// the engine. The state lives inline in ReverbEngine: no allocation while processing.
#pragma once

#include <cstdint>

#include "shelf_filter.h"
#include "tuning.h"

namespace lumbrook {

enum ShelfIndex { kLeftLowShelf, kRightLowShelf, kLeftHighShelf, kRightHighShelf, kShelfCount };

struct NetworkState {
    float earlyLine[2][kLineCapacity];
    float preDelayLine[2][kLineCapacity];
    int32_t earlyCursor[2];
    int32_t preDelayCursor[2];
    float combLine[kCombCount][kLineCapacity];
    float combStore[kCombCount];
    int32_t combCursor[kCombCount];
    float allpassLine[kAllpassCount][kLineCapacity];
    int32_t allpassCursor[kAllpassCount];
    ShelfFilter shelf[kShelfCount];
    int64_t tailCount;  // wide: a spent budget still counts a frame per call
};

constexpr int32_t kBlockFrames = 256;
// Frames the vector kernels run through the combs' three passes at a time:
// their scratch then stays in the first-level cache.
constexpr int32_t kCombSliceFrames = 64;

// What one processing call works with: the coefficients as doubles, the
// lengths, and the scratch of one block of frames.
struct CallContext {
    bool tail;         // ProcessTail: silence in, no dry term
    bool writeOutput;  // false while bypassed: the network runs, the buffer stays
    bool eqActive;
    uint32_t channels;
    int32_t earlyLength[2];  // left, right
    int32_t preDelayLength;
    const int32_t* combLength;
    const int32_t* allpassLength;
    double feedback, damp1, damp2, wetGain, dryGain, earlyGain;
    float in[2][kBlockFrames];
    float early[2][kBlockFrames];
    float preDelayed[2][kBlockFrames];
    float combInput[kBlockFrames];
    alignas(16) double wet[kBlockFrames][2];  // left and right of each frame
    // The vector kernels' scratch: each channel's comb sum, all-passed and
    // equalised in place; and, for one slice of frames, every comb's damped
    // output, then its unrounded new value, frame by frame.
    alignas(32) double series[2][kBlockFrames];
    alignas(32) double combDamped[kCombSliceFrames][kCombCount];
};

// Runs one block of at most kBlockFrames frames of the interleaved buffer
// through the network and, if asked, writes the output over it: the portable
// kernel, one frame step after another stage by stage (network.cpp). The
// vector kernels (network_kernels.h) give the very same samples.
void RunBlock(NetworkState& net, CallContext& ctx, float* frames, int32_t frameCount);

// Shared stage helpers (network.cpp).
// Copies the block's input into ctx.in, a non-finite sample (NaN, infinity)
// as silence: the feedback paths would otherwise carry it until the next
// reset, so one bad sample costs that sample, dry term included.
void ReadInput(CallContext& ctx, const float* frames, int32_t frameCount);
// Early echo and pre-delay of every channel from ctx.in, and the combs'
// common input.
void RunInputStage(NetworkState& net, CallContext& ctx, int32_t frameCount);

// Inline: the kernels call these for every run of frames, with a constant count.
// Frames until the first of `count` lines wraps (at least 1: a cursor left
// beyond a shortened length wraps after one step), capped at `frames`.
inline int32_t ChunkBeforeWrap(const int32_t* cursor, const int32_t* length, int count,
                               int32_t frames) {
    int32_t chunk = frames;
    for (int i = 0; i < count; ++i) {
        int32_t room = length[i] - cursor[i];
        if (room < 1) room = 1;
        if (room < chunk) chunk = room;
    }
    return chunk;
}

inline void AdvanceCursors(int32_t* cursor, const int32_t* length, int count, int32_t chunk) {
    for (int i = 0; i < count; ++i) {
        cursor[i] += chunk;
        if (cursor[i] >= length[i]) cursor[i] = 0;
    }
}

}  // namespace lumbrook
