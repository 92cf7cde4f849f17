// Helpers shared by the engine tests: an engine on the heap (it holds 28
// delay lines inline, about 21 MB), buffers and simple signals.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "reverb_engine.h"
#include "test_signals.h"

namespace lumbrook::test {

inline std::unique_ptr<ReverbEngine> MakeEngine() {
    return ReverbEngine::Create();
}

inline BufferFormat Stereo(uint32_t rate = 44100) {
    return {2, rate};
}
inline BufferFormat Mono(uint32_t rate = 44100) {
    return {1, rate};
}

// A block with every control at `value` and the switches as given.
inline ReverbParams Block(float value, int32_t extendTail, int32_t enableEq, int32_t bypass) {
    return {value, value, value, value, value, value, value, value, extendTail, enableEq, bypass};
}

}  // namespace lumbrook::test
