// The length fields of the headers libsndfile reads for us: WAV's data chunk
// (through the WAV reader shared with reverb-host), W64's data chunk and
// AIFF's COMM frame count.
#include "input_header.h"

#include <cstring>

#include "wav_header.h"

namespace lumbrook {

namespace {

// W64's chunk identifiers are GUIDs; those of RIFF's chunks begin with the
// RIFF names and share a tail.
constexpr unsigned char kW64Riff[16] = {'r',  'i',  'f',  'f',  0x2E, 0x91, 0xCF, 0x11,
                                        0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00};
constexpr unsigned char kW64Tail[12] = {0xF3, 0xAC, 0xD3, 0x11, 0x8C, 0xD1,
                                        0x00, 0xC0, 0x4F, 0x8E, 0xDB, 0x8A};
constexpr size_t kW64ChunkHeader = 24;  // the GUID and a 64-bit size that counts them

bool IsW64Id(const unsigned char* at, const char* name) {
    return std::memcmp(at, name, 4) == 0 && std::memcmp(at + 4, kW64Tail, 12) == 0;
}

uint64_t Little64(const unsigned char* at) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | at[i];
    return value;
}

uint32_t Big32(const unsigned char* at) {
    return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
}

AnnouncedLength FromWav(const unsigned char* bytes, size_t size) {
    const WavHead head = ParseWavHead(bytes, size);
    AnnouncedLength length;
    length.read = head.found && (head.dataFound || head.dataOpen);
    length.announced = length.read && head.dataFound && head.blockAlign > 0;
    if (length.announced) length.frames = int64_t(head.dataBytes / head.blockAlign);
    return length;
}

AnnouncedLength FromW64(const unsigned char* bytes, size_t size) {
    AnnouncedLength length;
    uint32_t blockAlign = 0;
    for (uint64_t at = 40; at + kW64ChunkHeader <= size;) {
        const uint64_t chunkBytes = Little64(bytes + at + 16);
        if (IsW64Id(bytes + at, "fmt ") && at + kW64ChunkHeader + 14 <= size) {
            blockAlign = uint32_t(bytes[at + 36] | bytes[at + 37] << 8);
        } else if (IsW64Id(bytes + at, "data")) {
            length.read = blockAlign > 0 && chunkBytes >= kW64ChunkHeader;
            length.announced = length.read;
            if (length.read) length.frames = int64_t((chunkBytes - kW64ChunkHeader) / blockAlign);
            break;
        }
        if (chunkBytes < kW64ChunkHeader) break;
        at += (chunkBytes + 7) & ~uint64_t(7);
    }
    return length;
}

AnnouncedLength FromAiff(const unsigned char* bytes, size_t size) {
    AnnouncedLength length;
    for (uint64_t at = 12; at + 8 <= size;) {
        const uint32_t chunkBytes = Big32(bytes + at + 4);
        if (std::memcmp(bytes + at, "COMM", 4) == 0) {
            if (at + 8 + 6 > size) break;
            length.read = length.announced = true;
            length.frames = Big32(bytes + at + 10);
            break;
        }
        at += 8 + uint64_t(chunkBytes) + (chunkBytes & 1);
    }
    return length;
}

}  // namespace

AnnouncedLength ReadAnnouncedLength(const unsigned char* bytes, size_t size) {
    if (size >= 40 && std::memcmp(bytes, kW64Riff, 16) == 0 && IsW64Id(bytes + 24, "wave"))
        return FromW64(bytes, size);
    if (size >= 12 && std::memcmp(bytes, "FORM", 4) == 0 &&
        (std::memcmp(bytes + 8, "AIFF", 4) == 0 || std::memcmp(bytes + 8, "AIFC", 4) == 0))
        return FromAiff(bytes, size);
    return FromWav(bytes, size);
}

}  // namespace lumbrook
