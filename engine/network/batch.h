// What every kernel shares within one processing call: the call's settings,
// the input stage's output for one batch of frames, and the walk of a line's
// cursor. A kernel runs one batch (at most kBatchFrames frames) at a time;
// each keeps its own scratch for the rest of the network.
#pragma once

#include <cstdint>

#include "network_state.h"

namespace lumbrook {

// Frames the network runs at a time: the per-batch arrays below stay in the
// first-level cache.
constexpr int32_t kBatchFrames = 256;

// The values one processing call works with: the coefficients as doubles and
// the lengths, fixed for the whole call.
struct CallSettings {
    bool tail;         // ProcessTail: silence in, no dry term
    bool writeOutput;  // false while bypassed: the network runs, the buffer stays
    bool eqActive;
    uint32_t channels;
    int32_t earlyLength[2];  // left, right
    int32_t preDelayLength;
    const int32_t* combLength;
    const int32_t* allpassLength;
    double feedback, damp1, damp2, wetGain, dryGain, earlyGain;
};

// The input stage's output for one batch: the checked input (silence in a
// tail, so it is cleared once per call), each channel's early echo and
// pre-delayed signal, and the combs' common input.
struct BatchInput {
    float in[2][kBatchFrames];
    float early[2][kBatchFrames];
    float preDelayed[2][kBatchFrames];
    float combInput[kBatchFrames];
};

// Copies the batch's input into input.in, a non-finite sample (NaN,
// infinity) as silence: the feedback paths would otherwise carry it until
// the next reset, so one bad sample costs that sample, dry term included.
void ReadInput(const CallSettings& call, BatchInput& input, const float* frames,
               int32_t frameCount);
// Early echo and pre-delay of every channel from input.in, and the combs'
// common input (input_stage.cpp).
void RunInputStage(NetworkState& net, const CallSettings& call, BatchInput& input,
                   int32_t frameCount);

// Inline: the kernels call these for every segment, with a constant count.
// A segment is the frames until the first of `count` lines wraps (at least
// 1: a cursor left beyond a shortened length wraps after one step), capped
// at `frames`.
inline int32_t SegmentBeforeWrap(const int32_t* cursor, const int32_t* length, int count,
                                 int32_t frames) {
    int32_t segment = frames;
    for (int i = 0; i < count; ++i) {
        int32_t room = length[i] - cursor[i];
        if (room < 1) room = 1;
        if (room < segment) segment = room;
    }
    return segment;
}

inline void AdvanceCursors(int32_t* cursor, const int32_t* length, int count, int32_t segment) {
    for (int i = 0; i < count; ++i) {
        cursor[i] += segment;
        if (cursor[i] >= length[i]) cursor[i] = 0;
    }
}

}  // namespace lumbrook
