// The AVX2 kernel's own scratch for one batch. Only avx2_kernel.cpp includes
// this, inside its AVX2 target region.
#pragma once

#include "batch.h"

namespace lumbrook {
namespace avx2 {

// Frames the kernel runs through the combs' three passes at a time: a
// slice's scratch then stays in the first-level cache.
constexpr int32_t kCombSliceFrames = 64;

struct Scratch {
    // Each channel's comb sum, all-passed and equalised in place.
    alignas(32) double series[2][kBatchFrames];
    // For one slice: every comb's damped output, then its unrounded new
    // value, frame by frame.
    alignas(32) double combDamped[kCombSliceFrames][kCombCount];
};

}  // namespace avx2
}  // namespace lumbrook
