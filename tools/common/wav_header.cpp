#include "wav_header.h"

#include <cstring>

namespace lumbrook {

namespace {

constexpr uint32_t kFormatChunkBytes = 18;  // WAVEFORMATEX with cbSize 0
constexpr uint32_t kDs64ChunkBytes = 28;
constexpr uint32_t kUnknownSize = 0xFFFFFFFFu;

void Put(std::string* out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->push_back(char((value >> (8 * i)) & 0xFF));
}

uint32_t Get32(const unsigned char* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

uint64_t Get64(const unsigned char* at) {
    return uint64_t(Get32(at)) | uint64_t(Get32(at + 4)) << 32;
}

// Everything after the RIFF size field but the samples.
uint64_t FramingBytes(bool rf64) {
    return 4 + (rf64 ? 8 + kDs64ChunkBytes : 0) + 8 + kFormatChunkBytes + 8;
}

}  // namespace

bool FitsRiff(uint64_t dataBytes) {
    return dataBytes <= kRiffSizeLimit &&
           FramingBytes(false) + dataBytes + (dataBytes & 1) <= kRiffSizeLimit;
}

std::string WavHeader(uint16_t tag, uint16_t bits, uint32_t channels, uint32_t sampleRate,
                      uint64_t dataBytes) {
    const bool rf64 = !FitsRiff(dataBytes);
    const uint64_t riffBytes = FramingBytes(rf64) + dataBytes + (dataBytes & 1);
    const uint32_t blockAlign = channels * bits / 8;
    std::string out;
    out += rf64 ? "RF64" : "RIFF";
    Put(&out, rf64 ? kUnknownSize : riffBytes, 4);
    out += "WAVE";
    if (rf64) {
        out += "ds64";
        Put(&out, kDs64ChunkBytes, 4);
        Put(&out, riffBytes, 8);
        Put(&out, dataBytes, 8);
        Put(&out, blockAlign ? dataBytes / blockAlign : 0, 8);
        Put(&out, 0, 4);  // no table of other chunk sizes
    }
    out += "fmt ";
    Put(&out, kFormatChunkBytes, 4);
    Put(&out, tag, 2);
    Put(&out, channels, 2);
    Put(&out, sampleRate, 4);
    Put(&out, uint64_t(sampleRate) * blockAlign, 4);
    Put(&out, blockAlign, 2);
    Put(&out, bits, 2);
    Put(&out, 0, 2);
    out += "data";
    Put(&out, rf64 ? kUnknownSize : dataBytes, 4);
    return out;
}

WavHead ParseWavHead(const unsigned char* bytes, size_t size) {
    WavHead head;
    if (size < 12 || std::memcmp(bytes + 8, "WAVE", 4) != 0) return head;
    const bool rf64 = std::memcmp(bytes, "RF64", 4) == 0;
    if (!rf64 && std::memcmp(bytes, "RIFF", 4) != 0) return head;
    bool ds64Found = false;
    uint64_t ds64DataBytes = 0;
    for (uint64_t at = 12; at + 8 <= size;) {
        const uint32_t chunkBytes = Get32(bytes + at + 4);
        if (rf64 && std::memcmp(bytes + at, "ds64", 4) == 0 && at + 8 + 16 <= size) {
            ds64Found = true;
            ds64DataBytes = Get64(bytes + at + 16);
        } else if (std::memcmp(bytes + at, "fmt ", 4) == 0 && at + 8 + 16 <= size) {
            head.found = true;
            head.sampleRate = Get32(bytes + at + 12);
            head.blockAlign = uint16_t(bytes[at + 20] | bytes[at + 21] << 8);
        } else if (std::memcmp(bytes + at, "data", 4) == 0) {
            // RF64 keeps the length in its ds64 chunk; a streamed file's
            // unknown length is no announcement.
            head.dataFound = chunkBytes != kUnknownSize || (rf64 && ds64Found);
            head.dataBytes = chunkBytes != kUnknownSize ? chunkBytes : ds64DataBytes;
            head.dataOpen = !head.dataFound;
            break;
        }
        at += 8 + uint64_t(chunkBytes) + (chunkBytes & 1);
    }
    return head;
}

}  // namespace lumbrook
