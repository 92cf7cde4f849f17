// The network's kernel for processors with AVX2 and FMA, chosen at run
// time: only this file's own code is compiled for them (the headers it
// shares with the other kernels come first, so no shared inline function
// carries such an instruction elsewhere; its own headers, avx2_*.h, come
// after the switch). The build keeps contraction off: a product is fused
// only where the kernel asks for it.
//
// Why it gives the portable kernel's samples: within a segment of frames in
// which no line wraps, a comb or all-pass reads values written `length`
// frames earlier, never in the same segment, so its reads, its writes and
// its all-pass arithmetic can run many frames at once. The only recursion
// left is each comb's damping store, which runs frame by frame with the
// sixteen combs side by side. Every sum and product is the portable kernel's
// IEEE double operation on the same operands, in the same order (an
// addition's operands may swap: that gives the same bits). A product is
// fused into the sum that takes it only where both factors are
// single-precision values (a float sample, a coefficient stored as float):
// such a product is exact in double, so the fused form rounds once where the
// separate forms round once.
#include <cstdint>
#include <cstring>
#include <type_traits>

#include <immintrin.h>

#include "frame_steps.h"
#include "kernels.h"

#ifdef LUMBROOK_AVX2_KERNEL

#pragma GCC push_options
#pragma GCC target("avx2,fma")

#include "avx2_combs.h"
#include "avx2_line_windows.h"

