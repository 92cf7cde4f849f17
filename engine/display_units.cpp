// The display unit table.
#include "display_units.h"

#include <cctype>

#include "tuning.h"

namespace lumbrook {

namespace {

constexpr float kPercentTypedScale = 0.01f;         // the float nearest 1/100
constexpr float kDecibelTypedScale = 0.083333336f;  // the float nearest 1/12
static_assert(kPercentTypedScale == 1.0f / 100.0f, "typed per cent steps by 1/100");
// Typed milliseconds go through the per cent step: the pre-delay's 1.0 is 100 ms.
static_assert(kPercentTypedScale == float(1.0 / kPreDelayMaxMs), "typed ms step by 1/100");
static_assert(kDecibelTypedScale == 1.0f / kShelfDbRange, "typed dB steps by 1/12");

constexpr DisplayUnit Hundred(UnitId id, const char* suffix, const char* typedSuffix,
                              double full = 100.0) {
    return {id, full, 0.0, kPercentTypedScale, 0.0, full, "%3.1f", suffix, typedSuffix, {}, {}};
}

bool OneOf(const char* const (&words)[3], const char* word) {
    for (const char* known : words)
        if (known && SameWord(known, word)) return true;
    return false;
}

}  // namespace

// The pre-delay's milliseconds and the shelving gains' decibels are the
// engine's own: 0..1 is 0..100 ms and -6..+6 dB.
const DisplayUnit kDisplayUnits[kUnitCount] = {
    Hundred(UnitId::Percent, "%", "%"),
    Hundred(UnitId::Milliseconds, "ms", "ms", kPreDelayMaxMs),
    {UnitId::Decibels,
     double(kShelfDbRange),
     -double(kShelfDbOffset),
     kDecibelTypedScale,
     -double(kShelfDbOffset),
     double(kShelfDbOffset),
     "%1.2f",
     "dB",
     "dB",
     {},
     {}},
    Hundred(UnitId::Plain, "", "%"),
    {UnitId::Switch,
     1.0,
     0.0,
     1.0f,
     0.0,
     1.0,
     "%.0f",
     "",
     nullptr,
     {"on", "yes", "true"},
     {"off", "no", "false"}},
};

double DisplayFromValue(const DisplayUnit& unit, float value) {
    return double(value) * unit.scale + unit.offset;
}

double ClampDisplay(const DisplayUnit& unit, double display) {
    if (display > unit.min) return display >= unit.max ? unit.max : display;
    return unit.min;
}

float ValueFromDisplay(const DisplayUnit& unit, double display) {
    return float((display - unit.offset) * double(unit.typedScale));
}

bool SameWord(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b)))
            return false;
    }
    return *a == *b;
}

int SwitchFromWord(const DisplayUnit& unit, const char* word) {
    if (OneOf(unit.onWords, word)) return 1;
    if (OneOf(unit.offWords, word)) return 0;
    return -1;
}

}  // namespace lumbrook
