// OutputFile on Windows (output_file.h).
#include "output_file.h"

#include <vector>

namespace lumbrook {

namespace {

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
}

// A narrow path in the ANSI code page, as the narrow file functions take it.
std::wstring Widen(const std::string& path) {
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0) return L"";
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
    return wide.data();
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

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 128 ? char(c) : '?';
    return out;
}

OutputFile::~OutputFile() {
    Abandon();
}

std::string OutputFile::Problem(const std::string& path) {
    return Problem(Widen(path));
}

std::string OutputFile::Problem(const std::wstring& path) {
    const std::string name = "'" + Narrow(path) + "'";
    if (path.empty()) return "an empty output name";
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

bool OutputFile::Open(const std::string& path, std::string* error) {
    return Open(Widen(path), error);
}

bool OutputFile::Open(const std::wstring& path, std::string* error) {
    Abandon();
    path_ = path;
    const std::string problem = Problem(path);
    if (!problem.empty()) {
        *error = problem;
        return false;
    }
    const std::wstring folder = FolderOf(path);
    const std::wstring base = folder + L"." + path.substr(folder.size()) + L"." +
                              std::to_wstring(GetCurrentProcessId()) + L"-";
    for (unsigned attempt = 0; attempt < 1000 && file_ == INVALID_HANDLE_VALUE; ++attempt) {
        const std::wstring candidate = base + std::to_wstring(GetTickCount() + attempt) + L".tmp";
        file_ = CreateFileW(candidate.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ != INVALID_HANDLE_VALUE)
            temp_ = candidate;
        else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (file_ == INVALID_HANDLE_VALUE || !MarkForDeletion(file_, true)) {
        *error = "cannot write beside '" + Narrow(path) + "': " + SystemReason(GetLastError());
        Abandon();
        return false;
    }
    return true;
}

bool OutputFile::Write(const void* bytes, size_t size) {
    const char* at = static_cast<const char*>(bytes);
    while (size > 0) {
        const DWORD asked = size > 0x40000000 ? 0x40000000 : DWORD(size);
        DWORD done = 0;
        if (file_ == INVALID_HANDLE_VALUE || !WriteFile(file_, at, asked, &done, nullptr) ||
            done == 0) {
            const DWORD code =
                file_ == INVALID_HANDLE_VALUE ? ERROR_INVALID_HANDLE : GetLastError();
            // A write that takes nothing without an error has met a full disk.
            writeFailure_ = code == ERROR_SUCCESS ? "the disk is full" : SystemReason(code);
            return false;
        }
        at += done;
        size -= done;
    }
    return true;
}

bool OutputFile::Rewind() {
    return file_ != INVALID_HANDLE_VALUE && SetFilePointer(file_, 0, nullptr, FILE_BEGIN) == 0;
}

bool OutputFile::Commit(std::string* error) {
    if (file_ == INVALID_HANDLE_VALUE) {
        *error = "cannot write '" + Narrow(path_) + "'";
        return false;
    }
    if (!FlushFileBuffers(file_)) {
        *error = "writing '" + Narrow(path_) + "' failed: " + SystemReason(GetLastError());
        Abandon();
        return false;
    }
    if (!MarkForDeletion(file_, false)) {
        *error = "cannot keep '" + Narrow(path_) + "': " + SystemReason(GetLastError());
        Abandon();
        return false;
    }
    const BOOL closed = CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    if (!closed || !ReplaceOutput(temp_, path_)) {
        *error = "cannot write '" + Narrow(path_) + "': " + SystemReason(GetLastError());
        Abandon();
        return false;
    }
    temp_.clear();
    return true;
}

void OutputFile::Abandon() {
    if (file_ != INVALID_HANDLE_VALUE) {
        MarkForDeletion(file_, true);
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    if (!temp_.empty()) {
        DeleteFileW(temp_.c_str());
        temp_.clear();
    }
}

}  // namespace lumbrook
