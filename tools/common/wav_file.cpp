#include "wav_file.h"

#include <mmreg.h>

#include <cstring>

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
    bytes_.resize(size_t(bytes));
    const LONG got = mmioRead(file_, &bytes_[0], bytes);
    if (got < 0) return -1;
    if (got != bytes) {
        // The file ends before its data chunk does: the whole frames there are.
        frames = int32_t(got / LONG(channels_ * sampleBytes));
        framesLeft_ = 0;
    } else {
        framesLeft_ -= frames;
    }
    const unsigned char* at = reinterpret_cast<const unsigned char*>(bytes_.data());
    const size_t samples = size_t(frames) * channels_;
    for (size_t i = 0; i < samples; ++i, at += sampleBytes) {
        if (isFloat_)
            std::memcpy(&out[i], at, 4);
        else
            out[i] = PcmToFloat(at, bits_);
    }
    return frames;
}

WavWriter::~WavWriter() {
    Abandon();
}

namespace {

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
}

// Marks an open file for deletion when its last handle closes, or clears it.
bool MarkForDeletion(HANDLE file, bool deleteIt) {
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = deleteIt;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

std::string SystemReason(DWORD code) {
    if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL) return "the disk is full";
    return "system error " + std::to_string(code);
}

// Puts the finished file in place of the output. Another process replacing
// the same output at that moment (a second render, a virus scanner) makes the
// rename fail for a moment with access denied or a sharing violation: try
// again for up to a second before reporting it.
bool ReplaceOutput(const std::wstring& from, const std::wstring& to) {
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
        const DWORD reason = GetLastError();
        if ((reason != ERROR_ACCESS_DENIED && reason != ERROR_SHARING_VIOLATION) || attempt == 20)
            return false;
        Sleep(50);
    }
}

}  // namespace

std::string WavWriter::Problem(const std::wstring& path) {
    const std::string name = "'" + Narrow(path) + "'";
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return name + " is a directory";
    const std::wstring folder = FolderOf(path);
    const DWORD folderAttributes = GetFileAttributesW(folder.empty() ? L"." : folder.c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES ||
        !(folderAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return "the folder of " + name + " does not exist";
    return "";
}

void WavWriter::Abandon() {
    if (file_ != INVALID_HANDLE_VALUE) {
        MarkForDeletion(file_, true);
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    if (!tempPath_.empty()) {
        DeleteFileW(tempPath_.c_str());
        tempPath_.clear();
    }
}

bool WavWriter::Open(const std::wstring& path, uint16_t tag, uint16_t bitsPerSample,
                     uint32_t channels, uint32_t sampleRate, std::string* error) {
    Abandon();
    path_ = path;
    tag_ = tag;
    bits_ = bitsPerSample;
    channels_ = channels;
    sampleRate_ = sampleRate;
    dataBytes_ = 0;
    const std::string problem = Problem(path);
    if (!problem.empty()) {
        *error = problem;
        return false;
    }
    const std::wstring base = FolderOf(path) + L"." + path.substr(FolderOf(path).size()) + L"." +
                              std::to_wstring(GetCurrentProcessId()) + L"-";
    for (unsigned attempt = 0; attempt < 1000 && file_ == INVALID_HANDLE_VALUE; ++attempt) {
        const std::wstring candidate = base + std::to_wstring(GetTickCount() + attempt) + L".tmp";
        file_ = CreateFileW(candidate.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ != INVALID_HANDLE_VALUE)
            tempPath_ = candidate;
        else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (file_ == INVALID_HANDLE_VALUE) {
        *error = "cannot write beside '" + Narrow(path) + "': " + SystemReason(GetLastError());
        return false;
    }
    const std::string header = WavHeader(tag, bitsPerSample, channels, sampleRate, 0);
    if (!MarkForDeletion(file_, true)) {
        *error = "cannot write beside '" + Narrow(path) + "': " + SystemReason(GetLastError());
        Abandon();
        return false;
    }
    if (!WriteAll(header.data(), DWORD(header.size()), error)) {
        Abandon();
        return false;
    }
    return true;
}

bool WavWriter::WriteAll(const void* bytes, DWORD size, std::string* error) {
    DWORD done = 0;
    if (file_ != INVALID_HANDLE_VALUE && WriteFile(file_, bytes, size, &done, nullptr) &&
        done == size)
        return true;
    const DWORD code = file_ == INVALID_HANDLE_VALUE ? ERROR_INVALID_HANDLE : GetLastError();
    *error = "writing '" + Narrow(path_) + "' failed: " +
             (done != size && code == ERROR_SUCCESS ? std::string("the disk is full")
                                                    : SystemReason(code));
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
    if (!WriteAll(bytes, DWORD(size), error)) return false;
    dataBytes_ += size;
    return true;
}

bool WavWriter::Commit(std::string* error) {
    if (file_ == INVALID_HANDLE_VALUE) {
        *error = "cannot write '" + Narrow(path_) + "'";
        return false;
    }
    // RIFF pads an odd-sized chunk to an even length, and the header counts the pad.
    bool ok = !(dataBytes_ & 1) || WriteAll("", 1, error);
    // The header again, now with the sizes; its length is unchanged.
    const std::string header = WavHeader(tag_, bits_, channels_, sampleRate_, dataBytes_);
    ok = ok && SetFilePointer(file_, 0, nullptr, FILE_BEGIN) == 0 &&
         WriteAll(header.data(), DWORD(header.size()), error);
    if (ok && !FlushFileBuffers(file_)) {
        *error = "writing '" + Narrow(path_) + "' failed: " + SystemReason(GetLastError());
        ok = false;
    }
    if (ok && !MarkForDeletion(file_, false)) {
        *error = "cannot keep '" + Narrow(path_) + "': " + SystemReason(GetLastError());
        ok = false;
    }
    if (!ok) {
        Abandon();
        return false;
    }
    const BOOL closed = CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    if (!closed || !ReplaceOutput(tempPath_, path_)) {
        *error = "cannot write '" + Narrow(path_) + "': " + SystemReason(GetLastError());
        Abandon();
        return false;
    }
    tempPath_.clear();
    return true;
}

}  // namespace lumbrook
