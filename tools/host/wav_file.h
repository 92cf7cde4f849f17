// WAV files through the system's RIFF reader (mmio): 16-bit PCM, 24- and
// 32-bit PCM and 32-bit float in, 32-bit float out.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>

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
    int64_t Frames() const { return frames_; }

    // Up to `frames` frames as interleaved floats; -1 when the data ends
    // before the length the file announced (a truncated file).
    int32_t Read(float* out, int32_t frames);

private:
    HMMIO file_ = nullptr;
    uint32_t channels_ = 0, sampleRate_ = 0, bits_ = 0;
    bool isFloat_ = false;
    int64_t frames_ = 0, framesLeft_ = 0;
    std::string bytes_;
};

// Writes into a temporary file beside the target; Commit puts it in place
// of the target in one step. Destroyed without Commit, it leaves no trace.
class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool Open(const std::wstring& path, uint32_t channels, uint32_t sampleRate, std::string* error);
    bool Write(const float* samples, int32_t frames);
    bool Commit(std::string* error);

private:
    void Abandon();

    HMMIO file_ = nullptr;
    MMCKINFO riff_ = {}, data_ = {};
    uint32_t channels_ = 0;
    std::wstring path_, tempPath_;
};

std::string Narrow(const std::wstring& text);

}  // namespace lumbrook
