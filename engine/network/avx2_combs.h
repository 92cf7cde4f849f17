// The AVX2 kernel's combs, in three passes over a slice of frames: read,
// damp (the one recursion, frame by frame), write back. Only avx2_kernel.cpp
// includes this, inside its AVX2 target region.
#pragma once

#include "avx2_equaliser.h"
#include "avx2_lanes.h"
#include "avx2_scratch.h"

namespace lumbrook {
namespace avx2 {

// Pass one over a slice: each channel's comb outputs summed in comb order
// into scratch.series, and every comb's output times damp2, frame by frame,
// into scratch.combDamped.
template <int kChannels>
void ReadCombs(const CallSettings& call, Scratch& scratch, float* const* line, int32_t done,
               int32_t frames) {
    const V4d damp2 = Splat4(call.damp2);
    for (int ch = 0; ch < kChannels; ++ch) {
        float* const* own = line + ch * kCombsPerChannel;
        double* sum = scratch.series[ch] + done;
        double* damped = &scratch.combDamped[0][ch * kCombsPerChannel];
        int32_t j = 0;
        for (; j + 4 <= frames; j += 4) {
            V4d total;
            for (int half = 0; half < kCombsPerChannel; half += 4) {
                V4d out[4];
                for (int i = 0; i < 4; ++i) out[i] = Widen(Load<V4f>(own[half + i] + j));
                total = half == 0 ? out[0] + out[1] : total + out[0] + out[1];
                total = total + out[2] + out[3];
                for (V4d& o : out) o = o * damp2;
                Transpose(out[0], out[1], out[2], out[3]);
                for (int r = 0; r < 4; ++r) Store(damped + (j + r) * kCombCount + half, out[r]);
            }
            Store(sum + j, total);
        }
        for (; j < frames; ++j) {
            double total = 0.0;
            for (int k = 0; k < kCombsPerChannel; ++k) {
                const double out = own[k][j];
                total = k == 0 ? out : total + out;
                damped[j * kCombCount + k] = out * call.damp2;
            }
            sum[j] = total;
        }
    }
}

// Pass two: the damping recursion, frame by frame, every comb at once; each
// comb's unrounded new value replaces its damped output in scratch.combDamped.
// The equaliser, the other recursion, runs in the same loop over the slice's
// all-passed frames: the two chains of dependent operations then overlap.
// Alone, the combs run two to a register where there are sixteen: the round
// trip through float is then quicker, and the registers still hold every
// pair; where there are eight, four to a register, so that they fit.
template <int kChannels, bool eq>
void FilterCombs(const CallSettings& call, Scratch& scratch, double* storeKept,
                 Equaliser<kChannels>& eqKept, int32_t done, int32_t frames) {
    using Lanes = typename std::conditional<eq || kFewRegisters, V4d, V2d>::type;
    constexpr int kWidth = sizeof(Lanes) / sizeof(double);
    constexpr int kGroups = kChannels * kCombsPerChannel / kWidth;
    const double damp1s = call.damp1;
    // Local copies stay in registers across the loop's stores.
    Lanes store[kGroups];
    for (int g = 0; g < kGroups; ++g) store[g] = Load<Lanes>(storeKept + kWidth * g);
    typename Equaliser<kChannels>::History history = eqKept.Begin();
    for (int32_t j = 0; j < frames; ++j) {
        for (int g = 0; g < kGroups; ++g) {
            double* slot = &scratch.combDamped[j][kWidth * g];
            // With eight registers the stores need them all: the factor is
            // then read from memory at each use, off the recursion's path.
            Lanes damp1;
            if constexpr (kFewRegisters)
                Broadcast(damp1, &call.damp1);
            else
                for (int i = 0; i < kWidth; ++i) damp1[i] = damp1s;
            const Lanes filtered = ExactProductPlus(store[g], damp1, Load<Lanes>(slot));
            store[g] = RoundToFloat(filtered);
            Store(slot, filtered);
        }
        if (eq) eqKept.Filter(scratch, done + j, history);
    }
    for (int g = 0; g < kGroups; ++g) Store(storeKept + kWidth * g, store[g]);
    eqKept.End(history);
}

// Pass three: what each comb takes back, from pass two's values and the
// input, into the lines.
template <int kChannels>
void WriteCombs(const CallSettings& call, const BatchInput& input, const Scratch& scratch,
                float* const* line, int32_t done, int32_t frames) {
    constexpr int kCombs = kChannels * kCombsPerChannel;
    const V4d feedback = Splat4(call.feedback);
    const float* combInput = input.combInput + done;
    int32_t j = 0;
    for (; j + 4 <= frames; j += 4) {
        V4d in[4];
        for (int r = 0; r < 4; ++r) in[r] = Splat4(combInput[j + r]);
        for (int first = 0; first < kCombs; first += 4) {
            V4f v[4];
            for (int r = 0; r < 4; ++r)
                v[r] = Narrow(Load<V4d>(&scratch.combDamped[j + r][first]) * feedback + in[r]);
            Transpose(v[0], v[1], v[2], v[3]);
            for (int c = 0; c < 4; ++c) Store(line[first + c] + j, v[c]);
        }
    }
    for (; j < frames; ++j)
        for (int k = 0; k < kCombs; ++k)
            line[k][j] = float(scratch.combDamped[j][k] * call.feedback + double(combInput[j]));
}

}  // namespace avx2
}  // namespace lumbrook
