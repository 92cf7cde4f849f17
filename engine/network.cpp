// The per-frame reverberation network, run stage by stage over blocks of
// frames: early echo and pre-delay, eight damped combs and four series
// all-passes per channel, the shelving equaliser, and the output mix. Within
// a stage every line is independent of the others, so running a stage over a
// block gives the very same samples as running the frames one by one, and
// lets the inner loops run without a cursor wrap test per sample.
#include <cmath>
#include <cstring>
#include <limits>

#include "coefficients.h"
#include "denormals.h"
#include "reverb_engine.h"

namespace lumbrook {

namespace {

float SilenceIfNotFinite(float sample) {
    return std::fabs(sample) <= std::numeric_limits<float>::max() ? sample : 0.0f;
}

}  // namespace

void ReadInput(CallContext& ctx, const float* frames, int32_t frameCount) {
    if (ctx.channels == 2) {
        for (int32_t j = 0; j < frameCount; ++j) {
            ctx.in[0][j] = SilenceIfNotFinite(frames[2 * j]);
            ctx.in[1][j] = SilenceIfNotFinite(frames[2 * j + 1]);
        }
    } else {
        for (int32_t j = 0; j < frameCount; ++j) ctx.in[0][j] = SilenceIfNotFinite(frames[j]);
    }
}

namespace {

// A plain delay: out receives what the line held, the line receives in.
void RunDelay(float* line, int32_t& cursor, int32_t length, const float* in, float* out,
              int32_t frames) {
    while (frames > 0) {
        if (length <= 1 && cursor == 0) {
            // A line of one frame (or none: pre-delay 0) delays by one frame.
            // Copying whole runs spares a wrap per frame.
            out[0] = line[0];
            std::memcpy(out + 1, in, sizeof(float) * size_t(frames - 1));
            line[0] = in[frames - 1];
            return;
        }
        const int32_t chunk = ChunkBeforeWrap(&cursor, &length, 1, frames);
        float* at = line + cursor;
        std::memcpy(out, at, sizeof(float) * size_t(chunk));
        std::memcpy(at, in, sizeof(float) * size_t(chunk));
        AdvanceCursors(&cursor, &length, 1, chunk);
        in += chunk;
        out += chunk;
        frames -= chunk;
    }
}

// One channel's eight parallel combs fed with the same input; sum (stride 2)
// receives their outputs added in comb order. The store is rounded to float,
// while the line takes the product from the unrounded new store value.
void RunCombs(NetworkState& net, const CallContext& ctx, int first, double* sum, int32_t frames) {
    int32_t* cursor = net.combCursor + first;
    const int32_t* length = ctx.combLength + first;
    float store[kCombsPerChannel];
    std::memcpy(store, net.combStore + first, sizeof store);
    const float* input = ctx.combInput;
    while (frames > 0) {
        const int32_t chunk = ChunkBeforeWrap(cursor, length, kCombsPerChannel, frames);
        float* at[kCombsPerChannel];
        for (int k = 0; k < kCombsPerChannel; ++k) at[k] = net.combLine[first + k] + cursor[k];
        for (int32_t j = 0; j < chunk; ++j) {
            const double in = input[j];
            double total = 0.0;
            for (int k = 0; k < kCombsPerChannel; ++k) {
                const float out = at[k][j];
                const double filtered = double(out) * ctx.damp2 + double(store[k]) * ctx.damp1;
                store[k] = float(filtered);
                at[k][j] = float(filtered * ctx.feedback + in);
                total = k == 0 ? double(out) : total + double(out);
            }
            sum[2 * j] = total;
        }
        AdvanceCursors(cursor, length, kCombsPerChannel, chunk);
        input += chunk;
        sum += 2 * chunk;
        frames -= chunk;
    }
    std::memcpy(net.combStore + first, store, sizeof store);
}

// One channel's four all-passes in series, longest first, over signal (stride 2).
void RunAllpasses(NetworkState& net, const CallContext& ctx, int first, double* signal,
                  int32_t frames) {
    int32_t* cursor = net.allpassCursor + first;
    const int32_t* length = ctx.allpassLength + first;
    while (frames > 0) {
        const int32_t chunk = ChunkBeforeWrap(cursor, length, kAllpassesPerChannel, frames);
        float* at[kAllpassesPerChannel];
        for (int k = 0; k < kAllpassesPerChannel; ++k)
            at[k] = net.allpassLine[first + k] + cursor[k];
        for (int32_t j = 0; j < chunk; ++j) {
            double x = signal[2 * j];
            for (int k = 0; k < kAllpassesPerChannel; ++k) {
                const double held = at[k][j];
                at[k][j] = float(x + held * kAllpassGain);
                x = held - x;
            }
            signal[2 * j] = x;
        }
        AdvanceCursors(cursor, length, kAllpassesPerChannel, chunk);
        signal += 2 * chunk;
        frames -= chunk;
    }
}

// Low shelf, rounded to float, then high shelf, over signal (stride 2).
void RunShelves(ShelfFilter& low, ShelfFilter& high, double* signal, int32_t frames) {
    for (int32_t j = 0; j < frames; ++j) {
        const float lowOut = float(low.Filter(signal[2 * j]));
        signal[2 * j] = high.Filter(lowOut);
    }
}

}  // namespace

// Early echo and pre-delay of every channel from ctx.in, and the combs'
// common input.
void RunInputStage(NetworkState& net, CallContext& ctx, int32_t frameCount) {
    const uint32_t channels = ctx.channels;
    for (uint32_t ch = 0; ch < channels; ++ch) {
        RunDelay(net.earlyLine[ch], net.earlyCursor[ch], ctx.earlyLength[ch], ctx.in[ch],
                 ctx.early[ch], frameCount);
        RunDelay(net.preDelayLine[ch], net.preDelayCursor[ch], ctx.preDelayLength, ctx.in[ch],
                 ctx.preDelayed[ch], frameCount);
    }
    if (channels == 2) {
        for (int32_t j = 0; j < frameCount; ++j)
            ctx.combInput[j] = float((double(ctx.preDelayed[0][j]) + double(ctx.preDelayed[1][j])) *
                                     double(kCombInputGainStereo));
    } else {
        for (int32_t j = 0; j < frameCount; ++j)
            ctx.combInput[j] = float(double(ctx.preDelayed[0][j]) * double(kCombInputGainMono));
    }
}

void RunBlock(NetworkState& net, CallContext& ctx, float* frames, int32_t frameCount) {
    const uint32_t channels = ctx.channels;
    if (!ctx.tail) ReadInput(ctx, frames, frameCount);
    RunInputStage(net, ctx, frameCount);
    for (uint32_t ch = 0; ch < channels; ++ch) {
        RunCombs(net, ctx, int(ch) * kCombsPerChannel, &ctx.wet[0][ch], frameCount);
        RunAllpasses(net, ctx, int(ch) * kAllpassesPerChannel, &ctx.wet[0][ch], frameCount);
        if (ctx.eqActive)
            RunShelves(net.shelf[kLeftLowShelf + ch], net.shelf[kLeftHighShelf + ch],
                       &ctx.wet[0][ch], frameCount);
    }
    if (!ctx.writeOutput) return;
    for (int32_t j = 0; j < frameCount; ++j) {
        for (uint32_t ch = 0; ch < channels; ++ch) {
            const double echo = -double(ctx.early[ch][j]) * ctx.earlyGain;
            const double wet = ctx.wet[j][ch] * ctx.wetGain;
            frames[j * channels + ch] =
                ctx.tail ? float(wet + echo)
                         : float(double(ctx.in[ch][j]) * ctx.dryGain + wet + echo);
        }
    }
}

}  // namespace lumbrook
