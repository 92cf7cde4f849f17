// Test support: WAV files written byte by byte, for headers a library would
// refuse to write (a data size that lies, absurd rates, odd formats). Shared
// by the native renderer's tests and the Windows host's tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace lumbrook {
namespace test {

// Format tag, bits, channels, rate, the samples as the bytes they are stored
// as, and the data size the header announces (0: their real size).
inline void WriteRawWav(const std::string& path, uint16_t tag, uint16_t bits, uint16_t channels,
                        uint32_t rate, const std::string& data, uint32_t announcedBytes = 0) {
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const uint32_t dataBytes = announcedBytes ? announcedBytes : uint32_t(data.size());
    out.write("RIFF", 4);
    u32(4 + 8 + 16 + 8 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(tag);
    u16(channels);
    u32(rate);
    u32(uint32_t(uint64_t(rate) * channels * bits / 8));
    u16(uint16_t(channels * bits / 8));
    u16(bits);
    out.write("data", 4);
    u32(dataBytes);
    out.write(data.data(), std::streamsize(data.size()));
}

}  // namespace test
}  // namespace lumbrook
