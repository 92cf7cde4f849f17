// The engine's processing calls: they check the call, derive the per-call
// values from the coefficients, flush denormals, and hand the buffer to the
// network's active kernel batch by batch (network/).
#include <cstring>

#include "coefficients.h"
#include "denormals.h"
#include "kernels.h"
#include "reverb_engine.h"

namespace lumbrook {

void ReverbEngine::PrepareCall(CallSettings& call, uint32_t channelCount, bool tail) {
    call.tail = tail;
    call.writeOutput = coef_.bypassActive == 0;
    call.channels = channelCount;
    call.earlyLength[0] = coef_.earlyLength;
    call.earlyLength[1] = RightEarlyLength(coef_.earlyLength);
    call.preDelayLength = coef_.preDelayLength;
    call.combLength = coef_.combLength;
    call.allpassLength = coef_.allpassLength;
    call.feedback = coef_.feedback;
    call.damp1 = coef_.damp1;
    call.damp2 = coef_.damp2;
    call.wetGain = coef_.wetGain;
    call.dryGain = coef_.dryGain;
    call.earlyGain = coef_.earlyGain;

    // Without a rate there is no filter to design: the stage passes its input.
    call.eqActive = coef_.eqEnabled != 0 && coef_.sampleRate > 0;
    if (!call.eqActive) return;
    // The design inputs cannot change within a call, so checking them once
    // here is checking them before every sample.
    const double rate = coef_.sampleRate;
    const double lowCorner = LowShelfCornerHz(coef_.sampleRate);
    const double highCorner = HighShelfCornerHz(coef_.sampleRate);
    for (uint32_t ch = 0; ch < channelCount; ++ch) {
        net_.shelf[kLeftLowShelf + ch].Prepare(ShelfKind::Low, lowCorner, coef_.loShelfGain, rate);
        net_.shelf[kLeftHighShelf + ch].Prepare(ShelfKind::High, highCorner, coef_.hiShelfGain,
                                                rate);
    }
}

void ReverbEngine::RunFrames(float* buffer, int32_t frameCount, uint32_t channels, bool tail) {
    FlushDenormalsGuard flushDenormals;
    CallSettings call;
    PrepareCall(call, channels, tail);
    BatchInput input;
    if (tail) std::memset(input.in, 0, sizeof input.in);
    const BatchKernel runBatch = ActiveBatchKernel();
    for (int32_t done = 0; done < frameCount; done += kBatchFrames) {
        const int32_t batch = frameCount - done < kBatchFrames ? frameCount - done : kBatchFrames;
        runBatch(net_, call, input, buffer + size_t(done) * channels, batch);
    }
}

void ReverbEngine::ProcessInPlace(float* buffer, int32_t frameCount, const BufferFormat& format) {
    const uint32_t channels = format.channelCount;
    if (!buffer || frameCount <= 0 || (channels != 1 && channels != 2)) return;
    RunFrames(buffer, frameCount, channels, false);
}

bool ReverbEngine::ProcessTail(float* buffer, int32_t frameCount, const BufferFormat& format,
                               int32_t* framesDone) {
    const uint32_t channels = format.channelCount;
    if (params_.extendTail == 0 || frameCount <= 0 || !buffer) return false;
    // The budget counts frames since the reset; once spent, a call still
    // runs one frame before it reports the end.
    const int64_t limit = int64_t(kTailSeconds) * format.sampleRate;
    const int64_t left = limit - net_.tailCount;
    const int32_t frames = left < 1 ? 1 : (left < frameCount ? int32_t(left) : frameCount);

    // A channel count the network cannot run leaves the buffer as it is, but
    // the frames still count against the budget, so the host's tail loop ends
    // when it would have.
    if (channels == 1 || channels == 2) RunFrames(buffer, frames, channels, true);
    net_.tailCount += frames;
    if (net_.tailCount >= limit) return false;
    if (framesDone) *framesDone = frameCount;
    return true;
}

}  // namespace lumbrook
