// Helpers shared by the engine tests: an engine on the heap (it holds 28
// delay lines inline, about 21 MB), buffers and simple signals.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "reverb_engine.h"

namespace lumbrook::test {

inline std::unique_ptr<ReverbEngine> MakeEngine() { return std::make_unique<ReverbEngine>(); }

inline BufferFormat Stereo(uint32_t rate = 44100) { return {2, rate}; }
inline BufferFormat Mono(uint32_t rate = 44100) { return {1, rate}; }

// A block with every control at `value` and the switches as given.
inline ReverbParams Block(float value, int32_t extendTail, int32_t enableEq, int32_t bypass) {
    return {value, value, value, value, value, value, value, value, extendTail, enableEq, bypass};
}

inline uint32_t Bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// Deterministic noise in -1..1 (a linear congruential generator: the same
// numbers in both trees).
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    uint32_t NextU32() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_;
    }
    float Next() { return float(int32_t(NextU32())) * (1.0f / 2147483648.0f); }
    float Unit() { return float(NextU32() >> 8) * (1.0f / 16777216.0f); }

private:
    uint32_t state_;
};

inline std::vector<float> NoiseBuffer(size_t samples, uint32_t seed) {
    Noise noise(seed);
    std::vector<float> out(samples);
    for (float& s : out) s = noise.Next();
    return out;
}

// FNV-1a over the bit patterns: a compact fingerprint of a rendering.
inline uint64_t Fingerprint(const std::vector<float>& samples, uint64_t hash = 14695981039346656037ull) {
    for (float s : samples) {
        uint32_t u = Bits(s);
        for (int i = 0; i < 4; ++i) {
            hash ^= (u >> (8 * i)) & 0xFF;
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

}  // namespace lumbrook::test
