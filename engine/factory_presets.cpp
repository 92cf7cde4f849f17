#include "factory_presets.h"

#include <cstdlib>
#include <cstring>

#include "display_units.h"

namespace lumbrook {

// Columns: preDelay, roomSize, damping, earlyRef, reverbLevel, dryLevel, loEq,
// hiEq, extendTail, enableEq, bypass. Every preset leaves the equaliser flat
// and off, and the tail and bypass off.
const PresetRecord kFactoryPresets[kPresetCount] = {
    {"00 - Default", {0.0f, 0.0f, 0.0f, 0.1f, 0.8f, 0.8f, 0.5f, 0.5f, 0, 0, 0}},
    {"01 - Room 1", {0.0f, 0.135f, 0.06f, 0.08f, 0.7f, 0.85f, 0.5f, 0.5f, 0, 0, 0}},
    {"02 - Room 2", {0.0f, 0.135f, 0.12f, 0.12f, 0.7f, 0.85f, 0.5f, 0.5f, 0, 0, 0}},
    {"03 - Room 3", {0.05f, 0.135f, 0.18f, 0.16f, 0.75f, 0.8f, 0.5f, 0.5f, 0, 0, 0}},
    {"04 - Small Hall 1", {0.1f, 0.335f, 0.0f, 0.16f, 0.75f, 0.8f, 0.5f, 0.5f, 0, 0, 0}},
    {"05 - Small Hall 2", {0.15f, 0.335f, 0.1f, 0.25f, 0.75f, 0.8f, 0.5f, 0.5f, 0, 0, 0}},
    {"06 - Small Hall 3", {0.2f, 0.335f, 0.4f, 0.4f, 0.75f, 0.8f, 0.5f, 0.5f, 0, 0, 0}},
    {"07 - Medium Hall 1", {0.3f, 0.535f, 0.0f, 0.2f, 0.75f, 0.8f, 0.5f, 0.5f, 0, 0, 0}},
    {"08 - Medium Hall 2", {0.4f, 0.585f, 0.4f, 0.2f, 0.75f, 0.8f, 0.5f, 0.5f, 0, 0, 0}},
    {"09 - Large Hall 1", {0.5f, 0.635f, 0.0f, 0.2f, 0.75f, 0.8f, 0.5f, 0.5f, 0, 0, 0}},
    {"10 - Large Hall 2", {0.7f, 0.685f, 0.1f, 0.3f, 0.75f, 0.8f, 0.5f, 0.5f, 0, 0, 0}},
    {"11 - Large Hall 3", {0.9f, 0.735f, 0.2f, 0.4f, 0.75f, 0.8f, 0.5f, 0.5f, 0, 0, 0}},
    {"12 - Large Hall 4", {0.9f, 0.785f, 0.2f, 0.4f, 0.75f, 0.8f, 0.5f, 0.5f, 0, 0, 0}},
    {"13 - Huge Hall 1", {1.0f, 0.935f, 0.25f, 0.4f, 0.75f, 0.8f, 0.5f, 0.5f, 0, 0, 0}},
};

const PresetRecord* FindPreset(const char* indexOrName) {
    if (!indexOrName || !*indexOrName) return nullptr;
    char* end = nullptr;
    const long index = std::strtol(indexOrName, &end, 10);
    if (*end == '\0') return index >= 0 && index < kPresetCount ? &kFactoryPresets[index] : nullptr;
    for (const PresetRecord& preset : kFactoryPresets) {
        const char* dash = std::strstr(preset.name, " - ");
        if (SameWord(indexOrName, preset.name) || (dash && SameWord(indexOrName, dash + 3)))
            return &preset;
    }
    return nullptr;
}

}  // namespace lumbrook
