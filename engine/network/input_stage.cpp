// The network's input stage, the same for every kernel: the checked input,
// each channel's early echo and pre-delay lines, and the combs' common
// input.
#include <cmath>
#include <cstring>
#include <limits>

#include "batch.h"
#include "coefficients.h"

namespace lumbrook {

namespace {

float SilenceIfNotFinite(float sample) {
    return std::fabs(sample) <= std::numeric_limits<float>::max() ? sample : 0.0f;
}

// A plain delay: out receives what the line held, the line receives in.
void RunDelay(float* line, int32_t& cursor, int32_t length, const float* in, float* out,
              int32_t frames) {
    while (frames > 0) {
        if (length <= 1 && cursor == 0) {
            // A line of one frame (or none: pre-delay 0) delays by one frame.
            // Copying whole batches spares a wrap per frame.
            out[0] = line[0];
            std::memcpy(out + 1, in, sizeof(float) * size_t(frames - 1));
            line[0] = in[frames - 1];
            return;
        }
        const int32_t segment = SegmentBeforeWrap(&cursor, &length, 1, frames);
        float* at = line + cursor;
        std::memcpy(out, at, sizeof(float) * size_t(segment));
        std::memcpy(at, in, sizeof(float) * size_t(segment));
        AdvanceCursors(&cursor, &length, 1, segment);
        in += segment;
        out += segment;
        frames -= segment;
    }
}

}  // namespace

void ReadInput(const CallSettings& call, BatchInput& input, const float* frames,
               int32_t frameCount) {
    if (call.channels == 2) {
        for (int32_t j = 0; j < frameCount; ++j) {
            input.in[0][j] = SilenceIfNotFinite(frames[2 * j]);
            input.in[1][j] = SilenceIfNotFinite(frames[2 * j + 1]);
        }
    } else {
        for (int32_t j = 0; j < frameCount; ++j) input.in[0][j] = SilenceIfNotFinite(frames[j]);
    }
}

void RunInputStage(NetworkState& net, const CallSettings& call, BatchInput& input,
                   int32_t frameCount) {
    const uint32_t channels = call.channels;
    for (uint32_t ch = 0; ch < channels; ++ch) {
        RunDelay(net.earlyLine[ch], net.earlyCursor[ch], call.earlyLength[ch], input.in[ch],
                 input.early[ch], frameCount);
        RunDelay(net.preDelayLine[ch], net.preDelayCursor[ch], call.preDelayLength, input.in[ch],
                 input.preDelayed[ch], frameCount);
    }
    if (channels == 2) {
        for (int32_t j = 0; j < frameCount; ++j)
            input.combInput[j] =
                float((double(input.preDelayed[0][j]) + double(input.preDelayed[1][j])) *
                      double(kCombInputGainStereo));
    } else {
        for (int32_t j = 0; j < frameCount; ++j)
            input.combInput[j] = float(double(input.preDelayed[0][j]) * double(kCombInputGainMono));
    }
}

}  // namespace lumbrook
