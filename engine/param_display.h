// Parameters in the units people read and type: per cent and milliseconds
// (value x 100) and decibels (value x 12 - 6), with the single-precision
// conversions the editor page uses, so that a value typed anywhere lands
// on the same float.
#pragma once

#include "reverb_params.h"

namespace lumbrook {

constexpr float kPercentScale = 0.01f;         // typed per cent or ms to value
constexpr float kDecibelScale = 0.083333336f;  // 1/12: typed dB + 6 to value

// The number shown for a value: value * 100, or value * 12 - 6.
double DisplayFromValue(const ParamInfo& param, float value);
// A displayed number clamped to the row's range: 0..100, or -6..6 dB
// (NaN gives the low end).
double ClampDisplay(const ParamInfo& param, double display);
// A displayed number (already in range) to the value it stands for.
float ValueFromDisplay(const ParamInfo& param, double display);

}  // namespace lumbrook
