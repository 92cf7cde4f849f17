// The network's kernel for processors with SSE2, the baseline of both builds
// (the 32-bit plug-in runs it where a processor lacks AVX2). Stereo: comb k of the left and comb k
// of the right channel share their input and coefficients, so they run side by side in the two
// lanes of one register, as do the all-passes and the shelves. Lane arithmetic is the portable
// kernel's IEEE double arithmetic in the same order (the frame steps of frame_steps.h, lane by
// lane), and a packed sum over the combs adds them in comb order in each lane, so the output is bit
// for bit that of the frame step. Mono runs the portable kernel.
#include "kernels.h"

#ifdef LUMBROOK_SSE2_KERNEL

#include <emmintrin.h>

#include "frame_steps.h"
#include "shelf_pair.h"

namespace lumbrook {

namespace {

// Comb pairs per pass: as many as the registers hold with the coefficients,
// the input and the sum (16 registers in 64-bit code, 8 in 32-bit code).
#ifdef __x86_64__
constexpr int kCombGroup = 4;
#else
constexpr int kCombGroup = 2;
#endif

// Both channels' comb sums, all-passed and equalised in place, left and
// right of each frame side by side in one register.
struct Sse2Scratch {
    alignas(16) double wet[kBatchFrames][2];
};

__m128d LoadPair(const float* left, const float* right) {
    return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(left), _mm_load_ss(right)));
}

void StorePair(float* left, float* right, __m128d value) {
    const __m128 rounded = _mm_cvtpd_ps(value);
    _mm_store_ss(left, rounded);
    _mm_store_ss(right, _mm_shuffle_ps(rounded, rounded, 1));
}

// Combs first..first+kCombGroup-1 of both channels. A later pass adds to the
// earlier passes' sums, which keeps the comb order of the additions.
template <int first>
void RunCombPairs(NetworkState& net, const CallSettings& call, const BatchInput& input,
                  Sse2Scratch& scratch, int32_t frameCount) {
    constexpr int kRight = kCombsPerChannel;
    int32_t* cursor = net.combCursor;
    const int32_t* length = call.combLength;
    const __m128d feedback = _mm_set1_pd(call.feedback);
    const __m128d damp1 = _mm_set1_pd(call.damp1);
    const __m128d damp2 = _mm_set1_pd(call.damp2);
    __m128d store[kCombGroup];
    for (int k = 0; k < kCombGroup; ++k)
        store[k] = _mm_set_pd(net.combStore[kRight + first + k], net.combStore[first + k]);

    const float* combInput = input.combInput;
    double* sum = &scratch.wet[0][0];
    for (int32_t frames = frameCount; frames > 0;) {
        int32_t segment = SegmentBeforeWrap(cursor + first, length + first, kCombGroup, frames);
        segment = SegmentBeforeWrap(cursor + kRight + first, length + kRight + first, kCombGroup,
                                    segment);
        float* left[kCombGroup];
        float* right[kCombGroup];
        for (int k = 0; k < kCombGroup; ++k) {
            left[k] = net.combLine[first + k] + cursor[first + k];
            right[k] = net.combLine[kRight + first + k] + cursor[kRight + first + k];
        }
        for (int32_t j = 0; j < segment; ++j) {
            const __m128d in = _mm_set1_pd(combInput[j]);
            __m128d total = first == 0 ? _mm_setzero_pd() : _mm_load_pd(sum + 2 * j);
            for (int k = 0; k < kCombGroup; ++k) {
                const __m128d out = LoadPair(left[k] + j, right[k] + j);
                const __m128d filtered =
                    _mm_add_pd(_mm_mul_pd(out, damp2), _mm_mul_pd(store[k], damp1));
                store[k] = _mm_cvtps_pd(_mm_cvtpd_ps(filtered));
                StorePair(left[k] + j, right[k] + j,
                          _mm_add_pd(_mm_mul_pd(filtered, feedback), in));
                total = first == 0 && k == 0 ? out : _mm_add_pd(total, out);
            }
            _mm_store_pd(sum + 2 * j, total);
        }
        AdvanceCursors(cursor + first, length + first, kCombGroup, segment);
        AdvanceCursors(cursor + kRight + first, length + kRight + first, kCombGroup, segment);
        combInput += segment;
        sum += 2 * segment;
        frames -= segment;
    }
    for (int k = 0; k < kCombGroup; ++k) {
        net.combStore[first + k] = float(_mm_cvtsd_f64(store[k]));
        net.combStore[kRight + first + k] =
            float(_mm_cvtsd_f64(_mm_unpackhi_pd(store[k], store[k])));
    }
}

