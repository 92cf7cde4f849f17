// The units people read and type: one row per display unit with both
// directions of its conversion, its range, print format, suffix and the
// spellings a typed value may carry. The editor page, the command-line tools
// and the Linux plug-ins' port descriptions all read these rows, so a value
// typed anywhere lands on the same float and shows the same text.
#pragma once

#include <cstddef>

namespace lumbrook {

enum class UnitId {
    Percent,       // value x 100, "%"
    Milliseconds,  // value x 100, "ms" (the pre-delay: 1.0 is 100 ms)
    Decibels,      // value x 12 - 6, "dB" (the shelving gains)
    Plain,         // value x 100 with no suffix (the room size); typed with "%"
    Switch,        // 0 or 1, shown and typed as words
    Count
};
constexpr int kUnitCount = static_cast<int>(UnitId::Count);

// Display = value * scale + offset. Typing goes back through typedScale, the
// single-precision step the editor page has always used: float((display -
// offset) * typedScale), rounded twice, so some values (0.8) are never hit.
struct DisplayUnit {
    UnitId id;
    double scale;
    double offset;
    float typedScale;
    double min;  // the display range typed numbers are clamped to
    double max;
    const char* format;       // printf format of the number, "%3.1f"
    const char* suffix;       // shown after the number: "%", "ms", "dB" or ""
    const char* typedSuffix;  // may follow a typed number (any case); null for switches
    const char* onWords[3];   // switches: typed for on (any case), the first one shown
    const char* offWords[3];
};

extern const DisplayUnit kDisplayUnits[kUnitCount];

constexpr const DisplayUnit& Unit(UnitId id) {
    return kDisplayUnits[static_cast<int>(id)];
}

// The number shown for a value.
double DisplayFromValue(const DisplayUnit& unit, float value);
// A displayed number clamped to the unit's range (NaN gives the low end).
double ClampDisplay(const DisplayUnit& unit, double display);
// A displayed number (already in range) to the value it stands for, through
// the unit's single-precision step.
float ValueFromDisplay(const DisplayUnit& unit, double display);

// A switch word: 1 for an on word, 0 for an off word, -1 otherwise.
int SwitchFromWord(const DisplayUnit& unit, const char* word);

// Names and spellings compare ignoring ASCII case.
bool SameWord(const char* a, const char* b);

}  // namespace lumbrook
