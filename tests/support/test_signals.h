// Test signals shared by the test executables: deterministic noise (the same
// numbers in every build), bit patterns and fingerprints of renderings.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace lumbrook::test {

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
inline uint64_t Fingerprint(const std::vector<float>& samples,
                            uint64_t hash = 14695981039346656037ull) {
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
