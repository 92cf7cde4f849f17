// An output that never loses what was there: a new or existing file is
// written through a uniquely named temporary file in its own folder and put
// in its place only when complete; a failure or an interrupt leaves the
// target as it was and no temporary file behind; a directory is refused.
// One rule with two implementations, the platform's own ways kept here:
//   POSIX (output_file.cpp): the temporary file is renamed over the target,
//     keeping its permission bits; a symlink keeps pointing where it did
//     while its target is replaced; a device, FIFO or "-" (standard output)
//     is written straight, never replaced. While a temporary file exists,
//     INT, TERM and HUP remove it and end the process with 128 + the signal
//     (130 for Ctrl-C).
//   Windows (output_file_windows.cpp): the temporary file is marked for
//     deletion while it is written, so the system removes it however the
//     process ends; Commit clears the mark and moves it over the target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace lumbrook {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Whether the path can be written, without creating anything: refuses
    // a directory and a folder that does not exist. "" when it can.
    static std::string Problem(const std::string& path);

    bool Open(const std::string& path, std::string* error);

    // Every byte or nothing, retrying short writes.
    bool Write(const void* bytes, size_t size);

    // Flushes, closes and puts the file in place; false with the reason when
    // any of it fails, the temporary file then removed.
    bool Commit(std::string* error);
    // Removes the temporary file; an existing output stays as it was.
    void Abandon();

    // Why the last Write failed, for people ("the disk is full").
    const std::string& WriteFailure() const { return writeFailure_; }

#ifdef _WIN32
    // Wide paths, as the Windows tools take them; the narrow ones above are
    // in the ANSI code page.
    static std::string Problem(const std::wstring& path);
    bool Open(const std::wstring& path, std::string* error);
    // Where the next Write goes: back to the start, to finish a header.
    bool Rewind();

private:
    std::wstring path_, temp_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
#else
    // True when the path names the same file as another existing path.
    static bool SameFile(const std::string& a, const std::string& b);

    int Descriptor() const {
        return fd_;
    }
    // Written straight into a device, FIFO or standard output: no seeking
    // back, nothing to rename.
    bool IsStream() const {
        return stream_;
    }

private:
    std::string path_, target_, temp_;
    int fd_ = -1;
    bool stream_ = false, ownsFd_ = false;
#endif
    std::string writeFailure_;
};

// Writes a small file completely through OutputFile.
inline bool WriteWholeFile(const std::string& path, const void* bytes, size_t size,
                           std::string* error) {
    OutputFile file;
    if (!file.Open(path, error)) return false;
    if (!file.Write(bytes, size)) {
        *error = "cannot write '" + path + "': " + file.WriteFailure();
        return false;
    }
    return file.Commit(error);
}

#ifdef _WIN32
// Text for people: ASCII as it is, anything else as '?'.
std::string Narrow(const std::wstring& text);
#endif

}  // namespace lumbrook
