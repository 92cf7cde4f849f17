// The parameter table: one row per field of the block, in block order.
#include "reverb_params.h"

#include <cctype>

namespace lumbrook {

namespace {

constexpr ParamInfo Continuous(ParamId id, const char* field, const char* property,
                               const char* label, float ReverbParams::*member, float defaultValue,
                               const char* unit) {
    return {id,     field,   property,     label,  ParamKind::Continuous,
            member, nullptr, defaultValue, unit,   100.0,
            0.0,    0.0,     100.0,        "%3.1f"};
}

// The shelving gains show decibels: 0..1 is -6..+6 dB.
constexpr ParamInfo Shelf(ParamId id, const char* field, const char* property, const char* label,
                          float ReverbParams::*member) {
    return {id,   field, property, label,  ParamKind::Continuous, member, nullptr, 0.5f, "dB", 12.0,
            -6.0, -6.0,  6.0,      "%1.2f"};
}

constexpr ParamInfo Switch(ParamId id, const char* field, const char* property, const char* label,
                           int32_t ReverbParams::*member, float defaultValue) {
    return {id,  field, property, label, ParamKind::Switch, nullptr, member, defaultValue, "", 1.0,
            0.0, 0.0,   1.0,      "%.0f"};
}

bool SameName(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b)))
            return false;
    }
    return *a == *b;
}

}  // namespace

const ParamInfo kParamTable[kParamCount] = {
    Continuous(ParamId::PreDelay, "preDelay", "PreDelay", "PreDelay", &ReverbParams::preDelay, 0.0f,
               "ms"),
    Continuous(ParamId::RoomSize, "roomSize", "RoomSize", "Room Size", &ReverbParams::roomSize,
               0.0f, ""),
    Continuous(ParamId::Damping, "damping", "Damping", "Damping factor", &ReverbParams::damping,
               0.0f, "%"),
    Continuous(ParamId::EarlyRef, "earlyRef", "EarlyRef", "Early Ref", &ReverbParams::earlyRef,
               0.0f, "%"),
    Continuous(ParamId::ReverbLevel, "reverbLevel", "ReverbLevel", "Reverb",
               &ReverbParams::reverbLevel, 0.8f, "%"),
    Continuous(ParamId::DryLevel, "dryLevel", "DryLevel", "Dry", &ReverbParams::dryLevel, 0.8f,
               "%"),
    Shelf(ParamId::LoEq, "loEq", "LoEq", "Lo Eq", &ReverbParams::loEq),
    Shelf(ParamId::HiEq, "hiEq", "HiEq", "Hi Eq", &ReverbParams::hiEq),
    Switch(ParamId::ExtendTail, "extendTail", "ExtendTail", "Extend effect beyond selection",
           &ReverbParams::extendTail, 0.0f),
    Switch(ParamId::EnableEq, "enableEq", "EnableEq", "Enable Eq", &ReverbParams::enableEq, 1.0f),
    Switch(ParamId::Bypass, "bypass", "Bypass", "Bypass", &ReverbParams::bypass, 0.0f),
};

const ParamInfo* FindParam(const char* name) {
    if (!name) return nullptr;
    for (const ParamInfo& info : kParamTable) {
        if (SameName(name, info.field) || SameName(name, info.property)) return &info;
    }
    return nullptr;
}

ReverbParams DefaultParams() {
    ReverbParams params{};
    for (const ParamInfo& info : kParamTable) {
        if (info.kind == ParamKind::Continuous)
            params.*info.floatField = info.defaultValue;
        else
            params.*info.switchField = static_cast<int32_t>(info.defaultValue);
    }
    return params;
}

}  // namespace lumbrook
