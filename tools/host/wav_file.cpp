#include "wav_file.h"

#include <mmreg.h>

#include <cstring>

namespace lumbrook {

namespace {

constexpr WORD kExtensible = 0xFFFE;

// The sub-format GUIDs share their tail: the first field is the format tag.
WORD ExtensibleTag(const WAVEFORMATEXTENSIBLE& format) {
    return WORD(format.SubFormat.Data1);
}

}  // namespace

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 128 ? char(c) : '?';
    return out;
}

WavReader::~WavReader() {
    if (file_) mmioClose(file_, 0);
}

bool WavReader::Open(const std::wstring& path, std::string* error) {
    const std::string name = "'" + Narrow(path) + "'";
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        *error = name + " does not exist";
        return false;
    }
    file_ = mmioOpenW(const_cast<wchar_t*>(path.c_str()), nullptr, MMIO_READ | MMIO_ALLOCBUF);
    if (!file_) {
        *error = "cannot open " + name;
        return false;
    }
    MMCKINFO riff = {};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(file_, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) {
        *error = name + " is not a WAV file";
        return false;
    }
    MMCKINFO chunk = {};
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(file_, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR || chunk.cksize < 16) {
        *error = name + " has no format chunk";
        return false;
    }
    WAVEFORMATEXTENSIBLE format = {};
    const LONG size = LONG(chunk.cksize < sizeof format ? chunk.cksize : sizeof format);
    if (mmioRead(file_, reinterpret_cast<HPSTR>(&format), size) != size) {
        *error = name + " is damaged";
        return false;
    }
    mmioAscend(file_, &chunk, 0);
    WORD tag = format.Format.wFormatTag;
    if (tag == kExtensible && chunk.cksize >= sizeof format) tag = ExtensibleTag(format);
    channels_ = format.Format.nChannels;
    sampleRate_ = format.Format.nSamplesPerSec;
    bits_ = format.Format.wBitsPerSample;
    isFloat_ = tag == WAVE_FORMAT_IEEE_FLOAT;
    const bool pcm = tag == WAVE_FORMAT_PCM && (bits_ == 16 || bits_ == 24 || bits_ == 32);
    if (!pcm && !(isFloat_ && bits_ == 32)) {
        *error = name + " holds " + std::to_string(bits_) + "-bit samples of format " +
                 std::to_string(tag) + "; supported are 16-, 24- and 32-bit PCM and 32-bit float";
        return false;
    }
    if (channels_ == 0 || sampleRate_ == 0) {
        *error = name + " announces no channels or no sample rate";
        return false;
    }
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(file_, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) {
        *error = name + " has no data chunk";
        return false;
    }
    const uint32_t frameBytes = channels_ * (bits_ / 8);
    frames_ = framesLeft_ = chunk.cksize / frameBytes;
    return true;
}

int32_t WavReader::Read(float* out, int32_t frames) {
    if (frames > framesLeft_) frames = int32_t(framesLeft_);
    if (frames <= 0) return 0;
    const uint32_t sampleBytes = bits_ / 8;
    const LONG bytes = LONG(frames * channels_ * sampleBytes);
    bytes_.resize(size_t(bytes));
    if (mmioRead(file_, &bytes_[0], bytes) != bytes) return -1;
    framesLeft_ -= frames;
    const unsigned char* at = reinterpret_cast<const unsigned char*>(bytes_.data());
    const size_t samples = size_t(frames) * channels_;
    for (size_t i = 0; i < samples; ++i, at += sampleBytes) {
        if (isFloat_) {
            std::memcpy(&out[i], at, 4);
        } else if (bits_ == 16) {
            out[i] = float(int16_t(at[0] | (at[1] << 8))) / 32768.0f;
        } else if (bits_ == 24) {
            const int32_t value = int32_t(uint32_t(at[0]) << 8 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 24);
            out[i] = float(double(value) / 2147483648.0);
        } else {
            int32_t value;
            std::memcpy(&value, at, 4);
            out[i] = float(double(value) / 2147483648.0);
        }
    }
    return frames;
}

WavWriter::~WavWriter() { Abandon(); }

void WavWriter::Abandon() {
    if (file_) {
        mmioClose(file_, 0);
        file_ = nullptr;
    }
    if (!tempPath_.empty()) {
        DeleteFileW(tempPath_.c_str());
        tempPath_.clear();
    }
}

bool WavWriter::Open(const std::wstring& path, uint32_t channels, uint32_t sampleRate,
                     std::string* error) {
    path_ = path;
    tempPath_ = path + L".partial";
    channels_ = channels;
    file_ = mmioOpenW(const_cast<wchar_t*>(tempPath_.c_str()), nullptr,
                      MMIO_CREATE | MMIO_WRITE | MMIO_ALLOCBUF);
    if (!file_) {
        tempPath_.clear();
        *error = "cannot write beside '" + Narrow(path) + "'";
        return false;
    }
    riff_.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    MMCKINFO fmt = {};
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = WORD(channels);
    format.nSamplesPerSec = sampleRate;
    format.wBitsPerSample = 32;
    format.nBlockAlign = WORD(channels * 4);
    format.nAvgBytesPerSec = sampleRate * format.nBlockAlign;
    format.cbSize = 0;
    data_.ckid = mmioFOURCC('d', 'a', 't', 'a');
    const bool ok = mmioCreateChunk(file_, &riff_, MMIO_CREATERIFF) == MMSYSERR_NOERROR &&
                    mmioCreateChunk(file_, &fmt, 0) == MMSYSERR_NOERROR &&
                    mmioWrite(file_, reinterpret_cast<const char*>(&format), sizeof format) == LONG(sizeof format) &&
                    mmioAscend(file_, &fmt, 0) == MMSYSERR_NOERROR &&
                    mmioCreateChunk(file_, &data_, 0) == MMSYSERR_NOERROR;
    if (!ok) {
        Abandon();
        *error = "cannot write beside '" + Narrow(path) + "'";
    }
    return ok;
}

bool WavWriter::Write(const float* samples, int32_t frames) {
    const LONG bytes = LONG(size_t(frames) * channels_ * sizeof(float));
    return file_ && mmioWrite(file_, reinterpret_cast<const char*>(samples), bytes) == bytes;
}

bool WavWriter::Commit(std::string* error) {
    const bool closed = file_ && mmioAscend(file_, &data_, 0) == MMSYSERR_NOERROR &&
                        mmioAscend(file_, &riff_, 0) == MMSYSERR_NOERROR &&
                        mmioClose(file_, 0) == MMSYSERR_NOERROR;
    file_ = nullptr;
    if (!closed || !MoveFileExW(tempPath_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        Abandon();
        *error = "cannot write '" + Narrow(path_) + "'";
        return false;
    }
    tempPath_.clear();
    return true;
}

}  // namespace lumbrook
