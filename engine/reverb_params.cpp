// The parameter table: one row per field of the block, in block order.
#include "reverb_params.h"

namespace lumbrook {

namespace {

constexpr ParamInfo Continuous(ParamId id, const char* field, const char* property,
                               const char* label, float ReverbParams::*member, float defaultValue,
                               UnitId unit) {
    return {id,     field,   property,     label,     ParamKind::Continuous,
            member, nullptr, defaultValue, Unit(unit)};
}

constexpr ParamInfo Switch(ParamId id, const char* field, const char* property, const char* label,
                           int32_t ReverbParams::*member, float defaultValue) {
    return {id,
            field,
            property,
            label,
            ParamKind::Switch,
            nullptr,
            member,
            defaultValue,
            Unit(UnitId::Switch)};
}

}  // namespace

const ParamInfo kParamTable[kParamCount] = {
    Continuous(ParamId::PreDelay, "preDelay", "PreDelay", "PreDelay", &ReverbParams::preDelay, 0.0f,
               UnitId::Milliseconds),
    Continuous(ParamId::RoomSize, "roomSize", "RoomSize", "Room Size", &ReverbParams::roomSize,
               0.0f, UnitId::Plain),
    Continuous(ParamId::Damping, "damping", "Damping", "Damping factor", &ReverbParams::damping,
               0.0f, UnitId::Percent),
    Continuous(ParamId::EarlyRef, "earlyRef", "EarlyRef", "Early Ref", &ReverbParams::earlyRef,
               0.0f, UnitId::Percent),
    Continuous(ParamId::ReverbLevel, "reverbLevel", "ReverbLevel", "Reverb",
               &ReverbParams::reverbLevel, 0.8f, UnitId::Percent),
    Continuous(ParamId::DryLevel, "dryLevel", "DryLevel", "Dry", &ReverbParams::dryLevel, 0.8f,
               UnitId::Percent),
    Continuous(ParamId::LoEq, "loEq", "LoEq", "Lo Eq", &ReverbParams::loEq, 0.5f, UnitId::Decibels),
    Continuous(ParamId::HiEq, "hiEq", "HiEq", "Hi Eq", &ReverbParams::hiEq, 0.5f, UnitId::Decibels),
    Switch(ParamId::ExtendTail, "extendTail", "ExtendTail", "Extend effect beyond selection",
           &ReverbParams::extendTail, 0.0f),
    Switch(ParamId::EnableEq, "enableEq", "EnableEq", "Enable Eq", &ReverbParams::enableEq, 1.0f),
    Switch(ParamId::Bypass, "bypass", "Bypass", "Bypass", &ReverbParams::bypass, 0.0f),
};

const ParamInfo* FindParam(const char* name) {
    if (!name) return nullptr;
    for (const ParamInfo& info : kParamTable) {
        if (SameWord(name, info.field) || SameWord(name, info.property)) return &info;
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
