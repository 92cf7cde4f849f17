// The network's kernel for processors with SSE2, the baseline of both builds
// (the 32-bit plug-in runs it). Stereo: comb k of the left and comb k of the
// right channel share their input and coefficients, so they run side by side
// in the two lanes of one register, as do the all-passes and the shelves.
// Lane arithmetic is the portable kernel's IEEE double arithmetic in the same
// order, and a packed sum over the combs adds them in comb order in each
// lane, so the output is bit for bit that of the frame step. Mono runs the
// portable kernel.
#include "network_kernels.h"

#ifdef LUMBROOK_SSE2_KERNEL

#include <emmintrin.h>

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
void RunCombPairs(NetworkState& net, CallContext& ctx, int32_t frameCount) {
    constexpr int kRight = kCombsPerChannel;
    int32_t* cursor = net.combCursor;
    const int32_t* length = ctx.combLength;
    const __m128d feedback = _mm_set1_pd(ctx.feedback);
    const __m128d damp1 = _mm_set1_pd(ctx.damp1);
    const __m128d damp2 = _mm_set1_pd(ctx.damp2);
    __m128d store[kCombGroup];
    for (int k = 0; k < kCombGroup; ++k)
        store[k] = _mm_set_pd(net.combStore[kRight + first + k], net.combStore[first + k]);

    const float* input = ctx.combInput;
    double* sum = &ctx.wet[0][0];
    for (int32_t frames = frameCount; frames > 0;) {
        int32_t chunk = ChunkBeforeWrap(cursor + first, length + first, kCombGroup, frames);
        chunk =
            ChunkBeforeWrap(cursor + kRight + first, length + kRight + first, kCombGroup, chunk);
        float* left[kCombGroup];
        float* right[kCombGroup];
        for (int k = 0; k < kCombGroup; ++k) {
            left[k] = net.combLine[first + k] + cursor[first + k];
            right[k] = net.combLine[kRight + first + k] + cursor[kRight + first + k];
        }
        for (int32_t j = 0; j < chunk; ++j) {
            const __m128d in = _mm_set1_pd(input[j]);
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
        AdvanceCursors(cursor + first, length + first, kCombGroup, chunk);
        AdvanceCursors(cursor + kRight + first, length + kRight + first, kCombGroup, chunk);
        input += chunk;
        sum += 2 * chunk;
        frames -= chunk;
    }
    for (int k = 0; k < kCombGroup; ++k) {
        net.combStore[first + k] = float(_mm_cvtsd_f64(store[k]));
        net.combStore[kRight + first + k] =
            float(_mm_cvtsd_f64(_mm_unpackhi_pd(store[k], store[k])));
    }
}

template <int first>
void RunCombPasses(NetworkState& net, CallContext& ctx, int32_t frameCount) {
    RunCombPairs<first>(net, ctx, frameCount);
    if constexpr (first + kCombGroup < kCombsPerChannel)
        RunCombPasses<first + kCombGroup>(net, ctx, frameCount);
}

// The all-passes, the equaliser and the output mix in one pass: the
// shelves' recursion then overlaps the all-passes' work.
template <bool eq, bool write, bool tail>
void RunAllpassesToOutput(NetworkState& net, CallContext& ctx, float* frames, int32_t frameCount) {
    constexpr int kRight = kAllpassesPerChannel;
    int32_t* cursor = net.allpassCursor;
    const int32_t* length = ctx.allpassLength;
    const __m128d half = _mm_set1_pd(kAllpassGain);
    const __m128d wetGain = _mm_set1_pd(ctx.wetGain);
    const __m128d dryGain = _mm_set1_pd(ctx.dryGain);
    const __m128d earlyGain = _mm_set1_pd(ctx.earlyGain);
    const __m128d sign = _mm_set1_pd(-0.0);
    ShelfPair low(net.shelf[kLeftLowShelf], net.shelf[kRightLowShelf]);
    ShelfPair high(net.shelf[kLeftHighShelf], net.shelf[kRightHighShelf]);
    for (int32_t done = 0; done < frameCount;) {
        const int32_t chunk = ChunkBeforeWrap(cursor, length, kAllpassCount, frameCount - done);
        float* left[kAllpassesPerChannel];
        float* right[kAllpassesPerChannel];
        for (int k = 0; k < kAllpassesPerChannel; ++k) {
            left[k] = net.allpassLine[k] + cursor[k];
            right[k] = net.allpassLine[kRight + k] + cursor[kRight + k];
        }
        for (int32_t i = 0; i < chunk; ++i) {
            const int32_t j = done + i;
            __m128d x = _mm_load_pd(&ctx.wet[j][0]);
            for (int k = 0; k < kAllpassesPerChannel; ++k) {
                const __m128d held = LoadPair(left[k] + i, right[k] + i);
                StorePair(left[k] + i, right[k] + i, _mm_add_pd(x, _mm_mul_pd(held, half)));
                x = _mm_sub_pd(held, x);
            }
            if (eq) x = high.Filter(_mm_cvtps_pd(_mm_cvtpd_ps(low.Filter(x))));
            if (!write) continue;
            const __m128d early = LoadPair(&ctx.early[0][j], &ctx.early[1][j]);
            const __m128d echo = _mm_mul_pd(_mm_xor_pd(early, sign), earlyGain);
            __m128d out = _mm_mul_pd(x, wetGain);
            if (!tail) {
                // The dry term comes from the checked input, not the buffer.
                const __m128d in = LoadPair(&ctx.in[0][j], &ctx.in[1][j]);
                out = _mm_add_pd(_mm_mul_pd(in, dryGain), out);
            }
            out = _mm_add_pd(out, echo);
            // Two float stores: the host's buffer need only be aligned for float.
            StorePair(frames + 2 * j, frames + 2 * j + 1, out);
        }
        AdvanceCursors(cursor, length, kAllpassCount, chunk);
        done += chunk;
    }
    if (eq) {
        low.StoreHistory(net.shelf[kLeftLowShelf], net.shelf[kRightLowShelf]);
        high.StoreHistory(net.shelf[kLeftHighShelf], net.shelf[kRightHighShelf]);
    }
}

template <bool tail>
void RunAllpassesToOutput(NetworkState& net, CallContext& ctx, float* frames, int32_t frameCount) {
    if (ctx.eqActive) {
        if (ctx.writeOutput)
            RunAllpassesToOutput<true, true, tail>(net, ctx, frames, frameCount);
        else
            RunAllpassesToOutput<true, false, tail>(net, ctx, frames, frameCount);
    } else if (ctx.writeOutput) {
        RunAllpassesToOutput<false, true, tail>(net, ctx, frames, frameCount);
    } else {
        RunAllpassesToOutput<false, false, tail>(net, ctx, frames, frameCount);
    }
}

}  // namespace

void RunBlockSse2(NetworkState& net, CallContext& ctx, float* frames, int32_t frameCount) {
    if (ctx.channels != 2) {
        RunBlock(net, ctx, frames, frameCount);
        return;
    }
    if (!ctx.tail) ReadInput(ctx, frames, frameCount);
    RunInputStage(net, ctx, frameCount);
    RunCombPasses<0>(net, ctx, frameCount);
    if (ctx.tail)
        RunAllpassesToOutput<true>(net, ctx, frames, frameCount);
    else
        RunAllpassesToOutput<false>(net, ctx, frames, frameCount);
}

}  // namespace lumbrook

#endif
