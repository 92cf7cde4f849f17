// The eleven user parameters: the 44-byte block that hosts save and presets
// carry, and the one table that names and describes each parameter for every
// layer (effect, editor, tools).
#pragma once

#include <cstddef>
#include <cstdint>

#include "display_units.h"

namespace lumbrook {

// Persisted as is: eight float32 controls in 0..1, then three int32 switches
// (nonzero = on). Little-endian, no header; any bit pattern is accepted.
struct ReverbParams {
    float preDelay;
    float roomSize;
    float damping;
    float earlyRef;
    float reverbLevel;
    float dryLevel;
    float loEq;
    float hiEq;
    int32_t extendTail;
    int32_t enableEq;
    int32_t bypass;
};

constexpr int32_t kParamsSize = 44;
static_assert(sizeof(ReverbParams) == kParamsSize, "the block is 44 bytes");
static_assert(offsetof(ReverbParams, hiEq) == 28, "eight floats first");
static_assert(offsetof(ReverbParams, extendTail) == 32, "then the switches");
static_assert(offsetof(ReverbParams, bypass) == 40, "bypass is last");

// Block field order. Other tables keyed by parameter are indexed by this enum.
enum class ParamId : int {
    PreDelay,
    RoomSize,
    Damping,
    EarlyRef,
    ReverbLevel,
    DryLevel,
    LoEq,
    HiEq,
    ExtendTail,
    EnableEq,
    Bypass,
    Count
};
constexpr int kParamCount = static_cast<int>(ParamId::Count);

enum class ParamKind { Continuous, Switch };

struct ParamInfo {
    ParamId id;
    const char* field;     // block field name, "preDelay"
    const char* property;  // automation property name, "PreDelay"
    const char* label;     // the editor's label, "PreDelay"
    ParamKind kind;
    float ReverbParams::*floatField;     // continuous parameters only
    int32_t ReverbParams::*switchField;  // switches only
    float defaultValue;                  // the constructor's default
    const DisplayUnit& unit;             // how people read and type it
};

extern const ParamInfo kParamTable[kParamCount];

inline const ParamInfo& Param(ParamId id) {
    return kParamTable[static_cast<int>(id)];
}

// Lookup by block field or property name, ignoring case; null when unknown.
const ParamInfo* FindParam(const char* name);

// The constructor's defaults (not preset 0: earlyRef 0, enableEq 1).
ReverbParams DefaultParams();

// For the static_assert of another layer's table keyed by parameter, whose
// rows name their parameter in `id`: exactly one row for each parameter (a
// row left out of a table of kParamCount leaves a zero row, which names the
// first parameter twice).
template <typename Row, int N>
constexpr bool OneRowPerParameter(const Row (&rows)[N]) {
    if (N != kParamCount) return false;
    for (int p = 0; p < kParamCount; ++p) {
        int found = 0;
        for (const Row& row : rows) found += static_cast<int>(row.id) == p ? 1 : 0;
        if (found != 1) return false;
    }
    return true;
}

}  // namespace lumbrook
