#include "param_text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lumbrook {

namespace {

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

std::string RangeText(const ParamInfo& param) {
    char text[160];
    std::snprintf(text, sizeof text, "%s takes 0 to 1, or %g to %g%s", param.field, param.unit.min,
                  param.unit.max, param.unit.typedSuffix);
    return text;
}

bool SwitchValue(const DisplayUnit& unit, const std::string& v, int32_t* out) {
    const int word = SwitchFromWord(unit, v.c_str());
    if (word >= 0) {
        *out = word;
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
        if (!SwitchValue(param->unit, value, &on)) {
            *error = std::string(param->field) + " takes " + param->unit.onWords[0] + " or " +
                     param->unit.offWords[0];
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
    const std::string unit = Trim(end);
    float result;
    if (unit.empty()) {
        if (number < 0.0 || number > 1.0) {
            *error = RangeText(*param);
            return false;
        }
        result = float(number);
    } else {
        const DisplayUnit& display = param->unit;
        if (!SameWord(unit.c_str(), display.typedSuffix) || number < display.min ||
            number > display.max) {
            *error = RangeText(*param);
            return false;
        }
        result = ValueFromDisplay(display, number);
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
    const DisplayUnit& unit = param.unit;
    char text[160];
    if (param.kind == ParamKind::Switch) {
        std::snprintf(text, sizeof text, "%s %s", param.label,
                      params.*param.switchField ? unit.onWords[0] : unit.offWords[0]);
        return text;
    }
    char number[64];
    std::snprintf(number, sizeof number, unit.format,
                  DisplayFromValue(unit, params.*param.floatField));
    std::snprintf(text, sizeof text, "%s %s%s%s", param.label, number, *unit.suffix ? " " : "",
                  unit.suffix);
    return text;
}

}  // namespace lumbrook
