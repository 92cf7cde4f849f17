#include "param_file.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include "output_file.h"
#endif

namespace lumbrook {

bool ReadParamsFile(const std::string& path, ReverbParams* params, std::string* error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *error = "cannot read '" + path + "'";
        return false;
    }
    unsigned char block[kParamsSize + 1];
    const size_t got = std::fread(block, 1, sizeof block, file);
    std::fclose(file);
    if (got != size_t(kParamsSize)) {
        *error = "'" + path + "' is not a 44-byte parameter block";
        return false;
    }
    std::memcpy(params, block, kParamsSize);
    return true;
}

#ifdef _WIN32
// A uniquely named temporary file in the block file's folder, moved over it
// when complete; a directory is refused.
bool WriteParamsFile(const std::string& path, const ReverbParams& params, std::string* error) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *error = "'" + path + "' is a directory";
        return false;
    }
    const size_t slash = path.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    char temp[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "lrp", 0, temp) == 0) {
        *error = "cannot write beside '" + path + "'";
        return false;
    }
    FILE* file = std::fopen(temp, "wb");
    bool ok = file && std::fwrite(&params, 1, kParamsSize, file) == size_t(kParamsSize);
    if (file) ok = std::fflush(file) == 0 && ok;
    if (file) ok = std::fclose(file) == 0 && ok;
    if (ok) ok = MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (!ok) {
        DeleteFileA(temp);
        *error = "cannot write '" + path + "'";
    }
    return ok;
}
#else
bool WriteParamsFile(const std::string& path, const ReverbParams& params, std::string* error) {
    return WriteWholeFile(path, &params, kParamsSize, error);
}
#endif

}  // namespace lumbrook
