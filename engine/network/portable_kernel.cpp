// The portable kernel: the network run stage by stage over a batch of
// frames, eight damped combs and four series all-passes per channel, the
// shelving equaliser and the output mix. Within a stage every line is
// independent of the others, so running a stage over a batch gives the very
// same samples as running the frames one by one, and lets the inner loops
// run without a cursor wrap test per sample. Any processor runs it; the
// vector kernels give its samples bit for bit.
#include <cstring>

#include "frame_steps.h"
#include "kernels.h"

namespace lumbrook {

namespace {

// Each channel's comb sum, all-passed and equalised in place; left and right
// of each frame side by side.
struct PortableScratch {
    double wet[kBatchFrames][2];
};

// One channel's eight parallel combs fed with the same input; sum (stride 2)
// receives their outputs added in comb order. The store is rounded to float,
// while the line takes the product from the unrounded new store value.
void RunCombs(NetworkState& net, const CallSettings& call, const float* input, int first,
              double* sum, int32_t frames) {
    int32_t* cursor = net.combCursor + first;
    const int32_t* length = call.combLength + first;
    float store[kCombsPerChannel];
    std::memcpy(store, net.combStore + first, sizeof store);
    while (frames > 0) {
        const int32_t segment = SegmentBeforeWrap(cursor, length, kCombsPerChannel, frames);
        float* at[kCombsPerChannel];
        for (int k = 0; k < kCombsPerChannel; ++k) at[k] = net.combLine[first + k] + cursor[k];
        for (int32_t j = 0; j < segment; ++j) {
            const double in = input[j];
            double total = 0.0;
            for (int k = 0; k < kCombsPerChannel; ++k) {
                const float out = at[k][j];
                const double filtered = double(out) * call.damp2 + double(store[k]) * call.damp1;
                store[k] = float(filtered);
                at[k][j] = float(filtered * call.feedback + in);
                total = k == 0 ? double(out) : total + double(out);
            }
            sum[2 * j] = total;
        }
        AdvanceCursors(cursor, length, kCombsPerChannel, segment);
        input += segment;
        sum += 2 * segment;
        frames -= segment;
    }
    std::memcpy(net.combStore + first, store, sizeof store);
}

// One channel's four all-passes in series, longest first, over signal (stride 2).
void RunAllpasses(NetworkState& net, const CallSettings& call, int first, double* signal,
                  int32_t frames) {
    int32_t* cursor = net.allpassCursor + first;
    const int32_t* length = call.allpassLength + first;
    while (frames > 0) {
        const int32_t segment = SegmentBeforeWrap(cursor, length, kAllpassesPerChannel, frames);
        float* at[kAllpassesPerChannel];
        for (int k = 0; k < kAllpassesPerChannel; ++k)
            at[k] = net.allpassLine[first + k] + cursor[k];
        for (int32_t j = 0; j < segment; ++j) {
            double x = signal[2 * j];
            for (int k = 0; k < kAllpassesPerChannel; ++k) {
                double write;
                x = AllpassStep(x, double(at[k][j]), write);
                at[k][j] = float(write);
            }
            signal[2 * j] = x;
        }
        AdvanceCursors(cursor, length, kAllpassesPerChannel, segment);
        signal += 2 * segment;
        frames -= segment;
    }
}

void RunShelves(ShelfFilter& low, ShelfFilter& high, double* signal, int32_t frames) {
    for (int32_t j = 0; j < frames; ++j)
        signal[2 * j] = EqualiseStep(low, low, high, high, signal[2 * j]);
}

}  // namespace

void RunBatch(NetworkState& net, const CallSettings& call, BatchInput& input, float* frames,
              int32_t frameCount) {
    const uint32_t channels = call.channels;
    PortableScratch scratch;
    if (!call.tail) ReadInput(call, input, frames, frameCount);
    RunInputStage(net, call, input, frameCount);
    for (uint32_t ch = 0; ch < channels; ++ch) {
        double* wet = &scratch.wet[0][ch];
        RunCombs(net, call, input.combInput, int(ch) * kCombsPerChannel, wet, frameCount);
        RunAllpasses(net, call, int(ch) * kAllpassesPerChannel, wet, frameCount);
        if (call.eqActive)
            RunShelves(net.shelf[kLeftLowShelf + ch], net.shelf[kLeftHighShelf + ch], wet,
                       frameCount);
    }
    if (!call.writeOutput) return;
    for (int32_t j = 0; j < frameCount; ++j)
        for (uint32_t ch = 0; ch < channels; ++ch)
            frames[j * channels + ch] = float(
                MixStep(call.tail, double(input.in[ch][j]), scratch.wet[j][ch],
                        double(input.early[ch][j]), call.dryGain, call.wetGain, call.earlyGain));
}

}  // namespace lumbrook
