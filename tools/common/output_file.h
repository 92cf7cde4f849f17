// An output that never loses what was there (POSIX): a regular file, new or
// existing, is written through a unique temporary file in its own folder and
// renamed over it only when complete, keeping its permission bits; a symlink
// keeps pointing where it did while its target is replaced; a device, FIFO
// or "-" (standard output) is written straight, never replaced; a directory
// is refused. While a temporary file exists, INT, TERM and HUP remove it and
// end the process with 128 + the signal (130 for Ctrl-C).
#pragma once

#include <string>

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

    // True when the path names the same file as another existing path.
    static bool SameFile(const std::string& a, const std::string& b);

    bool Open(const std::string& path, std::string* error);
    int Descriptor() const { return fd_; }
    // Written straight into a device, FIFO or standard output: no seeking
    // back, nothing to rename.
    bool IsStream() const { return stream_; }

    // Every byte or nothing, retrying short writes.
    bool Write(const void* bytes, size_t size);

    // Flushes, closes and puts the file in place; false with the reason when
    // any of it fails, the temporary file then removed.
    bool Commit(std::string* error);
    // Removes the temporary file; an existing output stays as it was.
    void Abandon();

private:
    std::string path_, target_, temp_;
    int fd_ = -1;
    bool stream_ = false, ownsFd_ = false;
};

// Writes a small file completely through OutputFile.
bool WriteWholeFile(const std::string& path, const void* bytes, size_t size, std::string* error);

}  // namespace lumbrook
