#include "param_file.h"

#include <cstdio>
#include <cstring>

#include "output_file.h"

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

bool WriteParamsFile(const std::string& path, const ReverbParams& params, std::string* error) {
    return WriteWholeFile(path, &params, kParamsSize, error);
}

}  // namespace lumbrook
