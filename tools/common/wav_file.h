// WAV files on Windows, for the command-line tools: read through the
// system's RIFF reader (mmio), 16-bit PCM, 24- and 32-bit PCM and 32-bit
// float; written as RIFF in a format the caller names (reverb-host: 32-bit
// float) through OutputFile, every write, flush and close checked.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>

#include "output_file.h"

namespace lumbrook {

class WavReader {
public:
    WavReader() = default;
    ~WavReader();
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

    // False with a message for people when the file cannot be read as WAV.
    bool Open(const std::wstring& path, std::string* error);

    uint32_t Channels() const { return channels_; }
    uint32_t SampleRate() const { return sampleRate_; }
    uint32_t BitsPerSample() const { return bits_; }
    bool IsFloat() const { return isFloat_; }
    // As the data chunk announces them.
    int64_t Frames() const { return frames_; }
    // As many of those as the file really holds.
    int64_t FramesPresent() const { return framesPresent_; }

    // Up to `frames` frames as interleaved floats; 0 at the end of the data
    // or where the file ends before it, -1 when reading fails.
    int32_t Read(float* out, int32_t frames);

private:
    HMMIO file_ = nullptr;
    uint32_t channels_ = 0, sampleRate_ = 0, bits_ = 0;
    bool isFloat_ = false;
    int64_t frames_ = 0, framesLeft_ = 0, framesPresent_ = 0;
    std::string bytes_;
};

// A RIFF WAV output through OutputFile: a temporary file beside the target,
// put in its place by Commit, which first writes the header's sizes.
// Destroyed without Commit, it leaves no trace.
class WavWriter {
public:
    WavWriter() = default;
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Why the path cannot take an output (a directory, a missing folder);
    // "" when it can. Nothing is created.
    static std::string Problem(const std::wstring& path);

    // tag: kWavFloat or kWavPcm (wav_header.h), with bitsPerSample to match.
    bool Open(const std::wstring& path, uint16_t tag, uint16_t bitsPerSample, uint32_t channels,
              uint32_t sampleRate, std::string* error);
    // Interleaved floats, for an output opened as 32-bit float.
    bool Write(const float* samples, int32_t frames, std::string* error);
    // Samples already in the output's format, as they go into the file.
    bool WriteBytes(const void* bytes, uint64_t size, std::string* error);
    bool Commit(std::string* error);

private:
    bool WriteAll(const void* bytes, size_t size, std::string* error);

    OutputFile file_;
    uint16_t tag_ = 0, bits_ = 0;
    uint32_t channels_ = 0, sampleRate_ = 0;
    uint64_t dataBytes_ = 0;
    std::wstring path_;
};

}  // namespace lumbrook
