// What the engine's benchmarks run, so that their figures stand side by
// side: a hall with the equaliser on (the full network; the tail allowed,
// which only ProcessTail reads) and noise at half of full scale.
#pragma once

#include <cstddef>
#include <vector>

#include "reverb_params.h"
#include "test_signals.h"

namespace lumbrook::bench {

constexpr ReverbParams kHall = {0.5f, 0.635f, 0.2f, 0.2f, 0.75f, 0.8f, 0.7f, 0.4f, 1, 1, 0};

inline std::vector<float> HalfScaleNoise(size_t samples) {
    std::vector<float> v = test::NoiseBuffer(samples, 1);
    for (float& x : v) x *= 0.5f;
    return v;
}

}  // namespace lumbrook::bench
