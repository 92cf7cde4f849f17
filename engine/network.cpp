// The per-frame reverberation network, run stage by stage over blocks of
// frames: early echo and pre-delay, eight damped combs and four series
// all-passes per channel, the shelving equaliser, and the output mix. Each
// line is independent of the others within a stage, so running a stage over
// a block gives the very same samples as running the frames one by one; it
// lets every inner loop run without a cursor wrap test per sample.
#include <cstring>

#include "coefficients.h"
#include "denormals.h"
#include "reverb_engine.h"

namespace lumbrook {

namespace {

constexpr int32_t kBlockFrames = 256;

// Frames until the first of `count` lines wraps (at least 1: a cursor left
// beyond a shortened length wraps after one step), capped at `frames`.
int32_t ChunkBeforeWrap(const int32_t* cursor, const int32_t* length, int count, int32_t frames) {
    int32_t chunk = frames;
    for (int i = 0; i < count; ++i) {
        int32_t room = length[i] - cursor[i];
        if (room < 1) room = 1;
        if (room < chunk) chunk = room;
    }
    return chunk;
}

void AdvanceCursors(int32_t* cursor, const int32_t* length, int count, int32_t chunk) {
    for (int i = 0; i < count; ++i) {
        cursor[i] += chunk;
        if (cursor[i] >= length[i]) cursor[i] = 0;
    }
}

// A plain delay: out receives what the line held, the line receives in.
void RunDelay(float* line, int32_t& cursor, int32_t length, const float* in, float* out,
              int32_t frames) {
    while (frames > 0) {
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

struct CombBank {
    float* line[kCombsPerChannel];
    float* store;
    int32_t* cursor;
    const int32_t* length;
};

// Eight parallel combs fed with the same input; sum receives their outputs
// added in comb order. The store is rounded to float, while the line takes
// the product from the unrounded new store value.
void RunCombs(const CombBank& bank, double feedback, double damp1, double damp2,
              const float* __restrict input, double* __restrict sum, int32_t frames) {
    float store[kCombsPerChannel];
    std::memcpy(store, bank.store, sizeof store);
    while (frames > 0) {
        const int32_t chunk = ChunkBeforeWrap(bank.cursor, bank.length, kCombsPerChannel, frames);
        float* at[kCombsPerChannel];
        for (int k = 0; k < kCombsPerChannel; ++k) at[k] = bank.line[k] + bank.cursor[k];
        for (int32_t j = 0; j < chunk; ++j) {
            const double in = input[j];
            double total = 0.0;
            for (int k = 0; k < kCombsPerChannel; ++k) {
                const float out = at[k][j];
                const double filtered = double(out) * damp2 + double(store[k]) * damp1;
                store[k] = float(filtered);
                at[k][j] = float(filtered * feedback + in);
                total = k == 0 ? double(out) : total + double(out);
            }
            sum[j] = total;
        }
        AdvanceCursors(bank.cursor, bank.length, kCombsPerChannel, chunk);
        input += chunk;
        sum += chunk;
        frames -= chunk;
    }
    std::memcpy(bank.store, store, sizeof store);
}

// Four all-passes in series, longest first.
void RunAllpasses(float* const* line, int32_t* cursor, const int32_t* length,
                  double* __restrict signal, int32_t frames) {
    while (frames > 0) {
        const int32_t chunk = ChunkBeforeWrap(cursor, length, kAllpassesPerChannel, frames);
        float* at[kAllpassesPerChannel];
        for (int k = 0; k < kAllpassesPerChannel; ++k) at[k] = line[k] + cursor[k];
        for (int32_t j = 0; j < chunk; ++j) {
            double x = signal[j];
            for (int k = 0; k < kAllpassesPerChannel; ++k) {
                const double held = at[k][j];
                at[k][j] = float(x + held * kAllpassGain);
                x = held - x;
            }
            signal[j] = x;
        }
        AdvanceCursors(cursor, length, kAllpassesPerChannel, chunk);
        signal += chunk;
        frames -= chunk;
    }
}

// Low shelf, rounded to float, then high shelf.
void RunShelves(ShelfFilter& low, ShelfFilter& high, double* signal, int32_t frames) {
    for (int32_t j = 0; j < frames; ++j) {
        const float lowOut = float(low.Filter(signal[j]));
        signal[j] = high.Filter(lowOut);
    }
}

}  // namespace

struct ReverbEngine::CallContext {
    uint32_t channels;
    int32_t earlyLength[2];
    bool eqActive;
    float in[2][kBlockFrames];
    float early[2][kBlockFrames];
    float preDelayed[2][kBlockFrames];
    float combInput[kBlockFrames];
    double wet[2][kBlockFrames];
};

void ReverbEngine::PrepareCall(CallContext& ctx, uint32_t channelCount) {
    ctx.channels = channelCount;
    ctx.earlyLength[0] = coef_.earlyLength;
    ctx.earlyLength[1] = RightEarlyLength(coef_.earlyLength);
    // Without a rate there is no filter to design: the stage passes its input.
    ctx.eqActive = coef_.eqEnabled != 0 && coef_.sampleRate > 0;
    if (!ctx.eqActive) return;
    // The design inputs cannot change within a call, so checking them once
    // here is checking them before every sample.
    const double rate = coef_.sampleRate;
    const double highCorner = HighShelfCornerHz(coef_.sampleRate);
    for (uint32_t ch = 0; ch < channelCount; ++ch) {
        net_.shelf[kLeftLowShelf + ch].Prepare(ShelfKind::Low, kLowShelfCornerHz,
                                               coef_.loShelfGain, rate);
        net_.shelf[kLeftHighShelf + ch].Prepare(ShelfKind::High, highCorner, coef_.hiShelfGain,
                                                rate);
    }
}

// Runs the network over ctx.in for frameCount (<= kBlockFrames) frames,
// leaving the early echo in ctx.early and the reverberation in ctx.wet.
void ReverbEngine::RunBlock(CallContext& ctx, int32_t frameCount) {
    const uint32_t channels = ctx.channels;
    for (uint32_t ch = 0; ch < channels; ++ch) {
        RunDelay(net_.earlyLine[ch], net_.earlyCursor[ch], ctx.earlyLength[ch], ctx.in[ch],
                 ctx.early[ch], frameCount);
        RunDelay(net_.preDelayLine[ch], net_.preDelayCursor[ch], coef_.preDelayLength,
                 ctx.in[ch], ctx.preDelayed[ch], frameCount);
    }
    if (channels == 2) {
        for (int32_t j = 0; j < frameCount; ++j)
            ctx.combInput[j] = float((double(ctx.preDelayed[0][j]) + double(ctx.preDelayed[1][j])) *
                                     double(kCombInputGainStereo));
    } else {
        for (int32_t j = 0; j < frameCount; ++j)
            ctx.combInput[j] = float(double(ctx.preDelayed[0][j]) * double(kCombInputGainMono));
    }
    for (uint32_t ch = 0; ch < channels; ++ch) {
        const int first = int(ch) * kCombsPerChannel;
        CombBank bank;
        for (int k = 0; k < kCombsPerChannel; ++k) bank.line[k] = net_.combLine[first + k];
        bank.store = net_.combStore + first;
        bank.cursor = net_.combCursor + first;
        bank.length = coef_.combLength + first;
        RunCombs(bank, coef_.feedback, coef_.damp1, coef_.damp2, ctx.combInput, ctx.wet[ch],
                 frameCount);

        const int firstAllpass = int(ch) * kAllpassesPerChannel;
        float* allpass[kAllpassesPerChannel];
        for (int k = 0; k < kAllpassesPerChannel; ++k)
            allpass[k] = net_.allpassLine[firstAllpass + k];
        RunAllpasses(allpass, net_.allpassCursor + firstAllpass,
                     coef_.allpassLength + firstAllpass, ctx.wet[ch], frameCount);

        if (ctx.eqActive)
            RunShelves(net_.shelf[kLeftLowShelf + ch], net_.shelf[kLeftHighShelf + ch],
                       ctx.wet[ch], frameCount);
    }
}

void ReverbEngine::ProcessInPlace(float* buffer, int32_t frameCount, const BufferFormat& format) {
    const uint32_t channels = format.channelCount;
    if (!buffer || frameCount <= 0 || (channels != 1 && channels != 2)) return;
    FlushDenormalsGuard flushDenormals;
    CallContext ctx;
    PrepareCall(ctx, channels);
    const double dry = coef_.dryGain, wet = coef_.wetGain, early = coef_.earlyGain;
    for (int32_t done = 0; done < frameCount;) {
        const int32_t frames = frameCount - done < kBlockFrames ? frameCount - done : kBlockFrames;
        float* frame = buffer + size_t(done) * channels;
        for (int32_t j = 0; j < frames; ++j)
            for (uint32_t ch = 0; ch < channels; ++ch) ctx.in[ch][j] = frame[j * channels + ch];
        RunBlock(ctx, frames);
        if (!coef_.bypassActive) {
            for (int32_t j = 0; j < frames; ++j)
                for (uint32_t ch = 0; ch < channels; ++ch)
                    frame[j * channels + ch] = float(double(ctx.in[ch][j]) * dry +
                                                     ctx.wet[ch][j] * wet +
                                                     -double(ctx.early[ch][j]) * early);
        }
        done += frames;
    }
}

bool ReverbEngine::ProcessTail(float* buffer, int32_t frameCount, const BufferFormat& format,
                               int32_t* framesDone) {
    const uint32_t channels = format.channelCount;
    if (params_.extendTail == 0 || frameCount <= 0) return false;
    if (!buffer || (channels != 1 && channels != 2)) return false;
    // The budget counts frames since the reset; once spent, a call still
    // runs one frame before it reports the end.
    const int64_t limit = int64_t(kTailSeconds) * format.sampleRate;
    const int64_t left = limit - net_.tailCount;
    const int32_t frames = left < 1 ? 1 : (left < frameCount ? int32_t(left) : frameCount);

    FlushDenormalsGuard flushDenormals;
    CallContext ctx;
    PrepareCall(ctx, channels);
    std::memset(ctx.in, 0, sizeof ctx.in);
    const double wet = coef_.wetGain, early = coef_.earlyGain;
    for (int32_t done = 0; done < frames;) {
        const int32_t block = frames - done < kBlockFrames ? frames - done : kBlockFrames;
        float* frame = buffer + size_t(done) * channels;
        RunBlock(ctx, block);
        if (!coef_.bypassActive) {
            for (int32_t j = 0; j < block; ++j)
                for (uint32_t ch = 0; ch < channels; ++ch)
                    frame[j * channels + ch] =
                        float(ctx.wet[ch][j] * wet + -double(ctx.early[ch][j]) * early);
        }
        done += block;
    }
    net_.tailCount += frames;
    if (net_.tailCount >= limit) return false;
    if (framesDone) *framesDone = frameCount;
    return true;
}

}  // namespace lumbrook
