#include "wav_file.h"

#include <mmreg.h>

#include "pcm_samples.h"
#include "tool_checks.h"
#include "wav_header.h"

namespace lumbrook {

namespace {

constexpr WORD kExtensible = 0xFFFE;

// The sub-format GUIDs share their tail: the first field is the format tag.
WORD ExtensibleTag(const WAVEFORMATEXTENSIBLE& format) {
    return WORD(format.SubFormat.Data1);
}

}  // namespace

WavReader::~WavReader() {
    if (file_) mmioClose(file_, 0);
}

bool WavReader::Open(const std::wstring& path, std::string* error) {
    const std::string name = "'" + Narrow(path) + "'";
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
        *error = name + " does not exist";
        return false;
    }
    if (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        *error = name + " is a directory, not an audio file";
        return false;
    }
    const int64_t fileBytes = int64_t(attributes.nFileSizeHigh) << 32 | attributes.nFileSizeLow;
    // Unbuffered: mmio's buffer would split each large read of samples into
    // reads of its own 8 KB; the few small reads of the header cost nothing.
    file_ = mmioOpenW(const_cast<wchar_t*>(path.c_str()), nullptr, MMIO_READ);
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
    if (mmioDescend(file_, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR ||
        chunk.cksize < 16) {
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
    if (channels_ == 0) {
        *error = name + " announces no channels";
        return false;
    }
    const std::string rateProblem = RateProblem(Narrow(path), sampleRate_);
    if (!rateProblem.empty()) {
        *error = rateProblem;
        return false;
    }
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(file_, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) {
        *error = name + " has no data chunk";
        return false;
    }
    const uint32_t frameBytes = channels_ * (bits_ / 8);
    frames_ = framesLeft_ = chunk.cksize / frameBytes;
    const int64_t dataOffset = mmioSeek(file_, 0, SEEK_CUR);
    const int64_t bytesThere =
        dataOffset >= 0 && fileBytes > dataOffset ? fileBytes - dataOffset : 0;
    framesPresent_ = bytesThere / frameBytes < frames_ ? bytesThere / frameBytes : frames_;
    return true;
}

int32_t WavReader::Read(float* out, int32_t frames) {
    if (frames > framesLeft_) frames = int32_t(framesLeft_);
    if (frames <= 0) return 0;
    const uint32_t sampleBytes = bits_ / 8;
    const LONG bytes = LONG(frames * channels_ * sampleBytes);
    // Float samples are already what the caller wants: they go straight
    // into its buffer; PCM goes through bytes_ to be converted.
    if (!isFloat_) bytes_.resize(size_t(bytes));
    char* into = isFloat_ ? reinterpret_cast<char*>(out) : &bytes_[0];
    const LONG got = mmioRead(file_, into, bytes);
    if (got < 0) return -1;
    if (got != bytes) {
        // The file ends before its data chunk does: the whole frames there are.
        frames = int32_t(got / LONG(channels_ * sampleBytes));
        framesLeft_ = 0;
    } else {
        framesLeft_ -= frames;
    }
    if (isFloat_) return frames;
    const unsigned char* at = reinterpret_cast<const unsigned char*>(bytes_.data());
    const size_t samples = size_t(frames) * channels_;
    for (size_t i = 0; i < samples; ++i, at += sampleBytes) out[i] = PcmToFloat(at, bits_);
    return frames;
}

std::string WavWriter::Problem(const std::wstring& path) {
    return OutputFile::Problem(path);
}

bool WavWriter::Open(const std::wstring& path, uint16_t tag, uint16_t bitsPerSample,
                     uint32_t channels, uint32_t sampleRate, std::string* error) {
    path_ = path;
    tag_ = tag;
    bits_ = bitsPerSample;
    channels_ = channels;
    sampleRate_ = sampleRate;
    dataBytes_ = 0;
    if (!file_.Open(path, error)) return false;
    const std::string header = WavHeader(tag, bitsPerSample, channels, sampleRate, 0);
    if (!WriteAll(header.data(), header.size(), error)) {
        file_.Abandon();
        return false;
    }
    return true;
}

bool WavWriter::WriteAll(const void* bytes, size_t size, std::string* error) {
    if (file_.Write(bytes, size)) return true;
    *error = "writing '" + Narrow(path_) + "' failed: " + file_.WriteFailure();
    return false;
}

bool WavWriter::Write(const float* samples, int32_t frames, std::string* error) {
    return WriteBytes(samples, uint64_t(frames) * channels_ * sizeof(float), error);
}

bool WavWriter::WriteBytes(const void* bytes, uint64_t size, std::string* error) {
    if (!FitsRiff(dataBytes_ + size)) {
        *error = "'" + Narrow(path_) + "' would outgrow the 4 GiB of a WAV file";
        return false;
    }
    if (!WriteAll(bytes, size_t(size), error)) return false;
    dataBytes_ += size;
    return true;
}

bool WavWriter::Commit(std::string* error) {
    // RIFF pads an odd-sized chunk to an even length, and the header counts the pad.
    bool ok = !(dataBytes_ & 1) || WriteAll("", 1, error);
    // The header again, now with the sizes; its length is unchanged.
    const std::string header = WavHeader(tag_, bits_, channels_, sampleRate_, dataBytes_);
    if (ok && !file_.Rewind()) {
        *error = "writing '" + Narrow(path_) + "' failed: cannot seek back to its header";
        ok = false;
    }
    ok = ok && WriteAll(header.data(), header.size(), error);
    if (!ok) {
        file_.Abandon();
        return false;
    }
    return file_.Commit(error);
}

}  // namespace lumbrook
