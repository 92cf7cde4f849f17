// What the engine itself makes of an input with a parameter block, as a
// plug-in renders it: the reference the tools' tests compare their output
// with, sample for sample.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "reverb_engine.h"
#include "tuning.h"

namespace lumbrook::test {

// The block never switches bypass on; bypassSwitch (0 or 1) sets the switch
// afterwards, -1 leaves it alone. With extendTail the whole tail follows.
inline std::vector<float> EngineRendering(std::vector<float> audio, uint32_t channels,
                                          uint32_t rate, const ReverbParams& params,
                                          int32_t bypassSwitch = -1) {
    auto engine = ReverbEngine::Create();
    engine->SetParams(params);
    if (bypassSwitch >= 0) engine->SetSwitch(ParamId::Bypass, bypassSwitch);
    engine->ResetStream(rate);
    engine->ProcessInPlace(audio.data(), int32_t(audio.size() / channels), {channels, rate});
    if (params.extendTail) {
        const int32_t tailFrames = kTailSeconds * int32_t(rate);
        std::vector<float> tail(size_t(channels) * size_t(tailFrames));
        int32_t done;
        engine->ProcessTail(tail.data(), tailFrames, {channels, rate}, &done);
        audio.insert(audio.end(), tail.begin(), tail.end());
    }
    return audio;
}

}  // namespace lumbrook::test
