#include "param_text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "param_display.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "output_file.h"
#endif

namespace lumbrook {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

std::string RangeText(const ParamInfo& param) {
    std::string unit = *param.unit ? param.unit : "%";
    char text[160];
    std::snprintf(text, sizeof text, "%s takes 0 to 1, or %g to %g%s", param.field,
                  param.displayMin, param.displayMax, unit.c_str());
    return text;
}

bool SwitchValue(const std::string& value, int32_t* out) {
    const std::string v = Lower(value);
    if (v == "on" || v == "yes" || v == "true") {
        *out = 1;
        return true;
    }
    if (v == "off" || v == "no" || v == "false") {
        *out = 0;
        return true;
    }
    char* end = nullptr;
    const long number = std::strtol(v.c_str(), &end, 10);
    if (v.empty() || *end != '\0' || number < INT32_MIN || number > INT32_MAX) return false;
    *out = int32_t(number);
    return true;
}

}  // namespace

bool ParseSetting(const char* text, ParamSetting* setting, std::string* error) {
    const char* equals = text ? std::strchr(text, '=') : nullptr;
    if (!equals) {
        *error = "a setting looks like NAME=VALUE, e.g. preDelay=35ms";
        return false;
    }
    const std::string name = Trim(std::string(text, equals));
    const std::string value = Trim(equals + 1);
    const ParamInfo* param = FindParam(name.c_str());
    if (!param) {
        *error = "no parameter '" + name + "'; the parameters are";
        for (const ParamInfo& p : kParamTable) *error += std::string(" ") + p.field;
        return false;
    }
    if (param->kind == ParamKind::Switch) {
        int32_t on = 0;
        if (!SwitchValue(value, &on)) {
            *error = std::string(param->field) + " takes on or off";
            return false;
        }
        setting->param = param;
        setting->switchValue = on;
        return true;
    }
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (value.empty() || end == value.c_str() || !std::isfinite(number)) {
        *error = "'" + value + "' is not a number; " + RangeText(*param);
        return false;
    }
    const std::string unit = Lower(Trim(end));
    float result;
    if (unit.empty()) {
        if (number < 0.0 || number > 1.0) {
            *error = RangeText(*param);
            return false;
        }
        result = float(number);
    } else {
        const std::string expected = Lower(param->unit);
        const bool fits = unit == expected || (expected.empty() && unit == "%");
        if (!fits || number < param->displayMin || number > param->displayMax) {
            *error = RangeText(*param);
            return false;
        }
        result = ValueFromDisplay(*param, number);
    }
    setting->param = param;
    setting->value = result;
    return true;
}

void ApplySetting(const ParamSetting& setting, ReverbParams* params) {
    if (!setting.param) return;
    if (setting.param->kind == ParamKind::Switch)
        params->*setting.param->switchField = setting.switchValue;
    else
        params->*setting.param->floatField = setting.value;
}

std::string DescribeParam(const ReverbParams& params, const ParamInfo& param) {
    char text[160];
    if (param.kind == ParamKind::Switch) {
        std::snprintf(text, sizeof text, "%s %s", param.label,
                      params.*param.switchField ? "on" : "off");
        return text;
    }
    char number[64];
    std::snprintf(number, sizeof number, param.displayFormat,
                  DisplayFromValue(param, params.*param.floatField));
    std::snprintf(text, sizeof text, "%s %s%s%s", param.label, number, *param.unit ? " " : "",
                  param.unit);
    return text;
}

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
