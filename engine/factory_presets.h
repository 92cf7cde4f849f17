// The fourteen factory presets: one constant table shared by the effect's
// preset interface and every tool that lists or applies presets. Portable.
#pragma once

#include "reverb_params.h"

namespace lumbrook {

struct PresetRecord {
    char name[64];  // ANSI, NUL-terminated, the rest zero
    ReverbParams params;
};
static_assert(sizeof(PresetRecord) == 64 + kParamsSize, "name then block, no padding");

constexpr int kPresetCount = 14;
extern const PresetRecord kFactoryPresets[kPresetCount];

// A preset by its index ("9"), its full name ("09 - Large Hall 1") or the
// name without its number ("Large Hall 1"), ignoring case; null if none.
const PresetRecord* FindPreset(const char* indexOrName);

}  // namespace lumbrook