namespace lumbrook {
namespace avx2 {

// Each channel's four all-passes in series over frames done.. of scratch.series
// (at most a slice), four frames at a time.
template <int kChannels>
void RunAllpasses(NetworkState& net, const CallSettings& call, Scratch& scratch, int32_t done,
                  int32_t frameCount) {
    const V4d gain = Splat4(kAllpassGain);
    for (int ch = 0; ch < kChannels; ++ch) {
        int32_t* cursor = net.allpassCursor + ch * kAllpassesPerChannel;
        const int32_t* length = call.allpassLength + ch * kAllpassesPerChannel;
        float* line[kAllpassesPerChannel];
        for (int k = 0; k < kAllpassesPerChannel; ++k)
            line[k] = net.allpassLine[ch * kAllpassesPerChannel + k];
        // Lines shorter than the slice (very low rates) stop at every wrap.
        const bool whole = ShortestLength(length, kAllpassesPerChannel) >= frameCount;
        alignas(16) float spare[kAllpassesPerChannel][kCombSliceFrames];
        double* x = scratch.series[ch] + done;
        for (int32_t frames = frameCount; frames > 0;) {
            const int32_t segment =
                whole ? frames : SegmentBeforeWrap(cursor, length, kAllpassesPerChannel, frames);
            const LineWindows<kAllpassesPerChannel, kCombSliceFrames> windows(line, cursor, length,
                                                                              segment, spare);
            float* const* at = windows.at;
            int32_t j = 0;
            for (; j + 4 <= segment; j += 4) {
                V4d v = Load<V4d>(x + j);
                for (int k = 0; k < kAllpassesPerChannel; ++k) {
                    const V4d held = Widen(Load<V4f>(at[k] + j));
                    Store(at[k] + j, Narrow(ExactProductPlus(held, gain, v)));
                    v = held - v;
                }
                Store(x + j, v);
            }
            for (; j < segment; ++j) {
                double v = x[j];
                for (int k = 0; k < kAllpassesPerChannel; ++k) {
                    double write;
                    v = AllpassStep(v, double(at[k][j]), write);
                    at[k][j] = float(write);
                }
                x[j] = v;
            }
            windows.Close(line, cursor, length, segment);
            x += segment;
            frames -= segment;
        }
    }
}

// Combs, all-passes and equaliser, slice by slice. A slice's comb reads all
// come before its writes: every line is at least a slice long (otherwise a
// slice ends where a comb wraps), so a slice never reads what it wrote.
template <int kChannels, bool eq>
void RunWetPath(NetworkState& net, const CallSettings& call, const BatchInput& input,
                Scratch& scratch, int32_t frameCount) {
    constexpr int kCombs = kChannels * kCombsPerChannel;
    int32_t* cursor = net.combCursor;
    const int32_t* length = call.combLength;
    alignas(32) double store[kCombs];
    for (int g = 0; g < kCombs / 4; ++g)
        Store(store + 4 * g, Widen(Load<V4f>(net.combStore + 4 * g)));
    Equaliser<kChannels> equaliser(net);
    const bool whole = ShortestLength(length, kCombs) >= kCombSliceFrames;
    alignas(16) float spare[kCombs][kCombSliceFrames];
    float* base[kCombs];
    for (int k = 0; k < kCombs; ++k) base[k] = net.combLine[k];
    for (int32_t done = 0; done < frameCount;) {
        const int32_t left = frameCount - done;
        const int32_t slice = left < kCombSliceFrames ? left : kCombSliceFrames;
        const int32_t segment = whole ? slice : SegmentBeforeWrap(cursor, length, kCombs, slice);
        const LineWindows<kCombs, kCombSliceFrames> windows(base, cursor, length, segment, spare);
        float* const* line = windows.at;
        ReadCombs<kChannels>(call, scratch, line, done, segment);
        RunAllpasses<kChannels>(net, call, scratch, done, segment);
        FilterCombs<kChannels, eq>(call, scratch, store, equaliser, done, segment);
        WriteCombs<kChannels>(call, input, scratch, line, done, segment);
        windows.Close(base, cursor, length, segment);
        done += segment;
    }
    for (int g = 0; g < kCombs / 4; ++g)
        Store(net.combStore + 4 * g, Narrow(Load<V4d>(store + 4 * g)));
    if (eq) {
        equaliser.Finish(scratch, frameCount);
        equaliser.StoreHistory(net);
    }
}

// Dry + reverberation + early echo over the buffer, four frames at a time,
// the channels interleaved in registers: whole vector stores to the buffer.
template <int kChannels, bool tail>
void WriteOutput(const CallSettings& call, const BatchInput& input, const Scratch& scratch,
                 float* frames, int32_t frameCount) {
    const V4d wetGain = Splat4(call.wetGain);
    const V4d dryGain = Splat4(call.dryGain);
    const V4d earlyGain = Splat4(call.earlyGain);
    int32_t j = 0;
    for (; j + 4 <= frameCount; j += 4) {
        V4f rounded[kChannels];
        for (int ch = 0; ch < kChannels; ++ch) {
            V4d out = Load<V4d>(&scratch.series[ch][j]) * wetGain;
            // The dry term comes from the checked input, not the buffer.
            if (!tail) out = ExactProductPlus(Widen(Load<V4f>(&input.in[ch][j])), dryGain, out);
            const V4d early = -Widen(Load<V4f>(&input.early[ch][j]));
            rounded[ch] = Narrow(ExactProductPlus(early, earlyGain, out));
        }
        if constexpr (kChannels == 1) {
            Store(frames + j, rounded[0]);
        } else {
            Store(frames + 2 * j, __builtin_shuffle(rounded[0], rounded[1], V4i32{0, 4, 1, 5}));
            Store(frames + 2 * j + 4, __builtin_shuffle(rounded[0], rounded[1], V4i32{2, 6, 3, 7}));
        }
    }
    for (; j < frameCount; ++j)
        for (int ch = 0; ch < kChannels; ++ch)
            frames[j * kChannels + ch] = float(
                MixStep(tail, double(input.in[ch][j]), scratch.series[ch][j],
                        double(input.early[ch][j]), call.dryGain, call.wetGain, call.earlyGain));
}

template <int kChannels>
void RunBatch(NetworkState& net, const CallSettings& call, BatchInput& input, float* frames,
              int32_t frameCount) {
    Scratch scratch;
    if (!call.tail) ReadInput(call, input, frames, frameCount);
    RunInputStage(net, call, input, frameCount);
    if (call.eqActive)
        RunWetPath<kChannels, true>(net, call, input, scratch, frameCount);
    else
        RunWetPath<kChannels, false>(net, call, input, scratch, frameCount);
    if (!call.writeOutput) return;
    if (call.tail)
        WriteOutput<kChannels, true>(call, input, scratch, frames, frameCount);
    else
        WriteOutput<kChannels, false>(call, input, scratch, frames, frameCount);
}

}  // namespace avx2

void RunBatchAvx2(NetworkState& net, const CallSettings& call, BatchInput& input, float* frames,
                  int32_t frameCount) {
    if (call.channels == 2)
        avx2::RunBatch<2>(net, call, input, frames, frameCount);
    else
        avx2::RunBatch<1>(net, call, input, frames, frameCount);
}

}  // namespace lumbrook

#pragma GCC pop_options

#endif