template <int first>
void RunCombPasses(NetworkState& net, const CallSettings& call, const BatchInput& input,
                   Sse2Scratch& scratch, int32_t frameCount) {
    RunCombPairs<first>(net, call, input, scratch, frameCount);
    if constexpr (first + kCombGroup < kCombsPerChannel)
        RunCombPasses<first + kCombGroup>(net, call, input, scratch, frameCount);
}

// The all-passes, the equaliser and the output mix in one pass: the
// shelves' recursion then overlaps the all-passes' work.
template <bool eq, bool write, bool tail>
void RunAllpassesToOutput(NetworkState& net, const CallSettings& call, const BatchInput& input,
                          Sse2Scratch& scratch, float* frames, int32_t frameCount) {
    constexpr int kRight = kAllpassesPerChannel;
    int32_t* cursor = net.allpassCursor;
    const int32_t* length = call.allpassLength;
    const __m128d wetGain = _mm_set1_pd(call.wetGain);
    const __m128d dryGain = _mm_set1_pd(call.dryGain);
    const __m128d earlyGain = _mm_set1_pd(call.earlyGain);
    ShelfPair low(net.shelf[kLeftLowShelf], net.shelf[kRightLowShelf]);
    ShelfPair high(net.shelf[kLeftHighShelf], net.shelf[kRightHighShelf]);
    for (int32_t done = 0; done < frameCount;) {
        const int32_t segment = SegmentBeforeWrap(cursor, length, kAllpassCount, frameCount - done);
        float* left[kAllpassesPerChannel];
        float* right[kAllpassesPerChannel];
        for (int k = 0; k < kAllpassesPerChannel; ++k) {
            left[k] = net.allpassLine[k] + cursor[k];
            right[k] = net.allpassLine[kRight + k] + cursor[kRight + k];
        }
        for (int32_t i = 0; i < segment; ++i) {
            const int32_t j = done + i;
            __m128d x = _mm_load_pd(&scratch.wet[j][0]);
            for (int k = 0; k < kAllpassesPerChannel; ++k) {
                __m128d written;
                x = AllpassStep(x, LoadPair(left[k] + i, right[k] + i), written);
                StorePair(left[k] + i, right[k] + i, written);
            }
            if (eq) x = high.Filter(_mm_cvtps_pd(_mm_cvtpd_ps(low.Filter(x))));
            if (!write) continue;
            const __m128d in = tail ? _mm_setzero_pd() : LoadPair(&input.in[0][j], &input.in[1][j]);
            const __m128d early = LoadPair(&input.early[0][j], &input.early[1][j]);
            // Two float stores: the host's buffer need only be aligned for float.
            StorePair(frames + 2 * j, frames + 2 * j + 1,
                      MixStep(tail, in, x, early, dryGain, wetGain, earlyGain));
        }
        AdvanceCursors(cursor, length, kAllpassCount, segment);
        done += segment;
    }
    if (eq) {
        low.StoreHistory(net.shelf[kLeftLowShelf], net.shelf[kRightLowShelf]);
        high.StoreHistory(net.shelf[kLeftHighShelf], net.shelf[kRightHighShelf]);
    }
}

template <bool tail>
void RunAllpassesToOutput(NetworkState& net, const CallSettings& call, const BatchInput& input,
                          Sse2Scratch& scratch, float* frames, int32_t frameCount) {
    if (call.eqActive) {
        if (call.writeOutput)
            RunAllpassesToOutput<true, true, tail>(net, call, input, scratch, frames, frameCount);
        else
            RunAllpassesToOutput<true, false, tail>(net, call, input, scratch, frames, frameCount);
    } else if (call.writeOutput) {
        RunAllpassesToOutput<false, true, tail>(net, call, input, scratch, frames, frameCount);
    } else {
        RunAllpassesToOutput<false, false, tail>(net, call, input, scratch, frames, frameCount);
    }
}

}  // namespace

void RunBatchSse2(NetworkState& net, const CallSettings& call, BatchInput& input, float* frames,
                  int32_t frameCount) {
    if (call.channels != 2) {
        RunBatch(net, call, input, frames, frameCount);
        return;
    }
    Sse2Scratch scratch;
    if (!call.tail) ReadInput(call, input, frames, frameCount);
    RunInputStage(net, call, input, frameCount);
    RunCombPasses<0>(net, call, input, scratch, frameCount);
    if (call.tail)
        RunAllpassesToOutput<true>(net, call, input, scratch, frames, frameCount);
    else
        RunAllpassesToOutput<false>(net, call, input, scratch, frames, frameCount);
}

}  // namespace lumbrook

#endif
