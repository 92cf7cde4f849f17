// Integer PCM samples to and from the engine's floats: the one conversion
// every Windows tool and the framework's media object use, so that a file
// read by one and a stream converted by the other give the engine the same
// numbers. Full scale is 2^(bits-1): -1.0 is the most negative integer.
#pragma once

#include <cmath>
#include <cstdint>

namespace lumbrook {

// Little-endian sample bytes of 16, 24 or 32 bits, to float. Every value is
// exact except 32-bit ones below 2^-24 of full scale, which round to nearest.
inline float PcmToFloat(const unsigned char* at, uint32_t bits) {
    if (bits == 16) return float(int16_t(uint16_t(at[0] | at[1] << 8))) / 32768.0f;
    const uint32_t low = bits == 24 ? 0u : uint32_t(at[0]);
    const unsigned char* high = bits == 24 ? at : at + 1;
    const int32_t value =
        int32_t(uint32_t(high[0]) << 8 | uint32_t(high[1]) << 16 | uint32_t(high[2]) << 24 | low);
    return float(double(value) / 2147483648.0);
}

// Float to little-endian sample bytes: scaled by full scale, rounded to
// nearest with ties to even, clipped to the integer range. A NaN becomes 0:
// one bad sample must not become a full-scale click.
inline void FloatToPcm(float sample, uint32_t bits, unsigned char* at) {
    const double fullScale = bits == 16 ? 32768.0 : bits == 24 ? 8388608.0 : 2147483648.0;
    double scaled = std::nearbyint(double(sample) * fullScale);
    if (!(scaled == scaled)) scaled = 0.0;
    if (scaled > fullScale - 1.0) scaled = fullScale - 1.0;
    if (scaled < -fullScale) scaled = -fullScale;
    const uint32_t value = uint32_t(int32_t(scaled));
    const uint32_t bytes = bits / 8;
    for (uint32_t i = 0; i < bytes; ++i) at[i] = (unsigned char)(value >> (8 * i));
}

}  // namespace lumbrook
