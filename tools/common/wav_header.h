// The WAV header both command-line tools write, and what they read from an
// input's header before trusting it. Portable: no file access here.
#pragma once

#include <cstdint>
#include <string>

#include "tuning.h"  // kMaxSampleRate

namespace lumbrook {

constexpr uint16_t kWavPcm = 1;
constexpr uint16_t kWavFloat = 3;

// RIFF keeps its sizes in 32 bits: the whole file after the first 8 bytes.
constexpr uint64_t kRiffSizeLimit = 0xFFFFFFFFull;

// True when a RIFF file of ours with this much sample data (a pad byte
// included for an odd size) keeps its sizes in 32 bits.
bool FitsRiff(uint64_t dataBytes);

// The header before `dataBytes` bytes of samples: plain RIFF when they fit,
// RF64 with its ds64 chunk when they do not. Its length depends only on that
// choice, so a header written early can be rewritten in place.
std::string WavHeader(uint16_t tag, uint16_t bits, uint32_t channels, uint32_t sampleRate,
                      uint64_t dataBytes);

// What a RIFF or RF64 WAV header announces; found is false for anything else.
struct WavHead {
    bool found = false;
    uint32_t sampleRate = 0;
    uint16_t blockAlign = 0;
    bool dataFound = false;
    uint64_t dataBytes = 0;  // as announced by the data chunk, or RF64's ds64 chunk
    bool dataOpen = false;   // a data chunk that leaves its length open (a streamed file)
};

// Reads the chunks in the first `size` bytes of a file (read no further).
WavHead ParseWavHead(const unsigned char* bytes, size_t size);

}  // namespace lumbrook
